#include "platform/PictureFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace reelcast {
namespace {

std::string Format(const char* fmt, double a = 0, double b = 0, double c = 0, double d = 0) {
  char text[256];
  std::snprintf(text, sizeof text, fmt, a, b, c, d);
  return text;
}

void Append(std::string& chain, const std::string& filter) {
  if (!chain.empty()) chain += ',';
  chain += filter;
}

int Even(int v) { return v & ~1; }

}  // namespace

bool EffectiveCrop(const TPictureSettings& s, int width, int height, int* x, int* y, int* w,
                   int* h) {
  if (s.CropLeft == 0 && s.CropTop == 0 && s.CropRight == 0 && s.CropBottom == 0) return false;
  int left = std::clamp(s.CropLeft, 0, width - 2);
  int top = std::clamp(s.CropTop, 0, height - 2);
  int right = s.CropRight <= 0 ? width : std::min(s.CropRight, width);
  int bottom = s.CropBottom <= 0 ? height : std::min(s.CropBottom, height);
  left = Even(left);
  top = Even(top);
  int cw = Even(std::max(2, right - left));
  int ch = Even(std::max(2, bottom - top));
  cw = std::min(cw, Even(width - left));
  ch = std::min(ch, Even(height - top));
  if (left == 0 && top == 0 && cw >= Even(width) && ch >= Even(height)) return false;
  *x = left;
  *y = top;
  *w = cw;
  *h = ch;
  return true;
}

std::string PictureFilterChain(const TPictureSettings& s, int width, int height) {
  std::string chain;
  int x, y, w, h;
  if (EffectiveCrop(s, width, height, &x, &y, &w, &h))
    Append(chain, Format("crop=%.0f:%.0f:%.0f:%.0f", w, h, x, y));
  int b = std::clamp(s.Brightness, -100, 100);
  int c = std::clamp(s.Contrast, -100, 100);
  int sat = std::clamp(s.Saturation, -100, 100);
  if (b || c || sat)
    Append(chain, Format("eq=brightness=%.4f:contrast=%.4f:saturation=%.4f", b / 200.0,
                         1.0 + c / 100.0, 1.0 + sat / 100.0));
  if (s.Effect & kPictureGray) Append(chain, "hue=s=0");
  if (s.Effect & kPictureEmboss)
    // Luma edges over mid grey; the colour goes.
    Append(chain,
           "hue=s=0,convolution=0m='-1 -1 0 -1 0 1 0 1 1':0bias=128:"
           "1m='0 0 0 0 1 0 0 0 0':2m='0 0 0 0 1 0 0 0 0'");
  if (s.Effect & kPictureNegative) Append(chain, "negate");
  if (s.Effect & kPictureOldFilm)
    Append(chain,
           "colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,"
           "noise=alls=12:allf=t,vignette=PI/5,format=yuv420p");
  return chain.empty() ? "null" : chain;
}

std::string ResizeFilterChain(int resizeMode, double sourceAspect, int width, int height) {
  double aspect = 0;
  switch (resizeMode) {
    case 1: aspect = sourceAspect; break;
    case 2: aspect = 16.0 / 9.0; break;
    case 3: aspect = 4.0 / 3.0; break;
    default: break;
  }
  if (aspect <= 0 || !std::isfinite(aspect))
    return Format("scale=%.0f:%.0f:flags=bicubic,setsar=1", width, height);
  // The largest picture of that aspect inside width x height, even sized.
  int w = width, h = static_cast<int>(std::lround(width / aspect));
  if (h > height) {
    h = height;
    w = static_cast<int>(std::lround(height * aspect));
  }
  w = std::max(2, std::min(width, w + (w & 1)));
  h = std::max(2, std::min(height, h + (h & 1)));
  return Format("scale=%.0f:%.0f:flags=bicubic,setsar=1,", w, h) +
         Format("pad=%.0f:%.0f:%.0f:%.0f:black", width, height, (width - w) / 2, (height - h) / 2);
}

std::string VolumeFilter(int32_t volume) {
  int v = std::clamp(volume, 0, 200);
  if (v == 100) return "anull";
  return Format("volume=%.2f", v / 100.0);
}

}  // namespace reelcast
