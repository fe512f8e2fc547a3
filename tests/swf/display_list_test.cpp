#include <gtest/gtest.h>

#include "swf/ActionsData.h"
#include "swf/ActionsSimple.h"
#include "swf/Buttons.h"
#include "swf/DisplayList.h"
#include "swf/TagTestUtil.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;
using test::MakeTag;

TEST(DisplayListBytes, PlacementsRemovalsButtonsAndSprites) {
  const std::vector<test::TagRow> rows = {
      {"PlaceObject2 moves depth 3 to a new matrix",
       MakeTag<TSWFPlaceObject2>([](auto& p) {
         p.Move = true;
         p.Depth = 3;
         p.GetMatrix().SetTranslate(20, 0);
       }),
       "05 03 00 0C A0 00"},
      {"PlaceObject2 asked for clip actions without records writes none",
       MakeTag<TSWFPlaceObject2>([](auto& p) {
         p.Depth = 1;
         p.SetCharacterId(1);
         p.GetClipActions();
       }),
       "02 01 00 01 00"},
      {"PlaceObject2 with every optional field",
       MakeTag<TSWFPlaceObject2>([](auto& p) {
         p.Depth = 2;
         p.SetCharacterId(4);
         p.GetColorTransform().SetMultA(128);
         p.SetRatio(9);
         p.SetName("n");
         p.SetClipDepth(5);
       }),
       // Flags 7A; the colour transform multiplies by 0, 0, 0 and 128 in
       // 9 bits each (64 00 00 00 20 00), then ratio, name, clip depth.
       "7A 02 00 04 00 64 00 00 00 20 00 09 00 6E 00 05 00"},
      {"PlaceObject with a colour transform",
       MakeTag<TSWFPlaceObject>([](auto& p) {
         p.CharacterId = 1;
         p.Depth = 1;
         p.ColorTransform.SetAddR(-1);
       }),
       "01 00 01 00 00 8B 00"},
      {"PlaceObject3 with a blur filter and a blend mode",
       MakeTag<TSWFPlaceObject3>([](auto& p) {
         p.Depth = 1;
         p.SetCharacterId(2);
         auto* blur = static_cast<TSWFBlurFilter*>(CreateFilter(p.GetFilterList(), 1));
         blur->BlurX = 4;
         blur->BlurY = 0.5f;
         p.HasBlendMode = true;
         p.BlendMode = 3;
       }),
       "02 03 01 00 02 00 01 01 00 00 04 00 00 80 00 00 08 03"},
      {"RemoveObject", MakeTag<TSWFRemoveObject>([](auto& r) { r.CharacterId = 1; r.Depth = 2; }),
       "01 00 02 00"},
      {"RemoveObject2", MakeTag<TSWFRemoveObject2>([](auto& r) { r.Depth = 2; }), "02 00"},
      {"DefineButton2 without condition actions keeps ActionOffset 0",
       MakeTag<TSWFDefineButton2>([](auto& b) {
         b.ButtonId = 3;
         auto r = std::make_unique<TSWFButtonRecord>();
         r->States = buttonstate::Up | buttonstate::HitTest;
         r->CharacterId = 1;
         r->Depth = 1;
         b.Records.push_back(std::move(r));
       }),
       "03 00 00 00 00 09 01 00 01 00 00 00 00"},
      {"DefineButton2 with two condition actions",
       MakeTag<TSWFDefineButton2>([](auto& b) {
         b.ButtonId = 3;
         b.TrackAsMenu = true;
         auto a = std::make_unique<TSWFButtonCondAction>();
         a->Conditions = buttoncond::OverDownToOverUp | buttoncond::OverDownToIdle;
         a->template AddNew<TSWFActionStop>();
         b.Actions.push_back(std::move(a));
         auto k = std::make_unique<TSWFButtonCondAction>();
         k->KeyPress = 13;
         k->template AddNew<TSWFActionPlay>();
         b.Actions.push_back(std::move(k));
       }),
       "03 00 01 03 00 00 06 00 08 01 07 00 00 00 00 1A 06 00"},
      {"DefineButton with records and actions",
       MakeTag<TSWFDefineButton>([](auto& b) {
         b.ButtonId = 4;
         auto r = std::make_unique<TSWFButtonRecord>();
         r->States = buttonstate::Over;
         r->CharacterId = 2;
         r->Depth = 1;
         b.Records.push_back(std::move(r));
         b.Actions.template AddNew<TSWFActionGotoFrame>()->Frame = 1;
       }),
       "04 00 04 02 00 01 00 00 00 81 02 00 01 00 00"},
      {"DefineButtonSound with only IdleToOverUp",
       MakeTag<TSWFDefineButtonSound>([](auto& b) {
         b.ButtonId = 5;
         b.GetSound(TSWFDefineButtonSound::IdleToOverUp).SoundId = 7;
       }),
       "05 00 00 00 07 00 00 00 00 00 00"},
      {"DefineButtonCxform",
       MakeTag<TSWFDefineButtonCxform>([](auto& b) {
         b.ButtonId = 5;
         b.ColorTransform.SetMultR(256);
         b.ColorTransform.SetMultG(256);
         b.ColorTransform.SetMultB(256);
       }),
       "05 00 69 00 40 10 00"},
      {"DefineSprite without an End gets one",
       MakeTag<TSWFDefineSprite>([](auto& s) {
         s.SpriteId = 6;
         s.FrameCount = 1;
         auto p = std::make_unique<TSWFPlaceObject2>();
         p->Depth = 1;
         p->SetCharacterId(1);
         s.ControlTags.push_back(std::move(p));
         s.ControlTags.push_back(CreateTagObject(1));
       }),
       "06 00 01 00 85 06 02 01 00 01 00 40 00 00 00"},
  };
  test::CheckTagTable(rows);
}

TEST(DisplayListBytes, PlaceObject3AsPlaceObject2WritesAPlainBody) {
  TSWFPlaceObject3 p;
  p.TagID = 26;
  p.AsPlaceObject2 = true;
  p.Depth = 1;
  p.SetCharacterId(2);
  p.HasBlendMode = true;
  p.BlendMode = 1;
  const std::string whole = test::Written([&](TBitsEngine& be) { p.WriteToStream(be); });
  EXPECT_EQ(Hex(whole), "85 06 02 01 00 02 00");
}

TEST(DisplayListBytes, SpriteEndingWithEndWritesNoSecondOne) {
  TSWFDefineSprite s;
  s.ControlTags.push_back(CreateTagObject(1));
  s.ControlTags.push_back(CreateTagObject(0));
  EXPECT_EQ(Hex(test::BodyOf(s)), "00 00 00 00 40 00 00 00");
}

// A PlaceObject2 for character 1 at depth 1 with one clip action record.
std::unique_ptr<TSWFPlaceObject2> Clip(uint32_t flags, uint8_t key, bool withStop, uint8_t version) {
  auto p = std::make_unique<TSWFPlaceObject2>();
  p->Depth = 1;
  p->SetCharacterId(1);
  p->SWFVersion = version;
  auto* r = p->GetClipActions().AddRecord(flags, key);
  if (withStop) r->AddNew<TSWFActionStop>();
  return p;
}

TEST(ClipActions, EventFlagWidthFollowsTheVersion) {
  struct Case {
    const char* Name;
    std::unique_ptr<TSWFPlaceObject2> Tag;
    uint8_t Version;
    const char* Body;
    uint8_t MinVersion;
  };
  Case cases[] = {
      {"EnterFrame in SWF 5: two flag bytes", Clip(clipevent::EnterFrame, 0, true, 5), 5,
       "82 01 00 01 00 00 00 02 00 02 00 02 00 00 00 07 00 00 00", 5},
      {"EnterFrame in SWF 6: four flag bytes and a 32-bit end",
       Clip(clipevent::EnterFrame, 0, true, 6), 6,
       "82 01 00 01 00 00 00 02 00 00 00 02 00 00 00 02 00 00 00 07 00 00 00 00 00", 6},
      {"a key code counts in the record size", Clip(0, 'A', false, 6), 6,
       "82 01 00 01 00 00 00 00 00 00 00 00 00 02 00 02 00 00 00 41 00 00 00 00 00", 6},
      {"version raised to 5 for clip actions", Clip(clipevent::Load, 0, true, 3), 5,
       "82 01 00 01 00 00 00 01 00 01 00 02 00 00 00 07 00 00 00", 5},
  };
  for (auto& c : cases) {
    EXPECT_EQ(c.Tag->MinVersion(), c.MinVersion) << c.Name;
    const std::string body = test::BodyOf(*c.Tag);
    EXPECT_EQ(Hex(body), Hex(Bytes(c.Body))) << c.Name;
    EXPECT_EQ(c.Tag->SWFVersion, c.Version) << c.Name;
    for (bool parse : {true, false}) {
      auto back = test::ReadBody(26, body, {c.Version, parse});
      auto& read = static_cast<TSWFPlaceObject2&>(*back);
      ASSERT_TRUE(read.HasClipActions) << c.Name;
      ASSERT_EQ(read.ClipActions()->Records.size(), 1u) << c.Name;
      EXPECT_EQ(read.ClipActions()->Records[0]->EventFlags, c.Tag->ClipActions()->Records[0]->EventFlags)
          << c.Name;
      EXPECT_EQ(Hex(test::BodyOf(read)), Hex(body)) << c.Name << " parse " << parse;
    }
  }
}

TEST(ButtonBytes, ActionsReadParsedAndRawWriteTheSameBody) {
  const std::string body = Bytes("04 00 04 02 00 01 00 00 00 96 02 00 08 01 1C 00");
  for (bool parse : {true, false}) {
    auto back = test::ReadBody(7, body, {6, parse});
    auto& button = static_cast<TSWFDefineButton&>(*back);
    EXPECT_EQ(button.Actions.Count(), parse ? 2u : 1u);
    EXPECT_EQ(Hex(test::BodyOf(button)), Hex(body));
    std::vector<uint16_t*> refs;
    button.CharacterReferences(refs);
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(*refs[0], 2);
  }
}

TEST(FilterBytes, EveryFilterRoundTrips) {
  TSWFFilterList filters;
  auto* shadow = static_cast<TSWFDropShadowFilter*>(CreateFilter(filters, 0));
  shadow->Color.SetRGBA(0x80000000);
  shadow->Angle = 0.785f;
  shadow->Distance = 4;
  shadow->Passes = 3;
  auto* glow = static_cast<TSWFGlowFilter*>(CreateFilter(filters, 2));
  glow->InnerGlow() = true;
  glow->Strength = 2.5f;
  auto* bevel = static_cast<TSWFBevelFilter*>(CreateFilter(filters, 3));
  bevel->OnTop = true;
  bevel->Passes = 15;
  auto* gg = static_cast<TSWFGradientGlowFilter*>(CreateFilter(filters, 4));
  gg->Colors = {0xFF0000FF, 0x00FF00FF, 0xFF};
  gg->Ratios = {0, 128, 255};
  auto* conv = static_cast<TSWFConvolutionFilter*>(CreateFilter(filters, 5));
  conv->MatrixX = 3;
  conv->MatrixY = 1;
  conv->Matrix = {1, 2, 1};
  conv->Clamp = true;
  auto* cm = static_cast<TSWFColorMatrixFilter*>(CreateFilter(filters, 6));
  cm->Matrix[0] = cm->Matrix[6] = cm->Matrix[12] = cm->Matrix[18] = 1;
  CreateFilter(filters, 7);
  const std::string bytes = test::Written([&](TBitsEngine& be) { WriteFilters(filters, be); });
  TMemoryStream ms;
  test::Fill(ms, bytes);
  TBitsEngine be(ms);
  TSWFFilterList back;
  ReadFilters(back, be);
  ASSERT_EQ(back.size(), 7u);
  EXPECT_EQ(ms.Position(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(Hex(test::Written([&](TBitsEngine& out) { WriteFilters(back, out); })), Hex(bytes));
  auto* readGlow = dynamic_cast<TSWFGlowFilter*>(back[1].get());
  ASSERT_NE(readGlow, nullptr);
  EXPECT_TRUE(readGlow->InnerGlow());
  EXPECT_FLOAT_EQ(readGlow->Strength, 2.5f);
  EXPECT_EQ(dynamic_cast<TSWFGradientGlowFilter*>(back[3].get())->NumColors(), 3u);
  TSWFFilterList unknown;
  EXPECT_ANY_THROW(CreateFilter(unknown, 8));
}

TEST(DisplayListBadInput, RecordSizesAndCountsPastTheBodyThrow) {
  const std::pair<uint16_t, const char*> cases[] = {
      // Clip action record claiming 255 bytes.
      {26, "82 01 00 01 00 00 00 02 00 02 00 FF 00 00 00 07 00"},
      // Clip actions without their end flags.
      {26, "82 01 00 01 00 00 00 02 00"},
      // Sprite sub-tag longer than the sprite.
      {39, "01 00 01 00 3F 00 FF FF 00 00 00"},
      // Button record list without its end.
      {34, "03 00 00 00 00 09 01 00"},
      // Condition action larger than the body.
      {34, "03 00 00 03 00 00 40 00 08 00 07 00"},
      // Filter count larger than the body.
      {70, "02 01 01 00 05 00 05 01 00 00"},
  };
  for (const auto& [code, body] : cases) EXPECT_ANY_THROW(test::ReadBody(code, Bytes(body))) << body;
}

}  // namespace
}  // namespace reelcast
