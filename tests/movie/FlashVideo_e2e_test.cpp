// Movies that embed an FLV play in Ruffle: no error, and the picture moves.
#include <gtest/gtest.h>

#include "movie/EmbeddedVideo.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

TEST(EmbeddedVideoInRuffle, PlaysWithSoundAndThePictureChanges) {
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  struct Case {
    const char* name;
    std::vector<std::string> codecs;
  };
  const Case cases[] = {
      {"h263-mp3", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "22050", "-ac", "2"}},
      {"screen-nellymoser", {"-c:v", "flashsv", "-c:a", "nellymoser", "-ar", "22050", "-ac", "1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir("reelcast-video-e2e");
    MakeTestFlv((dir / "in.flv").string(), c.codecs, 4, "160x120", 25);
    EmbedFlv((dir / "in.flv").string(), (dir / "movie.swf").string());
    RuffleOptions o;
    o.Root = dir.Path();
    o.Swf = "movie.swf";
    o.ShotsAt = {600, 1800};
    o.RunMs = 2500;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_EQ(r.Metadata.Width, 160);
    EXPECT_EQ(r.Metadata.Height, 120);
    EXPECT_EQ(r.Metadata.NumFrames, 100);
    EXPECT_EQ(r.Metadata.FrameRate, 25);
    ASSERT_EQ(r.Shots.size(), 2u);
    // The test picture is coloured bars with a moving part: not one colour,
    // and not the same picture a second later.
    const PngImage& a = r.Shots[0].Image;
    const PngImage& b = r.Shots[1].Image;
    EXPECT_LT(a.CoverFraction(a.Pixel(80, 60), 0, 0, 160, 120, 16), 0.9) << "a picture is shown";
    EXPECT_GT(a.DifferenceFraction(b, 24), 0.005) << "the picture changes from frame to frame";
  }
}

}  // namespace
}  // namespace reelcast::test
