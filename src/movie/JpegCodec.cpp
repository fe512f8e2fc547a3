#include "movie/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace reelcast {

namespace {

// libjpeg reports errors through error_exit, which must not return: jump
// back to the caller, which turns the message into an exception.
struct TJpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<TJpegError*>(info->err);
  info->err->format_message(info, err->Message);
  longjmp(err->Jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}  // warnings are not printed

}  // namespace

bool ReadJPEGSize(const uint8_t* d, size_t size, int& width, int& height) {
  width = height = 0;
  if (size < 2 || d[0] != 0xFF || d[1] != 0xD8) return false;
  size_t i = 2;
  while (i < size && d[i] == 0xFF) {
    ++i;
    while (i < size && d[i] == 0xFF) ++i;  // fill bytes
    if (i >= size) return false;
    uint8_t marker = d[i++];
    if (marker == 0xC0 || marker == 0xC1) {
      if (i + 7 > size) return false;
      height = (d[i + 3] << 8) | d[i + 4];
      width = (d[i + 5] << 8) | d[i + 6];
      return true;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (i + 2 > size) return false;
    size_t length = static_cast<size_t>((d[i] << 8) | d[i + 1]);
    if (length < 2) return false;
    i += length;
  }
  return false;
}

bool ReadJPEGSize(const std::string& fileName, int& width, int& height) {
  std::ifstream f(fileName, std::ios::binary);
  if (!f) throw EImageError("Cannot open " + fileName);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return ReadJPEGSize(bytes.data(), bytes.size(), width, height);
}

TDecodedJpeg DecodeJpeg(const std::vector<uint8_t>& bytes) {
  TDecodedJpeg out;
  jpeg_decompress_struct info{};
  TJpegError err{};
  info.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnJpegError;
  err.Mgr.emit_message = OnJpegMessage;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&info);
    throw EImageError(std::string("JPEG picture cannot be read: ") + err.Message);
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    jpeg_destroy_decompress(&info);
    throw EImageError("JPEG picture cannot be read: CMYK pictures are not supported");
  }
  info.out_color_space = JCS_RGB;
  out.Progressive = jpeg_has_multiple_scans(&info);
  jpeg_start_decompress(&info);
  out.Width = static_cast<int>(info.output_width);
  out.Height = static_cast<int>(info.output_height);
  size_t stride = static_cast<size_t>(out.Width) * 3;
  out.Rgb.resize(stride * static_cast<size_t>(out.Height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.Rgb.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return out;
}

std::vector<uint8_t> EncodeBaselineJpeg(const uint8_t* rgb, int width, int height, int quality) {
  jpeg_compress_struct info{};
  TJpegError err{};
  info.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnJpegError;
  err.Mgr.emit_message = OnJpegMessage;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&info);
    free(buffer);
    throw EImageError(std::string("JPEG picture cannot be written: ") + err.Message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  size_t stride = static_cast<size_t>(width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb) + stride * info.next_scanline;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}

}  // namespace reelcast
