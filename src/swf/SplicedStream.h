// A movie body that does not copy large payloads into memory: bytes copied
// from a read-only file (video frames of an FLV, sound of an MP3, tags of a
// movie read from disk) are kept as references to the file's bytes and read
// from the file only when the body is saved. Everything else (tag headers,
// shapes, scripts) is held in memory as in TMemoryStream.
//
// Positions are the body's own, the referenced bytes included, so callers
// that note a position and come back to patch a length field keep working;
// writing over referenced bytes is refused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "swf/Stream.h"

namespace reelcast {

class TSplicedStream : public TMemoryStream {
 public:
  // Copies shorter than this are taken into memory.
  static constexpr int64_t kMinSplice = 256;

  TSplicedStream() = default;
  ~TSplicedStream() override;
  TSplicedStream(const TSplicedStream&) = delete;
  TSplicedStream& operator=(const TSplicedStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Grows the memory tail; cutting is allowed down to the end of the last
  // referenced range.
  void SetSize(int64_t size) override;
  void Clear() override;
  std::string ToString() const override;
  // From a read-only file at the end of the body: a reference (the file
  // stays readable through a handle of this stream's own, even after the
  // source closes it); otherwise a copy.
  void CopyFrom(TStream& source, int64_t count) override;
  // Appends count bytes of file at offset: a reference to the shared file
  // when they may be kept (splicing on, at least kMinSplice bytes, written
  // at the end), else a copy.
  void Splice(const std::shared_ptr<TFileStream>& file, int64_t offset, int64_t count);
  void CopyRangeTo(uint64_t from, uint64_t count, TStream& dest) override;
  void ReadAt(uint64_t from, void* out, size_t count) override;
  // The file and offset that hold the count bytes at body position from,
  // when they all lie in one kept range; no file otherwise.
  struct TFileBytes {
    std::shared_ptr<TFileStream> File;
    int64_t Offset = 0;
  };
  TFileBytes Locate(uint64_t from, uint64_t count) const;
  // Whether the count bytes at body position from are the count bytes of
  // file at offset: kept ranges must be those very bytes of that file, and
  // bytes in memory are compared with fileBytes(k, n), which hands out the
  // file's n bytes at offset + k (n at most kCompareBlock).
  static constexpr size_t kCompareBlock = 16 * 1024;
  bool Matches(uint64_t from, uint64_t count, const TFileStream& file, int64_t offset,
               const std::function<const uint8_t*(uint64_t, size_t)>& fileBytes) const;
  // Whether the body ends with a kept range of file that ends at offset, so
  // that bytes from there on would lengthen it.
  bool EndsAt(const TFileStream& file, int64_t offset) const;
  // Drops the body from size on, kept ranges included; the position moves
  // to the new end.
  void Truncate(uint64_t size);

  // Off: every copy goes into memory (the body is then a plain memory body).
  void SetSplicing(bool on) { splicing_ = on; }
  bool Splicing() const { return splicing_; }
  size_t SpliceCount() const { return splices_.size(); }

  // Hands the whole body to sink in order, in pieces of at most chunk
  // bytes; referenced bytes are read from their files into a buffer.
  void ForEachPiece(size_t chunk, const std::function<void(const uint8_t*, size_t)>& sink) const;
  // Writes the whole body to a file descriptor; referenced ranges are
  // copied file to file by the kernel where it can.
  void WriteToFile(int fd) const;

 private:
  // A movie body holds a few ranges per frame, so a range is 32 bytes: a
  // longer run of one file is held as several ranges.
  static constexpr uint64_t kMaxSpliceLength = UINT32_MAX;
  struct TSplice {
    uint64_t MemoryOffset;  // the memory byte the range comes before
    uint64_t SplicedBefore; // referenced bytes before this range
    int64_t SourceOffset;
    uint32_t Length;
    uint32_t File;          // index into files_
  };
  static_assert(sizeof(TSplice) == 32);
  struct TFile {
    std::shared_ptr<TFileStream> Stream;
    uint64_t Device, Inode;
    bool Known;  // Device and Inode were asked of the system
  };
  void LearnIdentity(TFile& file);
  // Splice, with the check that the file holds the range left to the
  // caller when it knows (a range taken from another spliced stream). A
  // range that lengthens the last one is kept whatever its size.
  void Keep(const std::shared_ptr<TFileStream>& file, int64_t offset, int64_t count, bool checkSize);

  size_t FileFor(TFileStream& source);
  size_t FileFor(const std::shared_ptr<TFileStream>& file);
  // Appends a reference; the caller checked that it may be kept.
  void AddSplice(size_t file, int64_t offset, uint64_t count);
  bool AtMemoryEnd();
  // Calls memory(from, to) and file(splice, from, count) for the parts of
  // [from, from + count) in order.
  void ForEachPart(uint64_t from, uint64_t count,
                   const std::function<void(uint64_t, uint64_t)>& memory,
                   const std::function<void(const TSplice&, uint64_t, uint64_t)>& file) const;
  uint64_t SplicedTotal() const;
  // Referenced bytes up to and including those at memory offset m.
  uint64_t SplicedUpTo(uint64_t memoryOffset) const;
  void ReadRange(const TSplice& splice, uint64_t from, uint8_t* out, size_t count) const;

  std::vector<TSplice> splices_;
  std::vector<TFile> files_;
  bool splicing_ = true;
};

}  // namespace reelcast
