// A PNG picture read into memory as 8-bit RGBA, for tests that look at what
// a player or a renderer showed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace reelcast::test {

struct Rgba {
  uint8_t R = 0, G = 0, B = 0, A = 0;
  // True when every channel of both colours is within tolerance.
  bool Near(const Rgba& other, int tolerance = 8) const;
  std::string ToString() const;  // "#RRGGBB"
};

class PngImage {
 public:
  // Throws std::runtime_error when the file is missing or not a PNG.
  static PngImage Load(const std::filesystem::path& path);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgba Pixel(int x, int y) const;  // throws std::out_of_range outside the picture

  // The share of pixels (0..1) whose colour differs from the same pixel of
  // other by more than tolerance in some channel; 1 when the sizes differ.
  double DifferenceFraction(const PngImage& other, int tolerance = 8) const;
  // The same within the rectangle (clipped to the picture); 1 when the sizes
  // differ or nothing of it lies inside.
  double DifferenceFraction(const PngImage& other, int tolerance, int x, int y, int w, int h) const;

  // The share of pixels (0..1) in the rectangle near the given colour.
  double CoverFraction(const Rgba& colour, int x, int y, int w, int h, int tolerance = 8) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> rgba_;
};

}  // namespace reelcast::test
