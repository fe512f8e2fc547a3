#include "sources/Task.h"

#include <cmath>

namespace reelcast {

TVideoDecoderParams TTask::VideoStreamSelection() const {
  TVideoDecoderParams p;
  p.SubtitleIndex = SubtitleIndex;
  return p;
}

TAudioDecoderParams TTask::AudioStreamSelection() const {
  TAudioDecoderParams p;
  p.AudioTrackIndex = AudioTrackIndex;
  return p;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace reelcast
