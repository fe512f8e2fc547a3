// reelcast: the desktop program. Start-up: the settings store, the folders
// and the product identity; one running copy; the encoder manager; the
// splash window; the main window. Shut-down runs the other way.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/Application.h"
#include "app/Config.h"
#include "platform/EncoderManager.h"
#include "publish/PublishSteps.h"
#include "ui/AudioOutput.h"
#include "ui/Automation.h"
#include "ui/FlashView.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstance.h"
#include "ui/SplashWindow.h"
#include "ui/Style.h"

using namespace reelcast;

namespace {

// With REELCAST_REPORT_STARTUP set, the program prints when its main window
// is first shown (milliseconds since the process started, without the
// splash window's time); the start-up benchmark reads it.
class TShownReporter : public QObject {
 public:
  TShownReporter(const QElapsedTimer& clock, qint64 splashMs) : clock_(clock), splashMs_(splashMs) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      std::fprintf(stderr, "reelcast: main window shown %lld ms after start (splash %lld ms excluded)\n",
                   static_cast<long long>(clock_.elapsed() - splashMs_), static_cast<long long>(splashMs_));
      watched->removeEventFilter(this);
    }
    return false;
  }

 private:
  const QElapsedTimer& clock_;
  qint64 splashMs_;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  ui::FlashView::PrepareEngine();  // the web engine's flags must precede the application
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("reelcast"));
  QApplication::setDesktopFileName(QStringLiteral("reelcast"));
  QApplication::setWindowIcon(ui::AppIcon());
  try {
    StartApplication();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast: %s\n", e.what());
    return 1;
  }
  const QString productName = QString::fromStdU16String(ProductFullName);
  ui::TSingleInstance instance(productName);
  if (!instance.Acquire()) {
    // The running copy has been brought to the front.
    ShutdownApplication();
    return 0;
  }
  EncMgrInit();
  QApplication::setApplicationDisplayName(productName.isEmpty() ? QStringLiteral("Reelcast") : productName);
  ui::ApplyStyle(app);
  RegisterPublishSteps();
#ifdef REELCAST_AUDIO_OUTPUT
  ui::InstallQtAudioOutput();  // previews play their sound on the default output
#endif

  qint64 splashMs = 0;
  if (!std::getenv("REELCAST_NO_SPLASH")) {
    QElapsedTimer splashClock;
    ui::TSplashWindow splash;
    splashClock.start();
    splash.exec();
    splashMs = splashClock.elapsed();
  }

  int result = 0;
  {
    ui::TMainWindow window;
    QObject::connect(&instance, &ui::TSingleInstance::activationRequested, &window,
                     &ui::TMainWindow::BringToFront);
    TShownReporter reporter(clock, splashMs);
    if (std::getenv("REELCAST_REPORT_STARTUP")) window.installEventFilter(&reporter);
    if (QScreen* screen = window.screen())
      window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    ui::StartAutomation(&window);
    result = app.exec();
  }
  SetAudioDeviceFactory({});
  EncMgrUninit();
  ShutdownApplication();
  return result;
}
