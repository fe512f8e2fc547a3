#include "sources/PreviewPlayer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <vector>

#include "app/Config.h"
#include "platform/PreviewSource.h"
#include "platform/TitleStream.h"

namespace reelcast {
namespace {

using TSteady = std::chrono::steady_clock;

std::mutex gFactoryMutex;
TAudioDeviceFactory gFactory;

// Sound kept in the device ahead of what it plays, and decoded ahead of
// that: short, so that a volume change is heard at once.
constexpr double kDeviceAhead = 0.12;
constexpr double kSoundAhead = 0.2;
// Pictures decoded ahead: few, so that adjustments show from the next one;
// the hard cap holds when a stream's sound lags far behind its pictures.
constexpr size_t kPicturesAhead = 3;
constexpr size_t kPicturesMax = 30;
constexpr double kTickEvery = 0.2;
// Timing differences of sound blocks below this are taken as continuous.
constexpr double kSoundSlack = 0.03;

double Seconds(TSteady::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

void SetAudioDeviceFactory(TAudioDeviceFactory factory) {
  std::lock_guard lock(gFactoryMutex);
  gFactory = std::move(factory);
}

TPictureSettings TVideoProcessor::Settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void TVideoProcessor::Change(const std::function<void(TPictureSettings&)>& change) {
  std::lock_guard lock(mutex_);
  change(settings_);
}

std::shared_ptr<const TRgbImage> TVideoProcessor::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

void TVideoProcessor::SetCurrent(std::shared_ptr<const TRgbImage> picture) {
  std::lock_guard lock(mutex_);
  current_ = std::move(picture);
}

struct TPreviewPlayer::TImpl {
  TPlayerView* View = nullptr;
  std::shared_ptr<TVideoProcessor> Video;
  std::shared_ptr<TAudioProcessor> Audio;
  std::atomic<TWindowHandle> Window{0};

  mutable std::mutex Mutex;
  std::condition_variable Wake;
  // Commands, under Mutex.
  double RangeStart = 0, RangeEnd = 0;
  bool Quit = false, Paused = false;
  bool SeekPending = false;
  double SeekTo = 0;
  bool RedrawPending = false;
  TCropRect Crop;
  bool CropEdit = false;
  std::string Error;
  std::thread Thread;

  std::atomic<double> Position{0};  // absolute time of the clock
  std::atomic<bool> UsingAudio{false};

  void Post(uintptr_t what) { PostMessage(Window.load(), WM_PLAYERNOTIFY, what, 0); }

  void Present(std::shared_ptr<const TRgbImage> picture) {
    Video->SetCurrent(picture);
    if (View) View->ShowPicture(std::move(picture));
  }

  // The play of one player, from Play to Stop.
  void Run(double from) {
    std::unique_ptr<TAudioDevice> device;
    {
      std::lock_guard lock(gFactoryMutex);
      if (gFactory) device = gFactory();
    }
    if (device && !device->Open(kPreviewSampleRate, kPreviewChannels)) device.reset();
    bool devicePaused = false;

    for (;;) {  // one pass per opening of the source (the start, each seek)
      std::unique_ptr<TPreviewSource> source;
      double end;
      {
        std::lock_guard lock(Mutex);
        end = RangeEnd;
      }
      try {
        if (from < end - 1e-6)
          source = std::make_unique<TPreviewSource>(Video->Path, from, end, Audio ? Audio->Track : -1,
                                                    Video->SubtitleIndex);
      } catch (const ETitleStream& e) {
        std::lock_guard lock(Mutex);
        Error = e.what();
        NVLog(std::string("Preview: ") + e.what());
      }
      const double frame = source ? 1.0 / source->FrameRate() : 0.04;
      bool useAudio = device && source && source->HasAudio();
      UsingAudio = useAudio;
      if (device) device->Flush();
      int64_t written = 0;  // sample frames given to the device since the flush
      double sysBase = from;
      TSteady::time_point sysStart = TSteady::now();
      std::deque<std::shared_ptr<const TRgbImage>> pictures;
      std::deque<TPreviewSound> sounds;
      size_t soundOffset = 0;  // frames of sounds.front() already written
      double soundQueued = 0;  // seconds in sounds
      bool sourceDone = !source;
      bool shownFirst = false;
      double contentEnd = from;
      double lastTick = -1e9;
      bool ended = false;
      bool wasPaused = false;
      Position = from;

      auto clock = [&]() -> double {
        if (useAudio) return from + static_cast<double>(device->PlayedFrames()) / kPreviewSampleRate;
        if (wasPaused) return sysBase;
        return sysBase + Seconds(TSteady::now() - sysStart);
      };

      for (;;) {
        bool paused, redraw;
        {
          std::unique_lock lock(Mutex);
          if (Quit) return;
          if (SeekPending) {
            SeekPending = false;
            from = SeekTo;
            break;  // reopen at the new time
          }
          paused = Paused;
          redraw = RedrawPending;
          RedrawPending = false;
        }
        // Pause and resume.
        if (paused != wasPaused) {
          if (paused) {
            double now = clock();
            wasPaused = true;
            sysBase = now;
            if (device && !devicePaused) device->Pause();
            devicePaused = true;
          } else {
            wasPaused = false;
            sysStart = TSteady::now();
            if (device && devicePaused) device->Resume();
            devicePaused = false;
          }
        }
        if (source) {
          source->SetPicture(Video->Settings());
          source->SetVolume(Audio ? Audio->Volume.load() : 100);
        }
        if (redraw && source) {
          TRgbImage again;
          if (source->Redraw(&again)) Present(std::make_shared<const TRgbImage>(std::move(again)));
        }
        if (ended) {
          std::unique_lock lock(Mutex);
          Wake.wait_for(lock, std::chrono::milliseconds(50),
                        [&] { return Quit || SeekPending || RedrawPending; });
          continue;
        }

        bool busy = false;
        // Decode ahead.
        if (!sourceDone && (!paused || !shownFirst) &&
            ((pictures.size() < kPicturesAhead) ||
             (useAudio && soundQueued < kSoundAhead && pictures.size() < kPicturesMax))) {
          TRgbImage picture;
          TPreviewSound sound;
          switch (source->Next(&picture, &sound)) {
            case TPreviewItem::Picture:
              contentEnd = std::max(contentEnd, std::min(end, picture.Time + frame));
              pictures.push_back(std::make_shared<const TRgbImage>(std::move(picture)));
              break;
            case TPreviewItem::Sound:
              if (useAudio) {
                soundQueued += static_cast<double>(sound.Frames()) / kPreviewSampleRate;
                sounds.push_back(std::move(sound));
              }
              break;
            case TPreviewItem::End:
              sourceDone = true;
              if (!source->Error().empty()) {
                std::lock_guard lock(Mutex);
                Error = source->Error();
                NVLog("Preview: " + Error);
              }
              break;
          }
          busy = true;
        }

        // The first picture after opening shows at once, also while paused.
        if (!shownFirst && !pictures.empty()) {
          Present(pictures.front());
          pictures.pop_front();
          shownFirst = true;
          Post(kPlayerTick);
          busy = true;
        }
        if (paused) {
          if (!busy) {
            std::unique_lock lock(Mutex);
            Wake.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return Quit || SeekPending || RedrawPending || !Paused; });
          }
          continue;
        }

        // Sound into the device, once the first picture is up: the card
        // would otherwise play ahead while that picture is still decoded.
        if (useAudio && (shownFirst || sourceDone)) {
          const double writtenEnd = from + static_cast<double>(written) / kPreviewSampleRate;
          int64_t ahead = written - device->PlayedFrames();
          const auto want = static_cast<int64_t>(kDeviceAhead * kPreviewSampleRate);
          if (ahead < want) {
            if (!sounds.empty()) {
              TPreviewSound& s = sounds.front();
              double at = s.Time + static_cast<double>(soundOffset) / kPreviewSampleRate;
              if (soundOffset == 0 && at > writtenEnd + kSoundSlack) {
                // A gap in the sound: silence up to the block.
                int64_t gap = std::min<int64_t>(want - ahead,
                                                std::llround((at - writtenEnd) * kPreviewSampleRate));
                std::vector<int16_t> silence(static_cast<size_t>(gap) * kPreviewChannels, 0);
                written += device->Write(silence.data(), gap);
              } else {
                if (soundOffset == 0 && at < writtenEnd - kSoundSlack)
                  soundOffset = std::min<size_t>(s.Frames(), std::llround((writtenEnd - at) * kPreviewSampleRate));
                int64_t left = s.Frames() - static_cast<int64_t>(soundOffset);
                int64_t n = left > 0 ? device->Write(s.Samples.data() + soundOffset * kPreviewChannels,
                                                     std::min(left, want - ahead))
                                     : 0;
                written += n;
                soundOffset += static_cast<size_t>(n);
                soundQueued -= static_cast<double>(n) / kPreviewSampleRate;
                if (static_cast<int64_t>(soundOffset) >= s.Frames()) {
                  soundQueued -= static_cast<double>(left - n) / kPreviewSampleRate;
                  sounds.pop_front();
                  soundOffset = 0;
                }
              }
              busy = true;
            } else if (!sourceDone && ahead <= 0 && pictures.size() >= kPicturesMax) {
              // The stream's sound lags far behind its pictures (or pauses):
              // the card plays silence so that the clock goes on.
              int64_t gap = want / 4;
              std::vector<int16_t> silence(static_cast<size_t>(gap) * kPreviewChannels, 0);
              written += device->Write(silence.data(), gap);
            } else if (sourceDone && ahead <= 0) {
              // The sound has ended (or the VOB was cut): go on by the system clock.
              sysBase = clock();
              sysStart = TSteady::now();
              useAudio = false;
              UsingAudio = false;
            }
          }
          if (soundQueued < 0) soundQueued = 0;
        }

        // Pictures when they are due; late ones are skipped.
        double now = clock();
        Position = std::min(now, end);
        std::shared_ptr<const TRgbImage> due;
        while (!pictures.empty() && pictures.front()->Time <= now + 0.002) {
          due = pictures.front();
          pictures.pop_front();
        }
        if (due) {
          Present(std::move(due));
          busy = true;
        }
        if (now - lastTick >= kTickEvery) {
          lastTick = now;
          Post(kPlayerTick);
        }

        // The end of the range.
        if (sourceDone && pictures.empty() && sounds.empty() && now >= contentEnd - 0.002 &&
            (!useAudio || device->PlayedFrames() >= written)) {
          Position = std::max(std::min(now, end), contentEnd);
          source.reset();  // the VOBs are closed while the player waits
          if (device) device->Flush();
          ended = true;
          Post(kPlayerTick);
          Post(kPlayerEnd);
          continue;
        }

        if (!busy) {
          double wait = 0.01;
          if (!pictures.empty()) wait = std::clamp(pictures.front()->Time - now, 0.001, 0.01);
          if (useAudio) wait = std::min(wait, 0.005);
          std::unique_lock lock(Mutex);
          Wake.wait_for(lock, std::chrono::duration<double>(wait),
                        [&] { return Quit || SeekPending || Paused != paused || RedrawPending; });
        }
      }
    }
  }

  void Join() {
    {
      std::lock_guard lock(Mutex);
      Quit = true;
    }
    Wake.notify_all();
    if (Thread.joinable()) Thread.join();
    std::lock_guard lock(Mutex);
    Quit = false;
    SeekPending = false;
    RedrawPending = false;
  }
};

TPreviewPlayer::TPreviewPlayer(TPlayerView* view) : impl_(std::make_unique<TImpl>()) {
  impl_->View = view;
}

TPreviewPlayer::~TPreviewPlayer() { Stop(); }

void TPreviewPlayer::Connect(std::shared_ptr<TVideoProcessor> video,
                             std::shared_ptr<TAudioProcessor> audio) {
  impl_->Join();
  impl_->Video = std::move(video);
  impl_->Audio = std::move(audio);
}

void TPreviewPlayer::SetCallBack(TWindowHandle window) { impl_->Window = window; }

void TPreviewPlayer::SetPlayTime(double start, double duration) {
  std::lock_guard lock(impl_->Mutex);
  impl_->RangeStart = start;
  impl_->RangeEnd = start + std::max(0.0, duration);
}

bool TPreviewPlayer::Play() {
  impl_->Join();
  if (!impl_->Video) return false;
  double from;
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->Paused = false;
    impl_->Error.clear();
    from = impl_->RangeStart;
  }
  impl_->Position = from;
  impl_->Thread = std::thread([this, from] { impl_->Run(from); });
  return true;
}

void TPreviewPlayer::Pause() {
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->Paused = true;
  }
  impl_->Wake.notify_all();
}

void TPreviewPlayer::Resume() {
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->Paused = false;
  }
  impl_->Wake.notify_all();
}

void TPreviewPlayer::Stop() { impl_->Join(); }

void TPreviewPlayer::Seek(double t) {
  {
    std::lock_guard lock(impl_->Mutex);
    t = std::clamp(t, impl_->RangeStart, std::max(impl_->RangeStart, impl_->RangeEnd));
    impl_->SeekPending = true;
    impl_->SeekTo = t;
  }
  impl_->Position = t;
  impl_->Wake.notify_all();
}

double TPreviewPlayer::PlayedTime() const {
  std::lock_guard lock(impl_->Mutex);
  return std::max(0.0, impl_->Position.load() - impl_->RangeStart);
}

void TPreviewPlayer::Update() {
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->RedrawPending = true;
  }
  impl_->Wake.notify_all();
}

void TPreviewPlayer::SetDisplayRatio(int32_t x, int32_t y) {
  if (impl_->View) impl_->View->ShowDisplayRatio(x, y);
}

void TPreviewPlayer::SetCropEditStyle(int32_t style) {
  TCropRect rect;
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->CropEdit = style == 1;
    rect = impl_->Crop;
  }
  if (impl_->View) impl_->View->ShowCropFrame(style == 1, rect);
}

void TPreviewPlayer::SetCropRect(const TCropRect& rect) {
  TCropRect kept = rect;
  const int32_t w = PictureWidth(), h = PictureHeight();
  // A right or bottom of 0 is the picture's edge.
  if (kept.Right == 0) kept.Right = w;
  if (kept.Bottom == 0) kept.Bottom = h;
  bool edit;
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->Crop = kept;
    edit = impl_->CropEdit;
  }
  if (impl_->View) impl_->View->ShowCropFrame(edit, kept);
}

TCropRect TPreviewPlayer::CropRect() const {
  std::lock_guard lock(impl_->Mutex);
  return impl_->Crop;
}

void TPreviewPlayer::CropFrameDragged(const TCropRect& rect) {
  {
    std::lock_guard lock(impl_->Mutex);
    impl_->Crop = rect;
  }
  PostMessage(impl_->Window.load(), WM_CROPCHANGED, 0, 0);
}

int32_t TPreviewPlayer::PictureWidth() const { return impl_->Video ? impl_->Video->Info.Width : 0; }
int32_t TPreviewPlayer::PictureHeight() const { return impl_->Video ? impl_->Video->Info.Height : 0; }
bool TPreviewPlayer::AudioClock() const { return impl_->UsingAudio; }

std::string TPreviewPlayer::LastError() const {
  std::lock_guard lock(impl_->Mutex);
  return impl_->Error;
}

}  // namespace reelcast
