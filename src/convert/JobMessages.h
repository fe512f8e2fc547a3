// What a conversion job tells its front end: typed events whose kinds keep
// the job's message numbers, the one result a job ends with, and the queue
// a front end drains on its own thread.
//
// A front end owns a TJobEventQueue (through a shared_ptr) and hands the job
// a weak reference to it. Posting takes the queue's lock only to append, so
// the job never waits for the front end; once the front end has dropped its
// queue, the job's events are simply dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace reelcast {

// The kinds of job events, numbered as the job's window messages
// (decimal; hexadecimal in the comment).
enum class TJobEventKind : uint32_t {
  EncodeProgress = 4024,  // 0xFB8 the encoder's counters changed (Encode)
  EncodeDone = 4025,      // 0xFB9 the temporary FLV is complete; finishing starts
  FlvToSwfDone = 2281,    // 0x8E9 the FLV-to-SWF step is done
  TemplateDone = 2283,    // 0x8EB the template-movie step is done
  JobEnd = 2278,          // 0x8E6 the job has ended (Result); exactly once per job
  MovieProgress = 3031,   // 0xBD7 Value = percent 0..100 of writing a movie
  StageNotice = 3032,     // 0xBD8 SubCode = TStageNotice, Value = its value
};

// Sub-codes of TJobEventKind::StageNotice.
enum TStageNotice : uint32_t {
  snSaving = 0,               // a movie is built and about to be written
  snAddingMusic = 1,          // the music pass of a movie starts
  snIntegratingTemplate = 2,  // never posted; the text exists for the window's table
  snMakingExe = 3,
  snMakingHtml = 4,
  snMakingScreenSaver = 5,
  snMakingMusic = 6,
  snMusicProgress = 7,  // Value = percent 1..100, shown on the progress bar
};

// The status text the progress window shows for a sub-code; empty for
// snMusicProgress and unknown codes.
const char* StageNoticeText(uint32_t subCode);

enum class TJobOutcome { Succeeded, Failed, Cancelled };

// How a job ended: succeeded, failed at a stage for a reason, or cancelled.
struct TJobResult {
  TJobOutcome Outcome = TJobOutcome::Succeeded;
  std::string Stage;   // failed: what the job was doing ("making the projector")
  std::string Reason;  // failed: why, naming the path concerned

  static TJobResult Success() { return {}; }
  static TJobResult Failure(std::string stage, std::string reason) {
    return {TJobOutcome::Failed, std::move(stage), std::move(reason)};
  }
  static TJobResult Cancel() { return {TJobOutcome::Cancelled, {}, {}}; }

  bool Succeeded() const { return Outcome == TJobOutcome::Succeeded; }
  bool Failed() const { return Outcome == TJobOutcome::Failed; }
  bool Cancelled() const { return Outcome == TJobOutcome::Cancelled; }
  // The sentence both front ends show for a failure: "Failed to create the
  // FLV file: R" for the encoder, else "The conversion failed while S: R.".
  std::string Text() const;
  bool operator==(const TJobResult&) const = default;
};

// The stage name of a failed encode phase.
inline constexpr char kEncodeStage[] = "creating the FLV file";

// The encoder's counters at an EncodeProgress event.
struct TEncodeCounters {
  int32_t OverallPercent = 0;
  int32_t ElapsedSeconds = 0;
  int32_t RemainingSeconds = 0;  // 0 while the speed is unknown
  int32_t CurrentFrame = 0;
  bool operator==(const TEncodeCounters&) const = default;
};

struct TJobEvent {
  TJobEvent() = default;
  // An event of this kind, the fields that go with it set after; not
  // explicit, so that {kind} is such an event.
  TJobEvent(TJobEventKind kind) : Kind(kind) {}

  TJobEventKind Kind = TJobEventKind::EncodeProgress;
  uint32_t SubCode = 0;     // StageNotice: a TStageNotice (other codes are ignored)
  int32_t Value = 0;        // MovieProgress: percent; StageNotice: the sub-code's value
  TEncodeCounters Encode;   // EncodeProgress
  TJobResult Result;        // JobEnd
  bool operator==(const TJobEvent&) const = default;
};

class TJobEventQueue {
 public:
  TJobEventQueue() = default;
  TJobEventQueue(const TJobEventQueue&) = delete;
  TJobEventQueue& operator=(const TJobEventQueue&) = delete;

  // Appends and wakes the receiver; returns at once.
  void Post(const TJobEvent& event);
  // Everything posted so far, oldest first; empties the queue.
  std::vector<TJobEvent> Drain();
  // Waits up to timeout for at least one event, then drains.
  std::vector<TJobEvent> WaitAndDrain(std::chrono::milliseconds timeout);
  size_t Pending() const;

  // Called on the posting thread after every post, to wake the receiver's
  // event loop (a desktop front end queues a call to its own thread here).
  // It must be quick and must not post.
  void SetWakeUp(std::function<void()> wakeUp);

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<TJobEvent> events_;
  std::function<void()> wakeUp_;
};

// Posts to a queue that may be gone; false when it is (the event is dropped).
bool PostJobEvent(const std::weak_ptr<TJobEventQueue>& queue, const TJobEvent& event);

}  // namespace reelcast
