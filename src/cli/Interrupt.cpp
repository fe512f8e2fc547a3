#include "cli/Interrupt.h"

#include <signal.h>

#include <atomic>

namespace reelcast::cli {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) { interrupted = true; }

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a pending read gives up
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted; }

}  // namespace reelcast::cli
