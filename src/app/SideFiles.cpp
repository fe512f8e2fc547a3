#include "app/SideFiles.h"

#include <fstream>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/TextConvert.h"

namespace reelcast {

std::string UrlHistoryPath(TUrlHistory which) {
  return UserFolder() + (which == TUrlHistory::Clicking ? "UrlAddress1.ini" : "UrlAddress2.ini");
}

std::vector<std::string> LoadUrlHistory(TUrlHistory which) {
  std::vector<std::string> items;
  std::ifstream in(UrlHistoryPath(which), std::ios::binary);
  std::string line;
  while (in && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    items.push_back(line);
  }
  return items;
}

bool AddToUrlHistory(TUrlHistory which, std::vector<std::string>& items, std::string_view text) {
  if (text.find_first_not_of(" \t") == std::string_view::npos) return true;
  // The text is kept as typed, except that a line break would split it
  // into two entries of the file.
  std::string entry(text);
  for (char& c : entry)
    if (c == '\n' || c == '\r') c = ' ';
  bool known = false;
  for (const auto& item : items) known = known || EqualsNoCase(item, entry);
  if (!known) items.push_back(entry);
  std::string path = UrlHistoryPath(which);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& item : items) out << item << "\n";
  out.flush();
  if (!out) {
    NVLog("URL history: cannot write '" + path + "'");
    return false;
  }
  return true;
}

}  // namespace reelcast
