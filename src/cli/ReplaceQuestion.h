// The one rule of every command that would replace a file: it asks on a
// terminal, and without a terminal to answer it refuses unless -y was given.
// A folder is never replaced by a file.
#pragma once

#include <string>

namespace reelcast::cli {

// Asks question with "[y/N]" on the terminal and reads the answer; without a
// terminal on standard input the question goes to standard error with
// "(no terminal to answer: No)" and the answer is No.
bool AskOnTerminal(const std::string& question);

// True when path may be written: nothing is there, yes was given, or the
// user answered Yes. A folder at path, or a refusal, is reported on standard
// error after "reelcast-cli COMMAND: " and gives false.
bool MayReplace(const std::string& command, const std::string& path, bool yes);

}  // namespace reelcast::cli
