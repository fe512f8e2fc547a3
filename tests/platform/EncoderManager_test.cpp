// The encoder manager's format table: its life cycle, its 424-byte entry
// layout and the lookup the default encoder parameters rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/EncoderManager.h"

namespace reelcast {
namespace {

TEST(EncoderManagerTest, TableExistsOnlyBetweenStartAndShutDown) {
  EXPECT_EQ(EncMgrGetFormatTable(), nullptr);
  EncMgrInit();
  EXPECT_NE(EncMgrGetFormatTable(), nullptr);
  EncMgrUninit();
  EXPECT_EQ(EncMgrGetFormatTable(), nullptr);
}

TEST(EncoderManagerTest, FlvEntryListsFlashVideoAndMp3First) {
  EncMgrInit();
  const uint8_t* table = EncMgrGetFormatTable();
  ASSERT_NE(table, nullptr);
  // The first entry is "flv ", its bytes as the four characters.
  EXPECT_EQ(std::memcmp(table, "flv ", 4), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(table + 68)), "flv");
  const uint8_t* flv = FindFormatEntry(table, kContainerFlv);
  ASSERT_EQ(flv, table);
  ASSERT_NE(FormatEntryVideoCodecs(table, flv), nullptr);
  ASSERT_NE(FormatEntryAudioCodecs(table, flv), nullptr);
  EXPECT_EQ(FormatEntryVideoCodecs(table, flv)[0], FourCC("FLV1"));
  EXPECT_EQ(FormatEntryAudioCodecs(table, flv)[0], FourCC("MP3 "));

  // Entries follow each other every 424 bytes up to a zero code; an audio
  // only format has no video list; a missing code falls back to the first.
  int entries = 0;
  bool sawAudioOnly = false;
  for (const uint8_t* e = table; FormatEntryCode(e) != 0; e += kFormatEntrySize) {
    ++entries;
    if (FormatEntryCode(e) == FourCC("mp3 ")) {
      sawAudioOnly = true;
      EXPECT_EQ(FormatEntryVideoCodecs(table, e), nullptr);
      EXPECT_EQ(FindFormatEntry(table, FourCC("mp3 ")), e);
    }
  }
  EXPECT_GE(entries, 2);
  EXPECT_TRUE(sawAudioOnly);
  EXPECT_EQ(FindFormatEntry(table, FourCC("avi ")), table);
  EXPECT_EQ(FindFormatEntry(nullptr, kContainerFlv), nullptr);
  EncMgrUninit();
}

TEST(EncoderManagerTest, FourCharacterCodesAreLittleEndian) {
  EXPECT_EQ(FourCC("flv "), 0x20766C66u);
  EXPECT_EQ(FourCC("YV12"), 0x32315659u);
}

}  // namespace
}  // namespace reelcast
