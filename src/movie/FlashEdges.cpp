#include "movie/FlashEdges.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace reelcast {

namespace {

// Round half to even, the rounding of the system's arithmetic.
int64_t RoundEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

int64_t Pieces(int64_t d) { return (std::llabs(d) + TFlashEdges::kMaxDelta - 1) / TFlashEdges::kMaxDelta; }

bool Fits(int64_t v) { return v >= -TFlashEdges::kMaxDelta && v <= TFlashEdges::kMaxDelta; }

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

TFlashEdges::TFlashEdges(TShapeRecordList& records) : records_(&records) {
  auto first = std::make_unique<TSWFStyleChangeRecord>();
  first->StateFillStyle1 = true;
  records_->push_back(std::move(first));
}

TSWFStyleChangeRecord* TFlashEdges::CurrentStyleChange() {
  if (!records_->empty() && records_->back()->ShapeRecType() == 1)
    return static_cast<TSWFStyleChangeRecord*>(records_->back().get());
  records_->push_back(std::make_unique<TSWFStyleChangeRecord>());
  return static_cast<TSWFStyleChangeRecord*>(records_->back().get());
}

void TFlashEdges::MoveToTwips(int32_t x, int32_t y) {
  if (TPoint32{x, y} == pen_ && records_->size() <= 1) return;
  TSWFStyleChangeRecord* rec = CurrentStyleChange();
  pen_ = {x, y};
  rec->SetMoveTo(x, y);
  pathStart_ = pen_;
}

void TFlashEdges::MoveTo(int32_t x, int32_t y) {
  int s = UnitScale();
  MoveToTwips(Clamp32(int64_t{x} * s), Clamp32(int64_t{y} * s));
}

void TFlashEdges::MoveBy(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  int s = UnitScale();
  MoveToTwips(Clamp32(pen_.X + int64_t{dx} * s), Clamp32(pen_.Y + int64_t{dy} * s));
}

// Cuts the delta into n equal pieces, each within the edge range, whose
// rounded parts add up to the whole delta.
TSWFStraightEdgeRecord* TFlashEdges::LineByTwips(int64_t dx, int64_t dy) {
  if (dx == 0 && dy == 0) return nullptr;
  int64_t n = std::max<int64_t>({Pieces(dx), Pieces(dy), 1});
  TSWFStraightEdgeRecord* last = nullptr;
  for (int64_t i = 1; i <= n; ++i) {
    int64_t px = RoundEven(double(dx) / n * i) - RoundEven(double(dx) / n * (i - 1));
    int64_t py = RoundEven(double(dy) / n * i) - RoundEven(double(dy) / n * (i - 1));
    if (px == 0 && py == 0) continue;
    records_->push_back(
        std::make_unique<TSWFStraightEdgeRecord>(static_cast<int32_t>(px), static_cast<int32_t>(py)));
    last = static_cast<TSWFStraightEdgeRecord*>(records_->back().get());
  }
  pen_.X = Clamp32(pen_.X + dx);
  pen_.Y = Clamp32(pen_.Y + dy);
  return last;
}

TSWFStraightEdgeRecord* TFlashEdges::LineTo(int32_t x, int32_t y) {
  int s = UnitScale();
  return LineByTwips(int64_t{x} * s - pen_.X, int64_t{y} * s - pen_.Y);
}

TSWFStraightEdgeRecord* TFlashEdges::LineBy(int32_t dx, int32_t dy) {
  int s = UnitScale();
  return LineByTwips(int64_t{dx} * s, int64_t{dy} * s);
}

// Control delta (cx, cy) from the pen, anchor delta (ax, ay) from the
// control point, in twips. Degenerate curves become straight edges; a curve
// whose deltas do not fit one record is halved (de Casteljau) until they do.
TSWFCurvedEdgeRecord* TFlashEdges::CurveByTwips(int64_t cx, int64_t cy, int64_t ax, int64_t ay) {
  if (cx == 0 && cy == 0) {
    LineByTwips(ax, ay);
    return nullptr;
  }
  if (ax == 0 && ay == 0) {
    LineByTwips(cx, cy);
    return nullptr;
  }
  if (cy == 0 && ay == 0) {
    LineByTwips(cx + ax, 0);
    return nullptr;
  }
  if (cx == 0 && ax == 0) {
    LineByTwips(0, cy + ay);
    return nullptr;
  }
  if (!Fits(cx) || !Fits(cy) || !Fits(ax) || !Fits(ay)) {
    // Points relative to the pen: control c, end e = c + a.
    int64_t ex = cx + ax, ey = cy + ay;
    int64_t q1x = RoundEven(cx / 2.0), q1y = RoundEven(cy / 2.0);
    int64_t r1x = RoundEven((cx + ex) / 2.0), r1y = RoundEven((cy + ey) / 2.0);
    int64_t mx = RoundEven((q1x + r1x) / 2.0), my = RoundEven((q1y + r1y) / 2.0);
    CurveByTwips(q1x, q1y, mx - q1x, my - q1y);
    CurveByTwips(r1x - mx, r1y - my, ex - r1x, ey - r1y);
    return nullptr;
  }
  records_->push_back(std::make_unique<TSWFCurvedEdgeRecord>(
      static_cast<int32_t>(cx), static_cast<int32_t>(cy), static_cast<int32_t>(ax),
      static_cast<int32_t>(ay)));
  pen_.X = Clamp32(pen_.X + cx + ax);
  pen_.Y = Clamp32(pen_.Y + cy + ay);
  return static_cast<TSWFCurvedEdgeRecord*>(records_->back().get());
}

TSWFCurvedEdgeRecord* TFlashEdges::CurveTo(int32_t controlX, int32_t controlY, int32_t anchorX,
                                           int32_t anchorY) {
  int s = UnitScale();
  int64_t ax = int64_t{anchorX} * s, ay = int64_t{anchorY} * s;
  if (ax == pen_.X && ay == pen_.Y) return nullptr;
  int64_t cx = int64_t{controlX} * s, cy = int64_t{controlY} * s;
  return CurveByTwips(cx - pen_.X, cy - pen_.Y, ax - cx, ay - cy);
}

TSWFCurvedEdgeRecord* TFlashEdges::CurveBy(int32_t controlDX, int32_t controlDY,
                                           int32_t anchorDX, int32_t anchorDY) {
  int s = UnitScale();
  return CurveByTwips(int64_t{controlDX} * s, int64_t{controlDY} * s, int64_t{anchorDX} * s,
                      int64_t{anchorDY} * s);
}

void TFlashEdges::ClosePath() {
  if (pen_ == pathStart_) return;
  LineByTwips(int64_t{pathStart_.X} - pen_.X, int64_t{pathStart_.Y} - pen_.Y);
}

void TFlashEdges::MakeRectangle(int32_t width, int32_t height) {
  LineBy(width, 0);
  LineBy(0, height);
  LineBy(-width, 0);
  LineBy(0, -height);
}

namespace {

// One 45-degree step of a quarter circle, clockwise on the screen from the
// middle of the right side: signs of the control and anchor deltas.
constexpr int kArcSigns[8][4] = {{0, 1, -1, 1},  {-1, 1, -1, 0}, {-1, 0, -1, -1}, {-1, -1, 0, -1},
                                 {0, -1, 1, -1}, {1, -1, 1, 0},  {1, 0, 1, 1},    {1, 1, 0, 1}};
// tan 22.5 degrees and 1 - cos 45 degrees of a radius, as fractions of the
// diameter.
constexpr double kTan = 0.207, kCos = 0.1465;

}  // namespace

void TFlashEdges::MakeEllipse(int32_t width, int32_t height) {
  int s = UnitScale();
  bool wasTwips = InTwips;
  int64_t w = int64_t{width} * s, h = int64_t{height} * s;
  InTwips = true;
  MoveBy(Clamp32(w), Clamp32(h / 2));
  for (int i = 0; i < 8; ++i) {
    double kc = (i % 2 == 0) ? kTan : kCos, ka = (i % 2 == 0) ? kCos : kTan;
    const int* sg = kArcSigns[i];
    CurveByTwips(static_cast<int64_t>(sg[0] * kc * w), static_cast<int64_t>(sg[1] * kc * h),
                 static_cast<int64_t>(sg[2] * ka * w), static_cast<int64_t>(sg[3] * ka * h));
  }
  InTwips = wasTwips;
}

void TFlashEdges::MakeRoundRect(int32_t width, int32_t height, int32_t radius) {
  int s = UnitScale();
  bool wasTwips = InTwips;
  int64_t w = int64_t{width} * s, h = int64_t{height} * s, r = int64_t{radius} * s;
  int64_t d = 2 * r;
  InTwips = true;
  MoveBy(Clamp32(w), Clamp32(r));
  for (int i = 0; i < 8; ++i) {
    switch (i) {
      case 0: LineByTwips(0, h - d); break;
      case 2: LineByTwips(-(w - d), 0); break;
      case 4: LineByTwips(0, -(h - d)); break;
      case 6: LineByTwips(w - d, 0); break;
      default: break;
    }
    double kc = (i % 2 == 0) ? kTan : kCos, ka = (i % 2 == 0) ? kCos : kTan;
    const int* sg = kArcSigns[i];
    CurveByTwips(static_cast<int64_t>(sg[0] * kc * d), static_cast<int64_t>(sg[1] * kc * d),
                 static_cast<int64_t>(sg[2] * ka * d), static_cast<int64_t>(sg[3] * ka * d));
  }
  InTwips = wasTwips;
}

void TFlashEdges::EndShape() { records_->push_back(std::make_unique<TSWFEndShapeRecord>()); }

void TFlashEdges::Flip(bool flipX, bool flipY) {
  for (auto& rec : *records_) {
    switch (rec->ShapeRecType()) {
      case 1: {
        auto* sc = static_cast<TSWFStyleChangeRecord*>(rec.get());
        if (!sc->StateMoveTo) break;
        [[fallthrough]];
      }
      case 2: {
        auto* e = static_cast<TSWFStraightEdgeRecord*>(rec.get());
        if (flipX) e->DeltaX = -e->DeltaX;
        if (flipY) e->DeltaY = -e->DeltaY;
        break;
      }
      case 3: {
        auto* c = static_cast<TSWFCurvedEdgeRecord*>(rec.get());
        if (flipX) {
          c->ControlDeltaX = -c->ControlDeltaX;
          c->AnchorDeltaX = -c->AnchorDeltaX;
        }
        if (flipY) {
          c->ControlDeltaY = -c->ControlDeltaY;
          c->AnchorDeltaY = -c->AnchorDeltaY;
        }
        break;
      }
      default: break;
    }
  }
}

}  // namespace reelcast
