#include <gtest/gtest.h>

#include <cmath>

#include "movie/FlashText.h"
#include "movie/MovieTestUtil.h"
#include "swf/FontsText.h"

namespace reelcast {
namespace {

TEST(FlashFont, CharactersStaySortedAndUnique) {
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  TFlashFont* font = movie.AddFont({"Liberation Sans", 20, false, false, 0}, false);
  font->AddChars(std::string("abca"));
  ASSERT_EQ(font->Chars.size(), 3u);
  EXPECT_EQ(font->Chars[0]->Code, 'a');
  EXPECT_EQ(font->Chars[2]->Code, 'c');
  // 0x80 is the euro sign in the system code page: it sorts by its UTF-16
  // value, after e acute.
  font->AddChars(std::string("\x80\xE9"));
  EXPECT_EQ(font->FindChar(0x80)->UnicodeCode, 0x20AC);
  EXPECT_EQ(font->Chars.back()->Code, 0x80);
  EXPECT_FALSE(font->NeedsWideCodes());
  EXPECT_EQ(movie.SWFVersion(), 5);
  font->AddChars(std::u16string(u"\u0160"));
  EXPECT_TRUE(font->HasWideChars);
  EXPECT_EQ(movie.SWFVersion(), 6);
}

TEST(FlashFont, CharsetSelectsEncodingAndLanguage) {
  struct Row {
    uint8_t Charset, Language, Encoding;
  };
  for (Row r : {Row{0, 0, 0}, Row{1, 0, 2}, Row{128, 2, 1}, Row{134, 4, 0}, Row{77, 64, 2}}) {
    TFlashFont font;
    font.SetCharset(r.Charset);
    EXPECT_EQ(font.LanguageCode, r.Language) << int(r.Charset);
    EXPECT_EQ(font.Encoding, r.Encoding) << int(r.Charset);
  }
}

TEST(FlashText, StaticTextLaysOutGlyphsFromTheFace) {
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  TFlashFont* font = movie.AddFont({"Liberation Sans", 20, false, false, 0}, false);
  EXPECT_EQ(font->FontSize, 400);
  TFlashText* text = movie.AddText(std::string("A A"), 0xFF0000FFu, font, TPoint32{100, 50}, 1);
  TFlashText* faint = movie.AddText(std::string("A"), 0x800000FFu, font, TPoint32{0, 0});
  movie.PlaceObject(text, 1);
  movie.PlaceObject(faint, 2);

  const TFontFace& face = font->Face();
  int advanceA = face.Advance(U'A'), advanceSpace = face.Advance(U' ');
  test::ReadMovie r = test::SaveAndRead(movie);
  auto fonts = r.All<TSWFDefineFont2>();
  auto texts = r.All<TSWFDefineText>();
  ASSERT_EQ(fonts.size(), 1u);
  ASSERT_EQ(texts.size(), 2u);
  const TSWFDefineFont2& f = *fonts[0];
  EXPECT_EQ(f.FontName, "Liberation Sans");
  EXPECT_EQ(f.CodeTable, (std::vector<uint16_t>{' ', 'A'}));
  ASSERT_EQ(f.Glyphs.size(), 2u);
  EXPECT_LE(f.Glyphs[0].size(), 2u);  // the space has no outline
  EXPECT_GT(f.Glyphs[1].size(), 5u);
  EXPECT_TRUE(f.FontFlagsHasLayout);  // alignment asks for layout
  EXPECT_EQ(f.AdvanceTable, (std::vector<int16_t>{int16_t(advanceSpace), int16_t(advanceA)}));

  // Right-aligned at (100, 50) px: the extent ends at the point.
  const TSWFDefineText& t = *texts[0];
  EXPECT_EQ(t.TagID, 11);
  int width = static_cast<int>(std::nearbyint((2 * advanceA + advanceSpace) / 1024.0 * 400));
  EXPECT_EQ(t.TextBounds.Xmax(), 2000);
  EXPECT_EQ(t.TextBounds.Xmin(), 2000 - width);
  EXPECT_EQ(t.TextBounds.Ymin(), 1000);
  ASSERT_EQ(t.TextRecords.size(), 1u);
  const TSWFTextRecord& rec = *t.TextRecords[0];
  EXPECT_EQ(rec.TextHeight(), 400);
  EXPECT_EQ(rec.YOffset(), std::lround(font->Ascent / 1024.0 * 400) + 1000);
  ASSERT_EQ(rec.GlyphEntries.size(), 3u);
  EXPECT_EQ(rec.GlyphEntries[0].GlyphIndex, 1);
  EXPECT_EQ(rec.GlyphEntries[1].GlyphIndex, 0);
  EXPECT_EQ(rec.GlyphEntries[0].GlyphAdvance, std::lround(advanceA / 1024.0 * 400));
  EXPECT_EQ(texts[1]->TagID, 33);  // a colour with alpha
}

TEST(FlashText, CodePageGlyphsFollowTheirCodes) {
  // The euro sign (0x80) sorts after e acute (0xE9) by UTF-16 value but
  // before it by code: each text glyph must still find its own outline.
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  TFlashFont* font = movie.AddFont({"Liberation Sans", 20, false, false, 0}, false);
  TFlashText* text = movie.AddText(std::string("\xE9\x80"), 0xFF000000u, font, TPoint32{0, 0});
  movie.PlaceObject(text, 1);
  test::ReadMovie r = test::SaveAndRead(movie);
  const TSWFDefineFont2& f = *r.All<TSWFDefineFont2>().at(0);
  const TSWFTextRecord& rec = *r.All<TSWFDefineText>().at(0)->TextRecords.at(0);
  ASSERT_EQ(f.CodeTable, (std::vector<uint16_t>{0x80, 0xE9}));
  EXPECT_EQ(f.CodeTable[rec.GlyphEntries[0].GlyphIndex], 0xE9);
  EXPECT_EQ(f.CodeTable[rec.GlyphEntries[1].GlyphIndex], 0x80);
  // The glyph at the euro's place is the euro's outline (written with an
  // end record added).
  ASSERT_NE(font->FindChar(0x80)->Records.size(), font->FindChar(0xE9)->Records.size());
  EXPECT_EQ(f.Glyphs[0].size(), font->FindChar(0x80)->Records.size() + 1);
  EXPECT_EQ(f.Glyphs[1].size(), font->FindChar(0xE9)->Records.size() + 1);
}

TEST(FlashText, EditTextInADeviceFontCarriesNoGlyphs) {
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  TFlashFont* font = movie.AddFont({"Liberation Serif", 16, true, false, 0}, true);
  TFlashText* edit = movie.AddDynamicText("title", std::string("Hello"), TRect{10, 10, 190, 40},
                                          font, 0xFF00FF00u);
  movie.PlaceObject(edit, 1);
  EXPECT_TRUE(font->UsedByEditText);
  EXPECT_FALSE(font->UsedByStaticText);
  test::ReadMovie r = test::SaveAndRead(movie);
  const TSWFDefineFont2& f = *r.All<TSWFDefineFont2>().at(0);
  EXPECT_TRUE(f.Glyphs.empty());
  EXPECT_TRUE(f.FontFlagsBold);
  const TSWFDefineEditText& e = *r.All<TSWFDefineEditText>().at(0);
  EXPECT_FALSE(e.UseOutlines);
  EXPECT_FALSE(e.ReadOnly);
  EXPECT_EQ(e.VariableName, "title");
  EXPECT_EQ(e.InitialText, "Hello");
  EXPECT_EQ(e.FontHeight, 320);
  EXPECT_EQ(e.Bounds.Rect(), (TRect{200, 200, 3800, 800}));
  EXPECT_EQ(e.TextColorView().GetRGBA(), 0xFF00FF00u);
}

}  // namespace
}  // namespace reelcast
