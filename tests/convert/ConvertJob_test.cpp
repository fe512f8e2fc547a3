// The pieces of a conversion job that need no encoder: durations on screen,
// tasks as segments, the mixing script of the background music and the
// Convert checks.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <filesystem>

#include "app/Paths.h"
#include "convert/ConvertService.h"
#include "convert/ConverterModel.h"
#include "convert/EncoderThread.h"
#include "convert/StageReport.h"
#include "convert/MakeSwf.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(ConvertJobTest, DurationsShowHoursMinutesSeconds) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "00:00:00"}, {59, "00:00:59"}, {61, "00:01:01"}, {3600, "01:00:00"},
      {86399, "23:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"}};
  for (auto [seconds, text] : cases) EXPECT_EQ(FormatDuration(seconds), text) << seconds;
}

// A stage report that keeps what it is told.
struct TRecordingReport : TStageReport {
  std::vector<int> Percents;
  bool Cancel = false;
  void Notice(TStageNotice, int32_t) override {}
  void MovieProgress(int percent) override { Percents.push_back(percent); }
  bool CancelRequested() const override { return Cancel; }
};

TEST(ConvertJobTest, MovieWriterProgressGoesToTheJobAsAByteUntilCancelled) {
  TRecordingReport report;
  TMakeSwf make(&report);
  TSWFStreamReader sender;
  auto handler = make.Handler();
  for (int percent : {-3, 0, 42, 100, 250}) handler(sender, percent, 2);
  EXPECT_EQ(report.Percents, (std::vector<int>{0, 0, 42, 100, 100}));
  report.Cancel = true;
  EXPECT_THROW(handler(sender, 50, 2), TJobCancelled);
  // Outside a job nothing is reported and nothing stops.
  TMakeSwf alone(nullptr);
  alone.Handler()(sender, 50, 2);
}

TEST(ConvertJobTest, TaskBecomesSegmentOnTheSourceTimeBase) {
  TTask t;
  t.Base.SourcePath = "/dvd/VIDEO_TS/VTS_01_0.IFO";
  t.Base.BeginTime = 100.5;
  t.TrimStart = 2;
  t.TrimEnd = 7.25;
  t.Volume = 150;
  t.Brightness = -20;
  t.Contrast = 30;
  t.Saturation = 40;
  t.EffectFlags = kEffectOldFilm;
  t.Crop = {8, 4, 700, 560};
  t.SubtitleIndex = 1;
  t.AudioTrackIndex = 2;
  t.Encoder.Width = 400;
  t.TempFlvPath = "/tmp/x.flv";
  TSegment s = TaskToSegment(t);
  EXPECT_EQ(s.SourcePath, t.Base.SourcePath);
  EXPECT_DOUBLE_EQ(s.StartTime, 102.5);
  EXPECT_DOUBLE_EQ(s.EndTime, 107.75);
  EXPECT_EQ(s.Volume, 150);
  EXPECT_EQ(s.Brightness, -20);
  EXPECT_EQ(s.Contrast, 30);
  EXPECT_EQ(s.Saturation, 40);
  EXPECT_EQ(s.Effect, kEffectOldFilm);
  EXPECT_EQ(s.CropLeft, 8);
  EXPECT_EQ(s.CropBottom, 560);
  EXPECT_EQ(s.VideoStream.SubtitleIndex, 1);
  EXPECT_EQ(s.AudioStream.AudioTrackIndex, 2);
  EXPECT_EQ(s.Encoder.Width, 400);
  EXPECT_EQ(s.OutputPath, "/tmp/x.flv");
  EXPECT_EQ(s.Status, kSegmentNotStarted);
}

// (Time start, stop, MediaTime start, stop, volume, file) of every Music entry.
struct TMusicRow {
  int64_t T0, T1, M0, M1;
  std::string Volume;
  std::string File;
  bool operator==(const TMusicRow&) const = default;
};

std::vector<TMusicRow> ReadScript(const fs::path& path) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file(path.c_str()));
  pugi::xml_node track = doc.child("AudioToolX").child("Audio").child("Track");
  EXPECT_STREQ(doc.child("AudioToolX").attribute("version").value(), "1.0");
  EXPECT_STREQ(track.attribute("ID").value(), "Ground Track");
  std::vector<TMusicRow> rows;
  for (pugi::xml_node m : track.children("Music")) {
    // The children come in this order.
    std::vector<std::string> names;
    for (pugi::xml_node c : m.children()) names.push_back(c.name());
    EXPECT_EQ(names, (std::vector<std::string>{"Volume", "File", "Time", "MediaTime"}));
    rows.push_back({m.child("Time").attribute("Start").as_llong(), m.child("Time").attribute("Stop").as_llong(),
                    m.child("MediaTime").attribute("Start").as_llong(),
                    m.child("MediaTime").attribute("Stop").as_llong(), m.child_value("Volume"),
                    m.child_value("File")});
  }
  return rows;
}

TEST(ConvertJobTest, MixingScriptRepeatsPadsOrCutsTheMusic) {
  constexpr int64_t S = 10'000'000;
  struct TCase {
    const char* Name;
    double Total;
    TTemplate Template;
    bool Loop;
    bool Single;
    int64_t Music;
    std::vector<TMusicRow> Expected;
  };
  const std::vector<TCase> cases = {
      {"single entry", 30, {0, "None"}, false, true, 12 * S, {{0, 12 * S, 0, 12 * S, "100", "m.mp3"}}},
      {"shorter music, no loop: one silent filler", 30, {0, "None"}, false, false, 12 * S,
       {{0, 12 * S, 0, 12 * S, "100", "m.mp3"}, {12 * S, 30 * S, 0, 18 * S, "0", ""}}},
      {"shorter music, loop: repeated past the end", 30, {0, "None"}, true, false, 12 * S,
       {{0, 12 * S, 0, 12 * S, "100", "m.mp3"},
        {12 * S, 24 * S, 0, 12 * S, "100", "m.mp3"},
        {24 * S, 36 * S, 0, 12 * S, "100", "m.mp3"}}},
      {"music as long as the movie (cut before)", 30, {0, "None"}, false, false, 30 * S,
       {{0, 30 * S, 0, 30 * S, "100", "m.mp3"}}},
      {"general template adds 16 s", 30, {1, "Wedding"}, false, false, 12 * S,
       {{0, 12 * S, 0, 12 * S, "100", "m.mp3"}, {12 * S, 46 * S, 0, 34 * S, "0", ""}}},
      {"music of no length writes no entry", 30, {0, "None"}, true, false, 0, {}},
  };
  TempDir dir;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSWFParam p;
    p.TotalDuration = c.Total;
    p.Template = c.Template;
    p.LoopMusic = c.Loop;
    ASSERT_TRUE(WriteAudioXml((dir / "s.xml").string(), "m.mp3", c.Single, c.Music, p));
    EXPECT_EQ(ReadScript(dir / "s.xml"), c.Expected);
  }
}

// A small source list: a root, title 1 with one chapter, title 2 with two.
class ConvertServiceTest : public ::testing::Test {
 public:
  void SetUp() override {
    SWFParam = TSWFParam();
    root_.Task.Base.SourcePath = "/dvd/VIDEO_TS/";
    AddTitle("Title_01_01", "Title_0101", 40, 1);
    AddTitle("Title_01_02", "Title_0102", 70, 2);
    choices_.SourceFolder = "/dvd/VIDEO_TS/";
    choices_.OutputBox = (out_ / "movie.flv").string();
    choices_.OutputKind = kOutputFlv;
    choices_.Template = {0, "None"};
    choices_.GeneralTemplateSelection = "None";
    answer_ = true;
    messages_.clear();
    host_.ReadImageArea = nullptr;
    host_.ShowMessage = [this](const std::string& text, const std::string&) { messages_.push_back(text); };
    host_.AskYesNo = [this](const std::string& text, const std::string&) {
      messages_.push_back(text);
      return answer_;
    };
  }
  void TearDown() override { SWFParam = TSWFParam(); }

  void AddTitle(const std::string& name, const std::string& dest, double length, int chapters) {
    auto title = std::make_unique<TTaskRow>();
    title->Parent = &root_;
    title->Task.Base.Name = name;
    title->Task.Base.DestinationName = dest;
    title->Task.Base.SourcePath = "/dvd/VIDEO_TS/VTS_01_0.IFO";
    title->Task.Base.ChapterCount = std::to_string(chapters);
    title->Task.Base.Length = length;
    title->Task.TrimEnd = length;
    title->Task.Checked = true;
    title->Task.Encoder.Width = 400;
    title->Task.Encoder.Height = 300;
    title->Task.Encoder.FrameRate = 15;
    for (int c = 0; c < chapters; ++c) {
      auto chapter = std::make_unique<TTaskRow>();
      chapter->Parent = title.get();
      chapter->Task.Base.Name = "Chapter_0" + std::to_string(c + 1);
      chapter->Task.Base.SourcePath = title->Task.Base.SourcePath;
      chapter->Task.Base.Length = length / chapters;
      chapter->Task.TrimEnd = length / chapters;
      chapter->Task.Checked = chapters == 1;
      chapter->Task.Encoder = title->Task.Encoder;
      title->Children.push_back(std::move(chapter));
    }
    root_.Children.push_back(std::move(title));
  }

  std::vector<TTaskRow*> Rows() {
    std::vector<TTaskRow*> rows{&root_};
    for (auto& t : root_.Children) {
      rows.push_back(t.get());
      for (auto& c : t->Children) rows.push_back(c.get());
    }
    return rows;
  }

  std::optional<TTaskArray> Convert() { return PrepareConvert(Rows(), choices_, host_, SWFParam); }

  TempDir out_;
  TTaskRow root_;
  TConvertChoices choices_;
  TConvertHost host_;
  std::vector<std::string> messages_;
  bool answer_ = true;
};

TEST_F(ConvertServiceTest, TakesCheckedTitlesAndChaptersOfLongerTitlesAndFillsTheRecord) {
  // Title 2's second chapter too; title 1's single chapter never counts.
  root_.Children[1]->Children[1]->Task.Checked = true;
  root_.Children[1]->Children[1]->Task.TrimStart = 10.4;
  choices_.MusicFile = "/music/m.mp3";
  choices_.LoopOption = kPlayNoLoop;
  auto tasks = Convert();
  ASSERT_TRUE(tasks) << (messages_.empty() ? "" : messages_[0]);
  ASSERT_EQ(tasks->size(), 3u);
  EXPECT_EQ((*tasks)[0].Base.Name, "Title_01_01");
  EXPECT_EQ((*tasks)[1].Base.Name, "Title_01_02");
  EXPECT_EQ((*tasks)[2].Base.Name, "Chapter_02");
  for (const TTask& t : *tasks) EXPECT_EQ(t.TempFlvPath, TempFolder + "movie.flv");
  EXPECT_EQ(SWFParam.TotalDuration, 40 + 70 + 25);  // round(35 - 10.4) = 25
  EXPECT_EQ(SWFParam.BaseName, "movie");
  EXPECT_EQ(SWFParam.OutputFile, choices_.OutputBox);
  EXPECT_EQ(SWFParam.FrameRate, 15);  // the last converted row's
  EXPECT_EQ(SWFParam.VideoWidth, 400);
  EXPECT_TRUE(SWFParam.HasMusic);
  EXPECT_FALSE(SWFParam.AutoLoop);
  EXPECT_EQ(SWFParam.PlayMode, kPlayNoLoop);
  EXPECT_TRUE(messages_.empty());
}

// The movie's stage and rate are those the taken rows were encoded with,
// also when the list's last row is not taken and keeps other settings.
TEST_F(ConvertServiceTest, MovieSizeAndRateComeFromTheConvertedRows) {
  AddTitle("Title_02_01", "Title_0201", 30, 1);
  root_.Children[2]->Task.Checked = false;
  root_.Children[2]->Children[0]->Task.Checked = false;
  root_.Children[2]->Children[0]->Task.Encoder.Width = 800;
  host_.StoreEncoderSettings = [](TTask& t) {
    t.Encoder.Width = 160;
    t.Encoder.Height = 120;
    t.Encoder.FrameRate = 10;
  };
  auto tasks = Convert();
  ASSERT_TRUE(tasks);
  ASSERT_EQ(tasks->size(), 2u);
  EXPECT_EQ(SWFParam.VideoWidth, 160);
  EXPECT_EQ(SWFParam.VideoHeight, 120);
  EXPECT_EQ(SWFParam.FrameRate, 10);
}

TEST_F(ConvertServiceTest, ChecksStopTheCommandWithTheirMessage) {
  struct TCase {
    const char* Name;
    std::function<void(ConvertServiceTest&)> Set;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"no DVD", [](ConvertServiceTest& t) { t.choices_.SourceFolder.clear(); },
       "Please select the DVD file first!"},
      {"no output folder",
       [](ConvertServiceTest& t) { t.choices_.OutputBox = (t.out_ / "missing" / "a.flv").string(); },
       "The folder that you selected does not exist. Please specify a different folder."},
      {"nothing checked",
       [](ConvertServiceTest& t) {
         for (auto* r : t.Rows()) r->Task.Checked = false;
       },
       "Please select a title or a chapter first."},
      {"a checked chapter of a title whose VOB file is cut short",
       [](ConvertServiceTest& t) {
         t.root_.Children[1]->Task.Checked = false;
         t.root_.Children[1]->Children[1]->Task.Checked = true;
         t.root_.Children[1]->Task.Base.VobProblem = "/dvd/VIDEO_TS/VTS_01_1.VOB is cut short (it ends after 4096 bytes)";
       },
       "Title_01_02 cannot be used: /dvd/VIDEO_TS/VTS_01_1.VOB is cut short (it ends after 4096 bytes)."},
      {"a published movie over 30 minutes",
       [](ConvertServiceTest& t) {
         t.choices_.OutputKind = kOutputSwf;
         t.root_.Children[1]->Task.TrimEnd = 1800 - 40 + 1;  // 1801 s in all
         t.choices_.OutputBox = (t.out_ / "movie.swf").string();
       },
       "The duration of the final Flash file must be no more than 30 minutes.\n\r Please reselect "
       "the chapters/titles or trim your movie."},
      {"replace refused",
       [](ConvertServiceTest& t) {
         test::WriteFile(t.out_ / "movie.flv", "old");
         t.answer_ = false;
       },
       "File " + (out_ / "movie.flv").string() + " exists already,do you want to replace it?"},
      {"a general template without image area",
       [](ConvertServiceTest& t) {
         t.choices_.OutputKind = kOutputSwf;
         t.choices_.OutputBox = (t.out_ / "movie.swf").string();
         t.choices_.Template = {1, "Wedding"};
       },
       "Sorry,load the current template unsuccessfully.Please select another one to continue."},
      {"a general template whose image area has no width",
       [](ConvertServiceTest& t) {
         t.choices_.OutputKind = kOutputSwf;
         t.choices_.OutputBox = (t.out_ / "movie.swf").string();
         t.choices_.Template = {1, "Wedding"};
         t.host_.ReadImageArea = [](const std::string&) { return TImageArea{50, 40, 50, 190}; };
       },
       "The template \"Wedding\" has an image area without width or height: (50, 40)-(50, 190). "
       "Please select another one to continue."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    c.Set(*this);
    EXPECT_FALSE(Convert());
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back(), c.Message);
    root_.Children.clear();
  }
  // The old file stays when the question is answered No.
  EXPECT_EQ(test::ReadFile(out_ / "movie.flv"), "old");
}

TEST_F(ConvertServiceTest, LimitsAndReplacing) {
  // Exactly 1800 s is allowed for SWF; 1801 s is allowed for FLV.
  choices_.OutputKind = kOutputSwf;
  choices_.OutputBox = (out_ / "m.swf").string();
  root_.Children[1]->Task.TrimEnd = 1800 - 40;
  EXPECT_TRUE(Convert());
  choices_.OutputKind = kOutputFlv;
  choices_.OutputBox = (out_ / "m.flv").string();
  root_.Children[1]->Task.TrimEnd = 1800 - 40 + 1;
  EXPECT_TRUE(Convert());
  // Yes means "replace when done": the old file stays until the job has
  // succeeded.
  test::WriteFile(out_ / "m.flv", "old");
  EXPECT_TRUE(Convert());
  EXPECT_EQ(test::ReadFile(out_ / "m.flv"), "old");
  // A player template leaves the general-template list empty: 24 fps.
  choices_.GeneralTemplateSelection = "";
  choices_.Template = {2, "Classic Gray"};
  auto tasks = Convert();
  ASSERT_TRUE(tasks);
  EXPECT_EQ(SWFParam.FrameRate, 24);
  for (const TTask& t : *tasks) EXPECT_EQ(t.Encoder.FrameRate, 24);
  // A rate the user gave explicitly wins over the template's rule.
  choices_.ExplicitFrameRate = 12;
  tasks = Convert();
  ASSERT_TRUE(tasks);
  EXPECT_EQ(SWFParam.FrameRate, 12);
  for (const TTask& t : *tasks) EXPECT_EQ(t.Encoder.FrameRate, 12);
  choices_.ExplicitFrameRate = 0;
  // Projector and screen saver paths.
  root_.Children[1]->Task.TrimEnd = 70;
  choices_.OutputKind = kOutputProjector;
  choices_.OutputBox = (out_ / "show.exe").string();
  ASSERT_TRUE(Convert());
  EXPECT_EQ(SWFParam.OutputFile, (out_ / "show.swf").string());
  choices_.OutputKind = kOutputScreenSaver;
  choices_.ScreenSaverName = "Saver";
  ASSERT_TRUE(Convert());
  EXPECT_EQ(SWFParam.OutputFile, TempFolder + "Saver.swf");
  EXPECT_EQ(SWFParam.BaseName, "Saver");
}

}  // namespace
}  // namespace reelcast
