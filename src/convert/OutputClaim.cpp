#include "convert/OutputClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "app/Paths.h"

namespace reelcast {
namespace fs = std::filesystem;

namespace {

std::string Normal(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return (ec ? fs::absolute(path).lexically_normal() : p).string();
}

std::string LockPath(const std::string& normalPath) {
  char name[40];
  std::snprintf(name, sizeof name, "output-%016zx.lock", std::hash<std::string>{}(normalPath));
  return TempFolder + name;
}

// Locks the file at path; -1 when another holder has it. A holder removes
// the file before it lets go, so a lock taken on a file that has meanwhile
// been removed is taken again on the new one.
int LockFile(const std::string& path) {
  for (;;) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return -1;
    }
    struct stat held {}, named {};
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev)
      return fd;
    ::close(fd);
  }
}

}  // namespace

std::unique_ptr<TOutputClaim> TOutputClaim::Take(const std::vector<std::string>& paths, std::string& busy) {
  std::unique_ptr<TOutputClaim> claim(new TOutputClaim);
  std::error_code ec;
  fs::create_directories(TempFolder, ec);
  std::vector<std::string> normal;
  for (const std::string& path : paths) normal.push_back(Normal(path));
  std::sort(normal.begin(), normal.end());
  normal.erase(std::unique(normal.begin(), normal.end()), normal.end());
  for (const std::string& path : normal) {
    const std::string lock = LockPath(path);
    int fd = LockFile(lock);
    if (fd < 0) {
      busy = path;
      return nullptr;  // the locks taken so far are let go with the claim
    }
    claim->locks_.push_back({lock, fd});
  }
  return claim;
}

TOutputClaim::~TOutputClaim() {
  for (const TLock& lock : locks_) {
    ::unlink(lock.Path.c_str());
    ::close(lock.Fd);
  }
}

}  // namespace reelcast
