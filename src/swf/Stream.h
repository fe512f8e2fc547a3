// Byte streams of the SWF library: the abstract TStream (read, write, seek)
// and its memory, read-only memory view and file implementations. Tags and
// whole movies are written and read through them; failures are exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace reelcast {

// Every stream failure (short read, failed write, file not opened).
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads at most count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Moves the position; returns the new absolute position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // Grows (zero-filled) or cuts the stream; the position is kept but not
  // beyond the new end.
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Begin); }
  // Bytes between the position and the end.
  int64_t Remaining() {
    int64_t p = Position();
    int64_t s = Size();
    return s > p ? s - p : 0;
  }

  // Reads exactly count bytes or throws EReadError.
  void ReadBuffer(void* buffer, size_t count);
  // Writes exactly count bytes or throws EWriteError.
  void WriteBuffer(const void* buffer, size_t count);
  // Copies count bytes from source's current position to this stream.
  // Throws EReadError when source holds fewer. A movie body may keep a
  // reference to a read-only file's bytes instead (TSplicedStream).
  virtual void CopyFrom(TStream& source, int64_t count);
  // Copies everything from source's position to its end; returns the count.
  int64_t CopyRestFrom(TStream& source);
};

// A growable stream held in memory; the usual place where tag bodies and
// whole movie bodies are assembled.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(TMemoryStream&& other) noexcept;
  TMemoryStream& operator=(TMemoryStream&& other) noexcept;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }
  void SetSize(int64_t size) override;

  // Reserves room without changing the size (used before large copies).
  void Reserve(size_t capacity);
  virtual void Clear();
  uint8_t* Memory() { return data_; }
  const uint8_t* Memory() const { return data_; }
  // Bytes held in the buffer.
  size_t BufferSize() const { return size_; }
  // From a file or another stream: read straight into the buffer.
  void CopyFrom(TStream& source, int64_t count) override;
  // Hands count bytes from body position from to dest, in order. A body
  // that keeps bytes in files hands those over as references where dest
  // can keep them (TSplicedStream). Throws EReadError past the end.
  virtual void CopyRangeTo(uint64_t from, uint64_t count, TStream& dest);
  // Reads count bytes at body position from into out; EReadError past the end.
  virtual void ReadAt(uint64_t from, void* out, size_t count);
  // The bytes as one string (tests and small bodies).
  virtual std::string ToString() const {
    return std::string(reinterpret_cast<const char*>(data_), size_);
  }
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  // Appends count bytes read straight from source into this stream's own
  // buffer (no intermediate copy); throws EReadError when source has fewer.
  void AppendFrom(TStream& source, size_t count);

  // Faster single-byte path for the bit engine.
  void WriteOneByte(uint8_t b) {
    if (position_ < size_) {
      data_[position_++] = b;
      return;
    }
    Write(&b, 1);
  }

 private:
  // Grows the buffer to hold at least capacity bytes; the new bytes are not
  // initialised (callers fill or zero them).
  void Grow(size_t capacity);

  uint8_t* data_ = nullptr;  // malloc'd, so that growth can use realloc
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t position_ = 0;
};

// A read-only stream over bytes owned by someone else (a window of a larger
// buffer). Positions run from 0 at the first byte of the window, so a tag
// reader handed a view can never read past its own tag.
class TMemoryViewStream : public TStream {
 public:
  TMemoryViewStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;  // throws EWriteError
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }
  void SetSize(int64_t size) override;  // throws EWriteError
  const uint8_t* Memory() const { return data_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

enum class TFileMode {
  Create,     // create or truncate, read and write
  OpenRead,   // existing file, read only
  OpenWrite,  // existing file, read and write
};

// A file on disk, unbuffered: callers move data in large blocks.
class TFileStream : public TStream {
 public:
  // Throws EFOpenError with the file name and the system's reason.
  TFileStream(const std::string& fileName, TFileMode mode);
  // Takes an open file (closed with this stream); fileName names it in messages.
  TFileStream(int handle, std::string fileName, bool readOnly);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return fileName_; }
  // The open file (owned by this stream) and whether it was opened read-only.
  int Handle() const { return fd_; }
  bool ReadOnly() const { return readOnly_; }
  // Reads exactly count bytes at offset without moving the position;
  // EReadError when the file holds fewer.
  void ReadAt(int64_t offset, void* buffer, size_t count) const;
  // Whether the file holds at least end bytes. A read-only file is asked
  // its size again only for an end past the size it last had, so the many
  // ranges taken from one source cost one query.
  bool Holds(int64_t end);

 private:
  std::string fileName_;
  int fd_ = -1;
  bool readOnly_ = false;
  int64_t knownSize_ = -1;  // read-only files: the size last asked for
};

// A read-only window of a file that others share (a movie read from disk):
// positions run from 0 at the window's first byte, reads go through a
// buffer of the stream's own and never move the file's position, so many
// windows may read one file in turn. Tag readers keep large payloads as
// references to the file (File, FileOffset) instead of reading them.
class TFileWindowStream : public TStream {
 public:
  TFileWindowStream(std::shared_ptr<TFileStream> file, int64_t offset, int64_t size);
  // The same, with the window's first count bytes already at hand (read
  // by the caller), so that small reads at the start cost no file access.
  TFileWindowStream(std::shared_ptr<TFileStream> file, int64_t offset, int64_t size, const uint8_t* head,
                    size_t count);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;  // throws EWriteError
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void SetSize(int64_t size) override;  // throws EWriteError
  const std::shared_ptr<TFileStream>& File() const { return file_; }
  // The file offset of the current position.
  int64_t FileOffset() const { return offset_ + position_; }
  // The next count bytes as a window of their own (handed the first of
  // them when this window's buffer holds them), and moves past them: a
  // nested tag is read from the file like a tag of its own, so that its
  // large payload stays there. Throws EReadError past the end.
  std::unique_ptr<TFileWindowStream> Take(int64_t count);

 private:
  std::shared_ptr<TFileStream> file_;
  int64_t offset_, size_;
  int64_t position_ = 0;
  std::vector<uint8_t> buffer_;
  int64_t bufferStart_ = 0;  // window position of buffer_[0]
};

}  // namespace reelcast
