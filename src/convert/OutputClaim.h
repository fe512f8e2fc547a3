// A conversion job's claim on the files it will write: while one job holds
// a path, another job (in this process or another of the same user) that
// would write it is refused. Each path is an exclusive lock on a small file
// under TempFolder named after the path; the file is removed when the claim
// ends, so nothing stays behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace reelcast {

class TOutputClaim {
 public:
  // Claims every path (compared after making them absolute and resolving
  // links). Returns nothing when one is held by another job; busy then
  // names it.
  static std::unique_ptr<TOutputClaim> Take(const std::vector<std::string>& paths, std::string& busy);
  ~TOutputClaim();
  TOutputClaim(const TOutputClaim&) = delete;
  TOutputClaim& operator=(const TOutputClaim&) = delete;

 private:
  TOutputClaim() = default;
  struct TLock {
    std::string Path;
    int Fd = -1;
  };
  std::vector<TLock> locks_;
};

}  // namespace reelcast
