#include <gtest/gtest.h>

#include "swf/FontsText.h"
#include "swf/TagTestUtil.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;
using test::MakeTag;

// A glyph: select fill style 1, one edge of 20 twips.
TShapeRecordList Glyph() {
  TShapeRecordList g;
  auto sc = std::make_unique<TSWFStyleChangeRecord>();
  sc->SetFillStyle1(1);
  g.push_back(std::move(sc));
  g.push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 0));
  return g;
}

std::unique_ptr<TSWFTextRecord> Record(bool color) {
  auto r = std::make_unique<TSWFTextRecord>();
  r->SetFontId(1);
  r->SetTextHeight(240);
  if (color) r->TextColor().SetRGBA(0x80FF0000);
  r->GlyphEntries = {{100, 1}, {120, 2}, {-10, 3}};
  return r;
}

TEST(FontTextBytes, FontAndTextTables) {
  const std::vector<test::TagRow> rows = {
      {"DefineFont2: narrow offsets, two glyphs, codes A and B",
       MakeTag<TSWFDefineFont2>([](auto& f) {
         f.FontId = 1;
         f.FontName = "F";
         f.Glyphs.push_back(Glyph());
         f.Glyphs.push_back(Glyph());
         f.CodeTable = {'A', 'B'};
       }),
       "01 00 00 00 01 46 02 00 06 00 0B 00 10 00 10 13 A0 A0 00 10 13 A0 A0 00 41 42"},
      {"DefineFont2 with layout and kerning, wide codes",
       MakeTag<TSWFDefineFont2>([](auto& f) {
         f.FontId = 2;
         f.FontFlagsHasLayout = true;
         f.FontFlagsWideCodes = true;
         f.Glyphs.push_back(Glyph());
         f.CodeTable = {0x263A};
         f.FontAscent = 800;
         f.FontDescent = 200;
         f.FontLeading = -5;
         f.AdvanceTable = {512};
         f.BoundsTable.push_back(std::make_unique<TSWFRect>());
         auto k = std::make_unique<TSWFKerningRecord>();
         k->Code1 = 0x263A;
         k->Code2 = 0x41;
         k->Adjustment = -20;
         f.KerningTable.push_back(std::move(k));
       }),
       "02 00 84 00 00 01 00 04 00 09 00 10 13 A0 A0 00 3A 26 20 03 C8 00 FB FF 00 02 00 "
       "01 00 3A 26 41 00 EC FF"},
      {"DefineFont: offsets from the table start",
       MakeTag<TSWFDefineFont>([](auto& f) {
         f.FontId = 3;
         f.Glyphs.push_back(Glyph());
         f.Glyphs.push_back(Glyph());
       }),
       "03 00 04 00 09 00 10 13 A0 A0 00 10 13 A0 A0 00"},
      {"DefineFontInfo: narrow codes",
       MakeTag<TSWFDefineFontInfo>([](auto& f) {
         f.FontId = 4;
         f.FontName = "F";
         f.FontFlagsItalic = true;
         f.CodeTable = {'A', 'B'};
       }),
       "04 00 01 46 04 41 42"},
      {"DefineFontInfo2: always wide codes",
       MakeTag<TSWFDefineFontInfo2>([](auto& f) {
         f.FontId = 3;
         f.FontName = "F";
         f.FontFlagsBold = true;
         f.LanguageCode = 1;
         f.CodeTable = {'A', 'B'};
       }),
       "03 00 01 46 03 01 41 00 42 00"},
      {"DefineText: RGB-less record of three 6/9-bit entries",
       MakeTag<TSWFDefineText>([](auto& t) {
         t.TextId = 5;
         t.GlyphBits = 6;
         t.AdvanceBits = 9;
         t.TextRecords.push_back(Record(false));
       }),
       "05 00 00 00 06 09 88 01 00 F0 00 03 04 C8 11 E0 3F B0 00"},
      {"DefineText writes RGB colours",
       MakeTag<TSWFDefineText>([](auto& t) {
         t.TextId = 5;
         t.GlyphBits = 6;
         t.AdvanceBits = 9;
         t.TextRecords.push_back(Record(true));
       }),
       "05 00 00 00 06 09 8C 01 00 00 00 FF F0 00 03 04 C8 11 E0 3F B0 00"},
      {"DefineText2 writes RGBA colours and offsets",
       MakeTag<TSWFDefineText2>([](auto& t) {
         t.TextId = 6;
         t.GlyphBits = 6;
         t.AdvanceBits = 9;
         auto r = Record(true);
         r->SetXOffset(-20);
         r->SetYOffset(300);
         t.TextRecords.push_back(std::move(r));
       }),
       "06 00 00 00 06 09 8F 01 00 00 00 FF 80 EC FF 2C 01 F0 00 03 04 C8 11 E0 3F B0 00"},
      {"DefineEditText with font, colour, layout and text",
       MakeTag<TSWFDefineEditText>([](auto& e) {
         e.CharacterId = 7;
         e.HasFont = true;
         e.FontId = 1;
         e.FontHeight = 240;
         e.TextColor().SetRGBA(0xFF000000);
         e.HasLayout = true;
         e.Align = 2;
         e.ReadOnly = true;
         e.HasText = true;
         e.VariableName = "v";
         e.InitialText = "hi";
       }),
       "07 00 00 8D 20 01 00 F0 00 00 00 00 FF 02 00 00 00 00 00 00 00 00 76 00 68 69 00"},
      {"CSMTextSettings: 12 bytes",
       MakeTag<TSWFCSMTextSettings>([](auto& c) {
         c.TextId = 7;
         c.UseFlashType = 1;
         c.GridFit = 2;
         c.Thickness = 1.0f;
       }),
       "07 00 50 00 00 80 3F 00 00 00 00 00"},
      {"DefineFontAlignZones",
       MakeTag<TSWFDefineFontAlignZones>([](auto& z) {
         z.FontId = 1;
         z.CSMTableHint = 1;
         TSWFZoneRecord r;
         r.ZoneData = {{0x3C00, 0x0100}, {0, 2}};
         r.ZoneMaskY = true;
         z.ZoneTable.push_back(r);
       }),
       "01 00 40 02 00 3C 00 01 00 00 02 00 80"},
  };
  test::CheckTagTable(rows, {0, true});
}

TEST(FontTextBytes, EmptyCodeTableForcesANSIAndDropsLayout) {
  TSWFDefineFont2 f;
  f.FontId = 2;
  f.FontFlagsHasLayout = true;
  EXPECT_EQ(Hex(test::BodyOf(f)), "02 00 10 00 00 00 00 02 00");
  auto back = test::ReadBody(48, test::BodyOf(f));
  auto& read = static_cast<TSWFDefineFont2&>(*back);
  EXPECT_TRUE(read.FontFlagsANSI);
  EXPECT_FALSE(read.FontFlagsHasLayout);
}

TEST(FontTextBytes, FirstGlyphRecordSelectsFillStyleOne) {
  TSWFDefineFont3 f;
  TShapeRecordList g;
  auto sc = std::make_unique<TSWFStyleChangeRecord>();
  sc->SetMoveTo(0, 0);
  auto* first = sc.get();
  g.push_back(std::move(sc));
  f.Glyphs.push_back(std::move(g));
  f.CodeTable = {'x'};
  test::BodyOf(f);
  EXPECT_TRUE(first->StateFillStyle1);
  EXPECT_EQ(first->FillStyle1(), 1);
  EXPECT_FALSE(first->StateFillStyle0);
  EXPECT_TRUE(first->StateLineStyle);
  EXPECT_EQ(f.MinVersion(), 8);
}

TEST(FontTextBytes, EditTextVersionsAndStrings) {
  TSWFDefineEditText e;
  e.HasText = true;
  e.InitialText = "\xE9t\xE9";  // "été" in the system code page
  e.SWFVersion = 8;
  EXPECT_EQ(e.MinVersion(), 4);
  e.AutoSize = true;
  EXPECT_EQ(e.MinVersion(), 6);
  EXPECT_NE(test::BodyOf(e).find("\xC3\xA9t\xC3\xA9"), std::string::npos);
  e.HTML = true;
  EXPECT_NE(test::BodyOf(e).find("\xE9t\xE9"), std::string::npos);
  e.WideInitialText = std::u16string(1, u'\u263A');
  EXPECT_NE(test::BodyOf(e).find("\xE2\x98\xBA"), std::string::npos);
}

TEST(FontTextBytes, NamesReadFromAFileAreWrittenBackUnconverted) {
  for (auto [code, body] : {std::pair<uint16_t, const char*>{62, "03 00 02 C3 A9 03 01 41 00"},
                            {13, "03 00 02 C3 A9 00 41"},
                            {48, "01 00 10 00 02 C3 A9 00 00 02 00"}}) {
    auto tag = test::ReadBody(code, Bytes(body), {8, true});
    EXPECT_EQ(Hex(test::BodyOf(*tag)), Hex(Bytes(body))) << code;
  }
}

TEST(FontTextBadInput, OffsetsCountsAndBitWidthsPastTheBodyThrow) {
  const char* fonts[] = {
      // Glyph offset pointing past the tag.
      "01 00 00 00 00 01 00 04 00 40 00 10 00",
      // 200 glyphs announced, a few bytes behind them.
      "01 00 00 00 00 C8 00 04 00 06 00",
  };
  for (const char* f : fonts) EXPECT_ANY_THROW(test::ReadBody(48, Bytes(f))) << f;
  // Text with glyph bits 40; a record announcing 9 entries with 2 bytes left.
  EXPECT_ANY_THROW(test::ReadBody(11, Bytes("05 00 00 00 28 09 80 03 00 00")));
  EXPECT_ANY_THROW(test::ReadBody(11, Bytes("05 00 00 00 06 09 80 09 04 C8")));
}

}  // namespace
}  // namespace reelcast
