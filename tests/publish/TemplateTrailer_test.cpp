#include <gtest/gtest.h>

#include <string>

#include "movie/FlashMovie.h"
#include "publish/TemplateTrailer.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::TempDir;

// The bytes of an SWF with the given stage (twips).
std::string SwfBytes(int32_t widthTwips, int32_t heightTwips, const TempDir& dir) {
  TFlashMovie movie(0, 0, widthTwips, heightTwips, 24, false);
  movie.ShowFrame(1);
  movie.MakeStream();
  std::string path = (dir / "plain.swf").string();
  movie.SaveToFile(path);
  return test::ReadFile(path);
}

std::string Trailer(const std::string& xml, const char* magic) {
  std::string out = xml;
  uint32_t n = static_cast<uint32_t>(xml.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return out + magic;
}

const char* kGoodXml = "<Template><ImageArea left=\"50\" top=\"40\" right=\"250\" bottom=\"190\"/></Template>";

TEST(TemplateTrailer, ReadsTheImageAreaOnlyFromAGoodKrwpTrailer) {
  TempDir dir;
  const std::string swf = SwfBytes(400 * 20, 300 * 20, dir);
  std::string overlong = Trailer(kGoodXml, "KRWP");
  overlong[overlong.size() - 6] = 0x7F;  // a length past the file's start
  struct Case {
    const char* Name;
    std::string Bytes;
    TImageArea Expected;
  } cases[] = {
      {"good", swf + Trailer(kGoodXml, "KRWP"), {50, 40, 250, 190}},
      {"krwt", swf + Trailer(kGoodXml, "KRWT"), {}},
      {"no trailer", swf, {}},
      {"bad xml", swf + Trailer("<Template><ImageArea left=\"50\"", "KRWP"), {}},
      {"no image area", swf + Trailer("<Template><Other left=\"5\"/></Template>", "KRWP"), {}},
      {"length too long", swf + overlong, {}},
      {"tiny file", "KRWP", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string path = (dir / "t.template.swf").string();
    test::WriteFile(path, c.Bytes);
    TImageArea a = ReadImageArea(path);
    EXPECT_EQ(a.Left, c.Expected.Left);
    EXPECT_EQ(a.Top, c.Expected.Top);
    EXPECT_EQ(a.Right, c.Expected.Right);
    EXPECT_EQ(a.Bottom, c.Expected.Bottom);
  }
  TImageArea missing = ReadImageArea((dir / "none.template.swf").string());
  EXPECT_EQ(missing.Right, 0);
  EXPECT_EQ(missing.Bottom, 0);
}

TEST(TemplateTrailer, CheckRefusesAreasWithoutWidthOrHeight) {
  EXPECT_NO_THROW(CheckImageArea({50, 40, 250, 190}, "a"));
  struct Case {
    TImageArea Area;
    const char* Message;
  } cases[] = {
      {{50, 40, 50, 190}, "without width or height: (50, 40)-(50, 190)"},
      {{50, 40, 250, 40}, "without width or height"},
      {{250, 40, 50, 190}, "without width or height"},
      {{0, 0, 0, 0}, "no readable image area"},
  };
  for (const Case& c : cases) {
    try {
      CheckImageArea(c.Area, "Frames.template.swf");
      ADD_FAILURE() << c.Message;
    } catch (const ETemplateError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("Frames.template.swf"), std::string::npos);
    }
  }
}

TEST(TemplateTrailer, PixelSizeRoundsTheFrameAndIgnoresTheTrailer) {
  TempDir dir;
  std::string path = (dir / "t.template.swf").string();
  // 6670 x 5990 twips: 333.5 and 299.5 pixels round up.
  test::WriteFile(path, SwfBytes(6670, 5990, dir) + Trailer(kGoodXml, "KRWP"));
  int32_t w = 0, h = 0;
  EXPECT_TRUE(SwfPixelSize(path, w, h));
  EXPECT_EQ(w, 334);
  EXPECT_EQ(h, 300);

  int32_t keptW = 7, keptH = 9;
  EXPECT_FALSE(SwfPixelSize((dir / "missing.swf").string(), keptW, keptH));
  test::WriteFile(dir / "text.swf", "not a movie at all");
  EXPECT_FALSE(SwfPixelSize((dir / "text.swf").string(), keptW, keptH));
  EXPECT_EQ(keptW, 7);
  EXPECT_EQ(keptH, 9);
}

}  // namespace
}  // namespace reelcast
