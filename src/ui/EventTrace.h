// Diagnostics for the program's responsiveness. With REELCAST_TRACE_UI=N
// set, every event the UI thread spends N milliseconds or more on is printed
// (receiver class and name, event type, time; nested deliveries indented), and
// TracePhase prints the named start-up and job phases. Without the variable
// both cost one branch.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

namespace reelcast::ui {

class TTracingApplication : public QApplication {
 public:
  TTracingApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  qint64 thresholdMs_ = -1;  // -1: tracing off
  int depth_ = 0;
};

// Prints "phase: <what> <ms since the last phase> ms" when tracing is on.
void TracePhase(const char* what);

}  // namespace reelcast::ui
