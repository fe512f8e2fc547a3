// Plays a background-music file once to the sound card, as a published
// movie would play it, so the user can listen before converting. The music
// script of the job (one entry, the whole file once) is written first; the
// file is then played through Qt Multimedia. The position is polled by the
// caller's timer in units of 100 nanoseconds.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace reelcast::ui {

class TMusicPlayer;

class MusicPreview : public QObject {
  Q_OBJECT
 public:
  explicit MusicPreview(QObject* parent = nullptr);
  ~MusicPreview() override;

  // Starts playing file from its beginning; false when it cannot be played
  // (no file, no length, no audio support). Failures are only logged.
  bool Play(const QString& file);
  void Stop();
  // The file's length and the position played, in 100-ns units; the
  // position is -1 while nothing can report one.
  int64_t Length() const { return length_; }
  int64_t Position() const;
  // True once playback has reached the end: the whole seconds played equal
  // the whole seconds of the length, or the player ran out of media.
  bool Ended() const;

 signals:
  // The player gave up on the file (no decoder, no audio device).
  void Failed();

 private:
  int64_t length_ = 0;
  bool endOfMedia_ = false;
  // Runs while the music "plays" with no sound card to play it on.
  QElapsedTimer silentClock_;
  bool silentClockUsed_ = false;
  std::unique_ptr<TMusicPlayer> player_;  // made on the first Play
};

}  // namespace reelcast::ui
