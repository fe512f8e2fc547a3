// reelcast-cli: the system without windows. The first word names a command
// from the registry; every command parses its own options.
#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
  // A conversion cancels on Ctrl+C from its very start, before the command
  // has even parsed its options.
  if (argc > 1 && std::string(argv[1]) == "convert") reelcast::cli::CatchInterrupts();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    // Asked for, the help is the output; without a command it is the error.
    PrintHelp(words.empty() ? stderr : stdout);
    return words.empty() ? 2 : 0;
  }
  if (words[0] == "--version") {
    std::printf("Reelcast %s\n", REELCAST_VERSION);
    return 0;
  }
  const auto* command = reelcast::cli::CliRegistry::Find(words[0]);
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
