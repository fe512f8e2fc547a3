#include "ui/UploadDialog.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

template <typename F>
void TUploadDialog::OnUiThread(F f, bool wait) {
  if (QThread::currentThread() == thread()) {
    f();
    return;
  }
  QMetaObject::invokeMethod(this, std::move(f), wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

TUploadDialog::TUploadDialog(const QString& localFolder, const TSWFParam& param, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      upload_(std::make_unique<TFtpUpload>(localFolder.toStdString(), param)) {
  setObjectName(QStringLiteral("frmUpload"));
  setWindowTitle(QStringLiteral("FTP Upload"));
  setAttribute(Qt::WA_StyledBackground);
  setFixedSize(500, 430);
  RoundWindow(this);
  DragByFreeSpots(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);  // the outline of the style sheet
  layout->setSpacing(0);
  auto* strip = new TTitleStrip(QStringLiteral("FTP Upload"), this);
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 QStringLiteral("Close"));
  connect(close, &QToolButton::clicked, this, &TUploadDialog::btnCancelClick);
  layout->addWidget(strip);

  auto* body = new QFrame(this);
  body->setObjectName(QStringLiteral("pnlClient"));
  auto* bodyLayout = new QVBoxLayout(body);
  bodyLayout->setContentsMargins(20, 16, 20, 16);
  bodyLayout->setSpacing(10);
  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(body);
    e->setObjectName(QLatin1String(name));
    return e;
  };
  edtHost_ = edit("edtHost");
  edtPort_ = edit("edtPort");
  // Every port number fits: with four characters a port such as 10021 read
  // from the settings would be cut to 1002 and the upload would go astray.
  edtPort_->setMaxLength(5);
  edtPort_->setValidator(new QIntValidator(0, 65535, edtPort_));
  edtUser_ = edit("edtUser");
  edtPwd_ = edit("edtPwd");
  edtPwd_->setEchoMode(QLineEdit::Password);
  edtDir_ = edit("edtDir");
  lblLocalDir_ = new QLabel(QString::fromStdString(upload_->LocalDir()), body);
  lblLocalDir_->setObjectName(QStringLiteral("lblLocalDir"));
  lblLocalDir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(QStringLiteral("Host addr:"), edtHost_);
  form->addRow(QStringLiteral("Port:"), edtPort_);
  form->addRow(QStringLiteral("Username:"), edtUser_);
  form->addRow(QStringLiteral("Password:"), edtPwd_);
  form->addRow(QStringLiteral("Directory:"), edtDir_);
  form->addRow(QStringLiteral("Local dir:"), lblLocalDir_);
  pbUp_ = new QProgressBar(body);
  pbUp_->setObjectName(QStringLiteral("pbUp"));
  pbUp_->setRange(0, 1);
  pbUp_->setValue(0);
  pbUp_->setTextVisible(false);
  form->addRow(QStringLiteral(" Progress:"), pbUp_);
  bodyLayout->addLayout(form);
  lblDis_ = new QLabel(QString::fromStdString(upload_->StatusText()), body);
  lblDis_->setObjectName(QStringLiteral("lblDis"));
  auto* lblUp = new QLabel(QStringLiteral("Click [&&Upload] to Upload your converted files to server;\n"
                                          "Click [&&Remove] to Remove the converted files from server..."),
                           body);
  lblUp->setObjectName(QStringLiteral("lblUp"));
  lblUp->setTextFormat(Qt::PlainText);
  lblUp->setText(QStringLiteral("Click [&Upload] to Upload your converted files to server;\n"
                                "Click [&Remove] to Remove the converted files from server..."));
  lblUp->setProperty("hint", true);
  bodyLayout->addWidget(lblDis_);
  bodyLayout->addWidget(lblUp);
  bodyLayout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnUp_ = new QPushButton(QStringLiteral("&Upload"), body);
  btnUp_->setObjectName(QStringLiteral("btnUp"));
  btnUp_->setProperty("accent", true);
  btnDel_ = new QPushButton(QStringLiteral("&Remove"), body);
  btnDel_->setObjectName(QStringLiteral("btnDel"));
  btnCancel_ = new QPushButton(QStringLiteral("&Cancel"), body);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(btnUp_);
  buttons->addWidget(btnDel_);
  buttons->addWidget(btnCancel_);
  bodyLayout->addLayout(buttons);
  layout->addWidget(body, 1);

  upload_->LoadSettings();
  const TFtpSettings& s = upload_->Settings;
  edtHost_->setText(QString::fromStdString(s.Host));
  edtPort_->setText(QString::fromStdString(s.Port));
  edtUser_->setText(QString::fromStdString(s.User));
  edtPwd_->setText(QString::fromStdString(s.Password));
  edtDir_->setText(QString::fromStdString(s.Dir));

  TFtpUploadEvents& e = upload_->Events;
  e.Progress = [this](int position, int maximum) {
    OnUiThread([this, position, maximum] {
      pbUp_->setRange(0, std::max(1, maximum));
      pbUp_->setValue(position);
    }, false);
  };
  e.Status = [this](const std::string& text) {
    OnUiThread([this, t = QString::fromStdString(text)] { lblDis_->setText(t); }, false);
  };
  e.Caption = [this](const std::string& text) {
    OnUiThread([this, t = QString::fromStdString(text)] { setWindowTitle(t); }, false);
  };
  e.StateChanged = [this](TFtpUploadState) { OnUiThread([this] { UpdateButtons(); }, false); };
  e.Message = [this](TFtpMessageKind kind, const std::string& text) {
    OnUiThread([this, kind, t = QString::fromStdString(text)] {
      ShowMessage(this, t, QStringLiteral("Information"),
                  kind == TFtpMessageKind::Error ? TDialogKind::Warning : TDialogKind::Information);
    }, false);
  };
  e.Ask = [this](const std::string& question) {
    bool yes = false;
    OnUiThread([this, &yes, q = QString::fromStdString(question)] { yes = AskYesNo(this, q); }, true);
    return yes;
  };

  connect(btnUp_, &QPushButton::clicked, this, &TUploadDialog::btnUpClick);
  connect(btnDel_, &QPushButton::clicked, this, &TUploadDialog::btnDelClick);
  connect(btnCancel_, &QPushButton::clicked, this, &TUploadDialog::btnCancelClick);
}

TUploadDialog::~TUploadDialog() {
  if (worker_.joinable()) worker_.join();
}

void TUploadDialog::ReadEdits() {
  TFtpSettings& s = upload_->Settings;
  s.Host = edtHost_->text().toStdString();
  s.Port = edtPort_->text().toStdString();
  s.User = edtUser_->text().toStdString();
  s.Password = edtPwd_->text().toStdString();
  s.Dir = edtDir_->text().toStdString();
  // The settings store belongs to this thread; the worker finds them stored.
  StoreFtpSettings(s);
}

void TUploadDialog::UpdateButtons() {
  const bool enabled = upload_->ButtonsEnabled();
  btnUp_->setEnabled(enabled);
  btnDel_->setEnabled(enabled);
  btnCancel_->setText(QString::fromStdString(upload_->CancelCaption()));
}

void TUploadDialog::Start(bool upload) {
  if (Running()) return;
  if (worker_.joinable()) worker_.join();
  ReadEdits();
  btnUp_->setEnabled(false);
  btnDel_->setEnabled(false);
  btnCancel_->setText(QStringLiteral("&Cancel"));
  worker_ = std::thread([this, upload] {
    TFtpUploadResult result = upload ? upload_->Upload() : upload_->Remove();
    OnUiThread([this, result] {
      UpdateButtons();
      emit operationFinished(static_cast<int>(result));
    }, false);
  });
}

void TUploadDialog::btnUpClick() { Start(true); }

void TUploadDialog::btnDelClick() { Start(false); }

void TUploadDialog::btnCancelClick() {
  if (upload_->State() != TFtpUploadState::Running) {
    if (worker_.joinable()) worker_.join();
    accept();
    return;
  }
  upload_->Cancel();
}

void TUploadDialog::closeEvent(QCloseEvent* event) {
  if (upload_->State() == TFtpUploadState::Running) {
    event->ignore();
    btnCancelClick();
    return;
  }
  QDialog::closeEvent(event);
}

void TUploadDialog::reject() {
  if (upload_->State() == TFtpUploadState::Running) {
    btnCancelClick();
    return;
  }
  if (worker_.joinable()) worker_.join();
  QDialog::reject();
}

}  // namespace reelcast::ui
