// reelcast-cli dvd on the DVD folder make_dvd.sh authors: the rows as the
// source list shows them, and pictures written as snapshot files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Json.h"
#include "support/MediaProbe.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::DvdFixture;

class DvdCommandTest : public ::testing::Test {
 protected:
  test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), (test::BinDir() / "reelcast-cli").string());
    return test::RunProcess(args, 120);
  }
  // The path the command printed: its last line.
  static std::string LastLine(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.rfind('\n') + 1);
  }
  test::TempDir home_{"reelcast-cli-home"};
  test::ScopedEnv homeEnv_{"REELCAST_HOME", home_.Path().string()};
};

TEST_F(DvdCommandTest, InfoListsTheRowsAsJson) {
  auto r = Cli({"dvd", "info", DvdFixture().string(), "--json"});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  auto json = test::JsonValue::Parse(r.Stdout);
  const auto& titles = json["titles"];
  ASSERT_EQ(titles.Size(), 3u);
  EXPECT_EQ(titles[0]["name"].String(), "Title_01_01");
  EXPECT_EQ(titles[0]["destination"].String(), "Title_0101");
  EXPECT_EQ(titles[0]["originalLength"].Number(), 12);
  EXPECT_TRUE(titles[0]["checked"].Bool());
  EXPECT_EQ(titles[0]["audioTracks"].Size(), 2u);
  EXPECT_EQ(titles[0]["audioTracks"][1].String(), "French (MPEG, 2ch)");
  EXPECT_EQ(titles[0]["subtitles"][0].String(), "English");
  EXPECT_EQ(titles[0]["width"].Number(), 720);
  EXPECT_EQ(titles[0]["height"].Number(), 576);
  EXPECT_EQ(titles[0]["chapters"].Size(), 3u);
  EXPECT_EQ(titles[0]["chapters"][2]["destination"].String(), "Chapter_03-113");
  EXPECT_FALSE(titles[1]["checked"].Bool());
  EXPECT_TRUE(titles[1]["chapters"][0]["checked"].Bool());
  EXPECT_EQ(titles[2]["height"].Number(), 480);
  EXPECT_EQ(titles[2]["audioTracks"][0].String(), "German (LPCM, 2ch)");
  // No subtitle is burnt in at first, whether the title has streams or not.
  EXPECT_TRUE(titles[0]["subtitle"].IsNull()) << r.Output;
  EXPECT_TRUE(titles[2]["subtitle"].IsNull()) << r.Output;

  auto text = Cli({"dvd", "info", (DvdFixture() / "VIDEO_TS").string()});
  ASSERT_EQ(text.ExitCode, 0) << text.Output;
  EXPECT_NE(text.Output.find("Title_02_01      00:00:06         Title_0201           yes      720x480"),
            std::string::npos) << text.Output;
}

TEST_F(DvdCommandTest, FrameWritesThePictureAtTheTimeUnderTheSnapshotName) {
  test::TempDir out;
  std::string folder = (out / "shots").string() + "/";
  const std::string dvd = DvdFixture().string();
  struct TShot {
    std::vector<std::string> Args;
    std::string File;  // the name it must get
    int Frame;         // frame number within the title
    bool Subtitle;
  };
  const std::vector<TShot> shots = {
      {{"--title", "1", "--at", "1"}, "Title_0101_1.bmp", 25, false},
      {{"--title", "1", "--at", "3", "--subtitle", "1"}, "Title_0101_2.bmp", 75, true},
      {{"--title", "1", "--chapter", "3", "--at", "2", "--format", "jpg"}, "Chapter_03-113_1.jpg", 250, false},
      {{"--title", "3", "--chapter", "2", "--at", "1"}, "Chapter_02-212_1.bmp", 120, false},
  };
  for (const auto& shot : shots) {
    SCOPED_TRACE(shot.File);
    std::vector<std::string> args = {"dvd", "frame", dvd, "-o", folder};
    args.insert(args.end(), shot.Args.begin(), shot.Args.end());
    auto r = Cli(args);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(LastLine(r.Output), folder + shot.File);
    test::TRgbFrame frame = test::DecodeFrame(folder + shot.File, 0);
    ASSERT_EQ(frame.Width, 720);
    EXPECT_EQ(test::FixtureFrameNumber(frame.Pixels.data(), frame.Width), shot.Frame);
    const uint8_t* box = frame.At(360, 448);
    EXPECT_EQ(box[0] > 180 && box[1] < 90 && box[2] < 90, shot.Subtitle);
  }
  // An existing JPEG takes its number from the BMP snapshots too; the
  // settings choose JPEG when no format is given.
  test::WriteFile(out / "shots" / "Title_0101_3.jpg", "x");
  ASSERT_EQ(Cli({"settings", "set", "System.PhotoFormatID", "5"}).ExitCode, 0);
  auto r = Cli({"dvd", "frame", dvd, "--title", "1", "--at", "0", "-o", folder});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(LastLine(r.Output), folder + "Title_0101_4.jpg");
  // A file name is used as it is.
  r = Cli({"dvd", "frame", dvd, "--title", "2", "--at", "0.5", "-o", (out / "t2.bmp").string()});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(test::FixtureFrameNumber(test::DecodeFrame(out / "t2.bmp", 0).Pixels.data(), 720), 12);
  // An existing file is replaced only with -y when no terminal can answer.
  r = Cli({"dvd", "frame", dvd, "--title", "2", "--at", "1", "-o", (out / "t2.bmp").string()});
  EXPECT_EQ(r.ExitCode, 1) << r.Output;
  EXPECT_NE(r.Stderr.find("t2.bmp exists already; -y replaces it"), std::string::npos) << r.Output;
  EXPECT_EQ(test::FixtureFrameNumber(test::DecodeFrame(out / "t2.bmp", 0).Pixels.data(), 720), 12);
  r = Cli({"dvd", "frame", dvd, "--title", "2", "--at", "1", "-o", (out / "t2.bmp").string(), "-y"});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(test::FixtureFrameNumber(test::DecodeFrame(out / "t2.bmp", 0).Pixels.data(), 720), 25);
}

TEST_F(DvdCommandTest, BadFoldersAndRequestsAreClearErrors) {
  test::TempDir empty;
  struct TCase {
    std::vector<std::string> Args;
    int Exit;
    std::string Says;
  };
  const std::string dvd = DvdFixture().string();
  const std::vector<TCase> cases = {
      {{"dvd", "info", empty.Path().string()}, 1,
       "Information: " + empty.Path().string() + "/ is not a valid DVD folder."},
      {{"dvd", "frame", dvd, "--title", "4", "--at", "0", "-o", "x.bmp"}, 1, "has 3 titles"},
      {{"dvd", "frame", dvd, "--title", "2", "--at", "2.5", "-o", "x.bmp"}, 1, "past the end"},
      {{"dvd", "frame", dvd, "--title", "3", "--at", "1", "--subtitle", "1", "-o", "x.bmp"}, 1,
       "has no subtitle"},
      {{"dvd", "frame", dvd, "--title", "1", "--at", "1", "-o", "x.png"}, 2, ".bmp, .jpg"},
      {{"dvd", "frame", dvd, "--at", "1", "-o", "x.bmp"}, 2, "--title N"},
      {{"dvd", "frame", dvd, "--title", "1", "--at", "-3", "-o", "x.bmp"}, 2,
       "--at -3 is a negative time; it takes seconds from 0 on"},
      {{"dvd", "frame", dvd, "--title", "1", "--at", "soon", "-o", "x.bmp"}, 2,
       "--at takes a time in seconds; got 'soon'"},
      {{"dvd", "play", dvd}, 2, "unknown action"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args));
    auto r = Cli(c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Output;
    EXPECT_NE(r.Stderr.find(c.Says), std::string::npos) << r.Output;
  }
}

}  // namespace
}  // namespace reelcast
