#include "ui/MusicPreview.h"

#include <QUrl>
#include <algorithm>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/EncoderThread.h"

#ifdef REELCAST_AUDIO_OUTPUT
#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#endif

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
#ifdef REELCAST_AUDIO_OUTPUT
  // Without a sound card Qt's media player hands its renderer no device and
  // crashes writing to it. Nothing can be heard then anyway, so the preview
  // runs on a clock of its own: the buttons and the end of the music behave
  // as if it played.
  if (QMediaDevices::defaultAudioOutput().isNull()) {
    if (!silentClockUsed_) NVLog("No sound card: the music preview plays silently");
    silentClockUsed_ = true;
    silentClock_.start();
    return true;
  }
  if (!player_) {
    player_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    player_->setAudioOutput(output_);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
      if (status == QMediaPlayer::EndOfMedia) endOfMedia_ = true;
    });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
      NVLog("The music preview failed: " + text.toStdString());
      emit Failed();
    });
  }
  player_->setSource(QUrl::fromLocalFile(file));
  player_->play();
  return true;
#else
  return false;
#endif
}

void MusicPreview::Stop() {
  silentClock_.invalidate();
#ifdef REELCAST_AUDIO_OUTPUT
  if (player_) player_->stop();
#endif
}

int64_t MusicPreview::Position() const {
  if (silentClock_.isValid()) return std::min<int64_t>(silentClock_.elapsed() * 10000, length_);
#ifdef REELCAST_AUDIO_OUTPUT
  if (player_ && player_->error() == QMediaPlayer::NoError) return int64_t(player_->position()) * 10000;
#endif
  return -1;
}

bool MusicPreview::Ended() const {
  if (endOfMedia_) return true;
  const int64_t position = Position();
  return position >= 0 && position / 10000000 == length_ / 10000000;
}

}  // namespace reelcast::ui
