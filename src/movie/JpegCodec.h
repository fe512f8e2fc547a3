// JPEG through libjpeg-turbo: the marker scan that finds a picture's size
// without decoding it, decoding to RGB, and encoding RGB as a baseline JPEG.
// Codec failures raise EImageError with libjpeg's own message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "movie/BMPReader.h"

namespace reelcast {

struct TDecodedJpeg {
  int Width = 0;
  int Height = 0;
  bool Progressive = false;
  std::vector<uint8_t> Rgb;  // 3 bytes a pixel, rows top to bottom
};

// Width and height from the first baseline or extended sequential frame
// header (SOF0 or SOF1). False, with both 0, when the file does not start
// with a JPEG start marker or no such header comes before the first scan
// (a progressive picture, say).
bool ReadJPEGSize(const std::string& fileName, int& width, int& height);
bool ReadJPEGSize(const uint8_t* data, size_t size, int& width, int& height);

TDecodedJpeg DecodeJpeg(const std::vector<uint8_t>& bytes);
// A baseline JPEG of RGB pixels with the codec's default settings.
std::vector<uint8_t> EncodeBaselineJpeg(const uint8_t* rgb, int width, int height,
                                        int quality = 75);

}  // namespace reelcast
