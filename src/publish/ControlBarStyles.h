// The control-bar styles installed in "res/Control Bar/": each style is an
// ".ini" file whose name up to its first "." is the style's name, with the
// three button movies style + ".play.swf", ".Pause.swf" and ".Stop.swf"
// beside it.
#pragma once

#include <string>
#include <vector>

namespace reelcast {

struct TControlBarFiles {
  std::string Play;
  std::string Pause;
  std::string Stop;
  bool AllExist() const;
};

// The style names, sorted, without duplicates.
std::vector<std::string> ListControlBarStyles();
// The three movies of a style (resolved without regard to case).
TControlBarFiles ControlBarFiles(const std::string& style);

}  // namespace reelcast
