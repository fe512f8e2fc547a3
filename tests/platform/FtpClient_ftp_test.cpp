// The FTP client against a real server on 127.0.0.1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/FtpClient.h"
#include "support/FtpTestServer.h"

namespace reelcast {

[[maybe_unused]] static void PrintTo(const TFtpListEntry& e, std::ostream* os) {
  *os << (e.IsFolder ? "folder " : "file ") << '"' << e.Name << '"';
}

namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Clock = std::chrono::steady_clock;

void Configure(TFtpClient& c, const FtpTestServer& server, bool passive = false) {
  c.Host = "127.0.0.1";
  c.Port = server.Port();
  c.Username = FtpTestServer::User;
  c.Password = FtpTestServer::Password;
  c.Passive = passive;
  c.Timeouts = {3, 3, 3};
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class FtpClientModes : public testing::TestWithParam<bool> {};

// One session through every command, in active and in passive mode.
TEST_P(FtpClientModes, RunsEveryCommandInTheServersCurrentFolder) {
  FtpTestServer server;
  TempDir local;
  TFtpClient c;
  Configure(c, server, GetParam());
  c.Connect();
  ASSERT_TRUE(c.Connected());
  EXPECT_EQ(c.RetrieveCurrentDir(), "/");

  const std::string folder = "site d\xc3\xa9mo";
  const std::string name = "mon film \xc3\xa9t\xc3\xa9.swf";
  c.MakeDir(folder);
  c.ChangeDir(folder);
  EXPECT_EQ(c.RetrieveCurrentDir(), "/" + folder);

  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  WriteFile(local / "a.bin", big);
  WriteFile(local / "short.bin", "short");
  c.Put((local / "a.bin").string(), name);
  EXPECT_EQ(ReadFile(server.Root() / folder / name), big);  // binary, byte for byte
  // STOR replaces; it never appends.
  c.Put((local / "short.bin").string(), name);
  EXPECT_EQ(ReadFile(server.Root() / folder / name), "short");

  c.MakeDir("sub");
  c.Put((local / "short.bin").string(), "noext");
  auto names = c.NameList();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{name, "noext", "sub"}));
  auto entries = c.List();
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.Name < b.Name; });
  EXPECT_EQ(entries, (std::vector<TFtpListEntry>{{name, false}, {"noext", false}, {"sub", true}}));

  c.Rename("noext", "renamed");
  EXPECT_TRUE(fs::exists(server.Root() / folder / "renamed"));
  c.Delete("renamed");
  c.RemoveDir("sub");
  c.ChangeDirUp();
  EXPECT_EQ(c.RetrieveCurrentDir(), "/");
  EXPECT_EQ(test::TreeFiles(server.Root()), (std::vector<std::string>{folder + "/" + name}));
  EXPECT_FALSE(fs::exists(server.Root() / folder / "sub"));
  c.Disconnect();
  EXPECT_FALSE(c.Connected());
}

INSTANTIATE_TEST_SUITE_P(ActiveAndPassive, FtpClientModes, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(FtpClient, RefusedCommandsKeepTheConnectionAndItsFolder) {
  FtpTestServer server;
  fs::create_directories(server.Root() / "in");
  WriteFile(server.Root() / "b", "keep me");
  TFtpClient c;
  Configure(c, server);
  c.Connect();
  c.ChangeDir("in");
  try {
    c.ChangeDir("missing");
    FAIL() << "CWD into a missing folder succeeded";
  } catch (const EFtpError& e) {
    EXPECT_NE(std::string(e.what()).find("550"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(c.Connected());
  EXPECT_EQ(c.RetrieveCurrentDir(), "/in");
  // A line break in a name would smuggle in a second command.
  EXPECT_THROW(c.Delete("x\r\nDELE /b"), EFtpError);
  EXPECT_THROW(c.MakeDir("x\nRMD /in"), EFtpError);
  EXPECT_EQ(ReadFile(server.Root() / "b"), "keep me");
  EXPECT_THROW(c.Put("/nonexistent/file.swf", "file.swf"), EFtpError);
}

TEST(FtpClient, ConnectFailuresAreQuickAndClear) {
  struct Case {
    const char* Name;
    const char* Fault;
    const char* Password;
    const char* Expect;  // part of the error text
  };
  const Case cases[] = {
      {"wrong password", "", "wrong", "530"},
      {"server that never answers", "silent", FtpTestServer::Password, ""},
  };
  for (const auto& k : cases) {
    FtpTestServer server(k.Fault);
    TFtpClient c;
    Configure(c, server);
    c.Password = k.Password;
    auto start = Clock::now();
    try {
      c.Connect();
      ADD_FAILURE() << k.Name << ": connected";
    } catch (const EFtpError& e) {
      EXPECT_NE(std::string(e.what()).find(k.Expect), std::string::npos) << k.Name << e.what();
      EXPECT_EQ(std::string(e.what()).find(FtpTestServer::Password), std::string::npos);
    }
    EXPECT_LT(SecondsSince(start), 8) << k.Name;
    EXPECT_FALSE(c.Connected());
  }
  // A port nobody listens on.
  int port;
  {
    FtpTestServer gone;
    port = gone.Port();
  }
  TFtpClient c;
  c.Host = "127.0.0.1";
  c.Port = port;
  c.Timeouts = {3, 3, 3};
  auto start = Clock::now();
  EXPECT_THROW(c.Connect(), EFtpError);
  EXPECT_LT(SecondsSince(start), 8);
}

TEST(FtpClient, GarbageAnswersAreErrors) {
  {
    FtpTestServer server("pwd-garbage");
    TFtpClient c;
    Configure(c, server);
    c.Connect();
    EXPECT_THROW(c.RetrieveCurrentDir(), EFtpError);
  }
  {
    FtpTestServer server("list-garbage");
    TFtpClient c;
    Configure(c, server);
    c.Connect();
    EXPECT_THROW(c.List(), EFtpError);
  }
}

// When the server has closed the connection, a command must not run on a
// fresh login, where the folder would be the login folder.
TEST(FtpClient, NeverRunsACommandOnASilentReconnection) {
  FtpTestServer server("drop-after-cwd");
  fs::create_directories(server.Root() / "site");
  WriteFile(server.Root() / "site" / "x.swf", "site copy");
  WriteFile(server.Root() / "x.swf", "login folder copy");
  TFtpClient c;
  Configure(c, server);
  c.Connect();
  c.ChangeDir("site");
  ASSERT_TRUE(server.WaitForLine("dropped the control connection")) << "the server did not hang up:\n" << server.Log();
  try {
    c.Delete("x.swf");
    FAIL() << "DELE ran after the connection was dropped";
  } catch (const EFtpError& e) {
    EXPECT_NE(std::string(e.what()).find("lost"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(c.Connected());
  EXPECT_EQ(ReadFile(server.Root() / "x.swf"), "login folder copy");
  EXPECT_EQ(ReadFile(server.Root() / "site" / "x.swf"), "site copy");
}

TEST(FtpClient, AProgressCallbackAbortsTheTransferAndClosesTheConnection) {
  FtpTestServer server("", 1'000'000);  // the whole transfer would take 8 s
  TempDir local;
  WriteFile(local / "big.bin", std::string(8'000'000, 'x'));
  TFtpClient c;
  Configure(c, server);
  c.Connect();
  uint64_t seenTotal = 0;
  c.Progress = [&](uint64_t sent, uint64_t total) {
    seenTotal = total;
    return sent < 500'000;
  };
  auto start = Clock::now();
  EXPECT_THROW(c.Put((local / "big.bin").string(), "big.bin"), EFtpAborted);
  EXPECT_LT(SecondsSince(start), 6);
  EXPECT_EQ(seenTotal, 8'000'000u);
  EXPECT_FALSE(c.Connected());
  EXPECT_THROW(c.RetrieveCurrentDir(), EFtpError);
}

}  // namespace
}  // namespace reelcast
