// The Template page's choices reach the published movie: the real reelcast
// under Xvfb chooses a general template, types the four title texts and a
// music file on the page, converts a chapter to an SWF, and the movie then
// plays in Ruffle with the template's frame, the typed titles and the music.
// Screenshots of the page land in the build folder's "screenshots/".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "DesktopScript.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

TEST(DesktopTemplate, ConvertsWithTheGeneralTemplateTitlesAndMusicChosenOnThePage) {
  ASSERT_TRUE(HaveProgram("xvfb-run"));
  ASSERT_TRUE(HaveProgram("ffmpeg"));
  TempDir out("reelcast-template-out");
  TempDir home("reelcast-template-home");
  const fs::path music = out.Path() / "tune.wav";
  ASSERT_EQ(RunProcess({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=3", music.string()})
                .ExitCode,
            0);
  auto shot = ShotLine;
  // Every title text is made of the letter "W" only, so every font of the
  // title movies holds that one glyph; the sample texts would bring others.
  const std::string script =
      OpenDvdLines() +
      "check Title_01_01 off\n"
      "check Title_01_02 off\n"
      "check Title_02_01 off\n"
      "check Title_02_01/Chapter_02 on\n"
      "click btnTemplate\n"
      "tab pgcTemplateKind 1\n"
      "select lbTemplate Gallery\n"
      "set bedtBGA " + music.string() + "\n" +
      shot("template-1-general.png") +
      "tab pgcTemplate 1\n"
      "set edtTitle WWW\n"
      "set edtDirector WW\n"
      "set mmoMotive W\\nWW\n" +
      shot("template-2-opening.png") +
      "tab pgcTemplate 2\n"
      "set mmoCast WWWW\\nW\n" +
      shot("template-3-ending.png") +
      "click btnPublish\n"
      "click rbSWF\n"
      "set beOutDir " + (out.Path() / "movie.swf").string() + "\n" +
      ConvertLines() +
      "quit\n";
  ProcessResult r = RunDesktopScript(script, out.Path(), home.Path());
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  ASSERT_NE(r.Output.find("dialog: information: All conversion tasks have been finished."), std::string::npos)
      << r.Output;
  const fs::path movie = out.Path() / "movie.swf";
  ASSERT_TRUE(fs::exists(movie));

  // The movie's fonts: the title fonts hold only the typed letter, and the
  // music wrapper streams sound.
  ProcessResult dump = RunProcess({(BinDir() / "reelcast-cli").string(), "swf", "dump", movie.string()});
  ASSERT_EQ(dump.ExitCode, 0) << dump.Output;
  int titleFonts = 0;
  std::istringstream lines(dump.Output);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("DefineFont2") == std::string::npos || line.find("\"Monotype Corsiva\"") == std::string::npos)
      continue;
    ++titleFonts;
    EXPECT_NE(line.find("\"Monotype Corsiva\" glyphs 1 "), std::string::npos) << line;
  }
  EXPECT_GE(titleFonts, 2) << dump.Output;
  EXPECT_NE(dump.Output.find("SoundStreamHead"), std::string::npos);

  // In Ruffle: the opening title plays first, then the template frames the
  // video; nothing is reported as an error.
  RuffleOptions o;
  o.Root = out.Path();
  o.Swf = "movie.swf";
  o.RunMs = 6000;
  o.ShotsAt = {1500, 5500};  // movie time on the harness's virtual clock
  RuffleResult played = RufflePlayer::Play(o);
  ASSERT_TRUE(played.Ok) << played.Describe();
  ASSERT_EQ(played.Shots.size(), 2u);
  // The stage is the template's frame scaled to the video, not the video.
  EXPECT_NE(played.Metadata.Width, 320);
  for (const RuffleShot& shot : played.Shots) {
    const PngImage& picture = shot.Image;
    EXPECT_LT(picture.CoverFraction(picture.Pixel(picture.Width() / 2, picture.Height() / 2), 0, 0, picture.Width(),
                                    picture.Height()),
              0.9)
        << "flat picture at " << shot.AtMs << " ms";
  }
  for (const char* name : {"template-1-general.png", "template-2-opening.png", "template-3-ending.png"})
    EXPECT_GT(fs::file_size(ShotPath(name)), 5000u) << name;
}

}  // namespace
}  // namespace reelcast::test
