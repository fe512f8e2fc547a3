#include "convert/ConversionJob.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/statvfs.h>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/SideFiles.h"
#include "convert/OutputClaim.h"

namespace reelcast {
namespace fs = std::filesystem;

namespace {

std::string FolderOf(const std::string& path) {
  std::string folder = fs::path(path).parent_path().string();
  return folder.empty() ? std::string("./") : folder + "/";
}

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

// A new folder prefix + six random characters; empty when it cannot be made
// (error then says why).
std::string MakeUniqueFolder(const std::string& prefix, std::string& error) {
  std::string pattern = prefix + "XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    error = std::strerror(errno);
    return "";
  }
  return pattern + "/";
}

void RemoveTree(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (ec) NVLog("Cannot remove the folder " + folder + ": " + ec.message());
}

}  // namespace

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

TConversionJob::TConversionJob(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps)
    : settings_(settings), work_(settings), tasks_(std::move(tasks)), steps_(std::move(steps)) {
  settings_.Param().ScratchFolder.clear();
  settings_.Param().Report = nullptr;
}

TConversionJob::~TConversionJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

std::string TConversionJob::OutputPath() const {
  const TSWFParam& p = Settings();
  if (p.OutputKind == kOutputScreenSaver) return ScreenSaverFolder() + fs::path(p.OutputFile).stem().string() + kScrExt;
  return ExpectedOutputPath(p);
}

std::string TConversionJob::ScratchFolder() const {
  std::lock_guard lock(mutex_);
  return work_.Param().ScratchFolder;
}

bool TConversionJob::Start(std::weak_ptr<TJobEventQueue> events) {
  {
    std::lock_guard lock(mutex_);
    if (started_) return false;
    started_ = true;
    events_ = std::move(events);
  }
  if (std::string error = Prepare(); !error.empty()) {
    CleanUp();
    End(TJobResult::Failure("starting the job", error));
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

// Claims the outputs and makes the folders; the reason when it cannot.
std::string TConversionJob::Prepare() {
  const TSWFParam& p = Settings();
  if (tasks_.empty()) return "there is nothing to convert";
  const std::string output = OutputPath();
  outputFolder_ = FolderOf(output);
  std::error_code ec;
  if (fs::is_directory(output, ec)) return "the output " + output + " is a folder";
  std::vector<std::string> claimed = {output};
  if (p.OutputKind == kOutputProjector) claimed.push_back(p.OutputFile);
  std::string busy;
  claim_ = TOutputClaim::Take(claimed, busy);
  if (!claim_) return "another conversion is writing " + busy + "; wait for it to end or choose another output";

  std::string error;
  fs::create_directories(TempFolder, ec);
  std::string scratch = MakeUniqueFolder(TempFolder + "job-", error);
  if (scratch.empty()) return "cannot make a scratch folder in " + TempFolder + ": " + error;
  fs::create_directories(outputFolder_, ec);
  std::string staging = MakeUniqueFolder(outputFolder_ + "." + NameOf(output) + ".part-", error);
  {
    std::lock_guard lock(mutex_);
    work_.Param().ScratchFolder = scratch;
    stagingFolder_ = staging;
  }
  if (staging.empty()) return "cannot write in the folder " + outputFolder_ + ": " + error;

  TSWFParam& w = work_.Param();
  w.Report = this;
  if (p.OutputKind == kOutputScreenSaver) {
    // The movie is a scratch file; the saver is what gets installed.
    w.OutputFile = scratch + NameOf(p.OutputFile);
    screenSaverPath_ = staging + NameOf(output);
  } else {
    w.OutputFile = staging + NameOf(p.OutputFile);
  }
  for (TTask& task : tasks_) task.TempFlvPath = TemporaryFlvPath(w);
  return "";
}

void TConversionJob::Run() {
  TJobResult result;
  const TSWFParam& w = work_.Param();
  if (w.OutputKind != kOutputFlv && w.Template.Kind == 1 && w.Template.Name != "None") {
    // The template's copy and its title movies, in this job's scratch folder.
    TStageResult r = steps_.PrepareTemplate ? steps_.PrepareTemplate(w)
                                            : TStageResult::Failed("general templates are not available in this version");
    if (!r) result = TJobResult::Failure("integrating the template \"" + w.Template.Name + "\"", r.Reason);
  }
  if (result.Succeeded()) result = Encode();
  if (result.Succeeded() && cancelled_) result = TJobResult::Cancel();
  if (result.Succeeded()) {
    Post({TJobEventKind::EncodeDone});
    TEncoderThread stages(w, steps_, [this](TJobEventKind kind) { Post({kind}); }, screenSaverPath_);
    result = stages.Execute();
  }
  if (result.Succeeded()) result = Commit();
  if (result.Failed()) result.Reason = FailureReason(result);
  CleanUp();
  End(result);
}

TJobResult TConversionJob::Encode() {
  auto bridge = std::make_unique<TConvWrapper>(
      [this](TJobEventKind kind, bool failed) { OnBridge(kind, failed); }, true);
  for (const TTask& task : tasks_) bridge->AddSegment(TaskToSegment(task));
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return TJobResult::Cancel();
    bridge_ = std::move(bridge);
  }
  if (!bridge_->Start()) {
    std::string error = bridge_->LastError();
    std::lock_guard lock(mutex_);
    bridge_.reset();
    return TJobResult::Failure(kEncodeStage, error);
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return encodeDone_ || cancelled_; });
  const bool stop = !encodeDone_;
  lock.unlock();
  if (stop) bridge_->Stop();  // returns when the converter has stopped
  const std::string error = encodeFailed_ ? bridge_->LastError() : std::string();
  lock.lock();
  std::unique_ptr<TConvWrapper> done = std::move(bridge_);
  lock.unlock();
  done.reset();  // no callback comes after this
  if (stop) return TJobResult::Cancel();
  if (encodeFailed_) return TJobResult::Failure(kEncodeStage, error);
  return TJobResult::Success();
}

void TConversionJob::OnBridge(TJobEventKind kind, bool failed) {
  if (kind == TJobEventKind::EncodeDone) {
    {
      std::lock_guard lock(mutex_);
      encodeDone_ = true;
      encodeFailed_ = failed;
    }
    changed_.notify_all();
    return;
  }
  // Called by the bridge, so it lives; its counters are atomics.
  TJobEvent event{TJobEventKind::EncodeProgress};
  std::unique_lock lock(mutex_, std::try_to_lock);
  const TConvWrapper* bridge = bridge_.get();
  if (!lock.owns_lock() || !bridge) return;  // a report while the job moves on is not needed
  event.Encode = {bridge->OverallPercent(), bridge->ElapsedSeconds(), bridge->RemainingSeconds(),
                  bridge->CurrentFrame()};
  lock.unlock();
  Post(event);
}

// Moves every staged file over its destination, the files of a staged
// folder (the player's files beside a page) into the same folder there.
// All or nothing: the old files are first set aside in the staging folder,
// and put back when a move fails or a cancel comes before the last file
// is in place.
TJobResult TConversionJob::Commit() {
  const std::string failedStage = "putting the output in place";
  const std::string aside = stagingFolder_ + ".old/";
  std::vector<std::string> names;  // relative to the staging folder
  std::error_code ec;
  for (fs::recursive_directory_iterator it(stagingFolder_, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), stagingFolder_).string());
  if (ec) return TJobResult::Failure(failedStage, stagingFolder_ + ": " + ec.message());
  for (const std::string& name : names)
    if (fs::is_directory(outputFolder_ + name, ec))
      return TJobResult::Failure(failedStage, "the output " + outputFolder_ + name + " is a folder");
  std::vector<std::string> setAside, placed, madeFolders;
  auto undo = [&](const TJobResult& result) {
    std::error_code ignored;
    for (const std::string& name : placed) fs::remove(outputFolder_ + name, ignored);
    for (const std::string& name : setAside) fs::rename(aside + name, outputFolder_ + name, ignored);
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) fs::remove(*it, ignored);
    return result;
  };
  auto rollBack = [&](const std::string& why) { return undo(TJobResult::Failure(failedStage, why)); };
  // Makes the folders of name below root that are missing; those made below
  // the output folder are noted so that a roll back removes them.
  auto makeFolders = [&](const std::string& root, const std::string& name, bool note) {
    std::string folder = root;
    for (const fs::path& part : fs::path(name).parent_path()) {
      folder += part.string() + "/";
      if (fs::is_directory(folder, ec)) continue;
      if (!fs::create_directory(folder, ec) && ec) return folder + ": " + ec.message();
      if (note) madeFolders.push_back(folder);
    }
    return std::string();
  };
  for (const std::string& name : names) {
    if (cancelled_) return undo(TJobResult::Cancel());
    if (!fs::exists(fs::symlink_status(outputFolder_ + name, ec))) continue;
    if (setAside.empty() && !fs::is_directory(aside, ec) && !fs::create_directory(aside, ec) && ec)
      return rollBack("cannot make the folder " + aside + ": " + ec.message());
    if (std::string error = makeFolders(aside, name, false); !error.empty())
      return rollBack("cannot make the folder " + error);
    fs::rename(outputFolder_ + name, aside + name, ec);
    if (ec) return rollBack("cannot replace " + outputFolder_ + name + ": " + ec.message());
    setAside.push_back(name);
  }
  for (const std::string& name : names) {
    if (cancelled_) return undo(TJobResult::Cancel());
    if (std::string error = makeFolders(outputFolder_, name, true); !error.empty())
      return rollBack("cannot make the folder " + error);
    fs::rename(stagingFolder_ + name, outputFolder_ + name, ec);
    if (ec) return rollBack("cannot move " + name + " to " + outputFolder_ + ": " + ec.message());
    placed.push_back(name);
  }
  {
    // From here on the outputs are the job's result: a cancel comes too late.
    std::lock_guard lock(mutex_);
    if (cancelled_) return undo(TJobResult::Cancel());
    placed_ = true;
  }
  for (const std::string& name : names)
    if (name.find('/') == std::string::npos) NVLog("Output: " + outputFolder_ + name);
  return TJobResult::Success();
}

// A failure as the user should read it. The routines speak of the staged
// files, which the user never sees: those are named by their destination.
// A routine that ran out of space says so in its own words; the job says it
// one way: "no space left on device for PATH", PATH the file as the user
// knows it: the output for a staged file, the temporary FLV for the
// scratch folder.
std::string TConversionJob::FailureReason(const TJobResult& result) const {
  std::string reason = result.Reason;
  std::string staging, scratch;
  {
    std::lock_guard lock(mutex_);
    staging = stagingFolder_;
    scratch = work_.Param().ScratchFolder;
  }
  std::string lower = reason;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.find("no space left on device") == std::string::npos) {
    if (staging.empty()) return reason;
    for (size_t at = reason.find(staging); at != std::string::npos;
         at = reason.find(staging, at + outputFolder_.size()))
      reason.replace(at, staging.size(), outputFolder_);
    return reason;
  }
  const std::string flv = tasks_.empty() ? scratch : tasks_.front().TempFlvPath;
  auto freeBytes = [](const std::string& folder) {
    struct statvfs s {};
    return ::statvfs(folder.c_str(), &s) == 0 ? static_cast<double>(s.f_bavail) * s.f_frsize : -1.0;
  };
  std::string path;
  if (!staging.empty() && reason.find(staging) != std::string::npos) {
    // The staged file's own name when the reason gives it, else the output.
    path = OutputPath();
    const std::string stem = fs::path(Settings().OutputFile).stem().string();
    for (const std::string& name : {NameOf(Settings().OutputFile), stem + ".html", stem + ".flv"})
      if (reason.find(staging + name) != std::string::npos) path = outputFolder_ + name;
  } else if (result.Stage == kEncodeStage || (!scratch.empty() && reason.find(scratch) != std::string::npos)) {
    path = flv;
  } else {
    // No path given: the fuller of the two disks the job writes on.
    path = freeBytes(outputFolder_) <= freeBytes(scratch) ? OutputPath() : flv;
  }
  return "no space left on device for " + path;
}

void TConversionJob::CleanUp() {
  std::string scratch, staging;
  {
    std::lock_guard lock(mutex_);
    scratch = work_.Param().ScratchFolder;
    staging = stagingFolder_;
  }
  RemoveTree(staging);
  RemoveTree(scratch);
  claim_.reset();
}

void TConversionJob::End(const TJobResult& result) {
  {
    std::lock_guard lock(mutex_);
    result_ = result;
    ended_ = true;
  }
  if (result.Failed()) NVLog(result.Text());
  TJobEvent event{TJobEventKind::JobEnd};
  event.Result = result;
  Post(event);
  changed_.notify_all();
}

void TConversionJob::Post(const TJobEvent& event) { PostJobEvent(events_, event); }

void TConversionJob::Pause() {
  std::lock_guard lock(mutex_);
  if (bridge_ && !encodeDone_) bridge_->Pause();
}

void TConversionJob::Resume() {
  std::lock_guard lock(mutex_);
  if (bridge_ && !encodeDone_) bridge_->Resume();
}

void TConversionJob::Cancel() {
  {
    std::lock_guard lock(mutex_);
    if (placed_ || ended_) return;
    cancelled_ = true;
  }
  changed_.notify_all();
}

bool TConversionJob::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

bool TConversionJob::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return ended_; });
}

TJobResult TConversionJob::Result() const {
  std::lock_guard lock(mutex_);
  return result_;
}

void TConversionJob::Notice(TStageNotice notice, int32_t value) {
  TJobEvent event{TJobEventKind::StageNotice};
  event.SubCode = notice;
  event.Value = value;
  Post(event);
}

void TConversionJob::MovieProgress(int percent) {
  TJobEvent event{TJobEventKind::MovieProgress};
  event.Value = percent;
  Post(event);
}

bool TConversionJob::CancelRequested() const { return cancelled_; }

}  // namespace reelcast
