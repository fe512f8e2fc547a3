#include "swf/SplicedStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace reelcast {

namespace {

constexpr size_t kCopyBlock = size_t{1} << 20;

void WriteAll(int fd, const uint8_t* data, size_t count) {
  while (count > 0) {
    ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError(std::string("stream write error: ") + std::strerror(errno));
    data += n;
    count -= static_cast<size_t>(n);
  }
}

}  // namespace

TSplicedStream::~TSplicedStream() = default;

void TSplicedStream::LearnIdentity(TFile& file) {
  if (file.Known) return;
  struct stat st {};
  if (::fstat(file.Stream->Handle(), &st) != 0)
    throw EReadError(std::string("cannot stat a source: ") + std::strerror(errno));
  file.Device = static_cast<uint64_t>(st.st_dev);
  file.Inode = static_cast<uint64_t>(st.st_ino);
  file.Known = true;
}

size_t TSplicedStream::FileFor(TFileStream& source) {
  struct stat st {};
  if (::fstat(source.Handle(), &st) != 0)
    throw EReadError(std::string("cannot stat a source: ") + std::strerror(errno));
  for (size_t i = 0; i < files_.size(); ++i) {
    LearnIdentity(files_[i]);
    if (files_[i].Device == st.st_dev && files_[i].Inode == st.st_ino) return i;
  }
  int own = ::fcntl(source.Handle(), F_DUPFD_CLOEXEC, 0);
  if (own < 0) throw EReadError(std::string("cannot keep a source open: ") + std::strerror(errno));
  files_.push_back({std::make_shared<TFileStream>(own, source.FileName(), true),
                    static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), true});
  return files_.size() - 1;
}

size_t TSplicedStream::FileFor(const std::shared_ptr<TFileStream>& file) {
  for (size_t i = files_.size(); i-- > 0;)
    if (files_[i].Stream == file) return i;
  // The first file of a stream (a tag body being assembled has one) is
  // taken without asking the system which file it is; that is only needed
  // once a second one comes.
  TFile added{file, 0, 0, false};
  if (!files_.empty()) {
    LearnIdentity(added);
    for (size_t i = 0; i < files_.size(); ++i) {
      LearnIdentity(files_[i]);
      if (files_[i].Device == added.Device && files_[i].Inode == added.Inode) return i;
    }
  }
  files_.push_back(std::move(added));
  return files_.size() - 1;
}

bool TSplicedStream::AtMemoryEnd() {
  return TMemoryStream::Seek(0, TSeekOrigin::Current) == TMemoryStream::Size();
}

void TSplicedStream::AddSplice(size_t file, int64_t offset, uint64_t count) {
  if (file > UINT32_MAX) throw EStreamError("too many source files in one stream");
  const auto memoryOffset = static_cast<uint64_t>(TMemoryStream::Size());
  while (count > 0) {
    TSplice* last = splices_.empty() ? nullptr : &splices_.back();
    if (last && last->MemoryOffset == memoryOffset && last->File == file &&
        last->SourceOffset + static_cast<int64_t>(last->Length) == offset && last->Length < kMaxSpliceLength) {
      // Continues the range before it.
      const uint64_t n = std::min<uint64_t>(count, kMaxSpliceLength - last->Length);
      last->Length = static_cast<uint32_t>(last->Length + n);
      offset += static_cast<int64_t>(n);
      count -= n;
      continue;
    }
    const uint64_t n = std::min<uint64_t>(count, kMaxSpliceLength);
    splices_.push_back({memoryOffset, SplicedTotal(), offset, static_cast<uint32_t>(n), static_cast<uint32_t>(file)});
    offset += static_cast<int64_t>(n);
    count -= n;
  }
}

uint64_t TSplicedStream::SplicedTotal() const {
  return splices_.empty() ? 0 : splices_.back().SplicedBefore + splices_.back().Length;
}

uint64_t TSplicedStream::SplicedUpTo(uint64_t memoryOffset) const {
  auto it = std::upper_bound(splices_.begin(), splices_.end(), memoryOffset,
                             [](uint64_t m, const TSplice& s) { return m < s.MemoryOffset; });
  if (it == splices_.begin()) return 0;
  --it;
  return it->SplicedBefore + it->Length;
}

int64_t TSplicedStream::Size() { return TMemoryStream::Size() + static_cast<int64_t>(SplicedTotal()); }

int64_t TSplicedStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (splices_.empty()) return TMemoryStream::Seek(offset, origin);
  const uint64_t memory = static_cast<uint64_t>(TMemoryStream::Seek(0, TSeekOrigin::Current));
  const int64_t current = static_cast<int64_t>(memory + SplicedUpTo(memory));
  int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? current : Size();
  int64_t target = base + offset;
  if (target < 0) throw EStreamError("seek before the start of a stream");
  // The last range that ends at or before the target; the target must not
  // fall on or inside the range after it.
  const uint64_t t = static_cast<uint64_t>(target);
  auto after = std::upper_bound(splices_.begin(), splices_.end(), t, [](uint64_t v, const TSplice& s) {
    return v < s.MemoryOffset + s.SplicedBefore + s.Length;
  });
  uint64_t before = after == splices_.begin() ? 0 : std::prev(after)->SplicedBefore + std::prev(after)->Length;
  if (after != splices_.end() && t >= after->MemoryOffset + after->SplicedBefore)
    throw EStreamError("cannot move into bytes kept in a source file");
  TMemoryStream::Seek(static_cast<int64_t>(t - before), TSeekOrigin::Begin);
  return target;
}

size_t TSplicedStream::Write(const void* buffer, size_t count) {
  if (!splices_.empty() && count > 0) {
    const uint64_t memory = static_cast<uint64_t>(TMemoryStream::Seek(0, TSeekOrigin::Current));
    auto next = std::upper_bound(splices_.begin(), splices_.end(), memory,
                                 [](uint64_t m, const TSplice& s) { return m < s.MemoryOffset; });
    if (next != splices_.end() && memory + count > next->MemoryOffset)
      throw EWriteError("stream write error: cannot write over bytes kept in a source file");
  }
  return TMemoryStream::Write(buffer, count);
}

size_t TSplicedStream::Read(void* buffer, size_t count) {
  // Only the memory up to the next kept range is read; a body is read back
  // whole through ForEachPiece.
  if (!splices_.empty()) {
    const uint64_t memory = static_cast<uint64_t>(TMemoryStream::Seek(0, TSeekOrigin::Current));
    auto next = std::upper_bound(splices_.begin(), splices_.end(), memory,
                                 [](uint64_t m, const TSplice& s) { return m < s.MemoryOffset; });
    if (next != splices_.end()) count = static_cast<size_t>(std::min<uint64_t>(count, next->MemoryOffset - memory));
  }
  return TMemoryStream::Read(buffer, count);
}

void TSplicedStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("negative stream size");
  if (!splices_.empty()) {
    const TSplice& last = splices_.back();
    if (static_cast<uint64_t>(size) < last.MemoryOffset + last.SplicedBefore + last.Length)
      throw EStreamError("cannot cut bytes kept in a source file");
  }
  TMemoryStream::SetSize(size - static_cast<int64_t>(SplicedTotal()));
}

void TSplicedStream::Truncate(uint64_t size) {
  if (size > BufferSize() + SplicedTotal()) throw EStreamError("cannot truncate a stream to more than its size");
  while (!splices_.empty()) {
    TSplice& last = splices_.back();
    const uint64_t start = last.MemoryOffset + last.SplicedBefore;
    if (size >= start + last.Length) break;
    if (size > start) {
      last.Length = static_cast<uint32_t>(size - start);
      break;
    }
    splices_.pop_back();
  }
  TMemoryStream::SetSize(static_cast<int64_t>(size - SplicedTotal()));
  TMemoryStream::Seek(static_cast<int64_t>(BufferSize()), TSeekOrigin::Begin);
}

void TSplicedStream::Clear() {
  TMemoryStream::Clear();
  splices_.clear();
  files_.clear();
}

void TSplicedStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) return;
  auto* file = dynamic_cast<TFileStream*>(&source);
  if (splicing_ && file && file->ReadOnly() && count >= kMinSplice && AtMemoryEnd()) {
    const int64_t from = file->Position();
    if (!file->Holds(from + count)) throw EReadError("stream read error: read past the end of the stream");
    AddSplice(FileFor(*file), from, static_cast<uint64_t>(count));
    file->Seek(count, TSeekOrigin::Current);
    return;
  }
  if (!splices_.empty()) {
    const int64_t memorySize = TMemoryStream::Size();
    const uint64_t memory = static_cast<uint64_t>(TMemoryStream::Seek(0, TSeekOrigin::Current));
    if (memory < static_cast<uint64_t>(memorySize) && memory + count > splices_.back().MemoryOffset &&
        memory < splices_.back().MemoryOffset)
      throw EWriteError("stream write error: cannot write over bytes kept in a source file");
  }
  TMemoryStream::CopyFrom(source, count);
}

void TSplicedStream::Splice(const std::shared_ptr<TFileStream>& file, int64_t offset, int64_t count) {
  Keep(file, offset, count, true);
}

void TSplicedStream::Keep(const std::shared_ptr<TFileStream>& file, int64_t offset, int64_t count,
                          bool checkSize) {
  if (count <= 0) return;
  if (splicing_ && (count >= kMinSplice || EndsAt(*file, offset)) && AtMemoryEnd()) {
    if (checkSize && !file->Holds(offset + count))
      throw EReadError("stream read error: read past the end of the stream");
    AddSplice(FileFor(file), offset, static_cast<uint64_t>(count));
    return;
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)));
  for (int64_t done = 0; done < count;) {
    size_t n = static_cast<size_t>(std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size())));
    file->ReadAt(offset + done, buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    done += static_cast<int64_t>(n);
  }
}

void TSplicedStream::ReadRange(const TSplice& splice, uint64_t from, uint8_t* out, size_t count) const {
  files_[splice.File].Stream->ReadAt(splice.SourceOffset + static_cast<int64_t>(from), out, count);
}

void TSplicedStream::ForEachPart(uint64_t from, uint64_t count,
                                 const std::function<void(uint64_t, uint64_t)>& memory,
                                 const std::function<void(const TSplice&, uint64_t, uint64_t)>& file) const {
  const uint64_t end = from + count;
  const uint64_t size = BufferSize() + SplicedTotal();
  if (end < from || end > size) throw EReadError("stream read error: read past the end of the stream");
  if (count == 0) return;
  // Start at the first range that ends after from.
  auto it = std::upper_bound(splices_.begin(), splices_.end(), from, [](uint64_t v, const TSplice& s) {
    return v < s.MemoryOffset + s.SplicedBefore + s.Length;
  });
  uint64_t mem = 0, logical = 0;
  if (it != splices_.begin()) {
    const TSplice& prev = *std::prev(it);
    mem = prev.MemoryOffset;
    logical = prev.MemoryOffset + prev.SplicedBefore + prev.Length;
  }
  auto visitMemory = [&](uint64_t memTo) {
    const uint64_t logicalTo = logical + (memTo - mem);
    const uint64_t a = std::max(logical, from), b = std::min(logicalTo, end);
    if (a < b) memory(mem + (a - logical), mem + (b - logical));
    logical = logicalTo;
    mem = memTo;
  };
  for (; it != splices_.end() && logical < end; ++it) {
    visitMemory(it->MemoryOffset);
    const uint64_t a = std::max(logical, from), b = std::min(logical + it->Length, end);
    if (a < b) file(*it, a - logical, b - a);
    logical += it->Length;
  }
  if (logical < end) visitMemory(BufferSize());
}

void TSplicedStream::CopyRangeTo(uint64_t from, uint64_t count, TStream& dest) {
  auto* spliced = dynamic_cast<TSplicedStream*>(&dest);
  std::vector<uint8_t> buffer;
  ForEachPart(
      from, count, [&](uint64_t a, uint64_t b) { dest.WriteBuffer(Memory() + a, static_cast<size_t>(b - a)); },
      [&](const TSplice& s, uint64_t offset, uint64_t n) {
        if (spliced) {
          // The range was checked against its file when it came into this stream.
          spliced->Keep(files_[s.File].Stream, s.SourceOffset + static_cast<int64_t>(offset),
                        static_cast<int64_t>(n), false);
          return;
        }
        if (buffer.empty()) buffer.resize(static_cast<size_t>(std::min<uint64_t>(n, kCopyBlock)));
        for (uint64_t done = 0; done < n;) {
          size_t k = static_cast<size_t>(std::min<uint64_t>(n - done, buffer.size()));
          ReadRange(s, offset + done, buffer.data(), k);
          dest.WriteBuffer(buffer.data(), k);
          done += k;
        }
      });
}

void TSplicedStream::ReadAt(uint64_t from, void* out, size_t count) {
  auto* p = static_cast<uint8_t*>(out);
  ForEachPart(
      from, count,
      [&](uint64_t a, uint64_t b) {
        std::memcpy(p, Memory() + a, static_cast<size_t>(b - a));
        p += b - a;
      },
      [&](const TSplice& s, uint64_t offset, uint64_t n) {
        ReadRange(s, offset, p, static_cast<size_t>(n));
        p += n;
      });
}

TSplicedStream::TFileBytes TSplicedStream::Locate(uint64_t from, uint64_t count) const {
  auto it = std::upper_bound(splices_.begin(), splices_.end(), from, [](uint64_t v, const TSplice& s) {
    return v < s.MemoryOffset + s.SplicedBefore + s.Length;
  });
  if (it == splices_.end()) return {};
  const uint64_t start = it->MemoryOffset + it->SplicedBefore;
  if (from < start || from + count > start + it->Length) return {};
  return {files_[it->File].Stream, it->SourceOffset + static_cast<int64_t>(from - start)};
}

bool TSplicedStream::EndsAt(const TFileStream& file, int64_t offset) const {
  if (splices_.empty()) return false;
  const TSplice& last = splices_.back();
  return last.MemoryOffset == BufferSize() && files_[last.File].Stream.get() == &file &&
         last.SourceOffset + static_cast<int64_t>(last.Length) == offset;
}

bool TSplicedStream::Matches(uint64_t from, uint64_t count, const TFileStream& file, int64_t offset,
                             const std::function<const uint8_t*(uint64_t, size_t)>& fileBytes) const {
  const uint64_t size = BufferSize() + SplicedTotal();
  if (from > size || count > size - from) return false;
  bool same = true;
  uint64_t done = 0;  // bytes of the range compared so far
  ForEachPart(
      from, count,
      [&](uint64_t a, uint64_t b) {
        while (same && a < b) {
          const size_t n = static_cast<size_t>(std::min<uint64_t>(b - a, kCompareBlock));
          same = std::memcmp(Memory() + a, fileBytes(done, n), n) == 0;
          a += n;
          done += n;
        }
      },
      [&](const TSplice& s, uint64_t at, uint64_t n) {
        same = same && files_[s.File].Stream.get() == &file &&
               s.SourceOffset + static_cast<int64_t>(at) == offset + static_cast<int64_t>(done);
        done += n;
      });
  return same;
}

void TSplicedStream::ForEachPiece(size_t chunk,
                                  const std::function<void(const uint8_t*, size_t)>& sink) const {
  chunk = std::max<size_t>(chunk, 1);
  const uint8_t* memory = Memory();
  auto emitMemory = [&](uint64_t from, uint64_t to) {
    while (from < to) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(to - from, chunk));
      sink(memory + from, n);
      from += n;
    }
  };
  std::vector<uint8_t> buffer;
  uint64_t cursor = 0;
  for (const TSplice& s : splices_) {
    emitMemory(cursor, s.MemoryOffset);
    cursor = s.MemoryOffset;
    if (buffer.empty()) buffer.resize(static_cast<size_t>(std::min<uint64_t>(chunk, kCopyBlock)));
    for (uint64_t done = 0; done < s.Length;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(s.Length - done, buffer.size()));
      ReadRange(s, done, buffer.data(), n);
      sink(buffer.data(), n);
      done += n;
    }
  }
  emitMemory(cursor, static_cast<uint64_t>(BufferSize()));
}

void TSplicedStream::WriteToFile(int fd) const {
  const uint8_t* memory = Memory();
  std::vector<uint8_t> buffer;
  uint64_t cursor = 0;
  auto copyRange = [&](const TSplice& s) {
    uint64_t done = 0;
    // In the kernel, file to file; a pair of files it cannot join that way
    // goes through a buffer.
    while (done < s.Length) {
      loff_t from = static_cast<loff_t>(s.SourceOffset + static_cast<int64_t>(done));
      ssize_t n = ::copy_file_range(files_[s.File].Stream->Handle(), &from, fd, nullptr,
                                    static_cast<size_t>(s.Length - done), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<uint64_t>(n);
    }
    if (buffer.empty() && done < s.Length) buffer.resize(kCopyBlock);
    while (done < s.Length) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(s.Length - done, buffer.size()));
      ReadRange(s, done, buffer.data(), n);
      WriteAll(fd, buffer.data(), n);
      done += n;
    }
  };
  for (const TSplice& s : splices_) {
    WriteAll(fd, memory + cursor, static_cast<size_t>(s.MemoryOffset - cursor));
    cursor = s.MemoryOffset;
    copyRange(s);
  }
  const uint64_t end = static_cast<uint64_t>(BufferSize());
  WriteAll(fd, memory + cursor, static_cast<size_t>(end - cursor));
}

std::string TSplicedStream::ToString() const {
  std::string out;
  ForEachPiece(kCopyBlock, [&](const uint8_t* data, size_t n) {
    out.append(reinterpret_cast<const char*>(data), n);
  });
  return out;
}

}  // namespace reelcast
