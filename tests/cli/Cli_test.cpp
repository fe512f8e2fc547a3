// reelcast-cli as a user runs it: each call is a new process.
#include <gtest/gtest.h>

#include "publish/PublishedMovie.h"
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
  ASSERT_EQ(Cli({"settings", "set", "system.frame", "25"}).ExitCode, 0);

  // A name the data folder offers, stored as the data folder spells it.
  EXPECT_EQ(Cli({"settings", "set", "system.titleeffect", "rotate"}).Output,
            "System.TitleEffect = Rotate\n");

  EXPECT_EQ(Cli({"settings", "get", "System.nWidth"}).Output, "640\n");
  EXPECT_EQ(Cli({"settings", "get", "System.Frame"}).Output, "25\n");
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
      // Names of what the data folder offers, and the values the pages offer.
      {{"settings", "set", "System.TitleEffect", "Bogus"}, 2,
       "System.TitleEffect takes the name of a text effect: "},
      {{"settings", "set", "LD_BarStyle", "Nope"}, 2,
       "LD_BarStyle takes the name of a preloader bar style: 'Classic Blue'"},
      {{"settings", "set", "LD_SpriteStyle", "Nope"}, 2,
       "LD_SpriteStyle takes the name of a preloader sprite: "},
      {{"settings", "set", "System.Frame", "1000"}, 2,
       "System.Frame takes one of 0, 10, 12, 15, 24, 25, 30 (0 keeps the source rate); got '1000'"},
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
  EXPECT_NE(help.Output.find("swf"), std::string::npos) << help.Output;
  // A command reelcast-cli does not hold itself goes to reelcast-cli-full,
  // which still refuses one it does not know.
  auto unknown = Cli({"nonsense"});
  EXPECT_EQ(unknown.ExitCode, 2);
  EXPECT_NE(unknown.Output.find("unknown command 'nonsense'"), std::string::npos) << unknown.Output;
  // Without a command (or a dvd action) the usage is the error: exit 2, on
  // standard error only.
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"dvd"}}) {
    auto usage = Cli(args);
    EXPECT_EQ(usage.ExitCode, 2) << testing::PrintToString(args);
    EXPECT_NE(usage.Stderr.find("Usage: reelcast-cli "), std::string::npos) << usage.Output;
    EXPECT_EQ(usage.Output, usage.Stderr) << "nothing on standard output";
  }
  // A folder that is not a DVD must not look like a success.
  auto convert = Cli({"convert", "/nowhere/VIDEO_TS"});
  EXPECT_NE(convert.ExitCode, 0);
  EXPECT_NE(convert.Output.find("is not a valid DVD folder."), std::string::npos) << convert.Output;
}

// A command that would replace a file asks; without a terminal it refuses
// unless -y is given. A folder is never replaced.
TEST_F(CliTest, ReplacingAFileNeedsAYesOrAnAnswer) {
  test::TempDir out;
  const std::string sample = (out / "in.flv").string();
  test::MakePublishFlv(sample, 1);
  test::WriteFile(out / "m.swf", "old");
  auto refused = Cli({"flv2swf", sample, (out / "m.swf").string()});
  EXPECT_EQ(refused.ExitCode, 1) << refused.Output;
  EXPECT_NE(refused.Stderr.find("m.swf exists already; -y replaces it"), std::string::npos) << refused.Output;
  EXPECT_EQ(test::ReadFile(out / "m.swf"), "old");
  auto replaced = Cli({"flv2swf", sample, (out / "m.swf").string(), "-y", "--template", "none"});
  EXPECT_EQ(replaced.ExitCode, 0) << replaced.Output;
  EXPECT_NE(test::ReadFile(out / "m.swf"), "old");
  test::fs::create_directory(out / "folder.swf");
  auto folder = Cli({"flv2swf", sample, (out / "folder.swf").string(), "-y"});
  EXPECT_EQ(folder.ExitCode, 1) << folder.Output;
  EXPECT_NE(folder.Stderr.find("folder.swf is a folder; a folder is not replaced by a file"), std::string::npos)
      << folder.Output;
  EXPECT_TRUE(test::fs::is_directory(out / "folder.swf"));
}

// flv2swf and convert share their publish options: the same words are
// refused with the same reason, and both list the same styles.
TEST_F(CliTest, PublishOptionsAreTheSameForFlv2SwfAndConvert) {
  struct TCase {
    std::vector<std::string> Args;
    std::string Reason;
  };
  const std::vector<TCase> cases = {
      {{"--background", "red"}, "--background needs RRGGBB"},
      {{"--play-mode", "bounce"}, "unknown play mode 'bounce'"},
      {{"--link-pos", "0.5,1.5"}, "--link-pos needs X,Y from 0 to 1"},
      {{"--font-size", "2"}, "--font-size needs 4 to 200"},
      {{"--preloader-show", "both"}, "--preloader-show needs bar, text or all"},
      {{"--preloader-color", "12345"}, "--preloader-color needs RRGGBB"},
      {{"--control-bar"}, "--control-bar needs a style"},
      {{"--template", "general:"}, "--template needs a template name"},
      {{"--title-effect", "Wobble"}, "unknown text effect 'Wobble'"},
      {{"--cast-size", "2"}, "--cast-size needs a size from 4 to 200"},
      {{"--motive-color", "blue"}, "--motive-color needs RRGGBB"},
      {{"--director-text"}, "--director-text needs a value"},
      {{"--template", "player:"}, "--template needs a template name after player:"},
      {{"--embed-mode", "inline"}, "--embed-mode needs embed or link"},
      {{"--click-target", "_new"}, "--click-target needs _self, _blank, _parent or _top"},
      {{"--end-url", " "}, "--end-url needs an address"},
      {{"--url", "javascript:alert(1)"}, "--url: a \"javascript:\" address runs a script"},
      {{"--click-url", "JavaScript:void(0)"}, "--click-url: a \"javascript:\" address"},
  };
  for (const char* command : {"flv2swf", "convert"})
    for (const TCase& c : cases) {
      std::vector<std::string> args = {command, "in"};
      args.insert(args.end(), c.Args.begin(), c.Args.end());
      auto r = Cli(args);
      EXPECT_EQ(r.ExitCode, 2) << command << " " << c.Args[0] << ": " << r.Output;
      EXPECT_NE(r.Output.find(c.Reason), std::string::npos) << command << ": " << r.Output;
    }
  auto flv2swf = Cli({"flv2swf", "--list-styles"});
  auto convert = Cli({"convert", "--list-styles"});
  EXPECT_EQ(flv2swf.ExitCode, 0) << flv2swf.Output;
  EXPECT_EQ(convert.ExitCode, 0) << convert.Output;
  EXPECT_NE(flv2swf.Output.find("control-bar\t"), std::string::npos) << flv2swf.Output;
  EXPECT_NE(flv2swf.Output.find("player\tClassic Gray\n"), std::string::npos) << flv2swf.Output;
  EXPECT_EQ(flv2swf.Output, convert.Output);
  // Options of the page and the projector contradict other choices.
  auto both = Cli({"convert", "dvd", "--format", "scr", "--html"});
  EXPECT_EQ(both.ExitCode, 2) << both.Output;
  EXPECT_NE(both.Output.find("--html needs --format swf"), std::string::npos) << both.Output;
}

// The lists come from the build's data folder: the shipped templates and
// styles, and every text effect.
TEST_F(CliTest, TemplatesListsWhatTheDataFolderOffers) {
  auto all = Cli({"templates"});
  ASSERT_EQ(all.ExitCode, 0) << all.Output;
  for (const char* line : {"general-template\tGallery\n", "general-template\tFilm Strip\n",
                           "general-template\tSpring Meadow\n", "control-bar\tClassic\n",
                           "preloader-sprite\tSpinner\n", "text-effect\tMoveDown\n",
                           "text-effect\tRotate\n", "text-effect\tFade\n"})
    EXPECT_NE(all.Output.find(line), std::string::npos) << line << all.Output;
  EXPECT_NE(all.Output.find("preloader-bar\t"), std::string::npos) << all.Output;
  auto effects = Cli({"templates", "text-effect"});
  ASSERT_EQ(effects.ExitCode, 0) << effects.Output;
  EXPECT_EQ(effects.Output.find("general-template"), std::string::npos) << effects.Output;
  EXPECT_NE(effects.Output.find("text-effect\tRotate\n"), std::string::npos) << effects.Output;
  auto wrong = Cli({"templates", "fonts"});
  EXPECT_EQ(wrong.ExitCode, 2);
  EXPECT_NE(wrong.Output.find("unknown kind 'fonts'"), std::string::npos) << wrong.Output;
}

}  // namespace
}  // namespace reelcast
