#include "cli/Interrupt.h"

#include <semaphore.h>
#include <signal.h>

#include <cerrno>
#include <mutex>

namespace reelcast::cli {
namespace {

std::atomic<bool> interrupted{false};
// Posted by the handler (sem_post may be called from a signal handler) and
// by a watch that ends.
sem_t wake;
std::once_flag wakeMade;

void MakeWake() {
  std::call_once(wakeMade, [] { sem_init(&wake, 0, 0); });
}

void OnInterrupt(int) {
  const int saved = errno;
  interrupted = true;
  sem_post(&wake);
  errno = saved;
}

}  // namespace

void CatchInterrupts() {
  MakeWake();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a pending read gives up
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A signal held back until now (see main) comes in here.
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &held, nullptr);
}

bool Interrupted() { return interrupted; }

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt) {
  MakeWake();
  thread_ = std::thread([this, onInterrupt = std::move(onInterrupt)] {
    // A wake left over from an earlier watch or a second signal is taken
    // and looked at like any other.
    while (!stop_) {
      if (interrupted) {
        onInterrupt();
        return;
      }
      while (sem_wait(&wake) != 0 && errno == EINTR) {
      }
    }
  });
}

TInterruptWatch::~TInterruptWatch() {
  stop_ = true;
  sem_post(&wake);
  thread_.join();
}

}  // namespace reelcast::cli
