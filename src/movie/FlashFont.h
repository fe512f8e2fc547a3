// TFlashFont is a font of a movie: its name, size and style, the characters
// that texts use, and, when a static text uses it, the glyph outlines and
// advances read from the installed face (TFontFace) at an em of 1024. It is
// written as a DefineFont2 tag; a font used only by edit texts is a device
// font (name and flags, no glyphs). TFlashChar is one of its characters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/FlashEdges.h"
#include "movie/FlashObject.h"
#include "movie/FontFace.h"
#include "swf/Shapes.h"

namespace reelcast {

// The UTF-16 value of a character of the system code page (Windows-1252).
char16_t AnsiCharToUnicode(uint8_t c);

class TFlashChar {
 public:
  TFlashChar(uint16_t code, bool wide);
  TFlashChar(const TFlashChar&) = delete;
  TFlashChar& operator=(const TFlashChar&) = delete;

  uint16_t Code;
  uint16_t UnicodeCode;  // Code itself when wide or above 255
  bool Wide;
  bool Used = true;
  bool GlyphLoaded = false;
  int32_t Advance = 0;  // 1024-unit em
  TShapeRecordList Records;
  TFlashEdges Edges{Records};  // no movie: font units

  // Draws the outline (Y turned downwards, as SWF has it) and takes the
  // advance.
  void ReadGlyph(const TFontFace& face);
};

// The fields of a system font description that AddFont takes.
struct TFontDescription {
  std::string Name;
  int32_t Height = 12;  // the absolute value is the size
  bool Bold = false;
  bool Italic = false;
  uint8_t Charset = 1;
};

class TFlashFont : public TFlashIDObject {
 public:
  explicit TFlashFont(TFlashMovie* owner = nullptr);

  std::string FontName;
  uint16_t FontSize = 0;  // twips
  bool Bold = false, Italic = false;
  bool DeviceFont = false;
  bool SmallText = false;
  uint8_t Encoding = 0;  // 0 ANSI, 1 Shift-JIS, 2 Unicode
  uint8_t LanguageCode = 0;
  bool UsedByStaticText = false, UsedByEditText = false;
  bool HasWideChars = false;
  int16_t Ascent = 0, Descent = 0, Leading = 0;
  std::vector<std::unique_ptr<TFlashChar>> Chars;

  uint8_t MinVersion() const override { return 3; }
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t charset);
  bool HasLayout() const { return hasLayout_; }
  void SetHasLayout(bool flag);
  // FontSize = height × the movie's unit.
  void SetSize(int32_t height);
  int32_t ScaleToSize(int32_t value) const;

  // Each byte (ANSI) or UTF-16 unit (wide) as a character.
  void AddChars(const std::string& text);
  void AddChars(const std::u16string& text);
  // True when a new character was added.
  bool AddChar(uint16_t code);
  TFlashChar* FindChar(uint16_t code) const;
  bool NeedsWideCodes() const;

  // Width and height of a string at this font's size.
  struct TExtent {
    int32_t Width = 0;
    int32_t Height = 0;
  };
  TExtent TextExtent(const std::string& text);
  TExtent TextExtent(const std::u16string& text);

  void ReadMetrics();
  void LoadGlyphs();
  // The installed face for the name and style (opened on first use).
  const TFontFace& Face();

  void WriteToStream(TBitsEngine& be) override;

 private:
  std::unique_ptr<TFontFace> face_;
  uint8_t charset_ = 0;
  bool hasLayout_ = false;
};

}  // namespace reelcast
