// A queue between two threads that holds at most a fixed number of items:
// the producer waits while it is full, the consumer while it is empty, so a
// fast stage never runs far ahead of a slow one and memory stays flat.
// Abort wakes both sides for good (a stop or a failure on either side).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace reelcast {

template <class T>
class TBoundedQueue {
 public:
  explicit TBoundedQueue(size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

  // Waits for room; false (the item dropped) once the queue is aborted.
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    notFull_.wait(lock, [&] { return aborted_ || items_.size() < capacity_; });
    if (aborted_) return false;
    items_.push_back(std::move(item));
    notEmpty_.notify_one();
    return true;
  }

  // Waits for an item; nothing once the queue is aborted.
  std::optional<T> Pop() {
    std::unique_lock lock(mutex_);
    notEmpty_.wait(lock, [&] { return aborted_ || !items_.empty(); });
    if (aborted_) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    notFull_.notify_one();
    return item;
  }

  void Abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    items_.clear();
    notFull_.notify_all();
    notEmpty_.notify_all();
  }

  bool Aborted() {
    std::lock_guard lock(mutex_);
    return aborted_;
  }

 private:
  const size_t capacity_;
  std::mutex mutex_;
  std::condition_variable notFull_, notEmpty_;
  std::deque<T> items_;
  bool aborted_ = false;
};

}  // namespace reelcast
