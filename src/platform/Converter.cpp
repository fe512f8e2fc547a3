#include "platform/Converter.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ConvertPipeline.h"

namespace reelcast {

struct TVideoSource {
  TVideoSourceParams Params;
  std::vector<std::pair<std::string, TVideoSourceEntry>> Entries;
};

struct TAudioSource {
  TAudioSourceParams Params;
  std::vector<std::pair<std::string, TAudioSourceEntry>> Entries;
};

struct TConverter {
  TVideoSource* Video = nullptr;
  TAudioSource* Audio = nullptr;
  std::string Output;
  TEncoderParams Encoder;
  bool HasEncoder = false;

  std::mutex Mutex;
  std::condition_variable Wake;
  bool Paused = false;
  bool Held = false;  // the worker waits in a pause
  bool StopRequested = false;
  std::thread Worker;
  std::string LastError;
};

TVideoSource* SDVideoCreate(const TVideoSourceParams& params) { return new TVideoSource{params, {}}; }
TAudioSource* SDAudioCreate(const TAudioSourceParams& params) { return new TAudioSource{params, {}}; }

int SDAddVideoSource(TVideoSource* source, const std::string& path, const TVideoSourceEntry& entry) {
  if (!source || path.empty() || !(entry.OutputEnd > entry.OutputStart)) return 1;
  source->Entries.emplace_back(path, entry);
  return 0;
}

int SDAddAudioSource(TAudioSource* source, const std::string& path, const TAudioSourceEntry& entry) {
  if (!source || path.empty() || !(entry.OutputEnd > entry.OutputStart)) return 1;
  source->Entries.emplace_back(path, entry);
  return 0;
}

void SDVideoDestroy(TVideoSource* source) { delete source; }
void SDAudioDestroy(TAudioSource* source) { delete source; }

TConverter* WECreate(TVideoSource* video, TAudioSource* audio) {
  auto* c = new TConverter;
  c->Video = video;
  c->Audio = audio;
  return c;
}

void WEDestroy(TConverter* converter) {
  if (!converter) return;
  WEStop(converter);
  delete converter;
}

int WESetOutputFile(TConverter* converter, const std::string& path) {
  if (!converter || path.empty()) return 1;
  converter->Output = path;
  return 0;
}

int WESetEncodeParam(TConverter* converter, const TEncoderParams* params) {
  if (!converter || !params) return 1;
  converter->Encoder = *params;
  converter->HasEncoder = true;
  return 0;
}

namespace {

// The converter's settings and entries for the engine; false with a reason
// when they cannot be converted.
bool Prepare(const TConverter& c, TEncodeSettings* settings, std::vector<TConvertEntry>* entries,
             std::string* error) {
  if (!c.Video || c.Video->Entries.empty()) {
    *error = "there is nothing to convert";
    return false;
  }
  if (c.Output.empty()) {
    *error = "no output file is set";
    return false;
  }
  if (!c.HasEncoder) {
    *error = "no encoder parameters are set";
    return false;
  }
  const TEncoderParams& p = c.Encoder;
  if (p.Container != 0 && p.Container != kContainerFlv) {
    *error = "only FLV files can be written";
    return false;
  }
  if (p.VideoDisabled != 0 || (p.VideoCodec != 0 && p.VideoCodec != kCodecFlashVideo)) {
    *error = "only Sorenson H.263 video can be written";
    return false;
  }
  const TVideoSourceParams& v = c.Video->Params;
  settings->Width = v.Width > 0 ? v.Width : (p.Width > 0 ? p.Width : 320);
  settings->Height = v.Height > 0 ? v.Height : (p.Height > 0 ? p.Height : 240);
  settings->FrameRate = v.FrameRate > 0 ? v.FrameRate : p.FrameRate;
  // The video source fits the pictures; a resize mode left in the encoder
  // block applies only when the source has none.
  settings->ResizeMode = v.ResizeMode != 0 ? v.ResizeMode : p.ResizeMode;
  settings->VideoBitrate = p.VideoBitrate > 0 ? p.VideoBitrate : 768000;
  settings->Audio = p.AudioDisabled == 0 && c.Audio != nullptr;
  if (settings->Audio && p.AudioCodec != 0 && p.AudioCodec != kCodecMp3) {
    *error = "only MP3 sound can be written";
    return false;
  }
  int rate = c.Audio && c.Audio->Params.SampleRate > 0 ? c.Audio->Params.SampleRate : p.SampleRate;
  if (rate != 11025 && rate != 22050 && rate != 44100) rate = 22050;  // the rates FLV can hold
  settings->SampleRate = rate;
  settings->Channels = 2;
  settings->AudioBitrate = p.AudioBitrate > 0 ? p.AudioBitrate : 64000;
  if (settings->Width < 16 || settings->Height < 16 || settings->Width > 4096 || settings->Height > 4096) {
    *error = "the picture size cannot be encoded";
    return false;
  }
  entries->clear();
  for (size_t i = 0; i < c.Video->Entries.size(); ++i) {
    const auto& [path, ve] = c.Video->Entries[i];
    TConvertEntry e;
    e.Path = path;
    e.OutputStart = ve.OutputStart;
    e.OutputEnd = ve.OutputEnd;
    e.SourceStart = ve.SourceStart;
    e.SourceEnd = ve.SourceEnd;
    e.Picture.CropLeft = ve.CropLeft;
    e.Picture.CropTop = ve.CropTop;
    e.Picture.CropRight = ve.CropRight;
    e.Picture.CropBottom = ve.CropBottom;
    e.Picture.Brightness = ve.Brightness;
    e.Picture.Contrast = ve.Contrast;
    e.Picture.Saturation = ve.Saturation;
    e.Picture.Effect = ve.Effect;
    e.SubtitleIndex = ve.Stream.SubtitleIndex;
    e.AudioTrack = -1;
    if (c.Audio && i < c.Audio->Entries.size()) {
      const TAudioSourceEntry& ae = c.Audio->Entries[i].second;
      e.Volume = ae.Volume;
      e.AudioTrack = ae.Stream.AudioTrackIndex;
    }
    entries->push_back(e);
  }
  return true;
}

}  // namespace

int WEStart(TConverter* converter, double /*start*/, double /*length*/, int32_t /*flags*/,
            TConvertCallback callback, void* userData) {
  if (!converter) return 1;
  TEncodeSettings settings;
  std::vector<TConvertEntry> entries;
  std::string error;
  std::lock_guard lock(converter->Mutex);
  if (converter->Worker.joinable()) {
    converter->LastError = "the conversion is already running";
    return 2;
  }
  if (!Prepare(*converter, &settings, &entries, &error)) {
    converter->LastError = error;
    return 3;
  }
  converter->StopRequested = false;
  converter->Paused = false;
  converter->Worker = std::thread([converter, settings, entries = std::move(entries), callback,
                                   userData]() mutable {
    using Clock = std::chrono::steady_clock;
    Clock::duration active{};
    Clock::time_point since = Clock::now();
    Clock::time_point lastReport{};
    const std::string output = converter->Output;
    auto tick = [&](const TConvertTick& t) {
      std::unique_lock lock(converter->Mutex);
      if (converter->Paused && !converter->StopRequested) {
        active += Clock::now() - since;
        converter->Held = true;
        converter->Wake.notify_all();
        converter->Wake.wait(lock, [&] { return !converter->Paused || converter->StopRequested; });
        converter->Held = false;
        since = Clock::now();
      }
      if (converter->StopRequested) return false;
      lock.unlock();
      Clock::time_point now = Clock::now();
      if (callback && (now - lastReport > std::chrono::milliseconds(100) || t.Position >= t.Total)) {
        lastReport = now;
        double seconds = std::chrono::duration<double>(active + (now - since)).count();
        TProgressReport report;
        report.CurrentFrame = static_cast<int32_t>(t.Frames);
        report.Value2 = static_cast<int32_t>(std::lround(settings.FrameRate));
        report.Position = t.Position;
        report.Speed = seconds > 0 ? t.Position / seconds : 0;
        callback(userData, kConvertProgress, 0, &report);
      }
      return true;
    };
    bool done = false;
    std::string error;
    try {
      TConvertPipeline pipeline(settings, std::move(entries), output);
      done = pipeline.Run(tick);
    } catch (const std::exception& e) {
      error = e.what();
    }
    bool stopped;
    {
      std::lock_guard lock(converter->Mutex);
      stopped = converter->StopRequested;
      if (!error.empty()) converter->LastError = error;
    }
    if (stopped || !callback) return;
    if (done) {
      callback(userData, kConvertPercent, 100, nullptr);
      callback(userData, kConvertFinished, 0, nullptr);
    } else {
      callback(userData, kConvertFailed, 0, nullptr);
    }
  });
  return 0;
}

int WEPause(TConverter* converter) {
  if (!converter) return 1;
  std::lock_guard lock(converter->Mutex);
  converter->Paused = true;
  return 0;
}

bool WEWaitHeld(TConverter* converter, std::chrono::milliseconds timeout) {
  if (!converter) return false;
  std::unique_lock lock(converter->Mutex);
  return converter->Wake.wait_for(lock, timeout, [&] { return converter->Held; });
}

int WEResume(TConverter* converter) {
  if (!converter) return 1;
  {
    std::lock_guard lock(converter->Mutex);
    converter->Paused = false;
  }
  converter->Wake.notify_all();
  return 0;
}

int WEStop(TConverter* converter) {
  if (!converter) return 1;
  std::thread worker;
  {
    std::lock_guard lock(converter->Mutex);
    converter->StopRequested = true;
    converter->Paused = false;
    worker = std::move(converter->Worker);
  }
  converter->Wake.notify_all();
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
  else if (worker.joinable()) worker.detach();
  return 0;
}

std::string WELastError(TConverter* converter) {
  if (!converter) return "no converter";
  std::lock_guard lock(converter->Mutex);
  return converter->LastError;
}

}  // namespace reelcast
