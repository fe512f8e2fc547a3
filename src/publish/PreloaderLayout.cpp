#include "publish/PreloaderLayout.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>
#include <system_error>

#include "app/Paths.h"
#include "app/TextConvert.h"

namespace reelcast {

namespace {

std::string Trimmed(const char* text) {
  std::string s(text ? text : "");
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// An integer, 0 when the text is not a number.
int32_t IntegerOf(const pugi::xml_node& node) {
  std::string s = Trimmed(node.child_value());
  if (s.empty()) return 0;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return 0;
  return static_cast<int32_t>(v);
}

// A decimal number with a point, 0 when the text is not a number.
double DecimalOf(const pugi::xml_node& node) {
  std::string s = Trimmed(node.child_value());
  if (s.empty()) return 0;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return 0;
  return v;
}

std::vector<uint32_t> ColorsOf(const pugi::xml_node& node) {
  std::vector<uint32_t> colors;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) colors.push_back(ParseStyleColor(Trimmed(c.child_value())));
  return colors;
}

}  // namespace

uint32_t ParseStyleColor(const std::string& text) {
  char* end = nullptr;
  unsigned long rgb = text.empty() ? 0 : std::strtoul(text.c_str(), &end, 16);
  if (text.empty() || *end != '\0' || rgb > 0xFFFFFF) rgb = 0;
  uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r | (g << 8) | (b << 16) | 0xFF000000u;
}

std::string ProgressBarsPath() { return AppPath("res/Preloaders/ProgressBars.xml"); }

std::vector<TProgressBarStyle> LoadProgressBarStyles(const std::string& path) {
  pugi::xml_document doc;
  pugi::xml_parse_result result = doc.load_file(path.c_str());
  if (!result)
    throw EPreloaderStyles("Cannot read the bar styles " + path + ": " + result.description());
  std::vector<TProgressBarStyle> styles;
  pugi::xml_node root = doc.document_element();
  for (pugi::xml_node e = root.first_child(); e; e = e.next_sibling()) {
    if (e.type() != pugi::node_element) continue;
    TProgressBarStyle s;
    s.NameID = e.child("NameID").child_value();
    s.Width = IntegerOf(e.child("Width"));
    s.Height = IntegerOf(e.child("Height"));
    s.PosX = DecimalOf(e.child("PosX"));
    s.PosY = DecimalOf(e.child("PosY"));
    s.BackBarColor = ColorsOf(e.child("BackBarColor"));
    s.FrontBarColor = ColorsOf(e.child("FrontBarColor"));
    pugi::xml_node t = e.child("Text");
    s.Caption = t.child("Caption").child_value();
    s.Font = t.child("Font").child_value();
    s.Size = IntegerOf(t.child("Size"));
    s.Style = IntegerOf(t.child("Style"));
    s.TextColor = ParseStyleColor(Trimmed(t.child("Color").child_value()));
    s.TextPosX = DecimalOf(t.child("PosX"));
    s.TextPosY = DecimalOf(t.child("PosY"));
    styles.push_back(std::move(s));
  }
  return styles;
}

const TProgressBarStyle* FindProgressBarStyle(const std::vector<TProgressBarStyle>& styles,
                                              const std::string& name) {
  const TProgressBarStyle* found = nullptr;
  for (const TProgressBarStyle& s : styles)
    if (s.NameID == name) found = &s;
  return found;
}

std::string PreloaderSpritePath(const std::string& spriteStyle) {
  return AppPath("res/Preloaders/" + spriteStyle + ".swf");
}

std::vector<std::string> ListPreloaderSprites() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(AppPath("res/Preloaders"), ec)) {
    std::string file = entry.path().filename().string();
    if (file.size() <= 4) continue;
    std::string ext = file.substr(file.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".swf" && entry.is_regular_file(ec)) names.push_back(file.substr(0, file.size() - 4));
  }
  std::sort(names.begin(), names.end());
  return names;
}

int32_t RoundToPixel(double value) {
  // nearbyint rounds in the current mode; the default mode is to nearest,
  // halves to even.
  return static_cast<int32_t>(std::nearbyint(value));
}

TPreloaderLayout ComputePreloaderLayout(int32_t movieWidth, int32_t movieHeight,
                                        const TPreLoader& preloader,
                                        const TProgressBarStyle* style, int32_t spriteWidth,
                                        int32_t spriteHeight) {
  TPreloaderLayout l;
  if (style) {
    l.BarWidth = style->Width;
    l.BarHeight = style->Height;
    l.BarX = RoundToPixel(movieWidth * style->PosX);
    l.BarY = RoundToPixel(movieHeight * style->PosY);
    l.BackColors = style->BackBarColor;
    l.FrontColors = style->FrontBarColor;
    l.Caption = style->Caption;
    l.FontName = style->Font;
    l.FontSize = style->Size;
    l.FontStyle = style->Style;
    l.TextColor = style->TextColor;
    l.TextX = RoundToPixel(movieWidth * style->TextPosX);
    l.TextY = RoundToPixel(movieHeight * style->TextPosY);
  }
  l.SpriteX = RoundToPixel(movieWidth * preloader.SpriteX);
  l.SpriteY = RoundToPixel(movieHeight * preloader.SpriteY);
  if (preloader.UseSprite && !preloader.UseCustomLogo && spriteWidth >= 400 && spriteHeight >= 300) {
    l.FullBackground = true;
    l.SpriteScaleX = static_cast<double>(movieWidth) / spriteWidth;
    l.SpriteScaleY = static_cast<double>(movieHeight) / spriteHeight;
    l.SpriteX = movieWidth / 2;
    l.SpriteY = movieHeight / 2;
  }
  return l;
}

TCaptionParts SplitCaption(const std::string& caption) {
  TCaptionParts parts;
  size_t at = caption.find("%d");
  if (at == std::string::npos) {
    parts.Prefix = caption;
    return parts;
  }
  parts.HasPercent = true;
  parts.Prefix = caption.substr(0, at);
  parts.Suffix = caption.substr(at + 2);
  return parts;
}

}  // namespace reelcast
