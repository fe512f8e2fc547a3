#include "ui/StartupWork.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace reelcast::ui {

void TStartupWork::Start() {
  held_ = false;
  Schedule();
}

void TStartupWork::Schedule() {
  if (scheduled_ || held_ || steps_.empty()) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, &TStartupWork::RunNext);
}

void TStartupWork::RunNext() {
  scheduled_ = false;
  if (held_ || steps_.empty()) return;
  std::function<void()> step = std::move(steps_.front());
  steps_.pop_front();
  step();
  Schedule();
}

void TStartupWork::ContinueAfterShown(QWidget* window) {
  held_ = true;
  window_ = window;
  // The widget's Show, then its window's first exposure.
  window->installEventFilter(this);
}

bool TStartupWork::eventFilter(QObject* watched, QEvent* event) {
  if (window_ && watched == window_ && event->type() == QEvent::Show) {
    window_->removeEventFilter(this);
    if (QWindow* handle = window_->windowHandle()) {
      handle->installEventFilter(this);
    } else {
      Start();
    }
  } else if (window_ && watched == window_->windowHandle() && event->type() == QEvent::Expose &&
             window_->windowHandle()->isExposed()) {
    watched->removeEventFilter(this);
    // Posted: the window paints this exposure first.
    Start();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace reelcast::ui
