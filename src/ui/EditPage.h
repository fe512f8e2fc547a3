// The Edit stage: the selected row's preview with its position bar and play
// buttons, the picture and sound adjustments, the crop (by spin edits or by
// dragging the frame in the picture) and the snapshots. Leaving the page
// stores the adjustments and the crop into every row.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ui/ClipTrackBar.h"
#include "ui/ImportPage.h"
#include "ui/StagePage.h"

namespace reelcast::ui {

class TPreviewSession;
class TSpinEdit;
class TVideoView;

class TEditPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TEditPage(TWorkspace& workspace, QWidget* parent = nullptr);
  ~TEditPage() override;
  // The area that holds the preview and its controls.
  QFrame* PreviewArea() const { return previewArea_; }

  void ShowPage() override;  // ShowEditPage
  void StopPreview() override;
  void StoreSettings(TTask& task) override;  // StoreEditSettings

  void ActEPlayExecute();
  void PausePreview();
  void ResumePreview();
  void ActStopExecute();
  void btnPhotoClick();
  TPlayState PlayState() const;
  TPreviewSession& Preview() const { return *preview_; }
  // The displayed picture's size the crop spin edits are measured against.
  int PictureWidth() const { return pictureWidth_; }
  int PictureHeight() const { return pictureHeight_; }
  // The photo written last (empty before the first).
  QString LastSnapshot() const { return lastSnapshot_; }

 private:
  QWidget* BuildPlayer();
  QWidget* BuildAdjustments();
  QWidget* BuildCrop();
  QWidget* BuildPhoto();
  void SetPlayState(TPlayState state);
  void ShowPlayState(bool playing);
  void ShowTime();
  uint32_t ChosenEffect() const;
  TCropRect SpinRect() const;
  void TimerAutoPlayTimer();
  void ActSedtChangeExecute();
  void CropChanged();
  void PlayerTick();
  void PlayerEnd();
  void TrackDown();
  void TrackUp();
  void ebtnPhotoFolderButtonClick();
  void RzBmpButton2Click();

  TPreviewSession* preview_;
  QFrame* previewArea_;
  TVideoView* pnlCut_;
  TClipTrackBar* tbPosition_;
  QPushButton* btnEPlay_;
  QPushButton* btnEPause_;
  QPushButton* btnEStop_;
  QPushButton* btnPhoto_;
  QLabel* lblTime_;
  TClipTrackBar* tbBrightness_;
  TClipTrackBar* tbContrast_;
  TClipTrackBar* tbSaturation_;
  TClipTrackBar* tbVolume_;
  QComboBox* cbEffect_;
  QPushButton* btnDel_;
  QGroupBox* gbCrop_;
  TSpinEdit* sedtLeft_;
  TSpinEdit* sedtTop_;
  TSpinEdit* sedtRight_;
  TSpinEdit* sedtBottom_;
  QGroupBox* gbPhoto_;
  QRadioButton* rdPhoBmp_;
  QRadioButton* rdPhoJPEG_;
  QLineEdit* ebtnPhotoFolder_;
  QPushButton* RzBmpButton2_;
  QTimer TimerAutoPlay_;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  bool track_ = true;
  QString lastSnapshot_;
};

}  // namespace reelcast::ui
