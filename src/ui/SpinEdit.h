// A spin edit whose arrow steps can be refused (the page's "Changing"
// rule) and that reports a step made by its buttons or arrow keys. Typed
// text is not refused: the page checks it when the box is left.
#pragma once

#include <QSpinBox>
#include <functional>

namespace reelcast::ui {

class TSpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  // Asked before a step to the new value; false refuses it.
  std::function<bool(int newValue)> Changing;

  void stepBy(int steps) override;

 signals:
  // A step was made (after the value changed).
  void buttonClicked();
  // The box was left or Enter was pressed in it.
  void exited();
};

// Seconds as two-digit hours, minutes and seconds joined by ":".
QString ClockText(double seconds);

}  // namespace reelcast::ui
