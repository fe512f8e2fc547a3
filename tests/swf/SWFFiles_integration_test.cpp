// Round trips over movies that this library did not write: ffmpeg's swf
// muxer makes them, ffprobe checks what we write back.
#include <gtest/gtest.h>

#include "support/TestEnv.h"
#include "swf/SWFStream.h"
#include "swf/SWFTools.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

// Compares two byte strings without printing them: the first difference.
testing::AssertionResult SameBytes(const std::string& a, const std::string& b) {
  if (a == b) return testing::AssertionSuccess();
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size()
                                     << ", first difference at byte " << i;
}

class FfmpegSwf : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    source_ = test::MakeFfmpegSwf(dir_, GetParam());
    ASSERT_FALSE(source_.empty()) << "ffmpeg could not write an SWF with " << GetParam();
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }

  test::TempDir dir_;
  test::fs::path source_;
};

// Every tag object written to bytes, in order.
std::vector<std::string> ObjectBytes(const std::string& file, size_t* rawTags = nullptr) {
  TSWFStreamReader reader(file);
  EXPECT_TRUE(reader.IsSWF());
  reader.ParseTags(true, true);
  std::vector<std::string> bytes;
  if (rawTags) *rawTags = 0;
  for (size_t i = 0; i < reader.TagCount(); ++i) {
    TSWFTagInfo& info = reader.TagInfo(i);
    if (rawTags && info.TagCode == kRawTagCode) ++*rawTags;
    TMemoryStream s;
    TBitsEngine be(s);
    info.TagObject->WriteToStream(be);
    bytes.push_back(s.ToString());
  }
  return bytes;
}

TEST_P(FfmpegSwf, RewriteWithoutObjectsIsByteForByte) {
  const std::string original = test::ReadFile(source_);
  RewriteSWFFile(source_.string(), Path("copy.swf"), {});
  EXPECT_TRUE(SameBytes(test::ReadFile(Path("copy.swf")), original));

  TSWFRewriteOptions compress;
  compress.Compression = TSWFRewriteOptions::TCompression::Compress;
  auto packed = RewriteSWFFile(source_.string(), Path("packed.swf"), compress);
  EXPECT_TRUE(packed.Compressed);
  std::string packedFile = test::ReadFile(Path("packed.swf"));
  EXPECT_EQ(packedFile.substr(0, 3), "CWS");
  EXPECT_LT(packedFile.size(), original.size());

  TSWFRewriteOptions uncompress;
  uncompress.Compression = TSWFRewriteOptions::TCompression::Uncompress;
  RewriteSWFFile(Path("packed.swf"), Path("unpacked.swf"), uncompress);
  // Compression raised the version to 6; everything else comes back.
  std::string expected = original;
  expected[3] = std::max<char>(expected[3], 6);
  EXPECT_TRUE(SameBytes(test::ReadFile(Path("unpacked.swf")), expected));
}

TEST_P(FfmpegSwf, EveryTagSurvivesReadWriteRead) {
  size_t rawTags = 0;
  auto before = ObjectBytes(source_.string(), &rawTags);
  EXPECT_EQ(rawTags, 0u) << "a tag of ffmpeg's movie could not be read";
  TSWFRewriteOptions options;
  options.Objects = true;
  options.Actions = true;
  auto result = RewriteSWFFile(source_.string(), Path("objects.swf"), options);
  EXPECT_EQ(result.TagCount, before.size());
  EXPECT_TRUE(ObjectBytes(Path("objects.swf")) == before);
  options.Compression = TSWFRewriteOptions::TCompression::Compress;
  RewriteSWFFile(source_.string(), Path("packed.swf"), options);
  EXPECT_TRUE(ObjectBytes(Path("packed.swf")) == before);

  // The original and the rewrite hold the same frames for an outside reader.
  if (!test::HaveProgram("ffprobe")) return;
  auto probe = [](const std::string& file) {
    return test::RunProcess({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                             "stream=codec_name,nb_read_packets", "-of", "csv=p=0", file},
                            120);
  };
  auto a = probe(source_.string());
  auto b = probe(Path("objects.swf"));
  EXPECT_EQ(a.ExitCode, 0) << a.Output;
  EXPECT_EQ(b.ExitCode, 0) << b.Output;
  EXPECT_EQ(b.Output, a.Output);
  EXPECT_NE(a.Output.find("mp3"), std::string::npos) << a.Output;
}

INSTANTIATE_TEST_SUITE_P(Codecs, FfmpegSwf, testing::Values("flv", "mjpeg"));

}  // namespace
}  // namespace reelcast
