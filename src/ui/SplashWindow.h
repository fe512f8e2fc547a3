// The splash window shown while the program starts: the product name and
// version; it closes itself 1800 ms after it is shown.
#pragma once

#include <QDialog>
#include <QTimer>

namespace reelcast::ui {

class TSplashWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kShowMilliseconds = 1800;
  explicit TSplashWindow(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer tmrSpa_;
};

// "Ver: " followed by the program's version.
QString VersionCaption();

}  // namespace reelcast::ui
