#include "ui/PublishPage.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "convert/JobRecord.h"
#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

QString ConfigText(const char* key) { return QString::fromStdU16String(ReadConfigText(key)); }

}  // namespace

TPublishPage::TPublishPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsPublish"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(12);

  auto* format = new QGroupBox(tr("Output Format"), this);
  format->setObjectName(QStringLiteral("gbFormat"));
  auto* formatLayout = new QGridLayout(format);
  rbFLV_ = new QRadioButton(QStringLiteral("FLV"), format);
  rbFLV_->setObjectName(QStringLiteral("rbFLV"));
  auto* flvRemark = new QLabel(QStringLiteral("(No \"Template\" settings on the generated file)"), format);
  flvRemark->setProperty("hint", true);
  rbSWF_ = new QRadioButton(QStringLiteral("SWF"), format);
  rbSWF_->setObjectName(QStringLiteral("rbSWF"));
  rbSWF_->setChecked(true);
  rbScreenSave_ = new QRadioButton(QStringLiteral("Screen saver"), format);
  rbScreenSave_->setObjectName(QStringLiteral("rbScreenSave"));
  rbExe_ = new QRadioButton(QStringLiteral("View as exe"), format);
  rbExe_->setObjectName(QStringLiteral("rbExe"));
  cbHTML_ = new QCheckBox(QStringLiteral("Publish as html"), format);
  cbHTML_->setObjectName(QStringLiteral("cbHTML"));
  formatLayout->addWidget(rbFLV_, 0, 0);
  formatLayout->addWidget(flvRemark, 0, 1);
  formatLayout->addWidget(rbSWF_, 1, 0);
  formatLayout->addWidget(cbHTML_, 1, 1);
  formatLayout->addWidget(rbScreenSave_, 2, 0);
  formatLayout->addWidget(rbExe_, 3, 0);
  formatLayout->setColumnStretch(1, 1);
  auto* group = new QButtonGroup(this);
  for (QRadioButton* b : {rbFLV_, rbSWF_, rbScreenSave_, rbExe_}) group->addButton(b);
  layout->addWidget(format);

  auto* output = new QGroupBox(tr("Output"), this);
  auto* outputLayout = new QGridLayout(output);
  lblSavePath_ = new QLabel(QStringLiteral("Output Path: "), output);
  lblSavePath_->setObjectName(QStringLiteral("lblSavePath"));
  beOutDir_ = new QLineEdit(output);
  beOutDir_->setObjectName(QStringLiteral("beOutDir"));
  // Characters a file name cannot hold here are not taken.
  beOutDir_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"%*:<>?\\\\|]*")), beOutDir_));
  btnBrowse_ = new QPushButton(GlyphIcon(TGlyph::Folder), tr("Browse..."), output);
  btnBrowse_->setObjectName(QStringLiteral("btnOutDir"));
  lblScreensavePath_ = new QLabel(QStringLiteral("Screen Saver Name: "), output);
  lblScreensavePath_->setObjectName(QStringLiteral("lblScreensavePath"));
  ebtScreenSaveName_ = new QLineEdit(output);
  ebtScreenSaveName_->setObjectName(QStringLiteral("ebtScreenSaveName"));
  ebtScreenSaveName_->setMaxLength(20);
  outputLayout->addWidget(lblSavePath_, 0, 0);
  outputLayout->addWidget(beOutDir_, 0, 1);
  outputLayout->addWidget(btnBrowse_, 0, 2);
  outputLayout->addWidget(lblScreensavePath_, 1, 0);
  outputLayout->addWidget(ebtScreenSaveName_, 1, 1, 1, 2);
  layout->addWidget(output);

  auto* ftp = new QGroupBox(tr("Upload"), this);
  auto* ftpLayout = new QGridLayout(ftp);
  cbIsFTP_ = new QCheckBox(QStringLiteral("FTP Upload"), ftp);
  cbIsFTP_->setObjectName(QStringLiteral("cbIsFTP"));
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(ftp);
    e->setObjectName(QLatin1String(name));
    return e;
  };
  edtHost_ = edit("edtHost");
  edtUser_ = edit("edtUser");
  edtPass_ = edit("edtPass");
  edtPass_->setEchoMode(QLineEdit::Password);
  edtDir_ = edit("edtDir");
  edtPort_ = edit("edtPort");
  edtPort_->setMaxLength(5);
  edtPort_->setValidator(new QIntValidator(1, 65535, edtPort_));
  ftpLayout->addWidget(cbIsFTP_, 0, 0, 1, 4);
  ftpLayout->addWidget(new QLabel(QStringLiteral("Host Addr:"), ftp), 1, 0);
  ftpLayout->addWidget(edtHost_, 1, 1);
  ftpLayout->addWidget(new QLabel(QStringLiteral("Port:"), ftp), 1, 2);
  ftpLayout->addWidget(edtPort_, 1, 3);
  ftpLayout->addWidget(new QLabel(QStringLiteral("User Name:"), ftp), 2, 0);
  ftpLayout->addWidget(edtUser_, 2, 1);
  ftpLayout->addWidget(new QLabel(QStringLiteral("Password:"), ftp), 2, 2);
  ftpLayout->addWidget(edtPass_, 2, 3);
  ftpLayout->addWidget(new QLabel(QStringLiteral("Directory:"), ftp), 3, 0);
  ftpLayout->addWidget(edtDir_, 3, 1, 1, 3);
  ftpLayout->setColumnStretch(1, 1);
  layout->addWidget(ftp);
  layout->addStretch(1);

  auto* convertRow = new QHBoxLayout;
  convertRow->addStretch(1);
  btnConvert_ = new QPushButton(GlyphIcon(TGlyph::Play, Qt::white), tr("Convert"), this);
  btnConvert_->setObjectName(QStringLiteral("btnConvert"));
  btnConvert_->setProperty("accent", true);
  btnConvert_->setProperty("big", true);
  convertRow->addWidget(btnConvert_);
  layout->addLayout(convertRow);

  // The FTP settings as stored.
  cbIsFTP_->setChecked(ReadConfigInt(keys::UseFTP, 0) > 0);
  edtHost_->setText(ConfigText(keys::FTPHost));
  edtPort_->setText(ConfigText(keys::FTPPort));
  edtUser_->setText(ConfigText(keys::FTPUser));
  edtPass_->setText(ConfigText(keys::FTPPass));
  edtDir_->setText(ConfigText(keys::FTPDir));
  FtpChanged();

  for (QRadioButton* b : {rbFLV_, rbSWF_, rbScreenSave_, rbExe_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) FormatChanged();
    });
  connect(btnBrowse_, &QPushButton::clicked, this, &TPublishPage::ChooseOutputFile);
  connect(beOutDir_, &QLineEdit::editingFinished, this, &TPublishPage::OutputBoxLeft);
  connect(beOutDir_, &QLineEdit::textChanged, beOutDir_, &QLineEdit::setToolTip);
  connect(cbIsFTP_, &QCheckBox::toggled, this, [this](bool on) {
    WriteConfigBool(keys::UseFTP, on);
    FtpChanged();
  });
  auto store = [](QLineEdit* e, const char* key) {
    connect(e, &QLineEdit::editingFinished, e, [e, key] { NVSetConfigStr(key, e->text().toStdU16String()); });
  };
  store(edtHost_, keys::FTPHost);
  store(edtUser_, keys::FTPUser);
  store(edtPass_, keys::FTPPass);
  store(edtDir_, keys::FTPDir);
  connect(edtPort_, &QLineEdit::editingFinished, this, [this] {
    bool ok = false;
    int port = edtPort_->text().toInt(&ok);
    NVSetConfigInt(keys::FTPPort, ok ? port : 21);
  });
  connect(btnConvert_, &QPushButton::clicked, this, &TPublishPage::convertClicked);
  FormatChanged();
}

int32_t TPublishPage::OutputKind() const {
  if (rbFLV_->isChecked()) return kOutputFlv;
  if (rbScreenSave_->isChecked()) return kOutputScreenSaver;
  if (rbExe_->isChecked()) return kOutputProjector;
  return kOutputSwf;
}

QString TPublishPage::Extension() const {
  switch (OutputKind()) {
    case kOutputFlv: return QStringLiteral(".flv");
    case kOutputProjector: return QStringLiteral(".exe");
    case kOutputScreenSaver: return {};
    default: return QStringLiteral(".swf");
  }
}

QString TPublishPage::BaseName() const {
  // The destination name of the first checked row; else the output box's name.
  for (TTaskRow* row : workspace_.TaskRows())
    if (row->Task.Checked) return QString::fromStdString(row->Task.Base.DestinationName);
  return QFileInfo(beOutDir_->text()).completeBaseName();
}

void TPublishPage::FtpChanged() {
  for (QLineEdit* e : {edtHost_, edtPort_, edtUser_, edtPass_, edtDir_}) e->setEnabled(cbIsFTP_->isChecked());
}

void TPublishPage::FormatChanged() {
  const bool saver = OutputKind() == kOutputScreenSaver;
  lblScreensavePath_->setVisible(saver);
  ebtScreenSaveName_->setVisible(saver);
  lblSavePath_->setVisible(!saver);
  beOutDir_->setVisible(!saver);
  btnBrowse_->setVisible(!saver);
  cbHTML_->setEnabled(OutputKind() == kOutputSwf);
  if (OutputKind() != kOutputSwf) cbHTML_->setChecked(false);
  const bool loaded = workspace_.DvdLoaded();
  beOutDir_->setEnabled(loaded);
  btnBrowse_->setEnabled(loaded);
  ebtScreenSaveName_->setEnabled(loaded);
  if (!loaded) return;
  const QString name = BaseName();
  const QString folder = QString::fromStdString(LoadOutputFolder());
  if (saver) {
    if (ebtScreenSaveName_->text().isEmpty()) ebtScreenSaveName_->setText(name.left(20));
    return;
  }
  QString current = beOutDir_->text();
  QString dir = current.isEmpty() ? folder : QFileInfo(current).path() + '/';
  QString base = current.isEmpty() ? name : QFileInfo(current).completeBaseName();
  beOutDir_->setText(dir + base + Extension());
  beOutDir_->setCursorPosition(beOutDir_->text().size());
}

void TPublishPage::ShowPage() {
  if (!workspace_.DvdLoaded()) {
    FormatChanged();
    return;
  }
  const QString name = BaseName();
  if (!name.isEmpty() && OutputKind() != kOutputScreenSaver) {
    beOutDir_->setText(QString::fromStdString(LoadOutputFolder()) + name + Extension());
    beOutDir_->setCursorPosition(beOutDir_->text().size());
  }
  FormatChanged();
}

void TPublishPage::ChooseOutputFile() {
  QString filter = OutputKind() == kOutputFlv       ? QStringLiteral("Flv Files(*.flv)")
                   : OutputKind() == kOutputProjector ? QStringLiteral("Exe Files (*.exe)")
                                                      : QStringLiteral("Flash Files(*.swf)");
  QString text = beOutDir_->text();
  QString chosen = ChooseSaveFile(window(), tr("Output file"), text.left(std::max<int>(0, text.size() - 4)), filter);
  if (!chosen.isEmpty()) {
    const QString ext = OutputKind() == kOutputScreenSaver ? QStringLiteral(".swf") : Extension();
    if (QFileInfo::exists(chosen)) {
      if (AskYesNo(window(), QStringLiteral("The file already exists, do you want to replace it?")))
        beOutDir_->setText(chosen);
    } else {
      beOutDir_->setText(chosen.endsWith(ext) ? chosen : chosen + ext);
    }
  }
  const QString folder = QFileInfo(beOutDir_->text()).path() + '/';
  if (!beOutDir_->text().isEmpty()) NVSetConfigStr(keys::OutputPath, folder.toStdU16String());
}

void TPublishPage::OutputBoxLeft() {
  const QString text = beOutDir_->text();
  if (text.isEmpty()) return;
  const QFileInfo info(text);
  const QString name = info.completeBaseName();
  const QString folder = text.contains('/') ? info.path() : QString();
  QDir dir;
  if (!folder.isEmpty() && (QFileInfo(folder).isDir() || dir.mkdir(folder))) {
    beOutDir_->setText(folder + '/' + name + Extension());
  } else {
    ShowMessage(window(), QStringLiteral("Create Directory Failed."));
    beOutDir_->setText(QString::fromStdString(LoadOutputFolder()) + name + Extension());
  }
}

void TPublishPage::FillConvertChoices(TConvertChoices& choices) {
  choices.OutputKind = OutputKind();
  choices.OutputBox = beOutDir_->text().toStdString();
  choices.ScreenSaverName = ebtScreenSaveName_->text().toStdString();
  choices.PublishHtml = cbHTML_->isChecked();
}

}  // namespace reelcast::ui
