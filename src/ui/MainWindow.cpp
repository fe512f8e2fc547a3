#include "ui/MainWindow.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "convert/ConvertService.h"
#include "publish/PublishSteps.h"
#include "publish/TemplateMovie.h"
#include "publish/TemplateTrailer.h"
#include "ui/AboutWindow.h"
#include "ui/ConverterWindow.h"
#include "ui/Dialogs.h"
#include "ui/EventTrace.h"
#include "ui/EditPage.h"
#include "ui/EncoderPage.h"
#include "ui/Icons.h"
#include "ui/ImportPage.h"
#include "ui/PublishPage.h"
#include "ui/TemplatePage.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {
namespace {

struct TStageInfo {
  const char* ObjectName;
  const char* Caption;
  const char* Hint;
};
constexpr TStageInfo kStages[] = {
    {"btnSelect", "Import", "Open a DVD folder and choose titles and chapters"},
    {"btnEffect", "Edit", "Trim, crop and adjust the picture and sound"},
    {"btnEncoder", "Encoder", "Video and sound settings of the output"},
    {"btnTemplate", "Template", "Dress the movie with a template, titles and music"},
    {"btnPublish", "Publish", "Choose the output and convert"},
};

}  // namespace

TMainWindow::TMainWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromStdU16String(ProductFullName));
  setWindowIcon(AppIcon());
  setAttribute(Qt::WA_StyledBackground);
  resize(980, 660);
  setMinimumSize(860, 580);
  RoundWindow(this);
  DragByFreeSpots(this);

  workspace_ = new TWorkspace(this);
  // InitMainWindow: the job settings record's defaults (the preloader and
  // export settings objects live with the workspace) and the scratch and
  // snapshot folders, which a job may have removed.
  InitJobSettings(workspace_->JobObjects());
  InitFolders();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* strip = new TTitleStrip(windowTitle(), this);
  strip->setObjectName(QStringLiteral("imgTop"));
  auto* help = strip->AddButton(QStringLiteral("btnHelp"), GlyphIcon(TGlyph::Help, QColor(0xe2, 0xe8, 0xf0)),
                                tr("User guide"));
  auto* about = strip->AddButton(QStringLiteral("btnAbout"), GlyphIcon(TGlyph::About, QColor(0xe2, 0xe8, 0xf0)),
                                 tr("About"));
  auto* minimise = strip->AddButton(QStringLiteral("btnMin"), GlyphIcon(TGlyph::Minimise, QColor(0xe2, 0xe8, 0xf0)),
                                    tr("Minimise"));
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 tr("Close"));
  layout->addWidget(strip);
  connect(help, &QToolButton::clicked, this, &TMainWindow::OpenUserGuide);
  connect(about, &QToolButton::clicked, this, &TMainWindow::ShowAbout);
  connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
  connect(close, &QToolButton::clicked, this, &QWidget::close);

  BuildStageBar(layout);

  pgcMain_ = new QStackedWidget(this);
  pgcMain_->setObjectName(QStringLiteral("pgcMain"));
  pages_[stImport] = new TImportPage(*workspace_, pgcMain_);
  pages_[stEdit] = new TEditPage(*workspace_, pgcMain_);
  pages_[stEncoder] = new TEncoderPage(*workspace_, pgcMain_);
  pages_[stTemplate] = new TTemplatePage(*workspace_, pgcMain_);
  pages_[stPublish] = new TPublishPage(*workspace_, pgcMain_);
  for (TStagePage* page : pages_) pgcMain_->addWidget(page);
  layout->addWidget(pgcMain_, 1);
  connect(PublishPage(), &TPublishPage::convertClicked, this, &TMainWindow::btnConvertClick);

  pgcMain_->setCurrentIndex(stImport);
  stageButtons_[stImport]->setChecked(true);
}

TMainWindow::~TMainWindow() {
  // FormDestroy: no preview may play on.
  for (TStagePage* page : pages_) page->StopPreview();
}

TImportPage* TMainWindow::ImportPage() const { return static_cast<TImportPage*>(pages_[stImport]); }
TEditPage* TMainWindow::EditPage() const { return static_cast<TEditPage*>(pages_[stEdit]); }
TEncoderPage* TMainWindow::EncoderPage() const { return static_cast<TEncoderPage*>(pages_[stEncoder]); }
TTemplatePage* TMainWindow::TemplatePage() const { return static_cast<TTemplatePage*>(pages_[stTemplate]); }
TPublishPage* TMainWindow::PublishPage() const { return static_cast<TPublishPage*>(pages_[stPublish]); }

void TMainWindow::BuildStageBar(QLayout* layout) {
  auto* bar = new QFrame(this);
  bar->setObjectName(QStringLiteral("stageBar"));
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(18, 10, 18, 10);
  row->setSpacing(6);
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (int i = 0; i < 5; ++i) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(kStages[i].ObjectName));
    button->setProperty("Tag", i);
    button->setProperty("stage", true);
    button->setText(QStringLiteral("%1  %2").arg(i + 1).arg(QLatin1String(kStages[i].Caption)));
    button->setToolTip(tr(kStages[i].Hint));
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    group->addButton(button, i);
    row->addWidget(button);
    stageButtons_[i] = button;
    if (i < 4) {
      auto* arrow = new QLabel(QStringLiteral("›"), bar);
      arrow->setObjectName(QStringLiteral("stageArrow"));
      row->addWidget(arrow);
    }
  }
  connect(group, &QButtonGroup::idClicked, this, &TMainWindow::SwitchStage);

  // While a DVD folder loads on its worker thread: a busy bar at the end of
  // the stage row; the folder button and Convert wait for the load's end.
  auto* busy = new QWidget(bar);
  busy->setObjectName(QStringLiteral("pnlLoading"));
  auto* busyRow = new QHBoxLayout(busy);
  busyRow->setContentsMargins(12, 0, 0, 0);
  auto* busyText = new QLabel(tr("Loading the DVD…"), busy);
  busyText->setProperty("hint", true);
  auto* busyBar = new QProgressBar(busy);
  busyBar->setObjectName(QStringLiteral("pbLoading"));
  busyBar->setRange(0, 0);  // no known end: the bar runs to and fro
  busyBar->setTextVisible(false);
  busyBar->setFixedWidth(90);
  busyRow->addWidget(busyText);
  busyRow->addWidget(busyBar);
  busy->hide();
  row->addWidget(busy);
  connect(workspace_, &TWorkspace::loadingChanged, this, [this, busy](bool loading) {
    busy->setVisible(loading);
    for (const char* name : {"btnOpen", "btnConvert"})
      if (auto* w = findChild<QWidget*>(QLatin1String(name))) w->setEnabled(!loading);
  });
  connect(workspace_, &TWorkspace::rowsAboutToBeReplaced, this, [this] {
    for (TStagePage* page : pages_) page->StopPreview();
  });
  layout->addWidget(bar);
}

void TMainWindow::SwitchStage(int stage) {
  const int left = pgcMain_->currentIndex();
  if (stage < 0 || stage > 4) return;
  if (stage == left) {
    stageButtons_[stage]->setChecked(true);
    return;
  }
  for (TStagePage* page : pages_) page->StopPreview();
  if (!workspace_->DvdLoaded())
    if (auto* play = findChild<QWidget*>(QStringLiteral("btnPlay"))) play->setEnabled(false);
  ApplyPageSettings(left);
  pgcMain_->setCurrentIndex(stage);
  stageButtons_[stage]->setChecked(true);
  pages_[stage]->ShowPage();
}

void TMainWindow::ApplyPageSettings(int stage) {
  TStagePage* page = pages_[stage];
  page->LeavePage();
  {
    TSettingsBatch batch;  // one write of the settings file for all rows
    for (TTaskRow* row : workspace_->TaskRows()) page->StoreSettings(row->Task);
  }
  workspace_->NotifyRowsChanged();
}

void TMainWindow::btnConvertClick() {
  TracePhase("convert clicked");
  TConvertChoices choices;
  choices.SourceFolder = workspace_->OpenFileText().toStdString();
  for (TStagePage* page : pages_) page->FillConvertChoices(choices);

  TConvertHost host;
  host.ShowMessage = [this](const std::string& text, const std::string& caption) {
    // The template error is a plain message without a caption.
    ShowMessage(this, QString::fromStdString(text), QString::fromStdString(caption),
                caption.empty() ? TDialogKind::Warning : TDialogKind::Information);
  };
  host.AskYesNo = [this](const std::string& text, const std::string& caption) {
    return AskYesNo(this, QString::fromStdString(text), QString::fromStdString(caption));
  };
  host.ShowImport = [this] {
    SwitchStage(stImport);
    ImportPage()->LoadDvdFolder();
  };
  host.StoreEditSettings = [this](TTask& task) { EditPage()->StoreSettings(task); };
  host.StoreEncoderSettings = [this](TTask& task) { EncoderPage()->StoreSettings(task); };
  // The job renders the title movies from the texts as typed (below); the
  // previews let go of the template's movies.
  host.RenderTitlePreviews = [this] { TemplatePage()->ReleasePreviews(); };
  host.ReadImageArea = [](const std::string& file) { return ReadImageArea(file); };
  std::optional<TTaskArray> tasks;
  {
    // The pages store their values for every taken row: one write of the
    // settings file for all of them.
    TSettingsBatch batch;
    tasks = PrepareConvert(workspace_->List().Rows(), choices, host, SWFParam);
  }
  workspace_->NotifyRowsChanged();
  TracePhase("convert checks");
  if (!tasks) return;
  // The job copies a general template and renders its title movies with
  // the Template page's titles in its own scratch folder.
  TConverterWindow converter(SWFParam, std::move(*tasks), PublishSteps({}, TemplatePage()->Titles()), this);
  emit converterWindowCreated(&converter);
  TracePhase("progress window made");
  converter.exec();
}

void TMainWindow::OpenUserGuide() {
  const QString guide = QString::fromStdString(AppPath("user guide.html"));
  OpenInShell(guide);
}

void TMainWindow::ShowAbout() {
  TAboutWindow about(this);
  about.exec();
}

void TMainWindow::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TMainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
}

}  // namespace reelcast::ui
