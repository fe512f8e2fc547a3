// The Encoder and Publish pages and the publish settings dialog driven by
// object names: enabling and clamping rules, "Constrain Proportion", the
// settings reaching every row and the store, each output kind's path rules
// and messages, and the dialog's OK, Cancel and dragged link.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <filesystem>

#include "MainWindowCase.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "convert/JobRecord.h"
#include "ui/MainWindow.h"
#include "ui/PublishPage.h"
#include "ui/PublishSettingsDialog.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;
namespace fs = std::filesystem;

class PublishPagesTest : public QObject, TMainWindowCase {
  Q_OBJECT

  // A picture file of w x h pixels in the test's temporary folder.
  QString Picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = QString::fromStdString(TempFolder) + QStringLiteral("pic-%1x%2.bmp").arg(w).arg(h);
    fs::create_directories(TempFolder);
    image.save(path, "BMP");
    return path;
  }

 private slots:
  void init() {
    // Each case starts from a fresh settings store.
    const std::string store = ConfigStorePath();
    ShutdownGlobalConfig();
    fs::remove(store);
    InitGlobalConfig();
    Open();
  }

  void cleanup() { Close(); }

  void encoderControlsFollowTheirSwitches() {
    window_->SwitchStage(stEncoder);
    // Key frame interval follows "Custom".
    QVERIFY(!W("edtNum")->isEnabled());
    W<QComboBox>("cbKeyFrame")->setCurrentIndex(1);
    QVERIFY(W("edtNum")->isEnabled() && W("lblKeyFrameS")->isEnabled() && W("lblF")->isEnabled());
    W<QComboBox>("cbKeyFrame")->setCurrentIndex(0);
    QVERIFY(!W("edtNum")->isEnabled());
    // The size controls follow "Resolution", whose click is stored at once.
    const char* sizeControls[] = {"lblWidth", "lblHeight", "edtWidth", "edtHeight", "cbUnit", "cbKeepAsp"};
    for (const char* name : sizeControls) QVERIFY2(!W(name)->isEnabled(), name);
    W<QCheckBox>("cbReso")->click();
    for (const char* name : sizeControls) QVERIFY2(W(name)->isEnabled(), name);
    QCOMPARE(ReadConfigInt(keys::UserReso, 0), 5);
    W<QCheckBox>("cbReso")->click();
    QCOMPARE(ReadConfigInt(keys::UserReso, -1), 0);
    // The sample rate follows "Disable Audio".
    W<QCheckBox>("cbAudio")->setChecked(true);
    for (const char* name : {"lblDRate", "cboAudioSRate", "lblHZ"}) QVERIFY2(!W(name)->isEnabled(), name);
    W<QCheckBox>("cbAudio")->setChecked(false);
    QVERIFY(W("cboAudioSRate")->isEnabled());
    // The bit rate slider's range and its label; size boxes take digits, x and * only.
    auto* rate = W<QSlider>("tbVideoBitRate");
    QCOMPARE(W<QLabel>("RzLabel6")->text(), QString("768kbps"));
    rate->setValue(5000);
    QCOMPARE(W<QLabel>("RzLabel6")->text(), QString("2500kbps"));
    rate->setValue(1);
    QCOMPARE(W<QLabel>("RzLabel6")->text(), QString("64kbps"));
    W<QCheckBox>("cbReso")->setChecked(true);
    auto* width = W<QLineEdit>("edtWidth");
    width->clear();
    QTest::keyClicks(width, "6a4/0x9");
    QCOMPARE(width->text(), QString("640x"));
  }

  void leavingTheEncoderPageStoresIntoEveryRowAndTheStore() {
    LoadDvd();
    window_->SwitchStage(stEncoder);
    W<QCheckBox>("cbReso")->setChecked(true);
    W<QLineEdit>("edtWidth")->setText("900");
    W<QLineEdit>("edtHeight")->setText("50");
    W<QComboBox>("cbFrameRate")->setCurrentText("15");
    W<QSlider>("tbVideoBitRate")->setValue(500);
    W<QComboBox>("cbRadio")->setCurrentIndex(3);
    W<QComboBox>("cboAudioSRate")->setCurrentText("44100");
    W<QCheckBox>("cbAudio")->setChecked(true);
    window_->SwitchStage(stPublish);
    const auto rows = window_->Workspace().TaskRows();
    QCOMPARE(int(rows.size()), 9);
    for (TTaskRow* row : rows) {
      const TEncoderParams& e = row->Task.Encoder;
      QCOMPARE(e.Width, 800);
      QCOMPARE(e.Height, 60);
      QCOMPARE(e.FrameRate, 15.0);
      QCOMPARE(e.VideoBitrate, 500000);
      QCOMPARE(e.ResizeMode, 3);
      QCOMPARE(e.SampleRate, 44100);
      QCOMPARE(e.AudioDisabled, -1);
    }
    QCOMPARE(SWFParam.VideoWidth, 800);
    QCOMPARE(SWFParam.VideoHeight, 60);
    QCOMPARE(ReadConfigInt(keys::Width, 0), 800);
    QCOMPARE(ReadConfigInt(keys::Height, 0), 60);
    QCOMPARE(ReadConfigInt(keys::VBitrate, 0), 500000);
    QCOMPARE(ReadConfigInt(keys::Frame, 0), 15);
    QCOMPARE(ReadConfigInt(keys::Zoom, 0), 3);
    QCOMPARE(ReadConfigInt(keys::SampleR, 0), 44100);
    QCOMPARE(ReadConfigInt(keys::DisableAudio, 0), 5);

    // Entering again shows the selected row's block; a size box holding no
    // number keeps each row's size.
    window_->SwitchStage(stEncoder);
    QCOMPARE(W<QLineEdit>("edtWidth")->text(), QString("800"));
    QCOMPARE(W<QComboBox>("cbFrameRate")->currentText(), QString("15"));
    QCOMPARE(W<QLabel>("RzLabel6")->text(), QString("500kbps"));
    W<QLineEdit>("edtWidth")->setText("x");
    W<QLineEdit>("edtHeight")->setText("480");
    window_->SwitchStage(stPublish);
    for (TTaskRow* row : rows) {
      QCOMPARE(row->Task.Encoder.Width, 800);
      QCOMPARE(row->Task.Encoder.Height, 480);
    }
  }

  void constrainProportionFollowsTheFirstTitlesPicture() {
    LoadDvd();
    const int pw = window_->Workspace().List().PictureWidth(), ph = window_->Workspace().List().PictureHeight();
    QVERIFY(pw > 0 && ph > 0);
    window_->SwitchStage(stEncoder);
    W<QCheckBox>("cbReso")->setChecked(true);
    auto* width = W<QLineEdit>("edtWidth");
    auto* height = W<QLineEdit>("edtHeight");
    // Unchecked: the other side stays.
    width->clear();
    QTest::keyClicks(width, "640");
    QCOMPARE(height->text(), QString("240"));
    W<QCheckBox>("cbKeepAsp")->setChecked(true);
    width->clear();
    QTest::keyClicks(width, "640");
    QCOMPARE(height->text(), QString::number(std::lround(ph * 640.0 / pw)));
    QCOMPARE(width->text(), QString("640"));  // the typed side is not turned back
    height->clear();
    QTest::keyClicks(height, "300");
    QCOMPARE(width->text(), QString::number(std::lround(pw * 300.0 / ph)));
    // Not a number: nothing changes.
    height->clear();
    QTest::keyClicks(height, "x");
    QCOMPARE(width->text(), QString::number(std::lround(pw * 300.0 / ph)));
  }

  void outputKindsSetThePathAndTheBoxes_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("html");
    QTest::newRow("FLV") << "rbFLV" << 0 << ".flv" << false;
    QTest::newRow("SWF") << "rbSWF" << 1 << ".swf" << true;
    QTest::newRow("screen saver") << "rbScreenSave" << 2 << "" << false;
    QTest::newRow("EXE") << "rbExe" << 3 << ".exe" << false;
  }
  void outputKindsSetThePathAndTheBoxes() {
    QFETCH(QString, button);
    QFETCH(int, kind);
    QFETCH(QString, suffix);
    QFETCH(bool, html);
    // Without a DVD the boxes stay disabled.
    window_->SwitchStage(stPublish);
    QVERIFY(!W("beOutDir")->isEnabled());
    LoadDvd();
    window_->SwitchStage(stImport);
    window_->SwitchStage(stPublish);
    const QString folder = QString::fromStdString(LoadOutputFolder());
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), folder + "Title_0101.swf");
    W<QCheckBox>("cbHTML")->setChecked(true);
    W<QRadioButton>(button.toLatin1())->setChecked(true);
    QCOMPARE(SWFParam.OutputKind, kind);
    QCOMPARE(W("cbHTML")->isEnabled(), html);
    QCOMPARE(W<QCheckBox>("cbHTML")->isChecked(), html);
    const bool saver = kind == kOutputScreenSaver;
    QCOMPARE(W("beOutDir")->isVisible(), !saver);
    QCOMPARE(W("lblSavePath")->isVisible(), !saver);
    QCOMPARE(W("ebtScreenSaveName")->isVisible(), saver);
    QCOMPARE(W("lblScreensavePath")->isVisible(), saver);
    QVERIFY(W("beOutDir")->isEnabled() && W("ebtScreenSaveName")->isEnabled());
    if (saver) {
      QCOMPARE(W<QLineEdit>("beOutDir")->text(), folder);
      QCOMPARE(W<QLineEdit>("ebtScreenSaveName")->text(), QString("Title_0101"));
      return;
    }
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), folder + "Title_0101" + suffix);
    QCOMPARE(QString::fromStdString(SWFParam.OutputFile), folder + "Title_0101" + suffix);

    // The box left with a new folder: made, and the kind's extension.
    TPublishPage* page = window_->PublishPage();
    const QString made = folder + "made-" + button + "/";
    W<QLineEdit>("beOutDir")->setText(made + "movie.txt");
    page->OutputBoxLeft();
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), made + "movie" + suffix);
    QVERIFY(QFileInfo(made).isDir());
    QVERIFY(dialogs_->Messages().isEmpty());
    // A text without folder: the folder cannot be made, the default is used.
    W<QLineEdit>("beOutDir")->setText("bare");
    page->OutputBoxLeft();
    QCOMPARE(dialogs_->Messages(), QStringList{"Create Directory Failed."});
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), QString::fromStdString(UserFolder()) + "Output/bare" + suffix);
    QCOMPARE(QString::fromStdString(SWFParam.OutputFile), W<QLineEdit>("beOutDir")->text());

    // The save dialog: a new name gets the extension, an existing file is
    // asked about (No keeps the box), and the folder is stored.
    dialogs_->Paths.push_back(made + "chosen");
    QTest::mouseClick(W<QAbstractButton>("btnOutDir"), Qt::LeftButton);
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), made + "chosen" + suffix);
    QCOMPARE(QString::fromStdU16String(ReadConfigText(keys::OutputPath)), made);
    const QString existing = folder + "existing" + suffix;
    QFile(existing).open(QIODevice::WriteOnly);
    dialogs_->Paths.push_back(existing);
    dialogs_->YesAnswers.push_back(false);
    QTest::mouseClick(W<QAbstractButton>("btnOutDir"), Qt::LeftButton);
    QCOMPARE(dialogs_->Texts(TDialogKind::Question),
             QStringList{"The file already exists, do you want to replace it?"});
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), made + "chosen" + suffix);
    dialogs_->Paths.push_back(existing);
    dialogs_->YesAnswers.push_back(true);
    QTest::mouseClick(W<QAbstractButton>("btnOutDir"), Qt::LeftButton);
    QCOMPARE(W<QLineEdit>("beOutDir")->text(), existing);
    QCOMPARE(QString::fromStdU16String(ReadConfigText(keys::OutputPath)), folder);
  }

  void ftpFieldsAreStoredWhenLeftAndShownWhenChecked() {
    window_->SwitchStage(stPublish);
    const char* edits[] = {"edtHost", "edtPort", "edtUser", "edtPass", "edtDir"};
    for (const char* name : edits) QVERIFY2(!W(name)->isEnabled(), name);
    W<QCheckBox>("cbIsFTP")->click();
    QCOMPARE(ReadConfigInt(keys::UseFTP, 0), 5);
    for (const char* name : edits) QVERIFY2(W(name)->isEnabled(), name);
    QCOMPARE(W<QLineEdit>("edtPass")->echoMode(), QLineEdit::Password);
    auto type = [&](const char* name, const char* text) {
      auto* e = W<QLineEdit>(name);
      e->setFocus();
      e->setText(text);
      emit e->editingFinished();
    };
    type("edtHost", "127.0.0.1");
    type("edtUser", "me");
    type("edtPass", "secret");
    type("edtDir", "movies");
    type("edtPort", "");
    QCOMPARE(QString::fromStdU16String(ReadConfigText(keys::FTPHost)), QString("127.0.0.1"));
    QCOMPARE(QString::fromStdU16String(ReadConfigText(keys::FTPPass)), QString("secret"));
    QCOMPARE(ReadConfigInt(keys::FTPPort, 0), 21);
    type("edtPort", "2121");
    QCOMPARE(ReadConfigInt(keys::FTPPort, 0), 2121);
    // A new window shows them.
    window_ = std::make_unique<TMainWindow>();
    window_->SwitchStage(stPublish);
    QVERIFY(W<QCheckBox>("cbIsFTP")->isChecked());
    QCOMPARE(W<QLineEdit>("edtHost")->text(), QString("127.0.0.1"));
    QCOMPARE(W<QLineEdit>("edtPort")->text(), QString("2121"));
    QCOMPARE(W<QLineEdit>("edtDir")->text(), QString("movies"));
  }

  void dialogOkStoresAndCancelRestores() {
    SWFParam.LinkKind = kLinkNone;
    SWFParam.TextLink = {};
    SWFParam.ExportSetting->LoadingFrame = 0;
    SWFParam.PreLoader->SetBarMode(bmAll);
    {
      TPublishSettingsDialog dialog(window_->Workspace(), window_.get());
      dialog.show();
      QCOMPARE(SWFParam.TextLink.FontName, std::string("Arial"));  // the font defaults
      QCOMPARE(SWFParam.TextLink.FontSize, 12);
      // Preloader enabling rules.
      auto* pre = Find<QCheckBox>(&dialog, "chkPreloader");
      QVERIFY(!pre->isChecked());
      for (const char* name : {"chkUseSprite", "chkUseProgress", "cboColor", "cboSysLogo", "cboBarStyle"})
        QVERIFY2(!Find<QWidget>(&dialog, name)->isEnabled(), name);
      pre->setChecked(true);
      QVERIFY(Find<QWidget>(&dialog, "chkUseSprite")->isEnabled());
      QVERIFY(!Find<QWidget>(&dialog, "cboSysLogo")->isEnabled());
      Find<QCheckBox>(&dialog, "chkUseSprite")->setChecked(true);
      QVERIFY(Find<QWidget>(&dialog, "cboSysLogo")->isEnabled() && Find<QWidget>(&dialog, "edtUserLogo")->isEnabled());
      Find<QCheckBox>(&dialog, "chkUseProgress")->setChecked(true);
      QVERIFY(Find<QComboBox>(&dialog, "cboBarStyle")->count() > 0);
      Find<QComboBox>(&dialog, "cboOption")->setCurrentText("Text only");
      // A chosen custom logo must exist; the dialog stays open.
      Find<QRadioButton>(&dialog, "rbUserLogo")->setChecked(true);
      Find<QAbstractButton>(&dialog, "btnOK")->click();
      Find<QLineEdit>(&dialog, "edtUserLogo")->setText("/nowhere/logo.jpg");
      Find<QAbstractButton>(&dialog, "btnOK")->click();
      QCOMPARE(dialogs_->Messages(),
               (QStringList{"Please select a jpg/bmp file!", "The file: /nowhere/logo.jpg not exist!"}));
      QVERIFY(dialog.isVisible());
      QCOMPARE(SWFParam.ExportSetting->LoadingFrame, 0u);
      Find<QRadioButton>(&dialog, "rbSysLogo")->setChecked(true);
      // A text link.
      Find<QRadioButton>(&dialog, "rbTextLink")->click();
      Find<QLineEdit>(&dialog, "edtTextLink")->setText("Visit us");
      Find<QLineEdit>(&dialog, "edtURL")->setText("https://example.org/");
      Find<QAbstractButton>(&dialog, "btnOK")->click();
      QVERIFY(!dialog.isVisible());
    }
    QCOMPARE(SWFParam.LinkKind, kLinkText);
    QCOMPARE(SWFParam.TextLink.Text, std::string("Visit us"));
    QCOMPARE(SWFParam.TextLink.URL, std::string("https://example.org/"));
    QCOMPARE(SWFParam.ExportSetting->LoadingFrame, 1u);
    QVERIFY(SWFParam.PreLoader->UseSprite && !SWFParam.PreLoader->UseCustomLogo);
    QVERIFY(SWFParam.PreLoader->UseProgressBar);
    QCOMPARE(SWFParam.PreLoader->BarMode(), bmText);
    QVERIFY(QFileInfo::exists(QString::fromStdString(TempFolder + "TextLinkImage.bmp")));

    // Reopened it shows what was stored; Cancel puts everything back.
    TPublishSettingsDialog dialog(window_->Workspace(), window_.get());
    dialog.show();
    QCOMPARE(Find<QComboBox>(&dialog, "cboOption")->currentText(), QString("Text only"));
    QVERIFY(Find<QRadioButton>(&dialog, "rbTextLink")->isChecked());
    QCOMPARE(Find<QLineEdit>(&dialog, "edtTextLink")->text(), QString("Visit us"));
    Find<QLineEdit>(&dialog, "edtTextLink")->setText("Changed");
    QCOMPARE(SWFParam.TextLink.Text, std::string("Changed"));  // stored while typing
    Find<QCheckBox>(&dialog, "chkPreloader")->setChecked(false);
    Find<QRadioButton>(&dialog, "rbImageLink")->click();
    Find<QAbstractButton>(&dialog, "btnReset")->click();
    QCOMPARE(SWFParam.LinkKind, kLinkText);
    QCOMPARE(SWFParam.TextLink.Text, std::string("Visit us"));
    QCOMPARE(SWFParam.ExportSetting->LoadingFrame, 1u);
  }

  void watermarkPictureLimit() {
    TPublishSettingsDialog dialog(window_->Workspace(), window_.get());
    dialog.show();
    const QString fits = Picture(200, 150), wide = Picture(201, 150), high = Picture(200, 151);
    for (const QString& refused : {wide, high}) {
      dialogs_->Paths.push_back(refused);
      dialog.btnPathButtonClick();
      QCOMPARE(Find<QLineEdit>(&dialog, "btnPath")->text(), QString());
    }
    QCOMPARE(dialogs_->Messages(), QStringList(2, "The size of Watermask must be smaller than movie's."));
    QVERIFY(Find<QRadioButton>(&dialog, "rbImageLink")->isChecked());  // also after a refusal
    dialogs_->Paths.push_back(fits);
    dialog.btnPathButtonClick();
    QCOMPARE(Find<QLineEdit>(&dialog, "btnPath")->text(), fits);
    QVERIFY(Find<QLabel>(&dialog, "imgURL")->isVisible());
  }

  void draggedLinkLandsAtTheStoredFractions() {
    SWFParam.VideoWidth = 640;
    SWFParam.VideoHeight = 360;
    SWFParam.LinkKind = kLinkText;
    SWFParam.TextLink = {};
    SWFParam.TextLink.Text = "Go";
    SWFParam.TextLink.X = SWFParam.TextLink.Y = 0;
    QSize panel;
    {
      TPublishSettingsDialog dialog(window_->Workspace(), window_.get());
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      panel = dialog.PanelSize();
      QCOMPARE(panel.width() * 360, panel.height() * 640);  // the movie's shape
      auto* text = Find<QLabel>(&dialog, "imgText");
      QVERIFY(text->isVisible());
      QCOMPARE(text->pos(), QPoint(0, 0));
      // Press on the picture, move by half the panel, release.
      const QPoint grip(2, 2);
      QTest::mousePress(text, Qt::LeftButton, {}, grip);
      QMouseEvent move(QEvent::MouseMove, QPointF(grip), text->mapToGlobal(QPointF(grip + QPoint(panel.width() / 2, panel.height() / 2))),
                       Qt::NoButton, Qt::LeftButton, {});
      QApplication::sendEvent(text, &move);
      QTest::mouseRelease(text, Qt::LeftButton, {}, grip);
      QCOMPARE(text->pos(), QPoint(panel.width() / 2, panel.height() / 2));
      QCOMPARE(Find<QSpinBox>(&dialog, "sdX")->value(), panel.width() / 2);
      Find<QAbstractButton>(&dialog, "btnClose")->click();  // keeps what dragging stored
    }
    QCOMPARE(SWFParam.TextLink.X, double(panel.width() / 2) / panel.width());
    QCOMPARE(SWFParam.TextLink.Y, double(panel.height() / 2) / panel.height());
    // Another movie size gives another panel; the link is at the same place.
    SWFParam.VideoWidth = 320;
    SWFParam.VideoHeight = 240;
    TPublishSettingsDialog dialog(window_->Workspace(), window_.get());
    dialog.show();
    const QSize other = dialog.PanelSize();
    QCOMPARE(Find<QLabel>(&dialog, "imgText")->pos(),
             QPoint(std::lround(other.width() * SWFParam.TextLink.X), std::lround(other.height() * SWFParam.TextLink.Y)));
  }
};

REELCAST_GUI_TEST_MAIN(PublishPagesTest)
#include "PublishPages_gui_test.moc"
