#include "app/MessageQueue.h"

#include <unordered_map>

namespace reelcast {
namespace {

// Live queues by handle. Posting holds this lock only to find the queue and
// append, so a queue cannot be destroyed under a poster.
struct TRegistry {
  std::mutex Mutex;
  std::unordered_map<TWindowHandle, TMessageQueue*> Queues;
  TWindowHandle Next = 1;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

TMessageQueue::TMessageQueue() {
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  // Handles are not reused soon, so a stale handle finds no queue.
  do {
    handle_ = r.Next++;
  } while (handle_ == 0 || r.Queues.count(handle_));
  r.Queues[handle_] = this;
}

TMessageQueue::~TMessageQueue() {
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  r.Queues.erase(handle_);
}

void TMessageQueue::Push(const TMessage& message) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  posted_.notify_one();
  if (wakeUp_) wakeUp_();
}

std::vector<TMessage> TMessageQueue::Drain() {
  std::lock_guard lock(mutex_);
  std::vector<TMessage> out(messages_.begin(), messages_.end());
  messages_.clear();
  return out;
}

std::vector<TMessage> TMessageQueue::WaitAndDrain(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); });
  std::vector<TMessage> out(messages_.begin(), messages_.end());
  messages_.clear();
  return out;
}

size_t TMessageQueue::Pending() const {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

void TMessageQueue::SetWakeUp(std::function<void()> wakeUp) {
  // Posts read wakeUp_ under the registry lock; take it to swap safely.
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  wakeUp_ = std::move(wakeUp);
}

bool PostMessage(TWindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (window == 0) return false;
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  auto it = r.Queues.find(window);
  if (it == r.Queues.end()) return false;
  it->second->Push(TMessage{msg, wParam, lParam});
  return true;
}

}  // namespace reelcast
