// Making media files with ffmpeg and looking inside results with ffprobe
// and ffmpeg, for the tests of the conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Json.h"
#include "support/TestEnv.h"

namespace reelcast::test {

// Runs ffmpeg (quiet, overwriting) with these arguments; throws with its
// output when it fails.
void RunFfmpeg(const std::vector<std::string>& args);

// ffprobe's -show_streams -show_format -count_frames as JSON.
JsonValue ProbeMedia(const fs::path& file);
// The first stream of that type ("video", "audio"); a null value if none.
const JsonValue& ProbeStream(const JsonValue& probe, const std::string& type);

struct TRgbFrame {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Pixels;  // RGB, rows top-down
  const uint8_t* At(int x, int y) const { return &Pixels[(static_cast<size_t>(y) * Width + x) * 3]; }
  // Mean of one channel (0 R, 1 G, 2 B) over a rectangle.
  double Mean(int channel, int x0, int y0, int x1, int y1) const;
};

// The picture shown at time t (seconds) of a video file, decoded by ffmpeg.
TRgbFrame DecodeFrame(const fs::path& file, double t);
// The n-th picture (0-based, in decoding order) of a video file.
TRgbFrame DecodeFrameNumber(const fs::path& file, int n);
// The share (0..1) of pixels of a rectangle that are clearly red.
double RedShare(const TRgbFrame& f, int x0, int y0, int x1, int y1);
// The whole first audio stream as mono 16-bit samples at the given rate.
std::vector<int16_t> DecodeAudio(const fs::path& file, int rate);
// Root mean square of samples [from, to) seconds.
double Rms(const std::vector<int16_t>& samples, int rate, double from, double to);
// The strongest frequency of a stretch of samples (a sine's pitch), by
// scanning 50..4000 Hz in 10 Hz steps.
double Pitch(const std::vector<int16_t>& samples, int rate, double from, double to);

}  // namespace reelcast::test
