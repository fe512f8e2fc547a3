// The opening and ending title movies of a general template: the template's
// ".prelude.swf" or ".endtitle.swf" background with the title texts animated
// over it by the text effect library, saved as the scratch movies the
// template composition plays before and after the video.
#pragma once

#include <cstdint>
#include <string>

namespace reelcast {

// The four title texts; the motive and the cast view are memos whose
// non-empty lines are animated one by one.
struct TTitleTexts {
  std::u16string Title, Director, Motive, CastView;
};

// How one title text looks: its effect and font. Colour is a Windows
// colour value (0x00BBGGRR).
struct TTitleStyle {
  std::u16string Effect;
  std::u16string FontName;
  int32_t FontSize = 40;
  uint32_t FontColor = 0;
  bool Bold = false;
  bool Italic = false;
};

// The texts and the styles of the four title kinds (0 title, 1 director,
// 2 motive, 3 cast view).
struct TTitleSettings {
  TTitleTexts Texts;
  TTitleStyle Styles[4];
};

// The key word of a title kind: "Title", "Director", "Motive", "CastView".
const char* TitleKeyWord(int kind);

// The stored style of a kind: "System." + key word + "Effect" ("Fade" when
// missing), "FontName" ("Monotype Corsiva"), "FontSize" (the kind's
// default), "FontColor" (0), "FontBold" and "FontItalic" (on when > 0).
TTitleStyle LoadTitleStyle(int kind);
// The stored texts as they are (no samples: an empty text stays empty) and
// the four stored styles: what a published movie shows.
TTitleSettings LoadTitleSettings();

// Writes the effect, font name and font size keys of the four title texts
// with their defaults, each only when it is missing.
void InitTitleEffectDefaults();

// The stored texts (LoadTitleTexts of the settings: "System.FlashText." +
// key word, a missing key created empty). When all four are empty the
// sample texts of a new movie are returned instead: for previews only.
TTitleTexts TitleTextsOrSamples();

// Builds the opening (ending false) or ending title movie over the part file
// and saves it as outputPath, with the given styles. An effect name the
// library does not know gets "Fade". Returns false, writing nothing, when
// the part is missing or is not a movie.
bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleSettings& titles,
                     const std::string& outputPath);
// The same with the stored styles.
bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleTexts& texts,
                     const std::string& outputPath);

}  // namespace reelcast
