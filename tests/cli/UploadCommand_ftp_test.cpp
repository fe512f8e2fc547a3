// reelcast-cli upload against a real FTP server, each call a new process.
#include <gtest/gtest.h>
#include <signal.h>

#include "app/Config.h"
#include "app/TextConvert.h"
#include "support/FtpTestServer.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;
using test::ReadFile;
using test::WriteFile;
using Files = std::vector<std::string>;

class UploadCommandTest : public testing::Test {
 protected:
  test::ProcessResult Cli(std::vector<std::string> args, const test::ProcessWatcher& watch = {}) {
    args.insert(args.begin(), (test::BinDir() / "reelcast-cli").string());
    return test::RunProcess(args, 60, watch);
  }
  std::string Out(const std::string& name) { return (out_ / name).string(); }

  test::TempDir home_{"reelcast-cli-home"};
  test::ScopedEnv homeEnv_{"REELCAST_HOME", home_.Path().string()};
  test::TempDir out_{"reelcast-out"};
};

TEST_F(UploadCommandTest, UploadsStoresTheDetailsAndRemovesWithThem) {
  FtpTestServer server;
  WriteFile(out_ / "Mon film.swf", "movie");
  WriteFile(out_ / "Mon film.html", "page");
  WriteFile(out_ / "Mon film.flv", "video");
  test::ScopedEnv password("REELCAST_FTP_PASSWORD", FtpTestServer::Password);

  auto up = Cli({"upload", Out("Mon film.swf"), "--html", "--external-flv", "--host", "127.0.0.1",
                 "--port", std::to_string(server.Port()), "--user", FtpTestServer::User,
                 "--dir=site"});
  ASSERT_EQ(up.ExitCode, 0) << up.Output;
  EXPECT_NE(up.Output.find("(3/3) Uploading...  Mon film.flv"), std::string::npos) << up.Output;
  EXPECT_EQ(test::TreeFiles(server.Root()),
            (Files{"site/Mon film.flv", "site/Mon film.html", "site/Mon film.swf"}));
  EXPECT_EQ(up.Output.find(FtpTestServer::Password), std::string::npos);

  // What was given is stored, the password from the environment included.
  ShutdownGlobalConfig();
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.FtpDir")), u"site");
  int32_t port = 0;
  ASSERT_TRUE(NVGetConfigInt("System.FTPPort", &port));
  EXPECT_EQ(port, server.Port());
  ShutdownGlobalConfig();

  // Uploading again, with the stored details, replaces the files in the
  // folder that now exists.
  WriteFile(out_ / "Mon film.swf", "movie, second cut");
  auto again = Cli({"upload", Out("Mon film.swf")});
  ASSERT_EQ(again.ExitCode, 0) << again.Output;
  EXPECT_EQ(ReadFile(server.Root() / "site" / "Mon film.swf"), "movie, second cut");
  EXPECT_EQ(test::TreeFiles(server.Root()).size(), 3u);

  // Without an answer on standard input nothing is removed.
  auto declined = Cli({"upload", "--remove"});
  EXPECT_EQ(declined.ExitCode, 1) << declined.Output;
  EXPECT_EQ(test::TreeFiles(server.Root()).size(), 3u);

  unsetenv("REELCAST_FTP_PASSWORD");  // the stored one serves now
  auto removed = Cli({"upload", "--remove", "--yes"});
  ASSERT_EQ(removed.ExitCode, 0) << removed.Output;
  EXPECT_FALSE(fs::exists(server.Root() / "site"));
}

TEST_F(UploadCommandTest, FailuresGiveTheMessageAndANonZeroExit) {
  FtpTestServer server;
  WriteFile(out_ / "m.flv", "video");
  std::string port = std::to_string(server.Port());
  auto wrong = Cli({"upload", Out("m.flv"), "--host", "127.0.0.1", "--port", port, "--user",
                    FtpTestServer::User, "--password", "not-the-password"});
  EXPECT_EQ(wrong.ExitCode, 1);
  EXPECT_NE(wrong.Output.find("Information: Failed to connect ftp server.message: 530"),
            std::string::npos)
      << wrong.Output;
  EXPECT_EQ(wrong.Output.find("not-the-password"), std::string::npos);
  EXPECT_NE(wrong.Stderr.find("Failed to connect ftp server"), std::string::npos) << wrong.Stderr;
  // Details that could not connect are not stored over good ones.
  ASSERT_EQ(Cli({"upload", Out("m.flv"), "--host", "127.0.0.1", "--port", port, "--user",
                 FtpTestServer::User, "--password", FtpTestServer::Password})
                .ExitCode,
            0);
  EXPECT_EQ(Cli({"upload", Out("m.flv"), "--port", "1", "--user", "nobody"}).ExitCode, 1);
  ShutdownGlobalConfig();
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.FTPUser")), Utf8ToUtf16(FtpTestServer::User));
  int32_t storedPort = 0;
  ASSERT_TRUE(NVGetConfigInt("System.FTPPort", &storedPort));
  EXPECT_EQ(storedPort, server.Port());
  ShutdownGlobalConfig();
  auto badPort = Cli({"upload", Out("m.flv"), "--port", "abc"});
  EXPECT_EQ(badPort.ExitCode, 2);
  EXPECT_NE(badPort.Stderr.find("--port takes a number from 1 to 65535; got 'abc'"), std::string::npos)
      << badPort.Output;
  std::error_code ec;
  fs::remove(server.Root() / "m.flv", ec);

  auto missing = Cli({"upload", Out("m.swf"), "--html", "--host", "127.0.0.1"});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Output.find("m.swf is missing"), std::string::npos) << missing.Output;
  EXPECT_EQ(Cli({"upload", Out("m.scr"), "--host", "127.0.0.1"}).ExitCode, 2);
  EXPECT_EQ(Cli({"upload", Out("m.flv"), "--port"}).ExitCode, 2);
  EXPECT_TRUE(test::TreeFiles(server.Root()).empty());
}

TEST_F(UploadCommandTest, CtrlCCancelsARunningTransfer) {
  FtpTestServer server("", 1'000'000);
  WriteFile(server.Root() / "big.flv", "last week's copy");
  WriteFile(out_ / "big.flv", std::string(10'000'000, 'b'));
  bool interrupted = false;
  auto run = Cli({"upload", Out("big.flv"), "--host", "127.0.0.1", "--port",
                  std::to_string(server.Port()), "--user", FtpTestServer::User, "--password",
                  FtpTestServer::Password},
                 [&](int pid, const std::string& output) {
                   if (!interrupted && output.find("Uploading...") != std::string::npos) {
                     interrupted = true;
                     kill(pid, SIGINT);
                   }
                 });
  EXPECT_TRUE(interrupted);
  EXPECT_EQ(run.ExitCode, 130) << run.Output;
  EXPECT_NE(run.Output.find("Cancelled."), std::string::npos) << run.Output;
  EXPECT_EQ(ReadFile(server.Root() / "big.flv"), "last week's copy");
  EXPECT_EQ(test::TreeFiles(server.Root()), (Files{"big.flv"}));
}

}  // namespace
}  // namespace reelcast
