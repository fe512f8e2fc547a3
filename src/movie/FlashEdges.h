// TFlashEdges is the drawing pen of shapes and glyphs: moves, lines, curves,
// rectangles, rounded rectangles and ellipses become SWF shape records in
// twips. Every record it appends is valid: no zero-length edges, straight
// and curved edges split so that each delta fits the format's 17-bit signed
// fields, and degenerate curves written as straight edges.
#pragma once

#include <cstdint>

#include "swf/Shapes.h"

namespace reelcast {

struct TPoint32 {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint32&) const = default;
};

class TFlashEdges {
 public:
  // The largest delta one edge record can carry.
  static constexpr int32_t kMaxDelta = 65535;

  // records is the owner's list (not owned). A first style-change record
  // that selects fill style 1 (still 0) is appended.
  explicit TFlashEdges(TShapeRecordList& records);

  TShapeRecordList& Records() { return *records_; }
  TPoint32 Pen() const { return pen_; }
  TPoint32 PathStart() const { return pathStart_; }

  // Take coordinates as twips whatever the movie's unit.
  bool InTwips = false;
  // The owner movie's unit multiplier (20 for a movie in pixels, 1 for one
  // in twips); 0 without a movie, when coordinates are always twips.
  int MovieUnit = 0;
  int UnitScale() const { return InTwips || MovieUnit == 0 ? 1 : MovieUnit; }

  // The last record when it is a style-change record, else a new one.
  TSWFStyleChangeRecord* CurrentStyleChange();

  void MoveTo(int32_t x, int32_t y);
  void MoveBy(int32_t dx, int32_t dy);
  // Return the last straight edge appended, or none when nothing was.
  TSWFStraightEdgeRecord* LineTo(int32_t x, int32_t y);
  TSWFStraightEdgeRecord* LineBy(int32_t dx, int32_t dy);
  // The anchor is absolute (CurveTo) or relative to the control point
  // (CurveBy). Return the curve record, or none when the curve was empty,
  // became straight edges or had to be split.
  TSWFCurvedEdgeRecord* CurveTo(int32_t controlX, int32_t controlY, int32_t anchorX,
                                int32_t anchorY);
  TSWFCurvedEdgeRecord* CurveBy(int32_t controlDX, int32_t controlDY, int32_t anchorDX,
                                int32_t anchorDY);
  // A straight edge back to the last move's point, when the pen is elsewhere.
  void ClosePath();

  // Boxes drawn from the pen as their top-left corner.
  void MakeRectangle(int32_t width, int32_t height);
  void MakeEllipse(int32_t width, int32_t height);
  void MakeRoundRect(int32_t width, int32_t height, int32_t radius);

  void EndShape();
  // Mirrors every move, edge and curve on the chosen axes.
  void Flip(bool flipX, bool flipY);

 private:
  TSWFStraightEdgeRecord* LineByTwips(int64_t dx, int64_t dy);
  TSWFCurvedEdgeRecord* CurveByTwips(int64_t cx, int64_t cy, int64_t ax, int64_t ay);
  void MoveToTwips(int32_t x, int32_t y);

  TShapeRecordList* records_;
  TPoint32 pen_;
  TPoint32 pathStart_;
};

}  // namespace reelcast
