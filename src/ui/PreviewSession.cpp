#include "ui/PreviewSession.h"

#include <filesystem>

#include "app/Config.h"
#include "ui/Dialogs.h"
#include "ui/VideoView.h"

namespace reelcast::ui {

TPreviewSession::TPreviewSession(QObject* parent)
    : QObject(parent), queue_(std::make_unique<TMessageQueue>()) {
  // Posts come from the player's thread; one queued call drains them.
  queue_->SetWakeUp([this] { QMetaObject::invokeMethod(this, &TPreviewSession::Deliver, Qt::QueuedConnection); });
}

TPreviewSession::~TPreviewSession() {
  Stop();
  queue_.reset();
}

bool TPreviewSession::OpenDecoders(TTaskRow* row, QWidget* dialogParent) {
  TTask& task = row->Task;
  NVLog(task.Base.SourcePath);
  std::error_code error;
  if (!std::filesystem::exists(task.Base.SourcePath, error)) {
    NVLog("'" + task.Base.SourcePath + "' does not exit!");
    return false;
  }
  if (task.IsChapter() && row->Parent) {
    task.SubtitleIndex = row->Parent->Task.SubtitleIndex;
    task.AudioTrackIndex = row->Parent->Task.AudioTrackIndex;
  }
  const TVideoDecoderParams videoParams = task.VideoStreamSelection();
  int32_t code = kWvdOk;
  videoDecoder_ = WVDCreate(task.Base.SourcePath, &videoParams, &code);
  if (code == kWvdInfoUnreadable || code == kWvdNoVideo || videoDecoder_ == 0) {
    if (videoDecoder_) WVDDestroy(videoDecoder_);
    videoDecoder_ = 0;
    ShowMessage(dialogParent, QStringLiteral("Failed to create decoder."), QStringLiteral("Information"),
                TDialogKind::Information);
    return false;
  }
  const TAudioDecoderParams audioParams = task.AudioStreamSelection();
  audioDecoder_ = WADCreate(task.Base.SourcePath, &audioParams, 0);
  videoProcessor_ = PCCreateVideoProcessor(videoDecoder_, 0);
  audioProcessor_ = PCCreateAudioProcessor(audioDecoder_);
  return true;
}

void TPreviewSession::CreatePlayer(TVideoView* view) {
  view_ = view;
  player_ = VPCreate(view, 0, 0, view ? view->width() : 0, view ? view->height() : 0);
  VPConnect(player_, videoProcessor_, audioProcessor_);
  if (view)
    if (const TDisplayInfo* info = VPGetDisplayInfo(player_)) view->SetSourceAspect(info->AspectX, info->AspectY, info->Width, info->Height);
  VPSetCallBack(player_, queue_->Handle());
}

void TPreviewSession::Stop() {
  if (player_) {
    NVLog("Stop Play DVD File.");
    VPStop(player_);
  }
  // Freed in this order, each handle set back to 0.
  if (videoProcessor_) PCDestroyVideoProcessor(videoProcessor_);
  if (audioProcessor_) PCDestroyAudioProcessor(audioProcessor_);
  if (videoDecoder_) WVDDestroy(videoDecoder_);
  if (audioDecoder_) WADDestroy(audioDecoder_);
  if (player_) VPDestory(player_);
  videoProcessor_ = audioProcessor_ = videoDecoder_ = audioDecoder_ = player_ = 0;
  if (queue_) queue_->Drain();  // what the stopped player still said is void
  if (view_) view_->Clear();
  view_ = nullptr;
}

void TPreviewSession::Deliver() {
  if (!queue_) return;
  for (const TMessage& m : queue_->Drain()) {
    if (!player_) return;
    if (m.Msg == WM_PLAYERNOTIFY && m.WParam == kPlayerTick) emit playerTick();
    else if (m.Msg == WM_PLAYERNOTIFY && m.WParam == kPlayerEnd) emit playerEnd();
    else if (m.Msg == WM_CROPCHANGED) emit cropChanged();
  }
}

}  // namespace reelcast::ui
