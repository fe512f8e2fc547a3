// Runs ffprobe on a file and hands back its JSON answer, for tests that let
// the outside tool check what we read or wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/Json.h"

namespace reelcast::test {

// ffprobe -v error -of json OPTIONS FILE. Throws std::runtime_error with
// ffprobe's output when it fails or prints no JSON.
JsonValue RunFFprobe(const std::filesystem::path& file, const std::vector<std::string>& options);

// Packets of the first stream of a kind ("v" or "a"), counted by reading them.
int CountPackets(const std::filesystem::path& file, const std::string& kind);

// Runs ffmpeg -v error -y ARGS; throws std::runtime_error with its output
// when it fails.
void RunFFmpeg(const std::vector<std::string>& args);

}  // namespace reelcast::test
