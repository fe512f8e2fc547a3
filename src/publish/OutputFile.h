// Published files are complete or absent: TOutputFile writes under a
// scratch name in the destination's folder and renames it over the
// destination only when Commit is called. Destroying it uncommitted removes
// the scratch file, so a failure half-way leaves the old file (or nothing).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace reelcast {

class TOutputFile {
 public:
  // Opens the scratch file; throws std::runtime_error when it cannot.
  explicit TOutputFile(std::string destination);
  ~TOutputFile();
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  const std::string& Destination() const { return destination_; }
  const std::string& ScratchPath() const { return scratch_; }

  // Each throws std::runtime_error on a write error.
  void Write(std::string_view bytes);
  void WriteUInt32LE(uint32_t value);
  // Appends the whole file at path.
  void CopyFrom(const std::string& path);
  // Flushes, closes and renames the scratch file over the destination.
  void Commit();

 private:
  std::string destination_;
  std::string scratch_;
  std::FILE* file_ = nullptr;
};

// Runs save(scratch) with a fresh scratch path beside path (the file does
// not exist yet), then renames it over path. When save throws, the scratch
// file is removed and path is left as it was.
void SaveThroughScratch(const std::string& path,
                        const std::function<void(const std::string& scratch)>& save);

// Writes bytes to path through a TOutputFile.
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace reelcast
