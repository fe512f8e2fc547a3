// A movie that uses every tag family, written with the tag classes, read back
// through the file reader, rebuilt and renumbered.
#include <gtest/gtest.h>

#include <map>

#include "swf/ActionsData.h"
#include "swf/ActionsFlow.h"
#include "swf/ActionsSimple.h"
#include "swf/Bitmaps.h"
#include "swf/Buttons.h"
#include "swf/ControlTags.h"
#include "swf/DisplayList.h"
#include "swf/DoAction.h"
#include "swf/FontsText.h"
#include "swf/SWFStream.h"
#include "swf/SWFTools.h"
#include "swf/Shapes.h"
#include "swf/SoundVideo.h"
#include "swf/TagTestUtil.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::Hex;

enum : uint16_t { kBitmap = 1, kShape, kFont, kText, kSound, kSprite, kButton, kVideo, kEdit, kMorph };

TSWFImageFill* BitmapFill(TFillStyleList& fills, uint16_t id) {
  auto f = std::make_unique<TSWFImageFill>(0x41);
  f->BitmapId = id;
  auto* raw = f.get();
  fills.push_back(std::move(f));
  return raw;
}

std::unique_ptr<TSWFPlaceObject2> Place(uint16_t id, uint16_t depth) {
  auto p = std::make_unique<TSWFPlaceObject2>();
  p->SetCharacterId(id);
  p->Depth = depth;
  p->GetMatrix().SetTranslate(200, 100);
  return p;
}

// The tags of the movie, every family and every kind of character reference.
std::vector<std::unique_ptr<TSWFObject>> FamilyTags() {
  std::vector<std::unique_ptr<TSWFObject>> tags;
  auto bg = std::make_unique<TSWFSetBackgroundColor>();
  bg->Color.SetRGB(0x336699);
  tags.push_back(std::move(bg));

  auto bitmap = std::make_unique<TSWFDefineBitsLossless2>();
  bitmap->CharacterId = kBitmap;
  bitmap->BitmapWidth = bitmap->BitmapHeight = 2;
  bitmap->SetData("\x78\x9C\x01\x02", 4);
  tags.push_back(std::move(bitmap));

  auto shape = std::make_unique<TSWFDefineShape3>();
  shape->ShapeId = kShape;
  shape->ShapeBounds.SetRec({0, 2000, 0, 1000});
  BitmapFill(shape->FillStyles, kBitmap)->BitmapMatrix.SetScale(20, 20);
  auto sc = std::make_unique<TSWFStyleChangeRecord>();
  sc->SetFillStyle0(1);
  BitmapFill(sc->NewFillStyles(), kBitmap);
  shape->Edges.push_back(std::move(sc));
  shape->Edges.push_back(std::make_unique<TSWFStraightEdgeRecord>(2000, 0));
  shape->Edges.push_back(std::make_unique<TSWFCurvedEdgeRecord>(0, 500, -2000, 500));
  tags.push_back(std::move(shape));

  auto morph = std::make_unique<TSWFDefineMorphShape>();
  morph->CharacterId = kMorph;
  auto mf = std::make_unique<TSWFMorphImageFill>();
  mf->BitmapId = kBitmap;
  morph->MorphFillStyles.push_back(std::move(mf));
  morph->StartEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(10, 10));
  morph->EndEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 20));
  tags.push_back(std::move(morph));

  auto font = std::make_unique<TSWFDefineFont2>();
  font->FontId = kFont;
  font->FontName = "Sans";
  font->FontFlagsHasLayout = true;
  TShapeRecordList glyph;
  auto gsc = std::make_unique<TSWFStyleChangeRecord>();
  gsc->SetMoveTo(0, 0);
  gsc->SetFillStyle1(1);
  glyph.push_back(std::move(gsc));
  glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(500, 0));
  glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(0, -700));
  font->Glyphs.push_back(std::move(glyph));
  font->CodeTable = {'I'};
  font->AdvanceTable = {600};
  font->BoundsTable.push_back(std::make_unique<TSWFRect>(TSWFRectRec{0, 500, -700, 0}));
  font->FontAscent = 900;
  font->FontDescent = 200;
  tags.push_back(std::move(font));

  auto zones = std::make_unique<TSWFDefineFontAlignZones>();
  zones->FontId = kFont;
  zones->ZoneTable.push_back({{{1, 2}}, true, false});
  tags.push_back(std::move(zones));

  auto text = std::make_unique<TSWFDefineText2>();
  text->TextId = kText;
  text->GlyphBits = 1;
  text->AdvanceBits = 11;
  auto rec = std::make_unique<TSWFTextRecord>();
  rec->SetFontId(kFont);
  rec->SetTextHeight(400);
  rec->TextColor().SetRGBA(0xFF000000);
  rec->GlyphEntries = {{600, 0}};
  text->TextRecords.push_back(std::move(rec));
  tags.push_back(std::move(text));

  auto csm = std::make_unique<TSWFCSMTextSettings>();
  csm->TextId = kText;
  tags.push_back(std::move(csm));

  auto edit = std::make_unique<TSWFDefineEditText>();
  edit->CharacterId = kEdit;
  edit->HasFont = true;
  edit->FontId = kFont;
  edit->FontHeight = 240;
  edit->HasText = true;
  edit->InitialText = "I";
  tags.push_back(std::move(edit));

  auto sound = std::make_unique<TSWFDefineSound>();
  sound->SoundId = kSound;
  sound->SoundFormat = 3;
  sound->SampleCount = 2;
  sound->SetData("\x00\x00\x10\x00", 4);
  tags.push_back(std::move(sound));

  auto sprite = std::make_unique<TSWFDefineSprite>();
  sprite->SpriteId = kSprite;
  sprite->FrameCount = 2;
  sprite->ControlTags.push_back(Place(kShape, 1));
  auto start = std::make_unique<TSWFStartSound>();
  start->SoundId = kSound;
  sprite->ControlTags.push_back(std::move(start));
  auto spriteActions = std::make_unique<TSWFDoAction>();
  spriteActions->Actions().AddNew<TSWFActionStop>();
  sprite->ControlTags.push_back(std::move(spriteActions));
  sprite->ControlTags.push_back(CreateTagObject(1));
  auto remove = std::make_unique<TSWFRemoveObject>();
  remove->CharacterId = kShape;
  remove->Depth = 1;
  sprite->ControlTags.push_back(std::move(remove));
  sprite->ControlTags.push_back(CreateTagObject(1));
  tags.push_back(std::move(sprite));

  auto init = std::make_unique<TSWFDoInitAction>();
  init->SpriteId = kSprite;
  init->Actions().AddNew<TSWFActionPush>()->AddValue(std::string("ok"));
  init->Actions().AddNew<TSWFActionTrace>();
  tags.push_back(std::move(init));

  auto button = std::make_unique<TSWFDefineButton2>();
  button->ButtonId = kButton;
  for (uint8_t state : {buttonstate::Up, buttonstate::HitTest}) {
    auto r = std::make_unique<TSWFButtonRecord>();
    r->States = state;
    r->CharacterId = kShape;
    r->Depth = 1;
    button->Records.push_back(std::move(r));
  }
  auto cond = std::make_unique<TSWFButtonCondAction>();
  cond->Conditions = buttoncond::OverDownToOverUp;
  auto* url = cond->AddNew<TSWFActionGetUrl>();
  url->URL = "http://example.invalid/";
  url->Target = "_blank";
  button->Actions.push_back(std::move(cond));
  tags.push_back(std::move(button));

  auto bsound = std::make_unique<TSWFDefineButtonSound>();
  bsound->ButtonId = kButton;
  bsound->GetSound(TSWFDefineButtonSound::OverUpToOverDown).SoundId = kSound;
  tags.push_back(std::move(bsound));

  auto cxform = std::make_unique<TSWFDefineButtonCxform>();
  cxform->ButtonId = kButton;
  cxform->ColorTransform.SetAddB(40);
  tags.push_back(std::move(cxform));

  auto video = std::make_unique<TSWFDefineVideoStream>();
  video->CharacterId = kVideo;
  video->Width = 32;
  video->Height = 16;
  video->NumFrames = 1;
  tags.push_back(std::move(video));

  tags.push_back(Place(kSprite, 1));
  auto clip = Place(kButton, 2);
  clip->SWFVersion = 8;
  auto* onLoad = clip->GetClipActions().AddRecord(clipevent::Load | clipevent::EnterFrame);
  auto* jump = onLoad->AddNew<TSWFActionIf>();
  onLoad->AddNew<TSWFActionPlay>();
  jump->GetMarker()->IsBackward = false;
  onLoad->Add(jump->Marker.Release());
  tags.push_back(std::move(clip));
  auto filtered = std::make_unique<TSWFPlaceObject3>();
  filtered->SetCharacterId(kText);
  filtered->Depth = 3;
  CreateFilter(filtered->GetFilterList(), 2);
  tags.push_back(std::move(filtered));
  auto old = std::make_unique<TSWFPlaceObject>();
  old->CharacterId = kEdit;
  old->Depth = 4;
  tags.push_back(std::move(old));
  auto frame = std::make_unique<TSWFVideoFrame>();
  frame->StreamId = kVideo;
  frame->SetData("\x00\x00\x84", 3);
  tags.push_back(std::move(frame));
  auto head = std::make_unique<TSWFSoundStreamHead2>();
  head->StreamSoundCompression = 3;
  head->StreamSoundSampleCount = 1;
  tags.push_back(std::move(head));
  auto block = std::make_unique<TSWFSoundStreamBlock>();
  block->SetData("\x00\x00", 2);
  tags.push_back(std::move(block));
  tags.push_back(CreateTagObject(1));
  auto remove2 = std::make_unique<TSWFRemoveObject2>();
  remove2->Depth = 3;
  tags.push_back(std::move(remove2));
  tags.push_back(CreateTagObject(1));
  tags.push_back(CreateTagObject(0));
  return tags;
}

// The movie file bytes of the tags.
std::string MovieOf(std::vector<std::unique_ptr<TSWFObject>>& tags) {
  TSWFStreamReader movie;
  movie.SetVersion(8);
  TBitsEngine be(movie.GetBodyStream());
  for (auto& t : tags) t->WriteToStream(be);
  TMemoryStream file;
  movie.SaveToStream(file);
  return file.ToString();
}

std::unique_ptr<TSWFStreamReader> Load(const std::string& bytes) {
  auto reader = std::make_unique<TSWFStreamReader>();
  TMemoryStream ms;
  test::Fill(ms, bytes);
  reader->LoadFromStream(ms);
  reader->ParseTags(true, true);
  return reader;
}

std::string BodyBytes(TSWFStreamReader& r) { return r.GetBodyStream().ToString(); }

TEST(MovieFamilies, EveryTagReadsBackIntoAnEqualObject) {
  auto tags = FamilyTags();
  const std::string file = MovieOf(tags);
  auto reader = Load(file);
  ASSERT_TRUE(reader->IsSWF());
  ASSERT_EQ(reader->TagCount(), tags.size());
  const std::string body = BodyBytes(*reader);
  for (size_t i = 0; i < tags.size(); ++i) {
    TSWFObject* read = reader->TagInfo(i).TagObject;
    ASSERT_NE(read, nullptr) << i;
    EXPECT_EQ(read->ClassName(), tags[i]->ClassName()) << i;
    EXPECT_EQ(read->Describe(), tags[i]->Describe()) << tags[i]->ClassName();
  }
  reader->MakeStream();
  EXPECT_EQ(Hex(BodyBytes(*reader)), Hex(body));

  // A copy of every object writes the same tag again.
  for (size_t i = 0; i < tags.size(); ++i) {
    auto copy = reader->TagInfo(i).TagObject->Clone();
    const std::string a = test::Written([&](TBitsEngine& be) { copy->WriteToStream(be); });
    const std::string b =
        test::Written([&](TBitsEngine& be) { reader->TagInfo(i).TagObject->WriteToStream(be); });
    EXPECT_EQ(Hex(a), Hex(b)) << tags[i]->ClassName();
  }
}

TEST(MovieFamilies, RenumberingKeepsEveryReferenceOnItsCharacter) {
  auto tags = FamilyTags();
  auto reader = Load(MovieOf(tags));
  const uint16_t next = reader->RenumberCharacters(100);
  // Ten characters, renumbered in the order in which they are defined.
  EXPECT_EQ(next, 110);
  std::map<uint16_t, uint16_t> idOf = {{kBitmap, 100}, {kShape, 101}, {kMorph, 102},
                                       {kFont, 103},   {kText, 104},  {kEdit, 105},
                                       {kSound, 106},  {kSprite, 107}, {kButton, 108},
                                       {kVideo, 109}};
  // Rebuild, read the result fresh and check every reference by value.
  reader->MakeStream();
  TMemoryStream out;
  reader->SaveToStream(out);
  auto again = Load(out.ToString());
  auto fresh = FamilyTags();
  ASSERT_EQ(again->TagCount(), fresh.size());
  size_t checked = 0;
  for (size_t i = 0; i < fresh.size(); ++i) {
    TSWFObject* read = again->TagInfo(i).TagObject;
    std::vector<uint16_t*> before, after, defBefore, defAfter;
    fresh[i]->CharacterReferences(before);
    read->CharacterReferences(after);
    fresh[i]->DefinedCharacters(defBefore);
    read->DefinedCharacters(defAfter);
    ASSERT_EQ(before.size(), after.size()) << fresh[i]->ClassName();
    ASSERT_EQ(defBefore.size(), defAfter.size()) << fresh[i]->ClassName();
    for (size_t k = 0; k < before.size(); ++k, ++checked)
      EXPECT_EQ(*after[k], idOf.at(*before[k])) << fresh[i]->ClassName() << " reference " << k;
    for (size_t k = 0; k < defBefore.size(); ++k)
      EXPECT_EQ(*defAfter[k], idOf.at(*defBefore[k])) << fresh[i]->ClassName();
  }
  // Bitmap fills (2), morph fill, font refs (align zones, text, edit text),
  // CSM, sprite (place, sound, remove), init action, button records (2),
  // button sound (2), cxform, placements (4), video frame.
  EXPECT_EQ(checked, 21u);
}

TEST(MovieFamilies, DumpShowsFieldsAndEveryActionList) {
  auto tags = FamilyTags();
  test::TempDir dir;
  test::WriteFile(dir / "families.swf", MovieOf(tags));
  TSWFDumpOptions options;
  options.Actions = true;
  const TSWFDump dump = DumpSWFFile((dir / "families.swf").string(), options);
  ASSERT_EQ(dump.Tags.size(), tags.size());
  auto find = [&](const std::string& name) -> const TSWFDumpTag& {
    for (const auto& t : dump.Tags)
      if (t.Name == name) return t;
    throw std::runtime_error("no " + name);
  };
  EXPECT_EQ(find("DefineShape3").Fields,
            "id 2 bounds (0,0)-(2000,1000) fills 1 lines 0 records: 2 edges, 1 style changes; "
            "fill bitmap 1 type 0x41");
  EXPECT_EQ(find("DefineVideoStream").Fields, "id 8 32x16 frames 1 codec 2 deblocking 0");
  const auto& button = find("DefineButton2");
  ASSERT_EQ(button.Actions.size(), 2u);
  EXPECT_EQ(button.Actions[0], "on conditions 0x008 key 0:");
  EXPECT_EQ(button.Actions[1], "  GetUrl \"http://example.invalid/\" \"_blank\"");
  const auto& sprite = find("DefineSprite");
  ASSERT_EQ(sprite.SubTags.size(), 7u);
  EXPECT_EQ(sprite.SubTags[2].Actions, std::vector<std::string>{"Stop"});
  std::vector<std::string> clip;
  for (const auto& t : dump.Tags)
    if (t.Name == "PlaceObject2" && !t.Actions.empty()) clip = t.Actions;
  ASSERT_EQ(clip.size(), 4u);
  EXPECT_EQ(clip[0], "on events 0x000C0 key 0:");
  EXPECT_EQ(clip[1], "  If 1 -> \"label 1\"");
  const std::string text = FormatDumpText(dump);
  EXPECT_NE(text.find("| id 8 32x16 frames 1 codec 2"), std::string::npos);
}

}  // namespace
}  // namespace reelcast
