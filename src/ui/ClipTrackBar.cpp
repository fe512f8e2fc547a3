#include "ui/ClipTrackBar.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/Paths.h"

namespace reelcast::ui {
namespace {

// Nearest whole number, halves to the even neighbour.
int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// The picture with every pixel of the key colour made transparent.
QImage Keyed(const QImage& image, const QColor& key) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb k = key.rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == k) line[x] = 0;
  }
  return out;
}

}  // namespace

TClipTrackBar::TClipTrackBar(QWidget* parent) : QWidget(parent) {
  backColor_ = palette().color(QPalette::Button);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TClipTrackBar::UseSkin() {
  const QString folder = QString::fromStdString(AppPath("ui/trackbar/"));
  auto load = [&](const char* name) { return QImage(folder + QLatin1String(name)); };
  SetTrackBitmap(load("track.png"));
  SetUpBitmap(load("thumb.png"));
  SetDownBitmap(load("thumb_down.png"));
  SetHotBitmap(load("thumb_hot.png"));
  SetDisableBitmap(load("thumb_disabled.png"));
  SetSegStartBitmap(load("seg_start.png"));
  SetSegEndBitmap(load("seg_end.png"));
  // Magenta is the key; the bar's own background is keyed too, so the
  // control sits on whatever lies behind it.
  SetTransparentColor(QColor(255, 0, 255));
  SetBackColor(QColor(255, 0, 255));
  SetMarginTick(0);
  SetMarginTrack(up_.height() / 2 - track_.height() / 2);
  SetMarginSegment(up_.height());
  FitHeight();
  Recompute();
}

void TClipTrackBar::FitHeight() {
  const int height = up_.height() + (segmentVisible_ ? segStart_img_.height() : 0);
  setFixedHeight(std::max(height, 16));
}

void TClipTrackBar::SetUpBitmap(const QImage& image) {
  up_ = image;
  Recompute();
}

void TClipTrackBar::SetSegStartBitmap(const QImage& image) {
  segStart_img_ = image;
  startLeft_ = 0;
  update();
}

void TClipTrackBar::SetSegEndBitmap(const QImage& image) {
  segEnd_img_ = image;
  if (!image.isNull()) endLeft_ = width() - image.width();
  update();
}

void TClipTrackBar::Recompute() {
  const int tw = up_.width();
  const int sw = segStart_img_.width(), ew = segEnd_img_.width();
  margin_ = 0;
  if (!up_.isNull() && !segStart_img_.isNull() && !segEnd_img_.isNull())
    margin_ = std::max({sw, ew, Round(tw / 2.0)});
  else if (!up_.isNull())
    margin_ = Round(tw / 2.0);
  if (!up_.isNull()) thumbLeft_ = margin_ - Round(tw / 2.0 + 0.41);
  scale_ = static_cast<double>(width() - 2 * margin_) / (max_ - min_);
  PlaceThumb();
  PlaceStart();
  PlaceEnd();
  update();
}

void TClipTrackBar::PlaceThumb() {
  thumbLeft_ = Round((position_ - min_) * scale_ + margin_ - up_.width() / 2.0);
}
void TClipTrackBar::PlaceStart() {
  startLeft_ = Round((segStart_ - min_) * scale_ + margin_ - segStart_img_.width());
}
void TClipTrackBar::PlaceEnd() { endLeft_ = Round((segEnd_ - min_) * scale_ + margin_); }

void TClipTrackBar::SetPosition(int v) {
  position_ = std::clamp(v, min_, max_);
  PlaceThumb();
  update();
}

void TClipTrackBar::SetMax(int v) {
  if (v <= min_) v = min_ + 1;
  max_ = segEnd_ = scaleMax_ = v;
  scaleMin_ = min_;
  Recompute();
  endLeft_ = width() - margin_;
  update();
}

void TClipTrackBar::SetMin(int v) {
  if (v >= max_) v = max_ - 1;
  min_ = segStart_ = scaleMin_ = v;
  scaleMax_ = max_;
  Recompute();
  startLeft_ = 0;
  update();
}

void TClipTrackBar::SetScaleMax(int v) {
  if (scaleMin_ < v && v <= max_) scaleMax_ = v;
}

void TClipTrackBar::SetScaleMin(int v) {
  if (min_ <= v && v < scaleMax_) scaleMin_ = v;
}

void TClipTrackBar::SetSegmentStatPos(int v) {
  if (min_ <= v && v < segEnd_) {
    segStart_ = v;
    PlaceStart();
    update();
  }
}

void TClipTrackBar::SetSegmentEndPos(int v) {
  if (segStart_ < v && v <= max_) {
    segEnd_ = v;
    PlaceEnd();
    update();
  }
}

void TClipTrackBar::SetSegmentVisible(bool v) {
  if (v == segmentVisible_) return;
  segmentVisible_ = v;
  if (!up_.isNull()) FitHeight();
  update();
}

const QImage& TClipTrackBar::ThumbImage() const {
  if (!isEnabled()) return disabled_.isNull() ? up_ : disabled_;
  switch (look_) {
    case TLook::Down: return down_.isNull() ? up_ : down_;
    case TLook::Hot: return hot_.isNull() ? up_ : hot_;
    default: return up_;
  }
}

void TClipTrackBar::DrawKeyed(QImage& target, int x, int y, const QImage& image) const {
  QPainter p(&target);
  p.drawImage(x, y, Keyed(image, transparentColor_));
}

void TClipTrackBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The pixel positions follow the new width and the surface is made again
  // at the new size: a layout resizes the bar after it was first shown.
  surface_ = QImage();
  Recompute();
}

void TClipTrackBar::paintEvent(QPaintEvent*) {
  if (surface_.isNull()) surface_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  if (up_.isNull() || track_.isNull()) return;
  if (down_.isNull()) down_ = up_;
  if (hot_.isNull()) hot_ = up_;
  if (disabled_.isNull()) disabled_ = up_;
  const int W = width();
  // A background of the key colour is left transparent outright, so that
  // the pictures' soft edges blend with what lies behind, not with the key.
  surface_.fill(backColor_.rgb() == transparentColor_.rgb() ? QColor(Qt::transparent) : backColor_);
  {
    QPainter p(&surface_);
    if (!back_.isNull()) p.drawImage(surface_.rect(), back_);
    p.drawImage(QRect(QPoint(margin_, marginTrack_), QPoint(W - margin_ - 1, marginTrack_ + track_.height() - 1)),
                track_);
  }
  if (segmentVisible_ && !segStart_img_.isNull() && !segEnd_img_.isNull()) {
    DrawKeyed(surface_, startLeft_, marginSegment_, segStart_img_);
    DrawKeyed(surface_, endLeft_, marginSegment_, segEnd_img_);
    if (min_ < segStart_ || segEnd_ < max_) {
      QPainter p(&surface_);
      const int top = Round(track_.height() / 2.0 + marginTrack_ - 2);
      const int bottom = Round(track_.height() / 2.0 + marginTrack_ + 2);
      const int left = startLeft_ + segStart_img_.width() + 2, right = endLeft_ - 2;
      if (right > left) p.fillRect(QRect(left, top, right - left, bottom - top), segColor_);
    }
  }
  DrawKeyed(surface_, thumbLeft_, marginTick_, ThumbImage());
  QPainter p(this);
  p.drawImage(0, 0, Keyed(surface_, transparentColor_));
}

void TClipTrackBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int x = qRound(event->position().x()), y = qRound(event->position().y());
  held_ = true;
  const int tw = up_.width(), th = up_.height();
  bool hit = false;
  if (thumbLeft_ <= x && x <= thumbLeft_ + tw && marginTick_ <= y && y <= th + marginTick_) {
    dragThumb_ = true;
    look_ = TLook::Down;
    dragOffset_ = x - thumbLeft_;
    last_ = TRACBUTTON;
    hit = true;
    update();
    emit OnTrackDown();
  }
  if (segmentVisible_) {
    const int sw = segStart_img_.width(), sh = segStart_img_.height();
    if (startLeft_ <= x && x <= startLeft_ + sw && marginSegment_ <= y && y <= sh + marginSegment_) {
      dragStart_ = true;
      dragOffset_ = x - startLeft_;
      SetPosition(segStart_);
      last_ = STATESEGBUTTON;
      hit = true;
      emit OnSegDown(STATESEGBUTTON);
    }
    const int ew = segEnd_img_.width(), eh = segEnd_img_.height();
    if (endLeft_ <= x && x <= endLeft_ + ew && marginSegment_ <= y && y <= eh + marginSegment_) {
      dragEnd_ = true;
      if (!dragStart_) dragOffset_ = x - endLeft_;
      SetPosition(segEnd_);
      last_ = ENDSEGBUTTON;
      hit = true;
      emit OnSegDown(ENDSEGBUTTON);
    }
  }
  if (!hit && margin_ < x && x < width() - margin_ && marginTrack_ <= y &&
      y <= track_.height() + marginTrack_) {
    SetPosition(Round((tw / 2.0 + x - margin_) / scale_ + min_));
    last_ = BODYBARBUTTON;
    emit OnChange();
    emit OnBodyBarDown();
  }
}

void TClipTrackBar::mouseMoveEvent(QMouseEvent* event) {
  const int x = qRound(event->position().x()), y = qRound(event->position().y());
  const int tw = up_.width(), th = up_.height();
  if (!held_) {
    TLook look = (thumbLeft_ <= x && x <= thumbLeft_ + tw && marginTick_ <= y && y <= th + marginTrack_)
                     ? TLook::Hot
                     : TLook::Normal;
    if (look != look_) {
      look_ = look;
      update();
    }
    return;
  }
  const int sw = segStart_img_.width(), ew = segEnd_img_.width();
  if (dragStart_) {  // the start handle wins when one press took both
    if (!segCanDrag_) return;
    startLeft_ = std::max(x - dragOffset_, Round((scaleMin_ - min_) * scale_ + margin_ - sw));
    if (endLeft_ < sw + startLeft_ + scale_) startLeft_ = endLeft_ - Round(scale_) - sw;
    segStart_ = Round((sw + startLeft_ - margin_) / scale_) + min_;
    if (segStart_ >= segEnd_) segStart_ = segEnd_ - 1;
    if (segStart_ < scaleMin_) segStart_ = scaleMin_;
    SetPosition(segStart_);
    emit OnStartSegmentChange();
    emit OnChange();
  } else if (dragEnd_) {
    if (!segCanDrag_) return;
    endLeft_ = std::min(x - dragOffset_, Round((scaleMax_ - min_) * scale_ + margin_));
    if (endLeft_ < ew + startLeft_ + scale_) endLeft_ = ew + Round(scale_) + startLeft_;
    segEnd_ = Round((endLeft_ - margin_) / scale_) + min_;
    if (segEnd_ > scaleMax_) segEnd_ = scaleMax_;
    if (segEnd_ <= segStart_) segEnd_ = segStart_ + 1;
    SetPosition(segEnd_);
    emit OnEndSegmentChange();
    emit OnChange();
  } else if (dragThumb_) {
    thumbLeft_ = std::clamp(x - dragOffset_, margin_ - Round(tw / 2.0), width() - margin_ - Round(tw / 2.0));
    position_ = std::clamp(Round((Round(tw / 2.0) + thumbLeft_ - margin_) / scale_) + min_, min_, max_);
    if (limitMovSeg_ && position_ < segStart_) SetPosition(segStart_);
    if (limitMovSeg_ && position_ > segEnd_) SetPosition(segEnd_);
    update();
    emit OnChange();
  } else if (look_ != TLook::Normal) {
    look_ = TLook::Normal;
    update();
  }
}

void TClipTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  held_ = false;
  look_ = TLook::Normal;
  dragThumb_ = dragStart_ = dragEnd_ = false;
  update();
  const BUTTONTYPE last = last_;
  last_ = NONE;
  switch (last) {
    case STATESEGBUTTON:
    case ENDSEGBUTTON: emit OnSegUp(last); break;
    case BODYBARBUTTON: emit OnBodyBayUp(); break;
    case TRACBUTTON: emit OnTrackUp(); break;
    default: break;
  }
}

void TClipTrackBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && isEnabled()) look_ = TLook::Normal;
  QWidget::changeEvent(event);
}

}  // namespace reelcast::ui
