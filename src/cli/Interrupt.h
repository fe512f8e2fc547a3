// Ctrl+C (SIGINT) and SIGTERM as a request to cancel, for commands that
// cancel cleanly instead of dying half-way.
#pragma once

namespace reelcast::cli {

// Installs the handlers. Calls blocked in a read (a question on the
// terminal) return at the signal instead of going on.
void CatchInterrupts();
// True once a signal came since CatchInterrupts.
bool Interrupted();

}  // namespace reelcast::cli
