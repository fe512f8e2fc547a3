// The messages a conversion job posts to its progress window, and the
// posted-message queue that carries them.
//
// A window (the desktop progress window, the terminal progress display)
// owns a TMessageQueue; its handle is what job code posts to. Posting never
// waits for the receiver, and posting to a handle whose queue is gone simply
// fails, so a worker that outlives its window is harmless.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace reelcast {

// Message numbers (decimal, hexadecimal in the comment).
inline constexpr uint32_t kMsgEncodeProgress = 4024;  // 0xFB8 codec bridge: read its counters
inline constexpr uint32_t kMsgEncodeDone = 4025;      // 0xFB9 codec bridge: start finishing
inline constexpr uint32_t kMsgFlvToSwfDone = 2281;    // 0x8E9 FLV-to-SWF step done
inline constexpr uint32_t kMsgTemplateDone = 2283;    // 0x8EB template-movie step done
inline constexpr uint32_t kMsgJobDone = 2278;         // 0x8E6 whole job done; posted twice
inline constexpr uint32_t kMsgMovieProgress = 3031;   // 0xBD7 wParam = percent 0..100
inline constexpr uint32_t kMsgStageNotice = 3032;     // 0xBD8 wParam = sub-code, lParam = value

// Sub-codes of kMsgStageNotice.
enum TStageNotice : uint32_t {
  snSaving = 0,               // a movie is built and about to be written
  snAddingMusic = 1,          // the music pass of a movie starts
  snIntegratingTemplate = 2,  // never posted; the text exists for the window's table
  snMakingExe = 3,
  snMakingHtml = 4,
  snMakingScreenSaver = 5,
  snMakingMusic = 6,
  snMusicProgress = 7,  // lParam = percent 1..100, shown on the progress bar
};

// The status text the progress window shows for a sub-code; empty for
// snMusicProgress and unknown codes.
const char* StageNoticeText(uint32_t subCode);

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

// The progress window every job message goes to; set when that window is
// created.
extern std::atomic<TWindowHandle> ConverterWindow;
// Set to 1 by the progress window when the user cancels during the
// finishing phase; read by the music encoder's progress callback.
extern std::atomic<uint8_t> CancelRequested;

}  // namespace reelcast
