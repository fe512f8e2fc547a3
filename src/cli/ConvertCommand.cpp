// reelcast-cli convert: the conversion of a DVD folder into Flash content.
// The conversion job is not part of this build yet; the command says so and
// fails, so that scripts never take its exit for a finished conversion.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommand.h"

namespace reelcast::cli {
namespace {

int RunConvert(const std::vector<std::string>& args) {
  bool help = !args.empty() && (args[0] == "--help" || args[0] == "-h");
  std::fprintf(help ? stdout : stderr,
               "reelcast-cli convert: conversion is not built yet in this version of "
               "Reelcast.\n"
               "What works now: 'reelcast-cli settings' lists and changes the settings a "
               "conversion will use.\n");
  return help ? 0 : 3;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("convert", "convert the titles of a DVD folder (not built yet)",
                     reelcast::cli::RunConvert);
