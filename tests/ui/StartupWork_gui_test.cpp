// The start-up work done while the splash shows: one step per turn of the
// event loop, held when the splash ends, and the rest run only once the main
// window has been drawn.
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "GuiTest.h"
#include "ui/StartupWork.h"

using namespace reelcast;
using namespace reelcast::test;

namespace {

class TPaintCounter : public QWidget {
 public:
  int Paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    ++Paints;
    QPainter(this).fillRect(rect(), Qt::darkBlue);
  }
};

}  // namespace

class StartupWorkTest : public QObject {
  Q_OBJECT

  // A few turns of the event loop: a step that was due would have run.
  static void GoRound() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

 private slots:
  void StepsRunInOrderOnePerTurnOfTheEventLoop() {
    ui::TStartupWork work;
    QStringList done;
    work.Add([&] {
      done << "1";
      // Posted by the first step: it runs before the second step does.
      QTimer::singleShot(0, [&] { done << "event"; });
    });
    work.Add([&] { done << "2"; });
    work.Add([&] { done << "3"; });
    work.Start();
    QVERIFY(done.isEmpty());
    QVERIFY(WaitFor([&] { return work.Done(); }, 10000));
    QCOMPARE(done, QStringList({"1", "event", "2", "3"}));
  }

  void StepsLeftWhenHeldRunAfterTheWindowIsDrawn() {
    ui::TStartupWork work;
    TPaintCounter window;
    window.resize(200, 100);
    QStringList done;
    int paintsBeforeSecond = -1;
    work.Add([&] {
      done << "1";
      work.Hold();  // the splash ends during the first step
    });
    work.Add([&] {
      paintsBeforeSecond = window.Paints;
      done << "2";
    });
    work.Add([&] { done << "3"; });
    work.Start();
    QVERIFY(WaitFor([&] { return !done.isEmpty(); }, 10000));
    // Held: nothing more runs while the events go round.
    GoRound();
    QCOMPARE(done, QStringList({"1"}));

    work.ContinueAfterShown(&window);
    GoRound();
    QCOMPARE(done, QStringList({"1"}));
    window.show();
    QVERIFY(WaitFor([&] { return work.Done(); }, 10000));
    QCOMPARE(done, QStringList({"1", "2", "3"}));
    QVERIFY2(paintsBeforeSecond > 0, "the window was drawn before the held steps went on");
  }
};

REELCAST_GUI_TEST_MAIN(StartupWorkTest)
#include "StartupWork_gui_test.moc"
