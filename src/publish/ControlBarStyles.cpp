#include "publish/ControlBarStyles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "publish/PreloaderLayout.h"

namespace reelcast {

namespace fs = std::filesystem;

bool TControlBarFiles::AllExist() const {
  std::error_code ec;
  return fs::is_regular_file(Play, ec) && fs::is_regular_file(Pause, ec) &&
         fs::is_regular_file(Stop, ec);
}

std::vector<std::string> ListControlBarStyles() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(AppPath("res/Control Bar"), ec)) {
    std::string file = entry.path().filename().string();
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext != ".ini" || !entry.is_regular_file(ec)) continue;
    std::string name = file.substr(0, file.find('.'));
    if (!name.empty()) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

TControlBarFiles ControlBarFiles(const std::string& style) {
  const std::string base = "res/Control Bar/" + style;
  return {AppPath(base + ".play.swf"), AppPath(base + ".Pause.swf"), AppPath(base + ".Stop.swf")};
}

namespace {

// "RRGGBB" and a percentage of opacity as a packed RGBA colour; the fallback
// when the text is no colour.
uint32_t IniColor(const std::string& ini, const char* key, const char* alphaKey, uint32_t fallback) {
  const std::optional<std::string> text = ReadIniText(ini, "ControlBar", key);
  uint32_t rgba = fallback;
  if (text && text->size() == 6 && text->find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
    rgba = (ParseStyleColor(*text) & 0xFFFFFFu) | (fallback & 0xFF000000u);
  const int32_t percent = ReadIniInteger(ini, "ControlBar", alphaKey, -1);
  if (percent >= 0 && percent <= 100)
    rgba = (rgba & 0xFFFFFFu) | (static_cast<uint32_t>((percent * 255 + 50) / 100) << 24);
  return rgba;
}

}  // namespace

TControlBarLook ControlBarLook(const std::string& style) {
  const std::string ini = AppPath("res/Control Bar/" + style + ".ini");
  TControlBarLook look;
  const std::string layout = ReadIniText(ini, "ControlBar", "Layout").value_or("");
  if (layout == "pill") look.Layout = TBarLayout::Pill;
  else if (layout == "corner") look.Layout = TBarLayout::Corner;
  look.Panel = IniColor(ini, "Panel", "PanelAlpha", look.Panel);
  look.Highlight = IniColor(ini, "Highlight", "HighlightAlpha", look.Highlight);
  return look;
}

TControlBarLayout LayOutControlBar(TBarLayout layout, const TRect& area) {
  const int32_t w = area.Right - area.Left, h = area.Bottom - area.Top;
  TControlBarLayout l;
  l.Button = std::clamp(h * 11 / 100, 24, 40);
  const int32_t pad = std::max(4, l.Button / 4);
  const int32_t gap = pad / 2;
  const int32_t panelHeight = l.Button + 2 * pad;
  const int32_t panelWidth = 2 * l.Button + gap + 2 * pad;
  switch (layout) {
    case TBarLayout::Strip:
      // The band's shade starts well above the buttons and deepens towards
      // the edge.
      l.Panel = {area.Left, area.Bottom - panelHeight - 2 * pad, area.Right, area.Bottom};
      l.PlayPause = {area.Left + 2 * pad, area.Bottom - pad - l.Button};
      break;
    case TBarLayout::Pill: {
      const int32_t left = area.Left + (w - panelWidth) / 2;
      l.Panel = {left, area.Bottom - pad - panelHeight, left + panelWidth, area.Bottom - pad};
      l.PlayPause = {left + pad, l.Panel.Top + pad};
      break;
    }
    case TBarLayout::Corner:
      l.Panel = {area.Left + pad, area.Bottom - pad - panelHeight, area.Left + pad + panelWidth,
                 area.Bottom - pad};
      l.PlayPause = {l.Panel.Left + pad, l.Panel.Top + pad};
      break;
  }
  l.Stop = {l.PlayPause.X + l.Button + gap, l.PlayPause.Y};
  return l;
}

}  // namespace reelcast
