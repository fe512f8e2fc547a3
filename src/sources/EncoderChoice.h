// The choices of the Encoder page that the default encoder parameters of
// every task are built from, read from the settings store, and the default
// encoder parameter record built from them and the encoder manager's format
// table.
#pragma once

#include <cstdint>

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
};

// The frame rates the Encoder page offers besides "Keep original Frame Rate".
inline constexpr int32_t kFrameRateChoices[] = {10, 12, 15, 24, 25, 30};

// The default encoder parameters: the codecs of the "flv " entry of the
// format table (its first entry when there is none; no codecs for a null
// table), 320 x 240 unless a resolution is chosen, the frame rate, the bit
// rate, the aspect mode, YV12, the sample rate, 2 channels, 64000 bit/s,
// 16 bits, container "flv "; video or audio marked disabled (-1) when the
// format has no such codec, audio also when it is switched off.
TEncoderParams DefaultEncoderParams(const TEncoderChoice& choice, const uint8_t* formatTable);

}  // namespace reelcast
