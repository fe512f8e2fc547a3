// Primitive records of the SWF format (rectangle, colours, matrix, colour
// transform), their plain value forms handed to and from TBitsEngine, and the
// small conversion helpers (bit counts, fixed point, packed colours).
//
// Colours are packed integers with red in the low byte: RGB = R + G*256 +
// B*65536, RGBA adds A*16777216.
#pragma once

#include <cstdint>
#include <string>

namespace reelcast {

// A rectangle in the platform's layout (Left, Top, Right, Bottom).
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// Fields in the order in which they are written.
struct TSWFRectRec {
  int32_t Xmin = 0;
  int32_t Xmax = 0;
  int32_t Ymin = 0;
  int32_t Ymax = 0;
  bool operator==(const TSWFRectRec&) const = default;
};

struct TSWFMatrixRec {
  bool HasScale = false;
  bool HasSkew = false;
  int32_t ScaleX = 0;  // 16.16 fixed
  int32_t ScaleY = 0;
  int32_t Skew1 = 0;  // 16.16 fixed
  int32_t Skew0 = 0;  // the format's RotateSkew0, written first
  int32_t TranslateX = 0;  // twips
  int32_t TranslateY = 0;
  bool operator==(const TSWFMatrixRec&) const = default;
};

struct TSWFColorTransformRec {
  int16_t AddR = 0, AddG = 0, AddB = 0, AddA = 0;
  int16_t MultR = 0, MultG = 0, MultB = 0, MultA = 0;
  bool HasAdd = false;
  bool HasMult = false;
  bool HasAlpha = false;
  bool operator==(const TSWFColorTransformRec&) const = default;
};

struct TSWFRGBRec {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TSWFRGBRec&) const = default;
};

// Packed colour as the platform keeps it; values with the top bit set name a
// system colour (resolved by ColorToRGB).
using TColor = int32_t;

// ------------------------------------------------------------ free helpers

// 0 for 0, else the smallest n in 1..32 with v < 2^n; values of 2^31 and above
// give 0.
uint8_t GetBitsCount(uint32_t v);
// 0 for 0, else GetBitsCount(|v|) + extra.
uint8_t GetSignedBitsCount(int32_t v, uint8_t extra);
int32_t MaxAbs(int32_t a, int32_t b);
int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d);
// Bit n-1 of flags (n counted from 1 at the least significant bit).
bool CheckBit(uint16_t flags, int n);

float Fixed8ToSingle(uint16_t w);
uint16_t SingleToFixed8(float x);
float Fixed16ToSingle(int32_t i);
// x * 65536 truncated toward zero (saturated to the 32-bit range).
int32_t SingleToFixed16(float x);

// Resolves a system colour to its RGB value; plain colours pass unchanged.
uint32_t ColorToRGB(TColor color);
TSWFRGBRec MakeSWFRGB(uint8_t r, uint8_t g, uint8_t b);
TSWFRGBRec ColorToSWFRGB(TColor color);
uint32_t MakeRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
uint32_t ColorToRGBA(TColor color, uint8_t alpha);
uint32_t SetAlphaOf(uint8_t alpha, uint32_t rgba);

TSWFRectRec RectToSWFRect(const TRect& r, bool toTwips);
TSWFMatrixRec MakeMatrixRec(bool hasScale, bool hasSkew, int32_t scaleX, int32_t scaleY,
                            int32_t skew1, int32_t skew0, int32_t translateX,
                            int32_t translateY);

// 8-bit strings of the library are in the system code page (Windows-1252);
// these convert to and from UTF-8 where the format asks for it.
std::string AnsiToUtf8(const std::string& s);
std::string Utf8ToAnsi(const std::string& s);

// ----------------------------------------------------------- record classes

// A rectangle kept normalised: min <= max on both axes after every setter.
class TSWFRect {
 public:
  TSWFRect() = default;
  explicit TSWFRect(const TSWFRectRec& r) { SetRec(r); }

  int32_t Xmin() const { return xmin_; }
  int32_t Xmax() const { return xmax_; }
  int32_t Ymin() const { return ymin_; }
  int32_t Ymax() const { return ymax_; }
  void SetXmin(int32_t v);
  void SetXmax(int32_t v);
  void SetYmin(int32_t v);
  void SetYmax(int32_t v);
  void SetRec(const TSWFRectRec& r);
  void SetRect(const TRect& r);  // Left=Xmin, Top=Ymin, Right=Xmax, Bottom=Ymax
  TSWFRectRec Rec() const { return {xmin_, xmax_, ymin_, ymax_}; }
  TRect Rect() const { return {xmin_, ymin_, xmax_, ymax_}; }
  void Assign(const TSWFRect& source) { SetRec(source.Rec()); }
  bool operator==(const TSWFRect& o) const { return Rec() == o.Rec(); }

 private:
  void NormaliseX();
  void NormaliseY();
  int32_t xmax_ = 0, xmin_ = 0, ymax_ = 0, ymin_ = 0;
};

class TSWFRGB {
 public:
  TSWFRGB() = default;
  virtual ~TSWFRGB() = default;

  // R = low byte, G = second byte, B = third byte.
  virtual void SetRGB(uint32_t color);
  virtual void Assign(const TSWFRGB& source);
  uint32_t RGB() const { return R | (G << 8) | (static_cast<uint32_t>(B) << 16); }

  uint8_t B = 0, G = 0, R = 0;
};

class TSWFRGBA : public TSWFRGB {
 public:
  explicit TSWFRGBA(bool hasAlpha = false) : hasAlpha_(hasAlpha) {}

  // Takes the low 24 bits and sets Alpha to 255 (HasAlpha is not cleared).
  void SetRGB(uint32_t color) override;
  void Assign(const TSWFRGB& source) override;
  void SetRGBA(uint32_t rgba);
  uint32_t GetRGBA() const { return RGB() | (static_cast<uint32_t>(alpha_) << 24); }

  uint8_t Alpha() const { return alpha_; }
  // Sets HasAlpha whenever the value is not 255; never clears it.
  void SetAlpha(uint8_t a);
  bool HasAlpha() const { return hasAlpha_; }
  // Clearing HasAlpha forces Alpha to 255.
  void SetHasAlpha(bool v);

 private:
  uint8_t alpha_ = 255;
  bool hasAlpha_ = false;
};

class TSWFMatrix {
 public:
  void SetScale(float scaleX, float scaleY);
  // first goes to Skew1, second to Skew0.
  void SetSkew(float first, float second);
  void SetTranslate(int32_t x, int32_t y) {
    TranslateX = x;
    TranslateY = y;
  }
  TSWFMatrixRec Rec() const;
  void SetRec(const TSWFMatrixRec& r);
  void Assign(const TSWFMatrix& source) { SetRec(source.Rec()); }
  bool operator==(const TSWFMatrix& o) const { return Rec() == o.Rec(); }

  bool HasScale = false;
  bool HasSkew = false;
  int32_t ScaleX = 0, ScaleY = 0, Skew1 = 0, Skew0 = 0, TranslateX = 0, TranslateY = 0;
};

// A colour transform whose setters clamp: add terms to -255..255 (setting
// HasAdd), multiply terms to 0..256 (setting HasMult); alpha setters also set
// HasAlpha.
class TSWFColorTransform {
 public:
  int32_t AddR() const { return addR_; }
  int32_t AddG() const { return addG_; }
  int32_t AddB() const { return addB_; }
  int32_t AddA() const { return addA_; }
  int32_t MultR() const { return multR_; }
  int32_t MultG() const { return multG_; }
  int32_t MultB() const { return multB_; }
  int32_t MultA() const { return multA_; }
  bool HasAdd() const { return hasAdd_; }
  bool HasMult() const { return hasMult_; }
  bool HasAlpha() const { return hasAlpha_; }

  void SetAddR(int32_t v);
  void SetAddG(int32_t v);
  void SetAddB(int32_t v);
  void SetAddA(int32_t v);
  void SetMultR(int32_t v);
  void SetMultG(int32_t v);
  void SetMultB(int32_t v);
  void SetMultA(int32_t v);
  void SetHasAdd(bool v) { hasAdd_ = v; }
  void SetHasMult(bool v) { hasMult_ = v; }
  void SetHasAlpha(bool v) { hasAlpha_ = v; }

  void SetFromRec(const TSWFColorTransformRec& r);
  TSWFColorTransformRec GetRec() const;
  void Assign(const TSWFColorTransform& source) { SetFromRec(source.GetRec()); }
  bool operator==(const TSWFColorTransform& o) const { return GetRec() == o.GetRec(); }

 private:
  int32_t addA_ = 0, addB_ = 0, addG_ = 0, addR_ = 0;
  bool hasAdd_ = false, hasAlpha_ = false, hasMult_ = false;
  int32_t multA_ = 0, multB_ = 0, multG_ = 0, multR_ = 0;
};

}  // namespace reelcast
