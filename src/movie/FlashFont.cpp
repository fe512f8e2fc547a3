#include "movie/FlashFont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "app/Config.h"
#include "movie/FlashMovie.h"
#include "swf/FontsText.h"

namespace reelcast {

char16_t AnsiCharToUnicode(uint8_t c) {
  // Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unused
  // places keep their own value.
  static const char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return (c >= 0x80 && c <= 0x9F) ? k80[c - 0x80] : char16_t{c};
}

// ------------------------------------------------------------------ chars

TFlashChar::TFlashChar(uint16_t code, bool wide)
    : Code(code),
      UnicodeCode(code > 255 || wide ? code : AnsiCharToUnicode(static_cast<uint8_t>(code))),
      Wide(wide) {}

void TFlashChar::ReadGlyph(const TFontFace& face) {
  GlyphLoaded = true;
  TGlyphOutline outline = face.Glyph(UnicodeCode);
  if (outline.Missing) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", UnicodeCode);
    NVLog("Font \"" + face.FamilyName() + "\" has no glyph for " + buf +
          "; its missing-glyph box is used");
  }
  for (const TGlyphContour& c : outline.Contours) {
    Edges.MoveTo(FixedToInt(c.Start.X), FixedToInt(c.Start.Y));
    for (const TGlyphSegment& s : c.Segments) {
      if (s.Curve)
        Edges.CurveTo(FixedToInt(s.Control.X), FixedToInt(s.Control.Y), FixedToInt(s.To.X),
                      FixedToInt(s.To.Y));
      else
        Edges.LineTo(FixedToInt(s.To.X), FixedToInt(s.To.Y));
    }
    Edges.ClosePath();
  }
  // TrueType's Y axis points up, SWF's down.
  Edges.Flip(false, true);
  // Glyphs are filled with the font's one fill style.
  if (!Records.empty() && Records.front()->ShapeRecType() == 1)
    static_cast<TSWFStyleChangeRecord*>(Records.front().get())->SetFillStyle1(1);
  Advance = outline.Advance;
}

// ------------------------------------------------------------------- font

TFlashFont::TFlashFont(TFlashMovie* owner) : TFlashIDObject(owner) {}

void TFlashFont::SetCharset(uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  switch (charset) {
    case 0: case 2: LanguageCode = 0; Encoding = 0; break;
    case 1: LanguageCode = 0; Encoding = 2; break;
    case 128: LanguageCode = 2; Encoding = 1; break;
    case 129: LanguageCode = 3; break;
    case 134: LanguageCode = 4; break;
    case 136: LanguageCode = 5; break;
    default: LanguageCode = 64; Encoding = 2; break;
  }
}

void TFlashFont::SetHasLayout(bool flag) {
  if (flag && !hasLayout_) ReadMetrics();
  hasLayout_ = flag;
}

void TFlashFont::SetSize(int32_t height) {
  int32_t unit = owner_ ? owner_->Multiplier() : 1;
  FontSize = static_cast<uint16_t>(std::clamp(height * unit, 0, 65535));
}

int32_t TFlashFont::ScaleToSize(int32_t value) const {
  return static_cast<int32_t>(std::nearbyint(value / 1024.0 * FontSize));
}

void TFlashFont::AddChars(const std::string& text) {
  for (char c : text) AddChar(static_cast<uint8_t>(c));
}

void TFlashFont::AddChars(const std::u16string& text) {
  if (!text.empty()) HasWideChars = true;
  for (char16_t c : text) AddChar(c);
}

// The list stays sorted by character value: the UTF-16 value for wide
// fonts and for codes of 128 and above, the code itself below.
bool TFlashFont::AddChar(uint16_t code) {
  if (code >= 256) HasWideChars = true;
  bool added = true;
  if (Chars.empty()) {
    Chars.push_back(std::make_unique<TFlashChar>(code, HasWideChars));
  } else {
    uint16_t key = HasWideChars ? code : AnsiCharToUnicode(static_cast<uint8_t>(code));
    size_t i = 0;
    for (; i < Chars.size(); ++i) {
      uint16_t value = code >= 128 ? Chars[i]->UnicodeCode : Chars[i]->Code;
      if (value == key) {
        Chars[i]->Used = true;
        added = false;
        break;
      }
      if (key < value) break;
    }
    if (added)
      Chars.insert(Chars.begin() + static_cast<std::ptrdiff_t>(i),
                   std::make_unique<TFlashChar>(code, HasWideChars));
  }
  if (HasWideChars && owner_ && owner_->SWFVersion() < 6) owner_->SetVersion(6);
  return added;
}

TFlashChar* TFlashFont::FindChar(uint16_t code) const {
  for (const auto& c : Chars)
    if (c->Code == code) return c.get();
  return nullptr;
}

bool TFlashFont::NeedsWideCodes() const {
  if (HasWideChars) return true;
  if (DeviceFont || Chars.empty()) return false;
  return std::any_of(Chars.begin(), Chars.end(), [](const auto& c) { return c->Wide; });
}

const TFontFace& TFlashFont::Face() {
  if (!face_) face_ = TFontFace::Open(FontName, Bold, Italic);
  return *face_;
}

TFlashFont::TExtent TFlashFont::TextExtent(const std::u16string& text) {
  TFontFace::TExtent e = Face().TextExtent(text);
  return {ScaleToSize(e.Width), ScaleToSize(e.Height)};
}

TFlashFont::TExtent TFlashFont::TextExtent(const std::string& text) {
  std::u16string wide;
  for (char c : text) wide.push_back(AnsiCharToUnicode(static_cast<uint8_t>(c)));
  return TextExtent(wide);
}

void TFlashFont::ReadMetrics() {
  const TFontFace& f = Face();
  Ascent = static_cast<int16_t>(f.Ascent());
  Descent = static_cast<int16_t>(f.Descent());
  Leading = static_cast<int16_t>(f.Leading());
}

void TFlashFont::LoadGlyphs() {
  if (Chars.empty()) return;
  ReadMetrics();
  const TFontFace& f = Face();
  for (auto& c : Chars)
    if (c->Used && !c->GlyphLoaded) c->ReadGlyph(f);
}

void TFlashFont::WriteToStream(TBitsEngine& be) {
  TSWFDefineFont2 tag;
  tag.SWFVersion = owner_ ? owner_->SWFVersion() : 6;
  tag.FontId = CharacterId;
  tag.FontFlagsHasLayout = hasLayout_ || UsedByEditText;
  tag.FontFlagsShiftJIS = Encoding == 1;
  tag.FontFlagsANSI = Encoding == 0;
  tag.FontFlagsSmallText = SmallText;
  bool wide = Encoding == 2 || NeedsWideCodes();
  tag.FontFlagsWideCodes = wide;
  tag.FontFlagsItalic = Italic;
  tag.FontFlagsBold = Bold;
  tag.LanguageCode = LanguageCode;
  tag.FontName = FontName;
  if ((tag.FontFlagsHasLayout || !Chars.empty()) && Ascent == 0 && Descent == 0 && Leading == 0)
    ReadMetrics();
  if (tag.FontFlagsHasLayout) {
    tag.FontAscent = static_cast<uint16_t>(Ascent);
    tag.FontDescent = static_cast<uint16_t>(Descent);
    tag.FontLeading = Leading;
  }
  std::vector<TFlashChar*> written;
  if ((!DeviceFont || UsedByStaticText) && !Chars.empty()) {
    LoadGlyphs();
    for (auto& c : Chars)
      if (c->Used) written.push_back(c.get());
    // The code table must ascend. With 8-bit codes the list (sorted by
    // UTF-16 value) may not follow the code order, so glyphs are sorted with
    // their codes: a text finds each glyph at its code's place.
    if (!wide)
      std::stable_sort(written.begin(), written.end(),
                       [](const TFlashChar* a, const TFlashChar* b) { return a->Code < b->Code; });
    for (TFlashChar* c : written) {
      TShapeRecordList glyph;
      CopyShapeRecords(c->Records, glyph);
      tag.Glyphs.push_back(std::move(glyph));
      tag.CodeTable.push_back(wide ? c->UnicodeCode : c->Code);
      if (tag.FontFlagsHasLayout) {
        tag.BoundsTable.push_back(std::make_unique<TSWFRect>());
        tag.AdvanceTable.push_back(static_cast<int16_t>(std::clamp(c->Advance, -32768, 32767)));
      }
    }
  }
  tag.WriteToStream(be);
}

}  // namespace reelcast
