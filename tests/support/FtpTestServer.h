// A real FTP server on 127.0.0.1 for the tests that upload: Debian's
// pyftpdlib run by tests/support/ftp_server.py, serving a temporary root for
// one account. Started by the constructor, stopped by the destructor.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace reelcast::test {

class FtpTestServer {
 public:
  // fault: "" for a well-behaved server, else one of ftp_server.py's faults
  // ("pwd-garbage", "list-garbage", "silent", "drop-stor",
  // "drop-after-cwd", "hang-list").
  // throttle: bytes per second the server accepts, 0 for no limit.
  explicit FtpTestServer(const std::string& fault = "", long throttle = 0);
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  int Port() const { return port_; }
  const fs::path& Root() const { return root_; }
  static constexpr const char* User = "tester";
  static constexpr const char* Password = "s3cret pass";
  // What the server wrote to its log (for diagnosing a failed test).
  std::string Log() const;
  // Waits until the server tells line (a fault's event, such as "dropped
  // the control connection") or timeoutSeconds pass; true when it did.
  bool WaitForLine(const std::string& line, int timeoutSeconds = 60);

 private:
  // One line of the server's standard output, "" when none came within
  // timeoutMs or the output ended.
  std::string ReadLine(int timeoutMs);

  TempDir dir_{"reelcast-ftp"};
  fs::path root_;
  pid_t pid_ = -1;
  int port_ = 0;
  int output_ = -1;  // the server's standard output: its PORT line, then events
};

// Every regular file under root, as paths relative to it with '/', sorted.
std::vector<std::string> TreeFiles(const fs::path& root);

}  // namespace reelcast::test
