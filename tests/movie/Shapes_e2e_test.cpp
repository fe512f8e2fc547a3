// Shapes drawn through the movie's box operations play in Ruffle with their
// fills where they were drawn: square corners, round corners, a circle, a
// half transparent fill and a gradient.
#include <gtest/gtest.h>

#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::Rgba;

TEST(RuffleShapes, BoxesCirclesAndFillsLandWhereDrawn) {
  test::TempDir dir;
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  movie.BackgroundColor().SetRGB(0xFFFFFF);
  TFlashShape* rect = movie.AddRectangle(20, 20, 80, 60);
  rect->AddSolidFill(255, 0, 0);
  TFlashShape* circle = movie.AddCircle(140, 40, 25);
  circle->AddSolidFill(0, 160, 0);
  TFlashShape* round = movie.AddRoundRect(20, 70, 100, 96, 10);
  round->AddSolidFill(0, 0, 255, 128);
  TFlashShape* grad = movie.AddRectangle(120, 70, 190, 96);
  grad->AddGradientFill({0xFF0000FFu, 0xFFFF0000u}, 0);
  int depth = 1;
  for (TFlashShape* s : {rect, circle, round, grad}) movie.PlaceObject(s, static_cast<uint16_t>(depth++));
  movie.ShowFrame();
  movie.MakeStream();
  EXPECT_EQ(movie.SWFVersion(), 5);
  movie.SaveToFile((dir / "shapes.swf").string());

  test::RuffleOptions o;
  o.Root = dir.Path();
  o.Swf = "shapes.swf";
  o.ShotsAt = {600};
  test::RuffleResult r = test::RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  const test::PngImage& shot = r.Shots.at(0).Image;
  const Rgba white{255, 255, 255, 255};
  struct Probe {
    const char* What;
    int X, Y;
    Rgba Colour;
  };
  const Probe probes[] = {
      {"rectangle inside its corner", 21, 21, {255, 0, 0, 255}},
      {"rectangle centre", 50, 40, {255, 0, 0, 255}},
      {"left of the rectangle", 18, 40, white},
      {"below the rectangle", 50, 62, white},
      {"circle centre", 140, 40, {0, 160, 0, 255}},
      {"circle near its right edge", 163, 40, {0, 160, 0, 255}},
      {"circle's box corner", 118, 18, white},
      {"round rectangle's middle, half blue on white", 60, 83, {127, 127, 255, 255}},
      {"round rectangle's cut corner", 21, 71, white},
      {"gradient's red end", 122, 83, {250, 0, 5, 255}},
      {"gradient's blue end", 188, 83, {5, 0, 250, 255}},
  };
  for (const Probe& p : probes)
    EXPECT_TRUE(shot.Pixel(p.X, p.Y).Near(p.Colour, 12))
        << p.What << ": " << shot.Pixel(p.X, p.Y).ToString();
}

}  // namespace
}  // namespace reelcast
