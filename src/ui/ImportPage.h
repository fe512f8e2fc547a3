// The Import stage: the DVD folder box with its Open button, the task list,
// and the selected title's audio track and subtitle. The preview area on
// the right is where the title's preview and trim controls sit.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include "ui/StagePage.h"
#include "ui/TaskTree.h"

namespace reelcast::ui {

class TImportPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TImportPage(TWorkspace& workspace, QWidget* parent = nullptr);

  // btnOpen: asks for the folder ("Please select a DVD folder:") and loads it.
  void LoadDvdFolder();
  // Enables or disables the per-title controls (those present of cboSTitle,
  // cboAudio, VCTrack, btnPlay, btnPause, btnStop, cbTrim).
  void EnableSourceControls(bool on);

  TTaskTreeView* TaskTree() const { return vst_; }
  // The area right of the list that holds the preview and its controls.
  QFrame* PreviewArea() const { return previewArea_; }

  void ShowPage() override;

 private:
  void SelectionChanged(TTaskRow* row);
  void FillStreamChoice(const TStreamChoice& choice);
  static void FitDropDown(QComboBox* box);

  QLineEdit* ebtnOpenFile_;
  QPushButton* btnOpen_;
  QLineEdit* beSourceDir1_;
  TTaskTreeView* vst_;
  QFrame* previewArea_;
  QComboBox* cboAudio_;
  QComboBox* cboSTitle_;
  bool filling_ = false;
};

}  // namespace reelcast::ui
