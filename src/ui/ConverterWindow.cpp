#include "ui/ConverterWindow.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Paths.h"
#include "ui/Dialogs.h"
#include "ui/EventTrace.h"
#include "ui/FlashView.h"
#include "ui/Icons.h"
#include "ui/UploadDialog.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

TConverterWindow::TConverterWindow(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmConverter"));
  setWindowTitle(QStringLiteral("Converter"));
  setModal(true);
  setAttribute(Qt::WA_StyledBackground);
  setFixedSize(542, 377);
  RoundWindow(this);
  DragByFreeSpots(this);

  TConverterModel::THost host;
  host.AskYesNo = [this](const std::string& text, const std::string& caption) {
    return AskYesNo(this, QString::fromStdString(text), QString::fromStdString(caption));
  };
  host.ShowMessage = [this](const std::string& text, const std::string& caption) {
    ShowMessage(this, QString::fromStdString(text), QString::fromStdString(caption));
  };
  host.OpenPath = [this](const std::string& path) { OpenPath(path); };
  host.Upload = [this](const std::string& folder) { Upload(folder); };
  host.Changed = [this] { Refresh(); };
  host.StartOffThread = true;  // the window keeps painting while the job starts
  model_ = std::make_unique<TConverterModel>(settings, std::move(tasks), std::move(steps), std::move(host));
  // Posted on the job's threads: wake the UI thread once per batch.
  model_->Queue()->SetWakeUp([this] {
    if (!wakePending_.exchange(true))
      QMetaObject::invokeMethod(this, &TConverterWindow::ProcessEvents, Qt::QueuedConnection);
  });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);  // the outline of the style sheet
  layout->setSpacing(0);
  auto* strip = new TTitleStrip(QStringLiteral("Converter"), this);
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 QStringLiteral("Cancel"));
  connect(close, &QToolButton::clicked, this, [this] { model_->CancelClick(); });
  layout->addWidget(strip);

  auto* pnlClient = new QFrame(this);
  pnlClient->setObjectName(QStringLiteral("pnlClient"));
  auto* client = new QHBoxLayout(pnlClient);
  client->setContentsMargins(14, 14, 14, 14);
  client->setSpacing(16);
  sfFlashShow_ = new QFrame(pnlClient);
  sfFlashShow_->setObjectName(QStringLiteral("sfFlashShow"));
  sfFlashShow_->setFixedWidth(141);
  new QVBoxLayout(sfFlashShow_);
  sfFlashShow_->layout()->setContentsMargins(0, 0, 0, 0);
  // The side animation: a short looping movie of the data folder.
  auto* animation = new FlashView(sfFlashShow_);
  animation->setObjectName(QStringLiteral("sfFlashShowPlayer"));
  animation->SetBGColor(QStringLiteral("FFFFFF"));
  animation->SetMovie(QString::fromStdString(AppPath("res\\ConverterShow.swf")));
  animation->Play();
  sfFlashShow_->layout()->addWidget(animation);
  client->addWidget(sfFlashShow_);

  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  auto* lblInfo = new QLabel(QStringLiteral("Information"), pnlClient);
  lblInfo->setObjectName(QStringLiteral("lblInfo"));
  mmoInfo_ = new QPlainTextEdit(pnlClient);
  mmoInfo_->setObjectName(QStringLiteral("mmoInfo"));
  mmoInfo_->setReadOnly(true);
  mmoInfo_->setContextMenuPolicy(Qt::NoContextMenu);  // right clicks do nothing
  lblConverHintInfo_ = new QLabel(QStringLiteral("Wait ..."), pnlClient);
  lblConverHintInfo_->setObjectName(QStringLiteral("lblConverHintInfo"));
  pbProgress_ = new QProgressBar(pnlClient);
  pbProgress_->setObjectName(QStringLiteral("pbProgress"));
  pbProgress_->setRange(0, 100);
  pbProgress_->setValue(0);
  pbProgress_->setTextVisible(false);
  auto* bottom = new QHBoxLayout;
  lblSec_ = new QLabel(pnlClient);
  lblSec_->setObjectName(QStringLiteral("lblSec"));
  btnPause_ = new QPushButton(QStringLiteral("&Pause"), pnlClient);
  btnPause_->setObjectName(QStringLiteral("btnPause"));
  btnCancel_ = new QPushButton(QStringLiteral("Cancel"), pnlClient);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  bottom->addWidget(lblSec_, 1);
  bottom->addWidget(btnPause_);
  bottom->addWidget(btnCancel_);
  right->addWidget(lblInfo);
  right->addWidget(mmoInfo_, 1);
  right->addSpacing(4);
  right->addWidget(lblConverHintInfo_);
  right->addWidget(pbProgress_);
  right->addLayout(bottom);
  client->addLayout(right, 1);
  layout->addWidget(pnlClient, 1);

  connect(btnPause_, &QPushButton::clicked, this, [this] { model_->PauseClick(); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { model_->CancelClick(); });
  TmrRunStar_.setSingleShot(true);
  TmrRunStar_.setInterval(100);
  connect(&TmrRunStar_, &QTimer::timeout, this, [this] { model_->StartStep(); });

  model_->Show();
  Refresh();
}

TConverterWindow::~TConverterWindow() {
  // Nothing may wake a window that is going away.
  model_->Queue()->SetWakeUp({});
  model_.reset();
}

void TConverterWindow::showEvent(QShowEvent* event) {
  TracePhase("progress window show");
  QDialog::showEvent(event);
  TracePhase("progress window shown");
  if (started_) return;
  started_ = true;
  TmrRunStar_.start();
}

void TConverterWindow::ProcessEvents() {
  wakePending_ = false;
  model_->ProcessEvents();
}

void TConverterWindow::Refresh() {
  const TConverterModel& m = *model_;
  const auto& lines = m.LogLines();
  if (lines.size() < shownLines_) {
    mmoInfo_->clear();
    shownLines_ = 0;
  }
  for (; shownLines_ < lines.size(); ++shownLines_)
    mmoInfo_->appendPlainText(QString::fromStdString(lines[shownLines_]));
  lblConverHintInfo_->setText(QString::fromStdString(m.StatusText()));
  pbProgress_->setValue(m.Progress());
  // The label's two lines are parted by a carriage return at first and by a
  // line feed and a carriage return while encoding; both show as one break.
  lblSec_->setText(QString::fromStdString(m.TimeLabel()).replace(QStringLiteral("\n\r"), QStringLiteral("\n")).replace('\r', '\n'));
  lblSec_->setVisible(m.TimeLabelVisible());
  btnPause_->setText(QString::fromStdString(m.PauseCaption()));
  btnPause_->setEnabled(m.PauseEnabled());
  if (m.Closed() && isVisible()) done(m.Succeeded() ? QDialog::Accepted : QDialog::Rejected);
}

void TConverterWindow::OpenPath(const std::string& path) {
  OpenInShell(QString::fromStdString(path));
}

void TConverterWindow::Upload(const std::string& folder) {
  TUploadDialog dialog(QString::fromStdString(folder), model_->Job().Settings(), this);
  dialog.exec();
}

void TConverterWindow::closeEvent(QCloseEvent* event) {
  // Closing by the window system is the close button: it cancels.
  if (!model_->Closed()) {
    event->ignore();
    model_->CancelClick();
    return;
  }
  QDialog::closeEvent(event);
}

void TConverterWindow::reject() {
  // Escape cancels the job the way Cancel does.
  if (!model_->Closed()) {
    model_->CancelClick();
    return;
  }
  QDialog::reject();
}

}  // namespace reelcast::ui
