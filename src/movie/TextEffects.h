// The text effect library of the title movies: a list of named effects and
// a builder that adds, to a given movie, one sprite animating a text with a
// chosen font, size, colour, bold and italic. The sprite's frame count is
// the length of the animation; the caller places the sprite and shows that
// many frames.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace reelcast {

class TFlashMovie;
class TFlashSprite;

class ETextEffectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the library reports for one effect; Name is what lists show and what
// the settings store.
struct TFTxtEffectForUI {
  std::u16string Name;
  std::u16string Description;
};

// The parameters of one effect sprite. The fixed values are what callers
// always pass; FrameWidth/FrameHeight (twips) is the title movie's frame,
// in which the text moves, and Steps is the number of frames the animation
// takes (the text then holds still for twice as long).
struct DTextEffectParam {
  TFlashMovie* Movie = nullptr;
  int32_t FrameWidth = 0;   // twips
  int32_t FrameHeight = 0;  // twips
  int32_t Speed = 3;
  int32_t Steps = 20;
  std::u16string Text;
  int32_t Left = 100, Top = 300, Right = 2000, Bottom = 700;
  std::u16string FontName;
  uint32_t FontColor = 0;  // Windows colour value: 0x00BBGGRR
  int32_t FontSize = 40;
  bool Bold = false;
  bool Italic = false;
  int32_t Reserved1 = 2, Reserved2 = 1, Reserved3 = 2;
};

int GetDTxtEffectCount();
// Fills record for effect index 0 .. count - 1; false (record untouched)
// for an index out of range.
bool GetDTxtEffectData(int index, TFTxtEffectForUI* record);
// Builds the effect sprite inside param.Movie and returns it (owned by the
// movie). An unknown effect name, a missing movie or an empty frame throws
// ETextEffectError and leaves the movie unchanged.
TFlashSprite* DoDTextEffect(const std::u16string& effectName, const DTextEffectParam& param);

}  // namespace reelcast
