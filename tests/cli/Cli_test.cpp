// reelcast-cli as a user runs it: each call is a new process.
#include <gtest/gtest.h>

#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::RunProcess;

class CliTest : public ::testing::Test {
 protected:
  test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), (test::BinDir() / "reelcast-cli").string());
    return RunProcess(args, 60);
  }
  test::TempDir home_{"reelcast-cli-home"};
  test::ScopedEnv homeEnv_{"REELCAST_HOME", home_.Path().string()};
};

TEST_F(CliTest, SettingSetInOneProcessIsReadByTheNext) {
  auto fresh = Cli({"settings", "list"});
  ASSERT_EQ(fresh.ExitCode, 0) << fresh.Output;
  for (const char* line : {"System.nWidth                320 ", "System.nHeight               240 ",
                           "System.VBitrate              768000 ",
                           "System.SampleR               22050 "})
    EXPECT_NE(fresh.Output.find(line), std::string::npos) << line << "\n" << fresh.Output;

  auto set = Cli({"settings", "set", "System.nWidth", "640"});
  ASSERT_EQ(set.ExitCode, 0) << set.Output;
  EXPECT_EQ(set.Output, "System.nWidth = 640\n");
  ASSERT_EQ(Cli({"settings", "set", "system.frame", "23.976"}).ExitCode, 0);

  EXPECT_EQ(Cli({"settings", "get", "System.nWidth"}).Output, "640\n");
  EXPECT_EQ(Cli({"settings", "get", "System.Frame"}).Output, "23.976\n");
  auto list = Cli({"settings"});
  EXPECT_NE(list.Output.find("System.nWidth                640                          integer\n"),
            std::string::npos)
      << list.Output;
}

TEST_F(CliTest, RefusesUnknownKeysAndWrongValuesWithoutChangingAnything) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* message;
  } cases[] = {
      {{"settings", "set", "System.Width", "640"}, 2, "unknown settings key 'System.Width'"},
      {{"settings", "set", "System.nWidth", "wide"}, 2,
       "System.nWidth takes an integer from 80 to 800; got 'wide'"},
      {{"settings", "set", "System.bUseFTP", "perhaps"}, 2, "System.bUseFTP takes a boolean"},
      {{"settings", "set", "System.nWidth"}, 2, "expected 'list', 'get KEY' or 'set KEY VALUE'"},
      {{"settings", "get", "Nope"}, 2, "unknown settings key 'Nope'"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
  };
  for (const auto& c : cases) {
    auto r = Cli(c.args);
    EXPECT_EQ(r.ExitCode, c.exitCode) << r.Output;
    EXPECT_NE(r.Output.find(c.message), std::string::npos) << r.Output;
  }
  EXPECT_FALSE(test::fs::exists(home_ / "Settings.conf"));
}

TEST_F(CliTest, UnusableUserFolderIsAClearError) {
  test::WriteFile(home_ / "file", "");
  test::ScopedEnv bad("REELCAST_HOME", (home_ / "file" / "home").string());
  auto r = Cli({"settings", "set", "System.nWidth", "640"});
  EXPECT_EQ(r.ExitCode, 1) << r.Output;
  EXPECT_NE(r.Output.find("cannot create the user folder"), std::string::npos) << r.Output;
}

TEST_F(CliTest, VersionHelpAndConvertOfAMissingFolder) {
  auto version = Cli({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Output.rfind("Reelcast ", 0), 0u) << version.Output;
  auto help = Cli({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Output.find("settings"), std::string::npos) << help.Output;
  EXPECT_NE(help.Output.find("convert"), std::string::npos) << help.Output;
  // A folder that is not a DVD must not look like a success.
  auto convert = Cli({"convert", "/nowhere/VIDEO_TS"});
  EXPECT_NE(convert.ExitCode, 0);
  EXPECT_NE(convert.Output.find("is not a valid DVD folder."), std::string::npos) << convert.Output;
}

}  // namespace
}  // namespace reelcast
