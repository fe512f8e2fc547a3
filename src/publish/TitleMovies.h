// The opening and ending title movies of a general template: the template's
// ".prelude.swf" or ".endtitle.swf" background with the title texts animated
// over it by the text effect library, saved as the scratch movies the
// template composition plays before and after the video.
#pragma once

#include <string>

namespace reelcast {

// The four title texts; the motive and the cast view are memos whose
// non-empty lines are animated one by one.
struct TTitleTexts {
  std::u16string Title, Director, Motive, CastView;
};

// Writes the effect, font name and font size keys of the four title texts
// with their defaults, each only when it is missing.
void InitTitleEffectDefaults();

// The stored texts ("System.FlashText." + key word; a missing key is created
// empty). When all four are empty the defaults of a new movie are returned.
TTitleTexts LoadTitleTexts();

// Builds the opening (ending false) or ending title movie over the part file
// and saves it as outputPath. Returns false, writing nothing, when the part
// is missing or is not a movie.
bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleTexts& texts,
                     const std::string& outputPath);

}  // namespace reelcast
