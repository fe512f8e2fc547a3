#include <gtest/gtest.h>

#include "movie/FlashShape.h"
#include "movie/MovieTestUtil.h"
#include "movie/PictureTestUtil.h"
#include "support/TestEnv.h"
#include "swf/Bitmaps.h"

namespace reelcast {
namespace {

using namespace std::string_literals;

TEST(FlashShape, BoxShapesGetIdsBoundsAndAPenAtTheirCorner) {
  TFlashMovie movie(0, 0, 400, 300, 12, true);
  TFlashShape* circle = movie.AddCircle(100, 100, 50);
  TFlashShape* rect = movie.AddRectangle(10, 20, 110, 70);
  TFlashShape* round = movie.AddRoundRect(TRect{0, 0, 200, 100}, 10);
  EXPECT_EQ(circle->GetCharacterId(), 1);
  EXPECT_EQ(rect->GetCharacterId(), 2);
  EXPECT_EQ(round->GetCharacterId(), 3);
  EXPECT_EQ(movie.NextCharacterId, 4);
  EXPECT_EQ(movie.Shapes().Count(), 3u);
  EXPECT_EQ(circle->Bounds().Rect(), (TRect{1000, 1000, 3000, 3000}));
  EXPECT_EQ(circle->XMin(), 50);
  EXPECT_EQ(circle->GetWidth(), 100);
  EXPECT_EQ(circle->GetWidth(true), 2000);
  auto* move = static_cast<TSWFStyleChangeRecord*>(circle->Records[0].get());
  EXPECT_EQ(move->DeltaX, 3000);
  EXPECT_EQ(move->DeltaY, 2000);
  auto* first = dynamic_cast<TSWFCurvedEdgeRecord*>(circle->Records[1].get());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ControlDeltaY, 414);
  EXPECT_EQ(first->AnchorDeltaX, -293);
  // The rectangle closes back on its corner.
  EXPECT_EQ(rect->Edges.Pen(), rect->Edges.PathStart());
  EXPECT_EQ(rect->Records.size(), 5u);
}

TEST(FlashShape, FillsLinesAndAlphaDecideTheTag) {
  TFlashMovie movie(0, 0, 4000, 3000, 12, false);
  TFlashShape* opaque = movie.AddRectangle(0, 0, 100, 100);
  opaque->AddSolidFill(0xFF0000FFu);
  TFlashShape* clear = movie.AddRectangle(0, 0, 100, 100);
  clear->AddSolidFill(0x800000FFu);
  TFlashShape* lined = movie.AddRectangle(100, 200, 300, 400);
  lined->SetLine(40, 0xFF000000u);
  TFlashShape* graded = movie.AddRectangle(0, 0, 32768, 16384);
  graded->AddGradientFill({0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u}, 0);
  movie.PlaceObject(opaque, 1);

  test::ReadMovie r = test::SaveAndRead(movie);
  auto shapes = r.All<TSWFDefineShape>();
  ASSERT_EQ(shapes.size(), 4u);
  EXPECT_EQ(shapes[0]->TagID, 22);
  EXPECT_EQ(shapes[1]->TagID, 32);
  EXPECT_EQ(movie.SWFVersion(), 5);
  auto* red = dynamic_cast<TSWFColorFill*>(shapes[1]->FillStyles.at(0).get());
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->Color.GetRGBA(), 0x800000FFu);
  // A 40-twip line grows the written bounds by 20 on each side.
  EXPECT_EQ(shapes[2]->ShapeBounds.Rect(), (TRect{80, 180, 320, 420}));
  EXPECT_EQ(shapes[2]->LineStyles.at(0)->Width, 40);
  auto* grad = dynamic_cast<TSWFGradientFill*>(shapes[3]->FillStyles.at(0).get());
  ASSERT_NE(grad, nullptr);
  ASSERT_EQ(grad->Count, 3);
  EXPECT_EQ(grad->Ratios[1], 128);
  EXPECT_EQ(grad->Ratios[2], 255);
  EXPECT_EQ(grad->GradientMatrix.ScaleX, 65536);
  EXPECT_EQ(grad->GradientMatrix.ScaleY, 32768);
  EXPECT_EQ(grad->GradientMatrix.TranslateX, 16384);
  EXPECT_EQ(grad->GradientMatrix.TranslateY, 8192);
  // The first record selects the fill on both sides of the read shape.
  auto* sc = dynamic_cast<TSWFStyleChangeRecord*>(shapes[0]->Edges.at(0).get());
  ASSERT_NE(sc, nullptr);
  EXPECT_EQ(sc->FillStyle1(), 1);
}

TEST(FlashShape, AnImageFillPutsTheBitmapBeforeTheShape) {
  test::TempDir dir;
  test::BmpLayout layout{2, 2, 24, 0, 40, {}, {}, 0, test::BottomUp({"abcdef"s, "ghijkl"s})};
  test::WriteFile(dir / "p.bmp", test::MakeBmp(layout));
  TFlashMovie movie(0, 0, 400, 300, 12, true);
  TFlashShape* shape = movie.AddRectangle(10, 10, 50, 30);
  TFlashImage* image = movie.AddImage((dir / "p.bmp").string());
  auto* fill = shape->AddImageFill(image, 1);
  EXPECT_EQ(fill->BitmapId, image->GetCharacterId());
  EXPECT_EQ(fill->FillType, 0x41);
  EXPECT_EQ(fill->BitmapMatrix.TranslateX, 195);
  // Fitted: 800 twips over 2 pixels, plus 15/4096.
  EXPECT_NEAR(fill->BitmapMatrix.ScaleX / 65536.0, 400 + 15.0 / 4096, 1e-3);
  ASSERT_EQ(movie.ObjectList().size(), 2u);
  EXPECT_EQ(movie.ObjectList()[0].get(), image);

  test::ReadMovie r = test::SaveAndRead(movie);
  EXPECT_EQ(r.Codes().at(0), 20);
  EXPECT_EQ(r.Codes().at(1), 22);

  // A refused picture costs no id and leaves the movie as it was.
  test::WriteFile(dir / "p.tga", "x");
  EXPECT_THROW(movie.AddImage((dir / "p.tga").string()), EImageError);
  EXPECT_EQ(movie.NextCharacterId, 3);
  EXPECT_EQ(movie.ObjectList().size(), 2u);
}

}  // namespace
}  // namespace reelcast
