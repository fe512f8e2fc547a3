// The progress window's logic, shared by the desktop window and the
// terminal display: it runs one conversion job from the encode phase to the
// end, driven by the posted job messages, the Pause and Cancel buttons and
// the start timer, and exposes what the window shows (log lines, status
// line, progress bar, time label, Pause button).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/ConvWrapper.h"
#include "convert/EncoderThread.h"
#include "convert/JobMessages.h"
#include "sources/Task.h"

namespace reelcast {

// "hh:mm:ss" of a whole number of seconds; hours take as many digits as
// they need (at least two). Negative values show as 0.
std::string FormatDuration(int64_t seconds);

// Turns a task into the codec bridge's segment: source, stream choices,
// picture values, crop, start and end on the source's time base, the
// encoder block and the temporary FLV path.
TSegment TaskToSegment(const TTask& task);

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
  };

  // merged: all tasks into one output (the main window always passes true).
  TConverterModel(TTaskArray tasks, bool merged, THost host);
  // Empties and re-creates the scratch folder, waits for a finishing thread
  // still running, frees the bridge.
  ~TConverterModel();
  TConverterModel(const TConverterModel&) = delete;
  TConverterModel& operator=(const TConverterModel&) = delete;

  // The handle job messages are posted to (also ConverterWindow).
  TWindowHandle Handle() const { return queue_.Handle(); }
  TMessageQueue& Queue() { return queue_; }

  // Showing: the summary lines; the start timer would run next.
  void Show();
  // The start timer's step: asks the replace question, builds the segments
  // and starts the codec bridge.
  void StartStep();
  void HandleMessage(const TMessage& message);
  // Handles everything posted so far; waits up to timeout for the first.
  void ProcessMessages(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
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
  const std::string& PauseCaption() const { return pauseCaption_; }
  bool PauseEnabled() const { return pauseEnabled_; }
  int PauseState() const { return pauseState_; }
  const TConvWrapper* Bridge() const { return bridge_.get(); }

 private:
  void AddLog(const std::string& line);
  void Close();
  void Changed();
  void EndOfJob(bool failed);
  void EncodeFailed();
  void FinishFailure(const std::string& text);
  void CancelFinishing();
  bool Ask(const std::string& text);
  void Message(const std::string& text);

  TTaskArray tasks_;
  bool merged_;
  THost host_;
  TMessageQueue queue_;
  std::unique_ptr<TConvWrapper> bridge_;
  std::unique_ptr<TEncoderThread> thread_;
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
  std::string pauseCaption_ = "&Pause";
  bool pauseEnabled_ = true;
  int pauseState_ = 0;
};

// Deletes every file directly inside folder and removes it (it stays when
// a sub-folder is left); recreate makes it again, empty.
void EmptyScratchFolder(const std::string& folder, bool recreate);

}  // namespace reelcast
