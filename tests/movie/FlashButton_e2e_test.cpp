// Buttons built by the movie builder answer clicks in Ruffle with their
// actions: a link opened on release, only over the button.
#include <gtest/gtest.h>

#include "movie/FlashButton.h"
#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

TEST(FlashButtonInRuffle, ReleaseOverTheButtonOpensItsLink) {
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  for (bool advanced : {true, false}) {
    SCOPED_TRACE(advanced ? "DefineButton2" : "DefineButton");
    TempDir dir("reelcast-button-e2e");
    TFlashMovie movie(0, 0, 200, 100, 12, true);
    movie.BackgroundColor().SetRGB(0xFF0000);  // blue
    TFlashShape* face = movie.AddRectangle(20, 20, 120, 70);
    face->AddSolidFill(255, 0, 0);
    TFlashButton* button = movie.AddButton(false, advanced);
    button->AddRecord(face, 15, 1);
    TFlashActionScript& actions = advanced ? button->ReleaseActions() : button->Actions();
    actions.GetUrl("http://example.invalid/clicked", "_blank");
    EXPECT_EQ(button->Actions().ActionList().Count(), 1u) << "Actions and ReleaseActions are one list";
    movie.PlaceObject(button, 1);
    movie.ShowFrame();
    movie.MakeStream();
    movie.SaveToFile((dir / "button.swf").string());

    RuffleOptions o;
    o.Root = dir.Path();
    o.Swf = "button.swf";
    o.ShotsAt = {200};
    o.Clicks = {{300, 180, 90}, {700, 70, 45}};  // beside the button, then on it
    o.RunMs = 2000;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    ASSERT_EQ(r.Shots.size(), 1u);
    EXPECT_TRUE(r.Shots[0].Image.Pixel(70, 45).Near({255, 0, 0, 255})) << r.Shots[0].Image.Pixel(70, 45).ToString();
    EXPECT_TRUE(r.Shots[0].Image.Pixel(5, 5).Near({0, 0, 255, 255}));
    ASSERT_EQ(r.Popups.size(), 1u) << r.Describe();
    EXPECT_EQ(r.Popups[0].Url, "http://example.invalid/clicked");
    EXPECT_GE(r.Popups[0].AtMs, 600);
  }
}

}  // namespace
}  // namespace reelcast::test
