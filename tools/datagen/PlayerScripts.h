// The scripts of the player templates (see PlayerScripts.cpp).
#pragma once

#include <string>

namespace reelcast::datagen {

// The pixels a player adds below and beside the video; its ".ini" says the same.
struct TPlayerLayout {
  int Height = 44;
  int Width = 0;
};

// The frame script of "as.swf".
const char* SharedPlayerScript();
// A player's frame script: body lays out its controls inside initPlayer,
// where W x H is the movie, vw x vh the video and BAR the control height.
std::string PlayerScript(const TPlayerLayout& layout, const std::string& body);

}  // namespace reelcast::datagen
