#include "convert/ConverterModel.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/JobRecord.h"

namespace reelcast {
namespace fs = std::filesystem;

namespace {

constexpr char kInformation[] = "Information";

std::string FolderOf(const std::string& path) {
  std::string folder = fs::path(path).parent_path().string();
  return folder.empty() ? std::string() : folder + "/";
}

}  // namespace

std::string FormatDuration(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds % 3600 / 60), static_cast<long long>(seconds % 60));
  return text;
}

TConverterModel::TConverterModel(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps, THost host)
    : host_(std::move(host)), hasTasks_(!tasks.empty()) {
  job_ = std::make_unique<TConversionJob>(settings, std::move(tasks), std::move(steps));
}

TConverterModel::~TConverterModel() {
  if (starter_.joinable()) starter_.join();  // the job is started before it is cancelled
  job_.reset();
}

void TConverterModel::Changed() {
  if (host_.Changed) host_.Changed();
}

void TConverterModel::AddLog(const std::string& line) {
  log_.push_back(line);
  Changed();
}

bool TConverterModel::Ask(const std::string& text) {
  return host_.AskYesNo && host_.AskYesNo(text, kInformation);
}

void TConverterModel::Message(const std::string& text) {
  if (host_.ShowMessage) host_.ShowMessage(text, kInformation);
}

void TConverterModel::Close() {
  state_ = TConverterState::Closed;
  Changed();
}

void TConverterModel::Show() {
  const TSWFParam& p = Settings();
  log_.clear();
  AddLog("Source File: " + p.SourceFile);
  if (p.OutputKind != kOutputScreenSaver) {
    std::string out = p.OutputFile;
    if (p.OutputKind == kOutputProjector)
      out = FolderOf(p.OutputFile) + fs::path(p.OutputFile).stem().string() + ".exe";
    AddLog("Output File: " + out);
  }
  AddLog("Template Name: " + p.Template.Name);
  if (p.HasMusic && p.Template.Kind != 2) AddLog("Background Music:" + p.MusicFile);
  state_ = TConverterState::Shown;
}

void TConverterModel::StartStep() {
  if (state_ != TConverterState::Shown && state_ != TConverterState::Created) return;
  if (!hasTasks_) {
    Close();
    return;
  }
  AddLog("Creating FLV File...");
  state_ = TConverterState::Encoding;
  if (host_.StartOffThread) {
    // A job that cannot start posts its end, which the queue's wake-up
    // brings to the front end.
    starter_ = std::thread([job = job_.get(), queue = queue_] { job->Start(queue); });
    return;
  }
  // A job that cannot start has posted its end already.
  if (!job_->Start(queue_)) ProcessEvents();
}

void TConverterModel::ProcessEvents(std::chrono::milliseconds timeout) {
  auto events = timeout.count() > 0 ? queue_->WaitAndDrain(timeout) : queue_->Drain();
  for (const TJobEvent& e : events) HandleEvent(e);
}

void TConverterModel::HandleEvent(const TJobEvent& e) {
  if (state_ == TConverterState::Closed) return;  // a closed window gets no events
  switch (e.Kind) {
    case TJobEventKind::EncodeProgress:
      if (state_ != TConverterState::Encoding) break;
      encode_ = e.Encode;
      status_ = "In process of generating FLV file...";
      progress_ = e.Encode.OverallPercent;
      timeLabel_ = "Elapsed   Time: " + FormatDuration(e.Encode.ElapsedSeconds) + "\n\r" +
                   "Time Remaining: " + FormatDuration(e.Encode.RemainingSeconds);
      Changed();
      break;
    case TJobEventKind::EncodeDone:
      if (state_ != TConverterState::Encoding) break;
      AddLog("Succeeded in creating FLV file.");
      if (Settings().OutputKind != kOutputFlv) {
        AddLog("In process of generating SWF file...");
        status_ = "In process of generating SWF file...";
        pauseEnabled_ = false;
      }
      timeLabelVisible_ = false;
      state_ = TConverterState::Finishing;
      Changed();
      break;
    case TJobEventKind::MovieProgress:
      progress_ = std::clamp(e.Value, 0, 100);
      Changed();
      break;
    case TJobEventKind::StageNotice:
      if (e.SubCode == snMusicProgress) {
        progress_ = std::clamp(e.Value, 0, 100);
      } else if (const char* text = StageNoticeText(e.SubCode); text && *text) {
        status_ = text;
      }
      Changed();
      break;
    case TJobEventKind::FlvToSwfDone:
      AddLog("Succeed");
      progress_ = 100;
      if (Settings().Template.Kind != 0) {
        AddLog("Creating flash movie...");
        status_ = "In process of integrating template...";
      }
      Changed();
      break;
    case TJobEventKind::TemplateDone:
      AddLog("Succeed");
      progress_ = 100;
      Changed();
      break;
    case TJobEventKind::JobEnd:
      if (finished_ || (state_ != TConverterState::Encoding && state_ != TConverterState::Finishing)) break;
      EndOfJob(e.Result);
      break;
  }
}

void TConverterModel::EndOfJob(const TJobResult& result) {
  const TSWFParam& p = Settings();
  finished_ = true;
  state_ = TConverterState::Finished;
  progress_ = 100;
  if (result.Cancelled()) {
    cancelled_ = true;
    Close();
    return;
  }
  if (result.Failed()) {
    FinishFailure(result.Text());
    return;
  }
  AddLog("Succeed");
  succeeded_ = true;
  Message("All conversion tasks have been finished.");
  Close();
  const std::string folder = FolderOf(p.OutputFile);
  if (p.OutputKind == kOutputProjector) {
    std::string exe = folder + fs::path(p.OutputFile).stem().string() + ".exe";
    NVLog("Open .exe file:" + exe);
    if (host_.OpenPath) host_.OpenPath(exe);
  } else if (p.OutputKind == kOutputFlv || p.OutputKind == kOutputSwf) {
    if (host_.OpenPath) host_.OpenPath(folder);
  }
  int32_t useFtp = 0;
  NVGetConfigInt("System.bUseFTP", &useFtp);
  if (useFtp > 0) {
    if (p.OutputKind == kOutputScreenSaver)
      Message("Sorry,the generated Screen saver can't be uploaded to FTP server.\r\n"
              "It will show in Screen Saver of your computer.");
    else if (host_.Upload)
      host_.Upload(folder);
  }
}

void TConverterModel::FinishFailure(const std::string& text) {
  failure_ = text;
  AddLog("Failed");
  status_ = text;
  Message(text + "\r\nSee the log file: " + LogFilePath());
  Close();
}

void TConverterModel::PauseClick() {
  if (!pauseEnabled_ || state_ != TConverterState::Encoding) return;
  if (pauseState_ == 1) {
    job_->Resume();
    pauseState_ = 0;
    pauseCaption_ = "Pause";
  } else {
    job_->Pause();
    pauseState_ = 1;
    pauseCaption_ = "Resume";
  }
  Changed();
}

void TConverterModel::CancelClick() {
  if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
  if (pauseEnabled_) {
    // The encode phase, and FLV output throughout.
    job_->Pause();
    bool yes = Ask("Cancel conversion?");
    // Events handled while the question was open may have moved the job on.
    if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
    if (!yes) {
      job_->Resume();
      return;
    }
    if (!pauseEnabled_) {  // the encoder finished meanwhile: cancel the finishing
      CancelFinishing();
      return;
    }
    pauseState_ = 0;
    pauseCaption_ = "Pause";
    job_->Resume();
    CancelFinishing();
    return;
  }
  if (!Ask("Cancel conversion?")) return;
  if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
  CancelFinishing();
}

void TConverterModel::CancelFinishing() {
  job_->Cancel();
  cancelled_ = true;
  Close();
}

}  // namespace reelcast
