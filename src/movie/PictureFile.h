// A picture file made ready for an SWF bitmap tag. JPEG files are embedded
// in a DefineBitsJPEG2 tag as they are, except progressive ones, which are
// decoded and encoded again as baseline. BMP files (TBMPReader) and PNG files
// become zlib-compressed pixels in a DefineBitsLossless tag, or a
// DefineBitsLossless2 tag when the picture has transparency. Any other
// extension is refused with the message: Image format "EXT" not supported!
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/BMPReader.h"

namespace reelcast {

class TBitsEngine;

class TPictureFile {
 public:
  // The lossless pixel formats of the bitmap tags.
  static constexpr uint8_t kColorMapped = 3, kRgb15 = 4, kRgb32 = 5;
  // BitmapFormat of a 32-bit picture with alpha; written as kRgb32.
  static constexpr uint8_t kArgb32 = 1;

  std::string FileName;
  bool IsJPEG = false;
  bool ConvertProgressive = true;
  bool HasAlpha = false;
  uint16_t Width = 0, Height = 0;
  uint16_t PaddedWidth = 0;  // pixels per lossless row, padding included
  uint8_t BitmapFormat = 0;
  uint32_t ColorCount = 0;   // colour-mapped pictures: palette entries used
  // The re-encoded JPEG, or the compressed lossless pixels; empty for a
  // JPEG that is embedded unchanged (read from the file when written).
  std::vector<uint8_t> Data;
  std::unique_ptr<TBMPReader> Reader;

  // Throws EImageError for a refused format or a picture that cannot be
  // read, EStreamError (EFOpenError) for a missing file.
  void LoadFromFile(const std::string& fileName);
  // A BMP file already in memory (no file name).
  void LoadBmpFromBuffer(const uint8_t* data, size_t size);
  uint8_t MinVersion() const { return HasAlpha ? 3 : 2; }
  // Builds the lossless pixels from the BMP reader (done on first write).
  void PrepareLosslessData();
  // Writes the bitmap tag with the given character id.
  void WriteTag(TBitsEngine& be, uint16_t characterId);
  // The tag code WriteTag writes: 21, 20 or 36.
  uint16_t TagCode() const;

 private:
  void LoadJpeg();
  void LoadBmp();
  void TakeBmpFormat();
  void LoadPng();
  bool embedFile_ = false;
};

// One ARGB pixel of a lossless bitmap with transparency: the colour
// multiplied by the alpha, as the format keeps it.
void PutPremultipliedArgb(std::vector<uint8_t>& out, uint8_t r, uint8_t g, uint8_t b, uint8_t a);

}  // namespace reelcast
