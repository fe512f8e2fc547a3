// Test helpers for published movies: an FLV made by ffmpeg and reelcast-cli
// flv2swf run on it.
#pragma once

#include <string>
#include <vector>

#include "movie/EmbeddedVideo.h"
#include "support/TestEnv.h"

namespace reelcast::test {

// A 160 x 120 H.263 + MP3 test FLV (moving test picture, a tone).
inline void MakePublishFlv(const std::string& path, double seconds = 2, int rate = 10) {
  MakeTestFlv(path, {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"}, seconds,
              "160x120", rate);
}

// reelcast-cli flv2swf IN OUT options... -y (these tests make movies again
// under the same names).
inline ProcessResult Flv2Swf(const std::string& in, const std::string& out,
                             const std::vector<std::string>& options = {}) {
  std::vector<std::string> argv = {(BinDir() / "reelcast-cli").string(), "flv2swf", in, out, "-y"};
  argv.insert(argv.end(), options.begin(), options.end());
  return RunProcess(argv, 300);
}

}  // namespace reelcast::test
