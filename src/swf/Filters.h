// Bitmap filters of SWF 8 placements and button records: drop shadow, blur,
// glow, bevel, gradient glow and bevel, convolution and colour matrix.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "swf/BitsEngine.h"
#include "swf/Records.h"

namespace reelcast {

class TSWFFilter {
 public:
  explicit TSWFFilter(uint8_t id) : FilterId(id) {}
  virtual ~TSWFFilter() = default;
  uint8_t FilterId;
  virtual void Assign(const TSWFFilter& source) {}
  // Reads what follows the id byte.
  virtual void ReadFromStream(TBitsEngine& be) = 0;
  // Writes the id byte and the fields.
  virtual void WriteToStream(TBitsEngine& be) = 0;
  virtual std::string Describe() const;
};

class TSWFBlurFilter : public TSWFFilter {
 public:
  TSWFBlurFilter() : TSWFBlurFilter(1) {}
  float BlurX = 0, BlurY = 0;  // 16.16 in the file
  uint8_t Passes = 1;
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;

 protected:
  explicit TSWFBlurFilter(uint8_t id) : TSWFFilter(id) {}
};

// The fields shared by the shadow, glow and bevel filters.
class TSWFShadowBase : public TSWFBlurFilter {
 public:
  using TSWFBlurFilter::TSWFBlurFilter;
  float Angle = 0, Distance = 0;  // 16.16
  float Strength = 1;             // 8.8
  bool InnerShadow = false, Knockout = false, CompositeSource = true, OnTop = false;
  void Assign(const TSWFFilter& source) override;
};

class TSWFDropShadowFilter : public TSWFShadowBase {
 public:
  TSWFDropShadowFilter() : TSWFShadowBase(0) { Color.SetHasAlpha(true); }
  TSWFRGBA Color;
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFGlowFilter : public TSWFShadowBase {
 public:
  TSWFGlowFilter() : TSWFShadowBase(2) { Color.SetHasAlpha(true); }
  TSWFRGBA Color;
  // The glow's name for the inner flag it shares with the shadow filters.
  bool& InnerGlow() { return InnerShadow; }
  bool InnerGlow() const { return InnerShadow; }
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFBevelFilter : public TSWFShadowBase {
 public:
  TSWFBevelFilter() : TSWFShadowBase(3) {
    ShadowColor.SetHasAlpha(true);
    HighlightColor.SetHasAlpha(true);
  }
  TSWFRGBA ShadowColor, HighlightColor;
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFGradientGlowFilter : public TSWFShadowBase {
 public:
  TSWFGradientGlowFilter() : TSWFGradientGlowFilter(4) {}
  // NumColors is the size of Colors and Ratios (at most 15 written).
  std::vector<uint32_t> Colors{0, 0};  // packed RGBA
  std::vector<uint8_t> Ratios{0, 255};
  size_t NumColors() const { return Colors.size(); }
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;

 protected:
  explicit TSWFGradientGlowFilter(uint8_t id) : TSWFShadowBase(id) {}
};

class TSWFGradientBevelFilter : public TSWFGradientGlowFilter {
 public:
  TSWFGradientBevelFilter() : TSWFGradientGlowFilter(7) {}
};

class TSWFConvolutionFilter : public TSWFFilter {
 public:
  TSWFConvolutionFilter() : TSWFFilter(5) { DefaultColor.SetHasAlpha(true); }
  uint8_t MatrixX = 0, MatrixY = 0;
  float Divisor = 1, Bias = 0;
  std::vector<float> Matrix;  // MatrixX * MatrixY values
  TSWFRGBA DefaultColor;
  bool Clamp = false, PreserveAlpha = false;
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFColorMatrixFilter : public TSWFFilter {
 public:
  TSWFColorMatrixFilter() : TSWFFilter(6) {}
  float Matrix[20] = {};
  void Assign(const TSWFFilter& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

using TSWFFilterList = std::vector<std::unique_ptr<TSWFFilter>>;

// Creates the filter for id 0..7, appends it to list and returns it; other
// ids throw ESWFError.
TSWFFilter* CreateFilter(TSWFFilterList& list, uint8_t id);
void ReadFilters(TSWFFilterList& list, TBitsEngine& be);
void WriteFilters(const TSWFFilterList& list, TBitsEngine& be);
void CopyFilters(const TSWFFilterList& source, TSWFFilterList& dest);

}  // namespace reelcast
