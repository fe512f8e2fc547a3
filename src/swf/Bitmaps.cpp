#include "swf/Bitmaps.h"

namespace reelcast {

namespace {

// Writes the JPEG part: the handler's bytes as they are, or Data framed so
// that it starts with an end-of-image/start-of-image pair (Data with its own
// start marker) or is wrapped in start and end markers (abbreviated Data).
void WriteJPEGPart(TSWFDataObject& tag, TBitsEngine& be) {
  if (tag.OnDataWrite) {
    tag.WriteData(be);
    return;
  }
  const uint8_t* d = tag.Data();
  const bool hasSOI = tag.DataSize() >= 2 && d[0] == 0xFF && d[1] == 0xD8;
  static const uint8_t kEOISOI[4] = {0xFF, 0xD9, 0xFF, 0xD8};
  if (hasSOI) {
    be.WriteBuffer(kEOISOI, 4);
    tag.WriteData(be);
  } else {
    be.WriteBuffer(kEOISOI + 2, 2);
    tag.WriteData(be);
    be.WriteBuffer(kEOISOI, 2);
  }
}

// Reads a JPEG part of size bytes written by WriteJPEGPart.
void ReadJPEGPart(TSWFDataObject& tag, TBitsEngine& be, int64_t size) {
  if (size < 4) throw EReadError("stream read error: JPEG data of " + std::to_string(size) + " bytes");
  uint8_t head[2];
  be.ReadBuffer(head, 2);
  if (head[0] == 0xFF && head[1] == 0xD9) {
    be.ReadBuffer(head, 2);
    tag.ReadData(be, static_cast<uint32_t>(size - 4));
  } else {
    tag.ReadData(be, static_cast<uint32_t>(size - 4));
    be.ReadBuffer(head, 2);
  }
}

int64_t Consumed(TBitsEngine& be, int64_t start) { return be.Stream().Position() - start; }

}  // namespace

void TSWFImageTag::Assign(const TBasedSWFObject& source) {
  TSWFDataObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFImageTag*>(&source)) CharacterId = s->CharacterId;
}

std::string TSWFImageTag::Describe() const {
  return "id " + std::to_string(CharacterId) + " data " + std::to_string(DataSize()) + " bytes";
}

void TSWFDefineBits::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  ReadJPEGPart(*this, be, BodySize - 2);
}

void TSWFDefineBits::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  WriteJPEGPart(*this, be);
}

void TSWFJPEGTables::ReadFromStream(TBitsEngine& be) { ReadJPEGPart(*this, be, BodySize); }
void TSWFJPEGTables::WriteTagBody(TBitsEngine& be) { WriteJPEGPart(*this, be); }
std::string TSWFJPEGTables::Describe() const {
  return "data " + std::to_string(DataSize()) + " bytes";
}

void TSWFDefineBitsJPEG3::Assign(const TBasedSWFObject& source) {
  TSWFDefineBitsJPEG2::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineBitsJPEG3*>(&source)) {
    if (s->OnAlphaWrite) {
      OnAlphaWrite = s->OnAlphaWrite;
      AlphaData.clear();
    } else {
      AlphaData = s->AlphaData;
      OwnsAlpha = s->OwnsAlpha;
    }
  }
}

void TSWFDefineBitsJPEG3::ReadFromStream(TBitsEngine& be) {
  OwnsAlpha = true;
  const int64_t start = be.Stream().Position();
  CharacterId = be.ReadWord();
  const uint32_t alphaOffset = be.ReadDWord();
  if (BodySize < 6 || alphaOffset > static_cast<uint32_t>(BodySize - 6))
    throw EReadError("stream read error: alpha offset past the end of the tag");
  ReadJPEGPart(*this, be, alphaOffset);
  const int64_t rest = BodySize - Consumed(be, start);
  if (rest > be.Stream().Remaining()) throw EReadError("stream read error: alpha data past the end");
  AlphaData.resize(static_cast<size_t>(rest));
  if (rest > 0) be.ReadBuffer(AlphaData.data(), AlphaData.size());
}

void TSWFDefineBitsJPEG3::WriteTagBody(TBitsEngine& be) {
  TStream& s = be.Stream();
  be.WriteWord(CharacterId);
  const int64_t field = s.Position();
  be.WriteDWord(0);
  WriteJPEGPart(*this, be);
  be.FlushBits(true);
  const int64_t end = s.Position();
  s.SetPosition(field);
  be.WriteDWord(static_cast<uint32_t>(end - field - 4));
  s.SetPosition(end);
  if (OnAlphaWrite)
    OnAlphaWrite(*this, be);
  else if (!AlphaData.empty())
    be.WriteBuffer(AlphaData.data(), AlphaData.size());
}

void TSWFDefineBitsLossless::Assign(const TBasedSWFObject& source) {
  TSWFImageTag::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineBitsLossless*>(&source)) {
    BitmapColorTableSize = s->BitmapColorTableSize;
    BitmapFormat = s->BitmapFormat;
    BitmapHeight = s->BitmapHeight;
    BitmapWidth = s->BitmapWidth;
  }
}

void TSWFDefineBitsLossless::ReadFromStream(TBitsEngine& be) {
  const int64_t start = be.Stream().Position();
  CharacterId = be.ReadWord();
  BitmapFormat = be.ReadByte();
  BitmapWidth = be.ReadWord();
  BitmapHeight = be.ReadWord();
  if (BitmapFormat == 3) BitmapColorTableSize = be.ReadByte();
  const int64_t rest = BodySize - Consumed(be, start);
  ReadData(be, rest > 0 ? static_cast<uint32_t>(rest) : 0u);
}

void TSWFDefineBitsLossless::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteByte(BitmapFormat);
  be.WriteWord(BitmapWidth);
  be.WriteWord(BitmapHeight);
  if (BitmapFormat == 3) be.WriteByte(BitmapColorTableSize);
  WriteData(be);
}

std::string TSWFDefineBitsLossless::Describe() const {
  std::string s = "id " + std::to_string(CharacterId) + " format " + std::to_string(BitmapFormat) +
                  " " + std::to_string(BitmapWidth) + "x" + std::to_string(BitmapHeight);
  if (BitmapFormat == 3) s += " colours " + std::to_string(BitmapColorTableSize + 1);
  return s + " data " + std::to_string(DataSize()) + " bytes";
}

void RegisterBitmapTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDefineBits>(6, "TSWFDefineBits");
  registry.Add<TSWFJPEGTables>(8, "TSWFJPEGTables");
  registry.Add<TSWFDefineBitsLossless>(20, "TSWFDefineBitsLossless");
  registry.Add<TSWFDefineBitsJPEG2>(21, "TSWFDefineBitsJPEG2");
  registry.Add<TSWFDefineBitsJPEG3>(35, "TSWFDefineBitsJPEG3");
  registry.Add<TSWFDefineBitsLossless2>(36, "TSWFDefineBitsLossless2");
}

}  // namespace reelcast
