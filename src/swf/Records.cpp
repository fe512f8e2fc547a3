#include "swf/Records.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace reelcast {

// ------------------------------------------------------------ free helpers

uint8_t GetBitsCount(uint32_t v) {
  if (v == 0 || v >= 0x80000000u) return 0;
  uint8_t n = 1;
  while (n < 32 && v >= (1u << n)) ++n;
  return n;
}

uint8_t GetSignedBitsCount(int32_t v, uint8_t extra) {
  if (v == 0) return 0;
  uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  return static_cast<uint8_t>(GetBitsCount(magnitude) + extra);
}

static int32_t Abs32(int32_t v) {
  // |INT32_MIN| does not fit; it saturates, and GetBitsCount rejects it anyway.
  return v == INT32_MIN ? INT32_MAX : std::abs(v);
}

int32_t MaxAbs(int32_t a, int32_t b) { return std::max(Abs32(a), Abs32(b)); }

int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d) {
  return std::max(MaxAbs(a, b), MaxAbs(c, d));
}

bool CheckBit(uint16_t flags, int n) {
  if (n < 1 || n > 16) return false;
  return (flags >> (n - 1)) & 1;
}

float Fixed8ToSingle(uint16_t w) {
  return static_cast<float>(w >> 8) + static_cast<float>(w & 0xFF) / 256.0f;
}

uint16_t SingleToFixed8(float x) {
  double whole = std::trunc(static_cast<double>(x));
  double fraction = static_cast<double>(x) - whole;
  // Halves go to the even neighbour (the default rounding mode).
  double value = whole * 256.0 + std::nearbyint(fraction * 256.0);
  value = std::clamp(value, -32768.0, 65535.0);
  return static_cast<uint16_t>(static_cast<int32_t>(value));
}

float Fixed16ToSingle(int32_t i) { return static_cast<float>(static_cast<double>(i) / 65536.0); }

int32_t SingleToFixed16(float x) {
  double v = std::trunc(static_cast<double>(x) * 65536.0);
  if (std::isnan(v)) return 0;
  v = std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX));
  return static_cast<int32_t>(v);
}

uint32_t ColorToRGB(TColor color) {
  if (color >= 0) return static_cast<uint32_t>(color);
  // The platform's default system colours, by index (low byte).
  static const uint32_t kSystemColors[] = {
      0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
      0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
      0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
      0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xF0F0F0};
  uint32_t index = static_cast<uint32_t>(color) & 0xFF;
  if (index < sizeof kSystemColors / sizeof kSystemColors[0]) return kSystemColors[index];
  return 0;
}

TSWFRGBRec MakeSWFRGB(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }

TSWFRGBRec ColorToSWFRGB(TColor color) {
  uint32_t c = ColorToRGB(color);
  return {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
}

uint32_t MakeRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return r | (g << 8) | (b << 16) | (static_cast<uint32_t>(a) << 24);
}

uint32_t ColorToRGBA(TColor color, uint8_t alpha) {
  return (ColorToRGB(color) & 0xFFFFFF) | (static_cast<uint32_t>(alpha) << 24);
}

uint32_t SetAlphaOf(uint8_t alpha, uint32_t rgba) {
  return (rgba & 0xFFFFFF) | (static_cast<uint32_t>(alpha) << 24);
}

TSWFRectRec RectToSWFRect(const TRect& r, bool toTwips) {
  TSWFRectRec rec{std::min(r.Left, r.Right), std::max(r.Left, r.Right), std::min(r.Top, r.Bottom),
                  std::max(r.Top, r.Bottom)};
  if (toTwips) {
    rec.Xmin *= 20;
    rec.Xmax *= 20;
    rec.Ymin *= 20;
    rec.Ymax *= 20;
  }
  return rec;
}

TSWFMatrixRec MakeMatrixRec(bool hasScale, bool hasSkew, int32_t scaleX, int32_t scaleY,
                            int32_t skew1, int32_t skew0, int32_t translateX,
                            int32_t translateY) {
  return {hasScale, hasSkew, scaleX, scaleY, skew1, skew0, translateX, translateY};
}

// Windows-1252 code points of the bytes 0x80..0x9F (0 where the page has none:
// those bytes map to the same C1 control code point).
static const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string AnsiToUtf8(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    uint32_t cp = c;
    if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] != 0) cp = kCp1252High[c - 0x80];
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::string Utf8ToAnsi(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + len > s.size()) {
      out += '?';
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    i += ok ? len : 1;
    if (!ok) {
      out += '?';
      continue;
    }
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == cp || (kCp1252High[k] == 0 && cp == 0x80u + k)) mapped = static_cast<char>(0x80 + k);
    out += mapped;
  }
  return out;
}

// ---------------------------------------------------------------- TSWFRect

void TSWFRect::NormaliseX() {
  if (xmax_ < xmin_) std::swap(xmax_, xmin_);
}
void TSWFRect::NormaliseY() {
  if (ymax_ < ymin_) std::swap(ymax_, ymin_);
}
void TSWFRect::SetXmin(int32_t v) {
  xmin_ = v;
  NormaliseX();
}
void TSWFRect::SetXmax(int32_t v) {
  xmax_ = v;
  NormaliseX();
}
void TSWFRect::SetYmin(int32_t v) {
  ymin_ = v;
  NormaliseY();
}
void TSWFRect::SetYmax(int32_t v) {
  ymax_ = v;
  NormaliseY();
}
void TSWFRect::SetRec(const TSWFRectRec& r) {
  xmin_ = r.Xmin;
  xmax_ = r.Xmax;
  ymin_ = r.Ymin;
  ymax_ = r.Ymax;
  NormaliseX();
  NormaliseY();
}
void TSWFRect::SetRect(const TRect& r) { SetRec({r.Left, r.Right, r.Top, r.Bottom}); }

// --------------------------------------------------------- TSWFRGB / RGBA

void TSWFRGB::SetRGB(uint32_t color) {
  R = static_cast<uint8_t>(color);
  G = static_cast<uint8_t>(color >> 8);
  B = static_cast<uint8_t>(color >> 16);
}

void TSWFRGB::Assign(const TSWFRGB& source) { TSWFRGB::SetRGB(source.RGB()); }

void TSWFRGBA::SetRGB(uint32_t color) {
  TSWFRGB::SetRGB(color & 0xFFFFFF);
  SetAlpha(255);
}

void TSWFRGBA::Assign(const TSWFRGB& source) {
  if (auto* rgba = dynamic_cast<const TSWFRGBA*>(&source)) SetRGBA(rgba->GetRGBA());
  else SetRGB(source.RGB());
}

void TSWFRGBA::SetRGBA(uint32_t rgba) {
  TSWFRGB::SetRGB(rgba & 0xFFFFFF);
  SetAlpha(static_cast<uint8_t>(rgba >> 24));
}

void TSWFRGBA::SetAlpha(uint8_t a) {
  alpha_ = a;
  if (a != 255) hasAlpha_ = true;
}

void TSWFRGBA::SetHasAlpha(bool v) {
  hasAlpha_ = v;
  if (!v) alpha_ = 255;
}

// ------------------------------------------------------------- TSWFMatrix

void TSWFMatrix::SetScale(float scaleX, float scaleY) {
  ScaleX = SingleToFixed16(scaleX);
  ScaleY = SingleToFixed16(scaleY);
  HasScale = true;
}

void TSWFMatrix::SetSkew(float first, float second) {
  Skew1 = SingleToFixed16(first);
  Skew0 = SingleToFixed16(second);
  HasSkew = true;
}

TSWFMatrixRec TSWFMatrix::Rec() const {
  return {HasScale, HasSkew, ScaleX, ScaleY, Skew1, Skew0, TranslateX, TranslateY};
}

void TSWFMatrix::SetRec(const TSWFMatrixRec& r) {
  HasScale = r.HasScale;
  HasSkew = r.HasSkew;
  ScaleX = r.ScaleX;
  ScaleY = r.ScaleY;
  Skew1 = r.Skew1;
  Skew0 = r.Skew0;
  TranslateX = r.TranslateX;
  TranslateY = r.TranslateY;
}

// ----------------------------------------------------- TSWFColorTransform

static int32_t ClampAdd(int32_t v) { return std::clamp(v, -255, 255); }
static int32_t ClampMult(int32_t v) { return std::clamp(v, 0, 256); }

void TSWFColorTransform::SetAddR(int32_t v) {
  addR_ = ClampAdd(v);
  hasAdd_ = true;
}
void TSWFColorTransform::SetAddG(int32_t v) {
  addG_ = ClampAdd(v);
  hasAdd_ = true;
}
void TSWFColorTransform::SetAddB(int32_t v) {
  addB_ = ClampAdd(v);
  hasAdd_ = true;
}
void TSWFColorTransform::SetAddA(int32_t v) {
  addA_ = ClampAdd(v);
  hasAdd_ = true;
  hasAlpha_ = true;
}
void TSWFColorTransform::SetMultR(int32_t v) {
  multR_ = ClampMult(v);
  hasMult_ = true;
}
void TSWFColorTransform::SetMultG(int32_t v) {
  multG_ = ClampMult(v);
  hasMult_ = true;
}
void TSWFColorTransform::SetMultB(int32_t v) {
  multB_ = ClampMult(v);
  hasMult_ = true;
}
void TSWFColorTransform::SetMultA(int32_t v) {
  multA_ = ClampMult(v);
  hasMult_ = true;
  hasAlpha_ = true;
}

void TSWFColorTransform::SetFromRec(const TSWFColorTransformRec& r) {
  hasAlpha_ = r.HasAlpha;
  if (r.HasAdd) {
    SetAddR(r.AddR);
    SetAddG(r.AddG);
    SetAddB(r.AddB);
    if (r.HasAlpha) SetAddA(r.AddA);
  } else {
    hasAdd_ = false;
  }
  if (r.HasMult) {
    SetMultR(r.MultR);
    SetMultG(r.MultG);
    SetMultB(r.MultB);
    if (r.HasAlpha) SetMultA(r.MultA);
  } else {
    hasMult_ = false;
  }
}

TSWFColorTransformRec TSWFColorTransform::GetRec() const {
  // Terms travel only with their flags (alpha terms only with HasAlpha).
  TSWFColorTransformRec r;
  if (hasAdd_) {
    r.AddR = static_cast<int16_t>(addR_);
    r.AddG = static_cast<int16_t>(addG_);
    r.AddB = static_cast<int16_t>(addB_);
    if (hasAlpha_) r.AddA = static_cast<int16_t>(addA_);
  }
  if (hasMult_) {
    r.MultR = static_cast<int16_t>(multR_);
    r.MultG = static_cast<int16_t>(multG_);
    r.MultB = static_cast<int16_t>(multB_);
    if (hasAlpha_) r.MultA = static_cast<int16_t>(multA_);
  }
  r.HasAdd = hasAdd_;
  r.HasMult = hasMult_;
  r.HasAlpha = hasAlpha_;
  return r;
}

}  // namespace reelcast
