// The source list's rules on records made by hand: building rows from the
// staging array, the removal of empty rows, checks, and the audio and
// subtitle choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/EncoderManager.h"
#include "sources/EncoderChoice.h"
#include "sources/TaskList.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::TempDir;

class TaskListTest : public testing::Test {
 protected:
  TaskListTest() {
    test::WriteFile(dir_ / "VTS_01_0.IFO", "");
    source_ = (dir_ / "VTS_01_0.IFO").string();
    TTaskList::THost host;
    host.DefaultEncoder = [] {
      TEncoderParams p;
      p.Width = 400;
      return p;
    };
    host.ShowMessage = [this](const std::string& text, const std::string& caption) {
      messages_.push_back(caption + ": " + text);
    };
    list_ = std::make_unique<TTaskList>(host);
    TTask root;
    root.Base.Name = dir_.Path().string();
    root.Base.SourcePath = dir_.Path().string() + "/";
    list_->Staging().push_back(root);
  }

  // A title with chapters of the given lengths, as LoadTitleSet makes it.
  void AddTitle(double length, std::vector<double> chapters, int subtitles = 0) {
    TTask title;
    title.Base.Name = "Title_01_0" + std::to_string(++titles_);
    title.Base.Length = length;
    title.Base.RoundedLength = RoundHalfEven(length);
    title.Base.ChapterCount = std::to_string(chapters.size());
    title.Base.SourcePath = source_;
    title.Base.AudioTracks = std::make_shared<TStringList>(TStringList{"English (AC3, 2ch)", "French (MPEG, 2ch)"});
    title.Base.Subtitles = std::make_shared<TStringList>();
    for (int s = 0; s < subtitles; ++s) title.Base.Subtitles->push_back("Sub" + std::to_string(s));
    title.Checked = length > 3.0;
    title.SubtitleIndex = subtitles;
    list_->Staging().push_back(title);
    for (size_t j = 0; j < chapters.size(); ++j) {
      TTask chapter;
      chapter.Base.Name = "Chapter_0" + std::to_string(j + 1);
      chapter.Base.Length = chapters[j];
      chapter.Base.RoundedLength = RoundHalfEven(chapters[j]);
      chapter.Base.SourcePath = source_;
      chapter.Base.ChapterIndex = static_cast<int32_t>(j);
      chapter.Checked = chapters.size() == 1;
      list_->Staging().push_back(chapter);
    }
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (TTaskRow* row : list_->Rows())
      if (row->Parent) names.push_back(std::string(row->Level() == 2 ? "  " : "") + row->Task.Base.Name);
    return names;
  }

  TempDir dir_;
  std::string source_;
  int titles_ = 0;
  std::vector<std::string> messages_;
  std::unique_ptr<TTaskList> list_;
};

TEST_F(TaskListTest, EmptyRowsGoAndTheirTitlesFollowTheRules) {
  AddTitle(12.0, {4.0, 0.4, 7.6});  // a chapter rounding to 0 goes
  AddTitle(5.0, {0.3, 4.7});        // left with one chapter: that one is checked
  AddTitle(1.0, {0.4, 0.49});       // left with none: the title goes
  AddTitle(0.4, {0.4});             // a title rounding to 0 goes
  AddTitle(2.5, {2.5});             // 2.5 rounds to 2 (halves to even) and stays
  list_->BuildTaskTree();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Title_01_01", "  Chapter_01", "  Chapter_03",
                                               "Title_01_02", "  Chapter_02", "Title_01_05",
                                               "  Chapter_01"}));
  auto titles = list_->Titles();
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[0]->Task.Base.ChapterCount, "2");
  EXPECT_EQ(titles[1]->Task.Base.ChapterCount, "1");
  EXPECT_TRUE(titles[1]->Children[0]->Task.Checked);
  EXPECT_FALSE(titles[0]->Children[0]->Task.Checked);
  EXPECT_FALSE(titles[2]->Task.Checked);  // 2.5 s is not longer than 3 s
  EXPECT_TRUE(titles[2]->Children[0]->Task.Checked);
  EXPECT_TRUE(list_->Root()->Expanded);
  EXPECT_FALSE(titles[0]->Expanded);
  EXPECT_TRUE(list_->Staging().empty());
  EXPECT_EQ(list_->Selected(), titles[0]);
  // Every row got the default encoder parameters and neutral adjustments.
  for (TTaskRow* row : list_->Rows()) {
    EXPECT_EQ(row->Task.Encoder.Width, 400);
    EXPECT_EQ(row->Task.Volume, 100);
    EXPECT_EQ(row->Task.Crop, TCropRect{});
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TaskListTest, NothingLeftClearsTheList) {
  list_->BuildTaskTree();  // only the root
  EXPECT_EQ(list_->Root(), nullptr);
  AddTitle(0.2, {0.2});
  list_->BuildTaskTree();
  EXPECT_EQ(list_->Root(), nullptr);
  EXPECT_TRUE(list_->Titles().empty());
}

TEST_F(TaskListTest, ThreeSecondsIsNotLongEnoughToBeChecked) {
  AddTitle(3.0, {3.0});
  AddTitle(3.5, {3.5});
  list_->BuildTaskTree();
  auto titles = list_->Titles();
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_FALSE(titles[0]->Task.Checked);
  EXPECT_TRUE(titles[1]->Task.Checked);
  EXPECT_EQ(titles[1]->Task.Base.RoundedLength, 4.0);
  // The checked rows in list order are what Convert hands on.
  TTaskArray checked = list_->CheckedTasks();
  ASSERT_EQ(checked.size(), 3u);
  EXPECT_EQ(checked[0].Base.Name, "Chapter_01");
  EXPECT_EQ(checked[1].Base.Name, "Title_01_02");
}

TEST_F(TaskListTest, AudioAndSubtitleChoiceBelongsToTheTitle) {
  AddTitle(10.0, {5.0, 5.0}, 2);
  AddTitle(8.0, {8.0}, 0);
  list_->BuildTaskTree();
  auto titles = list_->Titles();
  TTaskRow* title = titles[0];
  TTaskRow* chapter = title->Children[1].get();

  TStreamChoice choice = list_->Select(chapter);
  EXPECT_EQ(choice.AudioItems, *title->Task.Base.AudioTracks);
  EXPECT_EQ(choice.AudioItem, 0);
  EXPECT_EQ(choice.SubtitleItems, (std::vector<std::string>{"Sub0", "Sub1", "No_SubTitle"}));
  EXPECT_EQ(choice.SubtitleItem, 2) << "the initial index (the stream count) is no subtitle";

  list_->ChooseAudioTrack(chapter, 1);
  list_->ChooseSubtitle(chapter, 1);
  for (TTaskRow* row : {title, title->Children[0].get(), chapter}) {
    EXPECT_EQ(row->Task.AudioTrackIndex, 1);
    EXPECT_EQ(row->Task.SubtitleIndex, 1);
  }
  EXPECT_EQ(list_->Select(title->Children[0].get()).SubtitleItem, 1);
  list_->ChooseSubtitle(title, 2);  // "No_SubTitle"
  EXPECT_EQ(chapter->Task.SubtitleIndex, -1);
  EXPECT_EQ(list_->Select(chapter).SubtitleItem, 2);

  // A title without subtitle streams shows only "No_SubTitle" and gets -1.
  choice = list_->Select(titles[1]);
  EXPECT_EQ(choice.SubtitleItems, (std::vector<std::string>{"No_SubTitle"}));
  EXPECT_EQ(titles[1]->Task.SubtitleIndex, -1);
  // The root selects nothing.
  EXPECT_TRUE(list_->Select(list_->Root()).AudioItems.empty());
  list_->ChooseAudioTrack(list_->Root(), 1);  // no effect, no crash
}

TEST(EncoderChoiceTest, DefaultParametersFollowTheChoiceAndTheFormatTable) {
  EncMgrInit();
  const uint8_t* table = EncMgrGetFormatTable();
  TEncoderChoice plain;
  TEncoderParams p = DefaultEncoderParams(plain, table);
  EXPECT_EQ(p.VideoCodec, FourCC("FLV1"));
  EXPECT_EQ(p.AudioCodec, FourCC("MP3 "));
  EXPECT_EQ(p.Width, 320);
  EXPECT_EQ(p.Height, 240);
  EXPECT_EQ(p.FrameRate, 0.0);
  EXPECT_EQ(p.VideoBitrate, 768000);
  EXPECT_EQ(p.PixelFormat, FourCC("YV12"));
  EXPECT_EQ(p.SampleRate, 22050);
  EXPECT_EQ(p.Channels, 2);
  EXPECT_EQ(p.AudioBitrate, 64000);
  EXPECT_EQ(p.BitsPerSample, 16);
  EXPECT_EQ(p.VideoDisabled, 0);
  EXPECT_EQ(p.AudioDisabled, 0);
  EXPECT_EQ(p.Container, FourCC("flv "));

  TEncoderChoice custom;
  custom.Resolution = true;
  custom.Width = 640;
  custom.Height = 360;
  custom.FrameRate = 25;
  custom.BitrateKbps = 500;
  custom.AspectMode = 2;
  custom.SampleRate = 44100;
  custom.DisableAudio = true;
  p = DefaultEncoderParams(custom, table);
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.Height, 360);
  EXPECT_EQ(p.FrameRate, 25.0);
  EXPECT_EQ(p.VideoBitrate, 500000);
  EXPECT_EQ(p.ResizeMode, 2);
  EXPECT_EQ(p.SampleRate, 44100);
  EXPECT_EQ(p.AudioDisabled, -1);
  EXPECT_EQ(p.VideoDisabled, 0);
  EncMgrUninit();

  // Without a table there is no codec to use.
  p = DefaultEncoderParams(plain, nullptr);
  EXPECT_EQ(p.VideoCodec, 0u);
  EXPECT_EQ(p.VideoDisabled, -1);
  EXPECT_EQ(p.AudioDisabled, -1);
}

}  // namespace
}  // namespace reelcast
