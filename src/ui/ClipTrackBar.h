// The clip track bar: a track bar drawn from pictures, with a thumb for the
// position and, when the segment is shown, two handles that mark the start
// and end of the kept range. Composed off screen and copied to the screen
// with one colour transparent. With the segment hidden it is a plain slider.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace reelcast::ui {

class TClipTrackBar : public QWidget {
  Q_OBJECT

 public:
  // Which part a press hit.
  enum BUTTONTYPE { TRACBUTTON = 0, STATESEGBUTTON = 1, ENDSEGBUTTON = 2, BODYBARBUTTON = 3, NONE = 4 };
  Q_ENUM(BUTTONTYPE)

  explicit TClipTrackBar(QWidget* parent = nullptr);

  // The pictures. An empty pressed, hovered or disabled thumb is a copy of
  // the normal one at the first paint.
  void SetUpBitmap(const QImage& image);
  void SetDownBitmap(const QImage& image) { down_ = image; update(); }
  void SetHotBitmap(const QImage& image) { hot_ = image; update(); }
  void SetDisableBitmap(const QImage& image) { disabled_ = image; update(); }
  void SetTrackBitmap(const QImage& image) { track_ = image; update(); }
  void SetSegStartBitmap(const QImage& image);
  void SetSegEndBitmap(const QImage& image);
  void SetBackkPicture(const QImage& image) { back_ = image; update(); }
  // The skin's pictures from the data folder ("ui/trackbar/").
  void UseSkin();

  int Min() const { return min_; }
  int Max() const { return max_; }
  int ScaleMin() const { return scaleMin_; }
  int ScaleMax() const { return scaleMax_; }
  int Step() const { return step_; }
  int Position() const { return position_; }
  int SegmentStatPos() const { return segStart_; }
  int SegmentEndPos() const { return segEnd_; }
  bool SegmentVisible() const { return segmentVisible_; }
  bool SegCanDrag() const { return segCanDrag_; }
  bool LimitMovSeg() const { return limitMovSeg_; }
  QColor BackColor() const { return backColor_; }
  QColor SegColor() const { return segColor_; }
  QColor TransparentColor() const { return transparentColor_; }

  void SetMin(int v);
  void SetMax(int v);
  void SetScaleMin(int v);
  void SetScaleMax(int v);
  void SetStep(int v) { step_ = v; }
  void SetPosition(int v);
  void SetSegmentStatPos(int v);
  void SetSegmentEndPos(int v);
  void SetSegmentVisible(bool v);
  void SetSegCanDrag(bool v) { segCanDrag_ = v; }
  void SetLimitMovSeg(bool v) { limitMovSeg_ = v; }
  void SetBackColor(const QColor& c) { backColor_ = c; update(); }
  void SetSegColor(const QColor& c) { segColor_ = c; update(); }
  void SetTransparentColor(const QColor& c) { transparentColor_ = c; update(); }
  void SetMarginTick(int v) { marginTick_ = v; update(); }
  void SetMarginTrack(int v) { marginTrack_ = v; update(); }
  void SetMarginSegment(int v) { marginSegment_ = v; update(); }

  // Pixel state, for tests of the geometry.
  int TrackMargin() const { return margin_; }
  double Scale() const { return scale_; }
  int ThumbLeft() const { return thumbLeft_; }
  int StartLeft() const { return startLeft_; }
  int EndLeft() const { return endLeft_; }

 signals:
  void OnChange();
  void OnStartSegmentChange();
  void OnEndSegmentChange();
  void OnTrackDown();
  void OnTrackUp();
  void OnBodyBarDown();
  void OnBodyBayUp();
  void OnSegDown(reelcast::ui::TClipTrackBar::BUTTONTYPE Sender);
  void OnSegUp(reelcast::ui::TClipTrackBar::BUTTONTYPE Sender);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class TLook { Normal, Down, Hot, Disabled };
  void Recompute();
  void FitHeight();
  void PlaceThumb();
  void PlaceStart();
  void PlaceEnd();
  const QImage& ThumbImage() const;
  void DrawKeyed(QImage& target, int x, int y, const QImage& image) const;

  QImage up_, down_, hot_, disabled_, track_, segStart_img_, segEnd_img_, back_;
  int min_ = 0, max_ = 50, scaleMin_ = 0, scaleMax_ = 50, step_ = 1, position_ = 0;
  int segStart_ = 0, segEnd_ = 50;
  bool segmentVisible_ = true, segCanDrag_ = true, limitMovSeg_ = false;
  QColor backColor_;
  QColor segColor_{0, 0, 255};
  QColor transparentColor_{0, 0, 0};
  int marginTick_ = 0, marginTrack_ = 0, marginSegment_ = 20;

  int margin_ = 0;
  double scale_ = 1;
  int thumbLeft_ = 0, startLeft_ = 0, endLeft_ = 0;
  TLook look_ = TLook::Normal;
  BUTTONTYPE last_ = NONE;
  bool dragThumb_ = false, dragStart_ = false, dragEnd_ = false, held_ = false;
  int dragOffset_ = 0;
  QImage surface_;
};

}  // namespace reelcast::ui
