// The choices of the Encoder page: read from and written to the settings
// store (the one reader and writer of the encoder keys, for the desktop and
// the command line alike), applied to a task's encoder block, and the
// default encoder parameter record built from them and the encoder
// manager's format table.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/EncoderManager.h"

namespace reelcast {

struct TEncoderChoice {
  bool Resolution = false;    // "Resolution": use Width x Height
  int32_t Width = 320;        // 80..800
  int32_t Height = 240;       // 60..600
  double FrameRate = 0;       // 0 = "Keep original Frame Rate"
  int32_t BitrateKbps = 768;  // the slider position
  int32_t AspectMode = 1;     // 0 "Full screen", 1 "Keep original" (the default), 2 "16:9", 3 "4:3"
  int32_t SampleRate = 22050; // 11025, 22050 or 44100
  bool DisableAudio = false;

  // The keys "System.UserReso", "System.nWidth", "System.nHeight",
  // "System.Frame", "System.VBitrate", "System.Zoom", "System.SampleR" and
  // "System.DisableAudio"; a missing or unusable value keeps the default.
  static TEncoderChoice FromSettings();
  // Writes the same keys: "System.Frame" as a float (0 for the original
  // rate), "System.VBitrate" in bit/s, "System.Zoom", "System.SampleR",
  // "System.UserReso" and "System.DisableAudio" as 5 or 0; "System.nWidth"
  // and "System.nHeight" only when Resolution is chosen (they keep the last
  // chosen size otherwise).
  void WriteSettings() const;
};

// The output size limits: 80..800 x 60..600.
inline constexpr int32_t kMinVideoWidth = 80, kMaxVideoWidth = 800;
inline constexpr int32_t kMinVideoHeight = 60, kMaxVideoHeight = 600;
// A typed size brought into the limits (upper bounds first, then lower).
int32_t ClampVideoWidth(int32_t width);
int32_t ClampVideoHeight(int32_t height);
// "Constrain Proportion": the other side of a picture of pictureFrom x
// pictureTo (in the changed side's order) when the changed side becomes
// value; nothing when the picture side it divides by is 0.
std::optional<int32_t> ProportionalSide(int32_t value, int32_t pictureFrom, int32_t pictureTo);

// The choice written into one task's encoder block: frame rate, bit rate,
// resize mode, sample rate, the size (only when Resolution is chosen; the
// block keeps its size otherwise) and the audio-disabled flag (-1 when
// disabled, or when the block has no audio codec).
void ApplyEncoderChoice(const TEncoderChoice& choice, TEncoderParams& block);

// The frame rates the Encoder page offers besides "Keep original Frame Rate".
inline constexpr int32_t kFrameRateChoices[] = {10, 12, 15, 24, 25, 30};
// The aspect choices, "System.Zoom" 0..3.
inline constexpr const char* kAspectChoices[] = {"Full screen", "Keep original", "16:9", "4:3"};
// The sample rates offered.
inline constexpr int32_t kSampleRateChoices[] = {11025, 22050, 44100};

// The default encoder parameters: the codecs of the "flv " entry of the
// format table (its first entry when there is none; no codecs for a null
// table), 320 x 240 unless a resolution is chosen, the frame rate, the bit
// rate, the aspect mode, YV12, the sample rate, 2 channels, 64000 bit/s,
// 16 bits, container "flv "; video or audio marked disabled (-1) when the
// format has no such codec, audio also when it is switched off.
TEncoderParams DefaultEncoderParams(const TEncoderChoice& choice, const uint8_t* formatTable);

}  // namespace reelcast
