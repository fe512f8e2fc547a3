#include <gtest/gtest.h>

#include <map>

#include "app/Config.h"
#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "publish/TitleMovies.h"
#include "support/TestEnv.h"
#include "swf/DisplayList.h"
#include "swf/FontsText.h"
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
  EXPECT_EQ(o.Frames, 1 + effect + effect + effect + 1) << "the last frame halts the titles";
  EXPECT_EQ(o.DepthCount, (std::map<int, int>{{1, 1}, {4, 1}, {5, 1}, {7, 1}, {9, 1}}));

  std::string endTitle = (dir_ / "EndTitle.swf").string();
  ASSERT_TRUE(BuildTitleMovie(part, true, texts, endTitle));
  TRead e = Read(endTitle);
  EXPECT_EQ(e.Frames, 1 + 2 * effect + 1);
  EXPECT_EQ(e.DepthCount, (std::map<int, int>{{1, 1}, {8, 1}, {10, 1}}));
}

// With only a title typed, the published titles show that title and nothing
// else: no sample words, and an empty text takes no place and no time.
TEST_F(TitleMovies, PublishedTitlesShowOnlyTheUsersTexts) {
  InitTitleEffectDefaults();
  NVSetConfigStr("System.FlashText.Title", u"Only mine");
  TTitleSettings titles = LoadTitleSettings();
  EXPECT_EQ(titles.Texts.Title, u"Only mine");
  EXPECT_EQ(titles.Texts.Director, u"");
  EXPECT_EQ(titles.Texts.Motive, u"");
  EXPECT_EQ(titles.Texts.CastView, u"");
  std::string opening = (dir_ / "prelude.swf").string();
  ASSERT_TRUE(BuildTitleMovie(Part(), false, titles, opening));
  TRead o = Read(opening);
  EXPECT_EQ(o.Frames, 1 + 61 + 1);
  EXPECT_EQ(o.DepthCount, (std::map<int, int>{{1, 1}, {4, 1}}));
  std::string endTitle = (dir_ / "EndTitle.swf").string();
  ASSERT_TRUE(BuildTitleMovie(Part(), true, titles, endTitle));
  TRead e = Read(endTitle);
  EXPECT_EQ(e.Frames, 1 + 1);
  EXPECT_EQ(e.DepthCount, (std::map<int, int>{{1, 1}}));
}

// A title longer than the title area is wide is wrapped at blanks into
// lines that fit it (set smaller only as far as needed), stacked inside the
// area with the director's line below them. The area is the part's own
// (from its trailer) or, without one, its frame less a margin.
TEST_F(TitleMovies, LongTitlesWrapIntoTheTitleArea) {
  InitTitleEffectDefaults();
  TTitleSettings titles = LoadTitleSettings();
  titles.Texts = {u"A title far too long for any title background at this size", u"Me", u"", u"Cast"};
  titles.Styles[0].Effect = u"Fade";
  titles.Styles[1].Effect = u"Fade";
  // The same background, once as it is and once with a narrow title area.
  std::string plain = Part();
  std::string framed = (dir_ / "Narrow.prelude.swf").string();
  const std::string xml = "<TitlePart><TitleArea left=\"120\" top=\"40\" right=\"280\" bottom=\"290\"/></TitlePart>";
  std::string bytes = test::ReadFile(plain) + xml;
  const uint32_t n = static_cast<uint32_t>(xml.size());
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
  test::WriteFile(framed, bytes + "KRWP");
  struct Case {
    std::string Part;
    int Left, Top, Right, Bottom;  // the title area in pixels
  };
  for (const Case& c : {Case{plain, 20, 15, 380, 285}, Case{framed, 120, 40, 280, 290}}) {
    SCOPED_TRACE(c.Right - c.Left);
    std::string opening = (dir_ / "prelude.swf").string();
    ASSERT_TRUE(BuildTitleMovie(c.Part, false, titles, opening));
    TSWFStreamReader reader(opening);
    reader.ParseTags(true, false);
    // The width of each line's text, in the order made (the title's lines,
    // then the director's).
    std::vector<int> widths;
    for (size_t i = 0; i < reader.TagCount(); ++i)
      if (auto* t = dynamic_cast<TSWFDefineText*>(reader.TagInfo(i).TagObject))
        widths.push_back((t->TextBounds.Xmax() - t->TextBounds.Xmin()) / 20);
    // Two or three lines of the title, then the director's.
    ASSERT_GE(widths.size(), 3u);
    ASSERT_LE(widths.size(), 4u);
    int total = 0;
    for (size_t i = 0; i + 1 < widths.size(); ++i) {
      EXPECT_LE(widths[i], c.Right - c.Left) << "line " << i;
      total += widths[i];
    }
    EXPECT_GT(total, c.Right - c.Left) << "wrapped, not shrunk into one line";
    // The rows the lines' effects are centred on (where their holders are
    // placed on the root), in the order placed: each inside the area, each
    // below the one before.
    std::vector<int> rows;
    for (size_t i = 0; i < reader.TagCount(); ++i)
      if (auto* p = dynamic_cast<TSWFPlaceObject2*>(reader.TagInfo(i).TagObject))
        if (p->HasCharacter && p->Depth > 1) rows.push_back(p->Matrix()->TranslateY / 20);
    ASSERT_EQ(rows.size(), widths.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_GT(rows[i], c.Top) << "row " << i;
      EXPECT_LT(rows[i], c.Bottom) << "row " << i;
      if (i > 0) {
        EXPECT_GT(rows[i], rows[i - 1] + 15) << "row " << i << " below the one before";
      }
    }
  }
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
