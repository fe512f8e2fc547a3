#include "support/FtpTestServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace reelcast::test {

FtpTestServer::FtpTestServer(const std::string& fault, long throttle) {
  root_ = dir_.Path() / "root";
  fs::create_directories(root_);
  std::string script = (SourceDir() / "tests/support/ftp_server.py").string();
  std::string log = (dir_.Path() / "server.log").string();
  std::vector<std::string> argv = {"/usr/bin/python3", script,        "--root",
                                   root_.string(),     "--user",      User,
                                   "--password",       Password,      "--fault",
                                   fault,              "--throttle",  std::to_string(throttle),
                                   "--lifetime",       "900"};
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(fds[1], 1);
    int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (logFd >= 0) dup2(logFd, 2);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  output_ = fds[0];
  // The first line is "PORT <n>" once the server listens.
  std::string line = ReadLine(15000);
  if (line.rfind("PORT ", 0) == 0) port_ = std::stoi(line.substr(5));
  if (port_ <= 0) {
    close(output_);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error("the FTP test server did not start: " + Log());
  }
}

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

std::string FtpTestServer::ReadLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string line;
  char c;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{output_, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
    if (read(output_, &c, 1) != 1) return "";
    if (c == '\n') return line;
    line += c;
  }
}

bool FtpTestServer::WaitForLine(const std::string& line, int timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    std::string got = ReadLine(static_cast<int>(left.count()));
    if (got == line) return true;
    if (got.empty()) return false;  // time is up or the server has gone
  }
}

std::string FtpTestServer::Log() const {
  try {
    return ReadFile(dir_.Path() / "server.log");
  } catch (...) {
    return "";
  }
}

std::vector<std::string> TreeFiles(const fs::path& root) {
  std::vector<std::string> files;
  for (auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace reelcast::test
