// Upload and removal against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Config.h"
#include "publish/FtpUpload.h"
#include "support/FtpTestServer.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;
using test::ReadFile;
using test::TempDir;
using test::TreeFiles;
using test::WriteFile;
using Clock = std::chrono::steady_clock;
using Files = std::vector<std::string>;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// What the model told its front end.
struct Recorder {
  std::vector<std::pair<int, int>> Progress;
  Files Status, Captions, Messages, Questions;
  std::vector<TFtpUploadState> States;
  std::function<bool(const std::string&)> Answer = [](const std::string&) { return true; };

  void Bind(TFtpUpload& u) {
    u.Events.Progress = [this](int p, int m) { Progress.push_back({p, m}); };
    u.Events.Status = [this](const std::string& s) { Status.push_back(s); };
    u.Events.Caption = [this](const std::string& s) { Captions.push_back(s); };
    u.Events.Message = [this](TFtpMessageKind kind, const std::string& s) {
      Messages.push_back((kind == TFtpMessageKind::Information ? "info: " : "error: ") + s);
    };
    u.Events.StateChanged = [this](TFtpUploadState s) { States.push_back(s); };
    u.Events.Ask = [this](const std::string& q) {
      Questions.push_back(q);
      return Answer(q);
    };
  }
};

// What the upload reads of a job record.
struct TJob {
  std::string OutputFile;
  int32_t Kind = kOutputSwf;
  bool Html = false;
  bool ExternalFlv = false;  // a player template playing the FLV beside it
};

TSWFParam Param(const TJob& job) {
  static TExportSetting linked = [] {
    TExportSetting s;
    s.EmbedType = etSeperaterFLV;
    return s;
  }();
  TSWFParam param;
  param.OutputFile = job.OutputFile;
  param.OutputKind = job.Kind;
  param.PublishHtml = job.Html;
  param.Template.Kind = job.ExternalFlv ? 2 : 1;
  param.ExportSetting = &linked;
  return param;
}

class FtpUploadTest : public testing::Test {
 protected:
  // A model for `job` in the local folder, pointed at `server`.
  std::unique_ptr<TFtpUpload> Model(const FtpTestServer& server, const TJob& job,
                                    const std::string& dir) {
    auto u = std::make_unique<TFtpUpload>(local_.Path().string() + "/", Param(job));
    u->Settings = {"127.0.0.1", std::to_string(server.Port()), FtpTestServer::User,
                   FtpTestServer::Password, dir, false};
    u->Timeouts = {3, 3, 3};
    recorder_.Bind(*u);
    return u;
  }
  std::string Local(const std::string& name) { return (local_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteFile(local_ / name, bytes);
    return Local(name);
  }

  TempDir local_{"reelcast-out"};
  Recorder recorder_;
};

TEST_F(FtpUploadTest, UploadsTheFilesOfEachOutputKindIntoANewFolder) {
  struct Case {
    const char* Name;
    TJob Job;  // OutputFile relative to the local folder
    Files Expected;  // on the server, below the remote folder
  };
  const std::string odd = "Mon film \xc3\xa9t\xc3\xa9 2026";  // blanks and non-ASCII
  const Case cases[] = {
      {"FLV", {"clip.flv", 0, false, false}, {"clip.flv"}},
      {"SWF with page", {odd + ".swf", 1, true, false}, {odd + ".html", odd + ".swf"}},
      {"player SWF with page and FLV", {"p.swf", 1, true, true}, {"p.flv", "p.html", "p.swf"}},
      {"EXE with FLV", {"e.swf", 3, false, true}, {"e.exe", "e.flv"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    FtpTestServer server;
    recorder_ = {};
    TJob job = c.Job;
    job.OutputFile = Local(job.OutputFile);
    Files files = UploadFileList(Param(job));
    for (const auto& f : files) WriteFile(f, "bytes of " + fs::path(f).filename().string());
    Write("unrelated.txt", "stays home");

    auto u = Model(server, job, "films");
    EXPECT_EQ(u->Upload(), TFtpUploadResult::Done);
    EXPECT_TRUE(recorder_.Messages.empty()) << recorder_.Messages.front();
    // Exactly the job's files, under their own names, and nothing half-done.
    Files remote;
    for (const auto& f : TreeFiles(server.Root())) remote.push_back(f.substr(6));
    EXPECT_EQ(remote, c.Expected);
    for (const auto& f : files) {
      std::string name = fs::path(f).filename().string();
      EXPECT_EQ(ReadFile(server.Root() / "films" / name), "bytes of " + name);
    }
    // The dialog's view of it: one bar step, status line and caption per file.
    ASSERT_EQ(recorder_.Status.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      std::string name = fs::path(files[i]).filename().string();
      EXPECT_EQ(recorder_.Status[i], "Uploading...  " + name);
      EXPECT_EQ(recorder_.Captions[i], name);
      EXPECT_EQ(recorder_.Progress[i + 1], std::make_pair(int(i) + 1, int(files.size())));
    }
    EXPECT_EQ(recorder_.States,
              (std::vector{TFtpUploadState::Running, TFtpUploadState::Finished}));
    EXPECT_EQ(u->CancelCaption(), "Finished");
    EXPECT_TRUE(u->ButtonsEnabled());
  }
}

// A page that loads the player from beside itself takes the player's folder
// along: made on the server at the first upload, reused at the next.
TEST_F(FtpUploadTest, APageWithThePlayerBesideItTakesThePlayersFolderAlong) {
  FtpTestServer server;
  TJob job{Local("movie.swf"), kOutputSwf, true, false};
  Write("movie.swf", "movie");
  Write("movie.html", "<script src=\"ruffle/ruffle.js\"></script>");
  fs::create_directories(local_ / "ruffle");
  Write("ruffle/ruffle.js", "loader");
  Write("ruffle/a.wasm", "module");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    recorder_ = {};
    auto u = Model(server, job, "films");
    EXPECT_EQ(u->Upload(), TFtpUploadResult::Done);
    EXPECT_TRUE(recorder_.Messages.empty()) << recorder_.Messages.front();
    Files remote;
    for (const auto& f : TreeFiles(server.Root())) remote.push_back(f);
    EXPECT_EQ(remote, (Files{"films/movie.html", "films/movie.swf",
                             "films/ruffle/a.wasm", "films/ruffle/ruffle.js"}));
    EXPECT_EQ(ReadFile(server.Root() / "films/ruffle/ruffle.js"), "loader");
  }
}

TEST_F(FtpUploadTest, ReplacesEarlierUploadsAndKeepsTheConnectionForTheNextOperation) {
  FtpTestServer server;
  fs::create_directories(server.Root() / "site");
  WriteFile(server.Root() / "site" / "m.swf", std::string(100000, 'o'));
  std::string swf = Write("m.swf", "new and shorter");
  auto u = Model(server, {swf, 0, false, false}, "/site");
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Done);
  EXPECT_EQ(ReadFile(server.Root() / "site" / "m.swf"), "new and shorter");
  Write("m.swf", "third");
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Done);
  EXPECT_EQ(ReadFile(server.Root() / "site" / "m.swf"), "third");
  EXPECT_EQ(TreeFiles(server.Root()), (Files{"site/m.swf"}));
}

TEST_F(FtpUploadTest, FailuresEndTheOperationWithTheirMessage) {
  std::string swf = Write("m.swf", "movie");
  struct Case {
    const char* Name;
    const char* Fault;
    const char* Password;
    const char* Dir;
    const char* Message;  // how the one message starts
  };
  const Case cases[] = {
      // Only one missing level is created.
      {"missing parent", "", FtpTestServer::Password, "a/b",
       "info: Failed to create the folder on the server.message: 550"},
      {"wrong password", "", "not the password", "/",
       "info: Failed to connect ftp server.message: 530"},
      {"silent server", "silent", FtpTestServer::Password, "/",
       "info: Failed to connect ftp server.message: "},
      {"garbage PWD", "pwd-garbage", FtpTestServer::Password, "/",
       "error: Unexpected answer to PWD: 257 this is not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    FtpTestServer server(c.Fault);
    recorder_ = {};
    auto u = Model(server, {swf, 1, false, false}, c.Dir);
    u->Settings.Password = c.Password;
    auto start = Clock::now();
    EXPECT_EQ(u->Upload(), TFtpUploadResult::Failed);
    EXPECT_LT(SecondsSince(start), 10);
    ASSERT_EQ(recorder_.Messages.size(), 1u);
    EXPECT_EQ(recorder_.Messages[0].rfind(c.Message, 0), 0u) << recorder_.Messages[0];
    EXPECT_EQ(TreeFiles(server.Root()), Files{});
    EXPECT_EQ(u->State(), TFtpUploadState::Finished);
    EXPECT_EQ(u->CancelCaption(), "Finished");
  }
  // Nobody listens on the port.
  int port;
  {
    FtpTestServer gone;
    port = gone.Port();
    recorder_ = {};
  }
  TFtpUpload u(local_.Path().string(), Param({swf}));
  recorder_.Bind(u);
  u.Settings = {"127.0.0.1", std::to_string(port), "u", "p", "/", false};
  u.Timeouts = {3, 3, 3};
  EXPECT_EQ(u.Upload(), TFtpUploadResult::Failed);
  ASSERT_EQ(recorder_.Messages.size(), 1u);
  EXPECT_EQ(recorder_.Messages[0].rfind("info: Failed to connect ftp server.message: ", 0), 0u);
}

TEST_F(FtpUploadTest, ThePasswordNeverReachesTheLog) {
  FtpTestServer server;
  std::string swf = Write("m.swf", "movie");
  auto u = Model(server, {swf, 1, false, false}, "x");
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Done);
  u->Settings.Password = "wrong-Pa55word";
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Failed);
  std::string log = ReadFile(LogFilePath());
  EXPECT_NE(log.find("FTP: "), std::string::npos);
  EXPECT_EQ(log.find(FtpTestServer::Password), std::string::npos);
  EXPECT_EQ(log.find("wrong-Pa55word"), std::string::npos);
}

TEST_F(FtpUploadTest, CancelBetweenFilesSendsNoFurtherFile) {
  FtpTestServer server;
  std::string swf = Write("m.swf", "movie");
  Write("m.html", "page");
  auto u = Model(server, {swf, 1, true, false}, "/");
  int questions = 0;
  recorder_.Answer = [&](const std::string& q) {
    ++questions;
    EXPECT_EQ(q, "Are you sure to cancel the file upload?");
    return true;
  };
  // The user presses Cancel once the movie is up.
  u->Events.Caption = [&](const std::string&) {
    EXPECT_EQ(u->CancelCaption(), "&Cancel");
    EXPECT_FALSE(u->ButtonsEnabled());
    EXPECT_EQ(u->Cancel(), TFtpCancelAction::Cancelling);
  };
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Cancelled);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(TreeFiles(server.Root()), (Files{"m.swf"}));
  EXPECT_EQ(u->State(), TFtpUploadState::Finished);
  EXPECT_TRUE(u->ButtonsEnabled());
}

TEST_F(FtpUploadTest, CancelDuringATransferKeepsTheServersCopyWhole) {
  FtpTestServer server("", 2'000'000);  // 2 MB/s: the whole transfer takes 10 s
  WriteFile(server.Root() / "big.flv", "the copy uploaded last week");
  std::string big = Write("big.flv", std::string(20'000'000, 'v'));
  auto u = Model(server, {big, 0, false, false}, "/");
  recorder_.Answer = [](const std::string&) { return false; };
  std::atomic<uint64_t> sent{0};
  test::TSignal underWay;  // a megabyte is sent, or the upload ended
  u->Events.Transfer = [&](uint64_t s, uint64_t) {
    sent = s;
    if (s >= 1'000'000) underWay.Set();
  };
  std::thread user([&] {
    ASSERT_TRUE(underWay.WaitFor());
    // "No" keeps it running; the second press means it.
    EXPECT_EQ(u->Cancel(), TFtpCancelAction::Continue);
    recorder_.Answer = [](const std::string&) { return true; };
    EXPECT_EQ(u->Cancel(), TFtpCancelAction::Cancelling);
  });
  auto start = Clock::now();
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Cancelled);
  underWay.Set();
  user.join();
  EXPECT_LT(SecondsSince(start), 8);
  EXPECT_LT(sent.load(), 20'000'000u);
  EXPECT_EQ(ReadFile(server.Root() / "big.flv"), "the copy uploaded last week");
  EXPECT_EQ(TreeFiles(server.Root()), (Files{"big.flv"}));
  EXPECT_EQ(ReadFile(big).size(), 20'000'000u);
}

// Cancel also ends the wait for a server that does not answer.
TEST_F(FtpUploadTest, CancelWhileConnectingEndsAtOnceWithoutAMessage) {
  FtpTestServer server("silent");
  auto u = Model(server, {Write("m.flv", "video"), 0}, "/");
  u->Timeouts = {20, 20, 20};
  test::TSignal running;
  u->Events.StateChanged = [&, record = u->Events.StateChanged](TFtpUploadState s) {
    record(s);
    if (s == TFtpUploadState::Running) running.Set();
  };
  std::thread user([&] {
    // The silent server keeps the upload waiting for its greeting.
    ASSERT_TRUE(running.WaitFor());
    EXPECT_EQ(u->Cancel(), TFtpCancelAction::Cancelling);
  });
  auto start = Clock::now();
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Cancelled);
  user.join();
  EXPECT_LT(SecondsSince(start), 8);  // well before the 20 s time-out
  EXPECT_TRUE(recorder_.Messages.empty()) << recorder_.Messages.front();
  EXPECT_EQ(u->State(), TFtpUploadState::Finished);
}

TEST_F(FtpUploadTest, AServerThatDiesMidTransferIsAnErrorAndTheLocalFileStays) {
  FtpTestServer server("drop-stor");
  std::string content(3'000'000, 'd');
  std::string flv = Write("m.flv", content);
  auto u = Model(server, {flv, 0, false, false}, "/");
  auto start = Clock::now();
  EXPECT_EQ(u->Upload(), TFtpUploadResult::Failed);
  EXPECT_LT(SecondsSince(start), 12);
  ASSERT_EQ(recorder_.Messages.size(), 1u);
  EXPECT_EQ(recorder_.Messages[0].rfind("error: ", 0), 0u);
  EXPECT_FALSE(fs::exists(server.Root() / "m.flv"));
  EXPECT_EQ(ReadFile(flv), content);
}

// A site with a sub-folder, a file without extension and names with blanks.
void MakeSite(const fs::path& site) {
  fs::create_directories(site / "sub dir" / "deeper");
  WriteFile(site / "m.swf", "1");
  WriteFile(site / "m.html", "2");
  WriteFile(site / "README", "3");
  WriteFile(site / "sub dir" / "a b.flv", "4");
  WriteFile(site / "sub dir" / "deeper" / "c.txt", "5");
}

TEST_F(FtpUploadTest, RemoveDeletesTheFolderWithEverythingInIt) {
  FtpTestServer server;
  MakeSite(server.Root() / "site");
  WriteFile(server.Root() / "other.swf", "not ours");
  auto u = Model(server, {Local("m.swf"), 1, true, false}, "site");

  recorder_.Answer = [](const std::string&) { return false; };
  EXPECT_EQ(u->Remove(), TFtpUploadResult::Declined);
  EXPECT_EQ(recorder_.Questions, (Files{"Are you sure to remove the files from server?"}));
  EXPECT_EQ(u->State(), TFtpUploadState::Idle);
  EXPECT_EQ(TreeFiles(server.Root()).size(), 6u);

  recorder_.Answer = [](const std::string&) { return true; };
  EXPECT_EQ(u->Remove(), TFtpUploadResult::Done);
  EXPECT_TRUE(recorder_.Messages.empty()) << recorder_.Messages.front();
  EXPECT_EQ(TreeFiles(server.Root()), (Files{"other.swf"}));
  EXPECT_FALSE(fs::exists(server.Root() / "site"));
  // The count goes by names: "README" has no "." and counts as a folder.
  ASSERT_FALSE(recorder_.Progress.empty());
  EXPECT_EQ(recorder_.Progress.front(), std::make_pair(0, 4));
  std::sort(recorder_.Status.begin(), recorder_.Status.end());
  EXPECT_EQ(recorder_.Status, (Files{"Removing...  README", "Removing...  a b.flv",
                                     "Removing...  c.txt", "Removing...  m.html",
                                     "Removing...  m.swf"}));
  EXPECT_EQ(recorder_.Progress.back().first, 5);
  EXPECT_EQ(u->CancelCaption(), "Finished");
}

TEST_F(FtpUploadTest, RemoveFailuresAreReportedAndNeverLoop) {
  struct Case {
    const char* Name;
    const char* Fault;
    const char* Dir;
    const char* Message;
  };
  const Case cases[] = {
      {"missing folder", "", "nowhere",
       "info: Failed to locate the folder on the server.message: 550"},
      {"garbage listing", "list-garbage", "site",
       "error: Unreadable line in the folder listing: "},
      {"server that stops answering", "hang-list", "site", "error: "},
      // The login folder itself cannot be removed; the files in it are.
      {"the server's root", "", "/", "info: message: 550"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    FtpTestServer server(c.Fault);
    MakeSite(server.Root() / "site");
    recorder_ = {};
    auto u = Model(server, {Local("m.swf"), 1, false, false}, c.Dir);
    auto start = Clock::now();
    EXPECT_EQ(u->Remove(), TFtpUploadResult::Failed);
    EXPECT_LT(SecondsSince(start), 10);
    ASSERT_EQ(recorder_.Messages.size(), 1u);
    EXPECT_EQ(recorder_.Messages[0].rfind(c.Message, 0), 0u) << recorder_.Messages[0];
    EXPECT_EQ(u->State(), TFtpUploadState::Finished);
  }
}

TEST_F(FtpUploadTest, CancelStopsARemovalBeforeItsNextStep) {
  FtpTestServer server;
  MakeSite(server.Root() / "site");
  auto u = Model(server, {Local("m.swf"), 1, false, false}, "site");
  u->Events.Status = [&](const std::string& s) {
    recorder_.Status.push_back(s);
    if (recorder_.Status.size() == 1) u->Cancel();
  };
  EXPECT_EQ(u->Remove(), TFtpUploadResult::Cancelled);
  EXPECT_EQ(recorder_.Status.size(), 1u);
  EXPECT_EQ(TreeFiles(server.Root()).size(), 4u);
  EXPECT_EQ(u->State(), TFtpUploadState::Finished);
}

}  // namespace
}  // namespace reelcast
