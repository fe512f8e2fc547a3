// The preview's sound card: the system's default audio output through Qt
// Multimedia's audio sink. The preview player calls it from its own thread;
// the sink lives on a thread of its own with an event loop, fed from a
// small buffer every few milliseconds. Without an output device Open fails
// and the player runs on its silent system clock.
#pragma once

#include <QByteArray>
#include <atomic>
#include <memory>
#include <mutex>

#include "sources/PreviewPlayer.h"

class QThread;
class QObject;

namespace reelcast::ui {

class TQtAudioDevice : public TAudioDevice {
 public:
  TQtAudioDevice();
  ~TQtAudioDevice() override;

  bool Open(int sampleRate, int channels) override;
  int64_t Write(const int16_t* samples, int64_t frames) override;
  int64_t PlayedFrames() override;
  void Pause() override;
  void Resume() override;
  void Flush() override;

  struct TSink;

 private:
  void OnAudioThread(const std::function<void()>& call);

  std::unique_ptr<QThread> thread_;
  QObject* context_ = nullptr;  // lives on thread_
  std::unique_ptr<TSink> sink_;  // touched only on thread_
  int sampleRate_ = 0;
  int bytesPerFrame_ = 0;
  std::mutex mutex_;
  QByteArray pending_;  // written, not yet handed to the sink; under mutex_
  std::atomic<int64_t> played_{0};
};

}  // namespace reelcast::ui
