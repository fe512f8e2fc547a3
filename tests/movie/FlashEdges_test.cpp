#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "movie/FlashEdges.h"

namespace reelcast {
namespace {

// Records as text: M x,y (move), L dx,dy, C cx,cy,ax,ay, E (end).
std::string Dump(const TShapeRecordList& list) {
  std::string s;
  for (const auto& r : list) {
    if (!s.empty()) s += " ";
    switch (r->ShapeRecType()) {
      case 0: s += "E"; break;
      case 1: {
        auto* sc = static_cast<const TSWFStyleChangeRecord*>(r.get());
        s += sc->StateMoveTo ? "M" + std::to_string(sc->DeltaX) + "," + std::to_string(sc->DeltaY)
                             : "S";
        break;
      }
      case 2: {
        auto* e = static_cast<const TSWFStraightEdgeRecord*>(r.get());
        s += "L" + std::to_string(e->DeltaX) + "," + std::to_string(e->DeltaY);
        break;
      }
      case 3: {
        auto* c = static_cast<const TSWFCurvedEdgeRecord*>(r.get());
        s += "C" + std::to_string(c->ControlDeltaX) + "," + std::to_string(c->ControlDeltaY) + "," +
             std::to_string(c->AnchorDeltaX) + "," + std::to_string(c->AnchorDeltaY);
        break;
      }
    }
  }
  return s;
}

// Every edge record is non-empty and within the 17-bit signed fields, and
// the deltas add up to where the pen says it is.
void ExpectValid(const TShapeRecordList& list, TPoint32 pen) {
  int64_t x = 0, y = 0;
  auto in = [](int64_t v) { return v >= -65536 && v <= 65535; };
  for (const auto& r : list) {
    if (r->ShapeRecType() == 1) {
      auto* sc = static_cast<const TSWFStyleChangeRecord*>(r.get());
      if (sc->StateMoveTo) x = sc->DeltaX, y = sc->DeltaY;
    } else if (r->ShapeRecType() == 2) {
      auto* e = static_cast<const TSWFStraightEdgeRecord*>(r.get());
      EXPECT_FALSE(e->DeltaX == 0 && e->DeltaY == 0);
      EXPECT_TRUE(in(e->DeltaX) && in(e->DeltaY)) << e->DeltaX << "," << e->DeltaY;
      x += e->DeltaX, y += e->DeltaY;
    } else if (r->ShapeRecType() == 3) {
      auto* c = static_cast<const TSWFCurvedEdgeRecord*>(r.get());
      EXPECT_FALSE(c->ControlDeltaX == 0 && c->ControlDeltaY == 0);
      EXPECT_FALSE(c->AnchorDeltaX == 0 && c->AnchorDeltaY == 0);
      EXPECT_TRUE(in(c->ControlDeltaX) && in(c->ControlDeltaY) && in(c->AnchorDeltaX) &&
                  in(c->AnchorDeltaY));
      x += c->ControlDeltaX + c->AnchorDeltaX, y += c->ControlDeltaY + c->AnchorDeltaY;
    }
  }
  EXPECT_EQ(x, pen.X);
  EXPECT_EQ(y, pen.Y);
}

TEST(FlashEdges, DrawingCallsGiveValidRecords) {
  struct Row {
    const char* Name;
    int Unit;  // the movie's multiplier, 0 without a movie
    std::function<void(TFlashEdges&)> Draw;
    const char* Records;
  };
  const std::vector<Row> rows = {
      {"a line of 65535 twips is one edge", 0, [](TFlashEdges& e) { e.LineBy(65535, 0); },
       "S L65535,0"},
      {"a line of 65536 twips is two of 32768", 0, [](TFlashEdges& e) { e.LineBy(65536, 0); },
       "S L32768,0 L32768,0"},
      {"pieces round half to even and add up", 0, [](TFlashEdges& e) { e.LineBy(-131073, 5); },
       "S L-43691,2 L-43691,1 L-43691,2"},
      {"pixels are scaled to twips", 20, [](TFlashEdges& e) { e.LineBy(100, 50); },
       "S L2000,1000"},
      {"InTwips ignores the movie's unit", 20,
       [](TFlashEdges& e) {
         e.InTwips = true;
         e.LineBy(100, 50);
       },
       "S L100,50"},
      {"zero line and zero move add nothing", 0,
       [](TFlashEdges& e) {
         e.LineBy(0, 0);
         e.MoveBy(0, 0);
         e.MoveTo(0, 0);
       },
       "S"},
      {"a flat curve is a straight edge", 0, [](TFlashEdges& e) { e.CurveBy(10, 0, 10, 0); },
       "S L20,0"},
      {"a curve with no control delta is a line", 0, [](TFlashEdges& e) { e.CurveBy(0, 0, 5, 7); },
       "S L5,7"},
      {"a curve ending at the pen adds nothing", 0,
       [](TFlashEdges& e) {
         e.MoveTo(10, 10);
         e.CurveTo(40, 40, 10, 10);
       },
       "M10,10"},
      {"CurveTo stores the anchor relative to the control point", 20,
       [](TFlashEdges& e) {
         e.MoveTo(1, 1);
         e.CurveTo(2, 3, 4, 4);
       },
       "M20,20 C20,40,40,20"},
      {"a curve too large for one record is halved", 0,
       [](TFlashEdges& e) { e.CurveBy(100000, 0, 0, 100000); },
       "S C50000,0,25000,25000 C25000,25000,0,50000"},
      {"a move after edges starts a new style-change record and ClosePath returns", 0,
       [](TFlashEdges& e) {
         e.LineBy(10, 0);
         e.MoveTo(5, 5);
         e.LineBy(10, 0);
         e.LineBy(0, 10);
         e.ClosePath();
         e.EndShape();
       },
       "S L10,0 M5,5 L10,0 L0,10 L-10,-10 E"},
      {"rectangle", 20,
       [](TFlashEdges& e) {
         e.MoveTo(1, 2);
         e.MakeRectangle(3, 4);
       },
       "M20,40 L60,0 L0,80 L-60,0 L0,-80"},
      {"circle of radius 50 px: middle of the right side, then 8 curves", 20,
       [](TFlashEdges& e) {
         e.MoveTo(50, 50);
         e.MakeEllipse(100, 100);
       },
       "M3000,2000 C0,414,-293,293 C-293,293,-414,0 C-414,0,-293,-293 C-293,-293,0,-414 "
       "C0,-414,293,-293 C293,-293,414,0 C414,0,293,293 C293,293,0,414"},
      {"rounded rectangle: sides between the corner curves", 0,
       [](TFlashEdges& e) { e.MakeRoundRect(1000, 600, 100); },
       "M1000,100 L0,400 C0,41,-29,29 C-29,29,-41,0 L-800,0 C-41,0,-29,-29 C-29,-29,0,-41 "
       "L0,-400 C0,-41,29,-29 C29,-29,41,0 L800,0 C41,0,29,29 C29,29,0,41"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TShapeRecordList list;
    TFlashEdges e(list);
    e.MovieUnit = r.Unit;
    r.Draw(e);
    EXPECT_EQ(Dump(list), r.Records);
    ExpectValid(list, e.Pen());
  }
}

TEST(FlashEdges, HugeShapesStayWithinTheFieldLimits) {
  TShapeRecordList list;
  TFlashEdges e(list);
  e.MovieUnit = 20;
  e.MoveTo(-5000, -5000);
  e.MakeEllipse(30000, 9000);
  e.MakeRoundRect(40000, 30000, 9000);
  e.LineTo(100000, -100000);
  e.CurveTo(-200000, 3, 7, 200000);
  ExpectValid(list, e.Pen());
}

TEST(FlashEdges, FlipMirrorsMovesEdgesAndCurves) {
  TShapeRecordList list;
  TFlashEdges e(list);
  e.MoveTo(10, 20);
  e.LineBy(5, 6);
  e.CurveBy(1, 2, 3, 4);
  e.Flip(false, true);
  EXPECT_EQ(Dump(list), "M10,-20 L5,-6 C1,-2,3,-4");
  e.Flip(true, false);
  EXPECT_EQ(Dump(list), "M-10,-20 L-5,-6 C-1,-2,-3,-4");
}

}  // namespace
}  // namespace reelcast
