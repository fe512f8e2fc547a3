#include "sources/Snapshot.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace reelcast {
namespace {

namespace fs = std::filesystem;

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void WriteBmp(const TRgbImage& image, const std::string& path) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.Width) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.Height);
  std::string out;
  out.reserve(54 + pixelBytes);
  // BITMAPFILEHEADER
  out += "BM";
  Put32(out, 54 + pixelBytes);
  Put32(out, 0);
  Put32(out, 54);
  // BITMAPINFOHEADER, bottom-up rows of BGR triples
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(image.Width));
  Put32(out, static_cast<uint32_t>(image.Height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  std::string row(rowBytes, '\0');
  for (int y = image.Height - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width; ++x) {
      const uint8_t* p = image.Pixel(x, y);
      row[x * 3] = static_cast<char>(p[2]);
      row[x * 3 + 1] = static_cast<char>(p[1]);
      row[x * 3 + 2] = static_cast<char>(p[0]);
    }
    out += row;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.write(out.data(), static_cast<std::streamsize>(out.size())) || !file.flush())
    throw std::runtime_error("cannot write the snapshot " + path);
}

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Text[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Text);
  std::longjmp(error->Jump, 1);
}

void WriteJpeg(const TRgbImage& image, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write the snapshot " + path);
  jpeg_compress_struct info;
  TJpegError error;
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegFail;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&info);
    std::fclose(file);
    throw std::runtime_error("cannot write the snapshot " + path + ": " + error.Text);
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.Width);
  info.image_height = static_cast<JDIMENSION>(image.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(image.Pixel(0, static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  bool ok = std::fflush(file) == 0 && !std::ferror(file);
  ok = std::fclose(file) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write the snapshot " + path);
}

}  // namespace

std::string SnapshotPath(const std::string& folder, const std::string& destinationName, bool jpeg) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  base += destinationName + "_";
  std::error_code ec;
  for (unsigned n = 1;; ++n) {
    std::string stem = base + std::to_string(n);
    if (!fs::exists(stem + ".bmp", ec) && !fs::exists(stem + ".jpg", ec))
      return stem + (jpeg ? ".jpg" : ".bmp");
  }
}

void WriteSnapshot(const TRgbImage& image, const std::string& path, bool jpeg) {
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() < static_cast<size_t>(image.Width) * image.Height * 3)
    throw std::runtime_error("no picture to write to " + path);
  if (jpeg)
    WriteJpeg(image, path);
  else
    WriteBmp(image, path);
}

}  // namespace reelcast
