#include <gtest/gtest.h>

#include "swf/Bitmaps.h"
#include "swf/TagTestUtil.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;
using test::MakeTag;


void SetBytes(TSWFDataObject& tag, const std::string& hex) {
  const std::string b = Bytes(hex);
  tag.SetData(b.data(), static_cast<uint32_t>(b.size()));
}

TEST(BitmapBytes, JPEGMarkersAndLosslessLayouts) {
  const std::vector<test::TagRow> rows = {
      {"JPEG2 data with its own start marker gets an end/start pair",
       MakeTag<TSWFDefineBitsJPEG2>([](auto& t) {
         t.CharacterId = 1;
         SetBytes(t, "FF D8 FF E0 00 FF D9");
       }),
       "01 00 FF D9 FF D8 FF D8 FF E0 00 FF D9"},
      {"abbreviated DefineBits data is wrapped",
       MakeTag<TSWFDefineBits>([](auto& t) {
         t.CharacterId = 2;
         SetBytes(t, "11 22 33");
       }),
       "02 00 FF D8 11 22 33 FF D9"},
      {"JPEG tables have no id",
       MakeTag<TSWFJPEGTables>([](auto& t) { SetBytes(t, "FF DB 00"); }), "FF D8 FF DB 00 FF D9"},
      {"JPEG3 with alpha",
       MakeTag<TSWFDefineBitsJPEG3>([](auto& t) {
         t.CharacterId = 3;
         SetBytes(t, "FF D8 AA");
         t.AlphaData = {0x78, 0x9C};
       }),
       "03 00 07 00 00 00 FF D9 FF D8 FF D8 AA 78 9C"},
      {"lossless format 5 has no colour table size",
       MakeTag<TSWFDefineBitsLossless>([](auto& t) {
         t.CharacterId = 4;
         t.BitmapWidth = 2;
         t.BitmapHeight = 1;
         SetBytes(t, "78 9C 01");
       }),
       "04 00 05 02 00 01 00 78 9C 01"},
      {"lossless2 format 3 carries it",
       MakeTag<TSWFDefineBitsLossless2>([](auto& t) {
         t.CharacterId = 5;
         t.BitmapFormat = 3;
         t.BitmapWidth = 4;
         t.BitmapHeight = 4;
         t.BitmapColorTableSize = 15;
         SetBytes(t, "78");
       }),
       "05 00 03 04 00 04 00 0F 78"},
  };
  test::CheckTagTable(rows);
}

TEST(BitmapBytes, JPEG3OffsetAndHeaders) {
  TSWFDefineBitsJPEG3 tag;
  std::string jpeg(1000, '\x11');
  jpeg[0] = '\xFF';
  jpeg[1] = '\xD8';
  tag.SetData(jpeg.data(), 1000);
  tag.AlphaData.assign(300, 7);
  const std::string body = test::BodyOf(tag);
  ASSERT_EQ(body.size(), 1310u);
  EXPECT_EQ(Hex(body.substr(2, 4)), "EC 03 00 00");  // 1004
  auto back = test::ReadBody(35, body);
  auto& read = static_cast<TSWFDefineBitsJPEG3&>(*back);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.Data()), read.DataSize()), jpeg);
  EXPECT_EQ(read.AlphaDataSize(), 300u);

  // Lossless tags always carry a long header, even with a tiny body.
  TSWFDefineBitsLossless small;
  const std::string whole = test::Written([&](TBitsEngine& be) { small.WriteToStream(be); });
  EXPECT_EQ(Hex(whole.substr(0, 6)), "3F 05 07 00 00 00");
}

TEST(BitmapBadInput, LyingOffsetsAndShortBodiesThrow) {
  for (const char* body : {"03 00 FF 00 00 00 FF D9 FF D8", "03 00 02 00 00 00 FF D8", "01 00 FF"})
    EXPECT_ANY_THROW(test::ReadBody(35, Bytes(body))) << body;
  EXPECT_ANY_THROW(test::ReadBody(6, Bytes("01 00 FF D8")));
}

}  // namespace
}  // namespace reelcast
