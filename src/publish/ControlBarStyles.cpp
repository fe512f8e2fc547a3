#include "publish/ControlBarStyles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/Paths.h"

namespace reelcast {

namespace fs = std::filesystem;

bool TControlBarFiles::AllExist() const {
  std::error_code ec;
  return fs::is_regular_file(Play, ec) && fs::is_regular_file(Pause, ec) &&
         fs::is_regular_file(Stop, ec);
}

std::vector<std::string> ListControlBarStyles() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(AppPath("res/Control Bar"), ec)) {
    std::string file = entry.path().filename().string();
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext != ".ini" || !entry.is_regular_file(ec)) continue;
    std::string name = file.substr(0, file.find('.'));
    if (!name.empty()) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

TControlBarFiles ControlBarFiles(const std::string& style) {
  const std::string base = "res/Control Bar/" + style;
  return {AppPath(base + ".play.swf"), AppPath(base + ".Pause.swf"), AppPath(base + ".Stop.swf")};
}

}  // namespace reelcast
