#include "ui/EventTrace.h"

#include <QMetaEnum>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace reelcast::ui {
namespace {

qint64 ThresholdFromEnvironment() {
  const char* value = std::getenv("REELCAST_TRACE_UI");
  if (!value || !*value) return -1;
  return std::max(0, std::atoi(value));
}

QElapsedTimer& PhaseClock() {
  static QElapsedTimer clock;
  return clock;
}

}  // namespace

TTracingApplication::TTracingApplication(int& argc, char** argv)
    : QApplication(argc, argv), thresholdMs_(ThresholdFromEnvironment()) {}

bool TTracingApplication::notify(QObject* receiver, QEvent* event) {
  // Only the UI thread's events hold up the windows; other threads (the
  // Flash views' server, audio) pass through untraced.
  if (thresholdMs_ < 0 || QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
  QElapsedTimer clock;
  clock.start();
  const QEvent::Type type = event->type();  // the event may be gone afterwards
  QByteArray receiverName = QByteArray(receiver->metaObject()->className()) + ' ' + receiver->objectName().toUtf8();
  if (QObject* parent = receiver->parent())  // a socket notifier says little without its owner
    receiverName += QByteArray(" in ") + parent->metaObject()->className();
  ++depth_;
  const bool result = QApplication::notify(receiver, event);
  --depth_;
  const qint64 ms = clock.elapsed();
  if (ms >= thresholdMs_) {
    const char* typeName = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    std::fprintf(stderr, "slow event: %*s%s %s %lld ms\n", depth_ * 2, "", receiverName.constData(),
                 typeName ? typeName : "?", static_cast<long long>(ms));
  }
  return result;
}

void TracePhase(const char* what) {
  static const bool on = ThresholdFromEnvironment() >= 0;
  if (!on) return;
  QElapsedTimer& clock = PhaseClock();
  if (!clock.isValid()) clock.start();
  std::fprintf(stderr, "phase: %s %lld ms\n", what, static_cast<long long>(clock.restart()));
}

}  // namespace reelcast::ui
