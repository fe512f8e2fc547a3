// Bitmap tags: JPEG data (DefineBits, JPEGTables, DefineBitsJPEG2 and 3) and
// zlib-compressed pixel data (DefineBitsLossless and 2). The data itself is
// opaque here; only the JPEG start- and end-of-image markers are handled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "swf/SWFObject.h"

namespace reelcast {

class TSWFImageTag : public TSWFDataObject {
 public:
  using TSWFDataObject::TSWFDataObject;
  uint16_t CharacterId = 0;
  void Assign(const TBasedSWFObject& source) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  std::string Describe() const override;
};

// Data is JPEG data without the markers the tag adds.
class TSWFDefineBits : public TSWFImageTag {
 public:
  TSWFDefineBits() : TSWFImageTag(6) {}
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

 protected:
  explicit TSWFDefineBits(uint16_t code) : TSWFImageTag(code) {}
};

class TSWFJPEGTables : public TSWFDataObject {
 public:
  TSWFJPEGTables() : TSWFDataObject(8) {}
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineBitsJPEG2 : public TSWFDefineBits {
 public:
  TSWFDefineBitsJPEG2() : TSWFDefineBits(21) {}
  uint8_t MinVersion() const override { return 2; }

 protected:
  explicit TSWFDefineBitsJPEG2(uint16_t code) : TSWFDefineBits(code) {}
};

class TSWFDefineBitsJPEG3 : public TSWFDefineBitsJPEG2 {
 public:
  using TAlphaWriteEvent = std::function<void(TSWFDefineBitsJPEG3& sender, TBitsEngine& be)>;
  TSWFDefineBitsJPEG3() : TSWFDefineBitsJPEG2(35) {}
  // zlib-compressed alpha values, one per pixel.
  std::vector<uint8_t> AlphaData;
  size_t AlphaDataSize() const { return AlphaData.size(); }
  TAlphaWriteEvent OnAlphaWrite;
  bool OwnsAlpha = true;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override {
    return TSWFImageTag::Describe() + " alpha " + std::to_string(AlphaData.size()) + " bytes";
  }
};

class TSWFDefineBitsLossless : public TSWFImageTag {
 public:
  TSWFDefineBitsLossless() : TSWFImageTag(20) {}
  uint8_t BitmapColorTableSize = 0;  // colours - 1, format 3 only
  uint8_t BitmapFormat = 5;          // 3, 4 or 5
  uint16_t BitmapHeight = 0, BitmapWidth = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;

 protected:
  explicit TSWFDefineBitsLossless(uint16_t code) : TSWFImageTag(code) {}
};

class TSWFDefineBitsLossless2 : public TSWFDefineBitsLossless {
 public:
  TSWFDefineBitsLossless2() : TSWFDefineBitsLossless(36) {}
  uint8_t MinVersion() const override { return 3; }
};

void RegisterBitmapTags(TSWFTagRegistry& registry);

}  // namespace reelcast
