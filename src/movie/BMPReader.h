// TBMPReader holds a Windows bitmap file in memory at its own bit depth:
// the information header, the palette (up to 256 entries), the pixel rows
// padded to 4 bytes in the file's row order, and for 16 and 32-bit pictures
// the colour masks. RLE4 and RLE8 pictures are unpacked on loading.
//
// Everything in the header is checked against the file before memory is
// taken: a size, palette or data offset that does not fit the file, a bit
// depth or compression the reader does not handle, raises EImageError.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace reelcast {

class TStream;

// A picture that cannot be read or converted.
class EImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Alpha = 255;
  bool operator==(const TRGBQuad&) const = default;
};

// One colour channel of a 16 or 32-bit pixel: its mask, where it starts and
// how many bits it has.
struct TColorMask {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  // The channel of a pixel widened to 0..255.
  uint8_t Extract(uint32_t pixel) const;
  static TColorMask FromMask(uint32_t mask);
};

class TBMPReader {
 public:
  // The largest width or height accepted (the SWF bitmap fields are 16-bit,
  // and this keeps a lying header from asking for gigabytes).
  static constexpr int kMaxDimension = 16384;

  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(TStream& stream);
  void LoadFromBuffer(const uint8_t* data, size_t size);

  int Width() const { return width_; }
  int Height() const { return height_; }  // rows, always positive
  int BitCount() const { return bitCount_; }
  bool TopDown() const { return topDown_; }
  // The compression code of the file (0 plain, 1 RLE8, 2 RLE4, 3 bit fields).
  uint32_t FileCompression() const { return compression_; }
  size_t RowBytes() const { return rowBytes_; }

  // Rows in memory order: for an ordinary bottom-up file Row(0) is the
  // bottom row of the picture.
  uint8_t* Row(int index) { return pixels_.data() + static_cast<size_t>(index) * rowBytes_; }
  const uint8_t* Row(int index) const {
    return pixels_.data() + static_cast<size_t>(index) * rowBytes_;
  }
  // Row y counted from the top of the picture.
  const uint8_t* TopRow(int y) const { return Row(topDown_ ? y : height_ - 1 - y); }

  const std::array<TRGBQuad, 256>& Palette() const { return palette_; }
  int PaletteSize() const { return paletteSize_; }

  // Masks of 16 and 32-bit pictures (5-5-5 and 8-8-8 when the file has none).
  const TColorMask& RedMask() const { return red_; }
  const TColorMask& GreenMask() const { return green_; }
  const TColorMask& BlueMask() const { return blue_; }
  // The alpha channel of a 32-bit picture: from the header's alpha mask, or
  // the fourth byte of each pixel when the file gives no masks.
  const TColorMask& AlphaMask() const { return alpha_; }

  // Colours used. 1-bit: 1 when every byte of every row is the same 0x00 or
  // 0xFF, else 2. 4 and 8-bit: the number of distinct indexes used; the
  // palette is compacted so that the used entries come first, in order, and
  // the pixels are renumbered. Higher depths: the number of distinct colours.
  int ColorCount();

  // The index of pixel x in a row of a 1, 4 or 8-bit picture.
  int IndexAt(const uint8_t* row, int x) const;
  // The pixel value of pixel x in a row of a 16 or 32-bit picture.
  uint32_t PixelAt(const uint8_t* row, int x) const;

 private:
  void Parse(const uint8_t* data, size_t size);
  void ReadRLE(const uint8_t* data, size_t size, bool fourBit);
  void SetIndex(uint8_t* row, int x, int value);

  int width_ = 0, height_ = 0, bitCount_ = 0;
  bool topDown_ = false;
  uint32_t compression_ = 0;
  size_t rowBytes_ = 0;
  std::vector<uint8_t> pixels_;
  std::array<TRGBQuad, 256> palette_{};
  int paletteSize_ = 0;
  TColorMask red_, green_, blue_, alpha_;
};

}  // namespace reelcast
