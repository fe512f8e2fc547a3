#include "support/PngImage.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace reelcast::test {

bool Rgba::Near(const Rgba& o, int t) const {
  return std::abs(R - o.R) <= t && std::abs(G - o.G) <= t && std::abs(B - o.B) <= t &&
         std::abs(A - o.A) <= t;
}

std::string Rgba::ToString() const {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", R, G, B);
  return text;
}

PngImage PngImage::Load(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    throw std::runtime_error("cannot read PNG " + path.string() + ": " + image.message);
  image.format = PNG_FORMAT_RGBA;
  PngImage result;
  result.width_ = static_cast<int>(image.width);
  result.height_ = static_cast<int>(image.height);
  result.rgba_.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, result.rgba_.data(), 0, nullptr)) {
    png_image_free(&image);
    throw std::runtime_error("cannot decode PNG " + path.string() + ": " + image.message);
  }
  return result;
}

Rgba PngImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    throw std::out_of_range("pixel " + std::to_string(x) + "," + std::to_string(y) +
                            " outside a " + std::to_string(width_) + "x" +
                            std::to_string(height_) + " picture");
  const uint8_t* p = &rgba_[(static_cast<size_t>(y) * width_ + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

double PngImage::DifferenceFraction(const PngImage& other, int tolerance) const {
  if (width_ != other.width_ || height_ != other.height_ || rgba_.empty()) return 1.0;
  size_t differ = 0;
  for (size_t i = 0; i < rgba_.size(); i += 4) {
    for (size_t c = 0; c < 4; ++c) {
      if (std::abs(rgba_[i + c] - other.rgba_[i + c]) > tolerance) {
        ++differ;
        break;
      }
    }
  }
  return static_cast<double>(differ) / (rgba_.size() / 4);
}

double PngImage::DifferenceFraction(const PngImage& other, int tolerance, int x, int y, int w,
                                    int h) const {
  if (width_ != other.width_ || height_ != other.height_ || rgba_.empty()) return 1.0;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  if (x0 >= x1 || y0 >= y1) return 1.0;
  size_t differ = 0;
  for (int row = y0; row < y1; ++row) {
    for (int col = x0; col < x1; ++col) {
      const size_t i = (static_cast<size_t>(row) * width_ + col) * 4;
      for (size_t c = 0; c < 4; ++c) {
        if (std::abs(rgba_[i + c] - other.rgba_[i + c]) > tolerance) {
          ++differ;
          break;
        }
      }
    }
  }
  return static_cast<double>(differ) / (static_cast<size_t>(x1 - x0) * (y1 - y0));
}

double PngImage::CoverFraction(const Rgba& colour, int x, int y, int w, int h,
                               int tolerance) const {
  size_t total = 0, near = 0;
  for (int j = std::max(0, y); j < std::min(height_, y + h); ++j)
    for (int i = std::max(0, x); i < std::min(width_, x + w); ++i) {
      ++total;
      if (Pixel(i, j).Near(colour, tolerance)) ++near;
    }
  return total ? static_cast<double>(near) / total : 0.0;
}

}  // namespace reelcast::test
