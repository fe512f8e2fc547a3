// TFlashShape is a vector graphic of a movie: its records drawn through a
// TFlashEdges pen, its fill and line styles and its bounds, written as a
// DefineShape2 tag, or DefineShape3 once a colour with alpha is used.
// TFlashImage is a picture file as a bitmap character (see TPictureFile).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/FlashEdges.h"
#include "movie/FlashObject.h"
#include "movie/PictureFile.h"
#include "swf/Shapes.h"

namespace reelcast {

class TFlashImage : public TFlashIDObject {
 public:
  // Loads the file when a name is given (errors of TPictureFile pass on).
  explicit TFlashImage(TFlashMovie* owner = nullptr, const std::string& fileName = "");
  void LoadFromFile(const std::string& fileName) { Picture.LoadFromFile(fileName); }
  int Width() const { return Picture.Width; }
  int Height() const { return Picture.Height; }
  uint8_t MinVersion() const override { return Picture.MinVersion(); }
  void WriteToStream(TBitsEngine& be) override { Picture.WriteTag(be, CharacterId); }

  TPictureFile Picture;
};

class TFlashShape : public TFlashVisualObject {
 public:
  explicit TFlashShape(TFlashMovie* owner = nullptr);
  // The pen points into this object's own record list.
  TFlashShape(const TFlashShape&) = delete;
  TFlashShape& operator=(const TFlashShape&) = delete;

  TShapeRecordList Records;
  TFlashEdges Edges{Records};
  TFillStyleList FillStyles;  // 1-based in the records
  TLineStyleList LineStyles;
  bool HasAlpha = false;

  // 1 when StaticUnits is set or there is no movie, else the movie's unit.
  int UnitScale() const;
  void OwnerChanged() override;
  // Copies the visual-object fields, the three selected style indexes and
  // HasAlpha; not the records or the style lists.
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return HasAlpha ? 3 : 2; }

  // Bounds are the caller's promise (never computed from the edges).
  void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);
  const TSWFRect& Bounds() const { return bounds_; }
  int32_t XMin() const { return bounds_.Xmin() / UnitScale(); }
  int32_t YMin() const { return bounds_.Ymin() / UnitScale(); }
  int32_t XMax() const { return bounds_.Xmax() / UnitScale(); }
  int32_t YMax() const { return bounds_.Ymax() / UnitScale(); }
  int32_t GetWidth(bool inTwips = false) const {
    return (XMax() - XMin()) * (inTwips ? UnitScale() : 1);
  }
  int32_t GetHeight(bool inTwips = false) const {
    return (YMax() - YMin()) * (inTwips ? UnitScale() : 1);
  }

  uint16_t FillStyle0() const { return fillStyle0_; }
  uint16_t FillStyle1() const { return fillStyle1_; }
  uint16_t LineStyle() const { return lineStyle_; }
  // Select a style on the first record (the one the pen created).
  void SetFillStyle0(uint16_t index);
  void SetFillStyle1(uint16_t index);
  void SetLineStyle(uint16_t index);

  // Appends the style (a style already in the list is only selected) and
  // selects it as fill style 1 / the line style.
  TSWFFillStyle* AddFillStyle(std::unique_ptr<TSWFFillStyle> style);
  TSWFFillStyle* AddFillStyle(TSWFFillStyle* existing);
  TSWFLineStyle* AddLineStyle(std::unique_ptr<TSWFLineStyle> style = nullptr);

  // color: packed RGBA, red in the low byte, alpha in the top byte.
  TSWFColorFill* AddSolidFill(uint32_t rgba);
  TSWFColorFill* AddSolidFill(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
  TSWFColorFill* AddSolidFill(const TSWFRGB& color);
  TSWFLineStyle* SetLine(int32_t width, uint32_t rgba);
  TSWFGradientFill* AddGradientFill(const std::vector<uint32_t>& colors, float angleDegrees);
  // mode 0: at scale; 1: fitted to the bounds; 2: repeated. The image is
  // moved ahead of this shape in the movie when it stands after it.
  TSWFImageFill* AddImageFill(TFlashImage* image, int mode, float scaleX = 1, float scaleY = 1);

  void WriteToStream(TBitsEngine& be) override;

 private:
  TSWFStyleChangeRecord* FirstStyleChange();
  TSWFRect bounds_;
  uint16_t fillStyle0_ = 0, fillStyle1_ = 0, lineStyle_ = 0;
};

}  // namespace reelcast
