#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "media/FlvBytes.h"
#include "movie/FlashButton.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSprite.h"
#include "movie/FlashVideo.h"
#include "support/TestEnv.h"
#include "swf/DisplayList.h"
#include "swf/DoAction.h"
#include "swf/SWFStream.h"
#include "swf/SoundVideo.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast::test {
namespace {

// A stand-in character: a DefineShape tag of fixed bytes around its id.
class TTestShape : public TFlashVisualObject {
 public:
  using TFlashVisualObject::TFlashVisualObject;
  void WriteToStream(TBitsEngine& be) override {
    // An empty shape: no bounds, no styles, the end record.
    be.WriteWord(static_cast<uint16_t>(2 << 6 | 7));
    be.WriteWord(CharacterId);
    be.WriteBuffer("\x00\x00\x00\x00\x00", 5);
  }
};

TTestShape* AddTestShape(TFlashMovie& movie) {
  return movie.RegisterObject(std::make_unique<TTestShape>(&movie), &movie.Shapes());
}

// A character written as the library's own default tag of a given code
// (DefineShape4, DefineMorphShape2, ...), with the object's id.
class TTaggedCharacter : public TFlashVisualObject {
 public:
  TTaggedCharacter(TFlashMovie* owner, uint16_t code) : TFlashVisualObject(owner), tag_(CreateTagObject(code)) {}
  void WriteToStream(TBitsEngine& be) override {
    std::vector<uint16_t*> ids;
    tag_->DefinedCharacters(ids);
    *ids.at(0) = CharacterId;
    tag_->WriteToStream(be);
  }

 private:
  std::unique_ptr<TSWFObject> tag_;
};

TFlashVisualObject* AddTaggedCharacter(TFlashMovie& movie, uint16_t code) {
  return movie.RegisterObject(std::make_unique<TTaggedCharacter>(&movie, code), &movie.Shapes());
}

std::string Body(TFlashMovie& movie) {
  movie.MakeStream();
  return movie.GetBodyStream().ToString();
}

// The movie saved and read back, its tags parsed into objects.
struct ReadBack {
  explicit ReadBack(TFlashMovie& movie) {
    movie.MakeStream();
    movie.SaveToStream(file);
    file.SetPosition(0);
    reader.LoadFromStream(file);
    reader.ParseTags(true, true);
  }
  std::vector<uint16_t> Codes() {
    std::vector<uint16_t> codes;
    for (size_t i = 0; i < reader.TagCount(); ++i) codes.push_back(reader.TagInfo(i).TagCode);
    return codes;
  }
  template <class T>
  std::vector<T*> All() {
    std::vector<T*> found;
    for (size_t i = 0; i < reader.TagCount(); ++i)
      if (auto* t = dynamic_cast<T*>(reader.TagInfo(i).TagObject)) found.push_back(t);
    return found;
  }
  TMemoryStream file;
  TSWFStreamReader reader;
};

std::string Shape(uint16_t id) {
  return Bytes("87 00") + static_cast<char>(id & 0xFF) + static_cast<char>(id >> 8) + std::string(5, '\0');
}

TEST(FlashMovie, IdsObjectsAndFrames) {
  TFlashMovie movie(0, 0, 100, 100, 12, true);
  TTestShape* a = AddTestShape(movie);
  TTestShape* b = AddTestShape(movie);
  EXPECT_EQ(a->GetCharacterId(), 1);
  EXPECT_EQ(b->GetCharacterId(), 2);
  EXPECT_EQ(movie.Shapes().Count(), 2u);
  EXPECT_EQ(movie.NextCharacterId, 3);
  movie.PlaceObject(a, 1);
  // Placed but no frame shown: one ShowFrame and End are added.
  EXPECT_EQ(Hex(Body(movie)), Hex(Shape(1) + Shape(2) + Bytes("85 06 02 01 00 01 00") + Bytes("40 00 00 00")));
  EXPECT_EQ(movie.FrameCount, 1);
  EXPECT_EQ(Body(movie), Body(movie)) << "MakeStream rebuilds the same body";

  TFlashMovie frames(0, 0, 100, 100, 12, true);
  frames.FrameLabel = "start";
  frames.FrameActions().Stop();
  frames.ShowFrame(3);
  frames.ShowFrame(0);
  EXPECT_EQ(frames.FrameCount, 4);
  EXPECT_EQ(frames.CurrentFrame, 3u);
  EXPECT_EQ(Hex(Body(frames)), Hex(Bytes("C6 0A 73 74 61 72 74 00") + Bytes("02 03 07 00") +
                                   Bytes("40 00 40 00 40 00 40 00 00 00")));
  EXPECT_EQ(frames.FrameCount, 4);

  // An End tag already in the list is not doubled.
  TFlashMovie ended(0, 0, 10, 10, 12, true);
  ended.AddObject(std::make_unique<TSWFEnd>());
  EXPECT_EQ(Hex(Body(ended)), "00 00");
  TFlashMovie empty(0, 0, 10, 10, 12, true);
  EXPECT_EQ(Hex(Body(empty)), "00 00");
  EXPECT_EQ(empty.FrameCount, 0);
}

TEST(FlashMovie, HeaderTagsAndInsertMode) {
  TFlashMovie movie(0, 0, 100, 100, 12, true);
  movie.BackgroundColor().SetRGB(0x102030);
  movie.Protect = true;
  EXPECT_EQ(Hex(Body(movie)), Hex(Bytes("43 02 30 20 10") + Bytes("00 06") + Bytes("00 00")));

  TFlashMovie insert(0, 0, 100, 100, 12, true);
  TTestShape* a = AddTestShape(insert);
  TTestShape* b = AddTestShape(insert);
  TTestShape* e = AddTestShape(insert);
  insert.InsertMode = true;
  insert.InsertPosition = 1;  // before the second shape
  TTestShape* c = AddTestShape(insert);
  TTestShape* d = AddTestShape(insert);
  std::vector<TBasedSWFObject*> order;
  for (const auto& o : insert.ObjectList()) order.push_back(o.get());
  EXPECT_EQ(order, (std::vector<TBasedSWFObject*>{a, c, d, b, e})) << "consecutive inserts keep their order";
  insert.ShowFrame();
  EXPECT_EQ(dynamic_cast<TSWFShowFrame*>(insert.ObjectList().back().get()) != nullptr, true)
      << "frames go to the end whatever the insert position";
}

TEST(FlashMovie, Placements) {
  TFlashMovie movie(0, 0, 100, 100, 12, true);
  TTestShape* shape = AddTestShape(movie);
  TFlashPlaceObject* plain = movie.PlaceObject(shape, 1);
  plain->SetTranslate(0, 0);
  EXPECT_FALSE(plain->PlaceTag->HasMatrix) << "a new placement at 0,0 carries no matrix";
  TFlashPlaceObject* moved = movie.PlaceObject(nullptr, 1);
  moved->SetMove(true);
  moved->SetTranslate(0, 0);
  EXPECT_TRUE(moved->PlaceTag->HasMatrix);
  TFlashPlaceObject* at = movie.PlaceObject(shape, 2);
  at->SetTranslate(3, 4);
  EXPECT_EQ(at->PlaceTag->Matrix()->TranslateX, 60) << "pixels are 20 twips";
  EXPECT_EQ(at->PlaceTag->Matrix()->TranslateY, 80);
  TFlashPlaceObject* named = movie.PlaceObject(shape, 3);
  named->SetName("clip");
  TFlashPlaceObject* blended = movie.PlaceObject(shape, 4);
  blended->PlaceTag->HasBlendMode = true;
  blended->PlaceTag->BlendMode = 2;
  EXPECT_EQ(named->MinVersion(), 3);
  EXPECT_EQ(blended->MinVersion(), 8);
  EXPECT_EQ(movie.MaxDepth, 4);
  movie.RemoveObject(2, shape);
  movie.RemoveObject(3);
  movie.ShowFrame();
  ReadBack r(movie);
  EXPECT_EQ(r.Codes(), (std::vector<uint16_t>{2, 26, 26, 26, 26, 70, 5, 28, 1, 0}));
  EXPECT_EQ(r.reader.SWFVersion(), 8);
  auto places = r.All<TSWFPlaceObject2>();
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[3]->Name(), "clip");
  EXPECT_TRUE(places[1]->Move);
}

TEST(FlashMovie, SpritesAndScripts) {
  TFlashMovie movie(0, 0, 100, 100, 12, true);
  TFlashSprite* sprite = movie.AddSprite();
  TTestShape* later = AddTestShape(movie);  // created after the sprite
  sprite->PlaceObject(later, 1);
  EXPECT_EQ(movie.ObjectList()[0].get(), later) << "the definition moves in front of the sprite";
  EXPECT_EQ(movie.ObjectList()[1].get(), sprite);
  sprite->InitActions().Play();
  movie.PlaceObject(sprite, 1);
  movie.ShowFrame();
  ReadBack r(movie);
  EXPECT_EQ(r.Codes(), (std::vector<uint16_t>{2, 39, 59, 26, 1, 0}));
  auto sprites = r.All<TSWFDefineSprite>();
  ASSERT_EQ(sprites.size(), 1u);
  EXPECT_EQ(sprites[0]->SpriteId, 1);
  EXPECT_EQ(sprites[0]->FrameCount, 1) << "a sprite without ShowFrame has one frame";
  ASSERT_EQ(sprites[0]->ControlTags.size(), 3u);
  EXPECT_EQ(sprites[0]->ControlTags[0]->TagID, 26);
  EXPECT_EQ(sprites[0]->ControlTags[1]->TagID, 1);
  EXPECT_EQ(sprites[0]->ControlTags[2]->TagID, 0);

  // Init actions with a forward jump keep its offset once written.
  TFlashMovie jumping(0, 0, 100, 100, 12, true);
  TFlashSprite* initSprite = jumping.AddSprite();
  TFlashActionScript& init = initSprite->InitActions();
  init.PushVariant(true);
  TSWFActionIf* skip = init.If();
  init.Play();
  init.AddMarker(skip->GetMarker(), false);
  init.Stop();
  jumping.PlaceObject(initSprite, 1);
  jumping.ShowFrame();
  ReadBack j(jumping);
  auto inits = j.All<TSWFDoInitAction>();
  ASSERT_EQ(inits.size(), 1u);
  const TSWFActionList& written = inits[0]->Actions();
  TSWFActionIf* readIf = nullptr;
  for (size_t i = 0; i < written.Count(); ++i)
    if (!readIf) readIf = dynamic_cast<TSWFActionIf*>(written[i]);
  ASSERT_NE(readIf, nullptr);
  EXPECT_EQ(readIf->BranchOffset(), 1) << "the If jumps over the one-byte Play";

  TFlashActionScript script(&movie);
  script.PushVariant(static_cast<int64_t>(1));
  script.PushVariant(std::string("a"));
  script.GotoLabel("loading");
  script.GetUrl("http://example.invalid/", "_blank");
  ASSERT_EQ(script.ActionList().Count(), 3u);
  auto* push = dynamic_cast<TSWFActionPush*>(script.Actions(0));
  ASSERT_NE(push, nullptr);
  EXPECT_EQ(push->ValueCount(), 3u) << "consecutive pushes share one Push";
  EXPECT_EQ(script.Actions(1)->ActionCode(), 0x9F);
  EXPECT_EQ(script.Actions(2)->ActionCode(), 0x83);
}

// Frame scripts kept as the bytes of their tags write the same movie as
// scripts kept as objects, label and jumps included, and still raise the
// movie's version to what their actions need.
TEST(FlashMovie, FrameScriptsKeptAsBytesWriteTheSameMovie) {
  auto build = [](bool asBytes) {
    auto movie = std::make_unique<TFlashMovie>(0, 0, 100, 100, 12, true);
    movie->SetVersion(3);
    movie->FrameActionsAsBytes = asBytes;
    for (int n = 0; n < 3; ++n) {
      TFlashActionScript& as = movie->FrameActions();
      if (n == 1) {
        movie->FrameLabel = "middle";
        as.PushVariant(std::string("_global"));
        as.GetVariable();  // version 4
        TSWFActionIf* skip = as.If();
        as.Stop();
        as.AddMarker(skip->GetMarker(), false);
      }
      as.PushValues({std::string("counter"), std::to_string(n) + " of 2"});
      as.SetVariable();
      movie->ShowFrame(1);
    }
    movie->MakeStream();
    return movie;
  };
  auto objects = build(false);
  auto bytes = build(true);
  size_t written = 0;
  for (const auto& o : bytes->ObjectList()) written += dynamic_cast<TFlashWrittenActions*>(o.get()) != nullptr;
  EXPECT_EQ(written, 3u);
  EXPECT_GT(objects->SWFVersion(), 3);
  EXPECT_EQ(bytes->SWFVersion(), objects->SWFVersion());
  EXPECT_EQ(bytes->GetBodyStream().ToString(), objects->GetBodyStream().ToString());
}

TEST(FlashMovie, Buttons) {
  TFlashMovie movie(0, 0, 100, 100, 12, true);
  TTestShape* face = AddTestShape(movie);
  TFlashButton* advanced = movie.AddButton(true, true);
  EXPECT_EQ(advanced->GetCharacterId(), 2);
  EXPECT_EQ(advanced->ButtonTag().ButtonId, 2);
  EXPECT_EQ(movie.Buttons().Count(), 1u);
  advanced->AddRecord(face, 7, 1);
  advanced->AddRecord(face, 8, 2);
  advanced->Actions().Stop();
  advanced->Actions().Play();
  auto& tag2 = dynamic_cast<TSWFDefineButton2&>(advanced->ButtonTag());
  ASSERT_EQ(tag2.Actions.size(), 1u) << "the release condition is created once";
  EXPECT_EQ(tag2.Actions[0]->Conditions, 8);
  EXPECT_EQ(tag2.Actions[0]->Count(), 2u);
  EXPECT_TRUE(tag2.TrackAsMenu);
  EXPECT_EQ(advanced->FindCondAction(0, false), nullptr);
  EXPECT_EQ(advanced->AddCondAction({0, 2})->Conditions, 5);
  TFlashButton* plain = movie.AddButton(false, false);
  plain->AddRecord(face, 15, 1);
  plain->Actions().Play();
  EXPECT_EQ(plain->MinVersion(), 1);
  EXPECT_EQ(advanced->MinVersion(), 3);
  EXPECT_EQ(plain->AddCondAction({3}), nullptr);
  TFlashButton* sounding = movie.AddButton(false, true);
  sounding->ButtonSound().GetSound(TSWFDefineButtonSound::OverDownToOverUp).SoundId = 1;
  ReadBack r(movie);
  // No DefineButtonSound for buttons whose state sounds are all 0.
  EXPECT_EQ(r.Codes(), (std::vector<uint16_t>{2, 34, 7, 34, 17, 0}));
}

TEST(FlashMovie, ImportedMoviesKeepTheirIdsApart) {
  TempDir dir;
  // A movie of five shapes (DefineShape, then DefineShape4 and
  // DefineMorphShape2 twice each), each placed, over two frames.
  const uint16_t shapeCodes[] = {2, 83, 84, 83, 84};
  TFlashMovie source(0, 0, 50, 50, 12, true);
  for (int i = 0; i < 5; ++i)
    source.PlaceObject(AddTaggedCharacter(source, shapeCodes[i]), static_cast<uint16_t>(i + 1));
  source.ShowFrame();
  source.RemoveObject(1);
  source.ShowFrame();
  source.MakeStream();
  std::string path = (dir / "part.swf").string();
  source.SaveToFile(path);
  // A trailer after the movie's end, as a template part carries one: its
  // bytes read like tags but are none of the movie's.
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << std::string("\x00\x40\x00\x40\x3f\x00", 6) << "<TitlePart><TitleArea left=\"1\"/></TitlePart>"
        << std::string("\x4f\x00\x00\x00", 4) << "KRWP";
  }

  struct Case {
    uint8_t mode;
    std::vector<uint16_t> imported;  // the imported movie's tags in the host
    uint16_t frames;
  };
  const Case cases[] = {
      {0, {2, 26, 83, 26, 84, 26, 83, 26, 84, 26, 1, 28, 1}, 3},
      {1, {2, 83, 84, 83, 84}, 1},
      {2, {2, 26, 83, 26, 84, 26, 83, 26, 84, 26, 28}, 1},
      {3, {2, 83, 84, 83, 84, 39}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TFlashMovie host(0, 0, 100, 100, 12, true);
    TTestShape* own = AddTestShape(host);
    AddTestShape(host);
    TFlashExternalMovie* ext = host.AddExternalMovie(path, c.mode, true);
    EXPECT_EQ(ext->GetCharacterId(), 3);
    EXPECT_EQ(ext->UsedCharacterCount(), 5);
    TTestShape* next = AddTestShape(host);
    EXPECT_EQ(next->GetCharacterId(), c.mode == 3 ? 10 : 9) << "one id past the imported range stays unused";
    host.PlaceObject(c.mode == 3 ? static_cast<TFlashVisualObject*>(ext->AsSprite) : own, 9);
    host.ShowFrame();
    ReadBack r(host);
    // Made again, the imported tags (read anew from the file) come out the same.
    const std::string made = host.GetBodyStream().ToString();
    host.MakeStream();
    EXPECT_EQ(host.GetBodyStream().ToString(), made);
    std::vector<uint16_t> expected = {2, 2};
    expected.insert(expected.end(), c.imported.begin(), c.imported.end());
    expected.insert(expected.end(), {2, 26, 1, 0});
    EXPECT_EQ(r.Codes(), expected);
    EXPECT_EQ(r.reader.FrameCount, c.frames);
    // Every defined id is distinct: the host's 1, 2 and next, the imported ones.
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < r.reader.TagCount(); ++i) {
      std::vector<uint16_t*> defined;
      if (r.reader.TagInfo(i).TagObject) r.reader.TagInfo(i).TagObject->DefinedCharacters(defined);
      for (uint16_t* id : defined) ids.push_back(*id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), c.mode == 3 ? 9u : 8u);
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "ids collide";
    if (c.mode == 3) {
      EXPECT_EQ(r.All<TSWFDefineSprite>()[0]->SpriteId, 3);
      EXPECT_EQ(r.All<TSWFDefineSprite>()[0]->FrameCount, 2) << "the imported timeline runs in the sprite";
      EXPECT_EQ(ids, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 10}));
    } else {
      EXPECT_EQ(ids, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 9}));
    }
  }
}

}  // namespace
}  // namespace reelcast::test
