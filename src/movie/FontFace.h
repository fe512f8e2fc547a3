// The font layer: an installed face found by name, bold and italic through
// fontconfig, read through FreeType at an em of 1024 units (the SWF font em
// square). Outlines come as closed contours of lines and quadratic curves
// in 16.16 fixed point with Y pointing up; cubic outlines (CFF fonts) are
// split into quadratics. Callers never see a FreeType or fontconfig type.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace reelcast {

class EFontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TFixedPoint {
  int32_t X = 0;  // 16.16, font units of a 1024-unit em
  int32_t Y = 0;
  bool operator==(const TFixedPoint&) const = default;
};

struct TGlyphSegment {
  bool Curve = false;    // quadratic curve through Control, else a line
  TFixedPoint Control;
  TFixedPoint To;
};

struct TGlyphContour {
  TFixedPoint Start;
  std::vector<TGlyphSegment> Segments;
};

struct TGlyphOutline {
  std::vector<TGlyphContour> Contours;
  int Advance = 0;      // 1024-unit em
  bool Missing = false; // the face has no glyph; this is its missing-glyph box
};

class TFontFace {
 public:
  static constexpr int kEm = 1024;

  // The installed face that matches best. When the named family is not
  // installed, fontconfig's substitute is taken; a script-like name whose
  // substitute is only the generic default gets a cursive face, or a serif
  // italic when no cursive face is installed. A fallback is logged with the
  // face used. Throws EFontError when no face can be found at all.
  static std::unique_ptr<TFontFace> Open(const std::string& name, bool bold, bool italic);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  const std::string& RequestedName() const { return requested_; }
  const std::string& FamilyName() const { return family_; }
  const std::string& StyleName() const { return style_; }
  const std::string& FileName() const { return file_; }
  bool IsFallback() const { return fallback_; }

  // Line metrics in 1024-unit em: ascent and descent as the platform's text
  // metrics report them, leading = ascent + descent - em (never negative).
  int Ascent() const { return ascent_; }
  int Descent() const { return descent_; }
  int Leading() const { return leading_; }

  bool HasGlyph(char32_t code) const;
  TGlyphOutline Glyph(char32_t code) const;
  int Advance(char32_t code) const;
  // Pair kerning from the face's kerning table (0 when it has none).
  int Kerning(char32_t left, char32_t right) const;
  // Width (sum of advances) and height (ascent + descent) of a string.
  struct TExtent {
    int Width = 0;
    int Height = 0;
  };
  TExtent TextExtent(std::u16string_view text) const;

 private:
  TFontFace() = default;
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  std::string requested_, family_, style_, file_;
  bool fallback_ = false;
  int ascent_ = 0, descent_ = 0, leading_ = 0;
};

// Appends to out quadratic segments that follow the cubic curve p0 c1 c2 p3
// within tolerance (16.16 units).
void CubicToQuadratics(TFixedPoint p0, TFixedPoint c1, TFixedPoint c2, TFixedPoint p3,
                       double tolerance, std::vector<TGlyphSegment>& out);

// 16.16 to the nearest integer, halves to the even neighbour.
int32_t FixedToInt(int32_t v);

}  // namespace reelcast
