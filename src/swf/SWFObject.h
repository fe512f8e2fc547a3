// The tag object model: the root TBasedSWFObject, the tag base TSWFObject
// (header rule, body write and read), the data-carrying TSWFDataObject, the
// raw fallback TSWFByteCodeTag and the factory from tag code to class.
//
// How a tag family plugs in
// -------------------------
// 1. Each tag class derives from TSWFObject (or TSWFDataObject), passes its
//    code to the TSWFObject constructor and overrides WriteTagBody,
//    ReadFromStream, MinVersion and Assign (calling the parent's Assign
//    first). Assign receives a TBasedSWFObject; cast with dynamic_cast and
//    ignore sources of another class. ReadFromStream starts at the body
//    start with BodySize set; the stream may hold more than this one tag
//    (the file reader hands a window of exactly the body, a sprite its own
//    body), so measure from the position at entry and read at most BodySize
//    bytes. Any exception turns the tag into a raw tag that keeps its bytes.
// 2. A family file offers one function, e.g.
//        void RegisterShapeTags(TSWFTagRegistry& registry) {
//          registry.Add<TSWFDefineShape>(2, "TSWFDefineShape");
//          ...
//        }
//    and adds one declaration and one call to the list in TagFamilies.cpp.
//    That list is explicit on purpose: self-registering static objects in a
//    static library are dropped by the linker when nothing references them.
//    A code that no family registers stays a TSWFByteCodeTag ("Uniknow tag").
// 3. Reading context: before ReadFromStream the reader calls
//    SetReadContext(context) on the tags that take one, codes 7, 12, 13, 26,
//    34, 39, 48 and 59, and on no other. Each keeps what it needs (buttons and
//    DoAction/DoInitAction: ParseActions; DefineFontInfo and DefineFont2: the
//    version; PlaceObject2 and DefineSprite: both); the default ignores it.
// 4. Character ids for RenumberCharacters: a tag that defines characters
//    appends a pointer to each defined id field to DefinedCharacters (in
//    order); a tag that refers to characters appends a pointer to each
//    referring id field to CharacterReferences (only fields that currently
//    hold a reference: e.g. a PlaceObject2 without a character appends
//    nothing). A container (DefineSprite) reports its own tags through
//    SubTags and forwards the references of its inner tags itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "swf/BitsEngine.h"
#include "swf/Stream.h"

namespace reelcast {

// Failures of the SWF library that are not plain stream errors.
class ESWFError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Root of every tag, action container and movie builder object.
class TBasedSWFObject {
 public:
  virtual ~TBasedSWFObject() = default;
  virtual void Assign(const TBasedSWFObject& source) {}
  // 0 for tags, 1 for the movie builder's objects.
  virtual int ObjectKind() const = 0;
  virtual uint8_t MinVersion() const { return 1; }
  virtual void WriteToStream(TBitsEngine& be) {}
};

// What the file reader hands a tag before reading its body.
struct TSWFReadContext {
  uint8_t Version = 0;        // the file's SWF version
  bool ParseActions = false;  // turn action byte code into action objects
};

// The code used for raw tags (outside the format's range).
constexpr uint16_t kRawTagCode = 240;

class TSWFObject : public TBasedSWFObject {
 public:
  explicit TSWFObject(uint16_t tagId) : TagID(tagId) {}

  // Copies BodySize; TagID is never copied.
  void Assign(const TBasedSWFObject& source) override;
  int ObjectKind() const override { return 0; }
  uint8_t MinVersion() const override { return 1; }
  // Header and body (see WriteTagHeader for the short/long rule); End and
  // ShowFrame write only their header word. Sets BodySize.
  void WriteToStream(TBitsEngine& be) override;
  // Reads the body: BodySize is set and the stream stands at the body start.
  virtual void ReadFromStream(TBitsEngine& be) {}
  virtual void WriteTagBody(TBitsEngine& be) {}

  virtual void SetReadContext(const TSWFReadContext& context) {}
  virtual void DefinedCharacters(std::vector<uint16_t*>& ids) {}
  virtual void CharacterReferences(std::vector<uint16_t*>& ids) {}
  // Tags nested inside this one (DefineSprite), not owned by the caller.
  virtual void SubTags(std::vector<TSWFObject*>& tags) {}

  // BodySize + 2, + 4 when BodySize is above 62.
  int32_t GetFullSize() const { return BodySize + 2 + (BodySize > 62 ? 4 : 0); }
  // A new object of the same class (through the factory) with Assign.
  std::unique_ptr<TSWFObject> Clone() const;
  // The class name of this tag ("TSWFEnd", "TSWFByteCodeTag", ...).
  virtual std::string ClassName() const;
  // The tag's main fields on one line for listings (ids, bounds, counts,
  // flags); empty when the class has nothing to show.
  virtual std::string Describe() const { return {}; }

  int32_t BodySize = 0;
  uint16_t TagID;

 protected:
  // Writes the header for code and the body made by WriteTagBody.
  void WriteTagWithCode(TBitsEngine& be, uint16_t code);
};

// A tag carrying a block of bytes: its own buffer, someone else's buffer,
// bytes left in a file it was read from (large payloads of a movie read
// from disk: written into the new body by reference, read only when asked
// for), or an OnDataWrite event that writes the data part when the tag is
// written.
class TSWFDataObject : public TSWFObject {
 public:
  using TDataWriteEvent = std::function<void(TSWFDataObject& sender, TBitsEngine& be)>;

  explicit TSWFDataObject(uint16_t tagId) : TSWFObject(tagId) {}

  void Assign(const TBasedSWFObject& source) override;

  // Bytes still in a file are read into the tag's own buffer first.
  const uint8_t* Data() const;
  uint32_t DataSize() const { return dataSize_; }
  bool OwnsData() const { return ownsData_; }
  bool DataInFile() const { return file_ != nullptr; }
  // Keeps size bytes of file at offset as the data, without reading them.
  void SetDataInFile(std::shared_ptr<TFileStream> file, int64_t offset, uint32_t size);
  // Copies the bytes into a buffer of the tag's own.
  void SetData(const void* bytes, uint32_t size);
  void SetData(std::vector<uint8_t>&& bytes);
  // Points at bytes that the caller keeps alive (not freed with the tag).
  void SetDataReference(const uint8_t* bytes, uint32_t size);
  // Reads size bytes from be into a buffer of the tag's own; the size is
  // checked against the stream first, so a lying length never allocates.
  // From a file window, a payload of kMinFileData bytes or more stays in
  // the file.
  void ReadData(TBitsEngine& be, uint32_t size);
  static constexpr uint32_t kMinFileData = 256;
  // Writes the data part: OnDataWrite when assigned, else the bytes.
  void WriteData(TBitsEngine& be);

  TDataWriteEvent OnDataWrite;

 private:
  void LoadData();

  std::vector<uint8_t> owned_;
  const uint8_t* data_ = nullptr;
  uint32_t dataSize_ = 0;
  bool ownsData_ = true;
  std::shared_ptr<TFileStream> file_;  // data still in this file, at fileOffset_
  int64_t fileOffset_ = 0;
};

// A tag kept as bytes: a code without a class, or a tag whose reader failed
// (ErrorText then carries the reason). Written back under FileTagCode.
class TSWFByteCodeTag : public TSWFDataObject {
 public:
  TSWFByteCodeTag() : TSWFDataObject(kRawTagCode) {}

  void Assign(const TBasedSWFObject& source) override;
  void WriteToStream(TBitsEngine& be) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  uint16_t FileTagCode = 0;
  std::string ErrorText;
};

// ------------------------------------------------------------------ factory

using TTagCreator = std::function<std::unique_ptr<TSWFObject>()>;

class TSWFTagRegistry {
 public:
  static constexpr int kCodeCount = 1024;  // tag codes are 10 bits

  void Add(uint16_t code, std::string className, TTagCreator create);
  template <class T>
  void Add(uint16_t code, std::string className) {
    Add(code, std::move(className), [] { return std::unique_ptr<TSWFObject>(new T()); });
  }
  bool Has(uint16_t code) const { return code < kCodeCount && entries_[code].create != nullptr; }
  std::unique_ptr<TSWFObject> Create(uint16_t code) const;
  const std::string* ClassName(uint16_t code) const;

  // The registry with every family of TagFamilies.cpp, built on first use.
  static const TSWFTagRegistry& Instance();

 private:
  struct Entry {
    std::string className;
    TTagCreator create;
  };
  Entry entries_[kCodeCount];
};

// Calls every family's registration function (TagFamilies.cpp).
void RegisterTagFamilies(TSWFTagRegistry& registry);

// A new object of the class registered for code; any other code gives a
// TSWFByteCodeTag with ErrorText "Uniknow tag" and FileTagCode = code.
std::unique_ptr<TSWFObject> CreateTagObject(uint16_t code);
// "TSWFByteCodeTag" for codes without a class.
std::string TagClassName(uint16_t code);
// The format's name of a tag code ("DefineShape"), or "Unknown".
std::string TagName(uint16_t code);

// Writes a tag header: long (word with length 63, then the 32-bit length) when
// the length is 63 or more or the code is 20, 36 or 60; short otherwise.
void WriteTagHeader(TStream& s, uint16_t code, uint32_t length);
// Writes a tag whose body is already assembled: size bytes (the whole of body
// when size is 0) copied from body's current position.
void WriteTagFromStream(TStream& s, uint16_t code, TMemoryStream& body, uint32_t size = 0);

}  // namespace reelcast
