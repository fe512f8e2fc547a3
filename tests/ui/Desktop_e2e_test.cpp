// The real reelcast under Xvfb, driven by an automation script: it loads
// the test DVD, converts a title and a chapter of another title to an FLV
// (checked with ffprobe), then to an SWF with the default player template
// (played in Ruffle), and saves a screenshot of every window it passes
// through into the build folder's "screenshots/".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DesktopScript.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

double ProbeDuration(const fs::path& file, std::string* codecs) {
  ProcessResult r = RunProcess({"ffprobe", "-v", "error", "-show_entries", "format=duration:stream=codec_name", "-of",
                                "default=noprint_wrappers=1:nokey=1", file.string()});
  *codecs = r.Output;
  // The last line is the duration.
  std::string out = r.Output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  size_t nl = out.rfind('\n');
  return std::atof(out.substr(nl == std::string::npos ? 0 : nl + 1).c_str());
}

TEST(Desktop, ConvertsATitleAndAChapterToFlvAndSwf) {
  ASSERT_TRUE(HaveProgram("xvfb-run"));
  TempDir out("reelcast-desktop-out");
  TempDir home("reelcast-desktop-home");
  auto shot = ShotLine;
  std::string script =
      shot("desktop-1-start.png") + OpenDvdLines() +
      "check Title_01_01 on\n"
      "check Title_01_02 off\n"
      "check Title_02_01 off\n"
      "check Title_02_01/Chapter_02 on\n" +
      shot("desktop-2-import.png") +
      "click btnPublish\n"
      "click rbFLV\n"
      "set beOutDir " + (out / "clip.flv").string() + "\n" +
      shot("desktop-3-publish.png") +
      "click btnConvert\n"
      "wait-window frmConverter\n" +
      shot("desktop-4-progress.png") +
      "wait-dialog All conversion tasks have been finished.\n"
      "wait-closed frmConverter\n"
      "click rbSWF\n"
      "set beOutDir " + (out / "movie.swf").string() + "\n"
      "click btnConvert\n"
      "wait-window frmConverter\n"
      "wait-closed frmConverter\n"
      "click btnAbout\n"
      "wait-window frmAbout\n" +
      shot("desktop-5-about.png") +
      "click btnClose\n"
      "wait-closed frmAbout\n"
      "quit\n";
  ProcessResult r = RunDesktopScript(script, out.Path(), home.Path());
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  // Each job ended with the message, and opened the output folder.
  size_t first = r.Output.find("dialog: information: All conversion tasks have been finished.");
  ASSERT_NE(first, std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("dialog: information: All conversion tasks have been finished.", first + 1),
            std::string::npos)
      << r.Output;
  EXPECT_NE(r.Output.find("dialog: open: " + out.Path().string() + "/"), std::string::npos) << r.Output;

  // The FLV: Sorenson video and MP3 sound, as long as the 12 s title and the
  // 3 s chapter.
  std::string codecs;
  double duration = ProbeDuration(out / "clip.flv", &codecs);
  EXPECT_NE(codecs.find("flv1"), std::string::npos) << codecs;
  EXPECT_NE(codecs.find("mp3"), std::string::npos) << codecs;
  EXPECT_NEAR(duration, 15.0, 0.6) << codecs;

  // The SWF with the default player template plays the FLV beside it.
  ASSERT_TRUE(fs::exists(out / "movie.swf"));
  ASSERT_TRUE(fs::exists(out / "movie.flv"));
  RuffleOptions o;
  o.Root = out.Path();
  o.Swf = "movie.swf";
  o.RunMs = 3000;
  o.ShotsAt = {2500};  // movie time: the harness steps a virtual clock, so this is the same frame on any machine
  RuffleResult played = RufflePlayer::Play(o);
  ASSERT_TRUE(played.Ok) << played.Describe();
  ASSERT_EQ(played.Shots.size(), 1u);
  // The video shows: the picture is not one flat colour.
  const PngImage& picture = played.Shots[0].Image;
  EXPECT_LT(picture.CoverFraction(picture.Pixel(picture.Width() / 2, picture.Height() / 3), 0, 0, picture.Width(),
                                  picture.Height()),
            0.9);
  for (const char* name : {"desktop-1-start.png", "desktop-2-import.png", "desktop-3-publish.png",
                           "desktop-4-progress.png", "desktop-5-about.png"})
    EXPECT_GT(fs::file_size(ShotPath(name)), 5000u) << name;
}

}  // namespace
}  // namespace reelcast::test
