// reelcast-cli swf dump and swf rewrite, run as a user runs them.
#include <gtest/gtest.h>

#include "support/TestEnv.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

test::ProcessResult Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv{(test::BinDir() / "reelcast-cli").string(), "swf"};
  argv.insert(argv.end(), args.begin(), args.end());
  return test::RunProcess(argv, 120);
}

class SwfCommand : public testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    movie_ = test::MakeFfmpegSwf(dir_, "flv").string();
    ASSERT_FALSE(movie_.empty());
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }
  test::TempDir dir_;
  std::string movie_;
};

TEST_F(SwfCommand, DumpListsHeaderAndTags) {
  auto r = Cli({"dump", movie_});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("FWS version"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("160 x 120 pixels; rate 10.00 fps; 20 frames"), std::string::npos);
  EXPECT_NE(r.Output.find("code 45 SoundStreamHead2"), std::string::npos);
  EXPECT_NE(r.Output.find("long header"), std::string::npos);
  EXPECT_NE(r.Output.find("End (TSWFEnd) frame 21"), std::string::npos);
  EXPECT_EQ(r.Output.find("problem:"), std::string::npos);

  auto j = Cli({"dump", movie_, "--json", "--actions"});
  ASSERT_EQ(j.ExitCode, 0) << j.Output;
  EXPECT_EQ(j.Output.rfind("{\"file\":", 0), 0u);
  EXPECT_NE(j.Output.find("\"frameCount\":20"), std::string::npos);
  EXPECT_NE(j.Output.find("\"name\":\"VideoFrame\""), std::string::npos);
}

TEST_F(SwfCommand, DumpOfDamagedFilesSaysWhatIsWrong) {
  std::string bytes = test::ReadFile(movie_);
  test::WriteFile(Path("cut.swf"), bytes.substr(0, bytes.size() / 2));
  auto cut = Cli({"dump", Path("cut.swf")});
  EXPECT_EQ(cut.ExitCode, 0) << cut.Output;
  EXPECT_NE(cut.Output.find("problem: "), std::string::npos) << cut.Output;
  EXPECT_NE(cut.Output.find("runs past the end"), std::string::npos) << cut.Output;

  test::WriteFile(Path("text.swf"), "hello, this is not a movie");
  auto text = Cli({"dump", Path("text.swf")});
  EXPECT_EQ(text.ExitCode, 1);
  EXPECT_NE(text.Output.find("not a readable SWF file"), std::string::npos) << text.Output;

  auto missing = Cli({"dump", Path("missing.swf")});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Output.find("missing.swf"), std::string::npos) << missing.Output;
}

TEST_F(SwfCommand, RewriteCopiesAndRenumbers) {
  auto r = Cli({"rewrite", movie_, Path("copy.swf")});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_TRUE(test::ReadFile(Path("copy.swf")) == test::ReadFile(movie_));

  auto c = Cli({"rewrite", movie_, Path("packed.swf"), "--compress", "--renumber", "10"});
  ASSERT_EQ(c.ExitCode, 0) << c.Output;
  EXPECT_NE(c.Output.find("compressed"), std::string::npos);
  EXPECT_NE(c.Output.find("next free character id: "), std::string::npos);
  EXPECT_EQ(test::ReadFile(Path("packed.swf")).substr(0, 3), "CWS");

  auto bad = Cli({"rewrite", Path("text.swf"), Path("out.swf")});
  EXPECT_EQ(bad.ExitCode, 1);
}

TEST(SwfCommandActions, DumpListsActionsOnlyWhenAsked) {
  // DoAction: Push "a", 1; Jump +1; Stop; Play; end. DoInitAction of sprite 3:
  // Stop; end. Then ShowFrame and End.
  std::string body = test::Bytes(
      "13 03 96 08 00 00 61 00 07 01 00 00 00 99 02 00 01 00 07 06 00"
      "C4 0E 03 00 07 00 40 00 00 00");
  std::string rest = test::Bytes("78 00 05 5F 00 00 0F A0 00 00 0C 01 00") + body;
  uint32_t length = static_cast<uint32_t>(8 + rest.size());
  std::string file = std::string("FWS\x06", 4) + std::string(1, static_cast<char>(length)) +
                     std::string(3, '\0') + rest;
  test::TempDir dir;
  std::string name = (dir / "actions.swf").string();
  test::WriteFile(name, file);

  auto plain = Cli({"dump", name});
  ASSERT_EQ(plain.ExitCode, 0) << plain.Output;
  EXPECT_EQ(plain.Output.find("Push"), std::string::npos) << plain.Output;
  auto listed = Cli({"dump", name, "--actions"});
  ASSERT_EQ(listed.ExitCode, 0) << listed.Output;
  for (const char* line : {"DoAction (TSWFDoAction)", "    Push \"a\", 1", "    Jump 1 -> \"label 1\"",
                           "    Stop", "    Play", "DoInitAction (TSWFDoInitAction)"})
    EXPECT_NE(listed.Output.find(line), std::string::npos) << line << "\n" << listed.Output;

  // Parsed into actions and written again, the movie is the same.
  auto r = Cli({"rewrite", name, (dir / "again.swf").string(), "--actions"});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_TRUE(test::ReadFile(dir / "again.swf") == file);
}

TEST(SwfCommandRenumber, RefusesIdsThatRunPast65535) {
  // Three empty DefineShape tags (ids 1 to 3), each placed, one frame.
  std::string rest = test::Bytes("78 00 05 5F 00 00 0F A0 00 00 0C 01 00");
  for (int id = 1; id <= 3; ++id)
    rest += test::Bytes("87 00") + std::string(1, static_cast<char>(id)) + test::Bytes("00 00 00 00 00 00") +
            test::Bytes("85 06 02") + std::string(1, static_cast<char>(id)) + test::Bytes("00") +
            std::string(1, static_cast<char>(id)) + test::Bytes("00");
  rest += test::Bytes("40 00 00 00");
  uint32_t length = static_cast<uint32_t>(8 + rest.size());
  std::string file = std::string("FWS\x06", 4) + std::string(1, static_cast<char>(length)) +
                     std::string(3, '\0') + rest;
  test::TempDir dir;
  std::string name = (dir / "shapes.swf").string();
  test::WriteFile(name, file);

  auto fits = Cli({"rewrite", name, (dir / "top.swf").string(), "--renumber", "65533"});
  ASSERT_EQ(fits.ExitCode, 0) << fits.Output;
  auto dump = Cli({"dump", (dir / "top.swf").string()});
  for (const char* id : {"65533", "65534", "65535"}) EXPECT_NE(dump.Output.find(id), std::string::npos) << dump.Output;

  for (const char* first : {"65534", "65535"}) {
    auto refused = Cli({"rewrite", name, (dir / "wrapped.swf").string(), "--renumber", first});
    EXPECT_NE(refused.ExitCode, 0) << refused.Output;
    EXPECT_NE(refused.Output.find("do not fit below id 65536"), std::string::npos) << refused.Output;
    EXPECT_FALSE(std::filesystem::exists(dir / "wrapped.swf")) << "nothing is written";
  }
}

TEST(SwfCommandUsage, WrongArgumentsExplainThemselves) {
  struct {
    std::vector<std::string> args;
    const char* message;
  } rows[] = {
      {{}, "a subcommand is needed"},
      {{"frobnicate"}, "unknown subcommand"},
      {{"dump"}, "dump needs a file"},
      {{"dump", "a.swf", "--fast"}, "unknown option --fast"},
      {{"rewrite", "a.swf"}, "rewrite needs IN and OUT"},
      {{"rewrite", "a.swf", "b.swf", "--renumber"}, "--renumber needs the first id"},
      {{"rewrite", "a.swf", "b.swf", "--renumber", "0"}, "from 1 to 65535"},
      {{"rewrite", "a.swf", "b.swf", "--renumber", "12x"}, "from 1 to 65535"},
  };
  for (const auto& row : rows) {
    auto r = Cli(row.args);
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    EXPECT_NE(r.Output.find(row.message), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("Usage: reelcast-cli swf"), std::string::npos);
  }
  auto help = Cli({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
}

}  // namespace
}  // namespace reelcast
