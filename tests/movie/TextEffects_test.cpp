#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "movie/FlashFont.h"
#include "movie/FlashSprite.h"
#include "movie/FlashText.h"
#include "movie/MovieTestUtil.h"
#include "movie/TextEffects.h"
#include "swf/DisplayList.h"
#include "swf/FontsText.h"

namespace reelcast {
namespace {

TEST(TextEffects, ListsUniqueNamesIncludingTheStoredDefaults) {
  int count = GetDTxtEffectCount();
  ASSERT_GE(count, 8);
  std::set<std::u16string> names;
  for (int i = 0; i < count; ++i) {
    TFTxtEffectForUI record;
    ASSERT_TRUE(GetDTxtEffectData(i, &record));
    EXPECT_FALSE(record.Name.empty());
    names.insert(record.Name);
  }
  EXPECT_EQ(names.size(), static_cast<size_t>(count));
  for (const char16_t* name : {u"MoveDown", u"Rotate", u"Fade"}) EXPECT_TRUE(names.count(name));
  TFTxtEffectForUI untouched{u"x", u"y"};
  EXPECT_FALSE(GetDTxtEffectData(count, &untouched));
  EXPECT_FALSE(GetDTxtEffectData(-1, &untouched));
  EXPECT_EQ(untouched.Name, u"x");
}

DTextEffectParam Param(TFlashMovie& movie) {
  DTextEffectParam p;
  p.Movie = &movie;
  p.FrameWidth = 400 * 20;
  p.FrameHeight = 300 * 20;
  p.Text = u"Hello";
  p.FontName = u"Liberation Sans";
  p.FontColor = 0x00336699;  // B 0x33, G 0x66, R 0x99
  p.FontSize = 30;
  p.Bold = true;
  p.Italic = true;
  return p;
}

// The placements of the sprite's text, one per animated frame.
std::vector<TSWFPlaceObject2*> Placements(const TSWFDefineSprite& sprite) {
  std::vector<TSWFPlaceObject2*> out;
  for (const auto& tag : sprite.ControlTags)
    if (auto* p = dynamic_cast<TSWFPlaceObject2*>(tag.get())) out.push_back(p);
  return out;
}

// Every effect builds one sprite that places the text once, moves it on each
// of its animated frames and ends unscaled, unturned and opaque in the middle
// of the title frame, then holds it.
TEST(TextEffects, EveryEffectEndsAtRestInTheFrameCentre) {
  for (int i = 0; i < GetDTxtEffectCount(); ++i) {
    TFTxtEffectForUI record;
    GetDTxtEffectData(i, &record);
    SCOPED_TRACE(std::string(record.Name.begin(), record.Name.end()));
    TFlashMovie movie(0, 0, 400, 300, 24, true);
    TFlashSprite* built = DoDTextEffect(record.Name, Param(movie));
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->FrameCount(), 21 + 40);
    movie.PlaceObject(built, 1);
    movie.ShowFrame(built->FrameCount());
    test::ReadMovie r = test::SaveAndRead(movie);
    auto sprites = r.All<TSWFDefineSprite>();
    auto texts = r.All<TSWFDefineText>();
    ASSERT_EQ(sprites.size(), 1u);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(sprites[0]->FrameCount, 61);
    auto places = Placements(*sprites[0]);
    ASSERT_EQ(places.size(), 21u);
    EXPECT_TRUE(places[0]->HasCharacter);
    EXPECT_EQ(places[0]->CharacterId, texts[0]->TextId);
    for (size_t k = 1; k < places.size(); ++k) {
      EXPECT_TRUE(places[k]->Move);
      EXPECT_FALSE(places[k]->HasCharacter);
    }
    const TSWFPlaceObject2& last = *places.back();
    ASSERT_NE(last.Matrix(), nullptr);
    EXPECT_EQ(last.Matrix()->TranslateX, 4000);
    EXPECT_EQ(last.Matrix()->TranslateY, 3000);
    EXPECT_NEAR(last.Matrix()->ScaleX, 65536, 2);
    EXPECT_NEAR(last.Matrix()->ScaleY, 65536, 2);
    EXPECT_NEAR(last.Matrix()->Skew0, 0, 2);
    EXPECT_NEAR(last.Matrix()->Skew1, 0, 2);
    if (last.ColorTransform()) {
      EXPECT_EQ(last.ColorTransform()->MultA(), 256);
    }
    // A finished effect stays put: the only script stops the sprite in its
    // last frame, so it never plays again while later lines come in.
    std::vector<uint16_t> codes;
    for (const auto& t : sprites[0]->ControlTags) codes.push_back(t->TagID);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 12), 1);
    EXPECT_EQ(codes[codes.size() - 3], 12) << "DoAction, the last ShowFrame, End";
    EXPECT_EQ(codes[codes.size() - 2], 1);
  }
}

TEST(TextEffects, TextUsesTheChosenFontSizeColourAndStyle) {
  TFlashMovie movie(0, 0, 400, 300, 24, true);
  DoDTextEffect(u"MoveDown", Param(movie));
  ASSERT_EQ(movie.Texts().Count(), 1u);
  auto* text = static_cast<TFlashText*>(movie.Texts()[0]);
  EXPECT_EQ(text->WideText(), u"Hello");
  EXPECT_EQ(text->Color().GetRGBA(), 0xFF336699u);
  TFlashFont* font = text->Font();
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->FontSize, 30 * 20);
  EXPECT_TRUE(font->Bold);
  EXPECT_TRUE(font->Italic);
  EXPECT_EQ(font->FontName, "Liberation Sans");
}

// The named motions: MoveDown comes from above and descends, Rotate turns,
// Fade raises the alpha from nothing to full.
TEST(TextEffects, NamedEffectsMoveTurnAndFadeAsNamed) {
  auto build = [](const char16_t* name) {
    auto movie = std::make_unique<TFlashMovie>(0, 0, 400, 300, 24, true);
    TFlashSprite* sprite = DoDTextEffect(name, Param(*movie));
    movie->PlaceObject(sprite, 1);
    movie->ShowFrame(1);
    auto r = test::SaveAndRead(*movie);
    return std::make_pair(std::move(r), std::move(movie));
  };
  {
    auto [r, movie] = build(u"MoveDown");
    auto places = Placements(*r.All<TSWFDefineSprite>()[0]);
    EXPECT_LT(places[0]->Matrix()->TranslateY, 0);  // above the frame's top
    for (size_t k = 1; k < places.size(); ++k)
      EXPECT_GT(places[k]->Matrix()->TranslateY, places[k - 1]->Matrix()->TranslateY);
    for (auto* p : places) EXPECT_EQ(p->Matrix()->TranslateX, 4000);
  }
  {
    auto [r, movie] = build(u"Rotate");
    auto places = Placements(*r.All<TSWFDefineSprite>()[0]);
    int turned = 0;
    for (auto* p : places)
      if (p->Matrix()->HasSkew && std::abs(p->Matrix()->Skew0) > 1000) {
        ++turned;
        EXPECT_EQ(p->Matrix()->Skew0, -p->Matrix()->Skew1);  // a turn, not a shear
      }
    EXPECT_GT(turned, 10);
  }
  {
    auto [r, movie] = build(u"Fade");
    auto places = Placements(*r.All<TSWFDefineSprite>()[0]);
    ASSERT_NE(places[0]->ColorTransform(), nullptr);
    EXPECT_EQ(places[0]->ColorTransform()->MultA(), 0);
    for (size_t k = 1; k < places.size(); ++k) {
      ASSERT_NE(places[k]->ColorTransform(), nullptr);
      EXPECT_GT(places[k]->ColorTransform()->MultA(), places[k - 1]->ColorTransform()->MultA());
    }
    EXPECT_EQ(places.back()->ColorTransform()->MultA(), 256);
  }
}

TEST(TextEffects, BadRequestsThrowAndLeaveTheMovieUnchanged) {
  TFlashMovie movie(0, 0, 400, 300, 24, true);
  DTextEffectParam p = Param(movie);
  EXPECT_THROW(DoDTextEffect(u"NoSuchEffect", p), ETextEffectError);
  p.FrameWidth = 0;
  EXPECT_THROW(DoDTextEffect(u"Fade", p), ETextEffectError);
  EXPECT_TRUE(movie.ObjectList().empty());
  p = Param(movie);
  p.Movie = nullptr;
  EXPECT_THROW(DoDTextEffect(u"Fade", p), ETextEffectError);
}

}  // namespace
}  // namespace reelcast
