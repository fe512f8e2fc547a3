#include "convert/JobMessages.h"

namespace reelcast {

const char* StageNoticeText(uint32_t subCode) {
  switch (subCode) {
    case snSaving: return "Saving the converted file, please wait a moment...";
    case snAddingMusic: return "In process of adding background music...";
    case snIntegratingTemplate: return "In process of integrating template...";
    case snMakingExe: return "In process of generating EXE file...";
    case snMakingHtml: return "In process of generating Html file...";
    case snMakingScreenSaver: return "In process of generating ScreenSava file...";
    case snMakingMusic: return "In process of creating background music file...";
    default: return "";
  }
}

std::string TJobResult::Text() const {
  switch (Outcome) {
    case TJobOutcome::Succeeded: return "All conversion tasks have been finished.";
    case TJobOutcome::Cancelled: return "Cancelled.";
    case TJobOutcome::Failed: break;
  }
  if (Stage == kEncodeStage) return "Failed to create the FLV file: " + Reason;
  return "The conversion failed while " + Stage + (Reason.empty() ? "" : ": " + Reason) + ".";
}

void TJobEventQueue::Post(const TJobEvent& event) {
  std::function<void()> wakeUp;
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    wakeUp = wakeUp_;
  }
  posted_.notify_one();
  if (wakeUp) wakeUp();
}

std::vector<TJobEvent> TJobEventQueue::Drain() {
  std::lock_guard lock(mutex_);
  std::vector<TJobEvent> out(events_.begin(), events_.end());
  events_.clear();
  return out;
}

std::vector<TJobEvent> TJobEventQueue::WaitAndDrain(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  posted_.wait_for(lock, timeout, [this] { return !events_.empty(); });
  std::vector<TJobEvent> out(events_.begin(), events_.end());
  events_.clear();
  return out;
}

size_t TJobEventQueue::Pending() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

void TJobEventQueue::SetWakeUp(std::function<void()> wakeUp) {
  std::lock_guard lock(mutex_);
  wakeUp_ = std::move(wakeUp);
}

bool PostJobEvent(const std::weak_ptr<TJobEventQueue>& queue, const TJobEvent& event) {
  std::shared_ptr<TJobEventQueue> receiver = queue.lock();
  if (!receiver) return false;
  receiver->Post(event);
  return true;
}

}  // namespace reelcast
