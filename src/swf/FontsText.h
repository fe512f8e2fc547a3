// Font and text tags: DefineFont 1 to 3 with their glyph outlines, the font
// info tags, align zones, DefineText 1 and 2 with their text records,
// DefineEditText and the CSM text settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "swf/Records.h"
#include "swf/SWFObject.h"
#include "swf/Shapes.h"

namespace reelcast {

using TGlyphList = std::vector<TShapeRecordList>;

class TSWFDefineFont : public TSWFObject {
 public:
  TSWFDefineFont() : TSWFDefineFont(10) {}
  uint16_t FontId = 0;
  TGlyphList Glyphs;  // each glyph an outline of shape records

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&FontId); }
  std::string Describe() const override;

 protected:
  explicit TSWFDefineFont(uint16_t code) : TSWFObject(code) {}
};

class TSWFDefineFontInfo : public TSWFObject {
 public:
  TSWFDefineFontInfo() : TSWFDefineFontInfo(13) {}
  std::vector<uint16_t> CodeTable;
  bool FontFlagsANSI = false, FontFlagsBold = false, FontFlagsItalic = false,
       FontFlagsShiftJIS = false, FontFlagsSmallText = false, FontFlagsWideCodes = false;
  uint16_t FontId = 0;
  std::string FontName;
  uint8_t SWFVersion = 0;  // reading context; the name is UTF-8 above 5
  // FontName holds the bytes read from a file: written back unconverted.
  bool NameAsRead = false;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void SetReadContext(const TSWFReadContext& context) override { SWFVersion = context.Version; }
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&FontId); }
  std::string Describe() const override;

 protected:
  explicit TSWFDefineFontInfo(uint16_t code) : TSWFObject(code) {}
};

class TSWFDefineFontInfo2 : public TSWFDefineFontInfo {
 public:
  TSWFDefineFontInfo2() : TSWFDefineFontInfo(62) { FontFlagsWideCodes = true; }
  uint8_t LanguageCode = 0;
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
};

class TSWFKerningRecord {
 public:
  int16_t Adjustment = 0;
  uint16_t Code1 = 0, Code2 = 0;
};

class TSWFDefineFont2 : public TSWFDefineFont {
 public:
  TSWFDefineFont2() : TSWFDefineFont(48) {}
  std::vector<uint16_t> CodeTable;
  std::vector<int16_t> AdvanceTable;
  uint16_t FontAscent = 0, FontDescent = 0;
  int16_t FontLeading = 0;
  std::vector<std::unique_ptr<TSWFRect>> BoundsTable;
  bool FontFlagsANSI = false, FontFlagsBold = false, FontFlagsHasLayout = false,
       FontFlagsItalic = false, FontFlagsShiftJIS = false, FontFlagsSmallText = false,
       FontFlagsWideCodes = false, FontFlagsWideOffsets = false;
  std::vector<std::unique_ptr<TSWFKerningRecord>> KerningTable;
  std::string FontName;
  uint8_t LanguageCode = 0;
  uint8_t SWFVersion = 0;
  // FontName holds the bytes read from a file: written back unconverted.
  bool NameAsRead = false;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void SetReadContext(const TSWFReadContext& context) override { SWFVersion = context.Version; }
  std::string Describe() const override;

 protected:
  explicit TSWFDefineFont2(uint16_t code) : TSWFDefineFont(code) {}
};

class TSWFDefineFont3 : public TSWFDefineFont2 {
 public:
  TSWFDefineFont3() : TSWFDefineFont2(75) { FontFlagsWideCodes = true; }
  uint8_t MinVersion() const override { return 8; }
  // No reading context: a font read from a file keeps version 0.
  void SetReadContext(const TSWFReadContext&) override {}
};

class TSWFZoneData {
 public:
  uint16_t AlignmentCoordinate = 0;  // half-precision float bits
  uint16_t Range = 0;
};

class TSWFZoneRecord {
 public:
  std::vector<TSWFZoneData> ZoneData;
  bool ZoneMaskY = false, ZoneMaskX = false;
  uint8_t NumZoneData() const { return static_cast<uint8_t>(ZoneData.size()); }
};

class TSWFDefineFontAlignZones : public TSWFObject {
 public:
  TSWFDefineFontAlignZones() : TSWFObject(73) {}
  uint8_t CSMTableHint = 0;  // 2 bits
  uint16_t FontId = 0;
  std::vector<TSWFZoneRecord> ZoneTable;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&FontId); }
  std::string Describe() const override;
};

class TSWFGlyphEntry {
 public:
  int32_t GlyphAdvance = 0;
  uint16_t GlyphIndex = 0;
};

class TSWFTextRecord {
 public:
  std::vector<TSWFGlyphEntry> GlyphEntries;
  bool HasColor = false, HasFont = false, HasXOffset = false, HasYOffset = false;
  bool HasAlpha = false;  // set by the text tag

  uint16_t FontId() const { return FFontId; }
  uint16_t TextHeight() const { return FTextHeight; }
  int32_t XOffset() const { return FXOffset; }
  int32_t YOffset() const { return FYOffset; }
  void SetFontId(uint16_t v) { FFontId = v; HasFont = true; }
  void SetTextHeight(uint16_t v) { FTextHeight = v; HasFont = true; }
  void SetXOffset(int32_t v) { FXOffset = v; HasXOffset = true; }
  void SetYOffset(int32_t v) { FYOffset = v; HasYOffset = true; }
  // The colour, turning HasColor on.
  TSWFRGBA& TextColor() {
    HasColor = true;
    return FTextColor;
  }
  const TSWFRGBA& TextColorView() const { return FTextColor; }
  uint16_t& FontIdRef() { return FFontId; }

  void Assign(const TSWFTextRecord& source);
  void WriteToStream(TBitsEngine& be, uint8_t glyphBits, uint8_t advanceBits);
  // Reads the record whose flag byte has been read already.
  void ReadFromStream(TBitsEngine& be, uint8_t flags, uint8_t glyphBits, uint8_t advanceBits);

 private:
  uint16_t FFontId = 0, FTextHeight = 0;
  int32_t FXOffset = 0, FYOffset = 0;
  TSWFRGBA FTextColor;
};

class TSWFDefineText : public TSWFObject {
 public:
  TSWFDefineText() : TSWFDefineText(11) {}
  uint8_t AdvanceBits = 0, GlyphBits = 0;
  uint16_t TextId = 0;
  bool HasAlpha = false;
  TSWFRect TextBounds;
  TSWFMatrix TextMatrix;
  std::vector<std::unique_ptr<TSWFTextRecord>> TextRecords;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&TextId); }
  void CharacterReferences(std::vector<uint16_t*>& ids) override;
  std::string Describe() const override;

 protected:
  explicit TSWFDefineText(uint16_t code) : TSWFObject(code) {}
};

class TSWFDefineText2 : public TSWFDefineText {
 public:
  TSWFDefineText2() : TSWFDefineText(33) { HasAlpha = true; }
  uint8_t MinVersion() const override { return 3; }
};

class TSWFDefineEditText : public TSWFObject {
 public:
  TSWFDefineEditText() : TSWFObject(37) { FTextColor.SetHasAlpha(true); }
  uint16_t CharacterId = 0;
  TSWFRect Bounds;
  bool HasText = false, WordWrap = false, Multiline = false, Password = false, ReadOnly = false,
       HasTextColor = false, HasMaxLength = false, HasFont = false, AutoSize = false,
       HasLayout = false, NoSelect = false, Border = false, HTML = false, UseOutlines = false;
  uint16_t FontId = 0, FontHeight = 0;
  uint16_t MaxLength = 0;
  uint8_t Align = 0;
  uint16_t LeftMargin = 0, RightMargin = 0, Indent = 0, Leading = 0;
  std::string VariableName;
  std::string InitialText;
  std::u16string WideInitialText;  // takes precedence when not empty
  uint8_t SWFVersion = 0;
  TSWFRGBA& TextColor() {
    HasTextColor = true;
    return FTextColor;
  }
  const TSWFRGBA& TextColorView() const { return FTextColor; }

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return AutoSize ? 6 : 4; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  void CharacterReferences(std::vector<uint16_t*>& ids) override {
    if (HasFont) ids.push_back(&FontId);
  }
  std::string Describe() const override;

 private:
  TSWFRGBA FTextColor;
};

class TSWFCSMTextSettings : public TSWFObject {
 public:
  TSWFCSMTextSettings() : TSWFObject(74) {}
  uint8_t GridFit = 0;  // 3 bits
  float Sharpness = 0;
  uint16_t TextId = 0;
  float Thickness = 0;
  uint8_t UseFlashType = 0;  // 2 bits

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&TextId); }
  std::string Describe() const override;
};

void RegisterFontTextTags(TSWFTagRegistry& registry);

}  // namespace reelcast
