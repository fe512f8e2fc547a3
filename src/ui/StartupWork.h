// Start-up work done while the splash window shows (making the main window,
// loading and starting the web engine), one step per turn of the event loop,
// so that the splash can end between two steps instead of after all of them.
// Steps that are left when the splash ends wait until the main window has
// been drawn on the screen: on a busy machine the window comes first, the
// rest of the work right after it.
#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>

class QWidget;

namespace reelcast::ui {

class TStartupWork : public QObject {
 public:
  explicit TStartupWork(QObject* parent = nullptr) : QObject(parent) {}

  void Add(std::function<void()> step) { steps_.push_back(std::move(step)); }
  // Runs the steps in order, one per turn of the event loop.
  void Start();
  // No further step starts until ContinueAfterShown.
  void Hold() { held_ = true; }
  // The steps left run once window has been shown and drawn.
  void ContinueAfterShown(QWidget* window);
  bool Done() const { return steps_.empty(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Schedule();
  void RunNext();

  std::deque<std::function<void()>> steps_;
  bool held_ = false;
  bool scheduled_ = false;
  QPointer<QWidget> window_;
};

}  // namespace reelcast::ui
