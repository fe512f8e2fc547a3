#include "movie/FlashText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "app/TextConvert.h"
#include "movie/FlashMovie.h"
#include "swf/FontsText.h"

namespace reelcast {

namespace {

int32_t RoundEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

uint16_t Clamp16(int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 65535)); }

}  // namespace

TFlashText::TFlashText(TFlashMovie* owner) : TFlashVisualObject(owner) {}

int TFlashText::UnitScale() const { return StaticUnits || !owner_ ? 1 : owner_->Multiplier(); }

void TFlashText::SetFont(TFlashFont* font) {
  font_ = font;
  if (!font_) return;
  if (IsEditText)
    font_->UsedByEditText = true;
  else
    font_->UsedByStaticText = true;
}

void TFlashText::SetText(const std::string& text) {
  if (text == text_) return;
  if (font_) font_->AddChars(text);
  text_ = text;
}

void TFlashText::SetWideText(const std::u16string& text) {
  if (text == wideText_) return;
  if (font_) font_->AddChars(text);
  wideText_ = text;
  SetText(Utf8ToAnsi(Utf16ToUtf8(text)));
}

void TFlashText::SetAlign(uint8_t align) {
  SetHasLayout(true);
  Align = align;
}

void TFlashText::SetHasLayout(bool flag) {
  if (font_) font_->SetHasLayout(flag);
  hasLayout_ = flag;
}

void TFlashText::SetLeftMargin(int32_t v) {
  SetHasLayout(true);
  LeftMargin = v * UnitScale();
}
void TFlashText::SetRightMargin(int32_t v) {
  SetHasLayout(true);
  RightMargin = v * UnitScale();
}
void TFlashText::SetIndent(int32_t v) {
  SetHasLayout(true);
  Indent = v * UnitScale();
}
void TFlashText::SetLeading(int32_t v) {
  SetHasLayout(true);
  Leading = v * UnitScale();
}

void TFlashText::SetHTML(bool flag) {
  HTML = flag;
  if (flag) IsEditText = true;
}

void TFlashText::SetMaxLength(int32_t n) {
  HasMaxLength = true;
  MaxLength = n;
}

void TFlashText::SetFontHeight(int32_t h) { FontHeight = Clamp16(h * UnitScale()); }

void TFlashText::SetEditText(bool flag) {
  if (flag) {
    ReadOnly = false;
    NoSelect = false;
  }
  IsEditText = flag;
}

void TFlashText::SetUseOutlines(bool flag) {
  UseOutlines = flag;
  if (font_) font_->DeviceFont = false;
}

void TFlashText::WriteToStream(TBitsEngine& be) {
  if (IsEditText) {
    WriteEditText(be);
    return;
  }
  if (wideText_.empty() && !text_.empty()) WriteStaticText(be, false);
  if (!wideText_.empty()) WriteStaticText(be, true);
}

void TFlashText::WriteEditText(TBitsEngine& be) {
  TSWFDefineEditText tag;
  tag.SWFVersion = owner_ ? owner_->SWFVersion() : 6;
  tag.CharacterId = CharacterId;
  if (PointForm)
    tag.Bounds.SetRect({X, Y, X, Y});
  else
    tag.Bounds.Assign(Bounds);
  tag.AutoSize = AutoSize;
  tag.Border = Border;
  tag.HTML = HTML;
  tag.Multiline = Multiline;
  tag.NoSelect = NoSelect;
  tag.Password = Password;
  tag.ReadOnly = ReadOnly;
  tag.WordWrap = WordWrap;
  tag.UseOutlines = UseOutlines || (font_ && !font_->DeviceFont);
  if (font_) {
    tag.HasFont = true;
    tag.FontId = font_->GetCharacterId();
    tag.FontHeight = FontHeight;
  }
  if (HasTextColor) tag.TextColor().SetRGBA(color_.GetRGBA());
  if (HasMaxLength) {
    tag.HasMaxLength = true;
    tag.MaxLength = Clamp16(MaxLength);
  }
  if (hasLayout_) {
    tag.HasLayout = true;
    tag.Align = Align;
    tag.LeftMargin = Clamp16(LeftMargin);
    tag.RightMargin = Clamp16(RightMargin);
    tag.Indent = Clamp16(Indent);
    tag.Leading = Clamp16(Leading);
  }
  tag.VariableName = VariableName;
  if (font_ && font_->NeedsWideCodes() && !wideText_.empty()) {
    tag.HasText = true;
    tag.WideInitialText = wideText_;
  } else if (!text_.empty()) {
    tag.HasText = true;
    tag.InitialText = text_;
  }
  tag.WriteToStream(be);
}

void TFlashText::WriteStaticText(TBitsEngine& be, bool wide) {
  std::unique_ptr<TSWFDefineText> tag;
  if (color_.Alpha() == 255)
    tag = std::make_unique<TSWFDefineText>();
  else
    tag = std::make_unique<TSWFDefineText2>();
  tag->TextId = CharacterId;
  if (!font_) {
    tag->TextBounds.Assign(Bounds);
    tag->WriteToStream(be);
    return;
  }
  font_->LoadGlyphs();

  // Bounds: the text's extent at its point, shifted for the alignment.
  TSWFRect bounds = Bounds;
  if (PointForm) {
    TFlashFont::TExtent e = wide ? font_->TextExtent(wideText_) : font_->TextExtent(text_);
    if (font_->FontSize != 0 && FontHeight != font_->FontSize) {
      e.Width = RoundEven(double(e.Width) * FontHeight / font_->FontSize);
      e.Height = RoundEven(double(e.Height) * FontHeight / font_->FontSize);
    }
    int32_t left = X;
    if (Align == 1) left -= e.Width;
    if (Align == 2 || Align == 3) left -= e.Width / 2;
    bounds.SetRect({left, Y, left + e.Width, Y + e.Height});
  }
  tag->TextBounds.Assign(bounds);
  tag->TextMatrix.Assign(Matrix);

  auto record = std::make_unique<TSWFTextRecord>();
  record->SetFontId(font_->GetCharacterId());
  record->TextColor().SetRGBA(color_.GetRGBA());
  record->TextColor().SetHasAlpha(tag->HasAlpha);
  record->SetTextHeight(FontHeight);
  record->SetYOffset(RoundEven(font_->Ascent / 1024.0 * FontHeight) + bounds.Ymin());
  if (bounds.Xmin() != 0) record->SetXOffset(bounds.Xmin());

  // Glyph indexes follow the font's written glyph order: the list order
  // for Unicode fonts, the ascending code order otherwise.
  bool listOrder = wide || font_->NeedsWideCodes() || font_->Encoding == 2;
  std::vector<uint16_t> order;
  for (const auto& c : font_->Chars)
    if (c->Used) order.push_back(c->Code);
  if (!listOrder) std::stable_sort(order.begin(), order.end());
  auto indexOf = [&](uint16_t code) {
    auto it = std::find(order.begin(), order.end(), code);
    return static_cast<uint16_t>(it == order.end() ? 0 : it - order.begin());
  };
  uint8_t glyphBits = 0, advanceBits = 0;
  auto add = [&](uint16_t code) {
    TFlashChar* ch = font_->FindChar(code);
    TSWFGlyphEntry g;
    g.GlyphIndex = indexOf(code);
    g.GlyphAdvance = (ch ? RoundEven(ch->Advance / 1024.0 * FontHeight) : 0) + LetterSpacing;
    glyphBits = std::max(glyphBits, GetBitsCount(g.GlyphIndex));
    advanceBits = std::max(advanceBits, GetSignedBitsCount(g.GlyphAdvance, 1));
    record->GlyphEntries.push_back(g);
  };
  if (wide)
    for (char16_t c : wideText_) add(c);
  else
    for (char c : text_) add(static_cast<uint8_t>(c));
  tag->GlyphBits = std::max<uint8_t>(glyphBits, 1);
  tag->AdvanceBits = std::max<uint8_t>(advanceBits, 1);
  tag->TextRecords.push_back(std::move(record));
  tag->WriteToStream(be);
}

}  // namespace reelcast

// ------------------------------------------------- the movie's fonts, texts

namespace reelcast {

TFlashFont* TFlashMovie::AddFont() {
  auto font = std::make_unique<TFlashFont>(this);
  font->DeviceFont = true;
  return RegisterObject(std::move(font), &Fonts());
}

TFlashFont* TFlashMovie::AddFont(const TFontDescription& description, bool deviceFont) {
  auto font = std::make_unique<TFlashFont>(this);
  font->FontName = description.Name;
  font->SetSize(std::abs(description.Height));
  font->Bold = description.Bold;
  font->Italic = description.Italic;
  font->SetCharset(description.Charset);
  font->DeviceFont = deviceFont;
  return RegisterObject(std::move(font), &Fonts());
}

namespace {

// 8-bit texts handed to the movie are UTF-8, the program's own encoding. Plain
// ASCII keeps the narrow code-page form; any other character goes the wide
// way, so it is neither mistaken for Windows-1252 nor converted twice when the
// movie writes UTF-8. Bytes that are not UTF-8 are taken as the code page.
template <class S>
void SetAnyText(TFlashText& t, const S& text) {
  if constexpr (std::is_same_v<S, std::u16string>) {
    t.SetWideText(text);
  } else {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && IsValidUtf8(text))
      t.SetWideText(Utf8ToUtf16(text));
    else
      t.SetText(text);
  }
}

template <class S>
TFlashText* AddPointText(TFlashMovie& movie, const S& text, uint32_t rgba, TFlashFont* font,
                         TPoint32 point, uint8_t align) {
  auto t = std::make_unique<TFlashText>(&movie);
  t->SetFont(font);
  SetAnyText(*t, text);
  t->Color().SetRGBA(rgba);
  t->X = point.X * t->UnitScale();
  t->Y = point.Y * t->UnitScale();
  t->SetAlign(align);
  t->AutoSize = true;
  t->PointForm = true;
  t->FontHeight = font ? font->FontSize : 0;
  t->UseOutlines = font && !font->DeviceFont;
  return movie.RegisterObject(std::move(t), &movie.Texts());
}

template <class S>
TFlashText* AddRectText(TFlashMovie& movie, const S& text, uint32_t rgba, TFlashFont* font,
                        const TRect& rect) {
  auto t = std::make_unique<TFlashText>(&movie);
  t->SetFont(font);
  SetAnyText(*t, text);
  t->Color().SetRGBA(rgba);
  int s = t->UnitScale();
  t->Bounds.SetRect({rect.Left * s, rect.Top * s, rect.Right * s, rect.Bottom * s});
  t->X = t->Bounds.Xmin();
  t->Y = t->Bounds.Ymin();
  t->PointForm = false;
  t->FontHeight = font ? font->FontSize : 0;
  t->UseOutlines = font && !font->DeviceFont;
  return movie.RegisterObject(std::move(t), &movie.Texts());
}

template <class S>
TFlashText* AddDynamic(TFlashMovie& movie, const std::string& variableName, const S& text,
                       const TRect& rect, TFlashFont* font, uint32_t rgba) {
  bool staticUse = font && font->UsedByStaticText;
  TFlashText* t = AddRectText(movie, text, rgba, font, rect);
  t->SetEditText(true);
  t->VariableName = variableName;
  // Creation marked the font as used by a static text; only the edit use
  // is real.
  if (font) {
    font->UsedByStaticText = staticUse;
    font->UsedByEditText = true;
  }
  return t;
}

}  // namespace

TFlashText* TFlashMovie::AddText(const std::string& text, uint32_t rgba, TFlashFont* font,
                                 TPoint32 point, uint8_t align) {
  return AddPointText(*this, text, rgba, font, point, align);
}
TFlashText* TFlashMovie::AddText(const std::u16string& text, uint32_t rgba, TFlashFont* font,
                                 TPoint32 point, uint8_t align) {
  return AddPointText(*this, text, rgba, font, point, align);
}
TFlashText* TFlashMovie::AddText(const std::string& text, uint32_t rgba, TFlashFont* font,
                                 const TRect& rect) {
  return AddRectText(*this, text, rgba, font, rect);
}
TFlashText* TFlashMovie::AddText(const std::u16string& text, uint32_t rgba, TFlashFont* font,
                                 const TRect& rect) {
  return AddRectText(*this, text, rgba, font, rect);
}
TFlashText* TFlashMovie::AddDynamicText(const std::string& variableName, const std::string& text,
                                        const TRect& rect, TFlashFont* font, uint32_t rgba) {
  return AddDynamic(*this, variableName, text, rect, font, rgba);
}
TFlashText* TFlashMovie::AddDynamicText(const std::string& variableName,
                                        const std::u16string& text, const TRect& rect,
                                        TFlashFont* font, uint32_t rgba) {
  return AddDynamic(*this, variableName, text, rect, font, rgba);
}

}  // namespace reelcast
