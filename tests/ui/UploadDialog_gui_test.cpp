// The upload dialog against a real FTP server on 127.0.0.1, driven through
// its widgets: the connection typed into the boxes, Upload sends the job's
// files (and the details are kept for the next time), Remove asks and
// deletes the remote folder, and a refused login is shown.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>

#include "GuiTest.h"
#include "app/Config.h"
#include "support/FtpTestServer.h"
#include "ui/UploadDialog.h"

using namespace reelcast;
using namespace reelcast::test;
using namespace reelcast::ui;

class UploadDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TDialogRecorder> dialogs_;
  std::unique_ptr<TempDir> local_;
  TSWFParam param_;

  // Replaces what a box holds by typing text into it, as a user would.
  static void Type(QWidget* dialog, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(dialog, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  static void Fill(QWidget* dialog, const FtpTestServer& server, const QString& password, const QString& dir) {
    Type(dialog, "edtHost", "127.0.0.1");
    Type(dialog, "edtPort", QString::number(server.Port()));
    Type(dialog, "edtUser", FtpTestServer::User);
    Type(dialog, "edtPwd", password);
    Type(dialog, "edtDir", dir);
  }

  // Clicks button and waits for the operation it starts to end.
  static int Run(TUploadDialog& dialog, const char* button) {
    QSignalSpy finished(&dialog, &TUploadDialog::operationFinished);
    QTest::mouseClick(Find<QAbstractButton>(&dialog, button), Qt::LeftButton);
    if (!WaitFor([&] { return finished.count() > 0; })) return -1;
    return finished.takeFirst().at(0).toInt();
  }

 private slots:
  void init() {
    dialogs_ = std::make_unique<TDialogRecorder>();
    local_ = std::make_unique<TempDir>("reelcast-upload-local");
    // An SWF with its page: two files to send.
    param_ = TSWFParam();
    param_.OutputKind = kOutputSwf;
    param_.OutputFile = (local_->Path() / "movie.swf").string();
    param_.PublishHtml = true;
    WriteFile(local_->Path() / "movie.swf", "FWS movie bytes");
    WriteFile(local_->Path() / "movie.html", "<html>page</html>");
    WriteFile(local_->Path() / "notes.txt", "stays home");
  }
  void cleanup() {
    dialogs_.reset();
    local_.reset();
  }

  void uploadsWhatIsTypedAndRemovesItAgain() {
    FtpTestServer server;
    TUploadDialog dialog(QString::fromStdString(local_->Path().string()), param_);
    dialog.show();
    QCOMPARE(Find<QLabel>(&dialog, "lblDis")->text(), QString("Uploading...none"));
    QCOMPARE(Find<QLabel>(&dialog, "lblLocalDir")->text(), QString::fromStdString(local_->Path().string()));
    // The server's port has five digits: the box takes them all.
    Fill(&dialog, server, FtpTestServer::Password, "films");
    QCOMPARE(Find<QLineEdit>(&dialog, "edtPort")->text(), QString::number(server.Port()));

    QCOMPARE(Run(dialog, "btnUp"), int(TFtpUploadResult::Done));
    QCOMPARE(dialogs_->Messages(), QStringList{});
    QCOMPARE(TreeFiles(server.Root()), (std::vector<std::string>{"films/movie.html", "films/movie.swf"}));
    QCOMPARE(ReadFile(server.Root() / "films" / "movie.swf"), std::string("FWS movie bytes"));
    auto* bar = Find<QProgressBar>(&dialog, "pbUp");
    QCOMPARE(bar->maximum(), 2);
    QCOMPARE(bar->value(), 2);
    QCOMPARE(Find<QLabel>(&dialog, "lblDis")->text(), QString("Uploading...  movie.html"));
    QCOMPARE(Find<QAbstractButton>(&dialog, "btnCancel")->text(), QString("Finished"));
    QVERIFY(Find<QAbstractButton>(&dialog, "btnUp")->isEnabled());
    // The details that worked are kept for the next dialog.
    const TFtpSettings stored = LoadFtpSettings();
    QCOMPARE(stored.Host, std::string("127.0.0.1"));
    QCOMPARE(stored.Port, std::to_string(server.Port()));
    QCOMPARE(stored.User, std::string(FtpTestServer::User));
    QCOMPARE(stored.Dir, std::string("films"));
    {
      TUploadDialog next(QString::fromStdString(local_->Path().string()), param_);
      QCOMPARE(Find<QLineEdit>(&next, "edtPort")->text(), QString::number(server.Port()));
      QCOMPARE(Find<QLineEdit>(&next, "edtDir")->text(), QString("films"));
    }

    // Remove: No keeps the files, Yes deletes the folder.
    QCOMPARE(Run(dialog, "btnDel"), int(TFtpUploadResult::Declined));
    QCOMPARE(TreeFiles(server.Root()).size(), size_t(2));
    dialogs_->YesAnswers.push_back(true);
    QCOMPARE(Run(dialog, "btnDel"), int(TFtpUploadResult::Done));
    QCOMPARE(dialogs_->Texts(TDialogKind::Question),
             (QStringList{"Are you sure to remove the files from server?", "Are you sure to remove the files from server?"}));
    QCOMPARE(TreeFiles(server.Root()), std::vector<std::string>{});
    QVERIFY(!fs::exists(server.Root() / "films"));

    // Idle, Cancel closes the dialog.
    QTest::mouseClick(Find<QAbstractButton>(&dialog, "btnCancel"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
  }

  void aRefusedLoginIsShown() {
    FtpTestServer server;
    NVSetConfigStr("System.FTPHost", u"stored.example");
    TUploadDialog dialog(QString::fromStdString(local_->Path().string()), param_);
    dialog.show();
    QCOMPARE(Find<QLineEdit>(&dialog, "edtHost")->text(), QString("stored.example"));
    Fill(&dialog, server, "not the password", "/");
    QCOMPARE(Run(dialog, "btnUp"), int(TFtpUploadResult::Failed));
    const QStringList messages = dialogs_->Messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Failed to connect ftp server.message: 530"), qPrintable(messages[0]));
    QCOMPARE(TreeFiles(server.Root()), std::vector<std::string>{});
    QVERIFY(Find<QAbstractButton>(&dialog, "btnUp")->isEnabled());
    QCOMPARE(Find<QAbstractButton>(&dialog, "btnCancel")->text(), QString("Finished"));
  }
};

REELCAST_GUI_TEST_MAIN(UploadDialogTest)
#include "UploadDialog_gui_test.moc"
