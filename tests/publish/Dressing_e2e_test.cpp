// The dressing of published movies in Ruffle: control bars of every shipped
// style, the "Replay" button, text and image links, and preloaders.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Paths.h"
#include "publish/ControlBarStyles.h"
#include "swf/Records.h"
#include "publish/FlashPreloader.h"
#include "publish/PreloaderLayout.h"
#include "publish/PublishedMovie.h"
#include "support/RufflePlayer.h"
#include "support/SlowConnection.h"

namespace reelcast::test {
namespace {

class DressedInRuffle : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing = RufflePlayer::MissingPieces();
    ASSERT_TRUE(missing.empty()) << missing;
    MakePublishFlv((dir_ / "in.flv").string());  // 160 x 120, 20 frames at 10 fps
  }
  void Make(const std::vector<std::string>& options) {
    auto made = Flv2Swf((dir_ / "in.flv").string(), (dir_ / "movie.swf").string(), options);
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
  }
  RuffleResult Play(std::vector<int> shots, std::vector<RuffleClick> clicks, int runMs) {
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "movie.swf";
    o.ShotsAt = std::move(shots);
    o.Clicks = std::move(clicks);
    o.RunMs = runMs;
    return RufflePlayer::Play(o);
  }
  static bool Same(const RuffleResult& r, size_t a, size_t b) {
    return r.Shots[a].Image.DifferenceFraction(r.Shots[b].Image, 24) < 0.002;
  }
  // The same picture around the control bar's buttons (they light up under
  // the mouse and change between play and pause), down to where the test
  // picture's scrolling band ends.
  static bool SameVideo(const RuffleResult& r, size_t a, size_t b, const std::vector<TRect>& buttons = {}) {
    const PngImage& x = r.Shots[a].Image;
    const PngImage& y = r.Shots[b].Image;
    int differ = 0;
    for (int py = 0; py < 106; ++py)
      for (int px = 0; px < x.Width(); ++px) {
        bool onButton = false;
        for (const TRect& k : buttons)
          onButton = onButton || (px >= k.Left && px < k.Right && py >= k.Top && py < k.Bottom);
        if (!onButton) differ += !x.Pixel(px, py).Near(y.Pixel(px, py), 24);
      }
    return differ < 20;
  }
  TempDir dir_{"reelcast-dressing-e2e"};
};

// True when Ruffle warned that a script aimed at something that is not a clip.
bool WarnedAboutTargets(const RuffleResult& r) {
  for (const std::string& w : r.Warnings)
    if (w.find("not a MovieClip") != std::string::npos) return true;
  for (const RuffleConsoleLine& line : r.Console)
    if (line.Text.find("not a MovieClip") != std::string::npos) return true;
  return false;
}

// Clicks on the play/pause and stop buttons of a style's bar over the
// 160 x 120 test video, and the buttons' squares.
struct TBarClicks {
  RuffleClick PlayPause, Stop;
  std::vector<TRect> Buttons;
};
TBarClicks BarClicks(const std::string& style) {
  const TControlBarLayout l = LayOutControlBar(ControlBarLook(style).Layout, TRect{0, 0, 160, 120});
  const double half = l.Button / 2;
  return {{0, l.PlayPause.X + half, l.PlayPause.Y + half},
          {0, l.Stop.X + half, l.Stop.Y + half},
          {{l.PlayPause.X, l.PlayPause.Y, l.PlayPause.X + l.Button, l.PlayPause.Y + l.Button},
           {l.Stop.X, l.Stop.Y, l.Stop.X + l.Button, l.Stop.Y + l.Button}}};
}

// Without auto-play the bar halts the movie at its second video frame; play
// runs it, pause halts it, stop rewinds it to where it first halted. No
// script aims at a target that is not a clip.
TEST_F(DressedInRuffle, ControlBarOfEveryStyleHaltsPlaysPausesAndStops) {
  InitFolders();
  std::vector<std::string> styles = ListControlBarStyles();
  ASSERT_GE(styles.size(), 4u);
  for (const std::string& style : styles) {
    SCOPED_TRACE(style);
    const auto [playPause, stop, buttons] = BarClicks(style);
    Make({"--control-bar", style, "--no-audio", "--no-auto-play"});
    auto click = [](RuffleClick c, int at) { c.AtMs = at; return c; };
    RuffleResult r = Play({500, 1000, 1500, 1900, 2500, 2900, 3500, 3900},
                          {click(playPause, 1100), click(playPause, 2000), click(stop, 3000)}, 4000);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_FALSE(WarnedAboutTargets(r)) << r.Describe();
    ASSERT_EQ(r.Shots.size(), 8u);
    EXPECT_TRUE(SameVideo(r, 0, 1, buttons)) << "halted before play";
    EXPECT_FALSE(SameVideo(r, 2, 3, buttons)) << "playing after play";
    EXPECT_TRUE(SameVideo(r, 4, 5, buttons)) << "halted after pause";
    EXPECT_FALSE(SameVideo(r, 0, 4, buttons)) << "paused later in the video";
    EXPECT_TRUE(SameVideo(r, 6, 7, buttons)) << "halted after stop";
    EXPECT_TRUE(SameVideo(r, 0, 6, buttons)) << "stop rewound to the first halt";
  }
}

// With background music the movie plays inside the music wrapper; the
// wrapper's bar drives the wrapped movie as the bar of a plain movie does.
TEST_F(DressedInRuffle, ControlBarDrivesTheMovieWrappedWithMusic) {
  InitFolders();
  RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=44100", "-t", "0.7", "-c:a", "libmp3lame",
             (dir_ / "tune.mp3").string()});
  // A longer video, so that a slow browser never reaches its end while the
  // clicks come in.
  MakePublishFlv((dir_ / "long.flv").string(), 5);
  auto made = Flv2Swf((dir_ / "long.flv").string(), (dir_ / "movie.swf").string(),
                      {"--control-bar", ListControlBarStyles().at(0), "--no-audio", "--no-auto-play", "--music",
                       (dir_ / "tune.mp3").string(), "--music-loop"});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  const auto [playPause, stop, buttons] = BarClicks(ListControlBarStyles().at(0));
  auto click = [](RuffleClick c, int at) { c.AtMs = at; return c; };
  // A click takes effect at Ruffle's next frame: the shots after a click
  // leave it room.
  RuffleResult r = Play({500, 1000, 1800, 2300, 3300, 3800, 4800, 5300},
                        {click(playPause, 1100), click(playPause, 2400), click(stop, 3900)}, 5500);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.NumFrames, 51);
  ASSERT_EQ(r.Shots.size(), 8u);
  EXPECT_LT(r.Shots[0].Image.CoverFraction(r.Shots[0].Image.Pixel(80, 40), 0, 0, 160, 90, 16), 0.9)
      << "the wrapped video is shown";
  EXPECT_TRUE(SameVideo(r, 0, 1, buttons)) << "halted before play";
  EXPECT_FALSE(SameVideo(r, 2, 3, buttons)) << "playing after play";
  EXPECT_TRUE(SameVideo(r, 4, 5, buttons)) << "halted after pause" << r.Describe();
  EXPECT_FALSE(SameVideo(r, 0, 4, buttons)) << "paused later in the video";
  EXPECT_TRUE(SameVideo(r, 6, 7, buttons)) << "halted after stop";
  EXPECT_TRUE(SameVideo(r, 0, 6, buttons)) << "stop rewound to the first halt";
}

// With auto-play (the default) the bar's movie plays at once; at the end
// "Replay" shows over the last picture and plays the movie again, through
// the frame where a bar without auto-play would wait.
TEST_F(DressedInRuffle, ControlBarWithAutoPlayPlaysAndReplayPlaysAgain) {
  InitFolders();
  for (const bool autoPlay : {true, false}) {
    SCOPED_TRACE(autoPlay ? "auto-play" : "waits for Play");
    std::vector<std::string> options = {"--control-bar", ListControlBarStyles().at(0), "--play-mode", "replay",
                                        "--no-audio"};
    if (!autoPlay) options.push_back("--no-auto-play");
    Make(options);
    std::vector<RuffleClick> clicks = {{3300, 80, 60}};
    const TBarClicks bar = BarClicks(ListControlBarStyles().at(0));
    const std::vector<TRect>& buttons = bar.Buttons;
    if (!autoPlay) {
      RuffleClick play = bar.PlayPause;
      play.AtMs = 300;
      clicks.insert(clicks.begin(), play);
    }
    // 20 frames at 10 fps: at its end by 2.5 s; Replay at 3.3 s.
    RuffleResult r = Play({200, 700, 2700, 3100, 3700, 4100}, clicks, 4300);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_FALSE(WarnedAboutTargets(r)) << r.Describe();
    ASSERT_EQ(r.Shots.size(), 6u);
    if (autoPlay) {
      EXPECT_FALSE(SameVideo(r, 0, 1, buttons)) << "playing without a click";
    }
    EXPECT_TRUE(SameVideo(r, 2, 3, buttons)) << "halted at the end";
    EXPECT_LT(r.Shots[2].Image.CoverFraction({0, 0, 0, 255}, 0, 0, 160, 60, 16), 0.9) << "the last picture stays";
    EXPECT_FALSE(SameVideo(r, 4, 5, buttons)) << "Replay plays again, without waiting for Play";
  }
}

TEST_F(DressedInRuffle, ReplayButtonAppearsAtTheEndAndPlaysAgain) {
  Make({"--play-mode", "replay", "--no-audio"});
  RuffleResult r = Play({2500, 2900, 3400}, {{3000, 80, 60}}, 3600);
  ASSERT_TRUE(r.Ok) << r.Describe();
  ASSERT_EQ(r.Shots.size(), 3u);
  EXPECT_TRUE(Same(r, 0, 1)) << "stopped at the end";
  EXPECT_FALSE(Same(r, 1, 2)) << "a click on Replay plays again";
  // In the middle of the stage: the dark face with its white caption.
  const PngImage& end = r.Shots[0].Image;
  EXPECT_GT(end.CoverFraction({24, 28, 36, 255}, 50, 50, 60, 20, 60), 0.3);
  EXPECT_GT(end.CoverFraction({255, 255, 255, 255}, 50, 50, 60, 20, 60), 0.05);
}

TEST_F(DressedInRuffle, LinksOpenTheirNormalisedUrlInANewWindow) {
  Make({"--text-link", "Visit", "--url", "example.com/page", "--link-pos", "0.05,0.05",
        "--font-size", "20", "--no-audio"});
  RuffleResult text = Play({}, {{600, 18, 14}}, 1500);
  ASSERT_TRUE(text.Ok) << text.Describe();
  ASSERT_EQ(text.Popups.size(), 1u) << text.Describe();
  EXPECT_EQ(text.Popups[0].Url, "http://example.com/page");

  // An address with its own scheme keeps it; a letter beyond ASCII arrives
  // encoded once.
  Make({"--text-link", "Caf\xC3\xA9", "--url", "https://example.com/\xC3\xA4?x=1", "--link-pos", "0.05,0.05",
        "--font-size", "20", "--no-audio"});
  RuffleResult secure = Play({}, {{600, 18, 14}}, 1500);
  ASSERT_TRUE(secure.Ok) << secure.Describe();
  ASSERT_EQ(secure.Popups.size(), 1u) << secure.Describe();
  EXPECT_EQ(secure.Popups[0].Url, "https://example.com/%C3%A4?x=1");

  RunFFmpeg({"-f", "lavfi", "-i", "color=c=red:s=40x30", "-frames:v", "1",
             (dir_ / "logo.png").string()});
  Make({"--image-link", (dir_ / "logo.png").string(), "--url", "HTTP://EXAMPLE.ORG/",
        "--link-pos", "0.5,0.5", "--no-audio"});
  RuffleResult image = Play({500}, {{600, 100, 75}}, 1500);
  ASSERT_TRUE(image.Ok) << image.Describe();
  ASSERT_EQ(image.Popups.size(), 1u) << image.Describe();
  EXPECT_EQ(image.Popups[0].Url, "http://example.org/");  // the browser lowers the host
  // The picture shows as given: opaque red to its corners.
  for (auto [x, y] : {std::pair{100, 75}, {81, 61}, {118, 89}})
    EXPECT_TRUE(image.Shots[0].Image.Pixel(x, y).Near({255, 0, 0, 255}, 40))
        << x << "," << y << " " << image.Shots[0].Image.Pixel(x, y).ToString();
}

// While the movie arrives the preloader's bar grows and its caption counts
// up in digits; when all has arrived the movie plays.
TEST_F(DressedInRuffle, PreloaderCountsUpWhileTheMovieArrives) {
  InitFolders();
  RunFFmpeg({"-f", "lavfi", "-i", "color=c=yellow:s=40x30", "-frames:v", "1", (dir_ / "logo.png").string()});
  Make({"--size", "320x240", "--preloader", "--preloader-logo", (dir_ / "logo.png").string(),
        "--preloader-bar", "Classic Blue", "--preloader-show", "all", "--preloader-color", "FF00FF",
        "--no-audio"});
  // The whole movie arrives over 2 s.
  ArriveSlowly(dir_ / "movie.swf", 2);

  const std::vector<uint32_t> front = LoadProgressBarStyles().empty() ? std::vector<uint32_t>{}
      : FindProgressBarStyle(LoadProgressBarStyles(), "Classic Blue")->FrontBarColor;
  ASSERT_FALSE(front.empty());
  const Rgba bar{static_cast<uint8_t>(front[0]), static_cast<uint8_t>(front[0] >> 8),
                 static_cast<uint8_t>(front[0] >> 16), 255};
  RuffleResult r = Play({300, 900, 1500, 2800}, {}, 3000);
  ASSERT_TRUE(r.Ok) << r.Describe();
  ASSERT_EQ(r.Shots.size(), 4u);
  std::vector<double> grown;
  for (int i = 0; i < 3; ++i) {
    const PngImage& shot = r.Shots[i].Image;
    EXPECT_GT(shot.CoverFraction({255, 0, 255, 255}, 0, 0, 320, 240, 30), 0.5) << "still the preloader at " << i;
    grown.push_back(shot.CoverFraction(bar, 0, 0, 320, 240, 40));
  }
  EXPECT_GT(grown[0], 0) << "the bar shows";
  EXPECT_GT(grown[1], grown[0] * 1.5) << "the bar grows";
  EXPECT_GT(grown[2], grown[1] * 1.2) << "the bar grows";
  // The caption, below the bar, shows other digits each time.
  for (int i = 0; i < 2; ++i) {
    const PngImage& a = r.Shots[i].Image;
    const PngImage& b = r.Shots[i + 1].Image;
    int differ = 0;
    for (int y = 190; y < 230; ++y)
      for (int x = 100; x < 220; ++x) differ += !a.Pixel(x, y).Near(b.Pixel(x, y), 40);
    EXPECT_GT(differ, 10) << "the caption changed between shots " << i << " and " << i + 1;
  }
  EXPECT_LT(r.Shots[3].Image.CoverFraction({255, 0, 255, 255}, 0, 0, 320, 240, 30), 0.2)
      << "the movie plays once all has arrived";
}

TEST_F(DressedInRuffle, PreloaderPassesOnToTheMovieAndItsPreviewShowsHalf) {
  Make({"--preloader", "--preloader-sprite", "Night Sweep", "--preloader-bar", "Classic Blue",
        "--preloader-show", "all", "--preloader-color", "00FF00", "--no-audio"});
  RuffleResult r = Play({1500}, {}, 1700);
  ASSERT_TRUE(r.Ok) << r.Describe();
  // Served over loopback the movie loads at once: the script goes on to
  // frame 2 and the video plays (no preloader background left).
  EXPECT_LT(r.Shots[0].Image.CoverFraction({0, 255, 0, 255}, 0, 0, 160, 120, 30), 0.5) << r.Describe();
  EXPECT_LT(r.Shots[0].Image.CoverFraction({11, 26, 51, 255}, 0, 0, 160, 120, 30), 0.5);

  InitFolders();
  TJobSettingObjects objects;
  TSWFParam p;
  p.PreLoader = objects.PreLoader.get();
  p.PreLoader->BKColor = 0x00FF00;  // green
  p.PreLoader->UseProgressBar = true;
  p.PreLoader->BarStyle = u"Classic Blue";  // 200 x 10 at (0.5, 0.75), caption at 0.85
  p.PreLoader->SetBarMode(bmAll);
  ASSERT_TRUE(MakePreloaderPreview(p));
  fs::copy_file(PreloaderPreviewPath(), dir_ / "movie.swf", fs::copy_options::overwrite_existing);
  RuffleResult preview = Play({400}, {}, 600);
  ASSERT_TRUE(preview.Ok) << preview.Describe();
  const PngImage& shot = preview.Shots[0].Image;
  ASSERT_EQ(shot.Width(), 400);
  EXPECT_TRUE(shot.Pixel(20, 20).Near({0, 255, 0, 255}, 30)) << "the background " << shot.Pixel(20, 20).ToString();
  EXPECT_TRUE(shot.Pixel(150, 225).Near({0x3C, 0x8D, 0xFF, 255}, 30)) << "the front half " << shot.Pixel(150, 225).ToString();
  EXPECT_TRUE(shot.Pixel(250, 225).Near({0x1E, 0x2A, 0x3A, 255}, 30)) << "the back half " << shot.Pixel(250, 225).ToString();
  // The caption "Loading 50%" around (200, 255): the style's white would
  // hardly read on green, so it is drawn in dark slate.
  EXPECT_GT(shot.CoverFraction({0x1F, 0x29, 0x37, 255}, 150, 240, 100, 30, 60), 0.02);
  EXPECT_LT(shot.CoverFraction({255, 255, 255, 255}, 150, 240, 100, 30, 60), 0.005);
}

}  // namespace
}  // namespace reelcast::test
