#include "swf/SWFStream.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "swf/BitsEngine.h"
#include "swf/CharacterRenumbering.h"
#include "swf/ParallelDeflate.h"
#include "swf/SplicedStream.h"

namespace reelcast {

namespace {

constexpr size_t kZlibChunk = 1 << 20;
// Bytes of a tag handed from the header buffer to the tag's reader.
constexpr size_t kSeedBytes = 512;

int RoundPercent(double value) {
  return static_cast<int>(std::clamp(std::nearbyint(value), 0.0, 100.0));
}

std::string ZlibMessage(const z_stream& z, int code) {
  if (z.msg) return z.msg;
  return "zlib error " + std::to_string(code);
}

// An unnamed file in the temporary folder for a decompressed body: opened
// for writing, gone from the folder from the start, so it vanishes with its
// last handle whatever happens.
std::unique_ptr<TFileStream> ScratchFile() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = env && *env ? env : "/tmp";
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::string name = folder + "/reelcast-body-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) throw EFOpenError("cannot create a scratch file in \"" + folder + "\": " + std::strerror(errno));
    ::unlink(name.c_str());
  }
  return std::make_unique<TFileStream>(fd, "decompressed movie body", false);
}

// The same file again, read-only, so that movie bodies may keep its bytes.
std::shared_ptr<TFileStream> ReadOnlyAgain(const TFileStream& file) {
  std::string self = "/proc/self/fd/" + std::to_string(file.Handle());
  int fd = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError("cannot reopen a scratch file: " + std::string(std::strerror(errno)));
  return std::make_shared<TFileStream>(fd, file.FileName(), true);
}

// The body as a stream with kept file ranges, or null for a memory body.
TSplicedStream* KeptInFiles(TMemoryStream& body) {
  auto* spliced = dynamic_cast<TSplicedStream*>(&body);
  return spliced && spliced->SpliceCount() > 0 ? spliced : nullptr;
}

}  // namespace

// ---------------------------------------------------------- TBasedSWFStream

TBasedSWFStream::TBasedSWFStream() = default;

TBasedSWFStream::TBasedSWFStream(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 float fps, bool usePixels)
    : multiplier_(usePixels ? 20 : 1), usePixels_(usePixels) {
  FrameRect = {left * multiplier_, top * multiplier_, right * multiplier_, bottom * multiplier_};
  FrameRate = SingleToFixed8(fps);
}

TBasedSWFStream::~TBasedSWFStream() = default;

TMemoryStream& TBasedSWFStream::GetBodyStream() {
  if (!body_) SetOwnedBody(std::make_unique<TSplicedStream>());
  return *body_;
}

void TBasedSWFStream::SetBodyStream(TMemoryStream* stream) {
  ownedBody_.reset();
  body_ = stream;
}

void TBasedSWFStream::SetOwnedBody(std::unique_ptr<TMemoryStream> stream) {
  ownedBody_ = std::move(stream);
  body_ = ownedBody_.get();
}

void TBasedSWFStream::SetCompressed(bool value) {
  compressed_ = value;
  if (value && version_ < 6) version_ = 6;
}

void TBasedSWFStream::SetVersion(uint8_t value) {
  version_ = compressed_ && value < 6 ? 6 : value;
}

int32_t TBasedSWFStream::Width() const { return (FrameRect.Right - FrameRect.Left) / multiplier_; }
int32_t TBasedSWFStream::Height() const { return (FrameRect.Bottom - FrameRect.Top) / multiplier_; }

TRect TBasedSWFStream::GetFrameRect() const {
  return {FrameRect.Left / multiplier_, FrameRect.Top / multiplier_, FrameRect.Right / multiplier_,
          FrameRect.Bottom / multiplier_};
}

int32_t TBasedSWFStream::GetHeaderSize() const {
  int n = GetSignedBitsCount(
      MaxAbs(FrameRect.Left, FrameRect.Right, FrameRect.Top, FrameRect.Bottom), 1);
  return 12 + (5 + 4 * n + 7) / 8;
}

void TBasedSWFStream::WriteHeader(TStream& s, int mode) {
  TBitsEngine be(s);
  if (mode == 0 || mode == 1) {
    be.WriteBuffer(signature_, 3);
    be.WriteByte(version_);
    be.WriteDWord(FileLength);
  }
  if (mode == 0 || mode == 2) {
    be.WriteTRect(FrameRect);
    be.WriteWord(FrameRate);
    be.WriteWord(FrameCount);
  }
}

void TBasedSWFStream::Progress(int percent, uint8_t kind) {
  if (OnProgress) OnProgress(*this, percent, kind);
}

void TBasedSWFStream::SaveToStream(TStream& s) {
  TMemoryStream& body = GetBodyStream();
  // A body that keeps bytes of source files is read from them now, piece by
  // piece, so the movie is never whole in memory.
  auto* spliced = dynamic_cast<TSplicedStream*>(&body);
  if (spliced && spliced->SpliceCount() == 0) spliced = nullptr;
  FileLength = static_cast<uint32_t>(body.Size() + GetHeaderSize());
  if (!spliced) body.SetPosition(0);
  auto eachPiece = [&](const std::function<void(const uint8_t*, size_t)>& sink) {
    if (spliced) {
      spliced->ForEachPiece(kZlibChunk, sink);
      return;
    }
    const uint8_t* p = body.Memory();
    size_t left = static_cast<size_t>(body.Size());
    while (left > 0) {
      size_t n = std::min(left, kZlibChunk);
      sink(p, n);
      p += n;
      left -= n;
    }
  };
  if (!compressed_) {
    std::memcpy(signature_, "FWS", 3);
    WriteHeader(s, 0);
    if (auto* file = dynamic_cast<TFileStream*>(&s); file && spliced) {
      spliced->WriteToFile(file->Handle());
      return;
    }
    eachPiece([&](const uint8_t* p, size_t n) { s.WriteBuffer(p, n); });
    return;
  }

  std::memcpy(signature_, "CWS", 3);
  if (version_ < 6) version_ = 6;
  WriteHeader(s, 1);
  TMemoryStream rest;
  WriteHeader(rest, 2);

  // The header's rest and the body go through one zlib stream compressed in
  // blocks on every processor; progress follows the bytes handed over.
  TParallelDeflate deflater(s);
  const double denominator = static_cast<double>(body.Size()) - 22.0;
  uint64_t consumed = 0;
  auto pump = [&](const uint8_t* data, size_t size) {
    if (size > 0) deflater.Write(data, size);
    else deflater.Finish();
    consumed += size;
    if (OnProgress) Progress(denominator > 0 ? RoundPercent(100.0 * consumed / denominator) : 100, 2);
  };
  pump(rest.Memory(), static_cast<size_t>(rest.Size()));
  eachPiece(pump);
  pump(nullptr, 0);
}

void TBasedSWFStream::SaveToFile(const std::string& fileName) {
  if (::unlink(fileName.c_str()) != 0 && errno != ENOENT) {
    // Left to the create below, which reports the reason.
  }
  TFileStream file(fileName, TFileMode::Create);
  SaveToStream(file);
}

// -------------------------------------------------------------- TSWFTagInfo

TSWFTagInfo::TSWFTagInfo(uint16_t tagCode, bool createObject) : TagCode(tagCode) {
  if (createObject) SetObject(CreateTagObject(tagCode));
}

void TSWFTagInfo::SetObject(std::unique_ptr<TSWFObject> object) {
  owned_ = std::move(object);
  TagObject = owned_.get();
}

void TSWFTagInfo::SetObjectReference(TSWFObject* object) {
  owned_.reset();
  TagObject = object;
}

// --------------------------------------------------------- TSWFStreamReader

// Tag headers of a body, read through a buffer when the body keeps its
// bytes in a file. The buffer is small after a jump over a large tag (a
// header and a tag's first fields are wanted there) and grows while the
// walk goes on through neighbouring small tags.
class TSWFStreamReader::TBodyWindow {
 public:
  static constexpr size_t kLargest = 64 * 1024;

  explicit TBodyWindow(TMemoryStream& body, bool inFile) : body_(body), inFile_(inFile) {}
  // count (at most kLargest) bytes at pos, all inside the body.
  const uint8_t* At(uint64_t pos, size_t count) {
    if (!inFile_) return body_.Memory() + pos;
    const uint64_t end = start_ + buffer_.size();
    if (pos < start_ || pos + count > end) {
      const bool onward = pos >= start_ && pos <= end + kSmallest;
      size_t want = onward ? std::clamp<size_t>(buffer_.size() * 2, kSmallest, kLargest) : kSmallest;
      want = std::max(want, count);
      const uint64_t size = static_cast<uint64_t>(body_.Size());
      buffer_.resize(static_cast<size_t>(std::min<uint64_t>(want, size - pos)));
      body_.ReadAt(pos, buffer_.data(), buffer_.size());
      start_ = pos;
    }
    return buffer_.data() + (pos - start_);
  }
  // The bytes from pos on that are at hand without reading (count 0: none).
  std::pair<const uint8_t*, size_t> Buffered(uint64_t pos) const {
    if (!inFile_) return {body_.Memory() + pos, static_cast<size_t>(body_.Size() - static_cast<int64_t>(pos))};
    if (pos < start_ || pos >= start_ + buffer_.size()) return {nullptr, 0};
    return {buffer_.data() + (pos - start_), static_cast<size_t>(start_ + buffer_.size() - pos)};
  }

 private:
  static constexpr size_t kSmallest = 4 * 1024;
  TMemoryStream& body_;
  bool inFile_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;
};

TSWFStreamReader::TSWFStreamReader(const std::string& fileName) {
  if (!fileName.empty()) LoadFromFile(fileName);
}

TSWFStreamReader::~TSWFStreamReader() = default;

bool TSWFStreamReader::CheckSignature(TStream& s) {
  isSWF_ = false;
  if (s.Size() >= 4) {
    char sig[3];
    s.SetPosition(0);
    s.ReadBuffer(sig, 3);
    if (std::memcmp(sig, "FWS", 3) == 0 || std::memcmp(sig, "CWS", 3) == 0) {
      compressed_ = sig[0] == 'C';
      isSWF_ = true;
    }
  }
  return isSWF_;
}

void TSWFStreamReader::LoadFromFile(const std::string& fileName) {
  auto file = std::make_shared<TFileStream>(fileName, TFileMode::OpenRead);
  Load(*file, file);
}

int TSWFStreamReader::ReadHeader(TStream& s, int mode) {
  int64_t start = s.Position();
  TBitsEngine be(s);
  if (mode == 0 || mode == 1) {
    be.ReadBuffer(signature_, 3);
    version_ = be.ReadByte();
    FileLength = be.ReadDWord();
  }
  if (mode == 0 || mode == 2) {
    FrameRect = be.ReadRect();
    FrameRate = be.ReadWord();
    FrameCount = be.ReadWord();
  }
  return static_cast<int>(s.Position() - start);
}

void TSWFStreamReader::LoadFromStream(TStream& s) { Load(s, nullptr); }

void TSWFStreamReader::Load(TStream& s, const std::shared_ptr<TFileStream>& file) {
  loadProblems_.clear();
  if (!CheckSignature(s)) {
    loadProblems_.push_back("not an SWF file: no \"FWS\" or \"CWS\" signature");
    return;
  }
  s.SetPosition(0);
  TMemoryStream& body = GetBodyStream();
  // A header cut short leaves IsSWF false; other stream errors propagate.
  auto readHeader = [this](TStream& from, int mode) -> int {
    try {
      return ReadHeader(from, mode);
    } catch (const EReadError&) {
      if (from.Remaining() > 0) throw;
      isSWF_ = false;
      loadProblems_.push_back("the file ends inside its header");
      return -1;
    }
  };
  {
    if (!compressed_) {
      if (readHeader(s, 0) < 0) return;
      int64_t rest = s.Remaining();
      int64_t actual = s.Position() + rest;
      if (actual != FileLength)
        loadProblems_.push_back("the header gives a file length of " + std::to_string(FileLength) +
                                " bytes, the file has " + std::to_string(actual));
      body.Seek(0, TSeekOrigin::End);
      auto* spliced = dynamic_cast<TSplicedStream*>(&body);
      if (file && spliced && rest >= StreamAbove) {
        spliced->Splice(file, s.Position(), rest);
        return;
      }
      body.AppendFrom(s, static_cast<size_t>(rest));
      return;
    }

    if (readHeader(s, 1) < 0) return;
    uint64_t target = FileLength > 8 ? FileLength - 8u : 0u;
    auto all = std::make_unique<TMemoryStream>();
    z_stream z{};
    int rc = inflateInit(&z);
    if (rc != Z_OK) throw ESWFError("cannot start decompression: " + ZlibMessage(z, rc));
    struct InflateEnd {
      z_stream* z;
      ~InflateEnd() { inflateEnd(z); }
    } inflateGuard{&z};
    std::vector<uint8_t> in(kZlibChunk);
    // A large body goes to a scratch file in chunks, a small one into memory.
    auto* spliced = dynamic_cast<TSplicedStream*>(&body);
    std::unique_ptr<TFileStream> scratch;
    std::vector<uint8_t> chunk;
    if (spliced && target >= static_cast<uint64_t>(std::max<int64_t>(StreamAbove, 0))) {
      scratch = ScratchFile();
      chunk.resize(kZlibChunk);
    }
    // Grow with what actually comes out, never by the header's word alone.
    int64_t compressedLeft = s.Remaining();
    if (!scratch)
      all->SetSize(static_cast<int64_t>(
          std::min<uint64_t>(target, static_cast<uint64_t>(compressedLeft) * 4 + 65536)));
    uint64_t produced = 0;
    bool ended = false;
    std::string damage;
    while (produced < target && !ended) {
      if (z.avail_in == 0) {
        size_t n = s.Read(in.data(), in.size());
        if (n == 0) break;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
      }
      if (scratch) {
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(std::min<uint64_t>(chunk.size(), target - produced));
      } else {
        if (produced == static_cast<uint64_t>(all->Size()))
          all->SetSize(static_cast<int64_t>(std::min<uint64_t>(target, produced * 2 + 65536)));
        z.next_out = all->Memory() + produced;
        z.avail_out = static_cast<uInt>(std::min<uint64_t>(all->Size() - produced, 1u << 30));
      }
      uInt before = z.avail_out;
      int r = inflate(&z, Z_NO_FLUSH);
      if (scratch && before > z.avail_out) scratch->WriteBuffer(chunk.data(), before - z.avail_out);
      produced += before - z.avail_out;
      if (r == Z_STREAM_END) ended = true;
      else if (r == Z_NEED_DICT || r == Z_DATA_ERROR || r == Z_MEM_ERROR || r == Z_STREAM_ERROR) {
        damage = ZlibMessage(z, r);
        break;
      }
    }
    if (produced >= target && !ended && damage.empty()) {
      // Anything the stream holds past the declared length is left out.
      uint8_t probe[1];
      z.next_out = probe;
      z.avail_out = 1;
      inflate(&z, Z_NO_FLUSH);
      if (z.avail_out == 0)
        loadProblems_.push_back("the compressed body holds more than the " +
                                std::to_string(FileLength) +
                                " bytes that the header gives; the rest is ignored");
    }
    if (!scratch) all->SetSize(static_cast<int64_t>(produced));
    if (!damage.empty())
      loadProblems_.push_back("the compressed body is damaged after " + std::to_string(produced) +
                              " bytes: " + damage);
    else if (produced < target)
      loadProblems_.push_back("the compressed body ends after " + std::to_string(produced + 8) +
                              " of " + std::to_string(FileLength) + " bytes");
    if (scratch) {
      std::shared_ptr<TFileStream> inflated = ReadOnlyAgain(*scratch);
      scratch.reset();
      int headerBytes = readHeader(*inflated, 2);
      if (headerBytes < 0) return;
      body.Seek(0, TSeekOrigin::End);
      spliced->Splice(inflated, headerBytes, static_cast<int64_t>(produced) - headerBytes);
      return;
    }
    all->SetPosition(0);
    int headerBytes = readHeader(*all, 2);
    if (headerBytes < 0) return;
    if (body.Size() == 0 && OwnsBody()) {
      // Take the decompressed bytes without copying them again.
      std::memmove(all->Memory(), all->Memory() + headerBytes,
                   static_cast<size_t>(all->Size() - headerBytes));
      all->SetSize(all->Size() - headerBytes);
      SetOwnedBody(std::move(all));
    } else {
      body.Seek(0, TSeekOrigin::End);
      body.CopyRestFrom(*all);
    }
  }
}

std::vector<std::string> TSWFStreamReader::Problems() const {
  std::vector<std::string> all = loadProblems_;
  all.insert(all.end(), parseProblems_.begin(), parseProblems_.end());
  return all;
}

uint32_t TSWFStreamReader::TrailingBytes() const {
  if (trailingStart_ < 0) return 0;
  auto* self = const_cast<TSWFStreamReader*>(this);
  return static_cast<uint32_t>(self->GetBodyStream().Size() - trailingStart_);
}

void TSWFStreamReader::ParseTags(bool createObjects, bool parseActions) {
  tags_.clear();
  ForEachTag(
      [&](TSWFTagInfo& info) {
        bool create = createObjects;
        if (create && OnCreateTag) OnCreateTag(info, create);
        return create;
      },
      parseActions, [&](std::unique_ptr<TSWFTagInfo>& info) { tags_.push_back(std::move(info)); });
}

size_t TSWFStreamReader::ForEachTag(const std::function<bool(TSWFTagInfo&)>& createObject, bool parseActions,
                                    const std::function<void(std::unique_ptr<TSWFTagInfo>&)>& visit,
                                    bool innerTagInfos) {
  parseProblems_.clear();
  trailingStart_ = -1;
  TMemoryStream& body = GetBodyStream();
  TBodyWindow window(body, KeptInFiles(body) != nullptr);
  window_ = &window;
  struct TForget {
    TBodyWindow*& window;
    ~TForget() { window = nullptr; }
  } forget{window_};
  const uint32_t size = static_cast<uint32_t>(body.Size());
  uint32_t pos = 0;
  uint16_t frame = 1;
  size_t index = 0;

  while (pos < size) {
    if (OnProgress) Progress(RoundPercent(100.0 * pos / size), 0);
    uint32_t left = size - pos;
    if (left < 2) {
      trailingStart_ = pos;
      parseProblems_.push_back(std::to_string(left) + " byte after the last tag at position " +
                               std::to_string(pos) + ", kept as it is");
      break;
    }
    const uint8_t* head = window.At(pos, std::min<uint32_t>(left, 6));
    uint16_t word = static_cast<uint16_t>(head[0] | (head[1] << 8));
    uint16_t code = word >> 6;
    uint32_t length = word & 63;
    uint32_t headerSize = 2;
    bool isLong = length == 63;
    if (isLong) {
      if (left < 6) {
        trailingStart_ = pos;
        parseProblems_.push_back("a tag header at position " + std::to_string(pos) +
                                 " is cut off by the end of the file, kept as it is");
        break;
      }
      length = head[2] | (head[3] << 8) | (head[4] << 16) | (static_cast<uint32_t>(head[5]) << 24);
      headerSize = 6;
    }
    auto info = std::make_unique<TSWFTagInfo>(code, false);
    info->Length = length;
    info->IsLongHeader = isLong;
    info->Position = pos;
    info->FrameNumber = frame;
    if (code == 1) ++frame;

    uint32_t bodyStart = pos + headerSize;
    uint32_t available = std::min<uint32_t>(length, size - bodyStart);
    if (available < length)
      parseProblems_.push_back("tag " + std::to_string(index) + " (code " +
                               std::to_string(code) + ") at position " + std::to_string(pos) +
                               ": its length of " + std::to_string(length) +
                               " bytes runs past the end of the file (" +
                               std::to_string(available) + " present)");

    if (createObject && createObject(*info)) info->SetObject(CreateTagObject(code));
    if (info->TagObject && length > 0) ReadTagObject(*info, bodyStart, available, parseActions, innerTagInfos);
    visit(info);
    ++index;
    pos = bodyStart + available;
  }
  if (OnProgress && size > 0) Progress(100, 0);
  return index;
}

void TSWFStreamReader::ReadTagObject(TSWFTagInfo& info, uint32_t bodyStart, uint32_t available,
                                     bool parseActions, bool innerTagInfos) {
  TSWFObject& object = *info.TagObject;
  TMemoryStream& whole = GetBodyStream();
  // A tag kept in a file is read from there; its large payloads stay there.
  TSplicedStream::TFileBytes inFile;
  std::vector<uint8_t> copy;
  const uint8_t* body = nullptr;
  if (TSplicedStream* spliced = KeptInFiles(whole)) {
    inFile = spliced->Locate(bodyStart, available);
    if (!inFile.File) {
      copy.resize(available);
      whole.ReadAt(bodyStart, copy.data(), available);
      body = copy.data();
    }
  } else {
    body = whole.Memory() + bodyStart;
  }
  std::string error;
  if (available < info.Length) {
    // A cut-off tag is never handed to its class: its bytes are kept raw.
    error = "the tag's length runs past the end of the file";
  } else {
    TSWFReadContext context;
    context.Version = version_;
    context.ParseActions = parseActions;
    // Only these tags take a reading context (version, ParseActions).
    switch (info.TagCode) {
      case 7: case 12: case 13: case 26: case 34: case 39: case 48: case 59:
        object.SetReadContext(context);
        break;
      default:
        break;
    }
    object.BodySize = static_cast<int32_t>(info.Length);
    std::unique_ptr<TStream> view;
    if (inFile.File) {
      // The tag's first bytes are most often in the header buffer already.
      auto [head, buffered] = window_ ? window_->Buffered(bodyStart) : std::pair<const uint8_t*, size_t>{};
      view = std::make_unique<TFileWindowStream>(inFile.File, inFile.Offset, available, head,
                                                 std::min<size_t>(buffered, kSeedBytes));
    }
    else view = std::make_unique<TMemoryViewStream>(body, available);
    TBitsEngine be(*view);
    try {
      object.ReadFromStream(be);
      if (innerTagInfos) AddSubTagInfos(info, bodyStart);
      return;
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "unknown error while reading the tag";
    }
  }
  // Replace the object by a raw tag that carries the message and keeps the
  // bytes read from the file, so that re-making the body loses nothing.
  auto raw = std::make_unique<TSWFByteCodeTag>();
  raw->ErrorText = error;
  raw->FileTagCode = info.TagCode;
  raw->BodySize = static_cast<int32_t>(available);
  if (inFile.File) raw->SetDataInFile(inFile.File, inFile.Offset, available);
  else raw->SetData(body, available);
  info.SubTags.clear();
  info.SetObject(std::move(raw));
  info.TagCode = kRawTagCode;
}

void TSWFStreamReader::AddSubTagInfos(TSWFTagInfo& info, uint32_t bodyStart) {
  info.SubTags.clear();
  std::vector<TSWFObject*> inner;
  info.TagObject->SubTags(inner);
  // A sprite's tags follow its id and frame count (4 bytes): the positions
  // point at each inner tag's own header.
  uint32_t offset = bodyStart + (info.TagCode == 39 ? 4 : 0);
  uint16_t frame = 1;
  for (TSWFObject* tag : inner) {
    auto sub = std::make_unique<TSWFTagInfo>(tag->TagID, false);
    sub->SetObjectReference(tag);
    sub->Length = static_cast<uint32_t>(std::max(tag->BodySize, 0));
    sub->IsLongHeader = tag->BodySize > 62;
    sub->Position = offset;
    sub->FrameNumber = frame;
    if (tag->TagID == 1) ++frame;
    offset += static_cast<uint32_t>(tag->GetFullSize());
    info.SubTags.push_back(std::move(sub));
  }
}

void TSWFStreamReader::MakeStream() {
  TMemoryStream& old = GetBodyStream();
  // Tags without objects are copied as read: when no tag has an object and
  // the infos tile the whole body, the rebuilt body is the body itself.
  bool copyOnly = true;
  uint64_t tiled = 0;
  for (const auto& info : tags_) {
    if (info->TagObject || info->Position != tiled) {
      copyOnly = false;
      break;
    }
    tiled = std::min<uint64_t>(tiled + info->GetFullSize(), static_cast<uint64_t>(old.Size()));
  }
  if (trailingStart_ >= 0 && static_cast<uint64_t>(trailingStart_) == tiled)
    tiled = static_cast<uint64_t>(old.Size());
  if (copyOnly && tiled == static_cast<uint64_t>(old.Size())) {
    for (size_t i = 0; i < tags_.size(); ++i)
      if (OnProgress) Progress(RoundPercent(100.0 * (i + 1) / tags_.size()), 1);
    return;
  }
  // The new body keeps referring to the files that hold the old one's bytes.
  auto fresh = std::make_unique<TSplicedStream>();
  if (!KeptInFiles(old)) fresh->Reserve(static_cast<size_t>(old.Size()));
  TBitsEngine be(*fresh);
  const uint64_t oldSize = static_cast<uint64_t>(old.Size());
  // Neighbouring tags copied as read go out in one block.
  uint64_t runStart = 0, runEnd = 0;
  auto flush = [&] {
    if (runEnd > runStart) old.CopyRangeTo(runStart, runEnd - runStart, *fresh);
    runStart = runEnd = 0;
  };
  const size_t count = tags_.size();
  for (size_t i = 0; i < count; ++i) {
    if (OnProgress) Progress(RoundPercent(100.0 * (i + 1) / count), 1);
    TSWFTagInfo& info = *tags_[i];
    uint32_t newPos = static_cast<uint32_t>(fresh->Position() + (runEnd - runStart));
    if (info.TagObject) {
      flush();
      info.TagObject->WriteToStream(be);
      // Keep the info true to the new body, so that a later MakeStream or
      // dump of this reader still finds each tag where it now is.
      uint32_t written = static_cast<uint32_t>(fresh->Position()) - newPos;
      info.Length = static_cast<uint32_t>(std::max(info.TagObject->BodySize, 0));
      info.IsLongHeader = written == info.Length + 6;
      info.Position = newPos;
      if (!info.SubTags.empty()) AddSubTagInfos(info, newPos + (info.IsLongHeader ? 6 : 2));
    } else {
      uint64_t from = std::min<uint64_t>(info.Position, oldSize);
      uint64_t to = std::min<uint64_t>(uint64_t{info.Position} + info.GetFullSize(), oldSize);
      if (runEnd != from) {
        flush();
        runStart = runEnd = from;
      }
      runEnd = to;
      info.Position = newPos;
    }
  }
  flush();
  if (trailingStart_ >= 0) {
    uint32_t newStart = static_cast<uint32_t>(fresh->Position());
    old.CopyRangeTo(static_cast<uint64_t>(trailingStart_), oldSize - static_cast<uint64_t>(trailingStart_), *fresh);
    trailingStart_ = newStart;
  }
  SetOwnedBody(std::move(fresh));
}

void TSWFStreamReader::CopyBody(uint64_t from, uint64_t count, TStream& dest) {
  GetBodyStream().CopyRangeTo(from, count, dest);
}

uint16_t TSWFStreamReader::RenumberCharacters(uint16_t firstId) {
  TCharacterRenumbering renumbering;
  std::vector<bool> renumbered;
  for (auto& info : tags_) {
    if (!info->TagObject) continue;
    bool renumber = true;
    if (OnRenumber) OnRenumber(*info->TagObject, renumber);
    if (renumber) renumbering.Learn(*info->TagObject);
    renumbered.push_back(renumber);
  }
  const uint16_t next = renumbering.Start(firstId);
  size_t i = 0;
  for (auto& info : tags_)
    if (info->TagObject) renumbering.Apply(*info->TagObject, renumbered[i++]);
  return next;
}

void TSWFStreamReader::KeepUnchanged(TSplicedStream& old, TSplicedStream& fresh, uint64_t oldPos, uint64_t start,
                                     size_t splicesBefore, bool lengthens) {
  // A tag wholly in memory that starts no run is left as written: taking
  // its few bytes from the file instead would only cost a read.
  if (fresh.SpliceCount() == splicesBefore && !lengthens) return;
  const uint64_t count = static_cast<uint64_t>(fresh.Size()) - start;
  const TSplicedStream::TFileBytes where = old.Locate(oldPos, count);
  if (!where.File) return;
  const bool same = fresh.Matches(start, count, *where.File, where.Offset, [&](uint64_t k, size_t n) {
    return window_->At(oldPos + k, n);
  });
  if (!same) return;
  fresh.Truncate(start);
  old.CopyRangeTo(oldPos, count, fresh);
}

TSWFStreamReader::TRebuilt TSWFStreamReader::RebuildBody(bool parseActions, std::optional<uint16_t> firstId) {
  TRebuilt result;
  TCharacterRenumbering renumbering;
  if (firstId) {
    // First pass: only the tags that define characters are read.
    ForEachTag([](TSWFTagInfo& info) { return TCharacterRenumbering::MayDefine(info.TagCode); }, false,
               [&](std::unique_ptr<TSWFTagInfo>& info) {
                 if (!info->TagObject) return;
                 bool renumber = true;
                 if (OnRenumber) OnRenumber(*info->TagObject, renumber);
                 if (renumber) renumbering.Learn(*info->TagObject);
               },
               false);
    result.NextId = renumbering.Start(*firstId);
  }
  TMemoryStream& old = GetBodyStream();
  TSplicedStream* oldInFiles = KeptInFiles(old);
  auto fresh = std::make_unique<TSplicedStream>();
  if (!oldInFiles) fresh->Reserve(static_cast<size_t>(old.Size()));
  TBitsEngine be(*fresh);
  tags_.clear();
  result.TagCount = ForEachTag([](TSWFTagInfo&) { return true; }, parseActions,
                               [&](std::unique_ptr<TSWFTagInfo>& info) {
                                 TSWFObject& tag = *info->TagObject;
                                 if (info->TagCode == kRawTagCode) ++result.RawTags;
                                 if (firstId) {
                                   bool renumber = true;
                                   if (OnRenumber) OnRenumber(tag, renumber);
                                   renumbering.Apply(tag, renumber);
                                 }
                                 if (!oldInFiles) {
                                   tag.WriteToStream(be);
                                   return;
                                 }
                                 const uint64_t start = static_cast<uint64_t>(fresh->Size());
                                 const size_t splices = fresh->SpliceCount();
                                 const auto at = oldInFiles->Locate(info->Position, 1);
                                 const bool lengthens = at.File && fresh->EndsAt(*at.File, at.Offset);
                                 tag.WriteToStream(be);
                                 KeepUnchanged(*oldInFiles, *fresh, info->Position, start, splices, lengthens);
                               },
                               false);
  if (trailingStart_ >= 0) {
    const uint64_t oldSize = static_cast<uint64_t>(old.Size());
    uint32_t newStart = static_cast<uint32_t>(fresh->Position());
    old.CopyRangeTo(static_cast<uint64_t>(trailingStart_), oldSize - static_cast<uint64_t>(trailingStart_), *fresh);
    trailingStart_ = newStart;
  }
  SetOwnedBody(std::move(fresh));
  return result;
}

}  // namespace reelcast
