// reelcast-datagen: the program's data files, written with our own code
// into the data folder at build time.
#pragma once

#include <string>

namespace reelcast::datagen {

// The text of "res/Preloaders/ProgressBars.xml".
std::string ProgressBarsXml();

}  // namespace reelcast::datagen
