// The real reelcast under Xvfb: the Encoder page's size and bit rate, an
// SWF with its HTML page, a text link dragged to the middle of the movie's
// preview and a preloader, all chosen through the pages and the publish
// settings dialog; the converted movie plays in Ruffle: while it arrives the
// preloader shows, then the video plays with the link where it was placed,
// opening its address.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopScript.h"
#include "support/RufflePlayer.h"
#include "support/SlowConnection.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

TEST(DesktopPublish, PagesChoicesReachThePlayedMovie) {
  ASSERT_TRUE(HaveProgram("xvfb-run"));
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  TempDir out("reelcast-publish-out");
  TempDir home("reelcast-publish-home");
  auto shot = ShotLine;
  // The plain movie (no player template) carries the preloader. A 480 x 360
  // movie gives a 400 x 300 preview: dragging the link by half of it puts
  // its corner at the middle of the movie.
  std::string script =
      OpenDvdLines() +
      "check Title_01_01 on\n"
      "check Title_01_02 off\n"
      "check Title_02_01 off\n"
      "click btnTemplate\n"
      "select lbPlayTheme None\n"
      "click btnEncoder\n"
      "click cbReso\n"
      "set edtWidth 480\n"
      "set edtHeight 360\n"
      "set tbVideoBitRate 600\n" +
      shot("publish-1-encoder.png") +
      "click btnPublish\n"
      "click rbSWF\n"
      "click cbHTML\n"
      "set beOutDir " + (out / "movie.swf").string() + "\n"
      "click RzBmpButton1\n"
      "wait-window frmPublishSetting\n"
      "click rbTextLink\n"
      "set edtTextLink Visit us\n"
      "set edtURL https://example.org/reelcast\n"
      "drag-by imgText 200 150\n"
      "print sdX\n"
      "print sdY\n" +
      shot("publish-2-link.png") +
      "tab pgcSetting 1\n"
      "click chkPreloader\n"
      "click chkUseProgress\n"
      "select cboBarStyle Classic Blue\n"
      "select cboOption ProgressBar and text\n" +
      shot("publish-3-preloader.png") +
      "click btnOK\n"
      "wait-closed frmPublishSetting\n" +
      shot("publish-4-publish.png") +
      ConvertLines() +
      "quit\n";
  ProcessResult r = RunDesktopScript(script, out.Path(), home.Path());
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("value: sdX: 200"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("value: sdY: 150"), std::string::npos) << r.Output;
  ASSERT_TRUE(fs::exists(out / "movie.swf")) << r.Output;
  ASSERT_TRUE(fs::exists(out / "movie.html")) << r.Output;

  // The movie arrives over 2 s of movie time: the preloader (the stored
  // white background, the "Classic Blue" bar growing) shows until it is all
  // there, then the video plays. Once it plays, clicks above-left of the
  // link's text and beyond its end open nothing; one just inside the text
  // opens the address.
  ArriveSlowly(out / "movie.swf", 2);
  const double w = 480, h = 360;
  RuffleOptions o;
  o.Root = out.Path();
  o.Swf = "movie.swf";
  o.RunMs = 4500;
  o.ShotsAt = {400, 1200, 3200};
  o.Clicks = {{3400, w / 2 - 25, h / 2 - 20}, {3700, w / 2 + 80, h / 2 + 25}, {4000, w / 2 + 12, h / 2 + 7}};
  RuffleResult played = RufflePlayer::Play(o);
  ASSERT_TRUE(played.Ok) << played.Describe();
  ASSERT_EQ(played.Metadata.Width, 480);
  ASSERT_EQ(played.Metadata.Height, 360);
  ASSERT_EQ(played.Shots.size(), 3u);
  const Rgba white{255, 255, 255, 255}, bar{0x3C, 0x8D, 0xFF, 255};
  std::vector<double> grown;
  for (int i = 0; i < 2; ++i) {
    const PngImage& preloader = played.Shots[i].Image;
    EXPECT_GT(preloader.CoverFraction(white, 0, 0, 480, 360, 20), 0.5) << "the preloader at " << o.ShotsAt[i];
    grown.push_back(preloader.CoverFraction(bar, 0, 0, 480, 360, 40));
  }
  EXPECT_GT(grown[0], 0) << "the bar shows";
  EXPECT_GT(grown[1], grown[0] * 1.5) << "the bar grows";
  const PngImage& movie = played.Shots[2].Image;
  EXPECT_LT(movie.CoverFraction(white, 0, 0, 480, 360, 20), 0.2) << "the video plays once all has arrived";
  EXPECT_LT(movie.CoverFraction(bar, 0, 0, 480, 360, 40), 0.001);
  // The link's text ("Visit us", black 12 px Arial) starts at the middle:
  // dark pixels there, none in boxes of its size above and left of it (the
  // test picture's bars there are bright).
  const auto dark = [&](int x, int y) { return movie.CoverFraction({0, 0, 0, 255}, x, y, 45, 14, 60); };
  EXPECT_GT(dark(240, 180), 0.01);
  EXPECT_LT(dark(240, 150), 0.002);
  EXPECT_LT(dark(190, 180), 0.002);
  ASSERT_EQ(played.Popups.size(), 1u) << played.Describe();
  EXPECT_EQ(played.Popups[0].Url, "https://example.org/reelcast");
  EXPECT_GE(played.Popups[0].AtMs, 4000);
  for (const char* name : {"publish-1-encoder.png", "publish-2-link.png", "publish-3-preloader.png", "publish-4-publish.png"})
    EXPECT_GT(fs::file_size(ShotPath(name)), 5000u) << name;
}

}  // namespace
}  // namespace reelcast::test
