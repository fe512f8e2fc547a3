#include "ui/TemplatePage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "convert/JobRecord.h"
#include "publish/ControlBarPreview.h"
#include "publish/ControlBarStyles.h"
#include "publish/PlayerMovie.h"
#include "publish/TemplateLists.h"
#include "publish/TemplateMovie.h"
#include "publish/TemplateTrailer.h"
#include "ui/AdvancedPlaybackDialog.h"
#include "ui/ColorButton.h"
#include "ui/Dialogs.h"
#include "ui/FlashView.h"
#include "ui/Icons.h"
#include "ui/MusicPreview.h"
#include "ui/TitleEffectDialog.h"
#include "ui/TitleMemo.h"
#include "ui/TitlePreviewRenderer.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

constexpr char kNone[] = "None";
// Where "Download more templates for free" leads.
constexpr char kTemplateDownloadUrl[] = "https://reelcast.example.org/templates/";
// The link's caption colours: blue under the mouse, slate blue otherwise.
const QColor kLinkHover(0x00, 0x00, 0xFF);
const QColor kLinkNormal(0x42, 0x59, 0x86);

// The tabs of the general sheet.
enum { tabContent = 0, tabOpening = 1, tabEnding = 2 };

QString FromU16(const std::u16string& text) { return QString::fromStdU16String(text); }

QListWidget* TemplateList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QLatin1String(name));
  list->setFixedWidth(150);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

FlashView* Preview(const char* name, QWidget* parent) {
  auto* view = new FlashView(parent);
  view->setObjectName(QLatin1String(name));
  view->SetBGColor(QStringLiteral("000000"));
  return view;
}

// A group of radio buttons that acts as one choice: the buttons' ids are
// their indexes, and the objects are named name + index ("rgLoopOption0").
QGroupBox* RadioGroup(const QString& title, const char* name, const QStringList& items, int index,
                      QButtonGroup*& group, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QLatin1String(name));
  auto* layout = new QVBoxLayout(box);
  layout->setSpacing(4);
  group = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], box);
    radio->setObjectName(QLatin1String(name) + QString::number(i));
    radio->setChecked(i == index);
    group->addButton(radio, i);
    layout->addWidget(radio);
  }
  return box;
}

QPushButton* EffectButton(const char* name, QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("Effect..."), parent);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(QStringLiteral("Text effect and font"));
  return button;
}

QToolButton* MusicButton(const char* name, TGlyph glyph, const QString& hint, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setIcon(GlyphIcon(glyph));
  button->setIconSize(QSize(14, 14));
  button->setToolTip(hint);
  button->setEnabled(false);
  return button;
}

// Stores a title text under its key ("System.Title" ...) and under the key
// the next start reads the texts from ("System.FlashText.Title" ...).
void StoreTitleText(int kind, const QString& text) {
  const auto slot = static_cast<TTitleSlot>(kind);
  const std::u16string value = text.toStdU16String();
  NVSetConfigStr(TitleKey(slot), value);
  NVSetConfigStr(FlashTextKey(slot), value);
}

}  // namespace

TTemplatePage::TTemplatePage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsTemplate"));
  renderer_ = new TitlePreviewRenderer(this);
  music_ = new MusicPreview(this);
  tmrAudioPosition_ = new QTimer(this);
  tmrAudioPosition_->setObjectName(QStringLiteral("tmrAudioPosition"));
  tmrAudioPosition_->setInterval(250);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(18, 12, 18, 12);
  layout->setSpacing(14);
  pgcTemplateKind_ = new QTabWidget(this);
  pgcTemplateKind_->setObjectName(QStringLiteral("pgcTemplateKind"));
  pgcTemplateKind_->addTab(BuildPlayerSheet(), QStringLiteral("Player Template"));
  pgcTemplateKind_->addTab(BuildGeneralSheet(), QStringLiteral("General Template"));
  layout->addWidget(pgcTemplateKind_, 1);
  layout->addWidget(BuildInfoColumn());

  LoadTemplateLists();

  // Wired after the lists and texts are filled, so that filling them stores
  // nothing and builds no preview.
  // A choice by mouse or keyboard; clearing the other list is no choice.
  for (QListWidget* list : {lbPlayTheme_, lbTemplate_})
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
      if (!clearingList_ && !list->selectedItems().isEmpty()) lbTemplateClick(list);
    });
  connect(pgcTemplate_, &QTabWidget::currentChanged, this, [this](int tab) {
    pgcTemplateTabClick(tab);
    if (tab != tabContent) RenderTitlePreview(tab == tabEnding);
  });
  connect(edtTitle_, &QLineEdit::textChanged, this, [this](const QString& t) { TitleTextChanged(0, t); });
  connect(edtDirector_, &QLineEdit::textChanged, this, [this](const QString& t) { TitleTextChanged(1, t); });
  connect(mmoMotive_, &QPlainTextEdit::textChanged, this,
          [this] { TitleTextChanged(2, mmoMotive_->toPlainText()); });
  connect(mmoCast_, &QPlainTextEdit::textChanged, this, [this] { TitleTextChanged(3, mmoCast_->toPlainText()); });
  connect(renderer_, &TitlePreviewRenderer::Rebuilt, this, [this](bool ending, const QString& path) {
    FlashView* view = ending ? sfFlash2_ : sfFlash1_;
    view->Stop();
    view->SetMovie(path);
    view->Play();
    emit titlePreviewLoaded(ending, path);
  });
  connect(tmrAudioPosition_, &QTimer::timeout, this, &TTemplatePage::tmrAudioPositionTimer);
  connect(music_, &MusicPreview::Failed, tmrAudioPosition_, &QTimer::stop);
}

TTemplatePage::~TTemplatePage() {
  tmrAudioPosition_->stop();
  music_->Stop();
}

QWidget* TTemplatePage::BuildPlayerSheet() {
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("tsPlayTheme"));
  auto* layout = new QHBoxLayout(sheet);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->setSpacing(14);
  lbPlayTheme_ = TemplateList("lbPlayTheme", sheet);
  layout->addWidget(lbPlayTheme_);

  auto* right = new QVBoxLayout;
  right->setSpacing(10);
  sfPlaytheme_ = Preview("sfPlaytheme", sheet);
  sfPlaytheme_->setFixedSize(290, 256);
  right->addWidget(sfPlaytheme_, 0, Qt::AlignLeft);

  auto* options = new QHBoxLayout;
  options->setSpacing(10);
  TExportSetting& exportSetting = *workspace_.JobObjects().ExportSetting;
  QGroupBox* embed = RadioGroup(QStringLiteral("Video"), "rgEmbedMode",
                                {QStringLiteral("Embed Video in SWF"), QStringLiteral("Link External FLV")},
                                exportSetting.EmbedType == etEmbedFLV ? 0 : 1, rgEmbedMode_, sheet);
  connect(rgEmbedMode_, &QButtonGroup::idClicked, this, [this](int id) {
    workspace_.JobObjects().ExportSetting->EmbedType = id == 0 ? etEmbedFLV : etSeperaterFLV;
  });
  options->addWidget(embed);

  auto* playback = new QGroupBox(QStringLiteral("Playback"), sheet);
  playback->setObjectName(QStringLiteral("gbPlayback"));
  auto* grid = new QGridLayout(playback);
  auto check = [&](const char* name, const QString& caption, bool on, bool TExportSetting::*field) {
    auto* box = new QCheckBox(caption, playback);
    box->setObjectName(QLatin1String(name));
    box->setChecked(on);
    connect(box, &QCheckBox::clicked, this,
            [this, field](bool checked) { (*workspace_.JobObjects().ExportSetting).*field = checked; });
    return box;
  };
  cbAutoPlay_ = check("cbAutoPlay", QStringLiteral("Auto Play"), exportSetting.AutoPlay, &TExportSetting::AutoPlay);
  cbAutoRewind_ = check("cbAutoRewind", QStringLiteral("Auto Rewind"), exportSetting.AutoRewind,
                        &TExportSetting::AutoRewind);
  cbRepeat_ = check("cbRepeat", QStringLiteral("Repeat"), exportSetting.RepeatPlay, &TExportSetting::RepeatPlay);
  auto* advance = new QPushButton(QStringLiteral("Advanced"), playback);
  advance->setObjectName(QStringLiteral("btnAdvance"));
  connect(advance, &QPushButton::clicked, this, [this] {
    AdvancedPlaybackDialog dialog(*workspace_.JobObjects().ExportSetting, window());
    dialog.exec();
  });
  grid->addWidget(cbAutoPlay_, 0, 0);
  grid->addWidget(cbAutoRewind_, 0, 1);
  grid->addWidget(cbRepeat_, 1, 0);
  grid->addWidget(advance, 1, 1);
  options->addWidget(playback, 1);
  right->addLayout(options);
  right->addStretch(1);
  layout->addLayout(right, 1);
  return sheet;
}

QWidget* TTemplatePage::BuildGeneralSheet() {
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("tsGeneral"));
  auto* layout = new QHBoxLayout(sheet);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->setSpacing(14);
  lbTemplate_ = TemplateList("lbTemplate", sheet);
  layout->addWidget(lbTemplate_);
  pgcTemplate_ = new QTabWidget(sheet);
  pgcTemplate_->setObjectName(QStringLiteral("pgcTemplate"));
  pgcTemplate_->setTabPosition(QTabWidget::South);
  pgcTemplate_->addTab(BuildContentTab(), QStringLiteral("Template"));
  pgcTemplate_->addTab(BuildOpeningTab(), QStringLiteral("Opening Movie"));
  pgcTemplate_->addTab(BuildEndingTab(), QStringLiteral("Ending Movie"));
  layout->addWidget(pgcTemplate_, 1);
  return sheet;
}

QWidget* TTemplatePage::BuildContentTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsContent"));
  auto* layout = new QGridLayout(tab);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(10);
  sfFlash_ = Preview("sfFlash", tab);
  sfFlash_->setFixedSize(240, 180);  // leaves the options beside it their room
  layout->addWidget(sfFlash_, 0, 0, 2, 1, Qt::AlignTop);

  QGroupBox* loop = RadioGroup(QStringLiteral("Play Mode:"), "rgLoopOption",
                               {QStringLiteral("Auto Loop"), QStringLiteral("Show \"Replay\" Button"),
                                QStringLiteral("No Loop")},
                               0, rgLoopOption_, tab);
  layout->addWidget(loop, 0, 1);

  auto* bar = new QGroupBox(QStringLiteral("Control Bar"), tab);
  bar->setObjectName(QStringLiteral("gbControlBar"));
  auto* barLayout = new QGridLayout(bar);
  auto* lblBarStyle = new QLabel(QStringLiteral("Bar Style"), bar);
  lblBarStyle->setObjectName(QStringLiteral("lblBarStyle"));
  cbBarStyle_ = new QComboBox(bar);
  cbBarStyle_->setObjectName(QStringLiteral("cbBarStyle"));
  cbBar_ = new QCheckBox(QStringLiteral("Show Control Bar"), bar);
  cbBar_->setObjectName(QStringLiteral("cbBar"));
  cbBar_->setChecked(true);
  connect(cbBar_, &QCheckBox::toggled, cbBarStyle_, &QWidget::setEnabled);
  // The style's play, pause and stop buttons in one composed movie: one
  // player for the three, not one each.
  sfControlBar_ = new FlashView(bar);
  sfControlBar_->setObjectName(QStringLiteral("sfControlBar"));
  sfControlBar_->setFixedSize(TControlBarPreviewLayout::Width, TControlBarPreviewLayout::Height);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sfControlBar_);
  buttons->addStretch(1);
  barLayout->addWidget(cbBar_, 0, 0, 1, 2);
  barLayout->addWidget(lblBarStyle, 1, 0);
  barLayout->addWidget(cbBarStyle_, 1, 1);
  barLayout->addLayout(buttons, 2, 0, 1, 2);
  layout->addWidget(bar, 1, 1);

  auto* music = new QGroupBox(QStringLiteral("Background Music:"), tab);
  music->setObjectName(QStringLiteral("gbMusic"));
  auto* musicLayout = new QHBoxLayout(music);
  musicLayout->setSpacing(6);
  bedtBGA_ = new QLineEdit(music);
  bedtBGA_->setObjectName(QStringLiteral("bedtBGA"));
  bedtBGA_->setPlaceholderText(QStringLiteral("MP3 or WAV file"));
  auto* browse = bedtBGA_->addAction(GlyphIcon(TGlyph::Folder), QLineEdit::TrailingPosition);
  browse->setObjectName(QStringLiteral("bedtBGAButton"));
  browse->setToolTip(QStringLiteral("Choose a music file"));
  connect(browse, &QAction::triggered, this, &TTemplatePage::bedtBGAButtonClick);
  connect(bedtBGA_, &QLineEdit::textChanged, bedtBGA_, &QWidget::setToolTip);
  btnAPlay_ = MusicButton("btnAPlay", TGlyph::Play, QStringLiteral("Play"), music);
  btnAStop_ = MusicButton("btnAStop", TGlyph::Stop, QStringLiteral("Stop"), music);
  btnAClear_ = MusicButton("btnAClear", TGlyph::Close, QStringLiteral("Clear"), music);
  connect(btnAPlay_, &QToolButton::clicked, this, &TTemplatePage::btnAPlayClick);
  connect(btnAStop_, &QToolButton::clicked, this, &TTemplatePage::btnAStopClick);
  connect(btnAClear_, &QToolButton::clicked, this, &TTemplatePage::btnAClearClick);
  rbLoop_ = new QCheckBox(QStringLiteral("Loop"), music);
  rbLoop_->setObjectName(QStringLiteral("rbLoop"));
  musicLayout->addWidget(bedtBGA_, 1);
  musicLayout->addWidget(btnAPlay_);
  musicLayout->addWidget(btnAStop_);
  musicLayout->addWidget(btnAClear_);
  musicLayout->addWidget(rbLoop_);
  layout->addWidget(music, 2, 0, 1, 2);
  layout->setColumnStretch(0, 1);
  layout->setRowStretch(1, 1);
  return tab;
}

// The title tabs: the preview on top at the title movie's 4:3 shape, the
// texts with their effect buttons below it.
namespace {
constexpr QSize kTitlePreviewSize(320, 240);
}

QWidget* TTemplatePage::BuildOpeningTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsBegin"));
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(10);
  sfFlash1_ = Preview("sfFlash1", tab);
  sfFlash1_->setFixedSize(kTitlePreviewSize);
  layout->addWidget(sfFlash1_, 0, Qt::AlignHCenter);
  auto* form = new QGridLayout;
  form->setVerticalSpacing(6);
  form->setHorizontalSpacing(8);
  edtTitle_ = new QLineEdit(tab);
  edtTitle_->setObjectName(QStringLiteral("edtTitle"));
  edtTitle_->setMaxLength(50);
  edtDirector_ = new QLineEdit(tab);
  edtDirector_->setObjectName(QStringLiteral("edtDirector"));
  edtDirector_->setMaxLength(50);
  mmoMotive_ = new TitleMemo(TMemoRules{2, 30, true, 100}, tab);
  mmoMotive_->setObjectName(QStringLiteral("mmoMotive"));
  mmoMotive_->setFixedHeight(70);
  int kind = 0;
  for (auto [caption, field, button] : {std::tuple<const char*, QWidget*, const char*>{"Title", edtTitle_, "btnTitleEffectSet"},
                                        {"Director", edtDirector_, "btnDirectorSet"},
                                        {"Motive", mmoMotive_, "btnMotiveSet"}}) {
    auto* label = new QLabel(QLatin1String(caption), tab);
    label->setBuddy(field);
    form->addWidget(label, kind, 0, Qt::AlignTop | Qt::AlignLeft);
    form->addWidget(field, kind, 1, Qt::AlignTop);
    QPushButton* effect = EffectButton(button, tab);
    connect(effect, &QPushButton::clicked, this, [this, kind] { ShowEffectDialog(kind); });
    form->addWidget(effect, kind, 2, Qt::AlignTop);
    ++kind;
  }
  form->setColumnStretch(1, 1);
  layout->addLayout(form);
  layout->addStretch(1);
  return tab;
}

QWidget* TTemplatePage::BuildEndingTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsEnd"));
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(10);
  sfFlash2_ = Preview("sfFlash2", tab);
  sfFlash2_->setFixedSize(kTitlePreviewSize);
  layout->addWidget(sfFlash2_, 0, Qt::AlignHCenter);
  auto* form = new QGridLayout;
  form->setHorizontalSpacing(8);
  mmoCast_ = new TitleMemo(TMemoRules{5, 30, false, 100}, tab);
  mmoCast_->setObjectName(QStringLiteral("mmoCast"));
  mmoCast_->setFixedHeight(120);
  auto* label = new QLabel(QStringLiteral("Cast View"), tab);
  label->setBuddy(mmoCast_);
  QPushButton* effect = EffectButton("btnCastViewSet", tab);
  connect(effect, &QPushButton::clicked, this, [this] { ShowEffectDialog(3); });
  form->addWidget(label, 0, 0, Qt::AlignTop | Qt::AlignLeft);
  form->addWidget(mmoCast_, 0, 1, Qt::AlignTop);
  form->addWidget(effect, 0, 2, Qt::AlignTop);
  form->setColumnStretch(1, 1);
  layout->addLayout(form);
  layout->addStretch(1);
  return tab;
}

QWidget* TTemplatePage::BuildInfoColumn() {
  auto* column = new QWidget(this);
  column->setFixedWidth(250);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(12);
  auto* info = new QGroupBox(QStringLiteral("Template Info:"), column);
  info->setObjectName(QStringLiteral("gbTemplateInfo"));
  auto* form = new QFormLayout(info);
  lblTempC_ = new QLabel(info);
  lblTempC_->setObjectName(QStringLiteral("lblTempC"));
  lblTempC_->setWordWrap(true);
  lblSizeC_ = new QLabel(info);
  lblSizeC_->setObjectName(QStringLiteral("lblSizeC"));
  form->addRow(QStringLiteral("Template Name:"), lblTempC_);
  form->addRow(QStringLiteral("Template Size:"), lblSizeC_);
  layout->addWidget(info);

  auto* colour = new QGroupBox(QStringLiteral("Background"), column);
  colour->setObjectName(QStringLiteral("gbBackground"));
  auto* colourRow = new QHBoxLayout(colour);
  colourRow->addWidget(new QLabel(QStringLiteral("Background Color:    "), colour));
  cedtColor_ = new ColorButton(colour);
  cedtColor_->setObjectName(QStringLiteral("cedtColor"));
  colourRow->addWidget(cedtColor_);
  colourRow->addStretch(1);
  connect(cedtColor_, &ColorButton::ColorChanged, this, &TTemplatePage::cedtColorChange);
  layout->addWidget(colour);
  layout->addStretch(1);

  RzLabel9_ = new QLabel(QStringLiteral("Download more templates for free"), column);
  RzLabel9_->setObjectName(QStringLiteral("RzLabel9"));
  RzLabel9_->setProperty("freeSpot", false);  // a link, not a spot to drag the window by
  RzLabel9_->setWordWrap(true);
  RzLabel9_->installEventFilter(this);
  RzLabel9_->setStyleSheet(QStringLiteral("color:%1;text-decoration:underline").arg(kLinkNormal.name()));
  layout->addWidget(RzLabel9_);
  return column;
}

bool TTemplatePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != RzLabel9_) return TStagePage::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
      RzLabel9_->setStyleSheet(QStringLiteral("color:%1;text-decoration:underline").arg(kLinkHover.name()));
      RzLabel9_->setCursor(Qt::PointingHandCursor);
      break;
    case QEvent::Leave:
      RzLabel9_->setStyleSheet(QStringLiteral("color:%1;text-decoration:underline").arg(kLinkNormal.name()));
      RzLabel9_->unsetCursor();
      break;
    case QEvent::MouseButtonRelease:
      OpenUrl(QLatin1String(kTemplateDownloadUrl));
      return true;
    default:
      break;
  }
  return false;
}

void TTemplatePage::LoadTemplateLists() {
  pgcTemplateKind_->setCurrentIndex(0);
  const TTemplateLists lists = reelcast::LoadTemplateLists();
  lbPlayTheme_->addItem(QLatin1String(kNone));
  for (const std::string& name : lists.PlayerTemplates) lbPlayTheme_->addItem(QString::fromStdString(name));
  lbTemplate_->addItem(QLatin1String(kNone));
  for (const std::string& name : lists.GeneralTemplates) lbTemplate_->addItem(QString::fromStdString(name));
  cbBarStyle_->addItem(QString());
  for (const std::string& style : lists.ControlBarStyles) cbBarStyle_->addItem(QString::fromStdString(style));
  cbBarStyle_->setCurrentIndex(cbBarStyle_->count() > 1 ? 1 : 0);
  cbBarStyleChange();
  connect(cbBarStyle_, &QComboBox::currentIndexChanged, this, &TTemplatePage::cbBarStyleChange);

  for (FlashView* view : {sfFlash_, sfFlash1_, sfFlash2_}) view->SetBGColor(QStringLiteral("000000"));
  cedtColor_->SetWindowsColor(0);

  // The settings record's template ("Classic Gray" at start-up) is selected;
  // its preview is built when the page is first shown.
  const QList<QListWidgetItem*> found =
      lbPlayTheme_->findItems(QString::fromStdString(SWFParam.Template.Name), Qt::MatchExactly);
  if (!found.isEmpty()) lbPlayTheme_->setCurrentItem(found.front());
  lbTemplate_->clearSelection();
  lbTemplate_->setCurrentRow(0);
  ShowTemplateInfo();

  InitTitleEffectDefaults();
  ShowTitleTexts();
}

void TTemplatePage::ShowTitleTexts() {
  const TTitleTexts texts = TitleTextsOrSamples();
  edtTitle_->setText(FromU16(texts.Title));
  edtDirector_->setText(FromU16(texts.Director));
  mmoMotive_->setPlainText(FromU16(texts.Motive));
  mmoCast_->setPlainText(FromU16(texts.CastView));
}

QString TTemplatePage::SelectedText(const QListWidget* list) const {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? QString() : selected.front()->text();
}

void TTemplatePage::lbTemplateClick(QListWidget* list) {
  // The previews let go of the movies they showed.
  for (FlashView* view : {sfFlash_, sfFlash1_, sfFlash2_, sfPlaytheme_}) view->SetMovie(QStringLiteral("temp.swf"));
  QListWidget* other = list == lbTemplate_ ? lbPlayTheme_ : lbTemplate_;
  clearingList_ = true;
  other->clearSelection();
  other->setCurrentRow(-1);
  clearingList_ = false;
  const QString name = SelectedText(list);
  const bool chosen = !name.isEmpty() && name != QLatin1String(kNone);
  TTemplate& choice = SWFParam.Template;
  if (list == lbTemplate_) {
    choice = chosen ? TTemplate{1, name.toStdString()} : TTemplate{0, kNone};
    if (pgcTemplate_->currentIndex() == tabContent) {
      if (chosen) {
        sfFlash_->SetMovie(QString::fromStdString(GeneralTemplateFiles(choice.Name).Template));
        sfFlash_->Play();
      }
    } else {
      // The tab's own part is shown at once, the rendered titles follow.
      pgcTemplateTabClick(pgcTemplate_->currentIndex());
    }
    RenderTitlePreview(pgcTemplate_->currentIndex() != tabOpening);
  } else {
    choice = chosen ? TTemplate{2, name.toStdString()} : TTemplate{0, kNone};
    if (chosen) {
      SizePlayerPreview();
      sfPlaytheme_->setFocus();
      ShowPlayerPreview();
    }
  }
  ShowTemplateInfo();
}

void TTemplatePage::pgcTemplateTabClick(int tab) {
  for (FlashView* view : {sfFlash_, sfFlash1_, sfFlash2_}) view->SetMovie(QStringLiteral(" "));
  const QString name = SelectedText(lbTemplate_);
  if (name.isEmpty() || name == QLatin1String(kNone)) return;
  const TGeneralTemplateFiles files = GeneralTemplateFiles(name.toStdString());
  switch (tab) {
    case tabContent: sfFlash_->SetMovie(QString::fromStdString(files.Template)); break;
    case tabOpening: sfFlash1_->SetMovie(QString::fromStdString(files.Prelude)); break;
    case tabEnding: sfFlash2_->SetMovie(QString::fromStdString(files.EndTitle)); break;
    default: break;
  }
}

void TTemplatePage::ShowPlayerPreview() {
  const QString name = SelectedText(lbPlayTheme_);
  if (name.isEmpty() || name == QLatin1String(kNone)) return;
  std::string path;
  try {
    path = MakePlayerPreview(name.toStdString(), true, SWFParam);
  } catch (const std::exception& e) {
    NVLog("The player preview of " + name.toStdString() + " was not made: " + e.what());
  }
  sfPlaytheme_->Stop();
  sfPlaytheme_->SetMovie(QString::fromStdString(path));
  sfPlaytheme_->Play();
  playerPreviewShown_ = true;
}

void TTemplatePage::SizePlayerPreview() {
  const QString name = SelectedText(lbPlayTheme_);
  if (name.isEmpty() || name == QLatin1String(kNone)) return;
  sfPlaytheme_->setFixedSize(290, 214 + ReadPlayerFrame(name.toStdString()).Height);
}

void TTemplatePage::ShowTemplateInfo() {
  const TTemplate& choice = SWFParam.Template;
  lblTempC_->setText(QString::fromStdString(choice.Name));
  if (choice.Kind == 0) {
    lblSizeC_->clear();
    return;
  }
  const std::string movie = choice.Kind == 1 ? GeneralTemplateFiles(choice.Name).Template
                                             : PlayerFolder() + choice.Name + ".swf";
  int32_t width = 0, height = 0;
  if (!SwfPixelSize(movie, width, height)) width = height = 0;
  lblSizeC_->setText(QStringLiteral("%1*%2").arg(width).arg(height));
}

void TTemplatePage::ShowPage() {
  if (pgcTemplateKind_->currentIndex() != 0) return;
  SizePlayerPreview();
  if (!playerPreviewShown_ && SWFParam.Template.Kind == 2) ShowPlayerPreview();
}

TTitleSettings TTemplatePage::Titles() const {
  TTitleSettings titles;
  titles.Texts = {edtTitle_->text().toStdU16String(), edtDirector_->text().toStdU16String(),
                  mmoMotive_->toPlainText().toStdU16String(), mmoCast_->toPlainText().toStdU16String()};
  for (int kind = 0; kind < 4; ++kind) titles.Styles[kind] = LoadTitleStyle(kind);
  return titles;
}

void TTemplatePage::RenderTitlePreview(bool ending) {
  const QString name = SelectedText(lbTemplate_);
  const TGeneralTemplateFiles files = GeneralTemplateFiles(name.toStdString());
  const std::string& part = ending ? files.EndTitle : files.Prelude;
  if (name.isEmpty() || !QFileInfo(QString::fromStdString(part)).isFile()) return;
  renderer_->Request(ending, QString::fromStdString(part), Titles(),
                     QString::fromStdString(ending ? EndTitleMoviePath(TSWFParam{}) : PreludeMoviePath(TSWFParam{})));
}

void TTemplatePage::ReleasePreviews() {
  for (FlashView* view : {sfFlash_, sfFlash1_, sfFlash2_}) {
    view->Stop();
    view->SetMovie(QString());
  }
}

void TTemplatePage::TitleTextChanged(int kind, const QString& text) {
  StoreTitleText(kind, text);
  RenderTitlePreview(kind == 3);
}

void TTemplatePage::ShowEffectDialog(int kind) {
  TitleEffectDialog dialog(kind, window());
  connect(&dialog, &TitleEffectDialog::TitlePreviewRequested, this,
          [this](int ending) { RenderTitlePreview(ending != 0); });
  dialog.exec();
}

void TTemplatePage::cbBarStyleChange() {
  const std::string style = cbBarStyle_->currentText().toStdString();
  const TControlBarFiles files = ControlBarFiles(style);
  for (const std::string* path : {&files.Play, &files.Pause, &files.Stop})
    if (!QFileInfo(QString::fromStdString(*path)).isFile()) NVLog(*path + "is not Exists!");
  const uint32_t panel = ControlBarLook(style).Panel;
  sfControlBar_->SetBGColor(QColor(panel & 0xFF, (panel >> 8) & 0xFF, (panel >> 16) & 0xFF).name());
  sfControlBar_->SetMovie(QString::fromStdString(MakeControlBarPreview(style)));
  sfControlBar_->Play();
}

void TTemplatePage::cedtColorChange() {
  const QString colour = cedtColor_->Color().name();  // "#rrggbb"
  sfFlash_->SetBGColor(colour);
  sfPlaytheme_->SetBGColor(colour);
}

void TTemplatePage::bedtBGAButtonClick() {
  const QString file = ChooseFile(window(), QStringLiteral("Background Music"), bedtBGA_->text(),
                                  QStringLiteral("Supported File (*.mp3 *.wav)"));
  if (!file.isEmpty() && QFileInfo(file).isFile()) bedtBGA_->setText(file);
  if (bedtBGA_->text().isEmpty()) return;
  btnAPlay_->setEnabled(true);
  btnAClear_->setEnabled(true);
  btnAStop_->setEnabled(false);
  tmrAudioPosition_->stop();
  music_->Stop();
}

void TTemplatePage::btnAPlayClick() {
  if (bedtBGA_->text().isEmpty()) return;
  NVLog("Begin load the third audio");
  // A file that cannot be played leaves the buttons in the playing state
  // without the position timer: Stop must be pressed.
  if (music_->Play(bedtBGA_->text())) tmrAudioPosition_->start();
  NVLog("End load the third audio");
  btnAPlay_->setEnabled(false);
  btnAStop_->setEnabled(true);
}

void TTemplatePage::tmrAudioPositionTimer() {
  if (!music_->Ended()) return;
  btnAPlay_->setEnabled(true);
  btnAStop_->setEnabled(false);
  tmrAudioPosition_->stop();
}

void TTemplatePage::btnAStopClick() {
  btnAPlay_->setEnabled(true);
  btnAStop_->setEnabled(false);
  tmrAudioPosition_->stop();
  music_->Stop();
}

void TTemplatePage::btnAClearClick() {
  if (QFileInfo(bedtBGA_->text()).isFile() && !btnAPlay_->isEnabled()) music_->Stop();
  tmrAudioPosition_->stop();
  bedtBGA_->clear();
  for (QToolButton* button : {btnAPlay_, btnAStop_, btnAClear_}) button->setEnabled(false);
}

void TTemplatePage::LeavePage() {
  // Music that plays stops when the page is left.
  if (btnAStop_->isEnabled()) btnAStopClick();
  StoreChoices();
}

void TTemplatePage::StoreChoices() {
  TSWFParam& p = SWFParam;
  p.BackColor = cedtColor_->WindowsColor();
  p.PlayMode = rgLoopOption_->checkedId();
  p.AutoLoop = p.PlayMode == kPlayAutoLoop;
  p.ShowControlBar = cbBar_->isChecked();
  p.BarStyle = cbBarStyle_->currentText().toStdString();
  p.HasMusic = !bedtBGA_->text().isEmpty();
  p.MusicFile = bedtBGA_->text().toStdString();
  p.LoopMusic = rbLoop_->isChecked();
}

void TTemplatePage::FillConvertChoices(TConvertChoices& choices) {
  choices.Template = SWFParam.Template;
  // The general-template list has no selection after a player template
  // was chosen; "None" is selected when no template is used.
  choices.GeneralTemplateSelection = SelectedText(lbTemplate_).toStdString();
  choices.BackColor = cedtColor_->WindowsColor();
  choices.LoopOption = rgLoopOption_->checkedId();
  choices.ShowControlBar = cbBar_->isChecked();
  choices.BarStyle = cbBarStyle_->currentText().toStdString();
  choices.MusicFile = bedtBGA_->text().toStdString();
  choices.LoopMusic = rbLoop_->isChecked();
}

}  // namespace reelcast::ui
