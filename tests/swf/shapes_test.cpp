#include <gtest/gtest.h>

#include "swf/Shapes.h"
#include "swf/TagTestUtil.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;
using test::MakeTag;

std::string Describe(const TSWFObject& t) { return t.Describe(); }

template <class T>
T* AddRecord(TShapeRecordList& list, std::unique_ptr<T> r) {
  T* raw = r.get();
  list.push_back(std::move(r));
  return raw;
}

TSWFColorFill* AddColorFill(TFillStyleList& fills, uint32_t rgba) {
  auto f = std::make_unique<TSWFColorFill>();
  f->Color.SetHasAlpha(true);
  f->Color.SetRGBA(rgba);
  auto* raw = f.get();
  fills.push_back(std::move(f));
  return raw;
}

TEST(ShapeBytes, ShapeTagsWriteAndReadTheirTables) {
  const std::vector<test::TagRow> rows = {
      {"one fill, no lines: a line index is dropped",
       MakeTag<TSWFDefineShape>([](TSWFDefineShape& s) {
         s.ShapeId = 1;
         AddColorFill(s.FillStyles, 0xFF0000FF);
         auto* sc = AddRecord(s.Edges, std::make_unique<TSWFStyleChangeRecord>());
         sc->SetFillStyle1(1);
         sc->SetLineStyle(1);
       }),
       "01 00 00 01 00 FF 00 00 00 10 12 00"},
      {"a style change without flags still moves",
       MakeTag<TSWFDefineShape>([](TSWFDefineShape& s) {
         s.ShapeId = 1;
         AddRecord(s.Edges, std::make_unique<TSWFStyleChangeRecord>());
       }),
       "01 00 00 00 00 00 04 00 00"},
      {"DefineShape2 colours are RGB",
       MakeTag<TSWFDefineShape2>([](TSWFDefineShape2& s) {
         s.ShapeId = 2;
         AddColorFill(s.FillStyles, 0xFF0000FF);
         auto l = std::make_unique<TSWFLineStyle>();
         l->Width = 20;
         l->Color.SetRGB(0xFF0000);
         s.LineStyles.push_back(std::move(l));
       }),
       "02 00 00 01 00 FF 00 00 01 14 00 00 00 FF 11 00"},
      {"DefineShape3 colours are RGBA",
       MakeTag<TSWFDefineShape3>([](TSWFDefineShape3& s) {
         s.ShapeId = 2;
         AddColorFill(s.FillStyles, 0x800000FF);
         auto l = std::make_unique<TSWFLineStyle>();
         l->Width = 20;
         l->Color.SetRGB(0xFF0000);
         s.LineStyles.push_back(std::move(l));
       }),
       "02 00 00 01 00 FF 00 00 80 01 14 00 00 00 FF FF 11 00"},
      {"DefineShape4 flags a non-scaling stroke",
       MakeTag<TSWFDefineShape4>([](TSWFDefineShape4& s) {
         s.ShapeId = 4;
         auto l = std::make_unique<TSWFLineStyle2>();
         l->Width = 20;
         l->NoHScale = true;
         s.LineStyles.push_back(std::move(l));
       }),
       "04 00 00 00 02 00 01 14 00 04 00 00 00 00 FF 01 00"},
      {"LineStyle2 with a miter join and a fill",
       MakeTag<TSWFDefineShape4>([](TSWFDefineShape4& s) {
         s.ShapeId = 5;
         auto l = std::make_unique<TSWFLineStyle2>();
         l->Width = 1;
         l->JoinStyle = 2;
         l->MiterLimitFactor = 1.5f;
         l->HasFill = true;
         static_cast<TSWFColorFill*>(l->GetFill(0))->Color.SetRGBA(0x10203040);
         s.LineStyles.push_back(std::move(l));
       }),
       "05 00 00 00 01 00 01 01 00 28 00 80 01 00 40 30 20 10 01 00"},
      {"bitmap fill and curved edge",
       MakeTag<TSWFDefineShape>([](TSWFDefineShape& s) {
         s.ShapeId = 6;
         auto f = std::make_unique<TSWFImageFill>(0x40);
         f->BitmapId = 9;
         s.FillStyles.push_back(std::move(f));
         AddRecord(s.Edges, std::make_unique<TSWFCurvedEdgeRecord>(1, 0, -1, 1));
       }),
       // Curved 10, N-2 = 0000, control 01 00, anchor 11 01, then the end.
       "06 00 00 01 40 09 00 00 00 10 81 34 00"},
  };
  test::CheckTagTable(rows);
}

TEST(ShapeBytes, EdgeRecordsTakeTheirShortestForms) {
  EXPECT_EQ(Hex(test::Written([](TBitsEngine& be) {
              TSWFStraightEdgeRecord(1, 0).WriteToStream(be);
              be.FlushBits(true);
            })),
            "C0 40");
  // A 100 x 50 pixel rectangle: every edge is horizontal or vertical, so no
  // record carries the general-line flag.
  TSWFDefineShape shape;
  AddColorFill(shape.FillStyles, 0xFF00FF00);
  auto* move = AddRecord(shape.Edges, std::make_unique<TSWFStyleChangeRecord>());
  move->SetFillStyle0(1);
  for (auto [dx, dy] : {std::pair{2000, 0}, {0, 1000}, {-2000, 0}, {0, -1000}})
    AddRecord(shape.Edges, std::make_unique<TSWFStraightEdgeRecord>(dx, dy));
  auto back = test::RoundTrip(shape);
  auto& edges = static_cast<TSWFDefineShape&>(*back).Edges;
  ASSERT_EQ(edges.size(), 6u);
  const std::string body = test::BodyOf(shape);
  // Move 7 bits, edges of 20, 19, 20 and 19 bits (type 2, count 4, flags 2,
  // one delta), end 6: 91 bits in 12 bytes after id, bounds, styles, counts.
  EXPECT_EQ(body.size(), 2u + 1 + 5 + 1 + 1 + 12);
  auto* e = dynamic_cast<TSWFStraightEdgeRecord*>(edges[3].get());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->DeltaX, -2000);
  EXPECT_EQ(e->DeltaY, 0);
}

TEST(ShapeBytes, StyleCountsAndFocalPoints) {
  auto count = [](size_t n) {
    return Hex(test::Written([n](TBitsEngine& be) { WriteStyleCount(be, n); }));
  };
  EXPECT_EQ(count(254), "FE");
  EXPECT_EQ(count(255), "FF FF 00");
  TSWFFocalGradientFill focal;
  focal.SetFocalPointSingle(0.5f);
  EXPECT_EQ(focal.FocalPoint, 128);
  focal.SetFocalPointSingle(2.0f);
  EXPECT_EQ(focal.FocalPoint, 255);
  EXPECT_FLOAT_EQ(focal.FocalPointSingle(), 1.0f);
}

// A shape with every style and record kind, new styles in the middle.
std::unique_ptr<TSWFDefineShape3> RichShape() {
  auto s = std::make_unique<TSWFDefineShape3>();
  s->ShapeId = 3;
  s->ShapeBounds.SetRec({-100, 2000, -50, 1000});
  AddColorFill(s->FillStyles, 0x80102030);
  auto g = std::make_unique<TSWFGradientFill>(0x12);
  g->GradientMatrix.SetScale(0.5f, 0.25f);
  g->GradientMatrix.SetTranslate(100, -100);
  g->SpreadMode = 1;
  g->InterpolationMode = 1;
  g->Count = 3;
  for (int i = 0; i < 3; ++i) {
    g->Ratios[i] = static_cast<uint8_t>(i * 100);
    g->Colors[i].SetRGBA(0x01020304u * (i + 1));
  }
  s->FillStyles.push_back(std::move(g));
  auto f = std::make_unique<TSWFFocalGradientFill>();
  f->FocalPoint = -20;
  s->FillStyles.push_back(std::move(f));
  auto l = std::make_unique<TSWFLineStyle>();
  l->Width = 40;
  s->LineStyles.push_back(std::move(l));
  auto* first = AddRecord(s->Edges, std::make_unique<TSWFStyleChangeRecord>());
  first->SetMoveTo(-100, -50);
  first->SetFillStyle0(2);
  first->SetLineStyle(1);
  AddRecord(s->Edges, std::make_unique<TSWFStraightEdgeRecord>(300, 700));
  AddRecord(s->Edges, std::make_unique<TSWFCurvedEdgeRecord>(40, -40, 40, 40));
  auto* fresh = AddRecord(s->Edges, std::make_unique<TSWFStyleChangeRecord>());
  auto img = std::make_unique<TSWFImageFill>(0x43);
  img->BitmapId = 12;
  fresh->NewFillStyles().push_back(std::move(img));
  fresh->NewLineStyles().push_back(std::make_unique<TSWFLineStyle>());
  fresh->SetFillStyle1(1);
  AddRecord(s->Edges, std::make_unique<TSWFStraightEdgeRecord>(0, -65535));
  return s;
}

TEST(ShapeRoundTrip, EveryStyleAndRecordSurvivesReadAndCopy) {
  auto shape = RichShape();
  auto back = test::RoundTrip(*shape);
  EXPECT_EQ(Describe(*back), Describe(*shape));
  auto& read = static_cast<TSWFDefineShape3&>(*back);
  ASSERT_EQ(read.Edges.size(), 6u);
  auto* fresh = dynamic_cast<TSWFStyleChangeRecord*>(read.Edges[3].get());
  ASSERT_NE(fresh, nullptr);
  ASSERT_EQ(fresh->NewFillStylesView().size(), 1u);
  EXPECT_EQ(fresh->FillStyle1(), 1);

  std::vector<uint16_t*> refs;
  read.CharacterReferences(refs);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(*refs[0], 12);

  TSWFDefineShape3 copy;
  copy.Assign(*shape);
  EXPECT_EQ(Hex(test::BodyOf(copy)), Hex(test::BodyOf(*shape)));
}

std::unique_ptr<TSWFDefineMorphShape> Morph() {
  auto m = std::make_unique<TSWFDefineMorphShape>();
  m->CharacterId = 7;
  m->StartBounds.SetRec({0, 100, 0, 100});
  m->EndBounds.SetRec({0, 200, 0, 200});
  auto c = std::make_unique<TSWFMorphColorFill>();
  c->StartColor.SetRGBA(0xFF0000FF);
  c->EndColor.SetRGBA(0x8000FF00);
  m->MorphFillStyles.push_back(std::move(c));
  auto g = std::make_unique<TSWFMorphGradientFill>();
  g->Count = 2;
  g->EndRatios[1] = 255;
  m->MorphFillStyles.push_back(std::move(g));
  auto img = std::make_unique<TSWFMorphImageFill>();
  img->BitmapId = 5;
  m->MorphFillStyles.push_back(std::move(img));
  auto l = std::make_unique<TSWFMorphLineStyle>();
  l->StartWidth = 20;
  l->EndWidth = 40;
  m->MorphLineStyles.push_back(std::move(l));
  auto* sc = AddRecord(m->StartEdges, std::make_unique<TSWFStyleChangeRecord>());
  sc->SetMoveTo(20, 20);
  sc->SetFillStyle0(1);
  sc->SetLineStyle(1);
  AddRecord(m->StartEdges, std::make_unique<TSWFStraightEdgeRecord>(100, 0));
  auto* ec = AddRecord(m->EndEdges, std::make_unique<TSWFStyleChangeRecord>());
  ec->SetMoveTo(40, 40);
  ec->SetFillStyle0(1);
  AddRecord(m->EndEdges, std::make_unique<TSWFStraightEdgeRecord>(0, 100));
  return m;
}

TEST(MorphShape, OffsetCoversStylesAndStartEdges) {
  auto m = Morph();
  const std::string body = test::BodyOf(*m);
  // id, then rectangles of 8-bit (5 bytes) and 9-bit (6 bytes) values.
  const size_t offsetAt = 2 + 5 + 6;
  const uint32_t offset = static_cast<uint8_t>(body[offsetAt]) |
                          static_cast<uint8_t>(body[offsetAt + 1]) << 8;
  // Fill styles: count 1 + colour 9 + gradient 4+2*10 + image 5; lines:
  // count 1 + 12; bit counts 1; start edges: move with indexes (6 + 5 + 2*6
  // + 2 + 1 = 26 bits), edge 16 bits, end 6 bits: 48 bits = 6 bytes.
  EXPECT_EQ(offset, 1u + 9 + 24 + 5 + 13 + 1 + 6);
  // End edges start with the zero bit-count byte; their style change keeps
  // only its move.
  EXPECT_EQ(static_cast<uint8_t>(body[offsetAt + 4 + offset]), 0);

  auto back = test::RoundTrip(*m);
  EXPECT_EQ(Describe(*back), Describe(*m));
  auto& read = static_cast<TSWFDefineMorphShape&>(*back);
  auto* ec = dynamic_cast<TSWFStyleChangeRecord*>(read.EndEdges[0].get());
  ASSERT_NE(ec, nullptr);
  EXPECT_TRUE(ec->StateMoveTo);
  EXPECT_FALSE(ec->StateFillStyle0);
  EXPECT_EQ(ec->DeltaX, 40);

  std::vector<uint16_t*> refs;
  read.CharacterReferences(refs);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(*refs[0], 5);
}

TEST(MorphShape, Version2TakesPlainMorphsAndRoundTrips) {
  auto m = Morph();
  TSWFDefineMorphShape2 m2;
  m2.Assign(*m);
  EXPECT_EQ(m2.StartEdgeBounds, m->StartBounds);
  ASSERT_EQ(m2.MorphLineStyles.size(), 1u);
  auto* l2 = dynamic_cast<TSWFMorphLineStyle2*>(m2.MorphLineStyles[0].get());
  ASSERT_NE(l2, nullptr);
  EXPECT_EQ(l2->EndWidth, 40);
  l2->NoVScale = true;
  auto back = test::RoundTrip(m2);
  auto& read = static_cast<TSWFDefineMorphShape2&>(*back);
  EXPECT_TRUE(read.UsesNonScalingStrokes);
  EXPECT_FALSE(read.UsesScalingStrokes);
  EXPECT_EQ(read.MinVersion(), 8);
}

TEST(ShapeBadInput, DamagedBodiesThrowInsteadOfReadingOn) {
  const std::string good = test::BodyOf(*RichShape());
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_ANY_THROW(test::ReadBody(32, good.substr(0, cut))) << cut;
  // A fill count of 200 with three bytes behind it; an unknown fill type.
  EXPECT_ANY_THROW(test::ReadBody(2, Bytes("01 00 00 C8 00 FF 00")));
  EXPECT_ANY_THROW(test::ReadBody(2, Bytes("01 00 00 01 77 00 00 00 00")));
}

}  // namespace
}  // namespace reelcast
