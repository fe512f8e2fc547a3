#include "swf/SWFObject.h"

#include <cstring>

#include "swf/SplicedStream.h"

namespace reelcast {

// --------------------------------------------------------------- TSWFObject

void TSWFObject::Assign(const TBasedSWFObject& source) {
  if (auto* s = dynamic_cast<const TSWFObject*>(&source)) BodySize = s->BodySize;
}

void TSWFObject::WriteToStream(TBitsEngine& be) { WriteTagWithCode(be, TagID); }

void TSWFObject::WriteTagWithCode(TBitsEngine& be, uint16_t code) {
  be.FlushBits(true);
  if (code == 0 || code == 1) {
    // End and ShowFrame: the header word alone, length 0.
    BodySize = 0;
    be.WriteWord(static_cast<uint16_t>(code << 6));
    return;
  }
  // Each body is assembled in its own stream, so bodies never share a
  // partial bit byte and the length is exact. Payloads kept in files stay
  // references on their way into the movie body.
  TSplicedStream body;
  {
    TBitsEngine bodyEngine(body);
    WriteTagBody(bodyEngine);
    bodyEngine.FlushBits(true);
  }
  BodySize = static_cast<int32_t>(body.Size());
  WriteTagHeader(be.Stream(), code, static_cast<uint32_t>(BodySize));
  body.CopyRangeTo(0, static_cast<uint64_t>(BodySize), be.Stream());
}

std::unique_ptr<TSWFObject> TSWFObject::Clone() const {
  auto copy = CreateTagObject(TagID);
  copy->Assign(*this);
  return copy;
}

std::string TSWFObject::ClassName() const { return TagClassName(TagID); }

// ----------------------------------------------------------- TSWFDataObject

void TSWFDataObject::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDataObject*>(&source);
  if (!s) return;
  if (s->OnDataWrite) {
    OnDataWrite = s->OnDataWrite;
    SetData(nullptr, 0);
    return;
  }
  if (s->file_) {
    SetDataInFile(s->file_, s->fileOffset_, s->dataSize_);
    return;
  }
  // The copy always holds its own bytes, whoever owned the source's.
  SetData(s->data_, s->dataSize_);
}

const uint8_t* TSWFDataObject::Data() const {
  if (file_) const_cast<TSWFDataObject*>(this)->LoadData();
  return data_;
}

void TSWFDataObject::LoadData() {
  std::vector<uint8_t> bytes(dataSize_);
  file_->ReadAt(fileOffset_, bytes.data(), bytes.size());
  SetData(std::move(bytes));
}

void TSWFDataObject::SetDataInFile(std::shared_ptr<TFileStream> file, int64_t offset, uint32_t size) {
  owned_.clear();
  owned_.shrink_to_fit();
  data_ = nullptr;
  dataSize_ = size;
  ownsData_ = true;
  file_ = std::move(file);
  fileOffset_ = offset;
}

void TSWFDataObject::SetData(const void* bytes, uint32_t size) {
  std::vector<uint8_t> copy;
  if (size > 0) copy.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
  SetData(std::move(copy));
}

void TSWFDataObject::SetData(std::vector<uint8_t>&& bytes) {
  file_.reset();
  owned_ = std::move(bytes);
  data_ = owned_.data();
  dataSize_ = static_cast<uint32_t>(owned_.size());
  ownsData_ = true;
}

void TSWFDataObject::SetDataReference(const uint8_t* bytes, uint32_t size) {
  file_.reset();
  owned_.clear();
  owned_.shrink_to_fit();
  data_ = bytes;
  dataSize_ = size;
  ownsData_ = false;
}

void TSWFDataObject::ReadData(TBitsEngine& be, uint32_t size) {
  if (static_cast<int64_t>(size) > be.Stream().Remaining())
    throw EReadError("stream read error: data of " + std::to_string(size) +
                     " bytes runs past the end of the tag");
  if (auto* window = dynamic_cast<TFileWindowStream*>(&be.Stream()); window && size >= kMinFileData) {
    SetDataInFile(window->File(), window->FileOffset(), size);
    window->Seek(size, TSeekOrigin::Current);
    return;
  }
  std::vector<uint8_t> bytes(size);
  be.ReadBuffer(bytes.data(), size);
  SetData(std::move(bytes));
}

void TSWFDataObject::WriteData(TBitsEngine& be) {
  if (OnDataWrite) {
    OnDataWrite(*this, be);
  } else if (file_ && be.PendingBits() == 0) {
    if (auto* body = dynamic_cast<TSplicedStream*>(&be.Stream())) {
      body->Splice(file_, fileOffset_, dataSize_);
    } else {
      TFileWindowStream bytes(file_, fileOffset_, dataSize_);
      be.Stream().CopyFrom(bytes, dataSize_);
    }
  } else if (dataSize_ > 0) {
    Data();
    be.WriteBuffer(data_, dataSize_);
  }
}

// ---------------------------------------------------------- TSWFByteCodeTag

void TSWFByteCodeTag::Assign(const TBasedSWFObject& source) {
  TSWFDataObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFByteCodeTag*>(&source)) {
    FileTagCode = s->FileTagCode;
    ErrorText = s->ErrorText;
  }
}

void TSWFByteCodeTag::WriteToStream(TBitsEngine& be) {
  // Always under the code read from the file. An End or ShowFrame that came
  // with body bytes keeps them rather than losing them.
  if ((FileTagCode == 0 || FileTagCode == 1) && DataSize() > 0) {
    be.FlushBits(true);
    BodySize = static_cast<int32_t>(DataSize());
    WriteTagHeader(be.Stream(), FileTagCode, DataSize());
    be.Stream().WriteBuffer(Data(), DataSize());
    return;
  }
  WriteTagWithCode(be, FileTagCode);
}

void TSWFByteCodeTag::ReadFromStream(TBitsEngine& be) {
  ReadData(be, BodySize < 0 ? 0u : static_cast<uint32_t>(BodySize));
}

void TSWFByteCodeTag::WriteTagBody(TBitsEngine& be) { WriteData(be); }

// ------------------------------------------------------------------ factory

void TSWFTagRegistry::Add(uint16_t code, std::string className, TTagCreator create) {
  if (code >= kCodeCount) throw ESWFError("tag code out of range: " + std::to_string(code));
  entries_[code] = Entry{std::move(className), std::move(create)};
}

std::unique_ptr<TSWFObject> TSWFTagRegistry::Create(uint16_t code) const {
  if (!Has(code)) return nullptr;
  return entries_[code].create();
}

const std::string* TSWFTagRegistry::ClassName(uint16_t code) const {
  return Has(code) ? &entries_[code].className : nullptr;
}

const TSWFTagRegistry& TSWFTagRegistry::Instance() {
  static const TSWFTagRegistry* registry = [] {
    auto* r = new TSWFTagRegistry();
    RegisterTagFamilies(*r);
    return r;
  }();
  return *registry;
}

std::unique_ptr<TSWFObject> CreateTagObject(uint16_t code) {
  if (auto object = TSWFTagRegistry::Instance().Create(code)) return object;
  auto raw = std::make_unique<TSWFByteCodeTag>();
  raw->ErrorText = "Uniknow tag";
  raw->FileTagCode = code;
  return raw;
}

std::string TagClassName(uint16_t code) {
  if (const std::string* name = TSWFTagRegistry::Instance().ClassName(code)) return *name;
  return "TSWFByteCodeTag";
}

std::string TagName(uint16_t code) {
  // The format's names, also for codes that no class handles yet.
  static const struct {
    uint16_t code;
    const char* name;
  } kNames[] = {
      {0, "End"}, {1, "ShowFrame"}, {2, "DefineShape"}, {4, "PlaceObject"},
      {5, "RemoveObject"}, {6, "DefineBits"}, {7, "DefineButton"}, {8, "JPEGTables"},
      {9, "SetBackgroundColor"}, {10, "DefineFont"}, {11, "DefineText"}, {12, "DoAction"},
      {13, "DefineFontInfo"}, {14, "DefineSound"}, {15, "StartSound"},
      {17, "DefineButtonSound"}, {18, "SoundStreamHead"}, {19, "SoundStreamBlock"},
      {20, "DefineBitsLossless"}, {21, "DefineBitsJPEG2"}, {22, "DefineShape2"},
      {23, "DefineButtonCxform"}, {24, "Protect"}, {26, "PlaceObject2"}, {28, "RemoveObject2"},
      {32, "DefineShape3"}, {33, "DefineText2"}, {34, "DefineButton2"}, {35, "DefineBitsJPEG3"},
      {36, "DefineBitsLossless2"}, {37, "DefineEditText"}, {39, "DefineSprite"},
      {43, "FrameLabel"}, {45, "SoundStreamHead2"}, {46, "DefineMorphShape"},
      {48, "DefineFont2"}, {56, "ExportAssets"}, {57, "ImportAssets"}, {58, "EnableDebugger"},
      {59, "DoInitAction"}, {60, "DefineVideoStream"}, {61, "VideoFrame"},
      {62, "DefineFontInfo2"}, {64, "EnableDebugger2"}, {65, "ScriptLimits"},
      {66, "SetTabIndex"}, {69, "FileAttributes"}, {70, "PlaceObject3"}, {71, "ImportAssets2"},
      {72, "DoABCDefine"}, {73, "DefineFontAlignZones"}, {74, "CSMTextSettings"},
      {75, "DefineFont3"}, {76, "SymbolClass"}, {77, "Metadata"}, {78, "DefineScalingGrid"},
      {82, "DoABC"}, {83, "DefineShape4"}, {84, "DefineMorphShape2"},
      {86, "DefineSceneAndFrameLabelData"}, {87, "DefineBinaryData"}, {88, "DefineFontName"},
      {89, "StartSound2"}, {90, "DefineBitsJPEG4"}, {91, "DefineFont4"},
      {93, "EnableTelemetry"}, {kRawTagCode, "ByteCodeTag"}};
  for (const auto& entry : kNames)
    if (entry.code == code) return entry.name;
  return "Unknown";
}

void WriteTagHeader(TStream& s, uint16_t code, uint32_t length) {
  bool longHeader = length >= 63 || code == 20 || code == 36 || code == 60;
  uint8_t bytes[6];
  uint16_t word = static_cast<uint16_t>((code << 6) | (longHeader ? 63 : length));
  bytes[0] = static_cast<uint8_t>(word);
  bytes[1] = static_cast<uint8_t>(word >> 8);
  if (!longHeader) {
    s.WriteBuffer(bytes, 2);
    return;
  }
  bytes[2] = static_cast<uint8_t>(length);
  bytes[3] = static_cast<uint8_t>(length >> 8);
  bytes[4] = static_cast<uint8_t>(length >> 16);
  bytes[5] = static_cast<uint8_t>(length >> 24);
  s.WriteBuffer(bytes, 6);
}

void WriteTagFromStream(TStream& s, uint16_t code, TMemoryStream& body, uint32_t size) {
  uint32_t length = size != 0 ? size : static_cast<uint32_t>(body.Remaining());
  WriteTagHeader(s, code, length);
  s.CopyFrom(body, length);
}

}  // namespace reelcast
