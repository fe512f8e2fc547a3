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
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "convert/JobRecord.h"
#include "app/Paths.h"
#include "ui/Dialogs.h"
#include "ui/PublishSettingsDialog.h"
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

  auto* settings = new QGroupBox(QStringLiteral("Publish Settings"), this);
  settings->setObjectName(QStringLiteral("gbPublishSettings"));
  auto* settingsLayout = new QHBoxLayout(settings);
  auto* settingsHint = new QLabel(tr("The link laid over the movie and the preloader shown while it loads."), settings);
  settingsHint->setProperty("hint", true);
  settingsHint->setWordWrap(true);
  RzBmpButton1_ = new QPushButton(tr("Settings..."), settings);
  RzBmpButton1_->setObjectName(QStringLiteral("RzBmpButton1"));
  settingsLayout->addWidget(settingsHint, 1);
  settingsLayout->addWidget(RzBmpButton1_);
  layout->addWidget(settings);

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

  FillFtpFields();

  for (QRadioButton* b : {rbFLV_, rbSWF_, rbScreenSave_, rbExe_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) FormatChanged();
    });
  connect(btnBrowse_, &QPushButton::clicked, this, &TPublishPage::ChooseOutputFile);
  connect(beOutDir_, &QLineEdit::editingFinished, this, &TPublishPage::OutputBoxLeft);
  connect(RzBmpButton1_, &QPushButton::clicked, this, &TPublishPage::OpenPublishSettings);
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

QString TPublishPage::Extension() const { return QLatin1String(OutputExtension(OutputKind())); }

void TPublishPage::FtpChanged() {
  for (QLineEdit* e : {edtHost_, edtPort_, edtUser_, edtPass_, edtDir_}) e->setEnabled(cbIsFTP_->isChecked());
}

void TPublishPage::FillFtpFields() {
  const QSignalBlocker block(cbIsFTP_);  // showing the stored choice stores nothing
  cbIsFTP_->setChecked(ReadConfigInt(keys::UseFTP, 0) > 0);
  if (cbIsFTP_->isChecked()) {
    edtHost_->setText(ConfigText(keys::FTPHost));
    edtPort_->setText(ConfigText(keys::FTPPort));
    edtUser_->setText(ConfigText(keys::FTPUser));
    edtPass_->setText(ConfigText(keys::FTPPass));
    edtDir_->setText(ConfigText(keys::FTPDir));
  }
  FtpChanged();
}

void TPublishPage::FormatChanged() {
  const int32_t kind = OutputKind();
  const bool saver = kind == kOutputScreenSaver;
  lblScreensavePath_->setVisible(saver);
  ebtScreenSaveName_->setVisible(saver);
  lblSavePath_->setVisible(!saver);
  beOutDir_->setVisible(!saver);
  btnBrowse_->setVisible(!saver);
  cbHTML_->setEnabled(kind == kOutputSwf);
  if (kind != kOutputSwf) cbHTML_->setChecked(false);
  SWFParam.OutputKind = kind;
  if (!workspace_.DvdLoaded()) return;
  beOutDir_->setEnabled(true);
  btnBrowse_->setEnabled(true);
  ebtScreenSaveName_->setEnabled(true);
  // The stored folder and the base name; without either, "OutPut" in the
  // user folder (a file name, not a folder).
  QString path = ConfigText(keys::OutputPath) + QString::fromStdString(SWFParam.BaseName);
  if (path.isEmpty()) path = QString::fromStdString(UserFolder()) + QStringLiteral("OutPut");
  const QFileInfo info(path);
  const QString name = info.completeBaseName();
  const QString folder = path.contains('/') ? path.left(path.lastIndexOf('/') + 1) : QString();
  const QString text = saver ? folder : folder + name + Extension();
  beOutDir_->setText(text);
  beOutDir_->setCursorPosition(text.size());
  if (saver) ebtScreenSaveName_->setText(name.left(20));
  else SWFParam.OutputFile = text.toStdString();
}

void TPublishPage::ShowPage() {
  const bool loaded = workspace_.DvdLoaded();
  beOutDir_->setEnabled(loaded);
  btnBrowse_->setEnabled(loaded);
  ebtScreenSaveName_->setEnabled(loaded);
  for (TTaskRow* row : workspace_.TaskRows())
    if (row->Task.Checked) {
      SWFParam.BaseName = row->Task.Base.DestinationName;
      break;
    }
  const QString folder = QString::fromStdString(PrepareOutputFolder());
  if (!SWFParam.BaseName.empty()) {
    const QString text = folder + QString::fromStdString(SWFParam.BaseName) + Extension();
    beOutDir_->setText(text);
    beOutDir_->setCursorPosition(text.size());
    SWFParam.OutputFile = text.toStdString();
  }
  FillFtpFields();
}

void TPublishPage::ChooseOutputFile() {
  const int32_t kind = OutputKind();
  const QString filter = kind == kOutputFlv         ? QStringLiteral("Flv Files(*.flv)")
                         : kind == kOutputProjector ? QStringLiteral("Exe Files (*.exe)")
                                                    : QStringLiteral("Flash Files(*.swf)");
  const QString text = beOutDir_->text();
  const QString chosen = ChooseSaveFile(window(), tr("Output file"), text.left(std::max<int>(0, text.size() - 4)), filter);
  if (!chosen.isEmpty()) {
    const QString ext = kind == kOutputScreenSaver ? QStringLiteral(".swf") : Extension();
    if (QFileInfo::exists(chosen)) {
      if (AskYesNo(window(), QStringLiteral("The file already exists, do you want to replace it?")))
        beOutDir_->setText(chosen);
    } else {
      beOutDir_->setText(QFileInfo(chosen).suffix().prepend('.') == ext ? chosen : chosen + ext);
    }
  }
  // Also after a cancelled dialog: the box is the output and its folder
  // the stored one.
  const QString box = beOutDir_->text();
  SWFParam.OutputFile = box.toStdString();
  NVSetConfigStr(keys::OutputPath, box.left(box.lastIndexOf('/') + 1).toStdU16String());
}

void TPublishPage::OutputBoxLeft() {
  const QString text = beOutDir_->text();
  const QString name = QFileInfo(text).completeBaseName();
  const QString folder = text.left(text.lastIndexOf('/') + 1);
  // One level is made; a text without a folder part names no folder.
  const bool usable = !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkdir(folder));
  if (usable) {
    beOutDir_->setText(folder + name + Extension());
  } else {
    ShowMessage(window(), QStringLiteral("Create Directory Failed."));
    beOutDir_->setText(QString::fromStdString(SettingDefault(*FindSettingKey(keys::OutputPath))) + name + Extension());
  }
  SWFParam.OutputFile = beOutDir_->text().toStdString();
}

void TPublishPage::OpenPublishSettings() {
  TPublishSettingsDialog dialog(workspace_, window());
  dialog.exec();
}

void TPublishPage::FillConvertChoices(TConvertChoices& choices) {
  choices.OutputKind = OutputKind();
  choices.OutputBox = beOutDir_->text().toStdString();
  choices.ScreenSaverName = ebtScreenSaveName_->text().toStdString();
  choices.PublishHtml = cbHTML_->isChecked();
}

}  // namespace reelcast::ui
