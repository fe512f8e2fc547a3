// Renumbering characters across the tag families, through the file reader.
#include <gtest/gtest.h>

#include <optional>

#include "swf/DisplayList.h"
#include "swf/SWFStream.h"
#include "swf/Shapes.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

std::unique_ptr<TSWFPlaceObject2> Place(uint16_t character, uint16_t depth) {
  auto place = std::make_unique<TSWFPlaceObject2>();
  place->SetCharacterId(character);
  place->Depth = depth;
  return place;
}

// Shape 1 placed on the stage and inside sprite 2, which is placed too.
std::string Body() {
  TMemoryStream s;
  TBitsEngine be(s);
  TSWFDefineShape shape;
  shape.ShapeId = 1;
  shape.ShapeBounds.SetRect({0, 0, 200, 200});
  shape.WriteToStream(be);
  Place(1, 1)->WriteToStream(be);
  TSWFDefineSprite sprite;
  sprite.SpriteId = 2;
  sprite.FrameCount = 1;
  sprite.ControlTags.push_back(Place(1, 1));
  sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
  sprite.WriteToStream(be);
  Place(2, 2)->WriteToStream(be);
  TSWFShowFrame().WriteToStream(be);
  be.WriteWord(0);
  return s.ToString();
}

class TBodyMovie : public TBasedSWFStream {
 public:
  void MakeStream() override {}
};

std::unique_ptr<TSWFStreamReader> Reader(const std::string& body, bool parse = true) {
  TBodyMovie movie;
  movie.FrameRect = {0, 0, 2000, 2000};
  movie.GetBodyStream().WriteBuffer(body.data(), body.size());
  TMemoryStream file;
  movie.SaveToStream(file);
  file.SetPosition(0);
  auto reader = std::make_unique<TSWFStreamReader>();
  reader->LoadFromStream(file);
  if (parse) reader->ParseTags(true, false);
  return reader;
}

template <class T>
T& Tag(TSWFStreamReader& reader, size_t index) {
  return dynamic_cast<T&>(*reader.TagInfo(index).TagObject);
}

TEST(RenumberCharacters, ShapesSpritesAndPlacementsMoveTogether) {
  auto reader = Reader(Body());
  ASSERT_EQ(reader->TagCount(), 6u);
  // The sprite's own tags are listed as sub-tags, positioned in its body.
  TSWFTagInfo& spriteInfo = reader->TagInfo(2);
  ASSERT_EQ(spriteInfo.SubTags.size(), 3u);
  EXPECT_EQ(spriteInfo.SubTags[0]->TagCode, 26);
  EXPECT_EQ(spriteInfo.SubTags[0]->Position, spriteInfo.Position + 2 + 4);
  EXPECT_EQ(spriteInfo.SubTags[1]->TagCode, 1);
  EXPECT_EQ(spriteInfo.SubTags[1]->Position,
            spriteInfo.SubTags[0]->Position + spriteInfo.SubTags[0]->GetFullSize());
  EXPECT_EQ(spriteInfo.SubTags[2]->TagCode, 0);

  EXPECT_EQ(reader->RenumberCharacters(100), 102);
  EXPECT_EQ(Tag<TSWFDefineShape>(*reader, 0).ShapeId, 100);
  EXPECT_EQ(Tag<TSWFPlaceObject2>(*reader, 1).CharacterId, 100);
  auto& sprite = Tag<TSWFDefineSprite>(*reader, 2);
  EXPECT_EQ(sprite.SpriteId, 101);
  EXPECT_EQ(dynamic_cast<TSWFPlaceObject2&>(*sprite.ControlTags[0]).CharacterId, 100);
  EXPECT_EQ(Tag<TSWFPlaceObject2>(*reader, 3).CharacterId, 101);

  // Written and read again, the new ids stay.
  reader->MakeStream();
  auto again = Reader(reader->GetBodyStream().ToString());
  EXPECT_EQ(Tag<TSWFDefineShape>(*again, 0).ShapeId, 100);
  EXPECT_EQ(Tag<TSWFPlaceObject2>(*again, 3).CharacterId, 101);
  EXPECT_EQ(again->RenumberCharacters(1), 3);
  again->MakeStream();
  EXPECT_EQ(again->GetBodyStream().ToString(), Body()) << "renumbering back gives the first body";
}

TEST(RenumberCharacters, RebuildingTagByTagGivesTheBodyOfTheParsedTags) {
  // A placement of the sprite before the sprite is defined: the first pass
  // must have seen the definition for the reference to follow it.
  TMemoryStream early;
  TBitsEngine be(early);
  Place(2, 3)->WriteToStream(be);
  const std::string body = early.ToString() + Body();
  for (std::optional<uint16_t> first : {std::optional<uint16_t>{}, std::optional<uint16_t>{100}}) {
    SCOPED_TRACE(first ? "renumbered" : "as read");
    auto parsed = Reader(body);
    if (first) {
      EXPECT_EQ(parsed->RenumberCharacters(*first), 102);
    }
    parsed->MakeStream();
    auto streamed = Reader(body, false);
    TSWFStreamReader::TRebuilt rebuilt = streamed->RebuildBody(false, first);
    EXPECT_EQ(rebuilt.TagCount, 7u);
    EXPECT_EQ(rebuilt.RawTags, 0u);
    if (first) {
      EXPECT_EQ(rebuilt.NextId, 102);
    }
    EXPECT_EQ(streamed->GetBodyStream().ToString(), parsed->GetBodyStream().ToString());
    auto again = Reader(streamed->GetBodyStream().ToString());
    EXPECT_EQ(Tag<TSWFPlaceObject2>(*again, 0).CharacterId, first ? 101 : 2);
  }
  // Ids that would not fit below 65536 change nothing.
  auto full = Reader(body, false);
  EXPECT_THROW(full->RebuildBody(false, uint16_t{65535}), ESWFError);
  EXPECT_EQ(full->GetBodyStream().ToString(), body);
}

}  // namespace
}  // namespace reelcast
