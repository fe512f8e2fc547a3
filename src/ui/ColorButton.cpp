#include "ui/ColorButton.h"

#include <QColorDialog>

namespace reelcast::ui {

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {
  setFixedSize(46, 22);
  connect(this, &QPushButton::clicked, this, &ColorButton::Pick);
  SetColor(Qt::black);
}

void ColorButton::SetColor(const QColor& color) {
  const bool changed = color.rgb() != color_.rgb();
  color_ = color;
  setStyleSheet(QString("QPushButton{background:%1;border:1px solid #8a96a8;border-radius:3px}")
                    .arg(color_.name()));
  if (changed) emit ColorChanged(color_);
}

uint32_t ColorButton::WindowsColor() const {
  return uint32_t(color_.red()) | uint32_t(color_.green()) << 8 | uint32_t(color_.blue()) << 16;
}

void ColorButton::SetWindowsColor(uint32_t bgr) {
  SetColor(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
}

void ColorButton::Pick() {
  const QColor chosen = QColorDialog::getColor(color_, this);
  if (chosen.isValid()) SetColor(chosen);
}

}  // namespace reelcast::ui
