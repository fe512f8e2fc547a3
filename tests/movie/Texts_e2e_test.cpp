// Texts play in Ruffle: a static text in an embedded font and an edit text
// in a device font show in their colours where they were placed, accented
// Latin letters included, in version 5 (8-bit text) and version 8 movies.
#include <gtest/gtest.h>

#include "movie/FlashMovie.h"
#include "movie/FlashText.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::Rgba;

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255};

// Share of pixels in the rectangle that are near the colour (loosely, as
// anti-aliased edges blend into white).
double Cover(const test::PngImage& img, Rgba c, int x, int y, int w, int h) {
  return img.CoverFraction(c, x, y, w, h, 60);
}

TEST(RuffleTexts, StaticAndEditTextsShowAccentedLettersInPlace) {
  for (uint8_t version : {5, 8}) {
    SCOPED_TRACE("version " + std::to_string(version));
    test::TempDir dir;
    TFlashMovie movie(0, 0, 400, 200, 12, true);
    movie.SetVersion(version);
    movie.BackgroundColor().SetRGB(0xFFFFFF);
    TFlashFont* font = movie.AddFont({"Liberation Sans", 60, false, false, 0}, false);
    TFlashFont* device = movie.AddFont({"Liberation Sans", 40, false, false, 0}, true);
    // Two static texts at the same height: a plain capital E and one with
    // an acute accent, whose accent rises above the plain letter's top.
    TFlashText *plain, *accented, *edit;
    if (version == 5) {
      plain = movie.AddText(std::string("E"), 0xFF0000FFu, font, TPoint32{20, 20});
      accented = movie.AddText(std::string("\xC9"), 0xFF0000FFu, font, TPoint32{120, 20});
      edit = movie.AddDynamicText("v", std::string("\xC9t\xE9"), TRect{20, 120, 380, 180}, device,
                                  0xFFFF0000u);
    } else {
      plain = movie.AddText(std::u16string(u"E"), 0xFF0000FFu, font, TPoint32{20, 20});
      accented = movie.AddText(std::u16string(u"\u00C9"), 0xFF0000FFu, font, TPoint32{120, 20});
      edit = movie.AddDynamicText("v", std::u16string(u"\u00C9t\u00E9"), TRect{20, 120, 380, 180},
                                  device, 0xFFFF0000u);
    }
    edit->ReadOnly = true;
    movie.PlaceObject(plain, 1);
    movie.PlaceObject(accented, 2);
    movie.PlaceObject(edit, 3);
    movie.ShowFrame();
    movie.MakeStream();
    EXPECT_EQ(movie.SWFVersion(), version);
    movie.SaveToFile((dir / "text.swf").string());

    test::RuffleOptions o;
    o.Root = dir.Path();
    o.Swf = "text.swf";
    o.ShotsAt = {700};
    test::RuffleResult r = test::RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    ASSERT_EQ(r.Metadata.SwfVersion, version);
    const test::PngImage& shot = r.Shots.at(0).Image;

    // Ascent of Liberation Sans at 60 px is about 54 px, its capitals about
    // 43 px tall: the capital spans y = 31..74, an accent sits above 31.
    EXPECT_GT(Cover(shot, kRed, 20, 40, 40, 30), 0.1);   // the E's stem and bars
    EXPECT_GT(Cover(shot, kRed, 120, 40, 40, 30), 0.1);  // the same under the accent
    EXPECT_LT(Cover(shot, kRed, 20, 18, 40, 10), 0.01);  // nothing above the plain E
    EXPECT_GT(Cover(shot, kRed, 120, 18, 40, 10), 0.02); // the accent above the other
    EXPECT_LT(Cover(shot, kRed, 200, 10, 190, 100), 0.001);
    // The edit text: blue letters inside its box, none outside.
    EXPECT_GT(Cover(shot, kBlue, 20, 120, 120, 60), 0.05);
    EXPECT_LT(Cover(shot, kBlue, 0, 0, 400, 110), 0.001);
  }
}

}  // namespace
}  // namespace reelcast
