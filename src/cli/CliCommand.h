// The command table of reelcast-cli. Each command lives in its own source
// file and registers itself with REELCAST_CLI_COMMAND, so adding a command
// touches no shared file.
#pragma once

#include <string>
#include <vector>

namespace reelcast::cli {

// Runs one command with the words that follow its name; returns the exit code.
using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CliCommand {
  std::string Name;     // first word on the command line ("settings", "swf")
  std::string Summary;  // one line for --help
  CommandFunction Run;
};

class CliRegistry {
 public:
  static void Add(CliCommand command);
  static const CliCommand* Find(const std::string& name);
  static std::vector<CliCommand> All();  // sorted by name
};

struct CliRegistrar {
  CliRegistrar(const char* name, const char* summary, CommandFunction run) {
    CliRegistry::Add({name, summary, run});
  }
};

}  // namespace reelcast::cli

#define REELCAST_CLI_CONCAT2(a, b) a##b
#define REELCAST_CLI_CONCAT(a, b) REELCAST_CLI_CONCAT2(a, b)
#define REELCAST_CLI_COMMAND(name, summary, function) \
  static ::reelcast::cli::CliRegistrar REELCAST_CLI_CONCAT(cliRegistrar_, __LINE__)(name, summary, function)
