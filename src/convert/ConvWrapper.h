// The codec bridge: one conversion job's segments handed to the slide
// decoder and converter calls, merged onto one output time line into one
// FLV file, with the progress counters and the notices it gives its job
// (EncodeProgress on progress, EncodeDone at the end).
#pragma once

#include <chrono>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "convert/JobMessages.h"
#include "platform/DvdDecoder.h"
#include "platform/EncoderManager.h"

namespace reelcast {

struct TVideoSource;
struct TAudioSource;
struct TConverter;
struct TProgressReport;

// Segment states.
enum : int32_t { kSegmentNotStarted = 0, kSegmentStarted = 1, kSegmentStartFailed = 3 };

// One source of the job; the progress window builds it from a task.
struct TSegment {
  std::string SourcePath;            // the DVD information file (or a media file)
  TVideoDecoderParams VideoStream;   // the subtitle stream to burn in
  TAudioDecoderParams AudioStream;   // the audio track
  int32_t Volume = 100;
  int32_t Brightness = 0;
  int32_t Contrast = 0;
  int32_t Saturation = 0;
  uint32_t Effect = 0;               // 1 gray, 2 emboss, 4 negative, 32 old film
  int32_t PictureValue = 0;          // a further picture value, passed through
  int32_t CropLeft = 0;
  int32_t CropTop = 0;
  int32_t CropRight = 0;             // a coordinate: source width minus the right margin
  int32_t CropBottom = 0;
  double StartTime = 0;              // seconds in the source
  double EndTime = 0;
  int64_t Reserved1 = 0;
  TEncoderParams Encoder;            // the 112-byte encoder block
  std::string OutputPath;            // the temporary FLV
  int32_t Status = kSegmentNotStarted;
  int32_t Reserved2 = 0;
};

class TConvWrapper {
 public:
  // Called on the converter's threads with EncodeProgress or EncodeDone
  // (failed: the conversion stopped on an error, LastError says why). It
  // must return quickly and must not destroy the bridge.
  using TNotify = std::function<void(TJobEventKind kind, bool failed)>;

  // merged is always true in this program.
  TConvWrapper(TNotify notify, bool merged);
  ~TConvWrapper();
  TConvWrapper(const TConvWrapper&) = delete;
  TConvWrapper& operator=(const TConvWrapper&) = delete;

  void AddSegment(const TSegment& segment);
  // Starts the merged conversion and returns at once; false when the
  // converter refused to start (every segment is then marked 3).
  bool Start();
  void Pause();
  // After Pause: waits (at most timeout) until the converter holds at its
  // next frame; true once it does.
  bool WaitHeld(std::chrono::milliseconds timeout);
  void Resume();
  // Returns when the converter has stopped; no message comes after it.
  void Stop();

  // Counters, read while handling 4024.
  int32_t OverallPercent() const { return overallPercent_; }
  int32_t SegmentPercent() const { return segmentPercent_; }
  int32_t ElapsedSeconds() const { return elapsedSeconds_; }
  // round((total - done) / speed); 0 while the speed is 0.
  int32_t RemainingSeconds() const { return remainingSeconds_; }
  int32_t CurrentFrame() const { return currentFrame_; }
  double TotalDuration() const { return totalDuration_; }
  double Done() const { return done_; }
  double Speed() const { return speed_; }
  const std::vector<TSegment>& Segments() const { return segments_; }
  bool Merged() const { return merged_; }
  // Why the conversion failed (after a failed EncodeDone, or a refused
  // start).
  std::string LastError() const;

 private:
  static int Callback(void* userData, int32_t kind, int32_t value, const TProgressReport* report);
  void OnReport(const TProgressReport& report);
  int32_t Elapsed() const;

  std::atomic<int32_t> currentFrame_{0};
  std::atomic<double> totalDuration_{0};
  std::atomic<double> done_{0};
  std::atomic<int32_t> value2_{0};
  std::atomic<int32_t> overallPercent_{0};
  std::atomic<int32_t> segmentPercent_{0};
  int32_t segmentIndex_ = 0;
  std::atomic<int32_t> elapsedSeconds_{0};
  std::atomic<int32_t> remainingSeconds_{0};
  std::atomic<double> position_{0};
  std::atomic<double> segmentLength_{0};
  std::atomic<double> speed_{0};
  std::vector<TSegment> segments_;
  TVideoSource* videoSource_ = nullptr;
  TAudioSource* audioSource_ = nullptr;
  TConverter* converter_ = nullptr;
  bool merged_;
  std::atomic<bool> stopRequested_{false};
  TNotify notify_;
  double finishedTime_ = 0;
  int64_t startTick_ = 0;
  mutable std::mutex errorMutex_;
  std::string lastError_;
};

}  // namespace reelcast
