// reelcast-cli convert publishing the fixture DVD as every kind of movie
// output; each published movie plays in Ruffle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "publish/ControlBar.h"
#include "publish/ControlBarStyles.h"
#include "support/MediaProbe.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

fs::path Home() { return fs::path(std::getenv("REELCAST_HOME")); }

// The movie appended to a projector or screen saver: the player program,
// the movie, the signature 0xFA123456 and the movie's length. Empty when
// the file does not end that way.
std::string AppendedMovie(const std::string& file, const std::string& player) {
  if (file.size() < player.size() + 8 || file.compare(0, player.size(), player) != 0) return "";
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(file[at + k]);
    return v;
  };
  const size_t end = file.size() - 8;
  if (u32(end) != 0xFA123456u || u32(end + 4) != end - player.size()) return "";
  return file.substr(player.size(), end - player.size());
}

struct TKind {
  const char* Name;
  std::vector<std::string> Options;
  // Checks what the job left in out and returns the file in out that
  // Ruffle is to show (a movie, or a page when it ends in ".html").
  std::function<std::string(const fs::path& out)> Shown;
  std::vector<RuffleClick> Clicks = {};
  bool Framed = false;  // a template around the video: a larger stage
};

TEST(ConvertPublishes, EveryKindOfMoviePlaysInRuffle) {
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  const std::string player = ReadFile(DataDir() / "SAFlashPlayer.exe");
  const std::string saver = "Fête d'été";
  TempDir sounds;
  const std::string music = (sounds / "m.mp3").string();
  RunFfmpeg({"-f", "lavfi", "-i", "sine=f=440:r=44100:d=1", "-c:a", "libmp3lame", music});
  // The play button of the Ocean bar over the 160 x 120 video.
  const TControlBarLayout bar = LayOutControlBar(ControlBarLook("Ocean").Layout, TRect{0, 0, 160, 120});
  const RuffleClick play{500, bar.PlayPause.X + bar.Button / 2.0, bar.PlayPause.Y + bar.Button / 2.0};
  const std::vector<TKind> kinds = {
      {"swf", {"--format", "swf", "--control-bar", "Ocean", "--no-auto-play"},
       [](const fs::path& out) {
         EXPECT_FALSE(fs::exists(out / "movie.html"));
         return std::string("movie.swf");
       },
       // Without auto-play the bar holds the video at its second frame
       // (0.2 s) until its play button is clicked: the video only moves
       // between the shots when the click reached the button.
       {play}},
      {"swf with music", {"--format", "swf", "--music", music, "--music-loop"},
       [](const fs::path&) { return std::string("movie.swf"); }},
      {"general template with music",
       {"--format", "swf", "--template", "general:Film Strip", "--title-text", "Fixture", "--music", music},
       [](const fs::path&) { return std::string("movie.swf"); },
       {},
       true},
      {"html page", {"--format", "swf", "--background", "FF0000", std::string("--ruffle-loader=") + RuffleScriptPath},
       [](const fs::path& out) {
         EXPECT_NE(ReadFile(out / "movie.html").find("FF0000"), std::string::npos);
         return std::string("movie.html");
       }},
      {"projector", {"--format", "exe"},
       [&](const fs::path& out) {
         // Only the projector is left: the movie went into it.
         EXPECT_FALSE(fs::exists(out / "movie.swf"));
         EXPECT_FALSE(fs::exists(out / "movie.flv"));
         WriteFile(out / "inner.swf", AppendedMovie(ReadFile(out / "movie.exe"), player));
         return std::string("inner.swf");
       }},
      {"screen saver", {"--format", "scr", "--screensaver-name", saver},
       [&](const fs::path& out) {
         // Installed under its own (non-ASCII) name.
         const fs::path scr = Home() / "ScreenSavers" / (saver + ".scr");
         EXPECT_TRUE(fs::exists(scr));
         WriteFile(out / "inner.swf", AppendedMovie(ReadFile(scr), player));
         return std::string("inner.swf");
       }},
  };
  for (const TKind& kind : kinds) {
    SCOPED_TRACE(kind.Name);
    TempDir out;
    std::vector<std::string> argv = {(BinDir() / "reelcast-cli").string(), "convert", DvdFixture().string(),
                                     "--titles", "2", "--template", "none", "--size", "160x120", "--fps", "10",
                                     "--yes"};
    // A screen saver is installed where savers go and takes no -o.
    if (std::string(kind.Name) != "screen saver")
      argv.insert(argv.end(), {"-o", (out / "movie.swf").string()});
    argv.insert(argv.end(), kind.Options.begin(), kind.Options.end());
    auto r = RunProcess(argv, 300);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("All conversion tasks have been finished."), std::string::npos) << r.Output;
    EXPECT_TRUE(fs::is_empty(Home() / "temp")) << "the scratch folder is emptied";
    const std::string shown = kind.Shown(out.Path());
    ASSERT_TRUE(fs::exists(out / shown));
    ASSERT_GT(fs::file_size(out / shown), 100u);

    RuffleOptions o;
    o.Root = out.Path();
    const bool page = shown.ends_with(".html");
    (page ? o.Page : o.Swf) = shown;
    o.PageLoadsRuffle = page;
    o.Clicks = kind.Clicks;
    o.ShotsAt = {300, 1500};
    o.RunMs = 1700;
    RuffleResult played = RufflePlayer::Play(o);
    ASSERT_TRUE(played.Ok) << played.Describe();
    EXPECT_EQ(played.Metadata.SwfVersion, 8);
    // The rate given with --fps, also with a template.
    EXPECT_EQ(played.Metadata.FrameRate, 10);
    if (kind.Framed) {
      // The template's frame is around the 160 x 120 video.
      EXPECT_GE(played.Metadata.Width, 160);
      EXPECT_GT(played.Metadata.Height, 120);
    } else {
      EXPECT_EQ(played.Metadata.Width, 160);
      EXPECT_EQ(played.Metadata.Height, 120);
    }
    ASSERT_EQ(played.Shots.size(), 2u);
    const PngImage& early = played.Shots[0].Image;
    // The top band carries the frame number: it changes as the video plays.
    EXPECT_GT(early.DifferenceFraction(played.Shots[1].Image, 24), 0.005) << "the video played";
    // (The first shot may come before a wrapped movie shows its first picture.)
    const PngImage& late = played.Shots[1].Image;
    EXPECT_LT(late.CoverFraction(late.Pixel(80, 80), 0, 0, played.Metadata.Width, played.Metadata.Height, 16), 0.95)
        << "a picture";
  }
}

}  // namespace
}  // namespace reelcast::test
