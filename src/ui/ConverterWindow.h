// The progress window of one conversion job: shown modally by Convert, it
// runs the job through TConverterModel and shows its log, status line,
// progress bar and times, with Pause/Resume and Cancel. Job events arrive
// on worker threads and are handled here on the UI thread.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <memory>

#include "convert/ConverterModel.h"

namespace reelcast::ui {

class TConverterWindow : public QDialog {
  Q_OBJECT
 public:
  // The job of settings (copied) and tasks, finished with steps.
  TConverterWindow(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps, QWidget* parent = nullptr);
  ~TConverterWindow() override;

  TConverterModel& Model() { return *model_; }
  // The side panel for an animation (empty until one is given).
  QFrame* AnimationPanel() const { return sfFlashShow_; }
  // Handles every job event posted so far.
  void ProcessEvents();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 public:
  // Escape: cancels the job as Cancel does.
  void reject() override;

 private:

 private:
  void Refresh();
  void OpenPath(const std::string& path);
  void Upload(const std::string& folder);

  std::unique_ptr<TConverterModel> model_;
  std::atomic<bool> wakePending_{false};
  QTimer TmrRunStar_;
  bool started_ = false;
  QFrame* sfFlashShow_;
  QPlainTextEdit* mmoInfo_;
  QLabel* lblConverHintInfo_;
  QProgressBar* pbProgress_;
  QLabel* lblSec_;
  QPushButton* btnPause_;
  QPushButton* btnCancel_;
  size_t shownLines_ = 0;
};

}  // namespace reelcast::ui
