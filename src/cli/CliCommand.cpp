#include "cli/CliCommand.h"

#include <algorithm>
#include <map>

namespace reelcast::cli {
namespace {
// Function-local so that registrations from other files' static
// initialisers never run before the table exists.
std::map<std::string, CliCommand>& Table() {
  static std::map<std::string, CliCommand> table;
  return table;
}
}  // namespace

void CliRegistry::Add(CliCommand command) {
  std::string name = command.Name;
  Table()[name] = std::move(command);
}

const CliCommand* CliRegistry::Find(const std::string& name) {
  auto it = Table().find(name);
  return it == Table().end() ? nullptr : &it->second;
}

std::vector<CliCommand> CliRegistry::All() {
  std::vector<CliCommand> all;
  for (const auto& [name, command] : Table()) all.push_back(command);
  return all;
}

}  // namespace reelcast::cli
