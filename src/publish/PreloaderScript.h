// The script of a preloader frame: it holds the movie on that frame, grows
// the front bar ("_root.BarSprite.loading") and writes the caption into
// "vLoadTxt" while the movie loads, and goes on to frame 2 once every byte
// has arrived.
#pragma once

#include <string>

#include "movie/FlashActionScript.h"

namespace reelcast {

// Appends the script to as. caption is the bar style's caption; its first
// "%d" stands for the percentage (a caption without one is shown as it is).
void AddPreloaderScript(TFlashActionScript& as, const std::string& caption);

}  // namespace reelcast
