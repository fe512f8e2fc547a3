// The control-bar styles installed in "res/Control Bar/": each style is an
// ".ini" file whose name up to its first "." is the style's name, with the
// three button movies style + ".play.swf", ".Pause.swf" and ".Stop.swf"
// beside it. The ".ini" also says how the bar is laid out and painted
// (section [ControlBar]: Layout, Panel, PanelAlpha, Highlight).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "movie/FlashEdges.h"
#include "swf/Records.h"

namespace reelcast {

struct TControlBarFiles {
  std::string Play;
  std::string Pause;
  std::string Stop;
  bool AllExist() const;
};

// Where a style puts its buttons over the video.
enum class TBarLayout {
  Strip,   // a shaded band across the whole bottom edge
  Pill,    // a rounded panel centred above the bottom edge
  Corner,  // a rounded panel in the bottom-left corner
};

// How a style paints the bar: the panel behind the buttons (packed RGBA, R
// in the low byte) and the plate that lights up behind a button under the
// pointer.
struct TControlBarLook {
  TBarLayout Layout = TBarLayout::Strip;
  uint32_t Panel = 0xD0000000u;
  uint32_t Highlight = 0x40FFFFFFu;
};

// The bar's geometry over the video area (stage pixels): the panel, the
// play/pause button and the stop button (each Button x Button pixels).
struct TControlBarLayout {
  TRect Panel;
  int32_t Button = 24;
  TPoint32 PlayPause;
  TPoint32 Stop;
};

// The style names, sorted, without duplicates.
std::vector<std::string> ListControlBarStyles();
// The three movies of a style (resolved without regard to case).
TControlBarFiles ControlBarFiles(const std::string& style);
// The look the style's ".ini" gives; missing keys keep TControlBarLook's
// defaults.
TControlBarLook ControlBarLook(const std::string& style);
// Lays the bar out over the video area: buttons of at least 24 pixels that
// grow with the area's height.
TControlBarLayout LayOutControlBar(TBarLayout layout, const TRect& area);

}  // namespace reelcast
