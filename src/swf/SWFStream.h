// The SWF file: TBasedSWFStream holds the header fields and the body (all tag
// bytes) and saves them plain ("FWS") or zlib-compressed ("CWS");
// TSWFStreamReader loads an existing file, splits its body into tag infos,
// optionally turns them into tag objects, renumbers characters and rebuilds
// the body from the objects.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "swf/Records.h"
#include "swf/SWFObject.h"
#include "swf/Stream.h"

namespace reelcast {

class TSplicedStream;

class TBasedSWFStream {
 public:
  // Progress: Kind 0 parsing tags, 1 re-making the body, 2 compressing.
  using TProgressEvent = std::function<void(TBasedSWFStream& sender, int percent, uint8_t kind)>;

  TBasedSWFStream();
  // Stage in pixels (usePixels, scaled by 20) or twips, frames per second.
  TBasedSWFStream(int32_t left, int32_t top, int32_t right, int32_t bottom, float fps,
                  bool usePixels);
  virtual ~TBasedSWFStream();
  TBasedSWFStream(const TBasedSWFStream&) = delete;
  TBasedSWFStream& operator=(const TBasedSWFStream&) = delete;

  // Fills or rebuilds the body stream.
  virtual void MakeStream() = 0;

  // The body, created empty (and owned) on first use: a TSplicedStream, so
  // payloads copied from read-only files stay in those files until saving.
  TMemoryStream& GetBodyStream();
  // Takes a body that the caller keeps (not freed with this object).
  void SetBodyStream(TMemoryStream* stream);

  bool Compressed() const { return compressed_; }
  // Compression needs version 6: true raises a lower version to 6.
  void SetCompressed(bool value);
  uint8_t SWFVersion() const { return version_; }
  // While Compressed is set, versions below 6 become 6.
  void SetVersion(uint8_t value);
  bool UsePixels() const { return usePixels_; }
  float GetFPS() const { return Fixed8ToSingle(FrameRate); }
  void SetFPS(float fps) { FrameRate = SingleToFixed8(fps); }
  int32_t Width() const;
  int32_t Height() const;
  TRect GetFrameRect() const;  // divided by the coordinate multiplier
  const char* Signature() const { return signature_; }

  // 12 + the RECT's byte size.
  int32_t GetHeaderSize() const;
  // Mode 0: the whole header; 1: signature, version, length; 2: RECT, rate, count.
  void WriteHeader(TStream& s, int mode);
  // Writes header and body (compressed when Compressed); does not MakeStream.
  void SaveToStream(TStream& s);
  // Replaces the file entirely.
  void SaveToFile(const std::string& fileName);

  TProgressEvent OnProgress;
  uint32_t FileLength = 0;  // header + body, uncompressed; set when saving
  TRect FrameRect;          // twips
  uint16_t FrameRate = 0;   // 8.8 fixed
  uint16_t FrameCount = 0;

 protected:
  void Progress(int percent, uint8_t kind);
  // Replaces the body with one of this object's own.
  void SetOwnedBody(std::unique_ptr<TMemoryStream> stream);
  bool OwnsBody() const { return ownedBody_ != nullptr; }

  bool compressed_ = false;
  uint8_t multiplier_ = 1;
  bool usePixels_ = false;
  char signature_[4] = {'F', 'W', 'S', 0};
  uint8_t version_ = 5;

 private:
  TMemoryStream* body_ = nullptr;
  std::unique_ptr<TMemoryStream> ownedBody_;
};

// One tag found in a body.
class TSWFTagInfo {
 public:
  TSWFTagInfo(uint16_t tagCode, bool createObject);
  // Length + 2, + 4 with a long header.
  uint64_t GetFullSize() const { return uint64_t{Length} + 2 + (IsLongHeader ? 4 : 0); }
  // Sets the object (owned or not), freeing an owned previous one.
  void SetObject(std::unique_ptr<TSWFObject> object);
  void SetObjectReference(TSWFObject* object);
  bool OwnsObject() const { return owned_ != nullptr; }

  uint32_t Length = 0;
  uint16_t FrameNumber = 0;
  bool IsLongHeader = false;
  uint32_t Position = 0;  // offset of the header in the body stream
  std::vector<std::unique_ptr<TSWFTagInfo>> SubTags;  // DefineSprite only
  TSWFObject* TagObject = nullptr;
  uint16_t TagCode = 0;

 private:
  std::unique_ptr<TSWFObject> owned_;
};

class TSWFStreamReader : public TBasedSWFStream {
 public:
  using TCreateTagEvent = std::function<void(TSWFTagInfo& info, bool& createObject)>;
  using TRenumberEvent = std::function<void(TSWFObject& object, bool& renumber)>;

  // Bodies of this many bytes or more are not read into memory: a plain
  // file's body stays in the file, a compressed one is inflated into an
  // unnamed scratch file. Tags are then read from the file as they are
  // parsed, large payloads stay there, and a saved movie takes them from
  // there again. New readers take DefaultStreamAbove (8 MB), which tests
  // and benchmarks may change.
  static inline int64_t DefaultStreamAbove = int64_t{8} << 20;
  int64_t StreamAbove = DefaultStreamAbove;

  // Loads the file at once when fileName is not empty (a missing file throws).
  explicit TSWFStreamReader(const std::string& fileName = "");
  ~TSWFStreamReader() override;

  // True for a stream of 4 bytes or more starting "FWS" or "CWS".
  bool CheckSignature(TStream& s);
  void LoadFromFile(const std::string& fileName);
  // Fills the header fields and the body; does not parse tags. A stream
  // that is not an SWF, or that ends inside its header, leaves IsSWF false.
  void LoadFromStream(TStream& s);
  // Mode as WriteHeader; returns the bytes consumed.
  int ReadHeader(TStream& s, int mode);
  void ParseTags(bool createObjects, bool parseActions);
  // Walks the body's tags in order without keeping them: visit gets each
  // tag's info (and may take it), with the tag read into its object when
  // createObject says so for it. Records the problems ParseTags records;
  // returns the number of tags. A long movie is gone through tag by tag.
  // Without innerTagInfos a sprite's info does not list its inner tags (a
  // walk that only writes the tags has no use for them, and a sprite
  // holding a whole video has one per frame and more).
  size_t ForEachTag(const std::function<bool(TSWFTagInfo&)>& createObject, bool parseActions,
                    const std::function<void(std::unique_ptr<TSWFTagInfo>&)>& visit,
                    bool innerTagInfos = true);
  // Copies count body bytes from position from to dest (kept files' bytes
  // stay references where dest can keep them).
  void CopyBody(uint64_t from, uint64_t count, TStream& dest);
  TSWFTagInfo& TagInfo(size_t index) { return *tags_.at(index); }
  size_t TagCount() const { return tags_.size(); }
  // Gives every defined character a new id from firstId on and updates the
  // references; returns the next free id (0 when the last id is 65535).
  // Throws ESWFError, changing nothing, when the ids would not fit below 65536.
  uint16_t RenumberCharacters(uint16_t firstId);
  // Rebuilds the body from the tag infos: objects are written, tags without
  // an object are copied as read.
  void MakeStream() override;
  // Rebuilds the body from every tag's object, as ParseTags(true, ...),
  // RenumberCharacters(*firstId) when given, and MakeStream do, but reads,
  // renumbers and writes one tag at a time, so that no more than one tag
  // object is held whatever the movie's length (renumbering reads the
  // defining tags once more beforehand). Leaves no tag infos. Throws
  // ESWFError, changing nothing, when the ids would not fit.
  struct TRebuilt {
    size_t TagCount = 0;
    size_t RawTags = 0;   // tags kept raw (unknown or unreadable)
    uint16_t NextId = 0;  // the next free id after renumbering
  };
  TRebuilt RebuildBody(bool parseActions, std::optional<uint16_t> firstId);

  bool IsSWF() const { return isSWF_; }
  // What was found wrong while loading and parsing (empty for a sound file).
  std::vector<std::string> Problems() const;
  // Bytes after the last whole tag header (too few for a header), kept.
  uint32_t TrailingBytes() const;

  TCreateTagEvent OnCreateTag;
  TRenumberEvent OnRenumber;

 private:
  class TBodyWindow;
  void Load(TStream& s, const std::shared_ptr<TFileStream>& file);
  // After a tag was written to fresh from start on: when its bytes are the
  // ones it had at oldPos of the body kept in files, fresh refers to those
  // bytes instead, so that a run of tags passed through unchanged becomes
  // one range of the source, copied file to file in one go.
  void KeepUnchanged(TSplicedStream& old, TSplicedStream& fresh, uint64_t oldPos, uint64_t start,
                     size_t splicesBefore, bool lengthens);
  void ReadTagObject(TSWFTagInfo& info, uint32_t bodyStart, uint32_t available, bool parseActions,
                     bool innerTagInfos = true);
  void AddSubTagInfos(TSWFTagInfo& info, uint32_t bodyStart);

  bool isSWF_ = false;
  std::vector<std::unique_ptr<TSWFTagInfo>> tags_;
  std::vector<std::string> loadProblems_;
  std::vector<std::string> parseProblems_;
  int64_t trailingStart_ = -1;  // body offset of unparsed trailing bytes
  TBodyWindow* window_ = nullptr;  // the tag headers' buffer while tags are walked
};

}  // namespace reelcast
