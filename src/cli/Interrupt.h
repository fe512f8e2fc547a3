// Ctrl+C (SIGINT) and SIGTERM as a request to cancel, for commands that
// cancel cleanly instead of dying half-way.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace reelcast::cli {

// Installs the handlers and lets through a signal that was held back
// (blocked) until then. Calls blocked in a read (a question on the
// terminal) return at the signal instead of going on.
void CatchInterrupts();
// True once a signal came since CatchInterrupts.
bool Interrupted();

// Runs onInterrupt once, on a thread of its own, as soon as a signal comes
// (at once when one came already) while the object lives: a running job is
// told at the signal, not at the next turn of the command's loop, so a
// Ctrl+C just before the outputs are put in place still cancels.
class TInterruptWatch {
 public:
  explicit TInterruptWatch(std::function<void()> onInterrupt);
  ~TInterruptWatch();
  TInterruptWatch(const TInterruptWatch&) = delete;
  TInterruptWatch& operator=(const TInterruptWatch&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace reelcast::cli
