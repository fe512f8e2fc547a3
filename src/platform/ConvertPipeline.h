// The conversion engine behind the converter calls: the entries of a video
// and an audio source list, decoded one after another onto one output time
// line, each through its own filter graph (subtitle burn-in, crop, picture
// adjustments, effects, resize; volume, resample), and encoded as Sorenson
// H.263 and MP3 into one FLV file. The run happens on the calling thread;
// the converter puts it on a worker thread and steers it through the tick.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/PictureFilters.h"

namespace reelcast {

class EConvert : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One source entry: where it sits on the output time line, what part of the
// source it plays and how it is adjusted.
struct TConvertEntry {
  std::string Path;          // DVD information file or media file
  double OutputStart = 0;    // seconds on the output time line
  double OutputEnd = 0;
  double SourceStart = 0;    // seconds in the source
  double SourceEnd = 0;
  TPictureSettings Picture;
  int32_t Volume = 100;      // 0..200
  int32_t AudioTrack = 0;    // index of the audio stream; out of range: silence
  int32_t SubtitleIndex = -1;// index of the subtitle stream burnt in; out of range: none
};

struct TEncodeSettings {
  int32_t Width = 320;
  int32_t Height = 240;
  double FrameRate = 0;       // 0: the first source's rate
  int32_t VideoBitrate = 768000;
  int32_t ResizeMode = 0;     // 0 full screen, 1 keep original, 2 16:9, 3 4:3
  bool Audio = true;          // false: no audio stream
  int32_t SampleRate = 22050;
  int32_t Channels = 2;
  int32_t AudioBitrate = 64000;
};

struct TConvertTick {
  int64_t Frames = 0;       // video frames written
  double Position = 0;      // seconds of the output written
  double Total = 0;         // seconds of the whole output
};

class TConvertPipeline {
 public:
  // tick is called after every output frame (and at least every few hundred
  // milliseconds of audio-only work); returning false stops the run.
  using TTickFunction = std::function<bool(const TConvertTick&)>;

  TConvertPipeline(TEncodeSettings settings, std::vector<TConvertEntry> entries,
                   std::string outputPath);
  ~TConvertPipeline();

  // Encodes everything into outputPath. The file appears only when the run
  // completes: it is written under a scratch name beside it and renamed at
  // the end, and the scratch file is deleted on a stop or a failure.
  // Returns false when the tick stopped the run; throws EConvert on failure.
  bool Run(const TTickFunction& tick);

  struct TImpl;

 private:
  TEncodeSettings settings_;
  std::vector<TConvertEntry> entries_;
  std::string outputPath_;
};

}  // namespace reelcast
