// The posted-message queue: a window (the desktop progress window, the
// terminal progress display, the main window) owns a TMessageQueue; its
// handle is what worker code posts to. Posting never waits for the
// receiver, and posting to a handle whose queue is gone simply fails, so a
// worker that outlives its window is harmless.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace reelcast {

struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  bool operator==(const TMessage&) const = default;
};

// Identifies a receiving queue; 0 is no window.
using TWindowHandle = uint32_t;

class TMessageQueue {
 public:
  TMessageQueue();
  ~TMessageQueue();  // unregisters the handle; later posts to it fail
  TMessageQueue(const TMessageQueue&) = delete;
  TMessageQueue& operator=(const TMessageQueue&) = delete;

  TWindowHandle Handle() const { return handle_; }

  // Everything posted so far, oldest first; empties the queue.
  std::vector<TMessage> Drain();
  // Waits up to timeout for at least one message, then drains.
  std::vector<TMessage> WaitAndDrain(std::chrono::milliseconds timeout);
  size_t Pending() const;

  // Called on the posting thread after every post, to wake the receiver's
  // event loop. It must be quick and must neither post nor destroy a queue.
  void SetWakeUp(std::function<void()> wakeUp);

 private:
  friend bool PostMessage(TWindowHandle, uint32_t, uintptr_t, intptr_t);
  void Push(const TMessage& message);

  TWindowHandle handle_;
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<TMessage> messages_;
  std::function<void()> wakeUp_;
};

// Queues the message for the window and returns at once; false when the
// window does not exist (0 or already destroyed).
bool PostMessage(TWindowHandle window, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);

}  // namespace reelcast
