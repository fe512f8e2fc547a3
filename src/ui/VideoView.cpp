#include "ui/VideoView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace reelcast::ui {
namespace {

constexpr int kGrip = 7;          // pixels around an edge that grab it
constexpr int kMinimumKept = 50;  // the crop leaves at least this much of each side

}  // namespace

TVideoView::TVideoView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setMinimumSize(160, 120);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TVideoView::ShowPicture(std::shared_ptr<const TRgbImage> picture) {
  {
    std::lock_guard lock(mutex_);
    incoming_ = std::move(picture);
  }
  // Taken over on the UI thread; a view that is gone drops the call.
  QMetaObject::invokeMethod(
      this,
      [this] {
        std::shared_ptr<const TRgbImage> next;
        {
          std::lock_guard lock(mutex_);
          next = std::move(incoming_);
        }
        if (!next || next->Width <= 0 || next->Height <= 0) return;
        picture_ = QImage(next->Pixels.data(), next->Width, next->Height, next->Width * 3,
                          QImage::Format_RGB888)
                       .copy();
        update();
        emit pictureShown();
      },
      Qt::QueuedConnection);
}

void TVideoView::ShowDisplayRatio(int32_t x, int32_t y) {
  ratioX_ = x;
  ratioY_ = y;
  update();
}

void TVideoView::ShowCropFrame(bool shown, const TCropRect& rect) {
  cropShown_ = shown;
  crop_ = rect;
  if (!shown) dragEdges_ = 0;
  update();
}

void TVideoView::SetSourceAspect(int32_t x, int32_t y, int32_t width, int32_t height) {
  pixelAspect_ = x > 0 && y > 0 && width > 0 && height > 0
                     ? (static_cast<double>(x) / y) / (static_cast<double>(width) / height)
                     : 0;
  update();
}

void TVideoView::Clear() {
  {
    std::lock_guard lock(mutex_);
    incoming_.reset();
  }
  picture_ = QImage();
  cropShown_ = false;
  dragEdges_ = 0;
  ratioX_ = ratioY_ = 0;
  unsetCursor();
  update();
}

void TVideoView::SetIdleText(const QString& text) {
  idleText_ = text;
  update();
}

QImage TVideoView::Picture() const { return picture_; }

QSize TVideoView::SourceSize() const {
  if (!picture_.isNull()) return picture_.size();
  return QSize(crop_.Right, crop_.Bottom);
}

QRectF TVideoView::PictureRect() const {
  const QSize source = SourceSize();
  if (source.isEmpty()) return {};
  // A small border keeps the crop frame's grips visible at the picture's edges.
  const QRectF area = QRectF(rect()).adjusted(kGrip, kGrip, -kGrip, -kGrip);
  if (ratioX_ < 0 || ratioY_ < 0) return area;
  double ratio;  // width / height the picture is shown with
  if (ratioX_ > 0 && ratioY_ > 0)
    ratio = static_cast<double>(ratioX_) / ratioY_;
  else if (pixelAspect_ > 0)
    ratio = pixelAspect_ * source.width() / source.height();
  else
    ratio = static_cast<double>(source.width()) / source.height();
  double w = area.width(), h = w / ratio;
  if (h > area.height()) {
    h = area.height();
    w = h * ratio;
  }
  return QRectF(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
}

QPointF TVideoView::ToWidget(double x, double y) const {
  const QRectF r = PictureRect();
  const QSize source = SourceSize();
  if (source.isEmpty()) return r.topLeft();
  return {r.x() + x * r.width() / source.width(), r.y() + y * r.height() / source.height()};
}

void TVideoView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x0b, 0x12, 0x20));
  if (picture_.isNull()) {
    if (!idleText_.isEmpty()) {
      p.setPen(QColor(0x94, 0xa3, 0xb8));
      p.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, idleText_);
    }
    return;
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QRectF target = PictureRect();
  p.drawImage(target, picture_);
  if (!cropShown_) return;

  // The crop frame: what is cut away is dimmed, the kept area framed, with
  // grips at the corners and the middles of the edges.
  const QRectF kept(ToWidget(crop_.Left, crop_.Top), ToWidget(crop_.Right, crop_.Bottom));
  QPainterPath outside;
  outside.addRect(target);
  QPainterPath inside;
  inside.addRect(kept);
  p.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 140));
  p.setPen(QPen(QColor(255, 255, 255), 1.5, Qt::DashLine));
  p.drawRect(kept);
  p.setPen(QPen(QColor(0x25, 0x63, 0xeb), 1));
  p.setBrush(Qt::white);
  const double cx = kept.center().x(), cy = kept.center().y();
  for (const QPointF& grip : {kept.topLeft(), kept.topRight(), kept.bottomLeft(), kept.bottomRight(),
                              QPointF(cx, kept.top()), QPointF(cx, kept.bottom()), QPointF(kept.left(), cy),
                              QPointF(kept.right(), cy)})
    p.drawRect(QRectF(grip.x() - 3.5, grip.y() - 3.5, 7, 7));
}

int TVideoView::HitTest(const QPointF& at) const {
  if (!cropShown_ || picture_.isNull()) return 0;
  const QRectF kept(ToWidget(crop_.Left, crop_.Top), ToWidget(crop_.Right, crop_.Bottom));
  if (!kept.adjusted(-kGrip, -kGrip, kGrip, kGrip).contains(at)) return 0;
  int edges = 0;
  if (std::abs(at.x() - kept.left()) <= kGrip) edges |= kLeft;
  else if (std::abs(at.x() - kept.right()) <= kGrip) edges |= kRight;
  if (std::abs(at.y() - kept.top()) <= kGrip) edges |= kTop;
  else if (std::abs(at.y() - kept.bottom()) <= kGrip) edges |= kBottom;
  return edges ? edges : kMove;
}

void TVideoView::UpdateCursor(int edges) {
  switch (edges) {
    case kLeft:
    case kRight: setCursor(Qt::SizeHorCursor); break;
    case kTop:
    case kBottom: setCursor(Qt::SizeVerCursor); break;
    case kLeft | kTop:
    case kRight | kBottom: setCursor(Qt::SizeFDiagCursor); break;
    case kRight | kTop:
    case kLeft | kBottom: setCursor(Qt::SizeBDiagCursor); break;
    case kMove: setCursor(Qt::SizeAllCursor); break;
    default: unsetCursor();
  }
}

void TVideoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragEdges_ = HitTest(event->position());
  dragStart_ = event->position();
  dragFrom_ = crop_;
}

void TVideoView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragEdges_) {
    UpdateCursor(HitTest(event->position()));
    return;
  }
  const QRectF r = PictureRect();
  const QSize source = SourceSize();
  if (r.isEmpty() || source.isEmpty()) return;
  // The mouse's travel in source pixels.
  const int dx = static_cast<int>(std::lround((event->position().x() - dragStart_.x()) * source.width() / r.width()));
  const int dy = static_cast<int>(std::lround((event->position().y() - dragStart_.y()) * source.height() / r.height()));
  const int w = source.width(), h = source.height();
  TCropRect next = dragFrom_;
  if (dragEdges_ == kMove) {
    const int kw = dragFrom_.Right - dragFrom_.Left, kh = dragFrom_.Bottom - dragFrom_.Top;
    next.Left = std::clamp(dragFrom_.Left + dx, 0, w - kw);
    next.Top = std::clamp(dragFrom_.Top + dy, 0, h - kh);
    next.Right = next.Left + kw;
    next.Bottom = next.Top + kh;
  } else {
    if (dragEdges_ & kLeft) next.Left = std::clamp(dragFrom_.Left + dx, 0, dragFrom_.Right - kMinimumKept);
    if (dragEdges_ & kRight) next.Right = std::clamp(dragFrom_.Right + dx, dragFrom_.Left + kMinimumKept, w);
    if (dragEdges_ & kTop) next.Top = std::clamp(dragFrom_.Top + dy, 0, dragFrom_.Bottom - kMinimumKept);
    if (dragEdges_ & kBottom) next.Bottom = std::clamp(dragFrom_.Bottom + dy, dragFrom_.Top + kMinimumKept, h);
  }
  if (next == crop_) return;
  crop_ = next;
  update();
  emit cropFrameDragged(crop_);
}

void TVideoView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragEdges_ = 0;
}

}  // namespace reelcast::ui
