#include "swf/FontsText.h"

#include "app/TextConvert.h"
#include "swf/TagText.h"

namespace reelcast {

namespace {

int64_t BodyEnd(TBitsEngine& be, int32_t bodySize) { return be.Stream().Position() + bodySize; }

// Writes one glyph: the bit-count byte (one fill bit, no line bits), its
// records with those counts, an end record, aligned.
void WriteGlyph(TBitsEngine& be, const TShapeRecordList& glyph) {
  be.WriteByte(0x10);
  WriteShapeRecords(be, glyph, false, 1, 0, true);
}

void ReadGlyph(TBitsEngine& be, TShapeRecordList& glyph) {
  const uint8_t b = be.ReadByte();
  ReadShapeRecords(be, glyph, b >> 4, nullptr, b & 15);
}

void CopyGlyphs(const TGlyphList& source, TGlyphList& dest) {
  dest.clear();
  for (const auto& g : source) {
    dest.emplace_back();
    CopyShapeRecords(g, dest.back());
  }
}

// A font name: length byte and bytes, UTF-8 when asked.
void WriteFontName(TBitsEngine& be, const std::string& name, bool utf8) {
  std::string bytes = utf8 ? AnsiToUtf8(name) : name;
  if (bytes.size() > 255) bytes.resize(255);
  be.WriteByte(static_cast<uint8_t>(bytes.size()));
  be.WriteBuffer(bytes.data(), bytes.size());
}

std::string ReadFontName(TBitsEngine& be) {
  const uint8_t n = be.ReadByte();
  std::string s(n, '\0');
  if (n) be.ReadBuffer(s.data(), n);
  return s;
}

}  // namespace

// ---------------------------------------------------------------- DefineFont

void TSWFDefineFont::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineFont*>(&source)) {
    FontId = s->FontId;
    CopyGlyphs(s->Glyphs, Glyphs);
  }
}

void TSWFDefineFont::ReadFromStream(TBitsEngine& be) {
  FontId = be.ReadWord();
  const uint16_t first = be.ReadWord();
  const size_t count = first / 2;
  for (size_t i = 1; i < count; ++i) be.ReadWord();
  Glyphs.clear();
  for (size_t i = 0; i < count; ++i) {
    Glyphs.emplace_back();
    ReadGlyph(be, Glyphs.back());
  }
}

void TSWFDefineFont::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontId);
  if (Glyphs.empty()) {
    be.WriteWord(0);
    return;
  }
  TStream& s = be.Stream();
  const int64_t table = s.Position();
  for (size_t i = 0; i < Glyphs.size(); ++i) be.WriteWord(0);
  std::vector<int64_t> offsets;
  for (const auto& g : Glyphs) {
    offsets.push_back(s.Position() - table);
    WriteGlyph(be, g);
  }
  const int64_t end = s.Position();
  s.SetPosition(table);
  for (int64_t o : offsets) be.WriteWord(static_cast<uint16_t>(o));
  s.SetPosition(end);
}

std::string TSWFDefineFont::Describe() const {
  return "id " + std::to_string(FontId) + " glyphs " + std::to_string(Glyphs.size());
}

// ------------------------------------------------------------ DefineFontInfo

void TSWFDefineFontInfo::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineFontInfo*>(&source)) {
    CodeTable = s->CodeTable;
    FontFlagsANSI = s->FontFlagsANSI;
    FontFlagsBold = s->FontFlagsBold;
    FontFlagsItalic = s->FontFlagsItalic;
    FontFlagsShiftJIS = s->FontFlagsShiftJIS;
    FontFlagsSmallText = s->FontFlagsSmallText;
    FontFlagsWideCodes = s->FontFlagsWideCodes;
    FontId = s->FontId;
    FontName = s->FontName;
    SWFVersion = s->SWFVersion;
    NameAsRead = s->NameAsRead;
  }
}

// The body does not carry the number of codes: it is what the rest of the
// body holds, one or two bytes per code.
void TSWFDefineFontInfo::ReadFromStream(TBitsEngine& be) {
  const int64_t end = BodyEnd(be, BodySize);
  FontId = be.ReadWord();
  FontName = ReadFontName(be);
  NameAsRead = true;
  const uint8_t f = be.ReadByte();
  FontFlagsSmallText = f & 0x20;
  FontFlagsShiftJIS = f & 0x10;
  FontFlagsANSI = f & 0x08;
  FontFlagsItalic = f & 0x04;
  FontFlagsBold = f & 0x02;
  FontFlagsWideCodes = f & 0x01;
  CodeTable.clear();
  TStream& s = be.Stream();
  while (s.Position() + (FontFlagsWideCodes ? 2 : 1) <= end)
    CodeTable.push_back(FontFlagsWideCodes ? be.ReadWord() : be.ReadByte());
}

void TSWFDefineFontInfo::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontId);
  WriteFontName(be, FontName, SWFVersion > 5 && !NameAsRead);
  be.WriteBits(0u, 2);
  be.WriteBit(FontFlagsSmallText);
  be.WriteBit(FontFlagsShiftJIS);
  be.WriteBit(FontFlagsANSI);
  be.WriteBit(FontFlagsItalic);
  be.WriteBit(FontFlagsBold);
  be.WriteBit(FontFlagsWideCodes);
  for (uint16_t c : CodeTable) {
    if (FontFlagsWideCodes)
      be.WriteWord(c);
    else
      be.WriteByte(static_cast<uint8_t>(c));
  }
}

std::string TSWFDefineFontInfo::Describe() const {
  return "font " + std::to_string(FontId) + " \"" + FontName + "\" codes " +
         std::to_string(CodeTable.size()) + text::Flag("bold", FontFlagsBold) +
         text::Flag("italic", FontFlagsItalic) + text::Flag("wide", FontFlagsWideCodes);
}

void TSWFDefineFontInfo2::Assign(const TBasedSWFObject& source) {
  TSWFDefineFontInfo::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineFontInfo2*>(&source)) LanguageCode = s->LanguageCode;
}

void TSWFDefineFontInfo2::ReadFromStream(TBitsEngine& be) {
  const int64_t end = BodyEnd(be, BodySize);
  FontId = be.ReadWord();
  FontName = ReadFontName(be);
  NameAsRead = true;
  const uint8_t f = be.ReadByte();
  FontFlagsSmallText = f & 0x20;
  FontFlagsShiftJIS = f & 0x10;
  FontFlagsANSI = f & 0x08;
  FontFlagsItalic = f & 0x04;
  FontFlagsBold = f & 0x02;
  FontFlagsWideCodes = true;
  LanguageCode = be.ReadByte();
  CodeTable.clear();
  while (be.Stream().Position() + 2 <= end) CodeTable.push_back(be.ReadWord());
}

void TSWFDefineFontInfo2::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontId);
  WriteFontName(be, FontName, !NameAsRead);
  be.WriteBits(0u, 2);
  be.WriteBit(FontFlagsSmallText);
  be.WriteBit(FontFlagsShiftJIS);
  be.WriteBit(FontFlagsANSI);
  be.WriteBit(FontFlagsItalic);
  be.WriteBit(FontFlagsBold);
  be.WriteBit(true);
  be.WriteByte(LanguageCode);
  for (uint16_t c : CodeTable) be.WriteWord(c);
}

// --------------------------------------------------------------- DefineFont2

void TSWFDefineFont2::Assign(const TBasedSWFObject& source) {
  TSWFDefineFont::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineFont2*>(&source);
  if (!s) return;
  CodeTable = s->CodeTable;
  FontFlagsANSI = s->FontFlagsANSI;
  FontFlagsBold = s->FontFlagsBold;
  FontFlagsHasLayout = s->FontFlagsHasLayout;
  FontFlagsItalic = s->FontFlagsItalic;
  FontFlagsShiftJIS = s->FontFlagsShiftJIS;
  FontFlagsSmallText = s->FontFlagsSmallText;
  FontFlagsWideCodes = s->FontFlagsWideCodes;
  FontFlagsWideOffsets = s->FontFlagsWideOffsets;
  FontName = s->FontName;
  NameAsRead = s->NameAsRead;
  LanguageCode = s->LanguageCode;
  SWFVersion = s->SWFVersion;
  AdvanceTable.clear();
  BoundsTable.clear();
  KerningTable.clear();
  if (s->FontFlagsHasLayout) {
    FontAscent = s->FontAscent;
    FontDescent = s->FontDescent;
    FontLeading = s->FontLeading;
    AdvanceTable = s->AdvanceTable;
    for (const auto& r : s->BoundsTable) BoundsTable.push_back(std::make_unique<TSWFRect>(*r));
    for (const auto& k : s->KerningTable)
      KerningTable.push_back(std::make_unique<TSWFKerningRecord>(*k));
  }
}

void TSWFDefineFont2::ReadFromStream(TBitsEngine& be) {
  TStream& s = be.Stream();
  const int64_t end = BodyEnd(be, BodySize);
  FontId = be.ReadWord();
  const uint8_t f = be.ReadByte();
  FontFlagsHasLayout = f & 0x80;
  FontFlagsShiftJIS = f & 0x40;
  FontFlagsSmallText = f & 0x20;
  FontFlagsANSI = f & 0x10;
  FontFlagsWideOffsets = f & 0x08;
  FontFlagsWideCodes = f & 0x04;
  FontFlagsItalic = f & 0x02;
  FontFlagsBold = f & 0x01;
  LanguageCode = be.ReadByte();
  FontName = ReadFontName(be);
  NameAsRead = true;
  const uint16_t numGlyphs = be.ReadWord();
  const int64_t table = s.Position();
  const int entry = FontFlagsWideOffsets ? 4 : 2;
  if (numGlyphs == 0 && s.Position() >= end) return;  // a font without outlines or codes
  if (table + static_cast<int64_t>(numGlyphs + 1) * entry > end)
    throw EReadError("stream read error: font offset table runs past the end of the tag");
  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; i <= numGlyphs; ++i)
    offsets.push_back(FontFlagsWideOffsets ? be.ReadDWord() : be.ReadWord());
  Glyphs.clear();
  for (uint32_t i = 0; i < numGlyphs; ++i) {
    if (table + offsets[i] >= end)
      throw EReadError("stream read error: glyph offset points outside the tag");
    s.SetPosition(table + offsets[i]);
    Glyphs.emplace_back();
    ReadGlyph(be, Glyphs.back());
  }
  CodeTable.clear();
  for (uint32_t i = 0; i < numGlyphs; ++i)
    CodeTable.push_back(FontFlagsWideCodes ? be.ReadWord() : be.ReadByte());
  AdvanceTable.clear();
  BoundsTable.clear();
  KerningTable.clear();
  if (FontFlagsHasLayout) {
    FontAscent = be.ReadWord();
    FontDescent = be.ReadWord();
    FontLeading = static_cast<int16_t>(be.ReadWord());
    for (uint32_t i = 0; i < numGlyphs; ++i) AdvanceTable.push_back(static_cast<int16_t>(be.ReadWord()));
    for (uint32_t i = 0; i < numGlyphs; ++i)
      BoundsTable.push_back(std::make_unique<TSWFRect>(be.ReadRectRec()));
    const uint16_t kernings = be.ReadWord();
    for (uint32_t i = 0; i < kernings; ++i) {
      auto k = std::make_unique<TSWFKerningRecord>();
      k->Code1 = FontFlagsWideCodes ? be.ReadWord() : be.ReadByte();
      k->Code2 = FontFlagsWideCodes ? be.ReadWord() : be.ReadByte();
      k->Adjustment = static_cast<int16_t>(be.ReadWord());
      KerningTable.push_back(std::move(k));
    }
  }
}

void TSWFDefineFont2::WriteTagBody(TBitsEngine& be) {
  TStream& s = be.Stream();
  // The first record of each glyph selects fill style 1.
  for (auto& g : Glyphs) {
    if (g.empty()) continue;
    auto* sc = dynamic_cast<TSWFStyleChangeRecord*>(g.front().get());
    if (!sc) continue;
    const bool none = !sc->StateFillStyle0 && !sc->StateFillStyle1;
    const bool zero1 = sc->StateFillStyle1 && sc->FillStyle1() == 0;
    if (none || zero1) {
      sc->SetFillStyle1(1);
      sc->StateFillStyle0 = false;
      sc->StateLineStyle = true;
    }
  }
  // Glyph outlines first, so that the offset width is known.
  TMemoryStream glyphs;
  TBitsEngine gbe(glyphs);
  std::vector<uint32_t> offsets;
  for (const auto& g : Glyphs) {
    offsets.push_back(static_cast<uint32_t>(glyphs.Position()));
    WriteGlyph(gbe, g);
  }
  const size_t numGlyphs = CodeTable.size();
  while (offsets.size() < numGlyphs) offsets.push_back(static_cast<uint32_t>(glyphs.Position()));
  offsets.resize(numGlyphs);
  if (!FontFlagsWideOffsets && (numGlyphs + 1) * 2 + glyphs.Size() > 0xFFFF)
    FontFlagsWideOffsets = true;  // narrow offsets cannot reach past 64 KB
  const bool layout = FontFlagsHasLayout && !CodeTable.empty();

  be.WriteWord(FontId);
  be.WriteBit(layout);
  be.WriteBit(FontFlagsShiftJIS);
  be.WriteBit(FontFlagsSmallText);
  be.WriteBit(FontFlagsANSI || CodeTable.empty());
  be.WriteBit(FontFlagsWideOffsets);
  be.WriteBit(FontFlagsWideCodes);
  be.WriteBit(FontFlagsItalic);
  be.WriteBit(FontFlagsBold);
  be.WriteByte(LanguageCode);
  WriteFontName(be, FontName, SWFVersion > 5 && !NameAsRead);
  be.WriteWord(static_cast<uint16_t>(numGlyphs));
  const uint32_t entry = FontFlagsWideOffsets ? 4 : 2;
  const uint32_t tableSize = static_cast<uint32_t>(numGlyphs + 1) * entry;
  auto writeOffset = [&](uint32_t o) {
    if (FontFlagsWideOffsets)
      be.WriteDWord(o);
    else
      be.WriteWord(static_cast<uint16_t>(o));
  };
  for (uint32_t o : offsets) writeOffset(tableSize + o);
  writeOffset(tableSize + static_cast<uint32_t>(glyphs.Size()));
  if (glyphs.Size() > 0) be.WriteBuffer(glyphs.Memory(), static_cast<size_t>(glyphs.Size()));
  for (uint16_t c : CodeTable) {
    if (FontFlagsWideCodes)
      be.WriteWord(c);
    else
      be.WriteByte(static_cast<uint8_t>(c));
  }
  if (layout) {
    be.WriteWord(FontAscent);
    be.WriteWord(FontDescent);
    be.WriteWord(static_cast<uint16_t>(FontLeading));
    for (int16_t a : AdvanceTable) be.WriteWord(static_cast<uint16_t>(a));
    for (const auto& r : BoundsTable) be.WriteRect(r->Rec());
    be.WriteWord(static_cast<uint16_t>(KerningTable.size()));
    for (const auto& k : KerningTable) {
      if (FontFlagsWideCodes) {
        be.WriteWord(k->Code1);
        be.WriteWord(k->Code2);
      } else {
        be.WriteByte(static_cast<uint8_t>(k->Code1));
        be.WriteByte(static_cast<uint8_t>(k->Code2));
      }
      be.WriteWord(static_cast<uint16_t>(k->Adjustment));
    }
  }
  (void)s;
}

std::string TSWFDefineFont2::Describe() const {
  return "id " + std::to_string(FontId) + " \"" + FontName + "\" glyphs " +
         std::to_string(Glyphs.size()) + " codes " + std::to_string(CodeTable.size()) +
         text::Flag("layout", FontFlagsHasLayout) + text::Flag("bold", FontFlagsBold) +
         text::Flag("italic", FontFlagsItalic) + text::Flag("wide-codes", FontFlagsWideCodes) +
         text::Flag("wide-offsets", FontFlagsWideOffsets) +
         (FontFlagsHasLayout ? " kerning " + std::to_string(KerningTable.size()) : "");
}

// ------------------------------------------------------------ FontAlignZones

void TSWFDefineFontAlignZones::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineFontAlignZones*>(&source)) {
    CSMTableHint = s->CSMTableHint;
    FontId = s->FontId;
    ZoneTable = s->ZoneTable;
  }
}

void TSWFDefineFontAlignZones::ReadFromStream(TBitsEngine& be) {
  const int64_t end = BodyEnd(be, BodySize);
  FontId = be.ReadWord();
  CSMTableHint = be.ReadByte() >> 6;
  ZoneTable.clear();
  while (be.Stream().Position() < end) {
    TSWFZoneRecord r;
    const uint8_t n = be.ReadByte();
    for (uint8_t i = 0; i < n; ++i) {
      TSWFZoneData d;
      d.AlignmentCoordinate = be.ReadWord();
      d.Range = be.ReadWord();
      r.ZoneData.push_back(d);
    }
    const uint8_t f = be.ReadByte();
    r.ZoneMaskY = f & 0x80;
    r.ZoneMaskX = f & 0x40;
    ZoneTable.push_back(std::move(r));
  }
}

void TSWFDefineFontAlignZones::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontId);
  be.WriteByte(static_cast<uint8_t>((CSMTableHint & 3) * 64));
  for (const auto& r : ZoneTable) {
    be.WriteByte(r.NumZoneData());
    for (const auto& d : r.ZoneData) {
      be.WriteWord(d.AlignmentCoordinate);
      be.WriteWord(d.Range);
    }
    be.WriteBit(r.ZoneMaskY);
    be.WriteBit(r.ZoneMaskX);
    be.FlushBits(true);
  }
}

std::string TSWFDefineFontAlignZones::Describe() const {
  return "font " + std::to_string(FontId) + " hint " + std::to_string(CSMTableHint) + " zones " +
         std::to_string(ZoneTable.size());
}

// --------------------------------------------------------------- text records

void TSWFTextRecord::Assign(const TSWFTextRecord& source) {
  GlyphEntries = source.GlyphEntries;
  HasColor = source.HasColor;
  HasFont = source.HasFont;
  HasXOffset = source.HasXOffset;
  HasYOffset = source.HasYOffset;
  HasAlpha = source.HasAlpha;
  FFontId = source.FFontId;
  FTextHeight = source.FTextHeight;
  FXOffset = source.FXOffset;
  FYOffset = source.FYOffset;
  FTextColor.SetHasAlpha(source.FTextColor.HasAlpha());
  FTextColor.Assign(source.FTextColor);
}

void TSWFTextRecord::WriteToStream(TBitsEngine& be, uint8_t glyphBits, uint8_t advanceBits) {
  be.WriteBit(true);
  be.WriteBits(0u, 3);
  be.WriteBit(HasFont);
  be.WriteBit(HasColor);
  be.WriteBit(HasYOffset);
  be.WriteBit(HasXOffset);
  if (HasFont) be.WriteWord(FFontId);
  if (HasColor) {
    if (HasAlpha)
      be.WriteRGBA(FTextColor.GetRGBA());
    else
      be.WriteRGB(FTextColor.RGB());
  }
  if (HasXOffset) be.WriteWord(static_cast<uint16_t>(FXOffset));
  if (HasYOffset) be.WriteWord(static_cast<uint16_t>(FYOffset));
  if (HasFont) be.WriteWord(FTextHeight);
  const size_t n = std::min<size_t>(GlyphEntries.size(), 255);
  be.WriteByte(static_cast<uint8_t>(n));
  for (size_t i = 0; i < n; ++i) {
    be.WriteBits(static_cast<uint32_t>(GlyphEntries[i].GlyphIndex), glyphBits);
    be.WriteBits(GlyphEntries[i].GlyphAdvance, advanceBits);
  }
  be.FlushBits(true);
}

void TSWFTextRecord::ReadFromStream(TBitsEngine& be, uint8_t flags, uint8_t glyphBits,
                                    uint8_t advanceBits) {
  HasFont = flags & 8;
  HasColor = flags & 4;
  HasYOffset = flags & 2;
  HasXOffset = flags & 1;
  if (HasFont) FFontId = be.ReadWord();
  if (HasColor) {
    FTextColor.SetHasAlpha(HasAlpha);
    if (HasAlpha)
      FTextColor.SetRGBA(be.ReadRGBA());
    else
      FTextColor.SetRGB(be.ReadRGB());
  }
  if (HasXOffset) FXOffset = be.ReadWord();
  if (HasYOffset) FYOffset = be.ReadWord();
  if (HasFont) FTextHeight = be.ReadWord();
  const uint8_t n = be.ReadByte();
  GlyphEntries.clear();
  for (uint8_t i = 0; i < n; ++i) {
    TSWFGlyphEntry e;
    e.GlyphIndex = static_cast<uint16_t>(be.ReadBits(glyphBits));
    e.GlyphAdvance = be.ReadSBits(advanceBits);
    GlyphEntries.push_back(e);
  }
  be.FlushBits(false);
}

// ---------------------------------------------------------------- DefineText

void TSWFDefineText::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineText*>(&source);
  if (!s) return;
  AdvanceBits = s->AdvanceBits;
  GlyphBits = s->GlyphBits;
  TextId = s->TextId;
  HasAlpha = s->HasAlpha;
  TextBounds.Assign(s->TextBounds);
  TextMatrix.Assign(s->TextMatrix);
  TextRecords.clear();
  for (const auto& r : s->TextRecords) {
    auto c = std::make_unique<TSWFTextRecord>();
    c->Assign(*r);
    TextRecords.push_back(std::move(c));
  }
}

void TSWFDefineText::ReadFromStream(TBitsEngine& be) {
  TextId = be.ReadWord();
  TextBounds.SetRec(be.ReadRectRec());
  TextMatrix.SetRec(be.ReadMatrix());
  GlyphBits = be.ReadByte();
  AdvanceBits = be.ReadByte();
  if (GlyphBits > 32 || AdvanceBits > 32)
    throw ESWFError("text glyph or advance bit count above 32");
  TextRecords.clear();
  for (;;) {
    const uint8_t flags = be.ReadByte();
    if (flags == 0) break;
    auto r = std::make_unique<TSWFTextRecord>();
    r->HasAlpha = HasAlpha;
    r->ReadFromStream(be, flags, GlyphBits, AdvanceBits);
    TextRecords.push_back(std::move(r));
  }
}

void TSWFDefineText::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(TextId);
  be.WriteRect(TextBounds.Rec());
  be.WriteMatrix(TextMatrix.Rec());
  be.WriteByte(GlyphBits);
  be.WriteByte(AdvanceBits);
  for (auto& r : TextRecords) {
    r->HasAlpha = HasAlpha;
    r->WriteToStream(be, GlyphBits, AdvanceBits);
  }
  be.WriteByte(0);
}

void TSWFDefineText::CharacterReferences(std::vector<uint16_t*>& ids) {
  for (auto& r : TextRecords)
    if (r->HasFont) ids.push_back(&r->FontIdRef());
}

std::string TSWFDefineText::Describe() const {
  size_t glyphs = 0;
  for (const auto& r : TextRecords) glyphs += r->GlyphEntries.size();
  return "id " + std::to_string(TextId) + " bounds " + text::Rect(TextBounds) + " records " +
         std::to_string(TextRecords.size()) + " glyphs " + std::to_string(glyphs) + " bits " +
         std::to_string(GlyphBits) + "/" + std::to_string(AdvanceBits);
}

// ------------------------------------------------------------ DefineEditText

void TSWFDefineEditText::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineEditText*>(&source);
  if (!s) return;
  CharacterId = s->CharacterId;
  Bounds.Assign(s->Bounds);
  HasText = s->HasText;
  WordWrap = s->WordWrap;
  Multiline = s->Multiline;
  Password = s->Password;
  ReadOnly = s->ReadOnly;
  HasTextColor = s->HasTextColor;
  HasMaxLength = s->HasMaxLength;
  HasFont = s->HasFont;
  AutoSize = s->AutoSize;
  HasLayout = s->HasLayout;
  NoSelect = s->NoSelect;
  Border = s->Border;
  HTML = s->HTML;
  UseOutlines = s->UseOutlines;
  FontId = s->FontId;
  FontHeight = s->FontHeight;
  FTextColor.Assign(s->FTextColor);
  MaxLength = s->MaxLength;
  Align = s->Align;
  LeftMargin = s->LeftMargin;
  RightMargin = s->RightMargin;
  Indent = s->Indent;
  Leading = s->Leading;
  VariableName = s->VariableName;
  InitialText = s->InitialText;
  WideInitialText = s->WideInitialText;
  SWFVersion = s->SWFVersion;
}

void TSWFDefineEditText::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  Bounds.SetRec(be.ReadRectRec());
  uint8_t f = be.ReadByte();
  HasText = f & 0x80;
  WordWrap = f & 0x40;
  Multiline = f & 0x20;
  Password = f & 0x10;
  ReadOnly = f & 0x08;
  HasTextColor = f & 0x04;
  HasMaxLength = f & 0x02;
  HasFont = f & 0x01;
  f = be.ReadByte();
  AutoSize = f & 0x40;
  HasLayout = f & 0x20;
  NoSelect = f & 0x10;
  Border = f & 0x08;
  HTML = f & 0x02;
  UseOutlines = f & 0x01;
  if (HasFont) {
    FontId = be.ReadWord();
    FontHeight = be.ReadWord();
  }
  if (HasTextColor) FTextColor.SetRGBA(be.ReadRGBA());
  if (HasMaxLength) MaxLength = be.ReadWord();
  if (HasLayout) {
    Align = be.ReadByte();
    LeftMargin = be.ReadWord();
    RightMargin = be.ReadWord();
    Indent = be.ReadWord();
    Leading = be.ReadWord();
  }
  VariableName = be.ReadString();
  if (HasText) InitialText = be.ReadString();
}

void TSWFDefineEditText::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteRect(Bounds.Rec());
  be.WriteBit(HasText);
  be.WriteBit(WordWrap);
  be.WriteBit(Multiline);
  be.WriteBit(Password);
  be.WriteBit(ReadOnly);
  be.WriteBit(HasTextColor);
  be.WriteBit(HasMaxLength);
  be.WriteBit(HasFont);
  be.WriteBit(false);
  be.WriteBit(AutoSize);
  be.WriteBit(HasLayout);
  be.WriteBit(NoSelect);
  be.WriteBit(Border);
  be.WriteBit(false);
  be.WriteBit(HTML);
  be.WriteBit(UseOutlines);
  if (HasFont) {
    be.WriteWord(FontId);
    be.WriteWord(FontHeight);
  }
  if (HasTextColor) be.WriteRGBA(FTextColor.GetRGBA());
  if (HasMaxLength) be.WriteWord(MaxLength);
  if (HasLayout) {
    be.WriteByte(Align);
    be.WriteWord(LeftMargin);
    be.WriteWord(RightMargin);
    be.WriteWord(Indent);
    be.WriteWord(Leading);
  }
  be.WriteString(VariableName, true, SWFVersion > 5);
  if (HasText) {
    if (!WideInitialText.empty())
      be.WriteString(Utf16ToUtf8(WideInitialText), true, false);
    else
      be.WriteString(InitialText, true, SWFVersion > 5 && !HTML);
  }
}

std::string TSWFDefineEditText::Describe() const {
  std::string s = "id " + std::to_string(CharacterId) + " bounds " + text::Rect(Bounds);
  if (HasFont) s += " font " + std::to_string(FontId) + " height " + std::to_string(FontHeight);
  if (!VariableName.empty()) s += " variable \"" + VariableName + "\"";
  if (HasText) s += " text " + std::to_string(InitialText.size()) + " bytes";
  return s + text::Flag("html", HTML) + text::Flag("autosize", AutoSize) +
         text::Flag("readonly", ReadOnly) + text::Flag("multiline", Multiline);
}

// ----------------------------------------------------------- CSMTextSettings

void TSWFCSMTextSettings::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFCSMTextSettings*>(&source)) {
    GridFit = s->GridFit;
    Sharpness = s->Sharpness;
    TextId = s->TextId;
    Thickness = s->Thickness;
    UseFlashType = s->UseFlashType;
  }
}

void TSWFCSMTextSettings::ReadFromStream(TBitsEngine& be) {
  TextId = be.ReadWord();
  const uint8_t f = be.ReadByte();
  UseFlashType = f >> 6;
  GridFit = (f >> 3) & 7;
  Thickness = be.ReadSingle();
  Sharpness = be.ReadSingle();
  be.ReadByte();
}

void TSWFCSMTextSettings::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(TextId);
  be.WriteBits(static_cast<uint32_t>(UseFlashType & 3), 2);
  be.WriteBits(static_cast<uint32_t>(GridFit & 7), 3);
  be.WriteBits(0u, 3);
  be.WriteSingle(Thickness);
  be.WriteSingle(Sharpness);
  be.WriteByte(0);
}

std::string TSWFCSMTextSettings::Describe() const {
  return "text " + std::to_string(TextId) + " flash type " + std::to_string(UseFlashType) +
         " grid fit " + std::to_string(GridFit);
}

void RegisterFontTextTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDefineFont>(10, "TSWFDefineFont");
  registry.Add<TSWFDefineText>(11, "TSWFDefineText");
  registry.Add<TSWFDefineFontInfo>(13, "TSWFDefineFontInfo");
  registry.Add<TSWFDefineText2>(33, "TSWFDefineText2");
  registry.Add<TSWFDefineEditText>(37, "TSWFDefineEditText");
  registry.Add<TSWFDefineFont2>(48, "TSWFDefineFont2");
  registry.Add<TSWFDefineFontInfo2>(62, "TSWFDefineFontInfo2");
  registry.Add<TSWFDefineFontAlignZones>(73, "TSWFDefineFontAlignZones");
  registry.Add<TSWFCSMTextSettings>(74, "TSWFCSMTextSettings");
  registry.Add<TSWFDefineFont3>(75, "TSWFDefineFont3");
}

}  // namespace reelcast
