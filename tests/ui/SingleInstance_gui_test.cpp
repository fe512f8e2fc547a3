// One running copy per user folder: the real reelcast started twice with the
// same user folder. The second start hands over to the first, which comes
// back from minimised, and exits 0 without a window; once the first copy has
// ended, a start runs as the first copy again.
#include <QProcess>
#include <QProcessEnvironment>
#include <sys/stat.h>

#include "GuiTest.h"

using namespace reelcast;
using namespace reelcast::test;

class SingleInstanceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;

  // A copy of reelcast (offscreen, no splash) running script in the shared
  // user and runtime folders.
  std::unique_ptr<QProcess> Start(const QString& name, const QString& script) {
    const QString scriptFile = QString::fromStdString((*dir_ / name.toStdString()).string());
    WriteFile(scriptFile.toStdString(), script.toStdString());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("REELCAST_NO_SPLASH", "1");
    env.insert("REELCAST_HOME", QString::fromStdString((*dir_ / "home").string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((*dir_ / "runtime").string()));
    env.insert("REELCAST_AUTOMATION", scriptFile);
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(QString::fromStdString((BinDir() / "reelcast").string()), {});
    return process;
  }

  static bool Finished(QProcess& process, QByteArray& output) {
    const bool ended = WaitFor([&] {
      output += process.readAll();
      return process.state() == QProcess::NotRunning;
    });
    output += process.readAll();
    return ended;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>("reelcast-single");
    fs::create_directories(*dir_ / "home");
    fs::create_directories(*dir_ / "runtime");
    ::chmod((*dir_ / "runtime").c_str(), 0700);  // what Qt asks of a runtime folder
  }
  void cleanup() { dir_.reset(); }

  void secondStartBringsTheFirstToTheFrontAndExits() {
    auto first = Start("first.txt", "click btnMin\nwait-minimized\nwait-restored\nquit\n");
    QByteArray firstOutput;
    QVERIFY(WaitFor([&] {
      firstOutput += first->readAll();
      return firstOutput.contains("automation: wait-restored") || first->state() == QProcess::NotRunning;
    }));
    QVERIFY2(first->state() == QProcess::Running, firstOutput.constData());

    // A second copy that showed a window would fail on this script.
    auto second = Start("second.txt", "click noSuchButton\n");
    QByteArray secondOutput;
    QVERIFY(Finished(*second, secondOutput));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QVERIFY2(second->exitCode() == 0, secondOutput.constData());
    QVERIFY2(!secondOutput.contains("automation:"), secondOutput.constData());

    // The first copy came back from minimised and ended by its script.
    QVERIFY(Finished(*first, firstOutput));
    QVERIFY2(first->exitCode() == 0, firstOutput.constData());
    QVERIFY(firstOutput.contains("automation: quit"));

    // With the first copy gone, a new start is the running copy itself.
    auto third = Start("third.txt", "quit\n");
    QByteArray thirdOutput;
    QVERIFY(Finished(*third, thirdOutput));
    QVERIFY2(third->exitCode() == 0 && thirdOutput.contains("automation: quit"), thirdOutput.constData());
  }
};

REELCAST_GUI_TEST_MAIN(SingleInstanceTest)
#include "SingleInstance_gui_test.moc"
