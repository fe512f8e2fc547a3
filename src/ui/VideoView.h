// The preview's picture: shows the pictures a preview player hands over (on
// its own thread), letterboxed with the display ratio the player was given,
// and, in crop edit style, the crop frame the user drags by its edges,
// corners or middle. A dragged frame is reported in source pixels.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <mutex>

#include "sources/PreviewPlayer.h"

namespace reelcast::ui {

class TVideoView : public QWidget, public TPlayerView {
  Q_OBJECT
 public:
  explicit TVideoView(QWidget* parent = nullptr);

  // TPlayerView. ShowPicture may come from any thread.
  void ShowPicture(std::shared_ptr<const TRgbImage> picture) override;
  void ShowDisplayRatio(int32_t x, int32_t y) override;
  void ShowCropFrame(bool shown, const TCropRect& rect) override;

  // The ratio 0 : 0 stands for: the source's own display ratio (4 : 3 or
  // 16 : 9 of the title set, for its width x height picture), carried over
  // to a cropped picture through the source's pixel shape; without it, the
  // picture's pixel ratio.
  void SetSourceAspect(int32_t x, int32_t y, int32_t width, int32_t height);
  // Forgets the picture (the preview stopped): the view shows its idle look.
  void Clear();
  // The idle text shown while there is no picture.
  void SetIdleText(const QString& text);

  // The picture last shown (null when none), and where it is drawn.
  QImage Picture() const;
  QRectF PictureRect() const;
  bool CropFrameShown() const { return cropShown_; }
  TCropRect CropFrame() const { return crop_; }
  // Widget coordinates of a source pixel position, and back.
  QPointF ToWidget(double x, double y) const;

 signals:
  // The user moved the crop frame (every step of a drag).
  void cropFrameDragged(reelcast::TCropRect rect);
  // A new picture arrived (on the UI thread).
  void pictureShown();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Which edges a drag moves (bit set); all four move the whole frame.
  enum : int { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8, kMove = 15 };
  int HitTest(const QPointF& p) const;
  void UpdateCursor(int edges);
  QSize SourceSize() const;

  mutable std::mutex mutex_;
  std::shared_ptr<const TRgbImage> incoming_;  // under mutex_
  QImage picture_;
  int32_t ratioX_ = 0, ratioY_ = 0;
  double pixelAspect_ = 0;  // width : height of one source pixel; 0 unknown
  bool cropShown_ = false;
  TCropRect crop_;
  int dragEdges_ = 0;
  QPointF dragStart_;
  TCropRect dragFrom_;
  QString idleText_;
};

}  // namespace reelcast::ui
