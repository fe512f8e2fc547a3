// TFlashText is a text of a movie: a static text (DefineText, or DefineText2
// for a colour with alpha) laid out glyph by glyph in an embedded font, or
// an edit field (DefineEditText), which may show a device font.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/FlashFont.h"
#include "movie/FlashObject.h"
#include "swf/Records.h"

namespace reelcast {

class TFlashText : public TFlashVisualObject {
 public:
  explicit TFlashText(TFlashMovie* owner = nullptr);

  TFlashFont* Font() const { return font_; }  // not owned
  void SetFont(TFlashFont* font);
  const std::string& Text() const { return text_; }
  const std::u16string& WideText() const { return wideText_; }
  // Adds the characters to the font, then keeps the text. The wide form
  // also keeps the text's ANSI conversion.
  void SetText(const std::string& text);
  void SetWideText(const std::u16string& text);

  // Requesting the colour turns HasTextColor on.
  TSWFRGBA& Color() {
    HasTextColor = true;
    return color_;
  }
  bool HasTextColor = false;

  bool PointForm = false;
  int32_t X = 0, Y = 0;  // twips
  TSWFRect Bounds;       // twips
  TSWFMatrix Matrix;
  uint8_t Align = 0;  // 0 left, 1 right, 2 centre, 3 justify
  uint16_t FontHeight = 0;
  int32_t LetterSpacing = 0;
  bool IsEditText = false;
  bool AutoSize = false, Border = false, HTML = false, Multiline = false, NoSelect = false,
       Password = false, ReadOnly = false, WordWrap = false, UseOutlines = false;
  int32_t LeftMargin = 0, RightMargin = 0, Indent = 0, Leading = 0;
  bool HasMaxLength = false;
  int32_t MaxLength = 0;
  std::string VariableName;

  int UnitScale() const;
  uint8_t MinVersion() const override { return IsEditText ? 4 : 3; }

  void SetAlign(uint8_t align);
  bool HasLayout() const { return hasLayout_; }
  void SetHasLayout(bool flag);
  void SetLeftMargin(int32_t v);
  void SetRightMargin(int32_t v);
  void SetIndent(int32_t v);
  void SetLeading(int32_t v);
  void SetHTML(bool flag);
  void SetMaxLength(int32_t n);
  void SetFontHeight(int32_t h);
  void SetEditText(bool flag);
  void SetUseOutlines(bool flag);

  void WriteToStream(TBitsEngine& be) override;

 private:
  void WriteEditText(TBitsEngine& be);
  void WriteStaticText(TBitsEngine& be, bool wide);
  TFlashFont* font_ = nullptr;
  std::string text_;
  std::u16string wideText_;
  TSWFRGBA color_{true};
  bool hasLayout_ = false;
};

}  // namespace reelcast
