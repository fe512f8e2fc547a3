#include "movie/FlashShape.h"

#include <algorithm>

#include "movie/FlashMovie.h"
#include "movie/ShapeFills.h"

namespace reelcast {

TFlashImage::TFlashImage(TFlashMovie* owner, const std::string& fileName) : TFlashIDObject(owner) {
  if (!fileName.empty()) Picture.LoadFromFile(fileName);
}

TFlashShape::TFlashShape(TFlashMovie* owner) : TFlashVisualObject(owner) { OwnerChanged(); }

int TFlashShape::UnitScale() const {
  return StaticUnits || !owner_ ? 1 : owner_->Multiplier();
}

void TFlashShape::OwnerChanged() { Edges.MovieUnit = owner_ ? owner_->Multiplier() : 0; }

void TFlashShape::Assign(const TBasedSWFObject& source) {
  TFlashVisualObject::Assign(source);
  auto* s = dynamic_cast<const TFlashShape*>(&source);
  if (!s) return;
  SetFillStyle0(s->fillStyle0_);
  SetFillStyle1(s->fillStyle1_);
  SetLineStyle(s->lineStyle_);
  HasAlpha = s->HasAlpha;
}

void TFlashShape::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  int s = UnitScale();
  bounds_.SetRect({left * s, top * s, right * s, bottom * s});
}

TSWFStyleChangeRecord* TFlashShape::FirstStyleChange() {
  if (Records.empty() || Records.front()->ShapeRecType() != 1) return nullptr;
  return static_cast<TSWFStyleChangeRecord*>(Records.front().get());
}

void TFlashShape::SetFillStyle0(uint16_t index) {
  TSWFStyleChangeRecord* r = FirstStyleChange();
  fillStyle0_ = r ? index : 0;
  if (r) r->SetFillStyle0(index);
}

void TFlashShape::SetFillStyle1(uint16_t index) {
  TSWFStyleChangeRecord* r = FirstStyleChange();
  fillStyle1_ = r ? index : 0;
  if (r) r->SetFillStyle1(index);
}

void TFlashShape::SetLineStyle(uint16_t index) {
  TSWFStyleChangeRecord* r = FirstStyleChange();
  lineStyle_ = r ? index : 0;
  if (r) r->SetLineStyle(index);
}

TSWFFillStyle* TFlashShape::AddFillStyle(TSWFFillStyle* existing) {
  for (size_t i = 0; i < FillStyles.size(); ++i)
    if (FillStyles[i].get() == existing) {
      SetFillStyle1(static_cast<uint16_t>(i + 1));
      return existing;
    }
  return nullptr;
}

TSWFFillStyle* TFlashShape::AddFillStyle(std::unique_ptr<TSWFFillStyle> style) {
  TSWFFillStyle* raw = style.get();
  FillStyles.push_back(std::move(style));
  SetFillStyle1(static_cast<uint16_t>(FillStyles.size()));
  return raw;
}

TSWFLineStyle* TFlashShape::AddLineStyle(std::unique_ptr<TSWFLineStyle> style) {
  if (!style) style = std::make_unique<TSWFLineStyle>();
  TSWFLineStyle* raw = style.get();
  LineStyles.push_back(std::move(style));
  SetLineStyle(static_cast<uint16_t>(LineStyles.size()));
  return raw;
}

TSWFColorFill* TFlashShape::AddSolidFill(uint32_t rgba) {
  auto fill = std::make_unique<TSWFColorFill>();
  fill->Color.SetRGBA(rgba);
  if ((rgba >> 24) != 255) HasAlpha = true;
  return static_cast<TSWFColorFill*>(AddFillStyle(std::move(fill)));
}

TSWFColorFill* TFlashShape::AddSolidFill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return AddSolidFill(MakeRGBA(r, g, b, a));
}

TSWFColorFill* TFlashShape::AddSolidFill(const TSWFRGB& color) {
  return AddSolidFill(color.RGB() | 0xFF000000u);
}

TSWFLineStyle* TFlashShape::SetLine(int32_t width, uint32_t rgba) {
  TSWFLineStyle* line = AddLineStyle();
  line->Width = static_cast<uint16_t>(std::clamp(width * UnitScale(), 0, 65535));
  line->Color.SetRGBA(rgba);
  if ((rgba >> 24) != 255) HasAlpha = true;
  return line;
}

TSWFGradientFill* TFlashShape::AddGradientFill(const std::vector<uint32_t>& colors,
                                               float angleDegrees) {
  auto fill = MakeGradientFill(colors, angleDegrees, bounds_, HasAlpha);
  return static_cast<TSWFGradientFill*>(AddFillStyle(std::move(fill)));
}

TSWFImageFill* TFlashShape::AddImageFill(TFlashImage* image, int mode, float scaleX,
                                         float scaleY) {
  auto fill = MakeImageFill(image->GetCharacterId(), image->Width(), image->Height(), mode,
                            scaleX, scaleY, bounds_);
  auto* raw = static_cast<TSWFImageFill*>(AddFillStyle(std::move(fill)));
  // The bitmap must be defined before the shape that shows it.
  if (owner_) owner_->MoveBefore(image, this);
  return raw;
}

void TFlashShape::WriteToStream(TBitsEngine& be) {
  uint16_t maxWidth = 0;
  for (const auto& l : LineStyles) maxWidth = std::max(maxWidth, l->Width);
  std::unique_ptr<TSWFDefineShape> tag;
  if (HasAlpha)
    tag = std::make_unique<TSWFDefineShape3>();
  else
    tag = std::make_unique<TSWFDefineShape2>();
  tag->ShapeId = CharacterId;
  tag->HasAlpha = HasAlpha;
  // The tag writes the shape's own lists, lent for the write.
  tag->Edges.swap(Records);
  tag->FillStyles.swap(FillStyles);
  tag->LineStyles.swap(LineStyles);
  int32_t grow = maxWidth / 2;
  tag->ShapeBounds.SetRect({bounds_.Xmin() - grow, bounds_.Ymin() - grow, bounds_.Xmax() + grow,
                            bounds_.Ymax() + grow});
  try {
    tag->WriteToStream(be);
  } catch (...) {
    tag->Edges.swap(Records);
    tag->FillStyles.swap(FillStyles);
    tag->LineStyles.swap(LineStyles);
    throw;
  }
  tag->Edges.swap(Records);
  tag->FillStyles.swap(FillStyles);
  tag->LineStyles.swap(LineStyles);
}

}  // namespace reelcast

// ------------------------------------------------------ the movie's shapes

namespace reelcast {

TFlashShape* TFlashMovie::AddShape(std::unique_ptr<TFlashShape> shape) {
  if (!shape) shape = std::make_unique<TFlashShape>(this);
  return RegisterObject(std::move(shape), &Shapes());
}

TFlashShape* TFlashMovie::AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TFlashShape* shape = AddShape();
  shape->SetBounds(left, top, right, bottom);
  shape->Edges.MoveTo(left, top);
  shape->Edges.MakeRectangle(right - left, bottom - top);
  shape->Edges.ClosePath();
  return shape;
}

TFlashShape* TFlashMovie::AddRoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                       int32_t radius) {
  TFlashShape* shape = AddShape();
  shape->SetBounds(left, top, right, bottom);
  shape->Edges.MoveTo(left, top);
  shape->Edges.MakeRoundRect(right - left, bottom - top, radius);
  shape->Edges.ClosePath();
  return shape;
}

TFlashShape* TFlashMovie::AddRoundRect(const TRect& rect, int32_t radius) {
  return AddRoundRect(rect.Left, rect.Top, rect.Right, rect.Bottom, radius);
}

TFlashShape* TFlashMovie::AddEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TFlashShape* shape = AddShape();
  shape->SetBounds(left, top, right, bottom);
  shape->Edges.MoveTo(left, top);
  shape->Edges.MakeEllipse(right - left, bottom - top);
  return shape;
}

TFlashShape* TFlashMovie::AddCircle(int32_t x, int32_t y, int32_t radius) {
  return AddEllipse(x - radius, y - radius, x + radius, y + radius);
}

TFlashImage* TFlashMovie::AddImage(const std::string& fileName) {
  // Loaded before registering: a file that fails costs no id.
  auto image = std::make_unique<TFlashImage>(this, fileName);
  return RegisterObject(std::move(image), &Images());
}

}  // namespace reelcast
