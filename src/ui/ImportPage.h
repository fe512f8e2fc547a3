// The Import stage: the DVD folder box with its Open button, the task list,
// the selected title's audio track and subtitle, and the selected row's
// preview: its picture, the position bar with the trim handles, the play
// buttons and the trim group.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ClipTrackBar.h"
#include "ui/StagePage.h"
#include "ui/TaskTree.h"

namespace reelcast::ui {

class TPreviewSession;
class TSpinEdit;
class TVideoView;

// The play state of a preview area, kept in the Tag of its play button.
enum TPlayState { psNoSource = 0, psStopped = 1, psPaused = 2, psPlaying = 3 };

class TImportPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TImportPage(TWorkspace& workspace, QWidget* parent = nullptr);
  ~TImportPage() override;

  // btnOpen: asks for the folder ("Please select a DVD folder:") and loads it.
  void LoadDvdFolder();
  // Enables or disables the per-title controls (those present of cboSTitle,
  // cboAudio, VCTrack, btnPlay, btnPause, btnStop, cbTrim).
  void EnableSourceControls(bool on);

  TTaskTreeView* TaskTree() const { return vst_; }
  // The area right of the list that holds the preview and its controls.
  QFrame* PreviewArea() const { return previewArea_; }

  void ShowPage() override;
  void StopPreview() override;

  // The play buttons.
  void ActPlayExecute();
  void PausePreview();
  void ResumePreview();
  void ActStopExecute();
  TPlayState PlayState() const;
  TPreviewSession& Preview() const { return *preview_; }

 private:
  void SelectionChanged(TTaskRow* row);
  void FillStreamChoice(const TStreamChoice& choice);
  static void FitDropDown(QComboBox* box);
  void BuildPreviewControls(QVBoxLayout* side);
  void SetPlayState(TPlayState state);
  void ShowPlayState(bool playing);
  void ShowTrim(const TTask& task);
  void ShowTime();
  double BeginTime() const;
  // The handlers of the position bar and the trim group.
  void VCTrackChange();
  void VCTrackTrackDown();
  void VCTrackTrackUp();
  void VCTrackSegDown(TClipTrackBar::BUTTONTYPE handle);
  void VCTrackSegUp(TClipTrackBar::BUTTONTYPE handle);
  void VCTrackSegmentChange();
  void cbTrimClick();
  void sedStartExit();
  void sedEndExit();
  void PlayerTick();
  void PlayerEnd();

  QLineEdit* ebtnOpenFile_;
  QPushButton* btnOpen_;
  QLineEdit* beSourceDir1_;
  TTaskTreeView* vst_;
  QFrame* previewArea_;
  QComboBox* cboAudio_;
  QComboBox* cboSTitle_;
  bool filling_ = false;

  TPreviewSession* preview_;
  TVideoView* pnlPreview_;
  TClipTrackBar* VCTrack_;
  QPushButton* btnPlay_;
  QPushButton* btnPause_;
  QPushButton* btnStop_;
  QLabel* lblPlayTime_;
  QCheckBox* cbTrim_;
  TSpinEdit* sedStart_;
  TSpinEdit* sedend_;
  QLabel* lblStart_;
  QLabel* lblEnd_;
  QLabel* lblLength_;
  QLineEdit* edtLength_;
  bool track_ = true;       // false while a thumb or handle is held
  double seekOffset_ = 0;   // seconds; the trim length while past the end
};

}  // namespace reelcast::ui
