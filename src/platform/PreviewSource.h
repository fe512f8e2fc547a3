// What the preview plays of one title range: the title stream's pictures,
// decoded with the chosen subtitle burnt in and passed through the same
// picture graph as the conversion (crop, brightness, contrast, saturation,
// effects), as RGB pictures; and the chosen audio track through the same
// volume filter, as 16-bit stereo samples at kPreviewSampleRate. Both carry
// absolute times of the title set.
//
// One object is read by one thread; the settings may be changed between
// reads and apply from the next picture or sound block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/PictureFilters.h"
#include "platform/TitleFrameReader.h"

namespace reelcast {

inline constexpr int kPreviewSampleRate = 48000;
inline constexpr int kPreviewChannels = 2;

// Interleaved stereo samples starting at Time (absolute seconds).
struct TPreviewSound {
  double Time = 0;
  std::vector<int16_t> Samples;
  int64_t Frames() const { return static_cast<int64_t>(Samples.size()) / kPreviewChannels; }
};

enum class TPreviewItem { Picture, Sound, End };

class TPreviewSource {
 public:
  // Opens [start, end) in absolute seconds of the title holding start; the
  // audio track and subtitle stream of those indexes (out of range: none).
  // Throws ETitleStream when the title set, its VOBs or the range are bad.
  TPreviewSource(const std::string& ifoPath, double start, double end, int audioTrack,
                 int subtitleIndex);
  ~TPreviewSource();
  TPreviewSource(const TPreviewSource&) = delete;
  TPreviewSource& operator=(const TPreviewSource&) = delete;

  // Reads on to the next picture (from the one shown at the range start,
  // up to the range end) or sound block (cut to the range). End when the
  // range is done, or when the VOBs end early or cannot be read (Error()
  // then says why).
  TPreviewItem Next(TRgbImage* picture, TPreviewSound* sound);

  void SetPicture(const TPictureSettings& settings);
  void SetVolume(int32_t volume);
  // The last picture read, filtered again with the current settings; false
  // when no picture has been read yet.
  bool Redraw(TRgbImage* picture);

  bool HasAudio() const;
  double Start() const;
  double End() const;
  double FrameRate() const;
  const std::string& Error() const;

  struct TImpl;

 private:
  std::unique_ptr<TImpl> impl_;
};

}  // namespace reelcast
