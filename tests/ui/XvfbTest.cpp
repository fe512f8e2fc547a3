#include "ui/XvfbTest.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "support/TestEnv.h"

namespace reelcast::test {

bool WaitUntil(const std::function<bool()>& pred, int seconds) {
  QDeadlineTimer deadline(seconds * 1000);
  while (!pred()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

QImage ScreenShot(const QWidget& widget) {
  const QPoint at = widget.mapToGlobal(QPoint(0, 0));
  QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
  return screen->grabWindow(0, at.x(), at.y(), widget.width(), widget.height()).toImage();
}

void SaveScreenShot(const QImage& image, const std::string& name) {
  const QString folder = QString::fromStdString((BinaryDir() / "screenshots").string());
  QDir().mkpath(folder);
  image.save(folder + "/" + QString::fromStdString(name) + ".png");
}

void WriteSweepMovie(const std::string& path, uint32_t rrggbb, int w, int h) {
  auto rgba = [](uint32_t c) {
    return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16) | 0xFF000000u;
  };
  TFlashMovie m(0, 0, w, h, 12, true);
  m.SetVersion(8);
  TFlashShape* back = m.AddRectangle(0, 0, w, h);
  back->AddSolidFill(rgba(rrggbb));
  m.PlaceObject(back, 1);
  TFlashShape* square = m.AddRectangle(0, 0, h / 4, h / 4);
  square->AddSolidFill(rgba(0xFFFFFF));
  for (int k = 0; k < 24; ++k) {
    if (k > 0) m.RemoveObject(2);
    m.PlaceObject(square, 2)->SetTranslate(k * (w - h / 4) / 23, 2);
    m.ShowFrame(1);
  }
  m.MakeStream();
  m.SaveToFile(path);
}

}  // namespace reelcast::test
