#include "ui/ImportPage.h"

#include <QAbstractItemView>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/Workspace.h"

namespace reelcast::ui {

TImportPage::TImportPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsSelect"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(12);

  // The DVD folder row.
  auto* folderRow = new QHBoxLayout;
  auto* folderLabel = new QLabel(tr("DVD folder:"), this);
  folderLabel->setObjectName(QStringLiteral("lblSource"));
  ebtnOpenFile_ = new QLineEdit(this);
  ebtnOpenFile_->setObjectName(QStringLiteral("ebtnOpenFile"));
  ebtnOpenFile_->setReadOnly(true);
  ebtnOpenFile_->setPlaceholderText(tr("Open a DVD folder (the one holding VIDEO_TS) to list its titles"));
  btnOpen_ = new QPushButton(GlyphIcon(TGlyph::Folder, Qt::white), tr("Open File"), this);
  btnOpen_->setObjectName(QStringLiteral("btnOpen"));
  btnOpen_->setProperty("accent", true);
  beSourceDir1_ = new QLineEdit(this);  // kept hidden; the folder shows in ebtnOpenFile
  beSourceDir1_->setObjectName(QStringLiteral("beSourceDir1"));
  beSourceDir1_->hide();
  folderRow->addWidget(folderLabel);
  folderRow->addWidget(ebtnOpenFile_, 1);
  folderRow->addWidget(btnOpen_);
  layout->addLayout(folderRow);

  auto* body = new QHBoxLayout;
  body->setSpacing(14);
  vst_ = new TTaskTreeView(workspace_, this);
  body->addWidget(vst_, 5);

  auto* side = new QVBoxLayout;
  side->setSpacing(10);
  previewArea_ = new QFrame(this);
  previewArea_->setObjectName(QStringLiteral("previewArea"));
  previewArea_->setProperty("card", true);
  previewArea_->setMinimumSize(340, 260);
  new QVBoxLayout(previewArea_);
  side->addWidget(previewArea_, 1);

  auto* streams = new QFormLayout;
  streams->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cboAudio_ = new QComboBox(this);
  cboAudio_->setObjectName(QStringLiteral("cboAudio"));
  cboSTitle_ = new QComboBox(this);
  cboSTitle_->setObjectName(QStringLiteral("cboSTitle"));
  streams->addRow(tr("Audio track:"), cboAudio_);
  streams->addRow(tr("Subtitle:"), cboSTitle_);
  side->addLayout(streams);
  body->addLayout(side, 4);
  layout->addLayout(body, 1);

  connect(btnOpen_, &QPushButton::clicked, this, &TImportPage::LoadDvdFolder);
  connect(&workspace_, &TWorkspace::selectionChanged, this, &TImportPage::SelectionChanged);
  connect(&workspace_, &TWorkspace::sourceControlsEnabled, this, &TImportPage::EnableSourceControls);
  connect(&workspace_, &TWorkspace::dvdLoaded, this, [this] { ebtnOpenFile_->setText(workspace_.OpenFileText()); });
  connect(cboAudio_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    workspace_.List().ChooseAudioTrack(workspace_.Selected(), index);
    workspace_.NotifyRowsChanged();
  });
  connect(cboSTitle_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    workspace_.List().ChooseSubtitle(workspace_.Selected(), index);
    workspace_.NotifyRowsChanged();
  });
  EnableSourceControls(false);
}

void TImportPage::LoadDvdFolder() {
  QString folder = ChooseFolder(window(), tr("Please select a DVD folder:"), workspace_.OpenFileText());
  if (folder.isEmpty()) return;
  workspace_.LoadDvdFolder(folder);
}

void TImportPage::EnableSourceControls(bool on) {
  for (const char* name : {"cboSTitle", "cboAudio", "VCTrack", "btnPlay", "btnPause", "btnStop", "cbTrim"})
    if (auto* w = findChild<QWidget*>(QLatin1String(name))) w->setEnabled(on);
}

void TImportPage::ShowPage() {}

void TImportPage::SelectionChanged(TTaskRow* row) {
  TTaskTreeView* view = vst_;
  if (row && view->TaskModel()->RowAt(view->currentIndex()) != row) view->SelectRow(row);
  // The list computed the boxes' contents when the row was selected; the
  // same choice is asked for again without side effects.
  FillStreamChoice(row ? workspace_.List().Select(row) : TStreamChoice{});
}

void TImportPage::FillStreamChoice(const TStreamChoice& choice) {
  filling_ = true;
  cboAudio_->clear();
  for (const auto& item : choice.AudioItems) cboAudio_->addItem(QString::fromStdString(item));
  cboAudio_->setCurrentIndex(choice.AudioItem);
  cboSTitle_->clear();
  for (const auto& item : choice.SubtitleItems) cboSTitle_->addItem(QString::fromStdString(item));
  cboSTitle_->setCurrentIndex(choice.SubtitleItem);
  FitDropDown(cboAudio_);
  FitDropDown(cboSTitle_);
  filling_ = false;
}

void TImportPage::FitDropDown(QComboBox* box) {
  // As wide as the widest item's text, at least 100 pixels, plus 8.
  int widest = 0;
  const QFontMetrics metrics(box->view()->font());
  for (int i = 0; i < box->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
  box->view()->setMinimumWidth(std::max(widest, 100) + 8);
}

}  // namespace reelcast::ui
