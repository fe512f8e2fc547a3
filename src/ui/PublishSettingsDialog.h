// The publish settings dialog ("Setting"): the text or picture link laid
// over the movie, placed by dragging it over a preview of the movie (its
// first frame, or the background colour before a DVD is loaded) and stored
// as fractions of the movie size; and the preloader. The link is stored
// into SWFParam as the user drags and types, the preloader at OK or preview;
// Cancel puts back what the dialog found when it opened.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/ProjectSettings.h"
#include "convert/JobRecord.h"

namespace reelcast::ui {

class TWorkspace;
class ColorButton;

// The sample address the link's address box starts with.
inline constexpr char kSampleLinkUrl[] = "http://www.example.com/";

class TPublishSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TPublishSettingsDialog(TWorkspace& workspace, QWidget* parent = nullptr);
  ~TPublishSettingsDialog() override;

  // The preview panel's size (the movie's shape fitted into the sheet) and
  // how many panel pixels a movie pixel takes.
  QSize PanelSize() const;
  double PanelScale() const { return scale_; }

  // The handlers tests and the buttons use.
  void btnOKClick();
  void btnResetClick();
  void btnPathButtonClick();
  void btnFontSetClick();
  void btnPreviewLoadClick();
  void edtUserLogoButtonClick();
  // Step 6: the link controls into SWFParam.
  void StoreLinkSettings();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildHyperlinkSheet();
  QWidget* BuildPreloaderSheet();
  void FillHyperlinkSheet();
  void FillPreloaderSheet();
  void ShowPanelBackground();
  void LinkKindChosen(bool text);
  void MovePicture();
  void RenderTextPicture();
  void ShowImagePicture(const QString& path);
  void TextChanged();
  void chkPreloaderClick();
  void chkUseSpriteClick();
  void chkUseProgressClick();
  // OK step 1 / preview: a chosen custom logo must name an existing file.
  bool CheckLogo();
  void StorePreloaderSettings();
  QLabel* ShownPicture() const;

  TWorkspace& workspace_;
  // The backups for Cancel.
  int32_t backupLinkKind_;
  TTextLink backupTextLink_;
  TImageLink backupImageLink_;
  TPreLoader backupPreLoader_;
  TExportSetting backupExport_;

  double scale_ = 1;
  QSize movieSize_;
  bool dragging_ = false;
  QPoint dragStartCursor_;
  QPoint dragStartPicture_;

  QLabel* lblCaption_;
  QTabWidget* pgcSetting_;
  QWidget* pnlView_;
  QLabel* imgURL_;
  QLabel* imgText_;
  QLabel* lblXValue_;
  QLabel* lblYValue_;
  QSpinBox* sdX_;
  QSpinBox* sdY_;
  QWidget* RzRadioGroup1_;
  QRadioButton* rbImageLink_;
  QRadioButton* rbTextLink_;
  QLineEdit* btnPath_;
  QPushButton* btnPathButton_;
  QLineEdit* edtURL_;
  QLineEdit* edtTextLink_;
  QPushButton* btnFontSet_;
  QCheckBox* cbEnableLink_;
  QCheckBox* cbDefault_;

  QCheckBox* chkPreloader_;
  QCheckBox* chkUseSprite_;
  QRadioButton* rbSysLogo_;
  QComboBox* cboSysLogo_;
  QRadioButton* rbUserLogo_;
  QLineEdit* edtUserLogo_;
  QPushButton* btnUserLogo_;
  QCheckBox* chkUseProgress_;
  QComboBox* cboBarStyle_;
  QComboBox* cboOption_;
  ColorButton* cboColor_;
  QPushButton* btnPreviewLoad_;
};

}  // namespace reelcast::ui
