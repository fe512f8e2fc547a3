#include "ui/ImportPage.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "sources/PreviewEngine.h"
#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/PreviewSession.h"
#include "ui/SpinEdit.h"
#include "ui/VideoView.h"
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
  auto* listColumn = new QVBoxLayout;
  listColumn->setSpacing(10);
  listColumn->addWidget(vst_, 1);
  body->addLayout(listColumn, 5);

  auto* side = new QVBoxLayout;
  side->setSpacing(10);
  previewArea_ = new QFrame(this);
  previewArea_->setObjectName(QStringLiteral("previewArea"));
  previewArea_->setProperty("card", true);
  previewArea_->setMinimumSize(340, 220);
  auto* previewLayout = new QVBoxLayout(previewArea_);
  previewLayout->setContentsMargins(0, 0, 0, 0);
  pnlPreview_ = new TVideoView(previewArea_);
  pnlPreview_->setObjectName(QStringLiteral("pnlPreview"));
  pnlPreview_->SetIdleText(tr("Select a title or chapter and press Play to preview it."));
  previewLayout->addWidget(pnlPreview_);
  side->addWidget(previewArea_, 1);
  BuildPreviewControls(side);

  auto* streams = new QFormLayout;
  streams->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cboAudio_ = new QComboBox(this);
  cboAudio_->setObjectName(QStringLiteral("cboAudio"));
  cboSTitle_ = new QComboBox(this);
  cboSTitle_->setObjectName(QStringLiteral("cboSTitle"));
  streams->addRow(tr("Audio track:"), cboAudio_);
  streams->addRow(tr("Subtitle:"), cboSTitle_);
  listColumn->addLayout(streams);
  body->addLayout(side, 4);
  layout->addLayout(body, 1);

  connect(btnOpen_, &QPushButton::clicked, this, &TImportPage::LoadDvdFolder);
  connect(vst_, &QAbstractItemView::doubleClicked, this, [this] { ActPlayExecute(); });
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
  SetPlayState(psNoSource);
  SelectionChanged(nullptr);
}

TImportPage::~TImportPage() { StopPreview(); }

void TImportPage::BuildPreviewControls(QVBoxLayout* side) {
  preview_ = new TPreviewSession(this);
  connect(preview_, &TPreviewSession::playerTick, this, &TImportPage::PlayerTick);
  connect(preview_, &TPreviewSession::playerEnd, this, &TImportPage::PlayerEnd);

  VCTrack_ = new TClipTrackBar(this);
  VCTrack_->setObjectName(QStringLiteral("VCTrack"));
  VCTrack_->setToolTip(tr("Video Cropping"));
  VCTrack_->UseSkin();
  side->addWidget(VCTrack_);
  connect(VCTrack_, &TClipTrackBar::OnChange, this, &TImportPage::VCTrackChange);
  connect(VCTrack_, &TClipTrackBar::OnTrackDown, this, &TImportPage::VCTrackTrackDown);
  connect(VCTrack_, &TClipTrackBar::OnTrackUp, this, &TImportPage::VCTrackTrackUp);
  // A click on the bar's body moves the thumb there: it seeks like a thumb
  // released there.
  connect(VCTrack_, &TClipTrackBar::OnBodyBarDown, this, &TImportPage::VCTrackTrackDown);
  connect(VCTrack_, &TClipTrackBar::OnBodyBayUp, this, &TImportPage::VCTrackTrackUp);
  connect(VCTrack_, &TClipTrackBar::OnSegDown, this, &TImportPage::VCTrackSegDown);
  connect(VCTrack_, &TClipTrackBar::OnSegUp, this, &TImportPage::VCTrackSegUp);
  connect(VCTrack_, &TClipTrackBar::OnStartSegmentChange, this, &TImportPage::VCTrackSegmentChange);
  connect(VCTrack_, &TClipTrackBar::OnEndSegmentChange, this, &TImportPage::VCTrackSegmentChange);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  auto makeButton = [&](const char* name, TGlyph glyph, const QString& hint) {
    auto* b = new QPushButton(GlyphIcon(glyph), QString(), this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIconSize(QSize(18, 18));
    b->setFixedSize(40, 32);
    buttons->addWidget(b);
    return b;
  };
  btnPlay_ = makeButton("btnPlay", TGlyph::Play, tr("Play"));
  btnPause_ = makeButton("btnPause", TGlyph::Pause, tr("Pause"));
  btnStop_ = makeButton("btnStop", TGlyph::Stop, tr("Stop"));
  btnPause_->hide();
  buttons->addStretch(1);
  lblPlayTime_ = new QLabel(QStringLiteral("00:00:00 / 00:00:00"), this);
  lblPlayTime_->setObjectName(QStringLiteral("lblPlayTime"));
  lblPlayTime_->setProperty("hint", true);
  buttons->addWidget(lblPlayTime_);
  side->addLayout(buttons);
  connect(btnPlay_, &QPushButton::clicked, this, &TImportPage::ActPlayExecute);
  connect(btnPause_, &QPushButton::clicked, this, &TImportPage::PausePreview);
  connect(btnStop_, &QPushButton::clicked, this, &TImportPage::ActStopExecute);

  auto* trim = new QGroupBox(tr("Trim Moive"), this);
  trim->setObjectName(QStringLiteral("gbTrim"));
  auto* grid = new QGridLayout(trim);
  grid->setHorizontalSpacing(10);
  cbTrim_ = new QCheckBox(tr("Set start time  and end time"), trim);
  cbTrim_->setObjectName(QStringLiteral("cbTrim"));
  grid->addWidget(cbTrim_, 0, 0, 1, 4);
  auto makeSpin = [&](const char* name) {
    auto* spin = new TSpinEdit(trim);
    spin->setObjectName(QLatin1String(name));
    spin->setEnabled(false);
    spin->setMinimumWidth(80);
    return spin;
  };
  auto makeClock = [&](const char* name) {
    auto* label = new QLabel(QStringLiteral("00:00:00"), trim);
    label->setObjectName(QLatin1String(name));
    return label;
  };
  sedStart_ = makeSpin("sedStart");
  sedend_ = makeSpin("sedend");
  lblStart_ = makeClock("lblStart");
  lblEnd_ = makeClock("lblEnd");
  lblLength_ = makeClock("lblLength");
  edtLength_ = new QLineEdit(QStringLiteral("0"), trim);
  edtLength_->setObjectName(QStringLiteral("edtLength"));
  edtLength_->setReadOnly(true);
  edtLength_->setMaximumWidth(80);
  grid->addWidget(new QLabel(tr("Start Time:"), trim), 1, 0);
  grid->addWidget(sedStart_, 1, 1);
  grid->addWidget(lblStart_, 1, 2);
  grid->addWidget(new QLabel(tr("End Time:"), trim), 2, 0);
  grid->addWidget(sedend_, 2, 1);
  grid->addWidget(lblEnd_, 2, 2);
  grid->addWidget(new QLabel(tr("Total Capture:"), trim), 3, 0);
  grid->addWidget(lblLength_, 3, 1);
  grid->addWidget(edtLength_, 3, 2);
  grid->setColumnStretch(3, 1);
  side->addWidget(trim);
  connect(cbTrim_, &QCheckBox::clicked, this, &TImportPage::cbTrimClick);
  // The range is at least one second.
  sedStart_->Changing = [this](int x) { return sedend_->value() >= x + 1; };
  sedend_->Changing = [this](int x) { return sedStart_->value() <= x - 1; };
  connect(sedStart_, &TSpinEdit::exited, this, &TImportPage::sedStartExit);
  connect(sedStart_, &TSpinEdit::buttonClicked, this, &TImportPage::sedStartExit);
  connect(sedend_, &TSpinEdit::exited, this, &TImportPage::sedEndExit);
  connect(sedend_, &TSpinEdit::buttonClicked, this, &TImportPage::sedEndExit);
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
  StopPreview();
  TTaskTreeView* view = vst_;
  if (row && view->TaskModel()->RowAt(view->currentIndex()) != row) view->SelectRow(row);
  // The list computed the boxes' contents when the row was selected; the
  // same choice is asked for again without side effects.
  FillStreamChoice(row ? workspace_.List().Select(row) : TStreamChoice{});
  if (!row || row->Task.IsRoot()) {
    btnPlay_->setVisible(true);
    btnPause_->setVisible(false);
    SetPlayState(psNoSource);
    VCTrack_->SetMax(1);
    VCTrack_->setEnabled(false);
    btnPlay_->setEnabled(false);
    ShowTime();
    return;
  }
  SetPlayState(psStopped);
  std::error_code error;
  if (std::filesystem::exists(row->Task.Base.SourcePath, error)) {
    ShowTrim(row->Task);
    btnPlay_->setEnabled(true);
  }
}

void TImportPage::ShowTrim(const TTask& task) {
  const QSignalBlocker blockTrack(VCTrack_);
  const int length = static_cast<int>(RoundHalfEven(task.Base.Length));
  const int start = static_cast<int>(RoundHalfEven(task.TrimStart));
  const int end = static_cast<int>(RoundHalfEven(task.TrimEnd));
  VCTrack_->SetMin(0);
  VCTrack_->SetMax(length);
  VCTrack_->SetSegmentStatPos(start);
  VCTrack_->SetSegmentEndPos(end);
  VCTrack_->SetPosition(VCTrack_->SegmentStatPos());
  const QSignalBlocker blockStart(sedStart_), blockEnd(sedend_);
  sedStart_->setRange(0, std::max(length - 1, 0));
  sedStart_->setValue(start);
  // The end may be raised again up to the row's length (the handle can
  // take it there too).
  sedend_->setRange(1, std::max(length, 1));
  sedend_->setValue(end);
  lblStart_->setText(ClockText(task.TrimStart));
  lblEnd_->setText(ClockText(task.TrimEnd));
  lblLength_->setText(ClockText(task.TrimEnd - task.TrimStart));
  edtLength_->setText(QString::number(static_cast<long>(RoundHalfEven(task.TrimEnd - task.TrimStart))));
  ShowTime();
}

void TImportPage::ShowTime() {
  lblPlayTime_->setText(ClockText(VCTrack_->Position()) + QStringLiteral(" / ") + ClockText(VCTrack_->Max()));
}

TPlayState TImportPage::PlayState() const { return static_cast<TPlayState>(btnPlay_->property("Tag").toInt()); }

void TImportPage::SetPlayState(TPlayState state) { btnPlay_->setProperty("Tag", static_cast<int>(state)); }

void TImportPage::ShowPlayState(bool playing) {
  btnPlay_->setVisible(!playing);
  btnPlay_->setEnabled(!playing);
  btnPause_->setVisible(playing);
  btnPause_->setEnabled(playing);
}

double TImportPage::BeginTime() const {
  TTaskRow* row = workspace_.Selected();
  return row ? row->Task.Base.BeginTime : 0;
}

void TImportPage::ActPlayExecute() {
  const TPlayState state = PlayState();
  if (state == psPaused) {
    ResumePreview();
    return;
  }
  if (state != psStopped) return;
  TTaskRow* row = workspace_.Selected();
  if (!row || row->Task.IsRoot()) {
    VCTrack_->SetMax(1);
    VCTrack_->setEnabled(false);
    btnPlay_->setEnabled(false);
    return;
  }
  if (!preview_->OpenDecoders(row, window())) {
    preview_->Stop();
    return;
  }
  const TTask& task = row->Task;
  const TVideoProcessorHandle video = preview_->VideoProcessor();
  PCSetVideoBrightness(video, task.Brightness);
  PCSetContrast(video, task.Contrast);
  PCSetVideoSaturation(video, task.Saturation);
  PCSetVolum(preview_->AudioProcessor(), task.Volume);
  PCSetExFilterFlag(video, task.EffectFlags);
  PCSetCropRect(video, &task.Crop);
  {
    const QSignalBlocker block(VCTrack_);
    VCTrack_->SetPosition(0);
    VCTrack_->SetMax(static_cast<int>(RoundHalfEven(task.Base.Length)));
    VCTrack_->SetSegmentStatPos(static_cast<int>(RoundHalfEven(task.TrimStart)));
    VCTrack_->SetSegmentEndPos(static_cast<int>(RoundHalfEven(task.TrimEnd)));
    VCTrack_->setEnabled(true);
  }
  btnStop_->setEnabled(true);
  if (auto* photo = window()->findChild<QWidget*>(QStringLiteral("btnPhoto"))) photo->setEnabled(true);
  pnlPreview_->show();
  preview_->CreatePlayer(pnlPreview_);
  const TPlayerHandle player = preview_->Player();
  VPSetPlayTime(player, task.Base.BeginTime + task.TrimStart, task.TrimEnd - task.TrimStart);
  switch (task.Encoder.ResizeMode) {
    case 0: VPSetDisplayRatio(player, pnlPreview_->width(), pnlPreview_->height()); break;
    case 2: VPSetDisplayRatio(player, 16, 9); break;
    case 3: VPSetDisplayRatio(player, 4, 3); break;
    default: VPSetDisplayRatio(player, 0, 0); break;
  }
  seekOffset_ = 0;
  VPPlay(player);
  ShowPlayState(true);
  SetPlayState(psPlaying);
}

void TImportPage::PausePreview() {
  if (!preview_->Active()) return;
  ShowPlayState(false);
  if (auto* photo = window()->findChild<QWidget*>(QStringLiteral("btnPhoto"))) photo->setEnabled(true);
  SetPlayState(psPaused);
  VPPause(preview_->Player());
}

void TImportPage::ResumePreview() {
  if (preview_->Active()) {
    if (VCTrack_->Position() == VCTrack_->SegmentEndPos()) {
      VCTrack_->SetPosition(VCTrack_->SegmentStatPos());
      VPSeek(preview_->Player(), BeginTime() + std::max(VCTrack_->Position(), VCTrack_->SegmentStatPos()));
    }
    VPResume(preview_->Player());
  }
  ShowPlayState(true);
  SetPlayState(psPlaying);
}

void TImportPage::StopPreview() {
  preview_->Stop();
  ShowPlayState(false);
  // Without a selected title or chapter there is nothing to play.
  TTaskRow* row = workspace_.Selected();
  btnPlay_->setEnabled(row && !row->Task.IsRoot());
  if (PlayState() != psNoSource) SetPlayState(psStopped);
}

void TImportPage::ActStopExecute() {
  if (PlayState() != psStopped) StopPreview();
}

void TImportPage::PlayerTick() {
  if (!track_ || !preview_->Active()) return;
  VCTrack_->SetPosition(static_cast<int>(RoundHalfEven(VPGetPlayedTime(preview_->Player()))) +
                        static_cast<int>(seekOffset_) + VCTrack_->SegmentStatPos());
  ShowTime();
}

void TImportPage::PlayerEnd() {
  if (!track_) return;
  StopPreview();
  VCTrack_->SetPosition(VCTrack_->SegmentStatPos());
  btnPlay_->setEnabled(!workspace_.TaskRows().empty());
  btnPause_->setEnabled(false);
  btnPause_->hide();
  SetPlayState(psStopped);
  ShowTime();
}

void TImportPage::VCTrackChange() {
  ShowTime();
  QToolTip::showText(QCursor::pos(), ClockText(VCTrack_->Position()), VCTrack_);
}

void TImportPage::VCTrackTrackDown() {
  track_ = false;
  if (PlayState() == psPlaying) PausePreview();
}

void TImportPage::VCTrackTrackUp() {
  TTaskRow* row = workspace_.Selected();
  if (row && !row->Task.IsRoot()) {
    if (PlayState() == psPaused && preview_->Active())
      VPSeek(preview_->Player(), BeginTime() + std::max(VCTrack_->Position(), VCTrack_->SegmentStatPos()));
    // Without a preview the buttons stay stopped: nothing would play.
    if (preview_->Active()) ResumePreview();
  }
  track_ = true;
}

void TImportPage::VCTrackSegDown(TClipTrackBar::BUTTONTYPE) {
  track_ = false;
  if (preview_->Active() && PlayState() == psPlaying) VPPause(preview_->Player());
}

void TImportPage::VCTrackSegUp(TClipTrackBar::BUTTONTYPE handle) {
  track_ = true;
  if (!preview_->Active() || PlayState() != psPlaying) return;
  TTaskRow* row = workspace_.Selected();
  if (!row) return;
  const TTask& task = row->Task;
  const TPlayerHandle player = preview_->Player();
  VPResume(player);
  if (handle == TClipTrackBar::ENDSEGBUTTON) {
    if (VCTrack_->SegmentEndPos() == VCTrack_->Max()) {
      btnStop_->click();
      return;
    }
    // Play on after the cut, so that the user hears what follows it.
    seekOffset_ = VCTrack_->SegmentEndPos() - VCTrack_->SegmentStatPos();
    VPSetPlayTime(player, task.Base.BeginTime + task.TrimEnd, VCTrack_->Max() - task.TrimEnd);
    VPSeek(player, task.Base.BeginTime + VCTrack_->SegmentEndPos());
  } else {
    seekOffset_ = 0;
    VPSetPlayTime(player, task.Base.BeginTime + task.TrimStart, task.TrimEnd - task.TrimStart);
    VPSeek(player, task.Base.BeginTime + VCTrack_->SegmentStatPos());
  }
}

void TImportPage::VCTrackSegmentChange() {
  TTaskRow* row = workspace_.Selected();
  if (!row || row->Task.IsRoot()) return;
  TTask& task = row->Task;
  task.TrimStart = VCTrack_->SegmentStatPos();
  task.TrimEnd = VCTrack_->SegmentEndPos();
  // A title of one chapter and that chapter share one trim range.
  auto single = [](const TTaskRow* title) {
    return title && title->Children.size() == 1 && title->Task.Base.ChapterCount.size() &&
           std::atoi(title->Task.Base.ChapterCount.c_str()) <= 1;
  };
  TTaskRow* twin = nullptr;
  if (task.IsTitle() && single(row)) twin = row->Children.front().get();
  else if (task.IsChapter() && single(row->Parent)) twin = row->Parent;
  if (twin) {
    twin->Task.TrimStart = task.TrimStart;
    twin->Task.TrimEnd = task.TrimEnd;
  }
  {
    const QSignalBlocker blockStart(sedStart_), blockEnd(sedend_);
    sedStart_->setValue(VCTrack_->SegmentStatPos());
    sedend_->setValue(VCTrack_->SegmentEndPos());
  }
  lblStart_->setText(ClockText(task.TrimStart));
  lblEnd_->setText(ClockText(task.TrimEnd));
  lblLength_->setText(ClockText(task.TrimEnd - task.TrimStart));
  edtLength_->setText(QString::number(static_cast<long>(RoundHalfEven(task.TrimEnd - task.TrimStart))));
  workspace_.NotifyRowsChanged();
}

void TImportPage::cbTrimClick() {
  sedStart_->setEnabled(cbTrim_->isChecked());
  sedend_->setEnabled(cbTrim_->isChecked());
}

void TImportPage::sedStartExit() {
  bool ok = false;
  int v = sedStart_->cleanText().toInt(&ok);
  if (!ok) v = 0;
  if (v >= VCTrack_->SegmentEndPos()) {
    StopPreview();
    v = 0;
    const QSignalBlocker block(sedStart_);
    sedStart_->setValue(0);
  }
  VCTrack_->SetSegmentStatPos(v);
  if (VCTrack_->Position() < VCTrack_->SegmentStatPos()) VCTrack_->SetPosition(VCTrack_->SegmentStatPos());
  if (VCTrack_->SegmentEndPos() - VCTrack_->SegmentStatPos() > 0) {
    VCTrackSegDown(TClipTrackBar::STATESEGBUTTON);
    VCTrackSegmentChange();
    VCTrackSegUp(TClipTrackBar::STATESEGBUTTON);
  }
}

void TImportPage::sedEndExit() {
  bool ok = false;
  int v = sedend_->cleanText().toInt(&ok);
  if (!ok) v = 0;
  if (VCTrack_->SegmentStatPos() >= v) v = VCTrack_->Max();
  VCTrack_->SetSegmentEndPos(v);
  if (VCTrack_->Position() > VCTrack_->SegmentEndPos()) VCTrack_->SetPosition(VCTrack_->SegmentEndPos());
  if (VCTrack_->SegmentEndPos() - VCTrack_->SegmentStatPos() > 0) {
    VCTrackSegDown(TClipTrackBar::ENDSEGBUTTON);
    VCTrackSegmentChange();
    VCTrackSegUp(TClipTrackBar::ENDSEGBUTTON);
  }
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
