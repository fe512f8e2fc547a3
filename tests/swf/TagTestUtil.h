// Helpers for the tag family tests: a tag's body bytes, reading a body into
// a fresh object of the factory, and the write-read-write check.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "swf/SWFObject.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast::test {

// The body that WriteTagBody produces (padded to a byte).
inline std::string BodyOf(TSWFObject& tag) {
  return Written([&](TBitsEngine& be) {
    tag.WriteTagBody(be);
    be.FlushBits(true);
  });
}

// A new object for code, read from body through a view of exactly the body.
inline std::unique_ptr<TSWFObject> ReadBody(uint16_t code, const std::string& body,
                                            TSWFReadContext context = {8, true}) {
  auto tag = CreateTagObject(code);
  TMemoryViewStream view(reinterpret_cast<const uint8_t*>(body.data()), body.size());
  TBitsEngine be(view);
  tag->BodySize = static_cast<int32_t>(body.size());
  tag->SetReadContext(context);
  tag->ReadFromStream(be);
  return tag;
}

// One row of a family table: a built tag and its exact body bytes.
struct TagRow {
  const char* Name;
  std::function<std::unique_ptr<TSWFObject>()> Make;
  const char* Body;  // hex
};

template <class T, class F>
std::function<std::unique_ptr<TSWFObject>()> MakeTag(F fill) {
  return [fill] {
    auto t = std::make_unique<T>();
    fill(*t);
    return std::unique_ptr<TSWFObject>(std::move(t));
  };
}

// Write gives the row's bytes; reading them gives an object of the same class
// that writes the same bytes again and describes itself the same way.
inline void CheckTagTable(const std::vector<TagRow>& rows, TSWFReadContext context = {8, true}) {
  for (const auto& row : rows) {
    auto tag = row.Make();
    const std::string body = BodyOf(*tag);
    EXPECT_EQ(Hex(body), Hex(Bytes(row.Body))) << row.Name;
    auto back = ReadBody(tag->TagID, Bytes(row.Body), context);
    EXPECT_FALSE(tag->Describe().empty()) << row.Name;
    EXPECT_EQ(back->ClassName(), tag->ClassName()) << row.Name;
    EXPECT_EQ(back->Describe(), tag->Describe()) << row.Name;
    EXPECT_EQ(Hex(BodyOf(*back)), Hex(Bytes(row.Body))) << row.Name;
  }
}

// Write, read back, write again: the two bodies are equal.
inline std::unique_ptr<TSWFObject> RoundTrip(TSWFObject& tag, TSWFReadContext context = {8, true}) {
  const std::string body = BodyOf(tag);
  auto back = ReadBody(tag.TagID, body, context);
  EXPECT_EQ(Hex(BodyOf(*back)), Hex(body)) << tag.ClassName();
  return back;
}

}  // namespace reelcast::test
