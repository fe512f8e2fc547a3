#include "ui/MusicPreview.h"

#include <QUrl>
#include <algorithm>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/EncoderThread.h"
#include "ui/Engines.h"

namespace reelcast::ui {

MusicPreview::MusicPreview(QObject* parent) : QObject(parent) {
  // Debian's Qt 6.4 picks its GStreamer media backend first, which crashes
  // making a player where GStreamer's own plugins are not installed; the
  // FFmpeg backend needs only the FFmpeg libraries the program uses anyway.
  // It must be chosen before Qt Multimedia is first used.
  if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

MusicPreview::~MusicPreview() { Stop(); }

bool MusicPreview::Play(const QString& file) {
  Stop();
  endOfMedia_ = false;
  const std::string path = file.toStdString();
  length_ = AudioFileLength(path, false);
  if (length_ <= 0) {
    NVLog("The music " + path + " has no length that can be read");
    return false;
  }
  // The job's music script for this one file, played once from its start.
  if (!WriteAudioXml(TempFolder + "Temp_Audio_Xml.xml", path, true, length_, SWFParam)) return false;
  const TEngines* engines = Engines();
  if (!engines) return false;
  // Without a sound card Qt's media player hands its renderer no device and
  // crashes writing to it. Nothing can be heard then anyway, so the preview
  // runs on a clock of its own: the buttons and the end of the music behave
  // as if it played.
  if (!engines->HasAudioOutput()) {
    if (!silentClockUsed_) NVLog("No sound card: the music preview plays silently");
    silentClockUsed_ = true;
    silentClock_.start();
    return true;
  }
  if (!player_) {
    TMusicPlayer::TCallbacks callbacks;
    callbacks.EndOfMedia = [this] { endOfMedia_ = true; };
    callbacks.Failed = [this](const QString& text) {
      NVLog("The music preview failed: " + text.toStdString());
      emit Failed();
    };
    player_ = engines->MakeMusicPlayer(this, std::move(callbacks));
  }
  player_->Play(file);
  return true;
}

void MusicPreview::Stop() {
  silentClock_.invalidate();
  if (player_) player_->Stop();
}

int64_t MusicPreview::Position() const {
  if (silentClock_.isValid()) return std::min<int64_t>(silentClock_.elapsed() * 10000, length_);
  if (!player_) return -1;
  const int64_t ms = player_->PositionMs();
  return ms < 0 ? -1 : ms * 10000;
}

bool MusicPreview::Ended() const {
  if (endOfMedia_) return true;
  const int64_t position = Position();
  return position >= 0 && position / 10000000 == length_ / 10000000;
}

}  // namespace reelcast::ui
