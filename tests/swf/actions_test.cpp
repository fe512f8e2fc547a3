#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include "swf/ActionsData.h"
#include "swf/ActionsFlow.h"
#include "swf/ActionsSimple.h"
#include "swf/DoAction.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;

std::string WriteList(TSWFActionList& list) {
  return test::Written([&](TBitsEngine& be) { list.WriteItems(be); });
}

void ReadList(const std::string& bytes, TSWFActionList& list) {
  TMemoryStream ms;
  test::Fill(ms, bytes);
  TBitsEngine be(ms);
  ReadActions(be, list, static_cast<int64_t>(bytes.size()));
}

struct ActionRow {
  const char* Name;
  std::function<std::unique_ptr<TSWFAction>()> Make;
  const char* Bytes;
};

template <class T, class F>
std::function<std::unique_ptr<TSWFAction>()> Make(F fill) {
  return [fill] {
    auto a = std::make_unique<T>();
    fill(*a);
    return std::unique_ptr<TSWFAction>(std::move(a));
  };
}
template <class T>
std::function<std::unique_ptr<TSWFAction>()> Make() {
  return [] { return std::unique_ptr<TSWFAction>(std::make_unique<T>()); };
}

// One action, its bytes: the write test compares the bytes, the read test
// reads them back into an object of the same class with the same fields.
const std::vector<ActionRow>& ActionTable() {
  static const std::vector<ActionRow> rows = {
      {"Stop", Make<TSWFActionStop>(), "07"},
      {"Extends", Make<TSWFActionExtends>(), "69"},
      {"Call has an empty payload", Make<TSWFActionCall>(), "9E 00 00"},
      {"GotoFrame", Make<TSWFActionGotoFrame>([](auto& a) { a.Frame = 5; }), "81 02 00 05 00"},
      {"GetUrl", Make<TSWFActionGetUrl>([](auto& a) { a.URL = "u"; a.Target = "_t"; }),
       "83 05 00 75 00 5F 74 00"},
      {"WaitForFrame",
       Make<TSWFActionWaitForFrame>([](auto& a) { a.Frame = 0x102; a.SkipCount = 3; }),
       "8A 03 00 02 01 03"},
      {"SetTarget", Make<TSWFActionSetTarget>([](auto& a) { a.TargetName() = "/m"; }),
       "8B 03 00 2F 6D 00"},
      {"GoToLabel", Make<TSWFActionGoToLabel>([](auto& a) { a.Label() = "x"; }), "8C 02 00 78 00"},
      {"Push string and integer",
       Make<TSWFActionPush>([](auto& a) { a.AddValue(std::string("a")); a.AddValue(int64_t{1}); }),
       "96 08 00 00 61 00 07 01 00 00 00"},
      {"Push null literal",
       Make<TSWFActionPush>([](auto& a) { a.AddValue(std::string("FlashVar_null")); }),
       "96 01 00 02"},
      {"Push undefined, boolean, double",
       Make<TSWFActionPush>([](auto& a) {
         a.AddValue(std::string("FlashVar_undefined"));
         a.AddValue(true);
         a.AddValue(1.5);
       }),
       "96 0C 00 03 05 01 06 00 00 F8 3F 00 00 00 00"},
      {"Push float, register, constants",
       Make<TSWFActionPush>([](auto& a) {
         a.AddValue(2.0f);
         a.AddValue(int64_t{3});
         a.SetValueType(1, 4);
         a.AddValue(int64_t{7});
         a.SetValueType(2, 8);
         a.AddValue(int64_t{300});
         a.SetValueType(3, 9);
       }),
       "96 0C 00 01 00 00 00 40 04 03 08 07 09 2C 01"},
      {"GetURL2", Make<TSWFActionGetURL2>([](auto& a) { a.LoadTargetFlag = true; a.SendVarsMethod = 2; }),
       "9A 01 00 82"},
      {"GotoFrame2 with scene bias",
       Make<TSWFActionGotoFrame2>([](auto& a) { a.PlayFlag = true; a.SceneBiasFlag = true; a.SceneBias = 4; }),
       "9F 03 00 03 04 00"},
      {"StoreRegister", Make<TSWFActionStoreRegister>([](auto& a) { a.RegisterNumber = 2; }), "87 01 00 02"},
      {"ConstantPool", Make<TSWFActionConstantPool>([](auto& a) { a.Constants = {"a", "bc"}; }),
       "88 07 00 02 00 61 00 62 63 00"},
      {"If static", Make<TSWFActionIf>([](auto& a) { a.SetBranchOffset(0); }), "9D 02 00 00 00"},
      {"With static", Make<TSWFActionWith>([](auto& a) { a.SetSize(0); }), "94 02 00 00 00"},
      {"DefineFunction",
       Make<TSWFActionDefineFunction>([](auto& a) { a.FunctionName = "f"; a.Params = {"x"}; a.SetCodeSize(0); }),
       "9B 08 00 66 00 01 00 78 00 00 00"},
      {"DefineFunction2",
       Make<TSWFActionDefineFunction2>([](auto& a) {
         a.FunctionName = "g";
         a.Params = {{"p", 1}};
         a.RegisterCount = 3;
         a.PreloadParent = true;
         a.PreloadThis = true;
         a.PreloadGlobal = true;
         a.SetCodeSize(0);
       }),
       "8E 0C 00 67 00 01 00 03 81 01 01 70 00 00 00"},
      {"Try with catch in register",
       Make<TSWFActionTry>([](auto& a) {
         a.CatchBlock = true;
         a.CatchInRegister = true;
         a.CatchRegister = 1;
         a.SetTrySize(0);
       }),
       "8F 08 00 05 00 00 00 00 00 00 01"},
      {"Try with catch name and finally",
       Make<TSWFActionTry>([](auto& a) {
         a.CatchBlock = true;
         a.FinallyBlock = true;
         a.CatchName = "e";
         a.SetTrySize(0);
       }),
       "8F 09 00 03 00 00 00 00 00 00 65 00"},
  };
  return rows;
}

TEST(ActionBytes, EachActionWritesItsBytes) {
  for (const auto& row : ActionTable()) {
    auto action = row.Make();
    std::string bytes = test::Written([&](TBitsEngine& be) { action->WriteToStream(be); });
    EXPECT_EQ(Hex(bytes), Hex(Bytes(row.Bytes))) << row.Name;
  }
}

TEST(ActionBytes, EachActionReadsBackToTheSameObject) {
  for (const auto& row : ActionTable()) {
    auto expected = row.Make();
    TSWFActionList list;
    ReadList(Bytes(row.Bytes), list);
    ASSERT_EQ(list.Count(), 1u) << row.Name;
    EXPECT_EQ(typeid(*list[0]), typeid(*expected)) << row.Name;
    EXPECT_EQ(list[0]->Describe(), expected->Describe()) << row.Name;
    EXPECT_EQ(Hex(WriteList(list)), Hex(Bytes(row.Bytes))) << row.Name;
  }
}

TEST(ActionBytes, PushValuesReadBackWithTheirTypes) {
  TSWFActionList list;
  ReadList(Bytes("96 0C 00 03 05 01 06 00 00 F8 3F 00 00 00 00"), list);
  auto* push = dynamic_cast<TSWFActionPush*>(list[0]);
  ASSERT_NE(push, nullptr);
  ASSERT_EQ(push->ValueCount(), 3u);
  EXPECT_EQ(push->Value(0).ValueType, 3);
  EXPECT_EQ(std::get<std::string>(push->Value(0).Value), "undefined");
  EXPECT_EQ(push->Value(1).ValueType, 5);
  EXPECT_EQ(push->Value(2).ValueType, 6);
  EXPECT_EQ(std::get<double>(push->Value(2).Value), 1.5);
}

TEST(ActionVersions, PushDependsOnItsValueTypes) {
  TSWFActionPush push;
  EXPECT_EQ(push.MinVersion(), 4);
  push.AddValue(std::string("a"));
  EXPECT_EQ(push.MinVersion(), 4);
  push.AddValue(int64_t{1});
  EXPECT_EQ(push.MinVersion(), 5);

  TSWFDoAction tag;
  EXPECT_EQ(tag.MinVersion(), 3);
  tag.Actions().AddNew<TSWFActionStop>();
  tag.Actions().AddNew<TSWFActionTry>();
  EXPECT_EQ(tag.MinVersion(), 7);
}

TEST(ActionFactory, KnowsEveryListedCodeAndNothingElse) {
  int known = 0;
  for (int code = 1; code < 256; ++code) {
    auto a = CreateActionObject(static_cast<uint8_t>(code));
    if (!a) continue;
    ++known;
    EXPECT_EQ(a->ActionCode(), code);
  }
  // 84 payload-less actions, 16 with payloads, raw bytes and the marker.
  EXPECT_EQ(known, 84 + 16 + 2);
  EXPECT_EQ(CreateActionObject(0x16), nullptr);
}

TEST(OffsetMarkers, ForwardAndBackwardBranchesAreComputedWhenWritten) {
  {
    TSWFActionList list;
    auto* jump = list.AddNew<TSWFActionJump>();
    list.AddNew<TSWFActionStop>();
    list.AddNew<TSWFActionPlay>();
    auto* m = jump->GetMarker();
    m->IsBackward = false;
    list.Add(jump->Marker.Release());
    EXPECT_EQ(Hex(WriteList(list)), "99 02 00 02 00 07 06");
    EXPECT_TRUE(m->InList);
  }
  {
    TSWFActionList list;
    auto jump = std::make_unique<TSWFActionJump>();
    jump->GetMarker();  // backward by default
    list.Add(jump->Marker.Release());
    list.AddNew<TSWFActionStop>();
    list.Add(std::move(jump));
    EXPECT_EQ(Hex(WriteList(list)), "07 99 02 00 FA FF");
  }
}

TEST(OffsetMarkers, FunctionCodeSizeCoversTheBody) {
  TSWFActionList list;
  auto* f = list.AddNew<TSWFActionDefineFunction>();
  f->FunctionName = "f";
  list.AddNew<TSWFActionPlay>();
  list.AddNew<TSWFActionGotoFrame>()->Frame = 1;
  f->GetMarker()->IsBackward = false;
  list.Add(f->Marker.Release());
  list.AddNew<TSWFActionStop>();
  EXPECT_EQ(Hex(WriteList(list)), "9B 06 00 66 00 00 00 06 00 06 81 02 00 01 00 07");
}

TEST(OffsetMarkers, TryWithoutStaticSizesWritesThroughItsMarkers) {
  TSWFActionList list;
  auto* t = list.AddNew<TSWFActionTry>();
  t->CatchBlock = true;
  t->CatchName = "e";
  list.AddNew<TSWFActionStop>();
  t->GetTryMarker()->IsBackward = false;
  list.Add(t->TryMarker.Release());
  list.AddNew<TSWFActionPlay>();
  t->GetCatchMarker()->IsBackward = false;
  list.Add(t->CatchMarker.Release());
  // Each field holds the distance from its own end to its marker; no finally
  // block, so its size is 0.
  EXPECT_EQ(Hex(WriteList(list)), "8F 09 00 01 07 00 06 00 00 00 65 00 07 06");
  EXPECT_EQ(t->GetCatchMarker()->PrevMarker, t->GetTryMarker());
}

TEST(ReadActionsMarkers, ForwardJumpGetsANamedDisabledLabel) {
  const std::string bytes = Bytes("99 02 00 02 00 07 06 00");
  TSWFActionList list;
  ReadList(bytes, list);
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_NE(dynamic_cast<TSWFActionJump*>(list[0]), nullptr);
  EXPECT_NE(dynamic_cast<TSWFActionStop*>(list[1]), nullptr);
  EXPECT_NE(dynamic_cast<TSWFActionPlay*>(list[2]), nullptr);
  auto* m = dynamic_cast<TSWFOffsetMarker*>(list[3]);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Name, "label 1");
  EXPECT_FALSE(m->Enabled);
  EXPECT_TRUE(m->InList);
  EXPECT_EQ(Hex(WriteList(list) + std::string(1, '\0')), Hex(bytes));
}

TEST(ReadActionsMarkers, BackwardBranchesAndMissedBoundaries) {
  struct Case {
    const char* Bytes;
    const char* Listing;  // Describe of each item, joined by " | "
  } cases[] = {
      // Backward jump to the Stop: the marker goes before it.
      {"07 99 02 00 FA FF", "Marker \"label 1\" (label) | Stop | Jump -6 -> \"label 1\""},
      // Offset 3 lands inside the GotoFrame: not inserted, named as an error.
      {"99 02 00 03 00 81 02 00 01 00", "Jump 3 -> \"Error Size offset: 3\" | GotoFrame 1"},
      // A backward offset past the start of the list.
      {"07 99 02 00 F0 FF", "Stop | Jump -16 -> \"Error Size offset: -16\""},
      // Offset 0 leaves the marker unnamed and out of the list.
      {"99 02 00 00 00 07", "Jump 0 | Stop"},
      // With and DefineFunction place forward markers at their block ends.
      {"94 02 00 01 00 07 06", "With 1 -> \"label 1\" | Stop | Marker \"label 1\" (label) | Play"},
      {"8F 09 00 03 01 00 01 00 01 00 65 00 07 06 04",
       "Try size 1 catch 1 \"e\" finally 1 | Stop | Marker \"Try 1\" (label) | Play | "
       "Marker \"Catch 1\" (label) | NextFrame | Marker \"Finally 1\" (label)"},
  };
  for (const auto& c : cases) {
    TSWFActionList list;
    ReadList(Bytes(c.Bytes), list);
    std::string listing;
    for (size_t i = 0; i < list.Count(); ++i) listing += (i ? " | " : "") + list[i]->Describe();
    EXPECT_EQ(listing, c.Listing) << c.Bytes;
    EXPECT_EQ(Hex(WriteList(list)), Hex(Bytes(c.Bytes))) << c.Bytes;
  }
}

TEST(ReadActionsRobustness, UnknownAndMisfitActionsSurviveAsRawBytes) {
  const char* cases[] = {
      "7F 06",                    // unknown code without payload
      "C0 03 00 01 02 03 07",     // unknown code with payload
      "81 03 00 05 00 09 07",     // GotoFrame with a longer payload than its field
      "FE 01 00 AA FF 00 00",     // raw and marker codes read from a file stay raw
      "83 05 00 C3 A9 00 5F 00",  // a URL read as UTF-8 is not converted again
  };
  for (const char* c : cases) {
    TSWFActionList list;
    ReadList(Bytes(c), list);
    EXPECT_EQ(Hex(WriteList(list)), Hex(Bytes(c))) << c;
  }
}

TEST(ReadActionsRobustness, PayloadPastTheEndThrows) {
  for (const char* c : {"96 09 00 00 61", "81 05 00 01", "81 02"}) {
    TSWFActionList list;
    EXPECT_THROW(ReadList(Bytes(c), list), EStreamError) << c;
  }
}

TEST(FindActionsEndTest, SkipsPayloadsAndRestoresThePosition) {
  TMemoryStream ms;
  test::Fill(ms, Bytes("AA 96 03 00 00 00 00 07 00 55"));
  TBitsEngine be(ms);
  ms.SetPosition(1);
  EXPECT_EQ(FindActionsEnd(be), 9);
  EXPECT_EQ(ms.Position(), 1);
  TMemoryStream open;
  test::Fill(open, Bytes("07 06 81 05 00"));
  TBitsEngine be2(open);
  EXPECT_EQ(FindActionsEnd(be2), 0);
}

TEST(CopyActionListTest, CopiesReferToTheCopiedMarkers) {
  TSWFActionList source;
  auto* jump = source.AddNew<TSWFActionIf>();
  source.AddNew<TSWFActionStop>();
  jump->GetMarker()->IsBackward = false;
  jump->GetMarker()->Name = "end";
  source.Add(jump->Marker.Release());
  source.AddNew<TSWFActionPush>()->AddValue(std::string("x"));

  TSWFActionList dest;
  dest.AddNew<TSWFActionPlay>();
  CopyActionList(source, dest);
  ASSERT_EQ(dest.Count(), 5u);
  auto* copied = dynamic_cast<TSWFActionIf*>(dest[1]);
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->Marker.Peek(), dest[3]);
  EXPECT_NE(copied->Marker.Peek(), jump->Marker.Peek());
  EXPECT_EQ(Hex(WriteList(dest)), "06 " + Hex(WriteList(source)));
  EXPECT_EQ(Hex(WriteList(source)), "9D 02 00 01 00 07 96 03 00 00 78 00");
}

TEST(DoActionTag, RawAndParsedBodiesWriteBackIdentically) {
  const std::string body = Bytes("96 04 00 00 61 62 00 1C 99 02 00 FB FF 00");
  for (bool parse : {false, true}) {
    TMemoryStream ms;
    test::Fill(ms, body);
    TBitsEngine be(ms);
    TSWFDoAction tag;
    tag.ParseActions = parse;
    tag.BodySize = static_cast<int32_t>(body.size());
    tag.ReadFromStream(be);
    EXPECT_EQ(ms.Position(), static_cast<int64_t>(body.size()));
    EXPECT_EQ(tag.Actions().Count(), parse ? 4u : 1u);
    std::string written = test::Written([&](TBitsEngine& out) { tag.WriteToStream(out); });
    EXPECT_EQ(Hex(written), Hex(Bytes("0E 03") + body)) << parse;
  }
}

TEST(DoActionTag, InitActionCarriesItsSpriteAndCopies) {
  TSWFDoInitAction tag;
  tag.SpriteId = 7;
  tag.Actions().AddNew<TSWFActionStop>();
  EXPECT_EQ(tag.MinVersion(), 6);
  const std::string bytes = test::Written([&](TBitsEngine& be) { tag.WriteToStream(be); });
  EXPECT_EQ(Hex(bytes), "C4 0E 07 00 07 00");

  TSWFDoInitAction copy;
  copy.Assign(tag);
  EXPECT_EQ(copy.SpriteId, 7);
  EXPECT_EQ(Hex(test::Written([&](TBitsEngine& be) { copy.WriteToStream(be); })), Hex(bytes));

  TMemoryStream ms;
  test::Fill(ms, bytes.substr(2));
  TBitsEngine be(ms);
  TSWFDoInitAction back;
  back.BodySize = 4;
  back.ParseActions = true;
  back.ReadFromStream(be);
  EXPECT_EQ(back.SpriteId, 7);
  ASSERT_EQ(back.Actions().Count(), 1u);
  EXPECT_EQ(back.Actions()[0]->ActionCode(), 0x07);
}

}  // namespace
}  // namespace reelcast
