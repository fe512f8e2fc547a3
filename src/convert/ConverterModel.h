// The progress window's logic, shared by the desktop window and the
// terminal display: it runs one conversion job (TConversionJob) from the
// encode phase to the end, driven by the job's events, the Pause and Cancel
// buttons and the start timer, and exposes what the window shows (log
// lines, status line, progress bar, time label, Pause button).
//
// A front end drains Queue() on its own thread (ProcessEvents, or
// HandleEvent for each event it takes from the queue); the queue's wake-up
// tells it when there is something to drain.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "convert/ConversionJob.h"
#include "convert/JobMessages.h"
#include "sources/Task.h"

namespace reelcast {

// "hh:mm:ss" of a whole number of seconds; hours take as many digits as
// they need (at least two). Negative values show as 0.
std::string FormatDuration(int64_t seconds);

enum class TConverterState { Created, Shown, Encoding, Finishing, Finished, Closed };

class TConverterModel {
 public:
  // What the front end provides; every member may be empty (a question
  // without an answer counts as No).
  struct THost {
    std::function<bool(const std::string& text, const std::string& caption)> AskYesNo;
    std::function<void(const std::string& text, const std::string& caption)> ShowMessage;
    // Open a file or folder the way the desktop's shell would.
    std::function<void(const std::string& path)> OpenPath;
    // The FTP upload dialog for the output folder.
    std::function<void(const std::string& folder)> Upload;
    // Something shown has changed.
    std::function<void()> Changed;
    // Start the job on a thread of its own instead of in StartStep: claiming
    // the outputs and making the job's folders then never hold up the
    // caller's thread (a window's event loop). A job that cannot start posts
    // its end to Queue() either way.
    bool StartOffThread = false;
  };

  // The job of settings (copied) and tasks, finished with steps.
  TConverterModel(const TSWFParam& settings, TTaskArray tasks, TFinishingSteps steps, THost host);
  // Cancels a job still running and waits for its end (the job removes its
  // scratch folder and staged outputs).
  ~TConverterModel();
  TConverterModel(const TConverterModel&) = delete;
  TConverterModel& operator=(const TConverterModel&) = delete;

  // Where the job's events arrive.
  const std::shared_ptr<TJobEventQueue>& Queue() const { return queue_; }
  TConversionJob& Job() { return *job_; }
  const TConversionJob& Job() const { return *job_; }

  // Showing: the summary lines; the start timer would run next.
  void Show();
  // The start timer's step: starts the job (see THost::StartOffThread).
  void StartStep();
  void HandleEvent(const TJobEvent& event);
  // Handles everything posted so far; waits up to timeout for the first.
  void ProcessEvents(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
  void PauseClick();
  // Cancel and the close button: asks "Cancel conversion?" and cancels the
  // phase the job is in.
  void CancelClick();

  TConverterState State() const { return state_; }
  bool Closed() const { return state_ == TConverterState::Closed; }
  bool Succeeded() const { return succeeded_; }
  bool Cancelled() const { return cancelled_; }
  // Why a failed job failed (empty after a success or a cancel).
  const std::string& Failure() const { return failure_; }

  const std::vector<std::string>& LogLines() const { return log_; }
  const std::string& StatusText() const { return status_; }
  int Progress() const { return progress_; }
  const std::string& TimeLabel() const { return timeLabel_; }
  bool TimeLabelVisible() const { return timeLabelVisible_; }
  // The encoder's counters of the last EncodeProgress.
  const TEncodeCounters& Encode() const { return encode_; }
  const std::string& PauseCaption() const { return pauseCaption_; }
  bool PauseEnabled() const { return pauseEnabled_; }
  int PauseState() const { return pauseState_; }

 private:
  void AddLog(const std::string& line);
  void Close();
  void Changed();
  void EndOfJob(const TJobResult& result);
  void FinishFailure(const std::string& text);
  void CancelFinishing();
  bool Ask(const std::string& text);
  void Message(const std::string& text);
  const TSWFParam& Settings() const { return job_->Settings(); }

  THost host_;
  std::shared_ptr<TJobEventQueue> queue_ = std::make_shared<TJobEventQueue>();
  std::unique_ptr<TConversionJob> job_;
  std::thread starter_;  // runs the job's Start with StartOffThread
  bool hasTasks_;
  TConverterState state_ = TConverterState::Created;
  bool finished_ = false;
  bool succeeded_ = false;
  bool cancelled_ = false;
  std::string failure_;

  std::vector<std::string> log_;
  std::string status_ = "Wait ...";
  int progress_ = 0;
  std::string timeLabel_ = "Elapsed Time :     00:00:00 \rTime Remaining : 00:00:00";
  bool timeLabelVisible_ = true;
  TEncodeCounters encode_;
  std::string pauseCaption_ = "&Pause";
  bool pauseEnabled_ = true;
  int pauseState_ = 0;
};

}  // namespace reelcast
