#include "movie/ShapeFills.h"

#include <algorithm>
#include <cmath>

namespace reelcast {

std::unique_ptr<TSWFGradientFill> MakeGradientFill(const std::vector<uint32_t>& colors,
                                                   float angleDegrees, const TSWFRect& bounds,
                                                   bool& hasAlpha) {
  auto fill = std::make_unique<TSWFGradientFill>();
  size_t n = std::min<size_t>(colors.size(), 15);
  fill->Count = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    fill->Colors[i].SetRGBA(colors[i]);
    if ((colors[i] >> 24) != 255) hasAlpha = true;
    fill->Ratios[i] =
        n > 1 ? static_cast<uint8_t>(std::nearbyint(double(i) / double(n - 1) * 255)) : 0;
  }
  double a = angleDegrees * M_PI / 180;
  double w = bounds.Xmax() - bounds.Xmin(), h = bounds.Ymax() - bounds.Ymin();
  fill->GradientMatrix.SetScale(static_cast<float>(std::cos(a) * w / 32768),
                                static_cast<float>(std::cos(a) * h / 32768));
  double skew1 = std::sin(a) * w / 32768, skew0 = -std::sin(a) * h / 32768;
  if (skew1 != 0 || skew0 != 0)
    fill->GradientMatrix.SetSkew(static_cast<float>(skew1), static_cast<float>(skew0));
  fill->GradientMatrix.SetTranslate(bounds.Xmin() + static_cast<int32_t>(w) / 2,
                                    bounds.Ymin() + static_cast<int32_t>(h) / 2);
  return fill;
}

std::unique_ptr<TSWFImageFill> MakeImageFill(uint16_t bitmapId, int imageWidth, int imageHeight,
                                             int mode, float scaleX, float scaleY,
                                             const TSWFRect& bounds) {
  auto fill = std::make_unique<TSWFImageFill>(mode == 2 ? 0x40 : 0x41);
  fill->BitmapId = bitmapId;
  float sx = scaleX * 20, sy = scaleY * 20;
  if (mode == 1) {
    double w = bounds.Xmax() - bounds.Xmin(), h = bounds.Ymax() - bounds.Ymin();
    sx = static_cast<float>(std::min(16383.0, w / std::max(1, imageWidth) + 15.0 / 4096));
    sy = static_cast<float>(std::min(16383.0, h / std::max(1, imageHeight) + 15.0 / 4096));
  }
  fill->BitmapMatrix.SetScale(sx, sy);
  fill->BitmapMatrix.SetTranslate(bounds.Xmin() - 5, bounds.Ymin() - 5);
  return fill;
}

}  // namespace reelcast
