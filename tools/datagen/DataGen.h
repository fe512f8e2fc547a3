// reelcast-datagen: the program's data files, written with our own code
// into the data folder at build time.
#pragma once

#include <string>

namespace reelcast::datagen {

// The text of "res/Preloaders/ProgressBars.xml".
std::string ProgressBarsXml();
// The control-bar styles ("res/Control Bar/": style + ".play.swf",
// ".Pause.swf", ".Stop.swf" and ".ini"), the preloader sprites
// ("res/Preloaders/*.swf") and the conversion window's side animation
// ("res/ConverterShow.swf") under dataFolder.
void WriteDataMovies(const std::string& dataFolder);
// The general templates ("templates/24/": name + ".template.swf" with its
// image-area trailer, ".prelude.swf" and ".endtitle.swf") under dataFolder.
void WriteGeneralTemplates(const std::string& dataFolder);
// The player templates ("templates/Players/": "as.swf" and each player's
// ".swf" and ".ini") under dataFolder. The sample video "SampleFlv.flv" is
// made by the build beside them.
void WritePlayerTemplates(const std::string& dataFolder);

}  // namespace reelcast::datagen
