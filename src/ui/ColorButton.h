// A button that shows a colour and lets the user pick another through the
// colour dialog; the colour boxes of the dialogs and pages.
#pragma once

#include <QColor>
#include <QPushButton>

namespace reelcast::ui {

class ColorButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ColorButton(QWidget* parent = nullptr);
  QColor Color() const { return color_; }
  // Shows the colour; emits ColorChanged when it differs from the one shown.
  void SetColor(const QColor& color);
  // The colour as a Windows colour value (0x00BBGGRR), as the settings keep it.
  uint32_t WindowsColor() const;
  void SetWindowsColor(uint32_t bgr);

 signals:
  void ColorChanged(const QColor& color);

 private:
  void Pick();
  QColor color_ = Qt::black;
};

}  // namespace reelcast::ui
