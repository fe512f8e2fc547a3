// The bar styles of "res/Preloaders/ProgressBars.xml" and the layout of a
// preloader frame: where the background, the sprite or logo, the bar and
// the caption go in a movie of a given size.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ProjectSettings.h"

namespace reelcast {

// A bar styles file that is missing or no well-formed XML.
class EPreloaderStyles : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One style element of the bar styles file. Colours are packed RGBA, red
// in the low byte, alpha 255.
struct TProgressBarStyle {
  std::string NameID;
  int32_t Width = 0;  // bar size in pixels
  int32_t Height = 0;
  double PosX = 0;  // bar centre, fractions of the movie size
  double PosY = 0;
  std::vector<uint32_t> BackBarColor;
  std::vector<uint32_t> FrontBarColor;
  std::string Caption;  // "%d" stands for the percentage
  std::string Font;
  int32_t Size = 0;
  int32_t Style = 0;  // bit 0 bold, bit 1 italic
  uint32_t TextColor = 0xFF000000;
  double TextPosX = 0;  // caption centre, fractions of the movie size
  double TextPosY = 0;
};

// AppFolder + "res/Preloaders/ProgressBars.xml".
std::string ProgressBarsPath();
// Every style of the file, in document order. Throws EPreloaderStyles.
std::vector<TProgressBarStyle> LoadProgressBarStyles(const std::string& path = ProgressBarsPath());
// The last style named name, or nullptr.
const TProgressBarStyle* FindProgressBarStyle(const std::vector<TProgressBarStyle>& styles,
                                              const std::string& name);
// "FF0000" -> 0xFF0000FF (red); a text that is no hexadecimal number gives
// black.
uint32_t ParseStyleColor(const std::string& text);

// The preloader sprite movie of a style name: AppFolder + "res/Preloaders/"
// + name + ".swf".
std::string PreloaderSpritePath(const std::string& spriteStyle);
// The sprite names offered: every ".swf" file of "res/Preloaders/" without
// its extension, sorted.
std::vector<std::string> ListPreloaderSprites();

// Everything the preloader frame places, in movie pixels.
struct TPreloaderLayout {
  int32_t SpriteX = 0;  // centre of the sprite or logo
  int32_t SpriteY = 0;
  double SpriteScaleX = 1;
  double SpriteScaleY = 1;
  bool FullBackground = false;  // the sprite fills the stage
  int32_t BarWidth = 0;
  int32_t BarHeight = 0;
  int32_t BarX = 0;  // bar centre
  int32_t BarY = 0;
  std::vector<uint32_t> BackColors;
  std::vector<uint32_t> FrontColors;
  std::string Caption;
  std::string FontName;
  int32_t FontSize = 0;
  int32_t FontStyle = 0;
  uint32_t TextColor = 0xFF000000;
  int32_t TextX = 0;  // caption centre
  int32_t TextY = 0;
};

// The layout for a movieWidth x movieHeight movie. style may be null (a
// name the file does not hold: no bar). spriteWidth and spriteHeight are the
// sprite movie's size in whole pixels, used when the preloader shows a
// sprite and no custom logo: a sprite of at least 400 x 300 becomes the
// full background, scaled to the stage and centred on it.
TPreloaderLayout ComputePreloaderLayout(int32_t movieWidth, int32_t movieHeight,
                                        const TPreLoader& preloader,
                                        const TProgressBarStyle* style, int32_t spriteWidth,
                                        int32_t spriteHeight);

// Round to nearest, halves to the even neighbour.
int32_t RoundToPixel(double value);

// The caption split at its first "%d": the text before and after it. With
// no "%d" the whole caption is the prefix (shown as it is, without a number).
struct TCaptionParts {
  std::string Prefix;
  std::string Suffix;
  bool HasPercent = false;
};
TCaptionParts SplitCaption(const std::string& caption);

}  // namespace reelcast
