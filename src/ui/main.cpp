// reelcast: the desktop program. Start-up: the settings store, the folders
// and the product identity; one running copy; the encoder manager; the
// splash window; the main window. Shut-down runs the other way.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "platform/EncoderManager.h"
#include "publish/PublishSteps.h"
#include "sources/PreviewPlayer.h"
#include "ui/Automation.h"
#include "ui/Engines.h"
#include "ui/EventTrace.h"
#include "ui/FlashView.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstance.h"
#include "ui/SplashWindow.h"
#include "ui/StartupWork.h"
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

// Everything the program shows is drawn in software: the web engine already
// runs without the GPU, so its frames go through Qt Quick's software renderer
// instead of a software OpenGL stack that would draw and read back every
// frame on the UI thread, and no OpenGL is loaded at start-up (loading it
// costs several hundred milliseconds). A choice made in the environment wins.
void ChooseSoftwareRendering() {
  if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
  if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  ui::TracePhase("process start");
  ui::FlashView::PrepareEngine();  // the web engine's flags must precede the application
  ChooseSoftwareRendering();
  ui::TTracingApplication app(argc, argv);
  ui::TracePhase("application");
  QApplication::setApplicationName(QStringLiteral("reelcast"));
  QApplication::setDesktopFileName(QStringLiteral("reelcast"));
  QApplication::setWindowIcon(ui::AppIcon());
  try {
    StartApplication();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast: %s\n", e.what());
    return 1;
  }
  ui::TracePhase("settings and folders");
  const QString productName = QString::fromStdU16String(ProductFullName);
  ui::TSingleInstance instance(productName);
  if (!instance.Acquire()) {
    // The running copy has been brought to the front.
    ShutdownApplication();
    return 0;
  }
  ui::TracePhase("single instance");
  EncMgrInit();
  ui::TracePhase("encoder manager");
  QApplication::setApplicationDisplayName(productName.isEmpty() ? QStringLiteral("Reelcast") : productName);
  ui::ApplyStyle(app);
  // Previews play their sound on the default output, through the engines
  // module (loaded by the first preview that plays, if not before).
  SetAudioDeviceFactory([]() -> std::unique_ptr<TAudioDevice> {
    const ui::TEngines* engines = ui::Engines();
    return engines ? engines->MakeAudioDevice() : nullptr;
  });
  ui::TracePhase("style, publish steps, audio output");

  // The main window is made while the splash shows, hidden until it ends.
  std::unique_ptr<ui::TMainWindow> window;
  auto makeMainWindow = [&window] {
    if (window) return;
    window = std::make_unique<ui::TMainWindow>();
    ui::TracePhase("main window made");
  };
  qint64 splashMs = 0;
  ui::TStartupWork startupWork;
  if (!std::getenv("REELCAST_NO_SPLASH")) {
    QElapsedTimer splashClock;
    ui::TSplashWindow splash;
    // Then the web engine and Qt Multimedia are loaded (the program does not
    // link them, see ui/Engines.h) and the engine starts with a hidden player
    // page: done later, that would stall the first window that plays a movie
    // (the progress window) for a second or more.
    startupWork.Add(makeMainWindow);
    startupWork.Add([] {
      ui::Engines();
      ui::TracePhase("engines module loaded");
    });
    startupWork.Add([] {
      // The progress window's animation: a small movie that has the player
      // fetched and compiled.
      ui::FlashView::WarmUp(QString::fromStdString(AppPath("res\\ConverterShow.swf")));
      ui::TracePhase("web engine started");
    });
    QObject::connect(&splash, &ui::TSplashWindow::painted, &splash, [&startupWork] {
      ui::TracePhase("splash on screen");
      startupWork.Start();
    });
    QObject::connect(&splash, &QDialog::finished, &startupWork, &ui::TStartupWork::Hold);
    splashClock.start();
    splash.exec();
    // Only the splash's own showing time is left out of the start-up time:
    // work that runs beyond it counts.
    splashMs = std::min<qint64>(splashClock.elapsed(), ui::TSplashWindow::kShowMilliseconds);
    ui::TracePhase("splash");
  }
  makeMainWindow();
  // Steps the splash's time did not cover go on once the window is drawn.
  if (!startupWork.Done()) startupWork.ContinueAfterShown(window.get());

  QObject::connect(&instance, &ui::TSingleInstance::activationRequested, window.get(),
                   &ui::TMainWindow::BringToFront);
  TShownReporter reporter(clock, splashMs);
  if (std::getenv("REELCAST_REPORT_STARTUP")) window->installEventFilter(&reporter);
  if (QScreen* screen = window->screen())
    window->move(screen->availableGeometry().center() - window->rect().center());
  window->show();
  ui::TracePhase("main window show()");
  ui::StartAutomation(window.get());
  const int result = app.exec();
  window.reset();
  SetAudioDeviceFactory({});
  EncMgrUninit();
  ShutdownApplication();
  return result;
}
