// Published embedded-video movies and their pages play in Ruffle.
#include <gtest/gtest.h>

#include "publish/PublishedMovie.h"
#include "support/RufflePlayer.h"

namespace reelcast::test {
namespace {

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

}  // namespace
}  // namespace reelcast::test
