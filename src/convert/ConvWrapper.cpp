#include "convert/ConvWrapper.h"

#include <chrono>
#include <cmath>

#include "app/Config.h"
#include "platform/Converter.h"

namespace reelcast {
namespace {

int64_t TickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Rounds to the nearest integer, halves to the even neighbour.
int32_t RoundEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

}  // namespace

TConvWrapper::TConvWrapper(TNotify notify, bool merged) : merged_(merged), notify_(std::move(notify)) {}

TConvWrapper::~TConvWrapper() {
  if (converter_) WEDestroy(converter_);
  SDVideoDestroy(videoSource_);
  SDAudioDestroy(audioSource_);
  segments_.clear();
}

void TConvWrapper::AddSegment(const TSegment& segment) { segments_.push_back(segment); }

bool TConvWrapper::Start() {
  finishedTime_ = 0;
  startTick_ = TickCount();
  double total = 0;
  for (const TSegment& s : segments_) total += s.EndTime - s.StartTime;
  totalDuration_ = total;
  segmentIndex_ = 0;
  if (segments_.empty()) {
    std::lock_guard lock(errorMutex_);
    lastError_ = "there is nothing to convert";
    return false;
  }
  // The video source fits the pictures to the first segment's size and
  // resize mode; the converter then must not resize again.
  TSegment& first = segments_[0];
  TVideoSourceParams vp;
  vp.Width = first.Encoder.Width;
  vp.Height = first.Encoder.Height;
  vp.FrameRate = first.Encoder.FrameRate;
  vp.ResizeMode = first.Encoder.ResizeMode;
  first.Encoder.ResizeMode = 0;
  vp.PixelFormat = first.Encoder.PixelFormat;
  videoSource_ = SDVideoCreate(vp);
  TAudioSourceParams ap;
  ap.SampleRate = first.Encoder.SampleRate;
  ap.Channels = first.Encoder.Channels;
  ap.BitsPerSample = first.Encoder.BitsPerSample;
  audioSource_ = SDAudioCreate(ap);

  double position = 0;
  for (const TSegment& s : segments_) {
    TVideoSourceEntry v;
    v.OutputStart = position;
    v.OutputEnd = position + (s.EndTime - s.StartTime);
    v.SourceStart = s.StartTime;
    v.SourceEnd = s.EndTime;
    v.CropLeft = s.CropLeft;
    v.CropTop = s.CropTop;
    v.CropRight = s.CropRight;
    v.CropBottom = s.CropBottom;
    v.Brightness = s.Brightness;
    v.Contrast = s.Contrast;
    v.Saturation = s.Saturation;
    v.Effect = s.Effect;
    v.PictureValue = s.PictureValue;
    v.Stream = s.VideoStream;
    SDAddVideoSource(videoSource_, s.SourcePath, v);
    TAudioSourceEntry a;
    a.OutputStart = v.OutputStart;
    a.OutputEnd = v.OutputEnd;
    a.SourceStart = s.StartTime;
    a.SourceEnd = s.EndTime;
    a.Volume = s.Volume;
    a.Stream = s.AudioStream;
    SDAddAudioSource(audioSource_, s.SourcePath, a);
    position = v.OutputEnd;
  }
  converter_ = WECreate(videoSource_, audioSource_);
  WESetOutputFile(converter_, first.OutputPath);
  WESetEncodeParam(converter_, &first.Encoder);
  int rc = WEStart(converter_, 0.0, 0.0, 0, &TConvWrapper::Callback, this);
  for (TSegment& s : segments_) s.Status = rc == 0 ? kSegmentStarted : kSegmentStartFailed;
  if (rc != 0) {
    std::lock_guard lock(errorMutex_);
    lastError_ = WELastError(converter_);
    NVLog("The converter did not start: " + lastError_);
  }
  return rc == 0;
}

void TConvWrapper::Pause() {
  if (converter_) WEPause(converter_);
}

bool TConvWrapper::WaitHeld(std::chrono::milliseconds timeout) {
  return converter_ && WEWaitHeld(converter_, timeout);
}

void TConvWrapper::Resume() {
  if (converter_) WEResume(converter_);
}

void TConvWrapper::Stop() {
  stopRequested_ = true;
  if (converter_) WEStop(converter_);
}

std::string TConvWrapper::LastError() const {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

int32_t TConvWrapper::Elapsed() const {
  return static_cast<int32_t>((TickCount() - startTick_) / 1000);
}

void TConvWrapper::OnReport(const TProgressReport& report) {
  const double total = totalDuration_;
  currentFrame_ = report.CurrentFrame;
  value2_ = report.Value2;
  const double done = finishedTime_ + report.Position;
  done_ = done;
  if (total > 0) {
    segmentPercent_ = RoundEven(report.Position / total * 100);
    overallPercent_ = RoundEven(done / total * 100);
  }
  elapsedSeconds_ = Elapsed();
  // A speed of 0 leaves the remaining time undefined; show 0 then.
  remainingSeconds_ = report.Speed > 0 ? RoundEven(std::max(0.0, total - done) / report.Speed) : 0;
  position_ = report.Position;
  size_t index = static_cast<size_t>(segmentIndex_);
  segmentLength_ = index < segments_.size() ? segments_[index].EndTime - segments_[index].StartTime : 0;
  speed_ = report.Speed;
}

int TConvWrapper::Callback(void* userData, int32_t kind, int32_t value, const TProgressReport* report) {
  if (!userData) return 0;
  auto* self = static_cast<TConvWrapper*>(userData);
  switch (kind) {
    case kConvertProgress:
      if (report) {
        self->OnReport(*report);
        if (self->notify_) self->notify_(TJobEventKind::EncodeProgress, false);
      }
      break;
    case kConvertFinished:
      if (self->notify_) self->notify_(TJobEventKind::EncodeDone, false);
      break;
    case kConvertFailed: {
      std::string error = WELastError(self->converter_);
      {
        std::lock_guard lock(self->errorMutex_);
        self->lastError_ = error;
      }
      NVLog("Creating the FLV file failed: " + error);
      if (self->notify_) self->notify_(TJobEventKind::EncodeDone, true);
      break;
    }
    case kConvertPercent:
      self->overallPercent_ = value;
      if (self->notify_) self->notify_(TJobEventKind::EncodeProgress, false);
      break;
    default:
      break;
  }
  return -1;
}

}  // namespace reelcast
