// Helpers shared by every test: temporary folders, the source, build and
// data folders, and running an outside program without a shell.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace reelcast::test {

namespace fs = std::filesystem;

// A folder under the system temp folder, removed with everything in it when
// the object goes.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "reelcast-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& Path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

fs::path SourceDir();  // the repository
fs::path BinaryDir();  // the build tree
fs::path DataDir();    // the build tree's data folder (AppFolder)
fs::path BinDir();     // where reelcast-cli and the other programs are

struct ProcessResult {
  int ExitCode = -1;   // -1 when the program could not start or was killed
  std::string Output;  // standard output and standard error, interleaved
  std::string Stdout;  // standard output alone (what a program prints as its result)
  std::string Stderr;  // standard error alone
};

// Called with the program's process id and all it has printed so far: once
// as it starts, each time it prints more, and every few milliseconds while
// it prints nothing (to send it a signal at the right moment, say: when a
// text appears or a file it writes has grown).
using ProcessWatcher = std::function<void(int pid, const std::string& outputSoFar)>;

// Runs argv[0] (looked up on PATH) with the given arguments, no shell, and
// collects what it prints. timeoutSeconds bounds a hung program.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutSeconds = 600,
                         const ProcessWatcher& watcher = {});

// True when an outside program is on PATH.
bool HaveProgram(const std::string& name);

// Sets an environment variable for the life of the object and puts the old
// value (or its absence) back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);

// A generated fixture: runs SourceDir()/tests/fixtures/<script> with an empty
// output folder as its argument, once per content of the script, and keeps
// the result under tests/fixtures/cache/ (test processes running at the same
// time wait for one another). Returns the output folder; throws when the
// script fails.
fs::path GeneratedFixture(const std::string& script);
// The DVD video folder of make_dvd.sh (the folder that holds VIDEO_TS/).
fs::path DvdFixture();
// The frame number make_dvd.sh draws into the top band of every picture,
// read from RGB pixels (3 bytes each, rows of width pixels).
int FixtureFrameNumber(const uint8_t* rgb, int width);

// A flag one thread sets (from a callback of the code under test) and
// another waits for, with a deadline. (Desktop tests, which must keep the
// event loop running, have their own WaitUntil.)
class TSignal {
 public:
  void Set();
  // True once set; false when timeoutSeconds passed first.
  bool WaitFor(int timeoutSeconds = 60);

 private:
  std::mutex mutex_;
  std::condition_variable set_;
  bool isSet_ = false;
};

}  // namespace reelcast::test
