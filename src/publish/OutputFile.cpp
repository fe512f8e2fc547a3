#include "publish/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace reelcast {

namespace {

std::runtime_error WriteError(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

TOutputFile::TOutputFile(std::string destination) : destination_(std::move(destination)) {
  std::filesystem::path dest(destination_);
  std::string name = dest.filename().string();
  std::string folder = dest.parent_path().string();
  // A hidden scratch name beside the destination, so the final rename stays
  // within one file system.
  std::string pattern = (folder.empty() ? std::string(".") : folder) + "/." + name + ".XXXXXX";
  std::string buffer = pattern;
  int fd = mkstemp(buffer.data());
  if (fd < 0) throw WriteError("Cannot create a file beside", destination_);
  scratch_ = buffer;
  // mkstemp makes the file private; a published file gets the usual mode.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "wb");
  if (!file_) {
    int saved = errno;
    close(fd);
    unlink(scratch_.c_str());
    errno = saved;
    throw WriteError("Cannot open", scratch_);
  }
}

TOutputFile::~TOutputFile() {
  if (file_) {
    std::fclose(file_);
    unlink(scratch_.c_str());
  }
}

void TOutputFile::Write(std::string_view bytes) {
  if (!file_) throw std::runtime_error("Output already closed: " + destination_);
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    throw WriteError("Cannot write", destination_);
}

void TOutputFile::WriteUInt32LE(uint32_t value) {
  char b[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
               static_cast<char>((value >> 16) & 0xFF), static_cast<char>(value >> 24)};
  Write(std::string_view(b, 4));
}

void TOutputFile::CopyFrom(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) throw WriteError("Cannot read", path);
  char buffer[1 << 16];
  size_t n;
  try {
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) Write(std::string_view(buffer, n));
    if (std::ferror(in)) throw WriteError("Cannot read", path);
  } catch (...) {
    std::fclose(in);
    throw;
  }
  std::fclose(in);
}

void TOutputFile::Commit() {
  if (!file_) throw std::runtime_error("Output already closed: " + destination_);
  std::FILE* f = file_;
  file_ = nullptr;
  bool ok = std::fflush(f) == 0;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(scratch_.c_str(), destination_.c_str()) != 0) {
    int saved = errno;
    unlink(scratch_.c_str());
    errno = saved;
    throw WriteError("Cannot write", destination_);
  }
}

void SaveThroughScratch(const std::string& path,
                        const std::function<void(const std::string& scratch)>& save) {
  std::string scratch;
  {
    TOutputFile reserve(path);
    scratch = reserve.ScratchPath();
  }  // closed and removed; the name was unique a moment ago
  try {
    save(scratch);
    if (std::rename(scratch.c_str(), path.c_str()) != 0) throw WriteError("Cannot write", path);
  } catch (...) {
    unlink(scratch.c_str());
    throw;
  }
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  TOutputFile out(path);
  out.Write(bytes);
  out.Commit();
}

}  // namespace reelcast
