// Shapes: fill and line styles, shape records, DefineShape 1 to 4 and
// DefineMorphShape 1 and 2. Glyph outlines of fonts use the same records.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "swf/Records.h"
#include "swf/SWFObject.h"

namespace reelcast {

// ---------------------------------------------------------------- fill styles

class TSWFFillStyle {
 public:
  explicit TSWFFillStyle(uint8_t fillType) : FillType(fillType) {}
  virtual ~TSWFFillStyle() = default;
  bool HasAlpha = false;  // set by the owner before reading and writing
  uint8_t FillType;

  virtual void Assign(const TSWFFillStyle& source);
  // Reads what follows the type byte.
  virtual void ReadFromStream(TBitsEngine& be) = 0;
  // Writes the type byte and the body.
  virtual void WriteToStream(TBitsEngine& be) = 0;
  virtual std::string Describe() const = 0;
};

class TSWFColorFill : public TSWFFillStyle {
 public:
  TSWFColorFill() : TSWFFillStyle(0x00) {}
  TSWFRGBA Color;
  void Assign(const TSWFFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFBaseGradientFill : public TSWFFillStyle {
 public:
  using TSWFFillStyle::TSWFFillStyle;
  TSWFMatrix GradientMatrix;
  uint8_t SpreadMode = 0;         // 2 bits
  uint8_t InterpolationMode = 0;  // 2 bits
  uint8_t Count = 2;              // 1..15
  std::array<uint8_t, 15> Ratios{};
  std::array<TSWFRGBA, 15> Colors;
  void Assign(const TSWFFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFGradientFill : public TSWFBaseGradientFill {
 public:
  explicit TSWFGradientFill(uint8_t fillType = 0x10) : TSWFBaseGradientFill(fillType) {}
};

class TSWFFocalGradientFill : public TSWFGradientFill {
 public:
  TSWFFocalGradientFill() : TSWFGradientFill(0x13) {}
  int16_t FocalPoint = 0;  // 255 = 1.0
  // round(x * 255) limited to -255..255.
  void SetFocalPointSingle(float x);
  float FocalPointSingle() const;
  void Assign(const TSWFFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFImageFill : public TSWFFillStyle {
 public:
  explicit TSWFImageFill(uint8_t fillType = 0x41) : TSWFFillStyle(fillType) {}
  uint16_t BitmapId = 0;
  TSWFMatrix BitmapMatrix;
  void Assign(const TSWFFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
};

// The fill style class for a type byte; throws ESWFError for other types.
std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t fillType);
// A copy of a fill style (same class, Assign).
std::unique_ptr<TSWFFillStyle> CloneFillStyle(const TSWFFillStyle& source);

// ---------------------------------------------------------------- line styles

class TSWFLineStyle {
 public:
  TSWFLineStyle() = default;
  virtual ~TSWFLineStyle() = default;
  TSWFRGBA Color;  // without alpha until the shape says otherwise
  uint16_t Width = 0;
  virtual void Assign(const TSWFLineStyle& source);
  virtual void ReadFromStream(TBitsEngine& be);
  virtual void WriteToStream(TBitsEngine& be);
  virtual std::string Describe() const;
  virtual std::unique_ptr<TSWFLineStyle> Clone() const;
};

class TSWFLineStyle2 : public TSWFLineStyle {
 public:
  TSWFLineStyle2() { Color.SetHasAlpha(true); }
  bool HasFill = false;
  uint8_t StartCapStyle = 0, JoinStyle = 0, EndCapStyle = 0;  // 2 bits each
  bool NoClose = false, NoHScale = false, NoVScale = false, PixelHinting = false;
  float MiterLimitFactor = 0;  // written as 8.8
  // The line's fill, created for the type asked for (another type replaces it).
  TSWFFillStyle* GetFill(uint8_t fillType);
  TSWFFillStyle* Fill() const { return FFill.get(); }

  void Assign(const TSWFLineStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
  std::unique_ptr<TSWFLineStyle> Clone() const override;

 private:
  std::unique_ptr<TSWFFillStyle> FFill;
};

using TFillStyleList = std::vector<std::unique_ptr<TSWFFillStyle>>;
using TLineStyleList = std::vector<std::unique_ptr<TSWFLineStyle>>;

// ------------------------------------------------------------- shape records

class TSWFShapeRecord {
 public:
  virtual ~TSWFShapeRecord() = default;
  virtual int ShapeRecType() const = 0;  // 0 end, 1 style change, 2 straight, 3 curved
  virtual void Assign(const TSWFShapeRecord& source) {}
  virtual void WriteToStream(TBitsEngine& be) = 0;
};

using TShapeRecordList = std::vector<std::unique_ptr<TSWFShapeRecord>>;

class TSWFEndShapeRecord : public TSWFShapeRecord {
 public:
  int ShapeRecType() const override { return 0; }
  void WriteToStream(TBitsEngine& be) override { be.WriteBits(0u, 6); }
};

class TSWFStraightEdgeRecord : public TSWFShapeRecord {
 public:
  TSWFStraightEdgeRecord() = default;
  TSWFStraightEdgeRecord(int32_t dx, int32_t dy) : DeltaX(dx), DeltaY(dy) {}
  int32_t DeltaX = 0, DeltaY = 0;
  int ShapeRecType() const override { return 2; }
  void Assign(const TSWFShapeRecord& source) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFStyleChangeRecord : public TSWFStraightEdgeRecord {
 public:
  // DeltaX and DeltaY are the move-to point.
  uint8_t FillBits = 0, LineBits = 0;
  bool StateFillStyle0 = false, StateFillStyle1 = false, StateLineStyle = false,
       StateMoveTo = false, StateNewStyles = false;
  bool HasAlpha = false;  // set by the shape
  uint16_t FillStyle0() const { return FFillStyle0; }
  uint16_t FillStyle1() const { return FFillStyle1; }
  uint16_t LineStyle() const { return FLineStyle; }
  void SetFillStyle0(uint16_t v);
  void SetFillStyle1(uint16_t v);
  void SetLineStyle(uint16_t v);
  void SetMoveTo(int32_t x, int32_t y) {
    DeltaX = x;
    DeltaY = y;
    StateMoveTo = true;
  }
  // The new style lists; asking for either sets StateNewStyles.
  TFillStyleList& NewFillStyles() {
    StateNewStyles = true;
    return FNewFillStyles;
  }
  TLineStyleList& NewLineStyles() {
    StateNewStyles = true;
    return FNewLineStyles;
  }
  const TFillStyleList& NewFillStylesView() const { return FNewFillStyles; }
  const TLineStyleList& NewLineStylesView() const { return FNewLineStyles; }

  int ShapeRecType() const override { return 1; }
  void Assign(const TSWFShapeRecord& source) override;
  void WriteToStream(TBitsEngine& be) override;

 private:
  uint16_t FFillStyle0 = 0, FFillStyle1 = 0, FLineStyle = 0;
  TFillStyleList FNewFillStyles;
  TLineStyleList FNewLineStyles;
};

class TSWFCurvedEdgeRecord : public TSWFShapeRecord {
 public:
  TSWFCurvedEdgeRecord() = default;
  TSWFCurvedEdgeRecord(int32_t cx, int32_t cy, int32_t ax, int32_t ay)
      : AnchorDeltaX(ax), AnchorDeltaY(ay), ControlDeltaX(cx), ControlDeltaY(cy) {}
  int32_t AnchorDeltaX = 0, AnchorDeltaY = 0, ControlDeltaX = 0, ControlDeltaY = 0;
  int ShapeRecType() const override { return 3; }
  void Assign(const TSWFShapeRecord& source) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFDefineShape;

// Style counts: below 255 one byte, else 0xFF and a 16-bit count.
void WriteStyleCount(TBitsEngine& be, size_t count);
uint16_t ReadStyleCount(TBitsEngine& be);
// Fill and line style arrays as DefineShape lays them out.
void WriteFillStyles(TBitsEngine& be, TFillStyleList& fills, bool hasAlpha);
void WriteLineStyles(TBitsEngine& be, TLineStyleList& lines, bool hasAlpha);
void ReadFillStyles(TBitsEngine& be, TFillStyleList& fills, bool hasAlpha);
void ReadLineStyles(TBitsEngine& be, TLineStyleList& lines, bool hasAlpha, bool lineStyle2);

// Reads records up to and including the end record. shape gives the alpha
// and line style class of new styles (none: with alpha, LineStyle).
void ReadShapeRecords(TBitsEngine& be, TShapeRecordList& list, uint8_t fillBits,
                      TSWFDefineShape* shape, uint8_t lineBits);
void CopyShapeRecords(const TShapeRecordList& source, TShapeRecordList& dest);
// Writes records with the shape's bit-count rules: style changes get
// hasAlpha and the current bit counts (index flags dropped where the count
// is 0, unless keepIndexes), end records are written only last, one is added
// when missing.
void WriteShapeRecords(TBitsEngine& be, const TShapeRecordList& list, bool hasAlpha,
                       uint8_t fillBits, uint8_t lineBits, bool keepIndexes = false);
// Bitmap ids of the image fills among fills.
void BitmapFillRefs(TFillStyleList& fills, std::vector<uint16_t*>& ids);

// --------------------------------------------------------------- shape tags

class TSWFDefineShape : public TSWFObject {
 public:
  TSWFDefineShape() : TSWFDefineShape(2) {}
  TShapeRecordList Edges;
  TFillStyleList FillStyles;
  TLineStyleList LineStyles;
  bool HasAlpha = false;
  TSWFRect ShapeBounds;
  uint16_t ShapeId = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 1; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&ShapeId); }
  void CharacterReferences(std::vector<uint16_t*>& ids) override;
  virtual void ReadExtra(TBitsEngine& be) {}
  virtual void WriteExtra(TBitsEngine& be) {}
  std::string Describe() const override;

 protected:
  explicit TSWFDefineShape(uint16_t code) : TSWFObject(code) {}
};

class TSWFDefineShape2 : public TSWFDefineShape {
 public:
  TSWFDefineShape2() : TSWFDefineShape(22) {}
  uint8_t MinVersion() const override { return 2; }
};

class TSWFDefineShape3 : public TSWFDefineShape {
 public:
  TSWFDefineShape3() : TSWFDefineShape(32) { HasAlpha = true; }
  uint8_t MinVersion() const override { return 3; }

 protected:
  explicit TSWFDefineShape3(uint16_t code) : TSWFDefineShape(code) { HasAlpha = true; }
};

class TSWFDefineShape4 : public TSWFDefineShape3 {
 public:
  TSWFDefineShape4() : TSWFDefineShape3(83) {}
  TSWFRect EdgeBounds;
  bool UsesNonScalingStrokes = false, UsesScalingStrokes = false;
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadExtra(TBitsEngine& be) override;
  void WriteExtra(TBitsEngine& be) override;
};

// ----------------------------------------------------------- morph styles

class TSWFMorphFillStyle {
 public:
  explicit TSWFMorphFillStyle(uint8_t fillType) : FillType(fillType) {}
  virtual ~TSWFMorphFillStyle() = default;
  uint8_t FillType;
  virtual void Assign(const TSWFMorphFillStyle& source) { FillType = source.FillType; }
  virtual void ReadFromStream(TBitsEngine& be) = 0;
  virtual void WriteToStream(TBitsEngine& be) = 0;
};

class TSWFMorphColorFill : public TSWFMorphFillStyle {
 public:
  TSWFMorphColorFill() : TSWFMorphFillStyle(0x00) {}
  TSWFRGBA EndColor{true}, StartColor{true};
  void Assign(const TSWFMorphFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFMorphGradientFill : public TSWFMorphFillStyle {
 public:
  explicit TSWFMorphGradientFill(uint8_t fillType = 0x10) : TSWFMorphFillStyle(fillType) {
    for (auto& c : EndColors) c.SetHasAlpha(true);
    for (auto& c : StartColors) c.SetHasAlpha(true);
  }
  uint8_t Count = 2;  // 1..8
  std::array<TSWFRGBA, 8> EndColors, StartColors;
  std::array<uint8_t, 8> EndRatios{}, StartRatios{};
  TSWFMatrix EndMatrix, StartMatrix;
  void Assign(const TSWFMorphFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

class TSWFMorphImageFill : public TSWFMorphFillStyle {
 public:
  explicit TSWFMorphImageFill(uint8_t fillType = 0x41) : TSWFMorphFillStyle(fillType) {}
  uint16_t BitmapId = 0;
  TSWFMatrix EndMatrix, StartMatrix;
  void Assign(const TSWFMorphFillStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
};

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(uint8_t fillType);

class TSWFMorphLineStyle {
 public:
  TSWFMorphLineStyle() = default;
  virtual ~TSWFMorphLineStyle() = default;
  TSWFRGBA EndColor{true}, StartColor{true};
  uint16_t EndWidth = 0, StartWidth = 0;
  virtual void Assign(const TSWFMorphLineStyle& source);
  virtual void ReadFromStream(TBitsEngine& be);
  virtual void WriteToStream(TBitsEngine& be);
  virtual std::unique_ptr<TSWFMorphLineStyle> Clone() const;
};

// The fill of a morph line is held and written as a plain fill style (one
// set of values, not a start and an end).
class TSWFMorphLineStyle2 : public TSWFMorphLineStyle {
 public:
  uint8_t EndCapStyle = 0, JoinStyle = 0, StartCapStyle = 0;
  bool HasFill = false, NoClose = false, NoHScale = false, NoVScale = false,
       PixelHinting = false;
  float MiterLimitFactor = 0;
  TSWFFillStyle* GetFill(uint8_t fillType);
  TSWFFillStyle* Fill() const { return FFill.get(); }
  void Assign(const TSWFMorphLineStyle& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::unique_ptr<TSWFMorphLineStyle> Clone() const override;

 private:
  std::unique_ptr<TSWFFillStyle> FFill;
};

class TSWFDefineMorphShape : public TSWFObject {
 public:
  TSWFDefineMorphShape() : TSWFDefineMorphShape(46) {}
  uint16_t CharacterId = 0;
  TSWFRect EndBounds, StartBounds;
  TShapeRecordList EndEdges, StartEdges;
  std::vector<std::unique_ptr<TSWFMorphFillStyle>> MorphFillStyles;
  std::vector<std::unique_ptr<TSWFMorphLineStyle>> MorphLineStyles;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  void CharacterReferences(std::vector<uint16_t*>& ids) override;
  virtual void ReadExtra(TBitsEngine& be) {}
  virtual void WriteExtra(TBitsEngine& be) {}
  std::string Describe() const override;

 protected:
  explicit TSWFDefineMorphShape(uint16_t code) : TSWFObject(code) {}
};

class TSWFDefineMorphShape2 : public TSWFDefineMorphShape {
 public:
  TSWFDefineMorphShape2() : TSWFDefineMorphShape(84) {}
  TSWFRect EndEdgeBounds, StartEdgeBounds;
  bool UsesNonScalingStrokes = false, UsesScalingStrokes = false;
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadExtra(TBitsEngine& be) override;
  void WriteExtra(TBitsEngine& be) override;
};

void RegisterShapeTags(TSWFTagRegistry& registry);

}  // namespace reelcast
