// The bar styles of the preloader: "res/Preloaders/ProgressBars.xml".
#include "DataGen.h"

#include <vector>

namespace reelcast::datagen {

namespace {

struct TBarStyleData {
  const char* Name;
  int Width, Height;
  const char* PosX;
  const char* PosY;
  std::vector<const char*> Back;
  std::vector<const char*> Front;
  const char* Caption;
  const char* Font;
  int Size, Style;
  const char* Color;
  const char* TextX;
  const char* TextY;
};

const TBarStyleData kStyles[] = {
    {"Classic Blue", 200, 10, "0.5", "0.75", {"1E2A3A"}, {"3C8DFF"}, "Loading %d%", "DejaVu Sans",
     12, 1, "FFFFFF", "0.5", "0.85"},
    {"Sunset Gradient", 240, 14, "0.5", "0.7", {"2B2B2B", "444444"}, {"FF5E3A", "FFB03A"},
     "%d% loaded", "DejaVu Sans", 14, 0, "FFD9A0", "0.5", "0.82"},
    {"Slim Green", 160, 4, "0.5", "0.8", {"203020"}, {"4CD964"}, "%d", "DejaVu Sans Mono", 11, 0,
     "4CD964", "0.5", "0.88"},
    {"Silver Glass", 220, 16, "0.5", "0.72", {"505050", "303030"},
     {"F0F0F0", "B0B0B0", "E0E0E0"}, "Please wait... %d%", "DejaVu Serif", 13, 3, "E0E0E0", "0.5",
     "0.84"},
    {"Red Line", 300, 3, "0.5", "0.94", {"400000"}, {"FF2020"}, "%d%", "DejaVu Sans", 10, 1,
     "FF2020", "0.5", "0.87"},
};

}  // namespace

std::string ProgressBarsXml() {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProgressBars>\n";
  auto colors = [](const char* tag, const std::vector<const char*>& list) {
    std::string s = std::string("    <") + tag + ">";
    for (const char* c : list) s += std::string("<Color>") + c + "</Color>";
    return s + "</" + tag + ">\n";
  };
  for (const TBarStyleData& b : kStyles) {
    x += "  <ProgressBar>\n";
    x += std::string("    <NameID>") + b.Name + "</NameID>\n";
    x += "    <Width>" + std::to_string(b.Width) + "</Width>\n";
    x += "    <Height>" + std::to_string(b.Height) + "</Height>\n";
    x += std::string("    <PosX>") + b.PosX + "</PosX>\n";
    x += std::string("    <PosY>") + b.PosY + "</PosY>\n";
    x += colors("BackBarColor", b.Back);
    x += colors("FrontBarColor", b.Front);
    x += "    <Text>\n";
    x += std::string("      <Caption>") + b.Caption + "</Caption>\n";
    x += std::string("      <Font>") + b.Font + "</Font>\n";
    x += "      <Size>" + std::to_string(b.Size) + "</Size>\n";
    x += "      <Style>" + std::to_string(b.Style) + "</Style>\n";
    x += std::string("      <Color>") + b.Color + "</Color>\n";
    x += std::string("      <PosX>") + b.TextX + "</PosX>\n";
    x += std::string("      <PosY>") + b.TextY + "</PosY>\n";
    x += "    </Text>\n";
    x += "  </ProgressBar>\n";
  }
  return x + "</ProgressBars>\n";
}

}  // namespace reelcast::datagen
