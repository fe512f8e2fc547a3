// Helpers shared by the benchmarks.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace reelcast::bench {

// Runs argv[0] (looked up on PATH) with its arguments, no shell, and waits;
// returns its exit code, -1 when it did not exit normally.
inline int RunProgram(const std::vector<std::string>& argv) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace reelcast::bench
