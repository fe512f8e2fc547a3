#include "cli/ReplaceQuestion.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

namespace reelcast::cli {

namespace fs = std::filesystem;

bool AskOnTerminal(const std::string& question) {
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "%s (no terminal to answer: No)\n", question.c_str());
    return false;
  }
  std::printf("%s [y/N] ", question.c_str());
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

bool MayReplace(const std::string& command, const std::string& path, bool yes) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (!fs::exists(status)) return true;
  if (fs::is_directory(status)) {
    std::fprintf(stderr, "reelcast-cli %s: %s is a folder; a folder is not replaced by a file\n",
                 command.c_str(), path.c_str());
    return false;
  }
  if (yes) return true;
  if (isatty(STDIN_FILENO)) return AskOnTerminal(path + " exists already. Replace it?");
  std::fprintf(stderr, "reelcast-cli %s: %s exists already; -y replaces it (no terminal to ask)\n",
               command.c_str(), path.c_str());
  return false;
}

}  // namespace reelcast::cli
