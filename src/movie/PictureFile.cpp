#include "movie/PictureFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <png.h>
#include <zlib.h>

#include "movie/JpegCodec.h"
#include "swf/Bitmaps.h"
#include "swf/BitsEngine.h"
#include "swf/Stream.h"

namespace reelcast {

namespace {

std::vector<uint8_t> ReadAll(const std::string& fileName) {
  TFileStream f(fileName, TFileMode::OpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(f.Size()));
  if (!bytes.empty()) f.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    throw EImageError("Cannot compress the picture's pixels");
  out.resize(size);
  return out;
}

std::string UpperExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

uint16_t CheckedDimension(int v) {
  if (v <= 0 || v > 65535) throw EImageError("Picture size " + std::to_string(v) + " is out of range");
  return static_cast<uint16_t>(v);
}

}  // namespace

void PutPremultipliedArgb(std::vector<uint8_t>& out, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  auto mul = [a](uint8_t c) { return static_cast<uint8_t>((c * a + 127) / 255); };
  out.push_back(a);
  out.push_back(mul(r));
  out.push_back(mul(g));
  out.push_back(mul(b));
}

void TPictureFile::LoadFromFile(const std::string& fileName) {
  FileName = fileName;
  IsJPEG = HasAlpha = embedFile_ = false;
  Data.clear();
  Reader.reset();
  std::string ext = UpperExtension(fileName);
  if (ext == "JPG" || ext == "JPEG") {
    IsJPEG = true;
    LoadJpeg();
  } else if (ext == "BMP") {
    LoadBmp();
  } else if (ext == "PNG") {
    LoadPng();
  } else {
    throw EImageError("Image format \"" + ext + "\" not supported!");
  }
}

void TPictureFile::LoadJpeg() {
  std::vector<uint8_t> bytes = ReadAll(FileName);
  int w = 0, h = 0;
  bool known = ReadJPEGSize(bytes.data(), bytes.size(), w, h);
  if (known && w > 0 && h > 0) {
    Width = static_cast<uint16_t>(w);
    Height = static_cast<uint16_t>(h);
    embedFile_ = true;
    return;
  }
  // No sequential frame header: decode it. A file the codec rejects is an
  // error here rather than an empty bitmap in the movie.
  TDecodedJpeg decoded = DecodeJpeg(bytes);
  Width = CheckedDimension(decoded.Width);
  Height = CheckedDimension(decoded.Height);
  if (decoded.Progressive && ConvertProgressive) {
    Data = EncodeBaselineJpeg(decoded.Rgb.data(), decoded.Width, decoded.Height);
  } else {
    embedFile_ = true;
  }
}

void TPictureFile::LoadBmp() {
  Reader = std::make_unique<TBMPReader>();
  Reader->LoadFromFile(FileName);
  TakeBmpFormat();
}

void TPictureFile::LoadBmpFromBuffer(const uint8_t* data, size_t size) {
  FileName.clear();
  IsJPEG = HasAlpha = embedFile_ = false;
  Data.clear();
  Reader = std::make_unique<TBMPReader>();
  Reader->LoadFromBuffer(data, size);
  TakeBmpFormat();
}

void TPictureFile::TakeBmpFormat() {
  Width = CheckedDimension(Reader->Width());
  Height = CheckedDimension(Reader->Height());
  switch (Reader->BitCount()) {
    case 1: case 4: case 8:
      BitmapFormat = kColorMapped;
      PaddedWidth = static_cast<uint16_t>((Width + 3) & ~3);
      ColorCount = static_cast<uint32_t>(Reader->ColorCount());
      break;
    case 16:
      BitmapFormat = kRgb15;
      PaddedWidth = static_cast<uint16_t>((Width + 1) & ~1);
      break;
    case 24:
      BitmapFormat = kRgb32;
      PaddedWidth = Width;
      break;
    default: {
      // A 32-bit picture whose fourth bytes are all zero does not use them
      // for alpha (most writers leave them so): it is shown opaque instead
      // of not at all.
      PaddedWidth = Width;
      bool anyAlpha = false;
      const TColorMask& am = Reader->AlphaMask();
      for (int y = 0; y < Height && !anyAlpha && am.Bits; ++y) {
        const uint8_t* row = Reader->Row(y);
        for (int x = 0; x < Width; ++x)
          if (am.Extract(Reader->PixelAt(row, x)) != 0) {
            anyAlpha = true;
            break;
          }
      }
      HasAlpha = anyAlpha;
      BitmapFormat = anyAlpha ? kArgb32 : kRgb32;
      break;
    }
  }
}

void TPictureFile::LoadPng() {
  std::vector<uint8_t> bytes = ReadAll(FileName);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    throw EImageError(std::string("PNG picture cannot be read: ") + image.message);
  if (image.width == 0 || image.height == 0 || image.width > TBMPReader::kMaxDimension ||
      image.height > TBMPReader::kMaxDimension) {
    png_image_free(&image);
    throw EImageError("PNG size " + std::to_string(image.width) + " x " +
                      std::to_string(image.height) + " is not supported");
  }
  bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    std::string message = image.message;
    png_image_free(&image);
    throw EImageError("PNG picture cannot be read: " + message);
  }
  Width = static_cast<uint16_t>(image.width);
  Height = static_cast<uint16_t>(image.height);
  PaddedWidth = Width;
  // A picture whose alpha channel is opaque everywhere needs none.
  HasAlpha = false;
  if (alpha)
    for (size_t i = 3; i < rgba.size(); i += 4)
      if (rgba[i] != 255) {
        HasAlpha = true;
        break;
      }
  BitmapFormat = HasAlpha ? kArgb32 : kRgb32;
  std::vector<uint8_t> raw;
  raw.reserve(rgba.size());
  for (size_t i = 0; i < rgba.size(); i += 4) {
    if (HasAlpha) {
      PutPremultipliedArgb(raw, rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
    } else {
      raw.insert(raw.end(), {0xFF, rgba[i], rgba[i + 1], rgba[i + 2]});
    }
  }
  Data = Deflate(raw);
}

void TPictureFile::PrepareLosslessData() {
  if (!Data.empty() || !Reader) return;
  const TBMPReader& r = *Reader;
  std::vector<uint8_t> raw;
  if (BitmapFormat == kColorMapped) {
    raw.reserve(ColorCount * 4 + static_cast<size_t>(PaddedWidth) * Height);
    for (uint32_t i = 0; i < ColorCount; ++i) {
      const TRGBQuad& q = r.Palette()[i];
      raw.insert(raw.end(), {q.Red, q.Green, q.Blue});
      if (HasAlpha) raw.push_back(q.Alpha);
    }
    for (int y = 0; y < Height; ++y) {
      const uint8_t* row = r.TopRow(y);
      for (int x = 0; x < Width; ++x) raw.push_back(static_cast<uint8_t>(r.IndexAt(row, x)));
      raw.insert(raw.end(), static_cast<size_t>(PaddedWidth - Width), 0);
    }
  } else if (BitmapFormat == kRgb15) {
    // 5-5-5 most significant byte first; other 16-bit masks (5-6-5) are
    // brought to 5-5-5 through their masks.
    bool plain555 = r.RedMask().Mask == 0x7C00 && r.GreenMask().Mask == 0x03E0 &&
                    r.BlueMask().Mask == 0x001F;
    for (int y = 0; y < Height; ++y) {
      const uint8_t* row = r.TopRow(y);
      for (int x = 0; x < Width; ++x) {
        uint32_t p = r.PixelAt(row, x);
        uint16_t v = plain555 ? static_cast<uint16_t>(p & 0x7FFF)
                              : static_cast<uint16_t>(((r.RedMask().Extract(p) >> 3) << 10) |
                                                      ((r.GreenMask().Extract(p) >> 3) << 5) |
                                                      (r.BlueMask().Extract(p) >> 3));
        raw.push_back(static_cast<uint8_t>(v >> 8));
        raw.push_back(static_cast<uint8_t>(v));
      }
      raw.insert(raw.end(), static_cast<size_t>(PaddedWidth - Width) * 2, 0);
    }
  } else {
    raw.reserve(static_cast<size_t>(Width) * Height * 4);
    for (int y = 0; y < Height; ++y) {
      const uint8_t* row = r.TopRow(y);
      for (int x = 0; x < Width; ++x) {
        uint32_t p = r.PixelAt(row, x);
        if (r.BitCount() == 24) {
          raw.insert(raw.end(), {0xFF, static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                                 static_cast<uint8_t>(p)});
          continue;
        }
        uint8_t red = r.RedMask().Extract(p), green = r.GreenMask().Extract(p),
                blue = r.BlueMask().Extract(p);
        if (HasAlpha)
          PutPremultipliedArgb(raw, red, green, blue, r.AlphaMask().Extract(p));
        else
          raw.insert(raw.end(), {0xFF, red, green, blue});
      }
    }
  }
  Data = Deflate(raw);
}

uint16_t TPictureFile::TagCode() const { return IsJPEG ? 21 : (HasAlpha ? 36 : 20); }

void TPictureFile::WriteTag(TBitsEngine& be, uint16_t characterId) {
  if (IsJPEG) {
    TSWFDefineBitsJPEG2 tag;
    tag.CharacterId = characterId;
    std::vector<uint8_t> file;
    if (embedFile_) {
      file = ReadAll(FileName);
      tag.SetDataReference(file.data(), static_cast<uint32_t>(file.size()));
    } else {
      tag.SetDataReference(Data.data(), static_cast<uint32_t>(Data.size()));
    }
    tag.WriteToStream(be);
    return;
  }
  PrepareLosslessData();
  std::unique_ptr<TSWFDefineBitsLossless> tag;
  if (HasAlpha)
    tag = std::make_unique<TSWFDefineBitsLossless2>();
  else
    tag = std::make_unique<TSWFDefineBitsLossless>();
  tag->CharacterId = characterId;
  tag->BitmapFormat = BitmapFormat == kArgb32 ? kRgb32 : BitmapFormat;
  tag->BitmapWidth = Width;
  tag->BitmapHeight = Height;
  if (BitmapFormat == kColorMapped) tag->BitmapColorTableSize = static_cast<uint8_t>(ColorCount - 1);
  tag->SetDataReference(Data.data(), static_cast<uint32_t>(Data.size()));
  tag->WriteToStream(be);
}

}  // namespace reelcast
