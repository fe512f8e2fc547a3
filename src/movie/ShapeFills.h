// The fill styles that shapes build from the caller's values: a linear
// gradient stretched over the shape's bounds and turned by an angle, and a
// bitmap fill placed at the bounds' corner, at a given scale, fitted to the
// bounds, or repeated.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/Shapes.h"

namespace reelcast {

// colors are packed RGBA (red in the low byte, alpha in the top byte); at
// most 15 are used. hasAlpha is set when any colour is not opaque. Ratios
// spread evenly from 0 to 255; a single colour has ratio 0.
std::unique_ptr<TSWFGradientFill> MakeGradientFill(const std::vector<uint32_t>& colors,
                                                   float angleDegrees, const TSWFRect& bounds,
                                                   bool& hasAlpha);

// mode 0: clipped, scale × 20 (1.0 shows one picture pixel a screen pixel);
// mode 1: clipped, fitted to the bounds; mode 2: repeated, scale × 20.
std::unique_ptr<TSWFImageFill> MakeImageFill(uint16_t bitmapId, int imageWidth, int imageHeight,
                                             int mode, float scaleX, float scaleY,
                                             const TSWFRect& bounds);

}  // namespace reelcast
