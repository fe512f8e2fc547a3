// The preview of a control-bar style: one small movie that shows the style's
// play, pause and stop buttons side by side, so a page previews a style with
// one player instead of one per button.
#pragma once

#include <cstdint>
#include <string>

namespace reelcast {

// The preview's geometry in pixels: three Button x Button squares (play,
// pause, stop) with Gap pixels between them, on the colour of the style's
// bar panel.
struct TControlBarPreviewLayout {
  static constexpr int32_t Button = 32;
  static constexpr int32_t Gap = 6;
  static constexpr int32_t Width = 3 * Button + 2 * Gap;
  static constexpr int32_t Height = Button;
  // The left edge of button n (0 play, 1 pause, 2 stop).
  static constexpr int32_t Left(int n) { return n * (Button + Gap); }
};

// The preview of style in TempFolder ("ControlBar.<style>.preview.swf").
// Each style's is written once by a process (again only when the file has
// gone), so choosing a style again costs nothing. A button whose movie is
// missing or unreadable leaves its square empty. Returns the path, or an
// empty string when the movie could not be written.
std::string MakeControlBarPreview(const std::string& style);

}  // namespace reelcast
