// Published embedded-video movies and their pages play in Ruffle.
#include <gtest/gtest.h>

#include "publish/PublishedMovie.h"
#include "support/RufflePlayer.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

class PublishedInRuffle : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing = RufflePlayer::MissingPieces();
    ASSERT_TRUE(missing.empty()) << missing;
    MakePublishFlv((dir_ / "in.flv").string());  // 20 frames at 10 fps
  }
  TempDir dir_{"reelcast-publish-e2e"};
};

// A 2.1-second movie: with "No Loop" the picture freezes on the last frame;
// with "Auto Loop" it keeps changing after the end.
TEST_F(PublishedInRuffle, NoLoopStopsOnTheLastFrameAutoLoopStartsAgain) {
  for (const char* mode : {"noloop", "loop"}) {
    SCOPED_TRACE(mode);
    auto made = Flv2Swf((dir_ / "in.flv").string(), (dir_ / "movie.swf").string(),
                        {"--play-mode", mode});
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "movie.swf";
    o.ShotsAt = {200, 2400, 3100};
    o.RunMs = 3300;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_EQ(r.Metadata.SwfVersion, 8);
    EXPECT_EQ(r.Metadata.FrameRate, 10);
    ASSERT_EQ(r.Shots.size(), 3u);
    const PngImage& early = r.Shots[0].Image;
    const PngImage& late1 = r.Shots[1].Image;
    const PngImage& late2 = r.Shots[2].Image;
    EXPECT_LT(early.CoverFraction(early.Pixel(80, 60), 0, 0, 160, 120, 16), 0.9) << "a picture";
    EXPECT_GT(early.DifferenceFraction(late1, 24), 0.005) << "the video played";
    if (std::string(mode) == "noloop")
      EXPECT_LT(late1.DifferenceFraction(late2, 24), 0.002) << "stopped on the last frame";
    else
      EXPECT_GT(late1.DifferenceFraction(late2, 24), 0.005) << "started again";
  }
}

// The page of a movie: with the loader script it plays in a browser that has
// no plug-in; the harness adds only Ruffle's settings, the page brings Ruffle.
TEST_F(PublishedInRuffle, PageWithTheLoaderScriptPlaysTheMovieBesideIt) {
  const std::string name = "my \"best\" <movie> & more.swf";
  auto made = Flv2Swf((dir_ / "in.flv").string(), (dir_ / name).string(),
                      {"--background", "0000FF", std::string("--ruffle-loader=") + RuffleScriptPath});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  RuffleOptions o;
  o.Root = dir_.Path();
  o.Page = "my \"best\" <movie> & more.html";
  o.PageLoadsRuffle = true;
  o.ShotsAt = {700};
  o.RunMs = 1000;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.Width, 160);
  EXPECT_EQ(r.Metadata.Height, 120);
  ASSERT_EQ(r.Shots.size(), 1u);
  EXPECT_LT(r.Shots[0].Image.CoverFraction({0, 0, 255, 255}, 0, 0, 160, 120, 16), 0.9)
      << "the video is shown, not only the background";
}

// With the player's files beside it, the page plays from the server it was
// put on and nothing else: served from 127.0.0.1 with nothing added, no
// request leaves. It centres the movie at its size in a wide window and
// scales it down, keeping its proportions, in a narrow one.
TEST_F(PublishedInRuffle, PageWithThePlayerBesideItPlaysOnItsOwnAndScalesDown) {
  auto made = Flv2Swf((dir_ / "in.flv").string(), (dir_ / "movie.swf").string(),
                      {"--background", "0000FF", "--ruffle-local"});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  ASSERT_TRUE(fs::exists(dir_ / "ruffle" / "ruffle.js"));
  struct Case {
    int Width, Height;             // the window
    double X, Y, Shown, ShownHigh;  // where the 160 x 120 stage should be, and how large
  };
  const Case cases[] = {
      {1280, 960, 560, 420, 160, 120},  // centred at its own size
      {100, 400, 0, 162.5, 100, 75},    // as wide as the window, same proportions
      {400, 60, 160, 0, 80, 60},        // as high as the window
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height));
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Page = "movie.html";
    o.PageBare = true;
    o.ViewportWidth = c.Width;
    o.ViewportHeight = c.Height;
    o.ShotsAt = {700};
    o.RunMs = 800;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_TRUE(r.Requests.empty() && r.Navigations.empty() && r.Popups.empty()) << r.Describe();
    EXPECT_NEAR(r.Stage.X, c.X, 1);
    EXPECT_NEAR(r.Stage.Y, c.Y, 1);
    EXPECT_NEAR(r.Stage.Width, c.Shown, 1);
    EXPECT_NEAR(r.Stage.Height, c.ShownHigh, 1);
    ASSERT_EQ(r.Shots.size(), 1u);
    const PngImage& shot = r.Shots[0].Image;
    EXPECT_LT(shot.CoverFraction({0, 0, 255, 255}, 0, 0, shot.Width(), shot.Height(), 16), 0.9)
        << "the video is shown, not only the background";
  }
}

}  // namespace
}  // namespace reelcast::test
