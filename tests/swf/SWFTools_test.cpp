#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestEnv.h"
#include "swf/SWFTools.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

using test::Bytes;

// FWS version 6 with a 550 x 400 stage at 12 fps, the given tags.
std::string File(const std::string& tags) {
  std::string rest = Bytes("78 00 05 5F 00 00 0F A0 00 00 0C 01 00") + tags;
  uint32_t length = static_cast<uint32_t>(8 + rest.size());
  std::string header = "FWS\x06";
  for (int i = 0; i < 4; ++i) header += static_cast<char>(length >> (8 * i));
  return header + rest;
}

TEST(SWFDump, TextAndJsonListEveryTagAndEveryProblem) {
  test::TempDir dir;
  std::string name = (dir / "a \"quoted\" name.swf").string();
  // Background colour, an unknown code 76, a colour cut short (reader
  // error), ShowFrame, End, then a tag that claims more bytes than there are.
  test::WriteFile(name, File(Bytes("43 02 00 80 FF  02 13 01 02  42 02 FF 00  40 00  00 00  "
                                   "C8 0A 61")));
  TSWFDump dump = DumpSWFFile(name);
  ASSERT_TRUE(dump.IsSWF);
  EXPECT_EQ(dump.Signature, "FWS");
  EXPECT_EQ(dump.FrameRect, (TRect{0, 0, 11000, 8000}));
  EXPECT_EQ(dump.FrameRate, 12.0f);
  ASSERT_EQ(dump.Tags.size(), 6u);
  EXPECT_EQ(dump.Tags[1].Code, 76);
  EXPECT_EQ(dump.Tags[1].ErrorText, "Uniknow tag");
  EXPECT_EQ(dump.Tags[2].Code, 9) << "a raw tag shows the code of the file";
  EXPECT_EQ(dump.Tags[2].ClassName, "TSWFByteCodeTag");
  EXPECT_FALSE(dump.Tags[2].ErrorText.empty());
  EXPECT_EQ(dump.Tags[5].Frame, 2);
  ASSERT_EQ(dump.Problems.size(), 1u);

  std::string text = FormatDumpText(dump);
  EXPECT_NE(text.find("FWS version 6, file length 41"), std::string::npos) << text;
  EXPECT_NE(text.find("550 x 400 pixels; rate 12.00 fps; 1 frames"), std::string::npos) << text;
  EXPECT_NE(text.find("[0] code 9 SetBackgroundColor (TSWFSetBackgroundColor) frame 1 at 0 length 3\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[1] code 76 SymbolClass (TSWFByteCodeTag) frame 1 at 5 length 2: Uniknow tag"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("problem: tag 5 (code 43)"), std::string::npos) << text;

  std::string json = FormatDumpJson(dump);
  EXPECT_NE(json.find("\"file\":\"" + (dir / "a \\\"quoted\\\" name.swf").string() + "\""),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"stage\":{\"xmin\":0,\"ymin\":0,\"xmax\":11000,\"ymax\":8000}"),
            std::string::npos);
  EXPECT_NE(json.find("{\"index\":1,\"code\":76,\"name\":\"SymbolClass\",\"class\":\"TSWFByteCodeTag\","
                      "\"frame\":1,\"position\":5,\"length\":2,\"longHeader\":false,\"error\":\"Uniknow tag\"}"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.back(), '\n');
  EXPECT_EQ(std::count(json.begin(), json.end(), '{'), std::count(json.begin(), json.end(), '}'));
}

TEST(SWFDump, NotAnSWF) {
  test::TempDir dir;
  std::string name = (dir / "x.swf").string();
  test::WriteFile(name, "GIF89a");
  TSWFDump dump = DumpSWFFile(name);
  EXPECT_FALSE(dump.IsSWF);
  EXPECT_NE(FormatDumpText(dump).find("not a readable SWF file"), std::string::npos);
  EXPECT_NE(FormatDumpJson(dump).find("\"isSWF\":false"), std::string::npos);
  EXPECT_THROW(RewriteSWFFile(name, (dir / "y.swf").string(), {}), ESWFError);
  EXPECT_FALSE(test::fs::exists(dir / "y.swf"));
}

}  // namespace
}  // namespace reelcast
