// The about window: the product name and version, and the home and support
// pages read from "Sys.Dat"; a click on its picture closes it.
#pragma once

#include <QDialog>

namespace reelcast::ui {

class TAboutWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutWindow(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace reelcast::ui
