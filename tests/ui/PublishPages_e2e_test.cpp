// The real reelcast under Xvfb: the Encoder page's size and bit rate, an
// SWF with its HTML page, a text link dragged to the middle of the movie's
// preview and a preloader, all chosen through the pages and the publish
// settings dialog; the converted movie plays in Ruffle with the link where
// it was placed, opening its address.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

TEST(DesktopPublish, PagesChoicesReachThePlayedMovie) {
  ASSERT_TRUE(HaveProgram("xvfb-run"));
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  TempDir out("reelcast-publish-out");
  TempDir home("reelcast-publish-home");
  const fs::path shots = BinaryDir() / "screenshots";
  fs::create_directories(shots);
  auto shot = [&](const char* name) { return "shot " + (shots / name).string() + "\n"; };
  // A 480 x 360 movie gives a 400 x 300 preview: dragging the link by half
  // of it puts its corner at the middle of the movie.
  std::string script =
      "answer-path " + DvdFixture().string() + "\n"
      "click btnOpen\n"
      "wait-dvd\n"
      "check Title_01_01 on\n"
      "check Title_01_02 off\n"
      "check Title_02_01 off\n"
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
      "click chkUseProgress\n" +
      shot("publish-3-preloader.png") +
      "click btnOK\n"
      "wait-closed frmPublishSetting\n" +
      shot("publish-4-publish.png") +
      "click btnConvert\n"
      "wait-window frmConverter\n"
      "wait-dialog All conversion tasks have been finished.\n"
      "wait-closed frmConverter\n"
      "quit\n";
  const fs::path scriptFile = out / "script.txt";
  WriteFile(scriptFile, script);
  ScopedEnv automation("REELCAST_AUTOMATION", scriptFile.string());
  ScopedEnv userFolder("REELCAST_HOME", home.Path().string());
  ScopedEnv noSplash("REELCAST_NO_SPLASH", "1");
  ProcessResult r = RunProcess({"xvfb-run", "-a", "-s", "-screen 0 1280x800x24", (BinDir() / "reelcast").string()}, 900);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("value: sdX: 200"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("value: sdY: 150"), std::string::npos) << r.Output;
  ASSERT_TRUE(fs::exists(out / "movie.swf")) << r.Output;
  ASSERT_TRUE(fs::exists(out / "movie.html")) << r.Output;

  // The movie: the link's corner at the middle of the stage. A click just
  // inside the text opens the address; one above and left of it does not.
  RuffleOptions probe;
  probe.Root = out.Path();
  probe.Swf = "movie.swf";
  probe.RunMs = 500;
  RuffleResult first = RufflePlayer::Play(probe);
  ASSERT_TRUE(first.Ok) << first.Describe();
  const double cx = first.Metadata.Width / 2.0, cy = first.Metadata.Height / 2.0;
  RuffleOptions o = probe;
  o.RunMs = 2500;
  o.Clicks = {{1000, cx - 25, cy - 20}, {1800, cx + 12, cy + 7}};
  RuffleResult played = RufflePlayer::Play(o);
  ASSERT_TRUE(played.Ok) << played.Describe();
  ASSERT_EQ(played.Popups.size(), 1u) << played.Describe();
  EXPECT_EQ(played.Popups[0].Url, "https://example.org/reelcast");
  EXPECT_GE(played.Popups[0].AtMs, 1800);
  for (const char* name : {"publish-1-encoder.png", "publish-2-link.png", "publish-3-preloader.png", "publish-4-publish.png"})
    EXPECT_GT(fs::file_size(shots / name), 5000u) << name;
}

}  // namespace
}  // namespace reelcast::test
