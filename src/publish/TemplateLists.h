// What the data folder offers to dress a published movie, as the template
// page and the command line list it: player templates, general templates,
// control-bar styles, preloader bar styles, preloader sprites and the title
// text effects. Names are what the settings store and the options take.
#pragma once

#include <string>
#include <vector>

namespace reelcast {

struct TTemplateLists {
  std::vector<std::string> PlayerTemplates;   // "templates/Players/"
  std::vector<std::string> GeneralTemplates;  // "templates/24/" and its subfolders
  std::vector<std::string> ControlBarStyles;  // "res/Control Bar/"
  std::vector<std::string> BarStyles;         // "res/Preloaders/ProgressBars.xml"
  std::vector<std::string> PreloaderSprites;  // "res/Preloaders/*.swf"
  std::vector<std::string> TextEffects;       // the text effect library, in its order
  // Lists that could not be read, with the reason; the list stays empty.
  std::vector<std::string> Problems;
};

// Every "*.swf" of "templates/Players/" but "as.swf" and "SampleFlv.swf",
// by name (the file name up to its first "."), sorted; nothing when the
// folder holds no "as.swf".
std::vector<std::string> ListPlayerTemplates();
// The names of the "*.template.swf" files in "templates/24/" and its
// subfolders, sorted, without duplicates.
std::vector<std::string> ListGeneralTemplates();
// All lists; a missing folder leaves its list empty.
TTemplateLists LoadTemplateLists();

// Lets the settings keys that name a text effect, a preloader sprite or a
// preloader bar style take only the names these lists hold.
void RegisterSettingNameLists();

}  // namespace reelcast
