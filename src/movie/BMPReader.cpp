#include "movie/BMPReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_set>

#include "swf/Stream.h"

namespace reelcast {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiAlphaBitFields = 6;

}  // namespace

uint8_t TColorMask::Extract(uint32_t pixel) const {
  if (Bits == 0) return 0;
  uint32_t v = (pixel & Mask) >> Shift;
  if (Bits >= 8) return static_cast<uint8_t>(v >> (Bits - 8));
  uint32_t max = (1u << Bits) - 1;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

TColorMask TColorMask::FromMask(uint32_t mask) {
  TColorMask m;
  m.Mask = mask;
  if (mask == 0) return m;
  m.Shift = std::countr_zero(mask);
  // Bits from the lowest to the highest set bit (a mask with holes keeps
  // its span, the holes read as zeros).
  m.Bits = 32 - std::countl_zero(mask) - m.Shift;
  return m;
}

void TBMPReader::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, TFileMode::OpenRead);
  LoadFromStream(f);
}

void TBMPReader::LoadFromStream(TStream& stream) {
  int64_t n = stream.Remaining();
  // A bitmap larger than this cannot pass the dimension limit anyway.
  constexpr int64_t kMaxFile = int64_t{kMaxDimension} * kMaxDimension * 4 + 65536;
  if (n > kMaxFile) throw EImageError("BMP file is too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  if (n > 0) stream.ReadBuffer(bytes.data(), bytes.size());
  Parse(bytes.data(), bytes.size());
}

void TBMPReader::LoadFromBuffer(const uint8_t* data, size_t size) { Parse(data, size); }

void TBMPReader::Parse(const uint8_t* d, size_t size) {
  *this = TBMPReader();
  if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M') throw EImageError("Not a BMP file");
  uint32_t dataOffset = Le32(d + 10);
  uint32_t headerSize = Le32(d + 14);
  if (headerSize > size - 14) throw EImageError("BMP header runs past the end of the file");

  const uint8_t* h = d + 14;
  int64_t width = 0, height = 0;
  uint32_t colorsUsed = 0;
  size_t paletteEntrySize = 4;
  size_t paletteStart = 14 + static_cast<size_t>(headerSize);
  uint32_t masks[4] = {0, 0, 0, 0};
  bool haveMasks = false, haveAlphaMask = false;

  if (headerSize == 12) {
    // The old core header: 16-bit sizes, 3-byte palette entries.
    width = Le16(h + 4);
    height = static_cast<int16_t>(Le16(h + 6));
    bitCount_ = Le16(h + 10);
    paletteEntrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    width = static_cast<int32_t>(Le32(h + 4));
    height = static_cast<int32_t>(Le32(h + 8));
    bitCount_ = Le16(h + 14);
    compression_ = Le32(h + 16);
    colorsUsed = Le32(h + 32);
    if (compression_ == kBiBitFields || compression_ == kBiAlphaBitFields) {
      size_t count = compression_ == kBiAlphaBitFields ? 4 : 3;
      const uint8_t* m = h + 40;
      haveMasks = true;
      if (headerSize == 40) {
        // The masks follow the short header. Some writers leave them out and
        // start the pixels right there: the usual masks of the depth apply.
        uint32_t dataOffsetField = Le32(d + 10);
        if (dataOffsetField < paletteStart + count * 4) {
          haveMasks = false;
          count = 0;
        } else {
          if (paletteStart + count * 4 > size) throw EImageError("BMP colour masks run past the end");
          paletteStart += count * 4;
        }
      } else if (headerSize < 56) {
        count = 3;
      }
      for (size_t i = 0; i < count; ++i) masks[i] = Le32(m + i * 4);
      haveAlphaMask = haveMasks && (count == 4 || headerSize >= 56);
      if (haveAlphaMask && count == 3) masks[3] = Le32(h + 52);
    }
  } else {
    throw EImageError("BMP header of " + std::to_string(headerSize) + " bytes is not supported");
  }

  switch (bitCount_) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw EImageError("BMP with " + std::to_string(bitCount_) + " bits per pixel is not supported");
  }
  bool compressionFits = compression_ == kBiRgb ||
                         (compression_ == kBiRle8 && bitCount_ == 8) ||
                         (compression_ == kBiRle4 && bitCount_ == 4) ||
                         ((compression_ == kBiBitFields || compression_ == kBiAlphaBitFields) &&
                          (bitCount_ == 16 || bitCount_ == 32));
  if (!compressionFits)
    throw EImageError("BMP compression " + std::to_string(compression_) + " with " +
                      std::to_string(bitCount_) + " bits per pixel is not supported");

  topDown_ = height < 0;
  if (topDown_) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
    throw EImageError("BMP size " + std::to_string(width) + " x " + std::to_string(height) +
                      " is not supported");
  bool rle = compression_ == kBiRle8 || compression_ == kBiRle4;
  if (rle && topDown_) throw EImageError("A top-down BMP cannot be run-length encoded");
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);

  // Palette.
  if (bitCount_ <= 8) {
    uint32_t maxColors = 1u << bitCount_;
    if (colorsUsed > maxColors)
      throw EImageError("BMP palette of " + std::to_string(colorsUsed) + " colours for " +
                        std::to_string(bitCount_) + " bits per pixel");
    paletteSize_ = static_cast<int>(colorsUsed ? colorsUsed : maxColors);
    // The core header has no colour count: its palette fills the gap up to
    // the pixel data.
    if (headerSize == 12 && dataOffset > paletteStart)
      paletteSize_ = static_cast<int>(
          std::min<size_t>(maxColors, (dataOffset - paletteStart) / paletteEntrySize));
    size_t paletteEnd = paletteStart + paletteEntrySize * static_cast<size_t>(paletteSize_);
    if (paletteEnd > size) throw EImageError("BMP palette runs past the end of the file");
    if (dataOffset != 0 && paletteEnd > dataOffset)
      throw EImageError("BMP palette overlaps the pixel data");
    for (int i = 0; i < paletteSize_; ++i) {
      const uint8_t* p = d + paletteStart + paletteEntrySize * static_cast<size_t>(i);
      palette_[static_cast<size_t>(i)] = TRGBQuad{p[0], p[1], p[2], 255};
    }
  }

  if (bitCount_ == 16 || bitCount_ == 32) {
    if (!haveMasks) {
      if (bitCount_ == 16) {
        masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
      } else {
        masks[0] = 0x00FF0000; masks[1] = 0x0000FF00; masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;
      }
    } else if (!haveAlphaMask) {
      masks[3] = 0;
    }
    if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0)
      throw EImageError("BMP colour masks are empty");
    red_ = TColorMask::FromMask(masks[0]);
    green_ = TColorMask::FromMask(masks[1]);
    blue_ = TColorMask::FromMask(masks[2]);
    alpha_ = TColorMask::FromMask(masks[3]);
  }

  if (dataOffset < paletteStart || dataOffset > size)
    throw EImageError("BMP pixel data offset lies outside the file");

  rowBytes_ = ((static_cast<size_t>(width_) * bitCount_ + 31) / 32) * 4;
  const uint8_t* pixels = d + dataOffset;
  size_t available = size - dataOffset;
  if (!rle) {
    // The last row may come without its padding; anything shorter is a
    // header that promises more than the file holds.
    size_t lastRow = (static_cast<size_t>(width_) * bitCount_ + 7) / 8;
    size_t need = rowBytes_ * static_cast<size_t>(height_ - 1) + lastRow;
    if (available < need) throw EImageError("BMP pixel data is shorter than its size says");
  }
  pixels_.assign(rowBytes_ * static_cast<size_t>(height_), 0);
  if (rle) {
    ReadRLE(pixels, available, compression_ == kBiRle4);
  } else {
    std::memcpy(pixels_.data(), pixels, std::min(available, pixels_.size()));
  }
}

void TBMPReader::SetIndex(uint8_t* row, int x, int value) {
  if (bitCount_ == 8) {
    row[x] = static_cast<uint8_t>(value);
  } else if (bitCount_ == 4) {
    uint8_t& b = row[x / 2];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0x0F))
                : static_cast<uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
  } else {
    uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x / 8] = value ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
  }
}

int TBMPReader::IndexAt(const uint8_t* row, int x) const {
  switch (bitCount_) {
    case 8: return row[x];
    case 4: return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
    case 1: return (row[x / 8] >> (7 - (x & 7))) & 1;
    default: return 0;
  }
}

uint32_t TBMPReader::PixelAt(const uint8_t* row, int x) const {
  switch (bitCount_) {
    case 16: return Le16(row + 2 * x);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    case 32: return Le32(row + 4 * x);
    default: return 0;
  }
}

// Runs: a count n > 0 repeats the next byte (RLE4: its two nibbles in
// turn); escape 0 then 0 ends a row, 1 ends the picture, 2 moves by the next
// two bytes, n >= 3 copies n literal pixels padded to 16 bits. Runs are cut
// at the row's end and the picture's last row; data may end early.
void TBMPReader::ReadRLE(const uint8_t* d, size_t size, bool fourBit) {
  int x = 0, y = 0;
  size_t i = 0;
  auto put = [&](int value) {
    if (x < width_ && y < height_) SetIndex(Row(y), x, value);
    ++x;
  };
  while (i + 1 < size && y < height_) {
    uint8_t n = d[i], c = d[i + 1];
    i += 2;
    if (n > 0) {
      for (int k = 0; k < n && x < width_; ++k) put(fourBit ? ((k & 1) ? (c & 0x0F) : (c >> 4)) : c);
      continue;
    }
    if (c == 0) {
      x = 0;
      ++y;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (i + 1 >= size) break;
      x += d[i];
      y += d[i + 1];
      i += 2;
    } else {
      size_t bytes = fourBit ? (c + 1u) / 2 : c;
      size_t padded = (bytes + 1) & ~size_t{1};
      for (int k = 0; k < c; ++k) {
        size_t at = i + (fourBit ? static_cast<size_t>(k / 2) : static_cast<size_t>(k));
        if (at >= size) break;
        put(fourBit ? ((k & 1) ? (d[at] & 0x0F) : (d[at] >> 4)) : d[at]);
      }
      i += padded;
    }
  }
}

int TBMPReader::ColorCount() {
  if (bitCount_ <= 8) {
    // Count the indexes in use, then move the used palette entries down in
    // order and renumber the pixels to match.
    std::array<bool, 256> used{};
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = Row(y);
      for (int x = 0; x < width_; ++x) used[static_cast<size_t>(IndexAt(row, x))] = true;
    }
    std::array<int, 256> newIndex{};
    std::array<TRGBQuad, 256> compact{};
    int count = 0;
    for (int i = 0; i < 256; ++i) {
      if (!used[static_cast<size_t>(i)]) continue;
      newIndex[static_cast<size_t>(i)] = count;
      compact[static_cast<size_t>(count)] = palette_[static_cast<size_t>(i)];
      ++count;
    }
    bool identity = true;
    for (int i = 0; i < count; ++i)
      if (!used[static_cast<size_t>(i)]) identity = false;
    if (!identity) {
      for (int y = 0; y < height_; ++y) {
        uint8_t* row = Row(y);
        for (int x = 0; x < width_; ++x)
          SetIndex(row, x, newIndex[static_cast<size_t>(IndexAt(row, x))]);
      }
    }
    palette_ = compact;
    paletteSize_ = count;
    return count;
  }
  std::unordered_set<uint32_t> colors;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = Row(y);
    for (int x = 0; x < width_; ++x) colors.insert(PixelAt(row, x));
  }
  return static_cast<int>(colors.size());
}

}  // namespace reelcast
