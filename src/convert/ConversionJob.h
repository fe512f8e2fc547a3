// One conversion job as a value: the DVD tasks encoded into one FLV, then
// finished into the requested output, on the job's own thread.
//
//   auto events = std::make_shared<TJobEventQueue>();
//   TConversionJob job(settings, tasks, PublishSteps(pageOptions, titles));
//   job.Start(events);                 // returns at once
//   ... drain events on your own thread: EncodeProgress, EncodeDone,
//   ... StageNotice, MovieProgress, FlvToSwfDone, TemplateDone, and one
//   ... JobEnd whose Result says succeeded / failed at S because R /
//   ... cancelled; job.Pause(), Resume(), Cancel() at any time.
//
// The job works on its own copy of the settings (with their preloader and
// export settings) and its own scratch folder under TempFolder, which it
// removes at its end. Every output is written under its final name into a
// hidden staging folder beside its destination and moved over the old
// files only when the whole job succeeded; a failed or cancelled job leaves
// every file that was there unchanged and no new file behind. Two jobs that
// would write the same output (in this process or another) cannot run at
// once: the second one's Start fails with a message saying so.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/ConvWrapper.h"
#include "convert/EncoderThread.h"
#include "convert/JobMessages.h"
#include "convert/JobRecord.h"
#include "convert/StageReport.h"
#include "sources/Task.h"

namespace reelcast {

class TOutputClaim;

// Turns a task into the codec bridge's segment: source, stream choices,
// picture values, crop, start and end on the source's time base, the
// encoder block and the temporary FLV path.
TSegment TaskToSegment(const TTask& task);

class TConversionJob : private TStageReport {
 public:
  // settings: what the front end filled (copied, with the objects it points
  // to); tasks: the sources in order (at least one); steps: the publishing
  // routines (PublishSteps of the publishing code).
  TConversionJob(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps);
  // Cancels a job still running and waits for its end.
  ~TConversionJob();
  TConversionJob(const TConversionJob&) = delete;
  TConversionJob& operator=(const TConversionJob&) = delete;

  // Claims the outputs, makes the scratch and staging folders and starts
  // the job's thread. Events go to events while the receiver keeps it. When
  // the job cannot start (another job writes the same output, a folder
  // cannot be made, nothing to convert) it ends at once: false, and the
  // JobEnd event with the failure has been posted. A job starts once.
  bool Start(std::weak_ptr<TJobEventQueue> events);
  // Pause and resume the encoder (the finishing stages are not paused).
  void Pause();
  void Resume();
  // Asks the job to end as cancelled; returns at once. Until the last
  // output is in place the job puts back what it had moved; after that
  // it has no effect (the job then ends as succeeded).
  void Cancel();

  bool Ended() const;
  // Waits for the job's end (at most timeout); true when it has ended.
  bool Wait(std::chrono::milliseconds timeout = std::chrono::hours(24 * 365));
  // The job's result once Ended().
  TJobResult Result() const;

  // The settings as given (OutputFile is the final path).
  const TSWFParam& Settings() const { return settings_.Param(); }
  // The job's scratch folder (empty before Start).
  std::string ScratchFolder() const;
  // The file the job delivers: OutputFile; the ".exe" for a projector; the
  // installed ".scr" for a screen saver.
  std::string OutputPath() const;

 private:
  // TStageReport, for the finishing stages.
  void Notice(TStageNotice notice, int32_t value) override;
  void MovieProgress(int percent) override;
  bool CancelRequested() const override;

  std::string Prepare();
  void Run();
  TJobResult Encode();
  TJobResult Commit();
  std::string FailureReason(const TJobResult& result) const;
  void CleanUp();
  void End(const TJobResult& result);
  void Post(const TJobEvent& event);
  void OnBridge(TJobEventKind kind, bool failed);

  TJobSettings settings_;  // as given
  TJobSettings work_;      // what the stages see: scratch folder, staged outputs
  TTaskArray tasks_;
  TFinishingSteps steps_;
  std::weak_ptr<TJobEventQueue> events_;
  std::string outputFolder_;      // where the outputs go
  std::string stagingFolder_;     // beside them, removed at the end
  std::string screenSaverPath_;   // the staged ".scr"
  std::unique_ptr<TOutputClaim> claim_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::unique_ptr<TConvWrapper> bridge_;
  bool started_ = false;
  bool encodeDone_ = false;
  bool encodeFailed_ = false;
  bool placed_ = false;  // every output is in place: a cancel is too late
  bool ended_ = false;
  std::atomic<bool> cancelled_{false};
  TJobResult result_;
  std::thread thread_;
};

}  // namespace reelcast
