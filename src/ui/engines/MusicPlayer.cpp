#include "ui/engines/MusicPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>

namespace reelcast::ui {
namespace {

class TMediaMusicPlayer : public TMusicPlayer {
 public:
  TMediaMusicPlayer(QObject* parent, TCallbacks callbacks)
      : player_(new QMediaPlayer(parent)), callbacks_(std::move(callbacks)) {
    player_->setAudioOutput(new QAudioOutput(player_));
    QObject::connect(player_, &QMediaPlayer::mediaStatusChanged, player_, [this](QMediaPlayer::MediaStatus status) {
      if (status == QMediaPlayer::EndOfMedia && callbacks_.EndOfMedia) callbacks_.EndOfMedia();
    });
    QObject::connect(player_, &QMediaPlayer::errorOccurred, player_, [this](QMediaPlayer::Error, const QString& text) {
      if (callbacks_.Failed) callbacks_.Failed(text);
    });
  }
  // The player goes with its parent; without this object it reports nothing.
  ~TMediaMusicPlayer() override {
    if (player_) {
      player_->stop();
      delete player_.data();
    }
  }
  void Play(const QString& file) override {
    player_->setSource(QUrl::fromLocalFile(file));
    player_->play();
  }
  void Stop() override { player_->stop(); }
  int64_t PositionMs() const override {
    return player_->error() == QMediaPlayer::NoError ? int64_t(player_->position()) : -1;
  }

 private:
  QPointer<QMediaPlayer> player_;
  TCallbacks callbacks_;
};

}  // namespace

std::unique_ptr<TMusicPlayer> MakeMediaMusicPlayer(QObject* parent, TMusicPlayer::TCallbacks callbacks) {
  return std::make_unique<TMediaMusicPlayer>(parent, std::move(callbacks));
}

}  // namespace reelcast::ui
