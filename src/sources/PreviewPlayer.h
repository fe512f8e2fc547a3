// The preview player: plays a range of a title (absolute title-set times)
// through a video and an audio processor, on its own thread, paced by the
// audio device's played position or, without a device or without sound, by
// the system clock. It hands each picture to its view when it is due,
// reports position ticks and the end of the range as posted messages, and
// keeps a crop frame for the view to draw and the user to drag.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/MessageQueue.h"
#include "platform/DvdDecoder.h"
#include "platform/PictureFilters.h"
#include "platform/TitleFrameReader.h"
#include "sources/Task.h"

namespace reelcast {

// Player messages to the registered window.
inline constexpr uint32_t WM_PLAYERNOTIFY = 3025;  // wParam 1: position tick, 2: range played
inline constexpr uint32_t WM_CROPCHANGED = 5350;   // the user dragged the crop frame
inline constexpr uintptr_t kPlayerTick = 1;
inline constexpr uintptr_t kPlayerEnd = 2;

// What the player shows into. Pictures arrive on the player's thread; the
// other calls come on the thread that calls the player.
class TPlayerView {
 public:
  virtual ~TPlayerView() = default;
  virtual void ShowPicture(std::shared_ptr<const TRgbImage> picture) = 0;
  // x : y is the ratio the picture is shown with; 0 : 0 the source's own.
  virtual void ShowDisplayRatio(int32_t x, int32_t y) {}
  // Whether a crop frame is shown, and where (source pixels).
  virtual void ShowCropFrame(bool shown, const TCropRect& rect) {}
};

// The sound card: 16-bit interleaved samples. Called on the player's thread.
class TAudioDevice {
 public:
  virtual ~TAudioDevice() = default;
  // false when there is no device to play on.
  virtual bool Open(int sampleRate, int channels) = 0;
  // Takes up to `frames` sample frames without waiting; returns how many.
  virtual int64_t Write(const int16_t* samples, int64_t frames) = 0;
  // Sample frames played since Open or the last Flush.
  virtual int64_t PlayedFrames() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Drops what waits to be played; the played count starts again at 0.
  virtual void Flush() = 0;
};
using TAudioDeviceFactory = std::function<std::unique_ptr<TAudioDevice>()>;
// How players get their sound card; without a factory (or when it gives
// nothing, or Open fails) they play on the system clock, silently.
void SetAudioDeviceFactory(TAudioDeviceFactory factory);

// The video processor: a decoder's title set and subtitle with the picture
// settings applied to it, and the picture last shown.
class TVideoProcessor {
 public:
  TVideoProcessor(std::string path, int32_t subtitleIndex, const TVideoInfo& info)
      : Path(std::move(path)), SubtitleIndex(subtitleIndex), Info(info) {}
  const std::string Path;
  const int32_t SubtitleIndex;
  const TVideoInfo Info;

  TPictureSettings Settings() const;
  void Change(const std::function<void(TPictureSettings&)>& change);
  std::shared_ptr<const TRgbImage> Current() const;
  void SetCurrent(std::shared_ptr<const TRgbImage> picture);

 private:
  mutable std::mutex mutex_;
  TPictureSettings settings_;
  std::shared_ptr<const TRgbImage> current_;
};

// The audio processor: a decoder's title set and track with its volume.
class TAudioProcessor {
 public:
  TAudioProcessor(std::string path, int32_t track) : Path(std::move(path)), Track(track) {}
  const std::string Path;
  const int32_t Track;
  std::atomic<int32_t> Volume{100};
};

class TPreviewPlayer {
 public:
  explicit TPreviewPlayer(TPlayerView* view);  // view may be null
  ~TPreviewPlayer();                           // stops and frees everything
  TPreviewPlayer(const TPreviewPlayer&) = delete;
  TPreviewPlayer& operator=(const TPreviewPlayer&) = delete;

  void Connect(std::shared_ptr<TVideoProcessor> video, std::shared_ptr<TAudioProcessor> audio);
  void SetCallBack(TWindowHandle window);
  void SetPlayTime(double start, double duration);
  // Plays the range from its start. False when nothing is connected.
  bool Play();
  void Pause();
  void Resume();
  // Ends playing; the thread ends and every file is closed.
  void Stop();
  // Continues from absolute time t (clamped to the range); while paused
  // the picture there is shown and playing waits for Resume.
  void Seek(double t);
  // Seconds played since the start of the range.
  double PlayedTime() const;
  // Shows the current picture again with the processors' new settings.
  void Update();
  void SetDisplayRatio(int32_t x, int32_t y);
  void SetCropEditStyle(int32_t style);
  void SetCropRect(const TCropRect& rect);
  TCropRect CropRect() const;
  // The view reports the frame the user dragged; the registered window gets
  // WM_CROPCHANGED.
  void CropFrameDragged(const TCropRect& rect);
  // The decoded picture's size; 0 x 0 before anything is connected.
  int32_t PictureWidth() const;
  int32_t PictureHeight() const;
  // Whether the sound card paces the play (false: system clock).
  bool AudioClock() const;
  // Why the last range ended early (VOBs cut short, unreadable); empty
  // when it did not.
  std::string LastError() const;

  struct TImpl;

 private:
  std::unique_ptr<TImpl> impl_;
};

}  // namespace reelcast
