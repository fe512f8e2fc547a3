// Every shipped player plays in Ruffle: an FLV beside the movie and an
// embedded one; pause, play and seeking by clicks on its controls; auto play
// off waits for play; repeat starts again; the end URL opens when playback
// ends and the click URL on a click above the controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "app/Paths.h"
#include "movie/EmbeddedVideo.h"
#include "publish/HtmlPage.h"
#include "publish/PlayerMovie.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

// Where a player's controls are for a 320 x 240 video: the play button's
// centre, the seek track's row and ends and the full-screen button's centre
// (stage pixels), and the height of the stage (the video and the bar).
struct TPlayerControls {
  const char* Name;
  double PlayX, PlayY;
  double SeekY, SeekX0, SeekX1;
  double FullX, FullY;
  int StageHeight;
};

// The player's name in test listings.
void PrintTo(const TPlayerControls& c, std::ostream* os) { *os << c.Name; }

const TPlayerControls kPlayers[] = {
    {"Classic Gray", 22, 262, 262, 50, 122, 302, 262, 284},
    {"Midnight Blue", 25, 265, 265, 134, 222, 300, 264, 288},
    {"Sunset", 24, 280, 258, 12, 308, 297, 280, 296},
};

class PlayersInRuffle : public testing::TestWithParam<TPlayerControls> {
 protected:
  void SetUp() override {
    std::string missing = RufflePlayer::MissingPieces();
    ASSERT_TRUE(missing.empty()) << missing;
    InitFolders();
    MakeTestFlv((dir_ / "clip.flv").string(),
                {"-c:v", "flv1", "-g", "10", "-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"},
                seconds_, "320x240", 10);
    param_.VideoWidth = 320;
    param_.VideoHeight = 240;
    param_.FrameRate = 10;
    param_.OutputKind = kOutputSwf;
    param_.ExportSetting = &es_;
    es_.AutoPlay = true;
  }

  // Builds movie.swf (and movie.flv beside it) with the player.
  void Make(bool embedded) {
    es_.EmbedType = embedded ? etEmbedFLV : etSeperaterFLV;
    ASSERT_TRUE(MakePlayerMovie((dir_ / "clip.flv").string(), GetParam().Name,
                                (dir_ / "movie.swf").string(), false, param_));
  }

  RuffleResult Play(int runMs, std::vector<int> shots, std::vector<RuffleClick> clicks) {
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "movie.swf";
    o.RunMs = runMs;
    o.ShotsAt = std::move(shots);
    o.Clicks = std::move(clicks);
    return RufflePlayer::Play(o);
  }

  // What went wrong in a run: errors (a stream request the player cancels
  // itself, when a seek or a restart reads the file anew, is none) and the
  // checks that failed.
  struct TProblems {
    std::vector<std::string> List;
    void Check(bool ok, const std::string& what) {
      if (!ok) List.push_back(what);
    }
  };
  static void CheckClean(const RuffleResult& r, TProblems& p) {
    p.Check(r.Loaded && r.Failure.empty(), "the movie ran");
    for (const std::string& e : r.Errors)
      p.Check(e.rfind("request failed:", 0) == 0 &&
                  e.find("/movie.flv (net::ERR_ABORTED)") != std::string::npos,
              "error: " + e);
  }
  // Runs a scenario and reports each of its problems.
  static void Expect(const std::function<TProblems()>& scenario) {
    for (const std::string& what : scenario().List) ADD_FAILURE() << what;
  }

  // The share of the video area that changed between two shots.
  static double VideoChange(const RuffleShot& a, const RuffleShot& b) {
    return a.Image.DifferenceFraction(b.Image, 24, 0, 0, 320, 240);
  }
  // The seek track's pixel at fraction f of its length.
  static Rgba SeekPixel(const RuffleShot& s, double f) {
    const TPlayerControls& c = GetParam();
    return s.Image.Pixel(static_cast<int>(c.SeekX0 + f * (c.SeekX1 - c.SeekX0)),
                         static_cast<int>(c.SeekY));
  }

  TempDir dir_{"reelcast-players-e2e"};
  double seconds_ = 10;
  TExportSetting es_;
  TSWFParam param_;
};

// Plays from the start, stops on a click of the pause button, plays on
// again, and jumps ahead on a click near the end of the seek track. Each
// state is judged on shots after the first one that follows a click, which
// only gives the player a frame to react.
TEST_P(PlayersInRuffle, PlaysPausesAndSeeksByClicks) {
  const TPlayerControls& c = GetParam();
  for (bool embedded : {false, true}) {
    SCOPED_TRACE(embedded ? "embedded" : "external");
    Make(embedded);
    Expect([&] {
      RuffleResult r = Play(8000, {400, 1200, 2200, 3000, 3800, 4800, 5600, 6400, 7200},
                            {{1300, c.PlayX, c.PlayY}, {3900, c.PlayX, c.PlayY},
                             {5700, c.SeekX0 + 0.9 * (c.SeekX1 - c.SeekX0), c.SeekY}});
      TProblems p;
      CheckClean(r, p);
      if (r.Shots.size() != 9) {
        p.Check(false, "9 shots\n" + r.Describe());
        return p;
      }
      const auto& s = r.Shots;
      p.Check(VideoChange(s[0], s[1]) > 0.005, "the video plays");
      p.Check(VideoChange(s[3], s[4]) < 0.002, "paused by the button");
      p.Check(VideoChange(s[4], s[6]) > 0.005, "plays again");
      p.Check(!SeekPixel(s[6], 0.8).Near(SeekPixel(s[8], 0.8), 24),
              "the seek bar follows the jump to 90%");
      return p;
    });
  }
}

// Without auto play the movie waits for the play button; with repeat it
// starts again after the end, where it also opens the end URL. A click on
// the picture opens the click URL. One mode per player keeps the run short.
TEST_P(PlayersInRuffle, WaitsForPlayRepeatsAndOpensItsUrls) {
  const TPlayerControls& c = GetParam();
  seconds_ = 2;
  SetUp();
  es_.AutoPlay = false;
  es_.RepeatPlay = true;
  es_.PlayEndUrl = TURLInfo{1, "example.com/end", "_blank"};
  es_.ClickingUrl = TURLInfo{1, "example.com/click", "_blank"};
  const bool embedded = std::string(c.Name) == "Midnight Blue";
  SCOPED_TRACE(embedded ? "embedded" : "external");
  Make(embedded);
  Expect([&] {
    // The last shot gives the window of the click URL time to open.
    RuffleResult r = Play(11000, {500, 1400, 2400, 6000, 6800, 7600, 9800},
                          {{1500, c.PlayX, c.PlayY}, {7800, 160, 100}});
    TProblems p;
    CheckClean(r, p);
    if (r.Shots.size() != 7) {
      p.Check(false, "7 shots\n" + r.Describe());
      return p;
    }
    const auto& s = r.Shots;
    p.Check(VideoChange(s[0], s[1]) < 0.002, "waits for play");
    p.Check(VideoChange(s[1], s[2]) > 0.005, "plays after the click");
    // Long after the end of the two seconds: still moving (a restart may
    // take a moment to show, so any of the late shots may be the one).
    p.Check(std::max(VideoChange(s[3], s[4]), VideoChange(s[4], s[5])) > 0.005,
            "plays again after the end");
    bool endOpened = false, clickOpened = false;
    for (const RuffleEvent& e : r.Popups) {
      endOpened = endOpened || e.Url == "http://example.com/end";
      clickOpened = clickOpened || e.Url == "http://example.com/click";
    }
    p.Check(endOpened, "the end URL opened\n" + r.Describe());
    p.Check(clickOpened, "the click URL opened\n" + r.Describe());
    return p;
  });
}

// On its published page, with the player's files beside it and nothing
// added, the full-screen button fills the browser window with the movie,
// scaled up in its proportions and centred; a click on the button where it
// then is brings the movie back to its place on the page.
TEST_P(PlayersInRuffle, FullScreenButtonFillsTheWindowFromThePageAndComesBack) {
  const TPlayerControls& c = GetParam();
  Make(true);
  param_.OutputFile = (dir_ / "movie.swf").string();
  THtmlPageOptions page;
  page.RuffleLoader = true;
  page.LoaderBesidePage = true;
  WriteHtmlPage("movie.swf", param_, page);
  const int windowW = 1280, windowH = 960;
  // Full screen shows the whole stage as large as the window allows.
  const double scale = std::min(static_cast<double>(windowW) / 320, static_cast<double>(windowH) / c.StageHeight);
  const double left = (windowW - 320 * scale) / 2, top = (windowH - c.StageHeight * scale) / 2;
  Expect([&] {
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Page = "movie.html";
    o.PageBare = true;
    o.ViewportWidth = windowW;
    o.ViewportHeight = windowH;
    o.ShotsAt = {1000, 2500, 4000};
    o.Clicks = {{1500, c.FullX, c.FullY}, {3000, left + c.FullX * scale, top + c.FullY * scale}};
    o.RunMs = 4200;
    RuffleResult r = RufflePlayer::Play(o);
    TProblems p;
    p.Check(r.Ok, "the page played\n" + r.Describe());
    p.Check(r.Metadata.Height == c.StageHeight, "the stage is 320 x " + std::to_string(c.StageHeight));
    if (r.Shots.size() != 3) {
      p.Check(false, "3 shots\n" + r.Describe());
      return p;
    }
    auto size = [](const RuffleShot& s) { return std::to_string(s.Image.Width()) + "x" + std::to_string(s.Image.Height()); };
    const std::string onPage = "320x" + std::to_string(c.StageHeight);
    p.Check(size(r.Shots[0]) == onPage, "on the page at its size, not " + size(r.Shots[0]));
    p.Check(size(r.Shots[1]) == "1280x960", "full screen fills the window, not " + size(r.Shots[1]));
    p.Check(size(r.Shots[2]) == onPage, "back on the page, not " + size(r.Shots[2]));
    if (size(r.Shots[1]) == "1280x960") {
      // The video, scaled up, in the middle of the window.
      const PngImage& full = r.Shots[1].Image;
      const int x = static_cast<int>(left), w = static_cast<int>(320 * scale), h = static_cast<int>(240 * scale);
      p.Check(full.CoverFraction(full.Pixel(x + w / 2, h / 2), x, static_cast<int>(top), w, h, 16) < 0.9,
              "the picture fills the middle");
    }
    return p;
  });
}

// A movie whose name a URL must encode (a letter beyond ASCII, blanks, "#"
// and "?") finds the FLV beside it: the player asks for the name encoded
// once, and the video plays. One player is enough: the name is the movie's.
TEST_P(PlayersInRuffle, FindsAnFlvWhoseNameNeedsEncoding) {
  if (std::string(GetParam().Name) != "Classic Gray") GTEST_SKIP() << "one player covers the name";
  seconds_ = 3;
  SetUp();
  es_.EmbedType = etSeperaterFLV;
  const std::string name = "Pl\xC3\xA4 yer #1 ?";
  ASSERT_TRUE(MakePlayerMovie((dir_ / "clip.flv").string(), GetParam().Name, (dir_ / (name + ".swf")).string(),
                              false, param_));
  ASSERT_TRUE(fs::exists(dir_ / (name + ".flv")));
  Expect([&] {
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "Pl%C3%A4%20yer%20%231%20%3F.swf";  // the page asks for the movie by its URL
    o.RunMs = 2500;
    o.ShotsAt = {500, 2000};  // movie time on the harness's virtual clock, the FLV fetched before each step
    RuffleResult r = RufflePlayer::Play(o);
    TProblems p;
    p.Check(r.Loaded && r.Failure.empty(), "the movie ran\n" + r.Describe());
    for (const std::string& e : r.Errors) p.Check(false, "error: " + e);
    if (r.Shots.size() != 2) {
      p.Check(false, "2 shots\n" + r.Describe());
      return p;
    }
    p.Check(VideoChange(r.Shots[0], r.Shots[1]) > 0.005, "the linked video plays\n" + r.Describe());
    return p;
  });
}

INSTANTIATE_TEST_SUITE_P(Shipped, PlayersInRuffle, testing::ValuesIn(kPlayers),
                         [](const testing::TestParamInfo<TPlayerControls>& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

}  // namespace
}  // namespace reelcast::test
