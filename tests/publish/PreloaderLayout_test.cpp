// Bar styles from "ProgressBars.xml" and the arithmetic of the preloader
// frame's layout.
#include "publish/PreloaderLayout.h"

#include <gtest/gtest.h>

#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::TempDir;
using test::WriteFile;

const char kStyles[] = R"(<?xml version="1.0"?>
<ProgressBars>
  <Bar>
    <NameID>Solid</NameID>
    <Width>200</Width><Height>12</Height>
    <PosX>0.5</PosX><PosY>0.75</PosY>
    <BackBarColor><C>333333</C></BackBarColor>
    <FrontBarColor><C>FF0000</C></FrontBarColor>
    <Text><Caption>Loading %d%</Caption><Font>DejaVu Sans</Font><Size>14</Size>
      <Style>3</Style><Color>00ff80</Color><PosX>0.5</PosX><PosY>0.85</PosY></Text>
  </Bar>
  <!-- a comment between styles is no style -->
  <Bar>
    <NameID>Gradient</NameID>
    <Width>wide</Width><Height>8</Height>
    <PosX>half</PosX><PosY>0.6</PosY>
    <BackBarColor><C>000000</C><C>FFFFFF</C></BackBarColor>
    <FrontBarColor><C>0000FF</C><C>00FF00</C><C>zz</C></FrontBarColor>
    <Text><Caption></Caption></Text>
  </Bar>
  <Bar><NameID>Solid</NameID><Width>90</Width></Bar>
</ProgressBars>
)";

TEST(ProgressBarStyles, ReadEveryFieldInDocumentOrder) {
  TempDir dir;
  WriteFile(dir / "ProgressBars.xml", kStyles);
  auto styles = LoadProgressBarStyles((dir / "ProgressBars.xml").string());
  ASSERT_EQ(styles.size(), 3u);
  const TProgressBarStyle& s = styles[0];
  EXPECT_EQ(s.NameID, "Solid");
  EXPECT_EQ(s.Width, 200);
  EXPECT_EQ(s.Height, 12);
  EXPECT_DOUBLE_EQ(s.PosY, 0.75);
  EXPECT_EQ(s.BackBarColor, std::vector<uint32_t>{0xFF333333u});
  EXPECT_EQ(s.FrontBarColor, std::vector<uint32_t>{0xFF0000FFu});  // red in the low byte
  EXPECT_EQ(s.Caption, "Loading %d%");
  EXPECT_EQ(s.Font, "DejaVu Sans");
  EXPECT_EQ(s.Size, 14);
  EXPECT_EQ(s.Style, 3);
  EXPECT_EQ(s.TextColor, 0xFF80FF00u);
  EXPECT_DOUBLE_EQ(s.TextPosY, 0.85);
  // Texts that are no numbers read as 0; a bad colour as black.
  const TProgressBarStyle& g = styles[1];
  EXPECT_EQ(g.Width, 0);
  EXPECT_DOUBLE_EQ(g.PosX, 0);
  EXPECT_EQ(g.FrontBarColor, (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF000000u}));
  // The last style of a name wins.
  EXPECT_EQ(FindProgressBarStyle(styles, "Solid")->Width, 90);
  EXPECT_EQ(FindProgressBarStyle(styles, "solid"), nullptr);
}

TEST(ProgressBarStyles, MissingOrBrokenFileRaises) {
  TempDir dir;
  EXPECT_THROW(LoadProgressBarStyles((dir / "none.xml").string()), EPreloaderStyles);
  WriteFile(dir / "bad.xml", "<ProgressBars><Bar>");
  EXPECT_THROW(LoadProgressBarStyles((dir / "bad.xml").string()), EPreloaderStyles);
}

TEST(PreloaderLayout, PlacesBarTextAndSprite) {
  TProgressBarStyle s;
  s.Width = 200;
  s.Height = 12;
  s.PosX = 0.5;
  s.PosY = 0.75;
  s.TextPosX = 0.3;
  s.TextPosY = 0.5;
  TPreLoader p;
  p.UseSprite = true;
  TPreloaderLayout l = ComputePreloaderLayout(320, 240, p, &s, 200, 150);
  EXPECT_EQ(l.BarWidth, 200);
  EXPECT_EQ(l.BarX, 160);
  EXPECT_EQ(l.BarY, 180);
  EXPECT_EQ(l.TextX, 96);
  EXPECT_EQ(l.TextY, 120);
  // A small sprite keeps its size and sits on SpriteX/SpriteY (0.5, 0.4).
  EXPECT_FALSE(l.FullBackground);
  EXPECT_EQ(l.SpriteX, 160);
  EXPECT_EQ(l.SpriteY, 96);
  EXPECT_DOUBLE_EQ(l.SpriteScaleX, 1);
  // Halves round to the even neighbour: 0.5 x 321 = 160.5 -> 160, x 323 -> 162.
  EXPECT_EQ(ComputePreloaderLayout(321, 240, p, &s, 0, 0).BarX, 160);
  EXPECT_EQ(ComputePreloaderLayout(323, 240, p, &s, 0, 0).BarX, 162);
  // No style of that name: no bar at all.
  TPreloaderLayout none = ComputePreloaderLayout(320, 240, p, nullptr, 0, 0);
  EXPECT_EQ(none.BarWidth, 0);
  EXPECT_TRUE(none.FrontColors.empty());
}

TEST(PreloaderLayout, LargeSpriteBecomesTheFullBackground) {
  TPreLoader p;
  p.UseSprite = true;
  TPreloaderLayout l = ComputePreloaderLayout(320, 240, p, nullptr, 550, 400);
  EXPECT_TRUE(l.FullBackground);
  EXPECT_NEAR(l.SpriteScaleX, 0.581818, 1e-6);
  EXPECT_DOUBLE_EQ(l.SpriteScaleY, 0.6);
  EXPECT_EQ(l.SpriteX, 160);
  EXPECT_EQ(l.SpriteY, 120);
  // Both sides must reach the limit; a custom logo is never stretched.
  EXPECT_FALSE(ComputePreloaderLayout(320, 240, p, nullptr, 550, 299).FullBackground);
  p.UseCustomLogo = true;
  EXPECT_FALSE(ComputePreloaderLayout(320, 240, p, nullptr, 550, 400).FullBackground);
}

TEST(PreloaderLayout, CaptionSplitsAtTheFirstPercentMark) {
  struct Case {
    const char* Caption;
    const char* Prefix;
    const char* Suffix;
    bool HasPercent;
  };
  const Case cases[] = {
      {"Loading %d%", "Loading ", "%", true},
      {"%d", "", "", true},
      {"%d of %d", "", " of %d", true},
      // Without a mark the caption is shown whole, not cut by one character.
      {"Please wait", "Please wait", "", false},
  };
  for (const Case& c : cases) {
    TCaptionParts parts = SplitCaption(c.Caption);
    EXPECT_EQ(parts.Prefix, c.Prefix) << c.Caption;
    EXPECT_EQ(parts.Suffix, c.Suffix) << c.Caption;
    EXPECT_EQ(parts.HasPercent, c.HasPercent) << c.Caption;
  }
}

}  // namespace
}  // namespace reelcast

namespace reelcast {
namespace {

// The bar styles the program ships: at least four, named uniquely, solid
// and gradient bars, captions with the percentage.
TEST(ProgressBarStyles, ShippedFileOffersRealChoices) {
  auto styles = LoadProgressBarStyles(ProgressBarsPath());
  ASSERT_GE(styles.size(), 4u);
  int solid = 0, gradient = 0, percent = 0;
  for (size_t i = 0; i < styles.size(); ++i) {
    const TProgressBarStyle& s = styles[i];
    EXPECT_EQ(FindProgressBarStyle(styles, s.NameID), &s) << "unique name " << s.NameID;
    EXPECT_GT(s.Width, 0) << s.NameID;
    EXPECT_GT(s.Height, 0) << s.NameID;
    EXPECT_FALSE(s.BackBarColor.empty()) << s.NameID;
    (s.FrontBarColor.size() == 1 ? solid : gradient) += 1;
    if (s.Caption.find("%d") != std::string::npos) ++percent;
  }
  EXPECT_GE(solid, 1);
  EXPECT_GE(gradient, 1);
  EXPECT_GE(percent, 3);
}

}  // namespace
}  // namespace reelcast
