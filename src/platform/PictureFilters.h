// The libavfilter descriptions of the picture and sound adjustments a user
// makes to a source (crop, brightness, contrast, saturation, effects,
// volume) and of the resize modes of the encoder settings. The converter
// and the preview build their filter graphs from the same texts, so a
// preview shows what the conversion will make.
#pragma once

#include <cstdint>
#include <string>

namespace reelcast {

// Effect flags, as the Edit page stores them.
inline constexpr uint32_t kPictureGray = 1;
inline constexpr uint32_t kPictureEmboss = 2;
inline constexpr uint32_t kPictureNegative = 4;
inline constexpr uint32_t kPictureOldFilm = 32;

struct TPictureSettings {
  // The kept rectangle in source pixels; right and bottom are coordinates.
  // All 0 is no crop; a right or bottom of 0 means the picture's edge.
  int32_t CropLeft = 0, CropTop = 0, CropRight = 0, CropBottom = 0;
  int32_t Brightness = 0;  // -100..100, 0 unchanged
  int32_t Contrast = 0;    // -100..100
  int32_t Saturation = 0;  // -100..100
  uint32_t Effect = 0;     // kPicture* flags
};

// The crop rectangle actually applied to a width x height picture: clamped
// into the picture, at least 2 x 2 pixels, even origin and size (the
// pictures are 4:2:0). Returns false when no crop applies.
bool EffectiveCrop(const TPictureSettings& s, int width, int height, int* x, int* y, int* w,
                   int* h);

// Filters for a width x height picture (comma-separated, no labels); "null"
// when nothing changes the picture.
//   brightness b -> eq brightness b/200 (-0.5..0.5)
//   contrast c, saturation s -> eq contrast 1+c/100, saturation 1+s/100 (0..2)
//   Gray -> no colour; Emboss -> grey relief from the luma edges;
//   Negative -> inverted colours; Old Film -> sepia, grain and a vignette.
std::string PictureFilterChain(const TPictureSettings& s, int width, int height);

// Scales a picture of display aspect sourceAspect (width / height as shown)
// to width x height by resize mode: 0 "Full screen" stretches, 1 "Keep
// original" fits the source aspect inside and pads with black, 2 "16:9" and
// 3 "4:3" fit that aspect. Ends with square pixels.
std::string ResizeFilterChain(int resizeMode, double sourceAspect, int width, int height);

// Volume 0..200 (100 unchanged) as a filter; "anull" for 100.
std::string VolumeFilter(int32_t volume);

}  // namespace reelcast
