#include <gtest/gtest.h>

#include <filesystem>

#include "media/FLVData.h"
#include "media/FLVMetaTag.h"
#include "media/FlvBytes.h"
#include "support/TestEnv.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast::test {
namespace {

std::string Video(int frames, uint32_t step = 40) {
  std::string tags;
  for (int i = 0; i < frames; ++i)
    tags += FlvTag(kFLVTagVideo, static_cast<uint32_t>(i) * step, H263Frame(5, 0, 0, 10 + i));
  return tags;
}

TEST(FLVMetaTag, DurationTagBytes) {
  EXPECT_EQ(Hex(MakeFLVDurationTag(12.5)),
            "12 00 00 28 00 00 00 00 00 00 00 "                    // script tag, 40 bytes
            "02 00 0A 6F 6E 4D 65 74 61 44 61 74 61 "              // "onMetaData"
            "08 00 00 00 01 "                                      // ECMA array of one
            "00 08 64 75 72 61 74 69 6F 6E 00 40 29 00 00 00 00 00 00 "  // duration 12.5
            "00 00 09 00 00 00 33");                               // end, back-pointer 51
}

TEST(FLVMetaTag, InsertsTheTagInFrontOfTheFirstTagInPlace) {
  TempDir dir;
  std::string head = FlvHeader();
  std::string body = FlvTag(kFLVTagAudio, 0, "\x2E\xFF\xFB\x90\x64") + Video(100);
  std::string path = (dir / "movie.flv").string();
  WriteFile(path, head + body);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const TMetaData meta = TFLVAddHead().ReadMetaData(path);
  EXPECT_EQ(meta.Duration, 100 / 25.0);
  EXPECT_EQ(meta.Width, 320);  // H.263 size code 5
  EXPECT_EQ(meta.Height, 240);
  EXPECT_EQ(meta.FrameRate, 25);
  EXPECT_EQ(meta.VideoCodecId, 2);
  EXPECT_TRUE(meta.HasAudio);
  EXPECT_EQ(meta.AudioCodecId, 2);  // flags 0x2E: MP3, 44 kHz, 16 bits, mono
  EXPECT_EQ(meta.AudioSampleRate, 44100);
  EXPECT_EQ(meta.AudioSampleSize, 16);
  EXPECT_FALSE(meta.Stereo);
  ASSERT_EQ(AddFlvMetaData(path), TAddMetaDataResult::Added);
  std::string after = ReadFile(path);
  EXPECT_EQ(after, head + MakeFLVMetaTag(meta) + body);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(fs::exists(dir / kFLVMetaTempName));

  TFLVData flv(path);
  ASSERT_NE(flv.MetaData(), nullptr);
  EXPECT_EQ(dynamic_cast<const TFLVDataNumber*>(flv.MetaData()->FindProperty(fmpDuration))->Value, 4.0);
  EXPECT_EQ(dynamic_cast<const TFLVDataNumber*>(flv.MetaData()->FindProperty(fmpWidth))->Value, 320.0);
  EXPECT_EQ(flv.FrameCount(), 100u);
  EXPECT_EQ(flv.AudioFrameCount(), 1u);

  // A file that already starts with a script tag is left alone.
  EXPECT_EQ(AddFlvMetaData(path), TAddMetaDataResult::AlreadyPresent);
  EXPECT_EQ(ReadFile(path), after);
  EXPECT_FALSE(TFLVAddHead().AddHead(path, (dir / "copy.flv").string()));
  EXPECT_FALSE(fs::exists(dir / "copy.flv"));
}

TEST(FLVMetaTag, FailuresLeaveTheFileAsItWas) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file
  };
  const Case cases[] = {
      {"missing", ""},
      {"not an FLV", std::string(2000, 'x')},
      {"shorter than the header", FlvHeader().substr(0, 10)},
      {"another version", FlvHeader(2) + Video(3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = (dir / "in.flv").string();
    fs::remove(path);
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    EXPECT_EQ(AddFlvMetaData(path), TAddMetaDataResult::Failed);
    if (!c.bytes.empty()) {
      EXPECT_EQ(ReadFile(path), c.bytes);
    }
    EXPECT_FALSE(fs::exists(path) && c.bytes.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
              c.bytes.empty() ? 0 : 1)
        << "no scratch file is left behind";
  }
  // A scratch file that cannot be made (its folder is missing) fails before
  // anything is touched.
  std::string path = (dir / "in.flv").string();
  WriteFile(path, FlvHeader() + Video(3));
  EXPECT_EQ(AddFlvMetaData(path, (dir / "no" / "such" / "t.flv").string()), TAddMetaDataResult::Failed);
  EXPECT_EQ(ReadFile(path), FlvHeader() + Video(3));
  // An FLV with only its header gets the tag with duration 0.
  WriteFile(path, FlvHeader());
  EXPECT_EQ(AddFlvMetaData(path), TAddMetaDataResult::Added);
  EXPECT_EQ(ReadFile(path), FlvHeader() + MakeFLVDurationTag(0));
}

}  // namespace
}  // namespace reelcast::test
