#include <gtest/gtest.h>

#include <map>

#include "app/Config.h"
#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "publish/TitleMovies.h"
#include "support/TestEnv.h"
#include "swf/DisplayList.h"
#include "swf/SWFStream.h"

namespace reelcast {
namespace {

using test::ScopedEnv;
using test::TempDir;

class TitleMovies : public testing::Test {
 protected:
  TitleMovies() {
    ShutdownGlobalConfig();
    InitGlobalConfig();
  }
  ~TitleMovies() override { ShutdownGlobalConfig(); }

  // A one-frame 400 x 300 background.
  std::string Part() {
    std::string path = (dir_ / "Frames.prelude.swf").string();
    TFlashMovie movie(0, 0, 400, 300, 24, true);
    movie.PlaceObject(movie.AddRectangle(10, 10, 390, 290), 1);
    movie.ShowFrame(1);
    movie.MakeStream();
    movie.SaveToFile(path);
    return path;
  }

  // Frame count and the depths at which characters are placed on the root.
  struct TRead {
    int Frames = 0;
    std::map<int, int> DepthCount;
  };
  static TRead Read(const std::string& path) {
    TSWFStreamReader reader(path);
    reader.ParseTags(true, false);
    EXPECT_TRUE(reader.IsSWF());
    for (const std::string& problem : reader.Problems()) ADD_FAILURE() << path << ": " << problem;
    TRead out;
    out.Frames = reader.FrameCount;
    for (size_t i = 0; i < reader.TagCount(); ++i)
      if (auto* p = dynamic_cast<TSWFPlaceObject2*>(reader.TagInfo(i).TagObject))
        if (p->HasCharacter) ++out.DepthCount[p->Depth];
    return out;
  }

  TempDir dir_;
  ScopedEnv home_{"REELCAST_HOME", dir_.Path().string()};
};

TEST_F(TitleMovies, DefaultsFillOnlyMissingKeysAndNewTextsGetSamples) {
  NVSetConfigStr("System.TitleEffect", u"Fade");
  NVSetConfigInt("System.DirectorFontSize", 50);
  InitTitleEffectDefaults();
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.TitleEffect")), u"Fade");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.DirectorEffect")), u"Rotate");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.CastViewFontName")), u"Monotype Corsiva");
  int32_t size = 0;
  ASSERT_TRUE(NVGetConfigInt("System.DirectorFontSize", &size));
  EXPECT_EQ(size, 50);
  ASSERT_TRUE(NVGetConfigInt("System.TitleFontSize", &size));
  EXPECT_EQ(size, 40);
  EXPECT_FALSE(NVGetConfigInt("System.TitleFontColor", &size));

  TTitleTexts fresh = TitleTextsOrSamples();
  EXPECT_EQ(fresh.Title, u"New Flash");
  EXPECT_EQ(fresh.CastView, u"Kestrine!");
  ASSERT_NE(NVGetConfigStrPtr("System.FlashText.Motive"), nullptr);  // created empty
  NVSetConfigStr("System.FlashText.Director", u"Me");
  TTitleTexts stored = TitleTextsOrSamples();
  EXPECT_EQ(stored.Title, u"");
  EXPECT_EQ(stored.Director, u"Me");
}

// Opening: background frame, title, director, then the motive lines shown
// together for one sprite's length. Ending: every cast line in turn, its
// depth and place following its line number.
TEST_F(TitleMovies, TitlesFollowEachOtherOverTheBackground) {
  InitTitleEffectDefaults();
  NVSetConfigStr("System.MotiveEffect", u"NoSuchEffect");  // falls back to a known one
  std::string part = Part();
  TTitleTexts texts{u"Film", u"Director", u"one\n\nthree", u"cast A\r\n\r\ncast C\n"};
  std::string opening = (dir_ / "prelude.swf").string();
  ASSERT_TRUE(BuildTitleMovie(part, false, texts, opening));
  TRead o = Read(opening);
  const int effect = 61;  // frames of one effect sprite
  EXPECT_EQ(o.Frames, 1 + effect + effect + effect);
  EXPECT_EQ(o.DepthCount, (std::map<int, int>{{1, 1}, {4, 1}, {5, 1}, {7, 1}, {9, 1}}));

  std::string endTitle = (dir_ / "EndTitle.swf").string();
  ASSERT_TRUE(BuildTitleMovie(part, true, texts, endTitle));
  TRead e = Read(endTitle);
  EXPECT_EQ(e.Frames, 1 + 2 * effect);
  EXPECT_EQ(e.DepthCount, (std::map<int, int>{{1, 1}, {8, 1}, {10, 1}}));
}

// A character no font has (an unassigned code point) is drawn as the
// font's missing-glyph box and logged; the movie is still made whole.
TEST_F(TitleMovies, CharactersTheFontLacksGetTheMissingGlyphBox) {
  InitTitleEffectDefaults();
  TTitleSettings titles = LoadTitleSettings();
  titles.Texts = {u"Snow \u0378", u"", u"", u"\u0378\u0379"};
  titles.Styles[0].FontName = u"No Such Font Family";
  std::string opening = (dir_ / "prelude.swf").string();
  ASSERT_TRUE(BuildTitleMovie(Part(), false, titles, opening));
  EXPECT_GT(Read(opening).Frames, 1);
  std::string endTitle = (dir_ / "EndTitle.swf").string();
  ASSERT_TRUE(BuildTitleMovie(Part(), true, titles, endTitle));
  EXPECT_GT(Read(endTitle).Frames, 1);
  EXPECT_NE(test::ReadFile(LogFilePath()).find("has no glyph for U+0378"), std::string::npos);
}

TEST_F(TitleMovies, MissingOrBrokenPartWritesNothing) {
  std::string out = (dir_ / "prelude.swf").string();
  TTitleTexts texts{u"a", u"b", u"c", u"d"};
  EXPECT_FALSE(BuildTitleMovie((dir_ / "none.prelude.swf").string(), false, texts, out));
  test::WriteFile(dir_ / "text.prelude.swf", "no movie here");
  EXPECT_FALSE(BuildTitleMovie((dir_ / "text.prelude.swf").string(), false, texts, out));
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace reelcast
