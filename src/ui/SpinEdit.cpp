#include "ui/SpinEdit.h"

#include <QLineEdit>
#include <cmath>

namespace reelcast::ui {

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setKeyboardTracking(false);
  setAccelerated(true);
  connect(this, &QSpinBox::editingFinished, this, &TSpinEdit::exited);
}

void TSpinEdit::stepBy(int steps) {
  const int next = std::clamp(value() + steps * singleStep(), minimum(), maximum());
  if (next == value()) return;
  if (Changing && !Changing(next)) return;
  setValue(next);
  emit buttonClicked();
}

QString ClockText(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  return QStringLiteral("%1:%2:%3")
      .arg(total / 3600, 2, 10, QLatin1Char('0'))
      .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(total % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace reelcast::ui
