// The Template stage: how the published movie is presented. Either a
// player template (a ready-made player that plays the video, with its
// playback options) or a general template (a frame movie with opening and
// ending title movies, play mode, control bar and background music), and
// the background colour. Every choice is previewed in Flash views; the
// title movies are rebuilt off the UI thread while the user types.
//
// The template kind and name and the player's playback options go into the
// settings record at once; the rest is read by Convert (FillConvertChoices)
// and stored into the settings record when the page is left.
#pragma once

#include <QPointer>

#include "publish/TitleMovies.h"
#include "ui/StagePage.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace reelcast::ui {

class ColorButton;
class FlashView;
class MusicPreview;
class TitleMemo;
class TitlePreviewRenderer;

class TTemplatePage : public TStagePage {
  Q_OBJECT
 public:
  explicit TTemplatePage(TWorkspace& workspace, QWidget* parent = nullptr);
  ~TTemplatePage() override;

  // Leaving the page stops the music preview (btnAStop) and stores the
  // page's choices into the settings record.
  void LeavePage() override;
  void ShowPage() override;
  void FillConvertChoices(TConvertChoices& choices) override;

  // The four title texts as typed on the page, with the stored effects and
  // fonts: what the opening and ending movies show.
  TTitleSettings Titles() const;
  // Convert: the general-template previews let go of their movies.
  void ReleasePreviews();
  // Asks for the opening (ending false) or ending title preview; the build
  // runs off the UI thread and the preview plays the movie when written.
  void RenderTitlePreview(bool ending);
  TitlePreviewRenderer* Renderer() const { return renderer_; }

 protected:
  // The download link's hover colour and click.
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // A rebuilt title movie is loaded into its preview (sfFlash1 / sfFlash2).
  void titlePreviewLoaded(bool ending, const QString& path);

 private:
  QWidget* BuildPlayerSheet();
  QWidget* BuildGeneralSheet();
  QWidget* BuildContentTab();
  QWidget* BuildOpeningTab();
  QWidget* BuildEndingTab();
  QWidget* BuildInfoColumn();
  void LoadTemplateLists();
  void ShowTitleTexts();

  void lbTemplateClick(QListWidget* list);
  void pgcTemplateTabClick(int tab);
  void TitleTextChanged(int kind, const QString& text);
  void ShowEffectDialog(int kind);
  void cbBarStyleChange();
  void cedtColorChange();
  void bedtBGAButtonClick();
  void btnAPlayClick();
  void btnAStopClick();
  void btnAClearClick();
  void tmrAudioPositionTimer();
  void ShowPlayerPreview();
  void SizePlayerPreview();
  void ShowTemplateInfo();
  void StoreChoices();
  QString SelectedText(const QListWidget* list) const;

  // Player template sheet.
  QTabWidget* pgcTemplateKind_;
  QListWidget* lbPlayTheme_;
  QButtonGroup* rgEmbedMode_;
  FlashView* sfPlaytheme_;
  QCheckBox* cbAutoPlay_;
  QCheckBox* cbAutoRewind_;
  QCheckBox* cbRepeat_;
  // General template sheet.
  QListWidget* lbTemplate_;
  QTabWidget* pgcTemplate_;
  FlashView* sfFlash_;
  QButtonGroup* rgLoopOption_;
  // The bar style's play, pause and stop buttons, side by side.
  FlashView* sfControlBar_;
  QCheckBox* cbBar_;
  QComboBox* cbBarStyle_;
  QLineEdit* bedtBGA_;
  QToolButton* btnAPlay_;
  QToolButton* btnAStop_;
  QToolButton* btnAClear_;
  QCheckBox* rbLoop_;
  QLineEdit* edtTitle_;
  QLineEdit* edtDirector_;
  TitleMemo* mmoMotive_;
  FlashView* sfFlash1_;
  TitleMemo* mmoCast_;
  FlashView* sfFlash2_;
  // Outside the sheets.
  QLabel* lblTempC_;
  QLabel* lblSizeC_;
  ColorButton* cedtColor_;
  QLabel* RzLabel9_;

  TitlePreviewRenderer* renderer_;
  MusicPreview* music_;
  QTimer* tmrAudioPosition_;
  // The player preview is built when the page is first shown, not at start-up.
  bool playerPreviewShown_ = false;
  // Set while one list loses its selection because the other was chosen.
  bool clearingList_ = false;
};

}  // namespace reelcast::ui
