// One preview of a title or chapter row, as both the Import and the Edit
// page run it: the five handles of the preview engine (video and audio
// decoder, video and audio processor, player), created together for a row
// and freed together by Stop, and the player's messages (position tick,
// range played, crop frame dragged) delivered on the UI thread as signals.
#pragma once

#include <QObject>
#include <memory>

#include "app/MessageQueue.h"
#include "sources/PreviewEngine.h"
#include "sources/TaskList.h"

namespace reelcast::ui {

class TVideoView;

class TPreviewSession : public QObject {
  Q_OBJECT
 public:
  explicit TPreviewSession(QObject* parent = nullptr);
  ~TPreviewSession() override;  // stops

  // Creates the decoders and processors for a row: the row's source path
  // is logged; a missing file logs "'%s' does not exit!" and a decoder that
  // cannot be made shows "Failed to create decoder."; both give false. A
  // chapter first takes its title's subtitle and audio track.
  bool OpenDecoders(TTaskRow* row, QWidget* dialogParent);
  // Creates the player showing into view, connects it to the processors
  // and registers for its messages.
  void CreatePlayer(TVideoView* view);
  // Stops and frees everything (logs "Stop Play DVD File." when a preview
  // existed); the view forgets its picture.
  void Stop();

  bool Active() const { return player_ != 0; }
  TVideoProcessorHandle VideoProcessor() const { return videoProcessor_; }
  TAudioProcessorHandle AudioProcessor() const { return audioProcessor_; }
  TPlayerHandle Player() const { return player_; }

 signals:
  void playerTick();
  void playerEnd();
  void cropChanged();

 private:
  void Deliver();

  TVideoDecoderHandle videoDecoder_ = 0;
  TAudioDecoderHandle audioDecoder_ = 0;
  TVideoProcessorHandle videoProcessor_ = 0;
  TAudioProcessorHandle audioProcessor_ = 0;
  TPlayerHandle player_ = 0;
  TVideoView* view_ = nullptr;
  std::unique_ptr<TMessageQueue> queue_;
};

}  // namespace reelcast::ui
