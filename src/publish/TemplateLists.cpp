#include "publish/TemplateLists.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/Paths.h"
#include "app/SettingsEditor.h"
#include "app/TextConvert.h"
#include "movie/TextEffects.h"
#include "publish/ControlBarStyles.h"
#include "publish/PreloaderLayout.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == suffix;
}

// An entry's name: the file name up to its first ".".
std::string EntryName(const std::string& fileName) { return fileName.substr(0, fileName.find('.')); }

void SortUnique(std::vector<std::string>& names) {
  names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

}  // namespace

std::vector<std::string> ListPlayerTemplates() {
  std::vector<std::string> names;
  const std::string folder = AppPath("templates/Players/");
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(folder) / "as.swf", ec)) return names;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string file = entry.path().filename().string();
    // The script library and the sample preview are not players.
    if (file == "as.swf" || file == "SampleFlv.swf") continue;
    if (!EndsWithNoCase(file, ".swf") || !entry.is_regular_file(ec)) continue;
    names.push_back(EntryName(file));
  }
  SortUnique(names);
  return names;
}

std::vector<std::string> ListGeneralTemplates() {
  std::vector<std::string> names;
  std::error_code ec;
  fs::recursive_directory_iterator it(AppPath("templates/24/"), fs::directory_options::skip_permission_denied, ec),
      end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (EndsWithNoCase(file, ".template.swf") && it->is_regular_file(ec)) names.push_back(EntryName(file));
  }
  SortUnique(names);
  return names;
}

TTemplateLists LoadTemplateLists() {
  TTemplateLists lists;
  lists.PlayerTemplates = ListPlayerTemplates();
  lists.GeneralTemplates = ListGeneralTemplates();
  lists.ControlBarStyles = ListControlBarStyles();
  try {
    for (const TProgressBarStyle& s : LoadProgressBarStyles()) lists.BarStyles.push_back(s.NameID);
  } catch (const std::exception& e) {
    lists.Problems.push_back(std::string("preloader bar styles: ") + e.what());
  }
  lists.PreloaderSprites = ListPreloaderSprites();
  TFTxtEffectForUI effect;
  for (int i = 0; GetDTxtEffectData(i, &effect); ++i) lists.TextEffects.push_back(Utf16ToUtf8(effect.Name));
  return lists;
}

void RegisterSettingNameLists() {
  SetSettingNameList("text effect", [] { return LoadTemplateLists().TextEffects; });
  SetSettingNameList("preloader sprite", [] { return ListPreloaderSprites(); });
  SetSettingNameList("preloader bar style", [] { return LoadTemplateLists().BarStyles; });
}

}  // namespace reelcast
