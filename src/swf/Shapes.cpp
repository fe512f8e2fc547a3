#include "swf/Shapes.h"

#include <algorithm>
#include <cmath>

#include "swf/TagText.h"

namespace reelcast {

namespace {

void WriteColor(TBitsEngine& be, const TSWFRGBA& c, bool alpha) {
  if (alpha)
    be.WriteRGBA(c.GetRGBA());
  else
    be.WriteRGB(c.RGB());
}

void ReadColor(TBitsEngine& be, TSWFRGBA& c, bool alpha) {
  c.SetHasAlpha(alpha);
  if (alpha)
    c.SetRGBA(be.ReadRGBA());
  else
    c.SetRGB(be.ReadRGB());
}

void WriteMatrix(TBitsEngine& be, const TSWFMatrix& m) { be.WriteMatrix(m.Rec()); }
void ReadMatrix(TBitsEngine& be, TSWFMatrix& m) { m.SetRec(be.ReadMatrix()); }

}  // namespace

// ---------------------------------------------------------------- fill styles

void TSWFFillStyle::Assign(const TSWFFillStyle& source) {
  HasAlpha = source.HasAlpha;
  FillType = source.FillType;
}

void TSWFColorFill::Assign(const TSWFFillStyle& source) {
  TSWFFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFColorFill*>(&source)) Color.Assign(s->Color);
}
void TSWFColorFill::ReadFromStream(TBitsEngine& be) { ReadColor(be, Color, HasAlpha); }
void TSWFColorFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  WriteColor(be, Color, HasAlpha);
}
std::string TSWFColorFill::Describe() const { return "solid " + text::Color(Color.GetRGBA()); }

void TSWFBaseGradientFill::Assign(const TSWFFillStyle& source) {
  TSWFFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFBaseGradientFill*>(&source)) {
    GradientMatrix.Assign(s->GradientMatrix);
    SpreadMode = s->SpreadMode;
    InterpolationMode = s->InterpolationMode;
    Count = s->Count;
    Ratios = s->Ratios;
    for (size_t i = 0; i < Colors.size(); ++i) Colors[i].Assign(s->Colors[i]);
  }
}
void TSWFBaseGradientFill::ReadFromStream(TBitsEngine& be) {
  ReadMatrix(be, GradientMatrix);
  uint8_t b = be.ReadByte();
  SpreadMode = b >> 6;
  InterpolationMode = (b >> 4) & 3;
  Count = b & 15;
  for (int i = 0; i < Count; ++i) {
    Ratios[i] = be.ReadByte();
    ReadColor(be, Colors[i], HasAlpha);
  }
}
void TSWFBaseGradientFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  WriteMatrix(be, GradientMatrix);
  const int count = std::min<int>(Count, 15);
  be.WriteByte(static_cast<uint8_t>((SpreadMode & 3) * 64 + (InterpolationMode & 3) * 16 + count));
  for (int i = 0; i < count; ++i) {
    be.WriteByte(Ratios[i]);
    WriteColor(be, Colors[i], HasAlpha);
  }
}
std::string TSWFBaseGradientFill::Describe() const {
  return std::string(FillType == 0x12 ? "radial" : FillType == 0x13 ? "focal" : "linear") +
         " gradient " + std::to_string(Count) + " entries";
}

void TSWFFocalGradientFill::SetFocalPointSingle(float x) {
  double v = std::nearbyint(static_cast<double>(x) * 255.0);
  FocalPoint = static_cast<int16_t>(std::clamp(v, -255.0, 255.0));
}
float TSWFFocalGradientFill::FocalPointSingle() const {
  return std::clamp(FocalPoint / 255.0f, -1.0f, 1.0f);
}
void TSWFFocalGradientFill::Assign(const TSWFFillStyle& source) {
  TSWFGradientFill::Assign(source);
  if (auto* s = dynamic_cast<const TSWFFocalGradientFill*>(&source)) FocalPoint = s->FocalPoint;
}
void TSWFFocalGradientFill::ReadFromStream(TBitsEngine& be) {
  TSWFGradientFill::ReadFromStream(be);
  FocalPoint = static_cast<int16_t>(be.ReadWord());
}
void TSWFFocalGradientFill::WriteToStream(TBitsEngine& be) {
  TSWFGradientFill::WriteToStream(be);
  be.WriteWord(static_cast<uint16_t>(FocalPoint));
}
std::string TSWFFocalGradientFill::Describe() const {
  return TSWFGradientFill::Describe() + " focal " + std::to_string(FocalPoint);
}

void TSWFImageFill::Assign(const TSWFFillStyle& source) {
  TSWFFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFImageFill*>(&source)) {
    BitmapId = s->BitmapId;
    BitmapMatrix.Assign(s->BitmapMatrix);
  }
}
void TSWFImageFill::ReadFromStream(TBitsEngine& be) {
  BitmapId = be.ReadWord();
  ReadMatrix(be, BitmapMatrix);
}
void TSWFImageFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  be.WriteWord(BitmapId);
  WriteMatrix(be, BitmapMatrix);
}
std::string TSWFImageFill::Describe() const {
  return "bitmap " + std::to_string(BitmapId) + " type " + text::HexByte(FillType);
}

std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t fillType) {
  switch (fillType) {
    case 0x00: return std::make_unique<TSWFColorFill>();
    case 0x10:
    case 0x12: return std::make_unique<TSWFGradientFill>(fillType);
    case 0x13: return std::make_unique<TSWFFocalGradientFill>();
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43: return std::make_unique<TSWFImageFill>(fillType);
    default: throw ESWFError("unknown fill style type " + std::to_string(fillType));
  }
}

std::unique_ptr<TSWFFillStyle> CloneFillStyle(const TSWFFillStyle& source) {
  auto copy = CreateFillStyle(source.FillType);
  copy->Assign(source);
  return copy;
}

// ---------------------------------------------------------------- line styles

void TSWFLineStyle::Assign(const TSWFLineStyle& source) {
  Color.SetHasAlpha(source.Color.HasAlpha());
  Color.Assign(source.Color);
  Width = source.Width;
}
void TSWFLineStyle::ReadFromStream(TBitsEngine& be) {
  Width = be.ReadWord();
  ReadColor(be, Color, Color.HasAlpha());
}
void TSWFLineStyle::WriteToStream(TBitsEngine& be) {
  be.WriteWord(Width);
  WriteColor(be, Color, Color.HasAlpha());
}
std::string TSWFLineStyle::Describe() const {
  return "width " + std::to_string(Width) + " " + text::Color(Color.GetRGBA());
}
std::unique_ptr<TSWFLineStyle> TSWFLineStyle::Clone() const {
  auto c = std::make_unique<TSWFLineStyle>();
  c->Assign(*this);
  return c;
}

TSWFFillStyle* TSWFLineStyle2::GetFill(uint8_t fillType) {
  if (!FFill || FFill->FillType != fillType) FFill = CreateFillStyle(fillType);
  return FFill.get();
}
void TSWFLineStyle2::Assign(const TSWFLineStyle& source) {
  TSWFLineStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFLineStyle2*>(&source)) {
    HasFill = s->HasFill;
    StartCapStyle = s->StartCapStyle;
    JoinStyle = s->JoinStyle;
    EndCapStyle = s->EndCapStyle;
    NoClose = s->NoClose;
    NoHScale = s->NoHScale;
    NoVScale = s->NoVScale;
    PixelHinting = s->PixelHinting;
    MiterLimitFactor = s->MiterLimitFactor;
    FFill = s->FFill ? CloneFillStyle(*s->FFill) : nullptr;
  }
}
void TSWFLineStyle2::ReadFromStream(TBitsEngine& be) {
  Width = be.ReadWord();
  uint8_t a = be.ReadByte();
  StartCapStyle = a >> 6;
  JoinStyle = (a >> 4) & 3;
  HasFill = a & 8;
  NoHScale = a & 4;
  NoVScale = a & 2;
  PixelHinting = a & 1;
  uint8_t b = be.ReadByte();
  NoClose = b & 4;
  EndCapStyle = b & 3;
  if (JoinStyle == 2) MiterLimitFactor = Fixed8ToSingle(be.ReadWord());
  if (HasFill) {
    FFill = CreateFillStyle(be.ReadByte());
    FFill->HasAlpha = true;
    FFill->ReadFromStream(be);
  } else {
    ReadColor(be, Color, true);
  }
}
void TSWFLineStyle2::WriteToStream(TBitsEngine& be) {
  be.WriteWord(Width);
  be.WriteBits(static_cast<uint32_t>(StartCapStyle & 3), 2);
  be.WriteBits(static_cast<uint32_t>(JoinStyle & 3), 2);
  be.WriteBit(HasFill);
  be.WriteBit(NoHScale);
  be.WriteBit(NoVScale);
  be.WriteBit(PixelHinting);
  be.WriteBits(0u, 5);
  be.WriteBit(NoClose);
  be.WriteBits(static_cast<uint32_t>(EndCapStyle & 3), 2);
  if (JoinStyle == 2) be.WriteWord(SingleToFixed8(MiterLimitFactor));
  if (HasFill && FFill) {
    FFill->HasAlpha = true;
    FFill->WriteToStream(be);
  } else {
    WriteColor(be, Color, true);
  }
}
std::string TSWFLineStyle2::Describe() const {
  std::string s = "width " + std::to_string(Width);
  s += HasFill && FFill ? " fill " + FFill->Describe() : " " + text::Color(Color.GetRGBA());
  if (NoHScale || NoVScale) s += " non-scaling";
  return s;
}
std::unique_ptr<TSWFLineStyle> TSWFLineStyle2::Clone() const {
  auto c = std::make_unique<TSWFLineStyle2>();
  c->Assign(*this);
  return c;
}

// ------------------------------------------------------------- shape records

void TSWFStraightEdgeRecord::Assign(const TSWFShapeRecord& source) {
  if (auto* s = dynamic_cast<const TSWFStraightEdgeRecord*>(&source)) {
    DeltaX = s->DeltaX;
    DeltaY = s->DeltaY;
  }
}

void TSWFStraightEdgeRecord::WriteToStream(TBitsEngine& be) {
  if (DeltaX == 0 && DeltaY == 0) return;
  be.WriteBit(true);
  be.WriteBit(true);
  const int n = std::max<int>(GetSignedBitsCount(MaxAbs(DeltaX, DeltaY), 1), 2);
  be.WriteBits(static_cast<uint32_t>(n - 2), 4);
  if (DeltaX != 0 && DeltaY != 0) {
    be.WriteBit(true);
    be.WriteBits(DeltaX, n);
    be.WriteBits(DeltaY, n);
  } else {
    be.WriteBit(false);
    be.WriteBit(DeltaX == 0);
    be.WriteBits(DeltaX == 0 ? DeltaY : DeltaX, n);
  }
}

void TSWFStyleChangeRecord::SetFillStyle0(uint16_t v) {
  if (StateFillStyle0 && FFillStyle0 == v) return;
  FFillStyle0 = v;
  StateFillStyle0 = true;
}
void TSWFStyleChangeRecord::SetFillStyle1(uint16_t v) {
  if (StateFillStyle1 && FFillStyle1 == v) return;
  FFillStyle1 = v;
  StateFillStyle1 = true;
}
void TSWFStyleChangeRecord::SetLineStyle(uint16_t v) {
  if (StateLineStyle && FLineStyle == v) return;
  FLineStyle = v;
  StateLineStyle = true;
}

void TSWFStyleChangeRecord::Assign(const TSWFShapeRecord& source) {
  TSWFStraightEdgeRecord::Assign(source);
  if (auto* s = dynamic_cast<const TSWFStyleChangeRecord*>(&source)) {
    FillBits = s->FillBits;
    LineBits = s->LineBits;
    StateFillStyle0 = s->StateFillStyle0;
    StateFillStyle1 = s->StateFillStyle1;
    StateLineStyle = s->StateLineStyle;
    StateMoveTo = s->StateMoveTo;
    StateNewStyles = s->StateNewStyles;
    HasAlpha = s->HasAlpha;
    FFillStyle0 = s->FFillStyle0;
    FFillStyle1 = s->FFillStyle1;
    FLineStyle = s->FLineStyle;
    FNewFillStyles.clear();
    for (const auto& f : s->FNewFillStyles) FNewFillStyles.push_back(CloneFillStyle(*f));
    FNewLineStyles.clear();
    for (const auto& l : s->FNewLineStyles) FNewLineStyles.push_back(l->Clone());
  }
}

void TSWFStyleChangeRecord::WriteToStream(TBitsEngine& be) {
  const bool anyIndex = StateLineStyle || StateFillStyle1 || StateFillStyle0;
  const bool move = anyIndex ? StateMoveTo : true;
  be.WriteBit(false);
  be.WriteBit(StateNewStyles);
  be.WriteBit(StateLineStyle);
  be.WriteBit(StateFillStyle1);
  be.WriteBit(StateFillStyle0);
  be.WriteBit(move);
  if (move) {
    const int n = GetSignedBitsCount(MaxAbs(DeltaX, DeltaY), 1);
    be.WriteBits(static_cast<uint32_t>(n), 5);
    be.WriteBits(DeltaX, n);
    be.WriteBits(DeltaY, n);
  }
  if (StateFillStyle0) be.WriteBits(static_cast<uint32_t>(FFillStyle0), FillBits);
  if (StateFillStyle1) be.WriteBits(static_cast<uint32_t>(FFillStyle1), FillBits);
  if (StateLineStyle) be.WriteBits(static_cast<uint32_t>(FLineStyle), LineBits);
  if (StateNewStyles) {
    be.FlushBits(true);
    WriteFillStyles(be, FNewFillStyles, HasAlpha);
    WriteLineStyles(be, FNewLineStyles, HasAlpha);
    FillBits = GetBitsCount(static_cast<uint32_t>(FNewFillStyles.size()));
    LineBits = GetBitsCount(static_cast<uint32_t>(FNewLineStyles.size()));
    be.WriteBits(static_cast<uint32_t>(FillBits), 4);
    be.WriteBits(static_cast<uint32_t>(LineBits), 4);
  }
}

void TSWFCurvedEdgeRecord::Assign(const TSWFShapeRecord& source) {
  if (auto* s = dynamic_cast<const TSWFCurvedEdgeRecord*>(&source)) {
    AnchorDeltaX = s->AnchorDeltaX;
    AnchorDeltaY = s->AnchorDeltaY;
    ControlDeltaX = s->ControlDeltaX;
    ControlDeltaY = s->ControlDeltaY;
  }
}

void TSWFCurvedEdgeRecord::WriteToStream(TBitsEngine& be) {
  if (!AnchorDeltaX && !AnchorDeltaY && !ControlDeltaX && !ControlDeltaY) return;
  be.WriteBit(true);
  be.WriteBit(false);
  const int n = std::max<int>(
      GetSignedBitsCount(MaxAbs(AnchorDeltaX, AnchorDeltaY, ControlDeltaX, ControlDeltaY), 1), 2);
  be.WriteBits(static_cast<uint32_t>(n - 2), 4);
  be.WriteBits(ControlDeltaX, n);
  be.WriteBits(ControlDeltaY, n);
  be.WriteBits(AnchorDeltaX, n);
  be.WriteBits(AnchorDeltaY, n);
}

// ------------------------------------------------------------ style arrays

void WriteStyleCount(TBitsEngine& be, size_t count) {
  if (count < 255) {
    be.WriteByte(static_cast<uint8_t>(count));
  } else {
    be.WriteByte(255);
    be.WriteWord(static_cast<uint16_t>(count));
  }
}

uint16_t ReadStyleCount(TBitsEngine& be) {
  uint8_t b = be.ReadByte();
  return b == 255 ? be.ReadWord() : b;
}

void WriteFillStyles(TBitsEngine& be, TFillStyleList& fills, bool hasAlpha) {
  WriteStyleCount(be, fills.size());
  for (auto& f : fills) {
    f->HasAlpha = hasAlpha;
    f->WriteToStream(be);
  }
}

void WriteLineStyles(TBitsEngine& be, TLineStyleList& lines, bool hasAlpha) {
  WriteStyleCount(be, lines.size());
  for (auto& l : lines) {
    l->Color.SetHasAlpha(hasAlpha);
    l->WriteToStream(be);
  }
}

void ReadFillStyles(TBitsEngine& be, TFillStyleList& fills, bool hasAlpha) {
  const uint16_t n = ReadStyleCount(be);
  for (uint16_t i = 0; i < n; ++i) {
    auto f = CreateFillStyle(be.ReadByte());
    f->HasAlpha = hasAlpha;
    f->ReadFromStream(be);
    fills.push_back(std::move(f));
  }
}

void ReadLineStyles(TBitsEngine& be, TLineStyleList& lines, bool hasAlpha, bool lineStyle2) {
  const uint16_t n = ReadStyleCount(be);
  for (uint16_t i = 0; i < n; ++i) {
    std::unique_ptr<TSWFLineStyle> l;
    if (lineStyle2)
      l = std::make_unique<TSWFLineStyle2>();
    else
      l = std::make_unique<TSWFLineStyle>();
    l->Color.SetHasAlpha(hasAlpha);
    l->ReadFromStream(be);
    lines.push_back(std::move(l));
  }
}

void BitmapFillRefs(TFillStyleList& fills, std::vector<uint16_t*>& ids) {
  for (auto& f : fills)
    if (auto* img = dynamic_cast<TSWFImageFill*>(f.get())) ids.push_back(&img->BitmapId);
}

// ---------------------------------------------------------- record lists

void ReadShapeRecords(TBitsEngine& be, TShapeRecordList& list, uint8_t fillBits,
                      TSWFDefineShape* shape, uint8_t lineBits) {
  const bool alpha = shape ? shape->HasAlpha : true;
  const bool lineStyle2 = shape && shape->TagID == 83;
  for (;;) {
    if (be.ReadBits(1)) {
      if (be.ReadBits(1)) {
        auto e = std::make_unique<TSWFStraightEdgeRecord>();
        const int n = static_cast<int>(be.ReadBits(4)) + 2;
        if (be.ReadBits(1)) {
          e->DeltaX = be.ReadSBits(n);
          e->DeltaY = be.ReadSBits(n);
        } else if (be.ReadBits(1)) {
          e->DeltaY = be.ReadSBits(n);
        } else {
          e->DeltaX = be.ReadSBits(n);
        }
        list.push_back(std::move(e));
      } else {
        auto c = std::make_unique<TSWFCurvedEdgeRecord>();
        const int n = static_cast<int>(be.ReadBits(4)) + 2;
        c->ControlDeltaX = be.ReadSBits(n);
        c->ControlDeltaY = be.ReadSBits(n);
        c->AnchorDeltaX = be.ReadSBits(n);
        c->AnchorDeltaY = be.ReadSBits(n);
        list.push_back(std::move(c));
      }
      continue;
    }
    const uint32_t flags = be.ReadBits(5);
    if (flags == 0) {
      list.push_back(std::make_unique<TSWFEndShapeRecord>());
      break;
    }
    auto r = std::make_unique<TSWFStyleChangeRecord>();
    r->HasAlpha = alpha;
    r->FillBits = fillBits;
    r->LineBits = lineBits;
    if (flags & 1) {
      const int n = static_cast<int>(be.ReadBits(5));
      r->DeltaX = be.ReadSBits(n);
      r->DeltaY = be.ReadSBits(n);
      r->StateMoveTo = true;
    }
    if (flags & 2) r->SetFillStyle0(static_cast<uint16_t>(be.ReadBits(fillBits)));
    if (flags & 4) r->SetFillStyle1(static_cast<uint16_t>(be.ReadBits(fillBits)));
    if (flags & 8) r->SetLineStyle(static_cast<uint16_t>(be.ReadBits(lineBits)));
    if (flags & 16) {
      be.FlushBits(false);
      ReadFillStyles(be, r->NewFillStyles(), alpha);
      ReadLineStyles(be, r->NewLineStyles(), alpha, lineStyle2);
      const uint8_t b = be.ReadByte();
      fillBits = b >> 4;
      lineBits = b & 15;
      r->FillBits = fillBits;
      r->LineBits = lineBits;
    }
    list.push_back(std::move(r));
  }
  be.FlushBits(false);
}

namespace {

std::unique_ptr<TSWFShapeRecord> NewShapeRecord(int type) {
  switch (type) {
    case 0: return std::make_unique<TSWFEndShapeRecord>();
    case 1: return std::make_unique<TSWFStyleChangeRecord>();
    case 2: return std::make_unique<TSWFStraightEdgeRecord>();
    default: return std::make_unique<TSWFCurvedEdgeRecord>();
  }
}

}  // namespace

void CopyShapeRecords(const TShapeRecordList& source, TShapeRecordList& dest) {
  for (const auto& r : source) {
    auto c = NewShapeRecord(r->ShapeRecType());
    c->Assign(*r);
    dest.push_back(std::move(c));
  }
}

void WriteShapeRecords(TBitsEngine& be, const TShapeRecordList& list, bool hasAlpha,
                       uint8_t fillBits, uint8_t lineBits, bool keepIndexes) {
  for (size_t i = 0; i < list.size(); ++i) {
    TSWFShapeRecord* r = list[i].get();
    if (r->ShapeRecType() == 0 && i + 1 != list.size()) continue;
    if (auto* sc = dynamic_cast<TSWFStyleChangeRecord*>(r)) {
      sc->HasAlpha = hasAlpha;
      sc->FillBits = fillBits;
      sc->LineBits = lineBits;
      if (!sc->StateNewStyles && !keepIndexes) {
        if (fillBits == 0) sc->StateFillStyle0 = sc->StateFillStyle1 = false;
        if (lineBits == 0) sc->StateLineStyle = false;
      }
      sc->WriteToStream(be);
      if (sc->StateNewStyles) {
        fillBits = sc->FillBits;
        lineBits = sc->LineBits;
      }
    } else {
      r->WriteToStream(be);
    }
  }
  if (list.empty() || list.back()->ShapeRecType() != 0) TSWFEndShapeRecord().WriteToStream(be);
  be.FlushBits(true);
}

// --------------------------------------------------------------- shape tags

void TSWFDefineShape::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineShape*>(&source);
  if (!s) return;
  ShapeId = s->ShapeId;
  ShapeBounds.Assign(s->ShapeBounds);
  HasAlpha = s->HasAlpha;
  Edges.clear();
  CopyShapeRecords(s->Edges, Edges);
  FillStyles.clear();
  for (const auto& f : s->FillStyles) FillStyles.push_back(CloneFillStyle(*f));
  LineStyles.clear();
  for (const auto& l : s->LineStyles) LineStyles.push_back(l->Clone());
}

void TSWFDefineShape::ReadFromStream(TBitsEngine& be) {
  ShapeId = be.ReadWord();
  ShapeBounds.SetRec(be.ReadRectRec());
  ReadExtra(be);
  ReadFillStyles(be, FillStyles, HasAlpha);
  ReadLineStyles(be, LineStyles, HasAlpha, TagID == 83);
  const uint8_t b = be.ReadByte();
  ReadShapeRecords(be, Edges, b >> 4, this, b & 15);
}

void TSWFDefineShape::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ShapeId);
  be.WriteRect(ShapeBounds.Rec());
  WriteExtra(be);
  WriteFillStyles(be, FillStyles, HasAlpha);
  WriteLineStyles(be, LineStyles, HasAlpha);
  const uint8_t fb = GetBitsCount(static_cast<uint32_t>(FillStyles.size()));
  const uint8_t lb = GetBitsCount(static_cast<uint32_t>(LineStyles.size()));
  be.WriteBits(static_cast<uint32_t>(fb), 4);
  be.WriteBits(static_cast<uint32_t>(lb), 4);
  WriteShapeRecords(be, Edges, HasAlpha, fb, lb);
}

void TSWFDefineShape::CharacterReferences(std::vector<uint16_t*>& ids) {
  BitmapFillRefs(FillStyles, ids);
  for (auto& l : LineStyles)
    if (auto* l2 = dynamic_cast<TSWFLineStyle2*>(l.get()))
      if (auto* img = dynamic_cast<TSWFImageFill*>(l2->Fill())) ids.push_back(&img->BitmapId);
  for (auto& r : Edges)
    if (auto* sc = dynamic_cast<TSWFStyleChangeRecord*>(r.get()))
      if (sc->StateNewStyles) BitmapFillRefs(sc->NewFillStyles(), ids);
}

std::string TSWFDefineShape::Describe() const {
  size_t edges = 0, changes = 0;
  for (const auto& r : Edges) {  // end records are not counted: writing adds one
    if (r->ShapeRecType() == 1) ++changes;
    if (r->ShapeRecType() >= 2) ++edges;
  }
  std::string s = "id " + std::to_string(ShapeId) + " bounds " + text::Rect(ShapeBounds) +
                  " fills " + std::to_string(FillStyles.size()) + " lines " +
                  std::to_string(LineStyles.size()) + " records: " + std::to_string(edges) + " edges, " +
                  std::to_string(changes) + " style changes";
  for (const auto& f : FillStyles) s += "; fill " + f->Describe();
  for (const auto& l : LineStyles) s += "; line " + l->Describe();
  return s;
}

void TSWFDefineShape4::Assign(const TBasedSWFObject& source) {
  TSWFDefineShape::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineShape4*>(&source)) {
    EdgeBounds.Assign(s->EdgeBounds);
    UsesNonScalingStrokes = s->UsesNonScalingStrokes;
    UsesScalingStrokes = s->UsesScalingStrokes;
  }
}

void TSWFDefineShape4::ReadExtra(TBitsEngine& be) {
  EdgeBounds.SetRec(be.ReadRectRec());
  const uint8_t b = be.ReadByte();
  UsesNonScalingStrokes = b & 2;
  UsesScalingStrokes = b & 1;
}

namespace {

template <class Lines>
void StrokeFlags(const Lines& lines, bool& nonScaling, bool& scaling) {
  nonScaling = scaling = false;
  for (const auto& l : lines) {
    bool ns = false;
    if (auto* l2 = dynamic_cast<const TSWFLineStyle2*>(l.get())) ns = l2->NoHScale || l2->NoVScale;
    if (auto* m2 = dynamic_cast<const TSWFMorphLineStyle2*>(l.get())) ns = m2->NoHScale || m2->NoVScale;
    (ns ? nonScaling : scaling) = true;
  }
}

}  // namespace

void TSWFDefineShape4::WriteExtra(TBitsEngine& be) {
  be.WriteRect(EdgeBounds.Rec());
  StrokeFlags(LineStyles, UsesNonScalingStrokes, UsesScalingStrokes);
  be.WriteByte(static_cast<uint8_t>(UsesNonScalingStrokes * 2 + UsesScalingStrokes));
}

// ----------------------------------------------------------- morph styles

void TSWFMorphColorFill::Assign(const TSWFMorphFillStyle& source) {
  TSWFMorphFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFMorphColorFill*>(&source)) {
    StartColor.Assign(s->StartColor);
    EndColor.Assign(s->EndColor);
  }
}
void TSWFMorphColorFill::ReadFromStream(TBitsEngine& be) {
  StartColor.SetRGBA(be.ReadRGBA());
  EndColor.SetRGBA(be.ReadRGBA());
}
void TSWFMorphColorFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  be.WriteRGBA(StartColor.GetRGBA());
  be.WriteRGBA(EndColor.GetRGBA());
}

void TSWFMorphGradientFill::Assign(const TSWFMorphFillStyle& source) {
  TSWFMorphFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFMorphGradientFill*>(&source)) {
    Count = s->Count;
    for (size_t i = 0; i < 8; ++i) {
      EndColors[i].Assign(s->EndColors[i]);
      StartColors[i].Assign(s->StartColors[i]);
    }
    EndRatios = s->EndRatios;
    StartRatios = s->StartRatios;
    EndMatrix.Assign(s->EndMatrix);
    StartMatrix.Assign(s->StartMatrix);
  }
}
void TSWFMorphGradientFill::ReadFromStream(TBitsEngine& be) {
  ReadMatrix(be, StartMatrix);
  ReadMatrix(be, EndMatrix);
  Count = be.ReadByte();
  if (Count > 8) throw ESWFError("morph gradient with more than 8 entries");
  for (int i = 0; i < Count; ++i) {
    StartRatios[i] = be.ReadByte();
    StartColors[i].SetRGBA(be.ReadRGBA());
    EndRatios[i] = be.ReadByte();
    EndColors[i].SetRGBA(be.ReadRGBA());
  }
}
void TSWFMorphGradientFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  WriteMatrix(be, StartMatrix);
  WriteMatrix(be, EndMatrix);
  const int count = std::min<int>(Count, 8);
  be.WriteByte(static_cast<uint8_t>(count));
  for (int i = 0; i < count; ++i) {
    be.WriteByte(StartRatios[i]);
    be.WriteRGBA(StartColors[i].GetRGBA());
    be.WriteByte(EndRatios[i]);
    be.WriteRGBA(EndColors[i].GetRGBA());
  }
}

void TSWFMorphImageFill::Assign(const TSWFMorphFillStyle& source) {
  TSWFMorphFillStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFMorphImageFill*>(&source)) {
    BitmapId = s->BitmapId;
    EndMatrix.Assign(s->EndMatrix);
    StartMatrix.Assign(s->StartMatrix);
  }
}
void TSWFMorphImageFill::ReadFromStream(TBitsEngine& be) {
  BitmapId = be.ReadWord();
  ReadMatrix(be, StartMatrix);
  ReadMatrix(be, EndMatrix);
}
void TSWFMorphImageFill::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FillType);
  be.WriteWord(BitmapId);
  WriteMatrix(be, StartMatrix);
  WriteMatrix(be, EndMatrix);
}

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(uint8_t fillType) {
  switch (fillType) {
    case 0x00: return std::make_unique<TSWFMorphColorFill>();
    case 0x10:
    case 0x12: return std::make_unique<TSWFMorphGradientFill>(fillType);
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43: return std::make_unique<TSWFMorphImageFill>(fillType);
    default: throw ESWFError("unknown morph fill style type " + std::to_string(fillType));
  }
}

void TSWFMorphLineStyle::Assign(const TSWFMorphLineStyle& source) {
  EndColor.Assign(source.EndColor);
  StartColor.Assign(source.StartColor);
  EndWidth = source.EndWidth;
  StartWidth = source.StartWidth;
}
void TSWFMorphLineStyle::ReadFromStream(TBitsEngine& be) {
  StartWidth = be.ReadWord();
  EndWidth = be.ReadWord();
  StartColor.SetRGBA(be.ReadRGBA());
  EndColor.SetRGBA(be.ReadRGBA());
}
void TSWFMorphLineStyle::WriteToStream(TBitsEngine& be) {
  be.WriteWord(StartWidth);
  be.WriteWord(EndWidth);
  be.WriteRGBA(StartColor.GetRGBA());
  be.WriteRGBA(EndColor.GetRGBA());
}
std::unique_ptr<TSWFMorphLineStyle> TSWFMorphLineStyle::Clone() const {
  auto c = std::make_unique<TSWFMorphLineStyle>();
  c->Assign(*this);
  return c;
}

TSWFFillStyle* TSWFMorphLineStyle2::GetFill(uint8_t fillType) {
  if (!FFill || FFill->FillType != fillType) FFill = CreateFillStyle(fillType);
  return FFill.get();
}
void TSWFMorphLineStyle2::Assign(const TSWFMorphLineStyle& source) {
  TSWFMorphLineStyle::Assign(source);
  if (auto* s = dynamic_cast<const TSWFMorphLineStyle2*>(&source)) {
    EndCapStyle = s->EndCapStyle;
    JoinStyle = s->JoinStyle;
    StartCapStyle = s->StartCapStyle;
    HasFill = s->HasFill;
    NoClose = s->NoClose;
    NoHScale = s->NoHScale;
    NoVScale = s->NoVScale;
    PixelHinting = s->PixelHinting;
    MiterLimitFactor = s->MiterLimitFactor;
    FFill = s->FFill ? CloneFillStyle(*s->FFill) : nullptr;
  }
}
void TSWFMorphLineStyle2::ReadFromStream(TBitsEngine& be) {
  StartWidth = be.ReadWord();
  EndWidth = be.ReadWord();
  uint8_t a = be.ReadByte();
  StartCapStyle = a >> 6;
  JoinStyle = (a >> 4) & 3;
  HasFill = a & 8;
  NoHScale = a & 4;
  NoVScale = a & 2;
  PixelHinting = a & 1;
  uint8_t b = be.ReadByte();
  NoClose = b & 4;
  EndCapStyle = b & 3;
  if (JoinStyle == 2) MiterLimitFactor = Fixed8ToSingle(be.ReadWord());
  if (HasFill) {
    FFill = CreateFillStyle(be.ReadByte());
    FFill->HasAlpha = true;
    FFill->ReadFromStream(be);
  } else {
    StartColor.SetRGBA(be.ReadRGBA());
    EndColor.SetRGBA(be.ReadRGBA());
  }
}
void TSWFMorphLineStyle2::WriteToStream(TBitsEngine& be) {
  be.WriteWord(StartWidth);
  be.WriteWord(EndWidth);
  be.WriteBits(static_cast<uint32_t>(StartCapStyle & 3), 2);
  be.WriteBits(static_cast<uint32_t>(JoinStyle & 3), 2);
  be.WriteBit(HasFill);
  be.WriteBit(NoHScale);
  be.WriteBit(NoVScale);
  be.WriteBit(PixelHinting);
  be.WriteBits(0u, 5);
  be.WriteBit(NoClose);
  be.WriteBits(static_cast<uint32_t>(EndCapStyle & 3), 2);
  if (JoinStyle == 2) be.WriteWord(SingleToFixed8(MiterLimitFactor));
  if (HasFill && FFill) {
    FFill->HasAlpha = true;
    FFill->WriteToStream(be);
  } else {
    be.WriteRGBA(StartColor.GetRGBA());
    be.WriteRGBA(EndColor.GetRGBA());
  }
}
std::unique_ptr<TSWFMorphLineStyle> TSWFMorphLineStyle2::Clone() const {
  auto c = std::make_unique<TSWFMorphLineStyle2>();
  c->Assign(*this);
  return c;
}

// ------------------------------------------------------------- morph shapes

void TSWFDefineMorphShape::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineMorphShape*>(&source);
  if (!s) return;
  CharacterId = s->CharacterId;
  EndBounds.Assign(s->EndBounds);
  StartBounds.Assign(s->StartBounds);
  EndEdges.clear();
  StartEdges.clear();
  CopyShapeRecords(s->EndEdges, EndEdges);
  CopyShapeRecords(s->StartEdges, StartEdges);
  MorphFillStyles.clear();
  for (const auto& f : s->MorphFillStyles) {
    auto c = CreateMorphFillStyle(f->FillType);
    c->Assign(*f);
    MorphFillStyles.push_back(std::move(c));
  }
  const bool toLine2 = TagID == 84;
  MorphLineStyles.clear();
  for (const auto& l : s->MorphLineStyles) {
    if (toLine2 && !dynamic_cast<const TSWFMorphLineStyle2*>(l.get())) {
      auto c = std::make_unique<TSWFMorphLineStyle2>();
      c->Assign(*l);
      MorphLineStyles.push_back(std::move(c));
    } else {
      MorphLineStyles.push_back(l->Clone());
    }
  }
}

void TSWFDefineMorphShape::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  StartBounds.SetRec(be.ReadRectRec());
  EndBounds.SetRec(be.ReadRectRec());
  ReadExtra(be);
  be.ReadDWord();  // offset of the end edges; they follow the start edges anyway
  uint16_t n = ReadStyleCount(be);
  for (uint16_t i = 0; i < n; ++i) {
    auto f = CreateMorphFillStyle(be.ReadByte());
    f->ReadFromStream(be);
    MorphFillStyles.push_back(std::move(f));
  }
  n = ReadStyleCount(be);
  for (uint16_t i = 0; i < n; ++i) {
    std::unique_ptr<TSWFMorphLineStyle> l;
    if (TagID == 84)
      l = std::make_unique<TSWFMorphLineStyle2>();
    else
      l = std::make_unique<TSWFMorphLineStyle>();
    l->ReadFromStream(be);
    MorphLineStyles.push_back(std::move(l));
  }
  uint8_t b = be.ReadByte();
  ReadShapeRecords(be, StartEdges, b >> 4, nullptr, b & 15);
  b = be.ReadByte();
  ReadShapeRecords(be, EndEdges, b >> 4, nullptr, b & 15);
}

void TSWFDefineMorphShape::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteRect(StartBounds.Rec());
  be.WriteRect(EndBounds.Rec());
  WriteExtra(be);
  TStream& s = be.Stream();
  const int64_t offsetPos = s.Position();
  be.WriteDWord(0);
  WriteStyleCount(be, MorphFillStyles.size());
  for (auto& f : MorphFillStyles) f->WriteToStream(be);
  WriteStyleCount(be, MorphLineStyles.size());
  for (auto& l : MorphLineStyles) l->WriteToStream(be);
  const uint8_t fb = GetBitsCount(static_cast<uint32_t>(MorphFillStyles.size()));
  const uint8_t lb = GetBitsCount(static_cast<uint32_t>(MorphLineStyles.size()));
  be.WriteBits(static_cast<uint32_t>(fb), 4);
  be.WriteBits(static_cast<uint32_t>(lb), 4);
  WriteShapeRecords(be, StartEdges, true, fb, lb);
  const int64_t end = s.Position();
  s.SetPosition(offsetPos);
  be.WriteDWord(static_cast<uint32_t>(end - offsetPos - 4));
  s.SetPosition(end);
  // End edges: no styles, so every style change is reduced to its move.
  be.WriteByte(0);
  TShapeRecordList reduced;
  for (const auto& r : EndEdges) {
    if (auto* sc = dynamic_cast<const TSWFStyleChangeRecord*>(r.get())) {
      auto m = std::make_unique<TSWFStyleChangeRecord>();
      m->DeltaX = sc->DeltaX;
      m->DeltaY = sc->DeltaY;
      m->StateMoveTo = sc->StateMoveTo;
      reduced.push_back(std::move(m));
    } else {
      auto c = NewShapeRecord(r->ShapeRecType());
      c->Assign(*r);
      reduced.push_back(std::move(c));
    }
  }
  WriteShapeRecords(be, reduced, true, 0, 0);
}

void TSWFDefineMorphShape::CharacterReferences(std::vector<uint16_t*>& ids) {
  for (auto& f : MorphFillStyles)
    if (auto* img = dynamic_cast<TSWFMorphImageFill*>(f.get())) ids.push_back(&img->BitmapId);
  for (auto& l : MorphLineStyles)
    if (auto* l2 = dynamic_cast<TSWFMorphLineStyle2*>(l.get()))
      if (auto* img = dynamic_cast<TSWFImageFill*>(l2->Fill())) ids.push_back(&img->BitmapId);
}

std::string TSWFDefineMorphShape::Describe() const {
  return "id " + std::to_string(CharacterId) + " start " + text::Rect(StartBounds) + " end " +
         text::Rect(EndBounds) + " fills " + std::to_string(MorphFillStyles.size()) + " lines " +
         std::to_string(MorphLineStyles.size()) + " start edges " +
         std::to_string(StartEdges.size() - (!StartEdges.empty() && StartEdges.back()->ShapeRecType() == 0)) +
         " end edges " +
         std::to_string(EndEdges.size() - (!EndEdges.empty() && EndEdges.back()->ShapeRecType() == 0));
}

void TSWFDefineMorphShape2::Assign(const TBasedSWFObject& source) {
  TSWFDefineMorphShape::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineMorphShape2*>(&source)) {
    EndEdgeBounds.Assign(s->EndEdgeBounds);
    StartEdgeBounds.Assign(s->StartEdgeBounds);
    UsesNonScalingStrokes = s->UsesNonScalingStrokes;
    UsesScalingStrokes = s->UsesScalingStrokes;
  } else if (auto* m = dynamic_cast<const TSWFDefineMorphShape*>(&source)) {
    StartEdgeBounds.Assign(m->StartBounds);
    EndEdgeBounds.Assign(m->EndBounds);
  }
}

void TSWFDefineMorphShape2::ReadExtra(TBitsEngine& be) {
  StartEdgeBounds.SetRec(be.ReadRectRec());
  EndEdgeBounds.SetRec(be.ReadRectRec());
  const uint8_t b = be.ReadByte();
  UsesNonScalingStrokes = b & 2;
  UsesScalingStrokes = b & 1;
}

void TSWFDefineMorphShape2::WriteExtra(TBitsEngine& be) {
  be.WriteRect(StartEdgeBounds.Rec());
  be.WriteRect(EndEdgeBounds.Rec());
  StrokeFlags(MorphLineStyles, UsesNonScalingStrokes, UsesScalingStrokes);
  be.WriteByte(static_cast<uint8_t>(UsesNonScalingStrokes * 2 + UsesScalingStrokes));
}

void RegisterShapeTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDefineShape>(2, "TSWFDefineShape");
  registry.Add<TSWFDefineShape2>(22, "TSWFDefineShape2");
  registry.Add<TSWFDefineShape3>(32, "TSWFDefineShape3");
  registry.Add<TSWFDefineShape4>(83, "TSWFDefineShape4");
  registry.Add<TSWFDefineMorphShape>(46, "TSWFDefineMorphShape");
  registry.Add<TSWFDefineMorphShape2>(84, "TSWFDefineMorphShape2");
}

}  // namespace reelcast
