#include "swf/Stream.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace reelcast {

namespace {

int64_t ResolveSeek(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
  int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? position : size;
  int64_t target = base + offset;
  if (target < 0) throw EStreamError("seek before the start of a stream");
  return target;
}

std::string SystemReason() { return std::strerror(errno); }

// Large bodies (video movies of hundreds of megabytes) are backed by huge
// pages where the system offers them on request: far fewer page faults when
// the buffer is first filled.
void AdviseHugePages(uint8_t* data, size_t capacity) {
  constexpr size_t kLarge = size_t{4} << 20;
  if (capacity < kLarge) return;
  const uintptr_t page = 4096;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(data) + capacity) & ~(page - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

// ---------------------------------------------------------------- TStream

void TStream::ReadBuffer(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    size_t n = Read(p + done, count - done);
    if (n == 0) throw EReadError("stream read error: read past the end of the stream");
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    size_t n = Write(p + done, count - done);
    if (n == 0) throw EWriteError("stream write error");
    done += n;
  }
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) return;
  if (auto* view = dynamic_cast<TMemoryViewStream*>(&source)) {
    int64_t pos = view->Position();
    if (view->Size() - pos < count) throw EReadError("stream read error: read past the end of the stream");
    WriteBuffer(view->Memory() + pos, static_cast<size_t>(count));
    view->Seek(count, TSeekOrigin::Current);
    return;
  }
  if (auto* mem = dynamic_cast<TMemoryStream*>(&source)) {
    int64_t pos = mem->Position();
    if (mem->Size() - pos < count) throw EReadError("stream read error: read past the end of the stream");
    mem->CopyRangeTo(static_cast<uint64_t>(pos), static_cast<uint64_t>(count), *this);
    mem->Seek(count, TSeekOrigin::Current);
    return;
  }
  std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)));
  while (count > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(block.size())));
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    count -= static_cast<int64_t>(n);
  }
}

int64_t TStream::CopyRestFrom(TStream& source) {
  int64_t size = source.Size();
  int64_t pos = source.Position();
  if (size > pos) {
    CopyFrom(source, size - pos);
    return size - pos;
  }
  // Streams of unknown size: copy until the source runs dry.
  std::vector<uint8_t> block(1 << 16);
  int64_t total = 0;
  for (;;) {
    size_t n = source.Read(block.data(), block.size());
    if (n == 0) break;
    WriteBuffer(block.data(), n);
    total += static_cast<int64_t>(n);
  }
  return total;
}

// ---------------------------------------------------------- TMemoryStream

TMemoryStream::TMemoryStream(TMemoryStream&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_), position_(other.position_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = other.position_ = 0;
}

TMemoryStream& TMemoryStream::operator=(TMemoryStream&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    position_ = other.position_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = other.position_ = 0;
  }
  return *this;
}

TMemoryStream::~TMemoryStream() { std::free(data_); }

void TMemoryStream::Grow(size_t capacity) {
  if (capacity <= capacity_) return;
  size_t target = std::max(capacity, capacity_ + capacity_ / 2);
  target = std::max<size_t>(target, 256);
  auto* grown = static_cast<uint8_t*>(std::realloc(data_, target));
  if (!grown) throw std::bad_alloc();
  data_ = grown;
  capacity_ = target;
  AdviseHugePages(data_, capacity_);
}

void TMemoryStream::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  auto* grown = static_cast<uint8_t*>(std::realloc(data_, capacity));
  if (!grown) throw std::bad_alloc();
  data_ = grown;
  capacity_ = capacity;
  AdviseHugePages(data_, capacity_);
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= size_) return 0;
  size_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  size_t end = position_ + count;
  if (end > size_) {
    Grow(end);
    // A gap left by seeking past the end reads as zeros.
    if (position_ > size_) std::memset(data_ + size_, 0, position_ - size_);
    size_ = end;
  }
  std::memcpy(data_ + position_, buffer, count);
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = static_cast<size_t>(
      ResolveSeek(offset, origin, static_cast<int64_t>(position_), Size()));
  return static_cast<int64_t>(position_);
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("negative stream size");
  size_t n = static_cast<size_t>(size);
  if (n > size_) {
    Grow(n);
    std::memset(data_ + size_, 0, n - size_);
  }
  size_ = n;
  position_ = std::min(position_, size_);
}

void TMemoryStream::Clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

void TMemoryStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) return;
  if (dynamic_cast<TMemoryStream*>(&source) || dynamic_cast<TMemoryViewStream*>(&source)) {
    TStream::CopyFrom(source, count);
    return;
  }
  const size_t at = position_;
  const size_t end = at + static_cast<size_t>(count);
  const size_t oldSize = size_;
  if (end > size_) {
    Grow(end);
    if (at > size_) std::memset(data_ + size_, 0, at - size_);
    size_ = end;
  }
  try {
    source.ReadBuffer(data_ + at, static_cast<size_t>(count));
  } catch (...) {
    size_ = oldSize;
    throw;
  }
  position_ = end;
}

void TMemoryStream::CopyRangeTo(uint64_t from, uint64_t count, TStream& dest) {
  if (from > size_ || count > size_ - from)
    throw EReadError("stream read error: read past the end of the stream");
  dest.WriteBuffer(data_ + from, static_cast<size_t>(count));
}

void TMemoryStream::ReadAt(uint64_t from, void* out, size_t count) {
  if (from > size_ || count > size_ - from)
    throw EReadError("stream read error: read past the end of the stream");
  if (count > 0) std::memcpy(out, data_ + from, count);
}

void TMemoryStream::AppendFrom(TStream& source, size_t count) {
  size_t start = size_;
  Grow(start + count);
  size_t done = 0;
  while (done < count) {
    size_t n = source.Read(data_ + start + done, count - done);
    if (n == 0) break;
    done += n;
  }
  size_ = start + done;
  position_ = size_;
  if (done < count) throw EReadError("stream read error: read past the end of the stream");
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, TFileMode::OpenRead);
  Clear();
  AppendFrom(file, static_cast<size_t>(file.Size()));
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, TFileMode::Create);
  file.WriteBuffer(data_, size_);
}

// ------------------------------------------------------ TMemoryViewStream

size_t TMemoryViewStream::Read(void* buffer, size_t count) {
  if (position_ >= size_) return 0;
  size_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

size_t TMemoryViewStream::Write(const void*, size_t) {
  throw EWriteError("stream write error: the stream is read-only");
}

int64_t TMemoryViewStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = static_cast<size_t>(
      ResolveSeek(offset, origin, static_cast<int64_t>(position_), Size()));
  return static_cast<int64_t>(position_);
}

void TMemoryViewStream::SetSize(int64_t) {
  throw EWriteError("stream write error: the stream is read-only");
}

// ------------------------------------------------------------ TFileStream

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case TFileMode::OpenRead: flags |= O_RDONLY; readOnly_ = true; break;
    case TFileMode::OpenWrite: flags |= O_RDWR; break;
  }
  fd_ = ::open(fileName.c_str(), flags, 0644);
  if (fd_ < 0) {
    throw EFOpenError("cannot " + std::string(mode == TFileMode::Create ? "create" : "open") +
                      " file \"" + fileName + "\": " + SystemReason());
  }
  if (mode == TFileMode::OpenRead) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      throw EFOpenError("cannot open file \"" + fileName + "\": it is a folder");
    }
  }
}

TFileStream::TFileStream(int handle, std::string fileName, bool readOnly)
    : fileName_(std::move(fileName)), fd_(handle), readOnly_(readOnly) {}

void TFileStream::ReadAt(int64_t offset, void* buffer, size_t count) const {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    ssize_t n = ::pread(fd_, out, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError("cannot read \"" + fileName_ + "\": " + SystemReason());
    if (n == 0) throw EReadError("stream read error: \"" + fileName_ + "\" became shorter");
    out += n;
    offset += n;
    count -= static_cast<size_t>(n);
  }
}

bool TFileStream::Holds(int64_t end) {
  if (readOnly_ && end <= knownSize_) return true;
  const int64_t size = Size();
  if (readOnly_) knownSize_ = size;
  return end <= size;
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw EReadError("cannot read \"" + fileName_ + "\": " + SystemReason());
  }
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::write(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw EWriteError("cannot write \"" + fileName_ + "\": " + SystemReason());
  }
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, offset, whence);
  if (r < 0) throw EStreamError("cannot seek in \"" + fileName_ + "\": " + SystemReason());
  return r;
}

int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw EStreamError("cannot stat \"" + fileName_ + "\": " + SystemReason());
  return st.st_size;
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, size) != 0)
    throw EWriteError("cannot resize \"" + fileName_ + "\": " + SystemReason());
  if (Position() > size) Seek(size, TSeekOrigin::Begin);
}

// ------------------------------------------------------ TFileWindowStream

namespace {
constexpr size_t kWindowBuffer = 64 * 1024;
}

TFileWindowStream::TFileWindowStream(std::shared_ptr<TFileStream> file, int64_t offset, int64_t size)
    : file_(std::move(file)), offset_(offset), size_(size) {}

TFileWindowStream::TFileWindowStream(std::shared_ptr<TFileStream> file, int64_t offset, int64_t size,
                                     const uint8_t* head, size_t count)
    : file_(std::move(file)), offset_(offset), size_(size) {
  buffer_.assign(head, head + std::min<int64_t>(static_cast<int64_t>(count), size));
}

size_t TFileWindowStream::Read(void* buffer, size_t count) {
  if (position_ >= size_ || count == 0) return 0;
  count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size_ - position_));
  auto* out = static_cast<uint8_t*>(buffer);
  const int64_t bufferEnd = bufferStart_ + static_cast<int64_t>(buffer_.size());
  if (position_ >= bufferStart_ && position_ + static_cast<int64_t>(count) <= bufferEnd) {
    std::memcpy(out, buffer_.data() + (position_ - bufferStart_), count);
  } else if (count >= kWindowBuffer) {
    file_->ReadAt(offset_ + position_, out, count);
  } else {
    // Small first reads (a tag's fields before its payload) fetch little;
    // later ones more, up to the buffer's size.
    const size_t want = std::clamp<size_t>(std::max(count, buffer_.size() * 2), 512, kWindowBuffer);
    const size_t fill = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(want), size_ - position_));
    buffer_.resize(fill);
    file_->ReadAt(offset_ + position_, buffer_.data(), fill);
    bufferStart_ = position_;
    std::memcpy(out, buffer_.data(), count);
  }
  position_ += static_cast<int64_t>(count);
  return count;
}

std::unique_ptr<TFileWindowStream> TFileWindowStream::Take(int64_t count) {
  if (count < 0 || count > size_ - position_)
    throw EReadError("stream read error: " + std::to_string(count) + " bytes run past the end of the window");
  constexpr int64_t kHead = 512;  // enough for a tag's fields before its payload
  const int64_t bufferEnd = bufferStart_ + static_cast<int64_t>(buffer_.size());
  const uint8_t* head = nullptr;
  size_t held = 0;
  if (position_ >= bufferStart_ && position_ < bufferEnd) {
    head = buffer_.data() + (position_ - bufferStart_);
    held = static_cast<size_t>(std::min({bufferEnd - position_, count, kHead}));
  }
  auto part = std::make_unique<TFileWindowStream>(file_, offset_ + position_, count, head, held);
  position_ += count;
  return part;
}

size_t TFileWindowStream::Write(const void*, size_t) {
  throw EWriteError("stream write error: the stream is read-only");
}

int64_t TFileWindowStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = ResolveSeek(offset, origin, position_, size_);
  return position_;
}

void TFileWindowStream::SetSize(int64_t) {
  throw EWriteError("stream write error: the stream is read-only");
}

}  // namespace reelcast
