// The progress model running whole jobs on the fixture DVD: an FLV job to
// its end, cancels in the encode and the finishing phase, the finishing
// stages' events, and jobs whose output never appears.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "convert/ConvertService.h"
#include "convert/ConverterModel.h"
#include "platform/EncoderManager.h"
#include "sources/TaskList.h"
#include "support/MediaProbe.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEncoderParams Block() {
  TEncoderParams p;
  p.VideoCodec = kCodecFlashVideo;
  p.Width = 320;
  p.Height = 240;
  p.FrameRate = 25;
  p.VideoBitrate = 500000;
  p.PixelFormat = kPixelFormatYV12;
  p.AudioCodec = kCodecMp3;
  p.SampleRate = 22050;
  p.Channels = 2;
  p.AudioBitrate = 64000;
  p.BitsPerSample = 16;
  p.Container = kContainerFlv;
  return p;
}

class ConverterModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartApplication();
    TTaskList::THost listHost;
    listHost.DefaultEncoder = [] { return Block(); };
    list_ = std::make_unique<TTaskList>(listHost);
    ASSERT_TRUE(list_->LoadDvdFolder(test::DvdFixture().string() + "/"));
    host_.ShowMessage = [this](const std::string& text, const std::string&) { shown_.push_back(text); };
    host_.AskYesNo = [this](const std::string& text, const std::string&) {
      shown_.push_back(text);
      return answer_;
    };
    host_.OpenPath = [this](const std::string& path) { opened_ = path; };
    objects_ = std::make_unique<TJobSettingObjects>();
    InitJobSettings(*objects_);
  }
  void TearDown() override {
    SWFParam = TSWFParam();
    ShutdownApplication();
  }

  // Title 1 of the DVD from..to as the one task, for an output kind.
  TTaskArray Prepare(int32_t kind, const std::string& file, double from, double to) {
    for (TTaskRow* t : list_->Titles()) {
      t->Task.Checked = false;
      for (auto& c : t->Children) c->Task.Checked = false;
    }
    TTaskRow* title = list_->Titles()[0];
    title->Task.Checked = true;
    title->Task.TrimStart = from;
    title->Task.TrimEnd = to;
    TConvertChoices choices;
    choices.SourceFolder = list_->OpenFileText();
    choices.OutputBox = (out_ / file).string();
    choices.OutputKind = kind;
    choices.Template = {0, "None"};
    choices.GeneralTemplateSelection = "None";
    TConvertHost host;
    host.ShowMessage = host_.ShowMessage;
    auto tasks = PrepareConvert(list_->Rows(), choices, host, SWFParam);
    EXPECT_TRUE(tasks);
    return tasks ? *tasks : TTaskArray{};
  }

  // Runs the model until it closes; calls during() after each batch.
  void Run(TConverterModel& model, const std::function<void(TConverterModel&)>& during = {}) {
    model.Show();
    model.StartStep();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!model.Closed() && std::chrono::steady_clock::now() < until) {
      model.ProcessEvents(std::chrono::milliseconds(50));
      if (during && !model.Closed()) during(model);
    }
    ASSERT_TRUE(model.Closed());
  }

  TempDir out_;
  std::unique_ptr<TTaskList> list_;
  std::unique_ptr<TJobSettingObjects> objects_;
  // The model of a job of SWFParam and tasks with steps_.
  std::unique_ptr<TConverterModel> Model(const TTaskArray& tasks) {
    return std::make_unique<TConverterModel>(SWFParam, tasks, steps_, host_);
  }

  TFinishingSteps steps_;
  TConverterModel::THost host_;
  std::vector<std::string> shown_;
  bool answer_ = true;
  std::string opened_;
};

TEST_F(ConverterModelTest, FlvJobRunsToTheEndAndCleansUp) {
  TTaskArray tasks = Prepare(kOutputFlv, "movie.flv", 1.0, 3.0);
  int progressUpdates = 0;
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    bool sawFinishing = false;
    Run(model, [&](TConverterModel& m) {
      // (The status stays after 4025 for FLV output; a batch may end there.)
      if (m.StatusText() == "In process of generating FLV file...") {
        ++progressUpdates;
        EXPECT_EQ(m.TimeLabel().rfind("Elapsed   Time: 00:00:", 0), 0u) << m.TimeLabel();
        EXPECT_NE(m.TimeLabel().find("\n\rTime Remaining: 00:00:"), std::string::npos);
      }
      if (m.State() == TConverterState::Finishing) {
        sawFinishing = true;
        // FLV output keeps Pause and the encoder's status line.
        EXPECT_TRUE(m.PauseEnabled());
        EXPECT_FALSE(m.TimeLabelVisible());
      }
    });
    EXPECT_GT(progressUpdates, 0);
    EXPECT_TRUE(model.Succeeded()) << model.Failure();
    EXPECT_EQ(model.LogLines(),
              (std::vector<std::string>{"Source File: " + list_->OpenFileText(),
                                        "Output File: " + (out_ / "movie.flv").string(), "Template Name: None",
                                        "Creating FLV File...", "Succeeded in creating FLV file.", "Succeed"}));
    EXPECT_EQ(model.StatusText(), "In process of generating FLV file...");
    EXPECT_EQ(model.Progress(), 100);
    EXPECT_EQ(shown_, std::vector<std::string>{"All conversion tasks have been finished."});
    EXPECT_EQ(opened_, out_.Path().string() + "/");
    // The job's scratch folder and its staging folder are gone.
    EXPECT_TRUE(fs::is_empty(TempFolder));
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.Path()), fs::directory_iterator()), 1);

    // A second job end changes nothing.
    auto log = model.LogLines();
    model.Queue()->Post({TJobEventKind::JobEnd});
    model.ProcessEvents(std::chrono::milliseconds(100));
    EXPECT_EQ(model.LogLines(), log);
    EXPECT_EQ(shown_.size(), 1u);
  }
  EXPECT_TRUE(fs::is_empty(TempFolder));
  // The FLV output starts with its metadata tag, as every FLV the job writes.
  std::string flv = test::ReadFile(out_ / "movie.flv");
  ASSERT_GT(flv.size(), 14u);
  EXPECT_EQ(static_cast<uint8_t>(flv[13]), 18);
  auto probe = test::ProbeMedia(out_ / "movie.flv");
  EXPECT_EQ(test::ProbeStream(probe, "video")["codec_name"].String(), "flv1");
  EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 2.0, 0.1);
}

TEST_F(ConverterModelTest, CancelWhileEncodingStopsTheBridgeAndLeavesNothing) {
  TTaskArray tasks = Prepare(kOutputFlv, "movie.flv", 0.0, 12.0);
  // Large pictures keep the encoder busy while the test clicks.
  tasks[0].Encoder.Width = 720;
  tasks[0].Encoder.Height = 576;
  tasks[0].Encoder.VideoBitrate = 3000000;
  int asked = 0;
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    answer_ = false;
    int32_t frameAtNo = -1;
    Run(model, [&](TConverterModel& m) {
      if (m.Encode().CurrentFrame < 20) return;
      if (asked == 0) {
        // No: the job goes on.
        m.CancelClick();
        ++asked;
        frameAtNo = m.Encode().CurrentFrame;
        EXPECT_FALSE(m.Closed());
      } else if (asked == 1 && m.Encode().CurrentFrame > frameAtNo + 5) {
        answer_ = true;
        m.PauseClick();
        EXPECT_EQ(m.PauseCaption(), "Resume");
        m.CancelClick();
        ++asked;
        EXPECT_EQ(m.PauseCaption(), "Pause");
        EXPECT_EQ(m.PauseState(), 0);
      }
    });
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(model.Cancelled());
    EXPECT_FALSE(model.Succeeded());
    EXPECT_EQ(std::count(shown_.begin(), shown_.end(), "Cancel conversion?"), 2);
    // No finishing stage ran: no EncodeDone was handled.
    EXPECT_EQ(std::count(model.LogLines().begin(), model.LogLines().end(), "Succeeded in creating FLV file."), 0);
    ASSERT_TRUE(model.Job().Wait(std::chrono::seconds(60)));
    EXPECT_TRUE(model.Job().Result().Cancelled());
  }
  EXPECT_FALSE(fs::exists(out_ / "movie.flv"));
  EXPECT_TRUE(fs::is_empty(TempFolder));
}

TEST_F(ConverterModelTest, FinishingStagesReportInOrderAndTheOutputIsChecked) {
  std::vector<uint8_t> firstTagOfTemporary;
  steps_.FlvToSwf = [&](const std::string& flv, const std::string& swf, const TSWFParam& p) {
    std::string bytes = test::ReadFile(flv);
    firstTagOfTemporary.push_back(static_cast<uint8_t>(bytes.size() > 13 ? bytes[13] : 0));
    ReportNotice(p, snSaving);
    p.Report->MovieProgress(50);
    test::WriteFile(swf, "FWS");
    return TStageResult::Done();
  };
  steps_.WriteHtmlPage = [&](const std::string& name, const TSWFParam& p) {
    test::WriteFile(fs::path(p.OutputFile).parent_path() / (fs::path(name).stem().string() + ".html"), "<html>");
    return TStageResult::Done();
  };
  TTaskArray tasks = Prepare(kOutputSwf, "movie.swf", 1.0, 2.0);
  SWFParam.PublishHtml = true;
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    std::vector<std::string> statuses;
    Run(model, [&](TConverterModel& m) {
      if (statuses.empty() || statuses.back() != m.StatusText()) statuses.push_back(m.StatusText());
    });
    statuses.push_back(model.StatusText());  // the last notice may come with the end
    EXPECT_TRUE(model.Succeeded()) << model.Failure();
    EXPECT_EQ(firstTagOfTemporary, std::vector<uint8_t>{18});  // the metadata tag went in first
    auto log = model.LogLines();
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"Succeeded in creating FLV file.", "In process of generating SWF file...",
                                        "Succeed", "Succeed"}));
    EXPECT_FALSE(model.PauseEnabled());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "In process of generating Html file..."), statuses.end());
  }
  EXPECT_TRUE(fs::exists(out_ / "movie.swf"));
  EXPECT_TRUE(fs::exists(out_ / "movie.html"));

  // A step that only logs its failure: the job says so instead of succeeding.
  steps_.FlvToSwf = [](const std::string&, const std::string&, const TSWFParam&) {
    NVLog("FLV missing");
    return TStageResult::Done();
  };
  shown_.clear();
  tasks = Prepare(kOutputSwf, "other.swf", 1.0, 2.0);
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    Run(model);
    EXPECT_FALSE(model.Succeeded());
    EXPECT_NE(model.Failure().find("other.swf was not made"), std::string::npos) << model.Failure();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("See the log file: " + LogFilePath()), std::string::npos);
    EXPECT_TRUE(opened_.empty() || opened_ == out_.Path().string() + "/");
  }

  // A general template whose files are missing: the step logs and keeps the
  // plain movie, and the job says that the template was not integrated.
  steps_.FlvToSwf = [](const std::string&, const std::string& swf, const TSWFParam&) {
    test::WriteFile(swf, "FWS");
    return TStageResult::Done();
  };
  steps_.PrepareTemplate = [](const TSWFParam&) { return TStageResult::Done(); };
  steps_.CreatFlashMovie = [](const std::string& name, const std::string&, const TImageArea&, const TSWFParam&) {
    NVLog("template files missing: " + name);
    return TStageResult::Failed("its files are missing");
  };
  shown_.clear();
  tasks = Prepare(kOutputSwf, "framed.swf", 1.0, 2.0);
  SWFParam.Template = {1, "Frame"};
  // An earlier movie (the replace question was answered Yes): replaced
  // only by a job that succeeds.
  test::WriteFile(out_ / "framed.swf", "old movie");
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    Run(model);
    EXPECT_FALSE(model.Succeeded());
    EXPECT_NE(model.Failure().find("integrating the template \"Frame\""), std::string::npos) << model.Failure();
    EXPECT_EQ(std::count(shown_.begin(), shown_.end(), "All conversion tasks have been finished."), 0);
  }
  EXPECT_EQ(test::ReadFile(out_ / "framed.swf"), "old movie") << "the movie without its template is not left behind";

  // Output kinds whose composition is not built in say so.
  steps_ = TFinishingSteps();
  tasks = Prepare(kOutputProjector, "show.exe", 1.0, 2.0);
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    Run(model);
    EXPECT_FALSE(model.Succeeded());
    EXPECT_NE(model.Failure().find("not available in this version"), std::string::npos) << model.Failure();
  }
  EXPECT_FALSE(fs::exists(out_ / "show.exe"));
}

TEST_F(ConverterModelTest, MusicStageMixesTheMusicToTheMovieLength) {
  test::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=440:r=44100:d=5", "-c:a", "libmp3lame", (out_ / "m.mp3").string()});
  int64_t musicLength = -1;
  steps_.FlvToSwf = [&](const std::string&, const std::string& swf, const TSWFParam& p) {
    musicLength = AudioFileLength(ScratchFolderOf(p) + "BackGroupMusic.mp3", false);
    test::WriteFile(swf, "FWS");
    return TStageResult::Done();
  };
  TTaskArray tasks = Prepare(kOutputSwf, "movie.swf", 1.0, 3.0);
  SWFParam.HasMusic = true;
  SWFParam.MusicFile = (out_ / "m.mp3").string();
  EXPECT_EQ(AudioFileLength(SWFParam.MusicFile, true), 5);
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    bool sawStage = false, sawProgress = false;
    Run(model, [&](TConverterModel& m) {
      if (m.StatusText() == "In process of creating background music file...") sawStage = true;
      if (sawStage && m.Progress() > 0 && m.Progress() < 100) sawProgress = true;
    });
    EXPECT_TRUE(model.Succeeded()) << model.Failure();
    EXPECT_TRUE(sawStage);
    (void)sawProgress;  // a two-second mix may finish between two looks
    EXPECT_EQ(model.LogLines()[3], "Background Music:" + SWFParam.MusicFile);
  }
  // The five seconds of music are cut to the movie's two.
  EXPECT_NEAR(musicLength, 20'000'000, 1'000'000);
}

TEST_F(ConverterModelTest, CancelWhileFinishingEmptiesTheScratchFolder) {
  std::atomic<bool> entered{false};
  test::TSignal cancelClicked;
  bool pageWritten = false;
  // A stage that runs to its end after the cancel and writes its movie and
  // an FLV beside it.
  steps_.FlvToSwf = [&](const std::string&, const std::string& swf, const TSWFParam& p) {
    entered = true;
    EXPECT_TRUE(cancelClicked.WaitFor());
    EXPECT_TRUE(JobCancelled(p));
    test::WriteFile(swf, "FWS");
    test::WriteFile(fs::path(swf).replace_extension(".flv"), "FLV");
    return TStageResult::Done();
  };
  steps_.WriteHtmlPage = [&](const std::string&, const TSWFParam&) {
    pageWritten = true;
    return TStageResult::Done();
  };
  // A page of an earlier job is not this job's to remove.
  test::WriteFile(out_ / "movie.html", "<html>");
  TTaskArray tasks = Prepare(kOutputSwf, "movie.swf", 1.0, 2.0);
  SWFParam.PublishHtml = true;
  {
    auto owned = Model(tasks);
    TConverterModel& model = *owned;
    Run(model, [&](TConverterModel& m) {
      if (m.State() == TConverterState::Finishing && entered) {
        EXPECT_FALSE(m.PauseEnabled());
        m.CancelClick();
        cancelClicked.Set();
      }
    });
    EXPECT_TRUE(model.Cancelled());
    ASSERT_TRUE(model.Job().Wait(std::chrono::seconds(120)));
    EXPECT_TRUE(model.Job().Result().Cancelled());
  }
  EXPECT_FALSE(fs::exists(out_ / "movie.swf"));
  EXPECT_FALSE(fs::exists(out_ / "movie.flv"));
  EXPECT_FALSE(pageWritten) << "no stage starts after the cancel";
  EXPECT_EQ(test::ReadFile(out_ / "movie.html"), "<html>");
  EXPECT_TRUE(fs::is_empty(TempFolder));
}

}  // namespace
}  // namespace reelcast
