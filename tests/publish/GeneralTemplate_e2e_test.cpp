// General-template movies and the title text effects play in Ruffle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashSprite.h"
#include "movie/TextEffects.h"
#include "publish/ControlBarStyles.h"
#include "publish/PublishedMovie.h"
#include "support/FFprobe.h"
#include "support/RufflePlayer.h"

namespace reelcast::test {
namespace {

// The share of pixels of a region that are near a colour.
double Cover(const PngImage& image, const Rgba& colour, int x, int y, int w, int h, int tolerance = 40) {
  return image.CoverFraction(colour, x, y, w, h, tolerance);
}

// The share of pixels of a region that differ between two pictures.
double RegionDifference(const PngImage& a, const PngImage& b, int x, int y, int w, int h) {
  int differ = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) differ += !a.Pixel(i, j).Near(b.Pixel(i, j), 24);
  return static_cast<double>(differ) / (w * h);
}

// The share of dark pixels (text) in a region.
double DarkShare(const PngImage& image, int x, int y, int w, int h) {
  int dark = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      Rgba p = image.Pixel(i, j);
      dark += p.R + p.G + p.B < 200;
    }
  return static_cast<double>(dark) / (w * h);
}

class GeneralTemplateInRuffle : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing = RufflePlayer::MissingPieces();
    ASSERT_TRUE(missing.empty()) << missing;
  }
  TempDir dir_{"reelcast-general-e2e"};
};

// The shipped "Gallery" template is 400 x 300 with its window at
// (50, 40)-(250, 190); a 320 x 240 video makes a 640 x 480 movie with the
// video at (80, 64). A plain red video shows where the window is and when
// the video runs. Shots are taken all along (when exactly depends on the
// machine's load): the red video fills the window in one unbroken run of
// them, after shots of the opening titles and before shots of the ending;
// "No Loop" holds the ending's last frame with the cast shown.
TEST_F(GeneralTemplateInRuffle, OpeningThenVideoInTheWindowThenEnding) {
  const std::string flv = (dir_ / "red.flv").string();
  RunFFmpeg({"-f", "lavfi", "-i", "color=c=red:size=320x240:rate=25", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=22050", "-t", "3", "-c:v", "flv1", "-q:v", "2", "-c:a",
             "libmp3lame", "-ar", "22050", "-ac", "1", flv});
  // Opening: 1 + 2 x 61 frames (no motive), video 75, ending 1 + 61, all at
  // the FLV's 25 frames per second: 0-4.9 s, 4.9-7.9 s, 7.9-10.4 s.
  auto made = Flv2Swf(flv, (dir_ / "movie.swf").string(),
                      {"--template", "general:Gallery", "--title-text", "Red Film", "--director-text",
                       "A Director", "--motive-text", "", "--cast-text", "The Cast", "--play-mode", "noloop"});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  RuffleOptions o;
  o.Root = dir_.Path();
  o.Swf = "movie.swf";
  for (int at = 400; at <= 10400; at += 400) o.ShotsAt.push_back(at);
  o.ShotsAt.push_back(12500);  // after the end
  o.RunMs = 12600;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.Width, 640);
  EXPECT_EQ(r.Metadata.Height, 480);
  EXPECT_EQ(r.Metadata.FrameRate, 25);
  ASSERT_EQ(r.Shots.size(), o.ShotsAt.size());
  const Rgba red{255, 0, 0, 255};
  // The window (80, 64)-(400, 304), two pixels in from each side.
  std::vector<bool> video;
  for (const RuffleShot& shot : r.Shots) video.push_back(Cover(shot.Image, red, 82, 66, 316, 236) > 0.97);
  const auto first = std::find(video.begin(), video.end(), true);
  ASSERT_NE(first, video.end()) << "the video was never seen";
  const auto after = std::find(first, video.end(), false);
  EXPECT_EQ(std::find(after, video.end(), true), video.end()) << "the video is seen in one run";
  ASSERT_NE(first, video.begin()) << "an opening came before the video";
  ASSERT_NE(after, video.end()) << "an ending came after the video";

  const PngImage& opening = r.Shots[first - video.begin() - 1].Image;  // titles at rest
  const PngImage& during = r.Shots[first - video.begin()].Image;
  const PngImage& ending = r.Shots.back().Image;
  // Just outside the window: the template's frame, not the video; the wall
  // around the frame is the template's.
  for (auto [x, y] : std::vector<std::pair<int, int>>{{77, 184}, {403, 184}, {240, 61}, {240, 307}})
    EXPECT_FALSE(during.Pixel(x, y).Near(red, 60)) << x << "," << y << " " << during.Pixel(x, y).ToString();
  EXPECT_LT(Cover(during, red, 0, 0, 60, 480), 0.01);
  for (size_t i = 0; i < r.Shots.size(); ++i)
    if (!video[i]) {
      EXPECT_LT(Cover(r.Shots[i].Image, red, 0, 0, 640, 480), 0.01) << "shot " << i;
    }
  EXPECT_GT(DarkShare(opening, 120, 60, 400, 260), 0.003) << "the titles are shown";
  EXPECT_GT(DarkShare(ending, 120, 60, 400, 260), 0.002) << "the cast is shown";
  EXPECT_GT(RegionDifference(opening, ending, 0, 0, 640, 480), 0.01) << "opening and ending differ";
}

// With music the composed movie plays inside the "ThirdAudio" wrapper; the
// control bar inside it still reaches the video as
// _root.ThirdAudio.MainMovie: it halts at the video's second frame, play
// runs it, pause halts it again.
TEST_F(GeneralTemplateInRuffle, ControlBarDrivesTheVideoInsideTheMusicWrapper) {
  const std::string flv = (dir_ / "clock.flv").string();
  MakeTestFlv(flv, {"-c:v", "flv1", "-q:v", "3", "-an"}, 8, "320x240", 25);
  RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=44100", "-t", "0.7", "-c:a", "libmp3lame",
             (dir_ / "tune.mp3").string()});
  auto made = Flv2Swf(flv, (dir_ / "movie.swf").string(),
                      {"--template", "general:Gallery", "--control-bar", "Classic", "--no-auto-play", "--music",
                       (dir_ / "tune.mp3").string(), "--music-loop", "--title-text", "T", "--director-text",
                       "D", "--motive-text", ""});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  // The opening takes 4.9 s; then the bar halts the video. The bar lies over
  // the video, which Gallery's window shows at (80, 64).
  const TControlBarLayout bar = LayOutControlBar(ControlBarLook("Classic").Layout, TRect{80, 64, 400, 304});
  const double half = bar.Button / 2;
  const RuffleClick playPause{0, bar.PlayPause.X + half, bar.PlayPause.Y + half};
  auto click = [](RuffleClick c, int at) { c.AtMs = at; return c; };
  RuffleOptions o;
  o.Root = dir_.Path();
  o.Swf = "movie.swf";
  o.ShotsAt = {6800, 7600, 8600, 9300, 10300, 11000};
  o.Clicks = {click(playPause, 7800), click(playPause, 9500)};
  o.RunMs = 11200;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.Width, 640);
  ASSERT_EQ(r.Shots.size(), 6u);
  // The window's picture.
  auto same = [&](size_t a, size_t b) { return RegionDifference(r.Shots[a].Image, r.Shots[b].Image, 82, 66, 316, 236) < 0.002; };
  EXPECT_LT(Cover(r.Shots[0].Image, r.Shots[0].Image.Pixel(240, 184), 82, 66, 316, 236, 16), 0.9)
      << "the video is in the window";
  EXPECT_TRUE(same(0, 1)) << "halted before play";
  EXPECT_FALSE(same(2, 3)) << "playing after play";
  EXPECT_TRUE(same(4, 5)) << "halted after pause";
  EXPECT_FALSE(same(0, 4)) << "paused later in the video";
}

// The Film Strip opening's dial is two rings round the stage's middle. The
// opening is stretched over the stage, unevenly when the video is wider or
// taller than the template's window; the rings stay circles all the same,
// as large as the narrower direction allows. Measured just beside the
// cross's lines, from the middle down and to the right, where no title is:
// the outer ring is the second dark run met. The title's letters keep their
// shape too: its black box has the same proportions on every stage.
TEST_F(GeneralTemplateInRuffle, FilmStripDialAndTitleKeepTheirShapeOnEveryVideoShape) {
  struct Case {
    const char* Size;
    int Width, Height;  // the composed stage: the 480 x 360 template whose window is 360 x 270
  };
  double titleProportions = 0;  // width / height of the title's box on the first stage
  for (const Case& c : {Case{"320x240", 427, 320}, Case{"384x216", 512, 288}, Case{"240x320", 320, 427}}) {
    SCOPED_TRACE(c.Size);
    const std::string flv = (dir_ / (std::string(c.Size) + ".flv")).string();
    RunFFmpeg({"-f", "lavfi", "-i", std::string("color=c=gray:size=") + c.Size + ":rate=25", "-t", "1", "-c:v",
               "flv1", "-q:v", "2", "-an", flv});
    const std::string swf = std::string(c.Size) + ".swf";
    auto made = Flv2Swf(flv, (dir_ / swf).string(),
                        {"--template", "general:Film Strip", "--title-text", "Fixture", "--director-text", "",
                         "--motive-text", ""});
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = swf;
    o.ShotsAt = {300, 1800};  // the title fading in, then at rest
    o.RunMs = 1900;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    ASSERT_EQ(r.Metadata.Width, c.Width);
    ASSERT_EQ(r.Metadata.Height, c.Height);
    ASSERT_EQ(r.Shots.size(), 2u);
    const PngImage& shot = r.Shots[0].Image;
    const int cx = c.Width / 2, cy = c.Height / 2;
    auto dark = [&](int x, int y) {
      const Rgba p = shot.Pixel(x, y);
      return p.R + p.G + p.B < 380;
    };
    // The distance from the middle to the start of the second dark run
    // along a line (dx, dy) that passes 6 pixels beside the cross.
    auto outerRing = [&](int dx, int dy) {
      int runs = 0;
      bool inRun = false;
      for (int k = 10; cx + 6 * dy + k * dx < c.Width && cy + 6 * dx + k * dy < c.Height; ++k) {
        const bool d = dark(cx + 6 * dy + k * dx, cy + 6 * dx + k * dy);
        if (d && !inRun && ++runs == 2) return k;
        inRun = d;
      }
      return -1;
    };
    const int across = outerRing(1, 0), down = outerRing(0, 1);
    // The dial is 200 of the opening's 600 x 450 pixels in radius.
    const double expected = 200.0 * std::min(c.Width / 600.0, c.Height / 450.0);
    EXPECT_NEAR(across, expected, 4);
    EXPECT_NEAR(down, expected, 4);
    EXPECT_NEAR(across, down, 2) << "the rings are circles";

    // The title's box: its black pixels above the middle.
    const PngImage& rest = r.Shots[1].Image;
    int left = c.Width, right = -1, top = c.Height, bottom = -1;
    for (int y = 0; y < cy - 8; ++y)
      for (int x = 0; x < c.Width; ++x) {
        const Rgba p = rest.Pixel(x, y);
        if (p.R + p.G + p.B >= 150) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    ASSERT_GT(right, left) << "the title is shown";
    ASSERT_GT(bottom, top);
    const double proportions = static_cast<double>(right - left + 1) / (bottom - top + 1);
    if (titleProportions == 0) titleProportions = proportions;
    EXPECT_NEAR(proportions / titleProportions, 1.0, 0.1) << "the title's letters keep their shape";
  }
}

// Every effect of the library in one movie: a 3 x 3 grid of 200 x 100
// cells, each with one effect's sprite. Early in the animation every text
// is elsewhere or otherwise drawn than at rest; at rest it is visible in
// its cell.
TEST_F(GeneralTemplateInRuffle, EveryTextEffectShowsItsTextAndMovesIt) {
  const int count = GetDTxtEffectCount();
  ASSERT_GE(count, 8);
  ASSERT_LE(count, 9);
  // Four frames per second: the 20 steps of an animation take five seconds
  // and the text then rests for ten, so the first shot sees every effect
  // under way and the second every text at rest.
  TFlashMovie m(0, 0, 600, 300, 4, true);
  m.SetVersion(8);
  m.BackgroundColor().SetRGB(0xFFFFFF);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    TFTxtEffectForUI record;
    ASSERT_TRUE(GetDTxtEffectData(i, &record));
    names.push_back(std::string(record.Name.begin(), record.Name.end()));
    DTextEffectParam p;
    p.Movie = &m;
    p.FrameWidth = 200 * 20;
    p.FrameHeight = 100 * 20;
    p.Text = u"Hello";
    p.FontName = u"DejaVu Sans";
    p.FontSize = 36;
    p.Bold = true;
    TFlashSprite* sprite = DoDTextEffect(record.Name, p);
    m.PlaceObject(sprite, static_cast<uint16_t>(i + 1))->SetTranslate((i % 3) * 200, (i / 3) * 100);
  }
  // The root stops on its one frame; the sprites run on.
  m.FrameActions().Stop();
  m.ShowFrame(1);
  m.MakeStream();
  m.SaveToFile((dir_ / "effects.swf").string());

  RuffleOptions o;
  o.Root = dir_.Path();
  o.Swf = "effects.swf";
  o.ShotsAt = {200, 7500};
  o.RunMs = 7700;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  ASSERT_EQ(r.Shots.size(), 2u);
  ASSERT_LT(r.Shots[0].AtMs, 3500) << "the first shot came too late to see the animation";
  const PngImage& early = r.Shots[0].Image;
  const PngImage& rest = r.Shots[1].Image;
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(names[i]);
    const int x = (i % 3) * 200, y = (i / 3) * 100;
    // At rest the text sits in the cell's middle, dark on white.
    EXPECT_GT(DarkShare(rest, x + 40, y + 25, 120, 50), 0.01);
    // Early on it is moved, turned, scaled or faded: the middle differs.
    EXPECT_GT(RegionDifference(early, rest, x + 40, y + 25, 120, 50), 0.01);
  }
}

}  // namespace
}  // namespace reelcast::test
