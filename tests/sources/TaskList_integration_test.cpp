// Loading DVD folders authored by make_dvd.sh into the source list, and the
// damaged, renamed and read-only variants users' folders come in.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/EncoderManager.h"
#include "sources/TaskList.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::DvdFixture;
using test::TempDir;

struct TRecorder {
  std::vector<std::string> Messages;
  TTaskList::THost Host() {
    TTaskList::THost host;
    host.ShowMessage = [this](const std::string& text, const std::string& caption) {
      Messages.push_back(caption + ": " + text);
    };
    return host;
  }
};

fs::path CopyOfFixture(const TempDir& dir, const std::string& name = "VIDEO_TS") {
  fs::path copy = dir / name;
  fs::copy(DvdFixture() / "VIDEO_TS", copy, fs::copy_options::recursive);
  return copy;
}

TEST(TaskListLoadTest, FolderAboveVideoTsLoadsEveryTitleAndChapter) {
  EncMgrInit();
  TRecorder recorder;
  TTaskList list(recorder.Host());
  ASSERT_TRUE(list.LoadDvdFolder(DvdFixture().string()));
  EXPECT_TRUE(recorder.Messages.empty());
  std::string folder = (DvdFixture() / "VIDEO_TS").string() + "/";
  EXPECT_EQ(list.OpenFileText(), folder);
  EXPECT_EQ(list.Root()->Task.Base.Name, folder.substr(0, folder.size() - 1));
  EXPECT_EQ(list.Root()->Task.Base.SourcePath, folder);

  struct TRow {
    std::string Name, Destination;
    double Length, Begin;
    bool Checked;
  };
  const std::vector<TRow> expected = {
      {"Title_01_01", "Title_0101", 12, 0, true},
      {"Chapter_01", "Chapter_01-111", 4, 0, false},
      {"Chapter_02", "Chapter_02-112", 4, 4, false},
      {"Chapter_03", "Chapter_03-113", 4, 8, false},
      {"Title_01_02", "Title_0102", 2, 12, false},  // shorter than 3 s
      {"Chapter_01", "Chapter_01-121", 2, 12, true}, // the only chapter
      {"Title_02_01", "Title_0201", 6, 0, true},
      {"Chapter_01", "Chapter_01-211", 3, 0, false},
      {"Chapter_02", "Chapter_02-212", 3, 3, false},
  };
  auto rows = list.Rows();
  ASSERT_EQ(rows.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); ++i) {
    const TTask& t = rows[i + 1]->Task;
    SCOPED_TRACE(expected[i].Name + " " + std::to_string(i));
    EXPECT_EQ(t.Base.Name, expected[i].Name);
    EXPECT_EQ(t.Base.DestinationName, expected[i].Destination);
    EXPECT_EQ(t.Base.RoundedLength, expected[i].Length);
    EXPECT_NEAR(t.Base.Length, expected[i].Length, 0.05);
    EXPECT_NEAR(t.Base.BeginTime, expected[i].Begin, 0.05);
    EXPECT_EQ(t.Checked, expected[i].Checked);
    EXPECT_EQ(t.TrimStart, 0.0);
    EXPECT_EQ(t.TrimEnd, t.Base.Length);
    EXPECT_EQ(t.AudioTrackIndex, 0);
    EXPECT_EQ(t.Encoder.VideoCodec, FourCC("FLV1"));
    EXPECT_EQ(fs::path(t.Base.SourcePath).filename(),
              i < 6 ? "VTS_01_0.IFO" : "VTS_02_0.IFO");
  }
  const TTask& first = rows[1]->Task;
  EXPECT_EQ(first.Base.ChapterCount, "3");
  EXPECT_EQ(*first.Base.AudioTracks,
            (TStringList{"English (AC3, 2ch)", "French (MPEG, 2ch)"}));
  EXPECT_EQ(*first.Base.Subtitles, TStringList{"English"});
  EXPECT_EQ(first.SubtitleIndex, 1) << "no subtitle until one is chosen";
  EXPECT_EQ(rows[3]->Task.SubtitleIndex, 1) << "nor for its chapters";
  EXPECT_EQ(rows[3]->Task.Base.ChapterIndex, 1);
  EXPECT_EQ(rows[3]->Task.Base.AudioTracks, nullptr);
  // The first title was test-opened.
  EXPECT_EQ(list.PictureWidth(), 720);
  EXPECT_EQ(list.PictureHeight(), 576);
  EXPECT_EQ(list.Selected(), rows[1]);
  EncMgrUninit();
}

TEST(TaskListLoadTest, NotADvdFolderKeepsThePreviousList) {
  TRecorder recorder;
  TTaskList list(recorder.Host());
  ASSERT_TRUE(list.LoadDvdFolder((DvdFixture() / "VIDEO_TS").string()));
  size_t rows = list.Rows().size();
  TempDir empty;
  EXPECT_FALSE(list.LoadDvdFolder(empty.Path().string()));
  ASSERT_EQ(recorder.Messages.size(), 1u);
  EXPECT_EQ(recorder.Messages[0], "Information: " + empty.Path().string() + "/ is not a valid DVD folder.");
  EXPECT_EQ(list.Rows().size(), rows);
  EXPECT_FALSE(list.LoadDvdFolder((empty / "missing").string()));
  EXPECT_EQ(list.Rows().size(), rows);
  EXPECT_FALSE(list.LoadDvdFiles({}));
}

TEST(TaskListLoadTest, UnparsableTitleSetIsSkippedWithItsMessage) {
  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  std::string garbage(12288, '\x7f');
  test::WriteFile(copy / "VTS_01_0.BUP", garbage);
  test::WriteFile(copy / "VTS_01_0.IFO", garbage);
  TRecorder recorder;
  TTaskList list(recorder.Host());
  ASSERT_TRUE(list.LoadDvdFolder(copy.string()));
  ASSERT_EQ(recorder.Messages.size(), 1u);
  EXPECT_EQ(recorder.Messages[0],
            "Information: Failed to parse IFO file [" + (copy / "VTS_01_0.IFO").string() + "]!");
  auto titles = list.Titles();
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0]->Task.Base.Name, "Title_02_01");
  EXPECT_EQ(list.PictureHeight(), 480);
}

// A damaged VOB file makes only the titles with cells in it unusable: they
// stay listed, unchecked, named once with the file; the first title that can
// be read is test-opened. With nothing readable the list is cleared.
TEST(TaskListLoadTest, DamagedVobFilesLeaveTheOtherTitlesLoaded) {
  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  fs::resize_file(copy / "VTS_01_1.VOB", 0);
  TRecorder recorder;
  TTaskList list(recorder.Host());
  ASSERT_TRUE(list.LoadDvdFolder(copy.string()));
  const std::string empty = (copy / "VTS_01_1.VOB").string() + " is empty";
  EXPECT_EQ(recorder.Messages,
            std::vector<std::string>{"Information: Title_01_01 and Title_01_02 cannot be used: " + empty + "."});
  auto titles = list.Titles();
  ASSERT_EQ(titles.size(), 3u);
  for (int t : {0, 1}) {
    EXPECT_EQ(titles[t]->Task.Base.VobProblem, empty);
    EXPECT_FALSE(titles[t]->Task.Checked);
    for (auto& chapter : titles[t]->Children) {
      EXPECT_EQ(chapter->Task.Base.VobProblem, empty);
      EXPECT_FALSE(chapter->Task.Checked);
    }
  }
  EXPECT_EQ(titles[2]->Task.Base.VobProblem, "");
  EXPECT_TRUE(titles[2]->Task.Checked);
  EXPECT_EQ(list.PictureHeight(), 480);

  fs::remove(copy / "VTS_02_1.VOB");
  recorder.Messages.clear();
  EXPECT_FALSE(list.LoadDvdFolder(copy.string()));
  EXPECT_EQ(recorder.Messages,
            (std::vector<std::string>{
                "Information: Title_01_01 and Title_01_02 cannot be used: " + empty + ".",
                "Information: Title_02_01 cannot be used: " + (copy / "VTS_02_1.VOB").string() + " is missing.",
                "Information: Failed to create decoder."}));
  EXPECT_EQ(list.Root(), nullptr);
  EXPECT_EQ(list.OpenFileText(), "");
}

TEST(TaskListLoadTest, LowerCaseAndReadOnlyFoldersLoadAlike) {
  TempDir dir;
  fs::path lower = dir / "disc" / "video_ts";
  fs::create_directories(lower);
  for (const auto& entry : fs::directory_iterator(DvdFixture() / "VIDEO_TS")) {
    std::string name = entry.path().filename().string();
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::copy_file(entry.path(), lower / name);
  }
  fs::path readOnly = CopyOfFixture(dir, "ro");
  for (const auto& entry : fs::directory_iterator(readOnly))
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);

  for (const fs::path& folder : {dir / "disc", readOnly}) {
    SCOPED_TRACE(folder.string());
    TRecorder recorder;
    TTaskList list(recorder.Host());
    ASSERT_TRUE(list.LoadDvdFolder(folder.string())) << testing::PrintToString(recorder.Messages);
    EXPECT_TRUE(recorder.Messages.empty());
    auto titles = list.Titles();
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[2]->Task.Base.Name, "Title_02_01");
    EXPECT_EQ(titles[0]->Children.size(), 3u);
  }
}

}  // namespace
}  // namespace reelcast
