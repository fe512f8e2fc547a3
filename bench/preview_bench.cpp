// The preview engine playing the DVD's PAL title (720 x 576, 25 fps, AC-3)
// without a display, with every adjustment on (crop, brightness, contrast,
// saturation, the Old Film effect, volume 150), against the ffmpeg command
// line doing the same work in real time in the same run (-re, the same
// filter chain text, the same sound conversion, output discarded).
//
//   preview_bench [DVD_FOLDER] [ROUNDS]   (default: the fixture DVD, 5 rounds)
//
// Prints:
//   - processor share of one core while playing in real time, the engine's
//     and ffmpeg's, and their ratio (the aim is at most 50 % for the engine);
//   - the audio/video distance: for every picture shown, its time against
//     the time of the sound the card plays at that moment (a card that
//     plays 48,000 frames a second of wall time), largest over all rounds
//     (the aim is 40 ms);
//   - how long a seek of a paused preview takes until the picture at the
//     new time is shown, median and largest, against ffmpeg seeking to the
//     same times and filtering one picture (the aim is 150 ms).
#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DvdDecoder.h"
#include "platform/PictureFilters.h"
#include "platform/PreviewSource.h"
#include "sources/PreviewEngine.h"

namespace fs = std::filesystem;
using namespace reelcast;
using TClock = std::chrono::steady_clock;

namespace {

double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::atomic<int64_t> gWritten{0};  // frames given to the cards of a round

// A sound card that plays 48,000 frames a second of wall time while it has
// sound to play (it stops when it runs dry, as a real one underruns), and
// takes at most a quarter of a second ahead.
class TWallClockCard : public TAudioDevice {
 public:
  bool Open(int, int) override {
    Flush();
    return true;
  }
  int64_t Write(const int16_t*, int64_t frames) override {
    std::lock_guard lock(mutex_);
    Advance();
    const int64_t room = std::max<int64_t>(0, played_ + kPreviewSampleRate / 4 - written_);
    const int64_t n = std::min(frames, room);
    written_ += n;
    gWritten += n;
    return n;
  }
  int64_t PlayedFrames() override {
    std::lock_guard lock(mutex_);
    Advance();
    return played_;
  }
  void Pause() override {
    std::lock_guard lock(mutex_);
    Advance();
    paused_ = true;
  }
  void Resume() override {
    std::lock_guard lock(mutex_);
    last_ = TClock::now();
    paused_ = false;
  }
  void Flush() override {
    std::lock_guard lock(mutex_);
    last_ = TClock::now();
    played_ = written_ = 0;
    carry_ = 0;
  }

 private:
  void Advance() {
    const auto now = TClock::now();
    if (!paused_) {
      carry_ += Seconds(now - last_) * kPreviewSampleRate;
      const auto whole = static_cast<int64_t>(carry_);
      carry_ -= static_cast<double>(whole);
      played_ = std::min(written_, played_ + whole);
      if (played_ == written_) carry_ = 0;  // dry: the clock waits for sound
    }
    last_ = now;
  }
  std::mutex mutex_;
  TClock::time_point last_ = TClock::now();
  bool paused_ = false;
  int64_t played_ = 0, written_ = 0;
  double carry_ = 0;
};

TWallClockCard* gCard = nullptr;

// Remembers, for every picture, its time against the sound then playing.
class TMeasuringView : public TPlayerView {
 public:
  double RangeStart = 0;
  void ShowPicture(std::shared_ptr<const TRgbImage> picture) override {
    const double sound = gCard ? RangeStart + gCard->PlayedFrames() / double(kPreviewSampleRate) : 0;
    std::lock_guard lock(mutex_);
    last_ = picture;
    if (gCard && measuring_) {
      const double d = std::abs(picture->Time - sound);
      if (d > worst_) worstAt_ = picture->Time;
      worst_ = std::max(worst_, d);
      distances_.push_back(d);
    }
    ++count_;
    shown_.notify_all();
  }
  void Measure(bool on) {
    std::lock_guard lock(mutex_);
    measuring_ = on;
  }
  double Worst() {
    std::lock_guard lock(mutex_);
    return worst_;
  }
  double WorstAt() {
    std::lock_guard lock(mutex_);
    return worstAt_;
  }
  std::vector<double> Distances() {
    std::lock_guard lock(mutex_);
    return distances_;
  }
  // Waits for a picture within half a frame of t; false after 10 s.
  bool WaitForTime(double t) {
    std::unique_lock lock(mutex_);
    return shown_.wait_for(lock, std::chrono::seconds(10),
                           [&] { return last_ && std::abs(last_->Time - t) < 0.021; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable shown_;
  std::shared_ptr<const TRgbImage> last_;
  bool measuring_ = false;
  double worst_ = 0;
  double worstAt_ = 0;
  std::vector<double> distances_;
  int64_t count_ = 0;
};

struct TPreview {
  TVideoDecoderHandle VideoDecoder = 0;
  TAudioDecoderHandle AudioDecoder = 0;
  TVideoProcessorHandle Video = 0;
  TAudioProcessorHandle Audio = 0;
  TPlayerHandle Player = 0;
  TMessageQueue Window;

  TPreview(const std::string& ifo, TPlayerView* view) {
    TVideoDecoderParams vp;
    vp.SubtitleIndex = -1;
    int32_t error = 0;
    VideoDecoder = WVDCreate(ifo, &vp, &error);
    TAudioDecoderParams ap;
    AudioDecoder = WADCreate(ifo, &ap);
    Video = PCCreateVideoProcessor(VideoDecoder);
    Audio = PCCreateAudioProcessor(AudioDecoder);
    Player = VPCreate(view, 0, 0, 0, 0);
    VPConnect(Player, Video, Audio);
    VPSetCallBack(Player, Window.Handle());
  }
  ~TPreview() {
    VPStop(Player);
    PCDestroyVideoProcessor(Video);
    PCDestroyAudioProcessor(Audio);
    WVDDestroy(VideoDecoder);
    WADDestroy(AudioDecoder);
    VPDestory(Player);
  }
  bool WaitForEnd() {
    const auto until = TClock::now() + std::chrono::seconds(120);
    while (TClock::now() < until)
      for (const TMessage& m : Window.WaitAndDrain(std::chrono::milliseconds(100)))
        if (m.Msg == WM_PLAYERNOTIFY && m.WParam == kPlayerEnd) return true;
    return false;
  }
};

constexpr int32_t kBrightness = 20, kContrast = 15, kSaturation = -30, kVolume = 150;
const TCropRect kCrop{16, 16, 704, 560};

TPictureSettings Adjustments() {
  TPictureSettings s;
  s.CropLeft = kCrop.Left;
  s.CropTop = kCrop.Top;
  s.CropRight = kCrop.Right;
  s.CropBottom = kCrop.Bottom;
  s.Brightness = kBrightness;
  s.Contrast = kContrast;
  s.Saturation = kSaturation;
  s.Effect = kPictureOldFilm;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = fs::temp_directory_path() / ("reelcast-preview-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  fs::path dvd;
  if (argc > 1) {
    dvd = argv[1];
  } else {
    dvd = work / "dvd";
    const fs::path script = fs::path(REELCAST_SOURCE_DIR) / "tests" / "fixtures" / "make_dvd.sh";
    if (bench::RunProgram({"bash", script.string(), dvd.string()}) != 0) {
      std::fprintf(stderr, "preview_bench: cannot make the fixture DVD with %s\n", script.c_str());
      return 1;
    }
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string ifo = (dvd / "VIDEO_TS" / "VTS_01_0.IFO").string();
  const std::string vob = (dvd / "VIDEO_TS" / "VTS_01_1.VOB").string();
  TIfoHandle h = IFOOpen(ifo);
  const double length = IFOGetTitleLength(h, 0);
  IFOClose(h);
  if (length <= 0) {
    std::fprintf(stderr, "preview_bench: no title 1 in %s\n", dvd.c_str());
    return 1;
  }

  // Real-time play with every adjustment, on the wall-clock card.
  SetAudioDeviceFactory([] {
    auto card = std::make_unique<TWallClockCard>();
    gCard = card.get();
    return card;
  });
  double engineCpu = 0, engineWall = 0, worstDrift = 0, worstDriftAt = 0;
  std::vector<double> drifts;
  for (int round = 0; round < rounds; ++round) {
    TMeasuringView view;
    view.RangeStart = 0;
    TPreview preview(ifo, &view);
    PCSetCropRect(preview.Video, &kCrop);
    PCSetVideoBrightness(preview.Video, kBrightness);
    PCSetContrast(preview.Video, kContrast);
    PCSetVideoSaturation(preview.Video, kSaturation);
    PCSetExFilterFlag(preview.Video, kEffectOldFilm);
    PCSetVolum(preview.Audio, kVolume);
    VPSetPlayTime(preview.Player, 0, length);
    view.Measure(true);
    gWritten = 0;
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const auto wall0 = TClock::now();
    VPPlay(preview.Player);
    if (!preview.WaitForEnd()) {
      std::fprintf(stderr, "preview_bench: the play did not end\n");
      return 1;
    }
    engineWall += Seconds(TClock::now() - wall0);
    engineCpu += CpuSeconds(RUSAGE_SELF) - cpu0;
    if (view.Worst() > worstDrift) worstDriftAt = view.WorstAt();
    worstDrift = std::max(worstDrift, view.Worst());
    for (double d : view.Distances()) drifts.push_back(d);
    if (gWritten == 0) std::fprintf(stderr, "preview_bench: the card got no sound\n");
    gCard = nullptr;  // gone with the player's thread
  }
  SetAudioDeviceFactory(nullptr);

  // ffmpeg doing the same in real time.
  const std::string chain = PictureFilterChain(Adjustments(), 720, 576) + ",format=rgb24";
  double ffmpegCpu = 0, ffmpegWall = 0;
  for (int round = 0; round < rounds; ++round) {
    const double cpu0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto wall0 = TClock::now();
    bench::RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-t", std::to_string(length), "-i", vob,
                       "-map", "0:v:0", "-map", "0:a:0", "-vf", chain, "-af",
                       VolumeFilter(kVolume) + ",aresample=48000", "-ac", "2", "-c:a", "pcm_s16le", "-c:v",
                       "rawvideo", "-f", "null", "-"});
    ffmpegWall += Seconds(TClock::now() - wall0);
    ffmpegCpu += CpuSeconds(RUSAGE_CHILDREN) - cpu0;
  }

  // Seeks of a paused preview, system clock.
  const std::vector<double> targets = {1.32, 5.72, 9.08, 3.2, 10.4, 0.6, 7.72, 11.2, 2.48, 6.4};
  std::vector<double> engineSeeks, ffmpegSeeks;
  {
    TMeasuringView view;
    TPreview preview(ifo, &view);
    PCSetCropRect(preview.Video, &kCrop);
    PCSetExFilterFlag(preview.Video, kEffectOldFilm);
    VPSetPlayTime(preview.Player, 0, length);
    VPPlay(preview.Player);
    VPPause(preview.Player);
    view.WaitForTime(0);
    for (double t : targets) {
      const auto t0 = TClock::now();
      VPSeek(preview.Player, t);
      if (!view.WaitForTime(t)) std::fprintf(stderr, "preview_bench: no picture at %.2f s\n", t);
      engineSeeks.push_back(Seconds(TClock::now() - t0));
    }
  }
  for (double t : targets) {
    const auto t0 = TClock::now();
    bench::RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-ss", std::to_string(t), "-i", vob, "-map",
                       "0:v:0", "-frames:v", "1", "-vf", chain, "-f", "null", "-"});
    ffmpegSeeks.push_back(Seconds(TClock::now() - t0));
  }

  const double engineShare = engineCpu / engineWall, ffmpegShare = ffmpegCpu / ffmpegWall;
  std::printf("real-time play of %d x %.1f s, all adjustments: engine %.1f %% of a core, ffmpeg -re %.1f %%, "
              "ratio %.2f (aim: engine at most 50 %%)\n",
              rounds, length, 100 * engineShare, 100 * ffmpegShare, engineShare / ffmpegShare);
  std::sort(drifts.begin(), drifts.end());
  std::printf("audio/video distance over %.0f s (%zu pictures): median %.1f ms, 99th percentile %.1f ms, "
              "largest %.1f ms at picture time %.2f s (aim: 40 ms)\n",
              rounds * length, drifts.size(), 1000 * Median(drifts),
              drifts.empty() ? 0.0 : 1000 * drifts[drifts.size() * 99 / 100], 1000 * worstDrift, worstDriftAt);
  std::printf("seek to the shown picture: engine median %.0f ms, largest %.0f ms; ffmpeg seek + one picture "
              "median %.0f ms; ratio %.2f (aim: engine at most 150 ms)\n",
              1000 * Median(engineSeeks), 1000 * *std::max_element(engineSeeks.begin(), engineSeeks.end()),
              1000 * Median(ffmpegSeeks), Median(engineSeeks) / Median(ffmpegSeeks));
  fs::remove_all(work);
  return 0;
}
