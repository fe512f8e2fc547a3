// reelcast-cli: the system without windows. The first word names a command
// from the registry; every command parses its own options.
//
// Built twice. reelcast-cli-full holds every command. reelcast-cli, the one
// people run, holds only the commands that need no media library (swf), so
// that those start without loading FFmpeg and the many libraries it brings
// (most of a small job's time); for any other command, and for the list of
// all, it hands the same command line to reelcast-cli-full next to it, which
// replaces it in the same process.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/Interrupt.h"

#ifndef REELCAST_VERSION
#define REELCAST_VERSION "0.0.0"
#endif

namespace {

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
      "Usage: reelcast-cli COMMAND [OPTIONS...]\n"
      "       reelcast-cli --help | --version\n\n"
      "Turns the titles and chapters of a DVD video folder into Flash content.\n\n"
      "Commands:\n");
  for (const auto& command : reelcast::cli::CliRegistry::All())
    std::fprintf(out, "  %-14s %s\n", command.Name.c_str(), command.Summary.c_str());
  std::fprintf(out, "\n'reelcast-cli COMMAND --help' describes one command.\n");
}

#ifdef REELCAST_CLI_FRONT
[[noreturn]] void RunFullProgram(char** argv) {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string full = "reelcast-cli-full";
  if (n > 0) {
    std::string path(self, static_cast<size_t>(n));
    full = path.substr(0, path.rfind('/') + 1) + full;
  }
  ::execv(full.c_str(), argv);
  std::fprintf(stderr, "reelcast-cli: cannot start %s: %s\n", full.c_str(), std::strerror(errno));
  std::exit(127);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // A conversion cancels on Ctrl+C from its very start, before the command
  // has even parsed its options.
  if (argc > 1 && std::string(argv[1]) == "convert") {
#ifdef REELCAST_CLI_FRONT
    // Held until the full program listens: a blocked signal stays pending
    // across exec (the mask is kept), and CatchInterrupts takes it there.
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigprocmask(SIG_BLOCK, &held, nullptr);
#else
    reelcast::cli::CatchInterrupts();
#endif
  }
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
#ifdef REELCAST_CLI_FRONT
    RunFullProgram(argv);
#endif
    // Asked for, the help is the output; without a command it is the error.
    PrintHelp(words.empty() ? stderr : stdout);
    return words.empty() ? 2 : 0;
  }
  if (words[0] == "--version") {
    std::printf("Reelcast %s\n", REELCAST_VERSION);
    return 0;
  }
  const auto* command = reelcast::cli::CliRegistry::Find(words[0]);
#ifdef REELCAST_CLI_FRONT
  if (!command) RunFullProgram(argv);
#endif
  if (!command) {
    std::fprintf(stderr, "reelcast-cli: unknown command '%s' (see reelcast-cli --help)\n",
                 words[0].c_str());
    return 2;
  }
  try {
    return command->Run(std::vector<std::string>(words.begin() + 1, words.end()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast-cli %s: %s\n", words[0].c_str(), e.what());
    return 1;
  }
}
