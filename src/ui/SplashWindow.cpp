#include "ui/SplashWindow.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Application.h"
#include "ui/Icons.h"
#include "ui/WindowChrome.h"

#ifndef REELCAST_VERSION
#define REELCAST_VERSION "0"
#endif

namespace reelcast::ui {

QString VersionCaption() { return QStringLiteral("Ver: ") + QStringLiteral(REELCAST_VERSION); }

TSplashWindow::TSplashWindow(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setFixedSize(520, 300);
  RoundWindow(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(36, 36, 36, 28);
  auto* imgbase = new QLabel(this);
  imgbase->setObjectName(QStringLiteral("imgbase"));
  imgbase->setPixmap(AppIcon().pixmap(72, 72));
  layout->addWidget(imgbase);
  layout->addSpacing(12);
  auto* name = new QLabel(QString::fromStdU16String(ProductFullName), this);
  name->setObjectName(QStringLiteral("lblProduct"));
  name->setWordWrap(true);
  layout->addWidget(name);
  auto* lblVer = new QLabel(VersionCaption(), this);
  lblVer->setObjectName(QStringLiteral("lblVer"));
  layout->addWidget(lblVer);
  layout->addStretch(1);
  auto* lblcompany = new QLabel(QStringLiteral("DVD titles to Flash movies for the web"), this);
  lblcompany->setObjectName(QStringLiteral("lblcompany"));
  layout->addWidget(lblcompany);

  tmrSpa_.setSingleShot(true);
  tmrSpa_.setInterval(kShowMilliseconds);
  connect(&tmrSpa_, &QTimer::timeout, this, &QDialog::accept);
}

void TSplashWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (windowHandle()) windowHandle()->installEventFilter(this);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  tmrSpa_.start();
}

void TSplashWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, width(), height());
  g.setColorAt(0, QColor(0x0f, 0x17, 0x2a));
  g.setColorAt(1, QColor(0x1e, 0x3a, 0x8a));
  p.fillRect(rect(), g);
  // A film strip running across the lower right.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 18));
  p.save();
  p.translate(width() * 0.55, height() * 0.95);
  p.rotate(-18);
  p.drawRect(QRectF(0, -60, width(), 60));
  p.setBrush(QColor(255, 255, 255, 30));
  for (int x = 8; x < width(); x += 22) {
    p.drawRoundedRect(QRectF(x, -54, 10, 8), 2, 2);
    p.drawRoundedRect(QRectF(x, -14, 10, 8), 2, 2);
  }
  p.restore();
}

bool TSplashWindow::eventFilter(QObject* watched, QEvent* event) {
  // The window system reports the window on the screen; the paint that
  // follows it goes out first.
  if (event->type() == QEvent::Expose && !painted_ && windowHandle() && windowHandle()->isExposed()) {
    painted_ = true;
    QTimer::singleShot(30, this, &TSplashWindow::painted);
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace reelcast::ui
