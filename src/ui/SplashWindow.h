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

 signals:
  // The window has been drawn once and is on the screen: slow start-up work
  // may begin without leaving the screen empty.
  void painted();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTimer tmrSpa_;
  bool painted_ = false;
};

// "Ver: " followed by the program's version.
QString VersionCaption();

}  // namespace reelcast::ui
