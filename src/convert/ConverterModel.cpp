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

TSegment TaskToSegment(const TTask& task) {
  TSegment s;
  s.SourcePath = task.Base.SourcePath;
  s.VideoStream = task.VideoStreamSelection();
  s.AudioStream = task.AudioStreamSelection();
  s.Volume = task.Volume;
  s.Brightness = task.Brightness;
  s.Contrast = task.Contrast;
  s.Saturation = task.Saturation;
  s.Effect = task.EffectFlags;
  s.PictureValue = static_cast<int32_t>(task.Reserved);
  s.CropLeft = task.Crop.Left;
  s.CropTop = task.Crop.Top;
  s.CropRight = task.Crop.Right;
  s.CropBottom = task.Crop.Bottom;
  s.StartTime = task.Base.BeginTime + task.TrimStart;
  s.EndTime = task.Base.BeginTime + task.TrimEnd;
  s.Encoder = task.Encoder;
  s.OutputPath = task.TempFlvPath;
  s.Status = kSegmentNotStarted;
  return s;
}

void EmptyScratchFolder(const std::string& folder, bool recreate) {
  if (folder.empty()) return;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    if (!it->is_directory(ignored)) fs::remove(it->path(), ignored);
  }
  fs::remove(folder, ec);  // fails, harmlessly, when a sub-folder is left
  if (recreate) fs::create_directories(folder, ec);
}

TConverterModel::TConverterModel(TTaskArray tasks, bool merged, THost host)
    : tasks_(std::move(tasks)), merged_(merged), host_(std::move(host)) {
  ConverterWindow = queue_.Handle();
  // A cancel of an earlier job must not cancel this one's music.
  CancelRequested = 0;
}

TConverterModel::~TConverterModel() {
  if (thread_) {
    thread_->Terminate();
    thread_->Wait();  // the finishing stages write nothing after this
    // A cancelled job leaves no output, also when a stage finished a file
    // after the cancel.
    if (cancelled_) thread_->RemoveOutputsMade();
    thread_.reset();
  }
  EmptyScratchFolder(TempFolder, true);
  bridge_.reset();
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
  const TSWFParam& p = SWFParam;
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
  bridge_ = std::make_unique<TConvWrapper>(queue_.Handle(), merged_);
  if (!tasks_.empty() && fs::exists(tasks_.front().TempFlvPath)) {
    std::string name = fs::path(tasks_.front().TempFlvPath).filename().string();
    if (!Ask("Are you sure you want to replace the existing file '" + name + "'?")) {
      Close();
      return;
    }
  }
  for (const TTask& task : tasks_) bridge_->AddSegment(TaskToSegment(task));
  if (bridge_->Segments().empty()) {
    Close();
    return;
  }
  AddLog("Creating FLV File...");
  state_ = TConverterState::Encoding;
  if (!bridge_->Start()) {
    // A converter that refuses to start never reports; waiting for it would
    // keep the job open for ever.
    FinishFailure("Failed to create the FLV file: " + bridge_->LastError());
  }
}

void TConverterModel::ProcessMessages(std::chrono::milliseconds timeout) {
  auto messages = timeout.count() > 0 ? queue_.WaitAndDrain(timeout) : queue_.Drain();
  for (const TMessage& m : messages) HandleMessage(m);
}

void TConverterModel::HandleMessage(const TMessage& m) {
  if (state_ == TConverterState::Closed) return;  // a closed window gets no messages
  switch (m.Msg) {
    case kMsgEncodeProgress:
      if (!bridge_ || state_ != TConverterState::Encoding) break;
      status_ = "In process of generating FLV file...";
      progress_ = bridge_->OverallPercent();
      timeLabel_ = "Elapsed   Time: " + FormatDuration(bridge_->ElapsedSeconds()) + "\n\r" +
                   "Time Remaining: " + FormatDuration(bridge_->RemainingSeconds());
      Changed();
      break;
    case kMsgEncodeDone:
      if (state_ != TConverterState::Encoding) break;
      if (m.WParam == TConvWrapper::kEncodeFailed) {
        EncodeFailed();
        break;
      }
      AddLog("Succeeded in creating FLV file.");
      if (SWFParam.OutputKind != kOutputFlv) {
        AddLog("In process of generating SWF file...");
        status_ = "In process of generating SWF file...";
        pauseEnabled_ = false;
      }
      timeLabelVisible_ = false;
      state_ = TConverterState::Finishing;
      thread_ = std::make_unique<TEncoderThread>(queue_.Handle());
      Changed();
      break;
    case kMsgMovieProgress:
      progress_ = static_cast<int>(std::min<uintptr_t>(m.WParam, 100));
      Changed();
      break;
    case kMsgStageNotice:
      if (m.WParam == snMusicProgress) {
        progress_ = static_cast<int>(std::clamp<intptr_t>(m.LParam, 0, 100));
      } else if (const char* text = StageNoticeText(static_cast<uint32_t>(m.WParam)); text && *text) {
        status_ = text;
      }
      Changed();
      break;
    case kMsgFlvToSwfDone:
      AddLog("Succeed");
      progress_ = 100;
      if (SWFParam.Template.Kind != 0) {
        AddLog("Creating flash movie...");
        status_ = "In process of integrating template...";
      }
      Changed();
      break;
    case kMsgTemplateDone:
      AddLog("Succeed");
      progress_ = 100;
      Changed();
      break;
    case kMsgJobDone:
      if (finished_ || state_ != TConverterState::Finishing) break;
      EndOfJob(m.WParam == kJobFailed);
      break;
    default:
      break;
  }
}

void TConverterModel::EndOfJob(bool failed) {
  const TSWFParam& p = SWFParam;
  finished_ = true;
  state_ = TConverterState::Finished;
  progress_ = 100;
  // The external FLV beside an output that embeds or wraps the video.
  bool embeds = p.ExportSetting && p.ExportSetting->EmbedType == etEmbedFLV;
  if ((p.OutputKind != kOutputFlv && embeds) || p.OutputKind == kOutputScreenSaver ||
      p.OutputKind == kOutputProjector) {
    if (p.OutputFile.size() >= 4) {
      std::error_code ec;
      fs::remove(p.OutputFile.substr(0, p.OutputFile.size() - 4) + ".flv", ec);
    }
  }
  EmptyScratchFolder(TempFolder, false);
  if (failed) {
    // What the failed stages left (a movie without its template, the
    // movie of a projector that was not made) is not the output asked for.
    if (thread_) thread_->RemoveOutputsMade();
    std::string stage = thread_ ? thread_->FailedStage() : std::string();
    FinishFailure("The conversion failed while " + stage + ".");
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

void TConverterModel::EncodeFailed() {
  EmptyScratchFolder(TempFolder, false);
  FinishFailure("Failed to create the FLV file: " + (bridge_ ? bridge_->LastError() : std::string()));
}

void TConverterModel::FinishFailure(const std::string& text) {
  failure_ = text;
  AddLog("Failed");
  status_ = text;
  NVLog(text);
  Message(text + "\r\nSee the log file: " + LogFilePath());
  Close();
}

void TConverterModel::PauseClick() {
  if (!pauseEnabled_ || !bridge_) return;
  if (pauseState_ == 1) {
    bridge_->Resume();
    pauseState_ = 0;
    pauseCaption_ = "Pause";
  } else {
    bridge_->Pause();
    pauseState_ = 1;
    pauseCaption_ = "Resume";
  }
  Changed();
}

void TConverterModel::CancelClick() {
  if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
  if (pauseEnabled_) {
    // The encode phase, and FLV output throughout.
    if (bridge_) bridge_->Pause();
    bool yes = Ask("Cancel conversion?");
    // Messages handled while the question was open may have moved the job on.
    if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
    if (!yes) {
      if (bridge_) bridge_->Resume();
      return;
    }
    if (!pauseEnabled_) {  // the encoder finished meanwhile: cancel the finishing
      CancelFinishing();
      return;
    }
    pauseState_ = 0;
    pauseCaption_ = "Pause";
    if (bridge_) {
      bridge_->Resume();
      bridge_->Stop();
    }
    if (thread_) thread_->Terminate();
    cancelled_ = true;
    Close();
    return;
  }
  if (!Ask("Cancel conversion?")) return;
  if (state_ == TConverterState::Closed || state_ == TConverterState::Finished) return;
  CancelFinishing();
}

void TConverterModel::CancelFinishing() {
  CancelRequested = 1;
  EmptyScratchFolder(TempFolder, true);
  if (thread_ && thread_->Running()) thread_->Terminate();
  cancelled_ = true;
  Close();
}

}  // namespace reelcast
