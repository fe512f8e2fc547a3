#include "ui/WindowChrome.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainterPath>
#include <QStackedWidget>
#include <QToolButton>
#include <QWindow>

#include "ui/Icons.h"

namespace reelcast::ui {
namespace {

// Re-applies the rounded mask whenever the window changes size.
class TRoundMask : public QObject {
 public:
  explicit TRoundMask(QWidget* window) : QObject(window), window_(window) { Apply(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Resize) Apply();
    return false;
  }

 private:
  void Apply() {
    // The region of a rounded rectangle from (0, 0) to (width + 1,
    // height + 1) with corner ellipses of 15 x 15.
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, window_->width() + 1, window_->height() + 1), 7.5, 7.5);
    window_->setMask(QRegion(path.toFillPolygon().toPolygon()));
  }
  QWidget* window_;
};

// Starts a system move on a press over a free spot; where the platform has
// no system move (offscreen, some X servers) the window follows the mouse.
class TDragger : public QObject {
 public:
  explicit TDragger(QWidget* window) : QObject(window), window_(window) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !IsFreeSpot(widget)) return false;
        if (window_->windowHandle() && window_->windowHandle()->startSystemMove()) return true;
        dragging_ = true;
        offset_ = e->globalPosition().toPoint() - window_->frameGeometry().topLeft();
        return true;
      }
      case QEvent::MouseMove:
        if (!dragging_) return false;
        window_->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - offset_);
        return true;
      case QEvent::MouseButtonRelease:
        if (!dragging_) return false;
        dragging_ = false;
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
  bool dragging_ = false;
  QPoint offset_;
};

}  // namespace

void RoundWindow(QWidget* window) {
  window->installEventFilter(new TRoundMask(window));
}

bool IsFreeSpot(const QWidget* widget) {
  if (widget->property("freeSpot").isValid()) return widget->property("freeSpot").toBool();
  // The viewport of a list or an edit is a plain widget, but a control.
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(widget->parentWidget()); area && area->viewport() == widget)
    return false;
  const QMetaObject* meta = widget->metaObject();
  // Exactly these classes (not their subclasses, which are controls).
  return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject ||
         meta == &QGroupBox::staticMetaObject || meta == &QStackedWidget::staticMetaObject ||
         (meta == &QLabel::staticMetaObject &&
          !(static_cast<const QLabel*>(widget)->textInteractionFlags() & Qt::LinksAccessibleByMouse)) ||
         qobject_cast<const TTitleStrip*>(widget) != nullptr;
}

void DragByFreeSpots(QWidget* window) {
  auto* dragger = new TDragger(window);
  // Children created later are covered by watching the whole application.
  qApp->installEventFilter(dragger);
}

TTitleStrip::TTitleStrip(const QString& caption, QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("titleStrip"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(14, 8, 8, 8);
  layout->setSpacing(8);
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("Image1"));
  icon->setPixmap(AppIcon().pixmap(20, 20));
  layout->addWidget(icon);
  caption_ = new QLabel(caption, this);
  caption_->setObjectName(QStringLiteral("lblTitle"));
  layout->addWidget(caption_);
  layout->addStretch(1);
}

QToolButton* TTitleStrip::AddButton(const QString& objectName, const QIcon& icon, const QString& toolTip) {
  auto* button = new QToolButton(this);
  button->setObjectName(objectName);
  button->setProperty("chrome", true);
  button->setIcon(icon);
  button->setIconSize(QSize(14, 14));
  button->setToolTip(toolTip);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  layout()->addWidget(button);
  return button;
}

QToolButton* FrameDialog(QWidget* dialog, const QString& caption, const QString& captionName, QBoxLayout* layout) {
  dialog->setWindowFlag(Qt::FramelessWindowHint);
  dialog->setWindowTitle(caption);
  dialog->setAttribute(Qt::WA_StyledBackground);
  RoundWindow(dialog);
  DragByFreeSpots(dialog);
  auto* strip = new TTitleStrip(caption, dialog);
  strip->Caption()->setObjectName(captionName);
  QToolButton* close =
      strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)), QStringLiteral("Close"));
  layout->setContentsMargins(1, 1, 1, 1);  // the outline of the style sheet
  layout->setSpacing(0);
  layout->insertWidget(0, strip);
  return close;
}

}  // namespace reelcast::ui
