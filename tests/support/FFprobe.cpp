#include "support/FFprobe.h"

#include <stdexcept>

#include "support/TestEnv.h"

namespace reelcast::test {

JsonValue RunFFprobe(const std::filesystem::path& file, const std::vector<std::string>& options) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error", "-of", "json"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(file.string());
  ProcessResult r = RunProcess(argv, 300);
  if (r.ExitCode != 0) throw std::runtime_error("ffprobe failed on " + file.string() + ": " + r.Output);
  // Its JSON alone: a warning on standard error may come before or after it.
  if (r.Stdout.find('{') == std::string::npos) throw std::runtime_error("ffprobe printed no JSON: " + r.Output);
  return JsonValue::Parse(r.Stdout);
}

int CountPackets(const std::filesystem::path& file, const std::string& kind) {
  JsonValue j = RunFFprobe(file, {"-select_streams", kind + ":0", "-count_packets", "-show_entries",
                                  "stream=nb_read_packets"});
  return static_cast<int>(j["streams"][0]["nb_read_packets"].Number(-1));
}

void RunFFmpeg(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessResult r = RunProcess(argv, 600);
  if (r.ExitCode != 0) throw std::runtime_error("ffmpeg failed: " + r.Output);
}

}  // namespace reelcast::test
