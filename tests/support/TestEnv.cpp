#include "support/TestEnv.h"

#include <fcntl.h>
#include <sys/file.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace reelcast::test {

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable first.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

static fs::path FromEnv(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return fs::path(v && *v ? v : fallback);
}

fs::path SourceDir() { return FromEnv("REELCAST_SOURCE_DIR", REELCAST_TEST_SOURCE_DIR); }
fs::path BinaryDir() { return fs::path(REELCAST_TEST_BINARY_DIR); }
fs::path DataDir() { return FromEnv("REELCAST_DATA_DIR", REELCAST_TEST_DATA_DIR); }
fs::path BinDir() { return BinaryDir() / "bin"; }

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutSeconds,
                         const ProcessWatcher& watcher) {
  ProcessResult result;
  if (argv.empty()) return result;
  // Standard output and standard error come through pipes of their own, so
  // that the standard error text can be told apart.
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
    return result;
  }
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool killed = false;
  char buffer[65536];
  pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int openPipes = 2;
  // A watcher looks on while nothing is printed too.
  const long long quiet = watcher ? 5 : 1000;
  if (watcher) watcher(static_cast<int>(pid), result.Output);
  while (openPipes > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    int r = poll(p, 2, static_cast<int>(std::min<long long>(left, quiet)));
    if (r < 0) break;
    if (r == 0) {
      if (watcher) watcher(static_cast<int>(pid), result.Output);
      continue;
    }
    for (int k = 0; k < 2; ++k) {
      if (p[k].fd < 0 || p[k].revents == 0) continue;
      ssize_t n = read(p[k].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(p[k].fd);
        p[k].fd = -1;
        --openPipes;
        continue;
      }
      result.Output.append(buffer, static_cast<size_t>(n));
      (k == 0 ? result.Stdout : result.Stderr).append(buffer, static_cast<size_t>(n));
      if (watcher) watcher(static_cast<int>(pid), result.Output);
    }
  }
  for (const pollfd& f : p)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!killed && WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
  return result;
}

bool HaveProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream ss(path);
  std::string dir;
  while (std::getline(ss, dir, ':'))
    if (!dir.empty() && access((fs::path(dir) / name).c_str(), X_OK) == 0) return true;
  return false;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) {
    had_ = true;
    old_ = old;
  }
  setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_) setenv(name_.c_str(), old_.c_str(), 1);
  else unsetenv(name_.c_str());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path GeneratedFixture(const std::string& script) {
  fs::path source = SourceDir() / "tests" / "fixtures" / script;
  std::string content = ReadFile(source);
  uint64_t hash = 1469598103934665603ull;  // FNV-1a of the script
  for (unsigned char c : content) hash = (hash ^ c) * 1099511628211ull;
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
  fs::path cache = SourceDir() / "tests" / "fixtures" / "cache";
  fs::create_directories(cache);
  fs::path stem = fs::path(script).stem();
  fs::path out = cache / (stem.string() + "-" + key);
  fs::path done = out / ".complete";
  if (fs::exists(done)) return out;

  std::string lockPath = (cache / (stem.string() + "-" + key + ".lock")).string();
  int lock = open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  if (lock < 0) throw std::runtime_error("cannot create " + lockPath);
  flock(lock, LOCK_EX);
  struct Unlock {
    int fd;
    ~Unlock() { flock(fd, LOCK_UN); close(fd); }
  } unlock{lock};
  if (fs::exists(done)) return out;
  std::error_code ec;
  fs::remove_all(out, ec);
  fs::path partial = cache / (stem.string() + "-" + key + ".partial");
  fs::remove_all(partial, ec);
  fs::create_directories(partial);
  ProcessResult r = RunProcess({"bash", source.string(), partial.string()}, 900);
  if (r.ExitCode != 0)
    throw std::runtime_error("fixture script " + script + " failed:\n" + r.Output);
  WriteFile(partial / ".complete", "");
  fs::rename(partial, out);
  return out;
}

fs::path DvdFixture() { return GeneratedFixture("make_dvd.sh"); }

int FixtureFrameNumber(const uint8_t* rgb, int width) {
  int n = 0;
  const int y = 16;  // the middle of the 32-pixel band
  for (int bit = 0; bit < 16; ++bit) {
    int x = (2 * bit + 1) * width / 32;
    const uint8_t* p = rgb + (static_cast<size_t>(y) * width + x) * 3;
    if ((p[0] + p[1] + p[2]) / 3 > 128) n |= 1 << bit;
  }
  return n;
}

void TSignal::Set() {
  {
    std::lock_guard lock(mutex_);
    isSet_ = true;
  }
  set_.notify_all();
}

bool TSignal::WaitFor(int timeoutSeconds) {
  std::unique_lock lock(mutex_);
  return set_.wait_for(lock, std::chrono::seconds(timeoutSeconds), [this] { return isSet_; });
}

}  // namespace reelcast::test
