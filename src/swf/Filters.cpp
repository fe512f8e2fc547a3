#include "swf/Filters.h"

#include "swf/SWFObject.h"

namespace reelcast {

namespace {

void WriteFixed(TBitsEngine& be, float x) { be.WriteDWord(static_cast<uint32_t>(SingleToFixed16(x))); }
float ReadFixed(TBitsEngine& be) { return Fixed16ToSingle(static_cast<int32_t>(be.ReadDWord())); }
void WriteFixed8(TBitsEngine& be, float x) { be.WriteWord(SingleToFixed8(x)); }
float ReadFixed8(TBitsEngine& be) { return Fixed8ToSingle(be.ReadWord()); }

// InnerShadow x 128 + Knockout x 64 + CompositeSource x 32 (+ OnTop x 16) +
// Passes in the low 5 (or 4) bits.
uint8_t ShadowFlags(const TSWFShadowBase& f, bool withOnTop) {
  uint8_t b = static_cast<uint8_t>(f.InnerShadow * 128 + f.Knockout * 64 + f.CompositeSource * 32);
  if (withOnTop) return static_cast<uint8_t>(b + f.OnTop * 16 + (f.Passes & 15));
  return static_cast<uint8_t>(b + (f.Passes & 31));
}

void SetShadowFlags(TSWFShadowBase& f, uint8_t b, bool withOnTop) {
  f.InnerShadow = b & 128;
  f.Knockout = b & 64;
  f.CompositeSource = b & 32;
  if (withOnTop) {
    f.OnTop = b & 16;
    f.Passes = b & 15;
  } else {
    f.Passes = b & 31;
  }
}

}  // namespace

std::string TSWFFilter::Describe() const {
  static const char* names[] = {"drop shadow", "blur", "glow", "bevel",
                                "gradient glow", "convolution", "colour matrix", "gradient bevel"};
  return FilterId < 8 ? names[FilterId] : "filter " + std::to_string(FilterId);
}

void TSWFBlurFilter::Assign(const TSWFFilter& source) {
  if (auto* s = dynamic_cast<const TSWFBlurFilter*>(&source)) {
    BlurX = s->BlurX;
    BlurY = s->BlurY;
    Passes = s->Passes;
  }
}
void TSWFBlurFilter::ReadFromStream(TBitsEngine& be) {
  BlurX = ReadFixed(be);
  BlurY = ReadFixed(be);
  Passes = be.ReadByte() >> 3;
}
void TSWFBlurFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  WriteFixed(be, BlurX);
  WriteFixed(be, BlurY);
  be.WriteByte(static_cast<uint8_t>((Passes & 31) * 8));
}

void TSWFShadowBase::Assign(const TSWFFilter& source) {
  TSWFBlurFilter::Assign(source);
  if (auto* s = dynamic_cast<const TSWFShadowBase*>(&source)) {
    Angle = s->Angle;
    Distance = s->Distance;
    Strength = s->Strength;
    InnerShadow = s->InnerShadow;
    Knockout = s->Knockout;
    CompositeSource = s->CompositeSource;
    OnTop = s->OnTop;
  }
}

void TSWFDropShadowFilter::Assign(const TSWFFilter& source) {
  TSWFShadowBase::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDropShadowFilter*>(&source)) Color.SetRGBA(s->Color.GetRGBA());
}
void TSWFDropShadowFilter::ReadFromStream(TBitsEngine& be) {
  Color.SetRGBA(be.ReadRGBA());
  BlurX = ReadFixed(be);
  BlurY = ReadFixed(be);
  Angle = ReadFixed(be);
  Distance = ReadFixed(be);
  Strength = ReadFixed8(be);
  SetShadowFlags(*this, be.ReadByte(), false);
}
void TSWFDropShadowFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  be.WriteRGBA(Color.GetRGBA());
  WriteFixed(be, BlurX);
  WriteFixed(be, BlurY);
  WriteFixed(be, Angle);
  WriteFixed(be, Distance);
  WriteFixed8(be, Strength);
  be.WriteByte(ShadowFlags(*this, false));
}

void TSWFGlowFilter::Assign(const TSWFFilter& source) {
  TSWFShadowBase::Assign(source);
  if (auto* s = dynamic_cast<const TSWFGlowFilter*>(&source)) Color.SetRGBA(s->Color.GetRGBA());
}
void TSWFGlowFilter::ReadFromStream(TBitsEngine& be) {
  Color.SetRGBA(be.ReadRGBA());
  BlurX = ReadFixed(be);
  BlurY = ReadFixed(be);
  Strength = ReadFixed8(be);
  SetShadowFlags(*this, be.ReadByte(), false);
}
void TSWFGlowFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  be.WriteRGBA(Color.GetRGBA());
  WriteFixed(be, BlurX);
  WriteFixed(be, BlurY);
  WriteFixed8(be, Strength);
  be.WriteByte(ShadowFlags(*this, false));
}

void TSWFBevelFilter::Assign(const TSWFFilter& source) {
  TSWFShadowBase::Assign(source);
  if (auto* s = dynamic_cast<const TSWFBevelFilter*>(&source)) {
    ShadowColor.SetRGBA(s->ShadowColor.GetRGBA());
    HighlightColor.SetRGBA(s->HighlightColor.GetRGBA());
  }
}
void TSWFBevelFilter::ReadFromStream(TBitsEngine& be) {
  ShadowColor.SetRGBA(be.ReadRGBA());
  HighlightColor.SetRGBA(be.ReadRGBA());
  BlurX = ReadFixed(be);
  BlurY = ReadFixed(be);
  Angle = ReadFixed(be);
  Distance = ReadFixed(be);
  Strength = ReadFixed8(be);
  SetShadowFlags(*this, be.ReadByte(), true);
}
void TSWFBevelFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  be.WriteRGBA(ShadowColor.GetRGBA());
  be.WriteRGBA(HighlightColor.GetRGBA());
  WriteFixed(be, BlurX);
  WriteFixed(be, BlurY);
  WriteFixed(be, Angle);
  WriteFixed(be, Distance);
  WriteFixed8(be, Strength);
  be.WriteByte(ShadowFlags(*this, true));
}

void TSWFGradientGlowFilter::Assign(const TSWFFilter& source) {
  TSWFShadowBase::Assign(source);
  if (auto* s = dynamic_cast<const TSWFGradientGlowFilter*>(&source)) {
    Colors = s->Colors;
    Ratios = s->Ratios;
  }
}
void TSWFGradientGlowFilter::ReadFromStream(TBitsEngine& be) {
  const uint8_t n = be.ReadByte();
  Colors.clear();
  Ratios.clear();
  for (uint8_t i = 0; i < n; ++i) Colors.push_back(be.ReadRGBA());
  for (uint8_t i = 0; i < n; ++i) Ratios.push_back(be.ReadByte());
  BlurX = ReadFixed(be);
  BlurY = ReadFixed(be);
  Angle = ReadFixed(be);
  Distance = ReadFixed(be);
  Strength = ReadFixed8(be);
  SetShadowFlags(*this, be.ReadByte(), true);
}
void TSWFGradientGlowFilter::WriteToStream(TBitsEngine& be) {
  const size_t n = std::min<size_t>(std::min(Colors.size(), Ratios.size()), 15);
  be.WriteByte(FilterId);
  be.WriteByte(static_cast<uint8_t>(n));
  for (size_t i = 0; i < n; ++i) be.WriteRGBA(Colors[i]);
  for (size_t i = 0; i < n; ++i) be.WriteByte(Ratios[i]);
  WriteFixed(be, BlurX);
  WriteFixed(be, BlurY);
  WriteFixed(be, Angle);
  WriteFixed(be, Distance);
  WriteFixed8(be, Strength);
  be.WriteByte(ShadowFlags(*this, true));
}

void TSWFConvolutionFilter::Assign(const TSWFFilter& source) {
  if (auto* s = dynamic_cast<const TSWFConvolutionFilter*>(&source)) {
    MatrixX = s->MatrixX;
    MatrixY = s->MatrixY;
    Divisor = s->Divisor;
    Bias = s->Bias;
    Matrix = s->Matrix;
    DefaultColor.SetRGBA(s->DefaultColor.GetRGBA());
    Clamp = s->Clamp;
    PreserveAlpha = s->PreserveAlpha;
  }
}
void TSWFConvolutionFilter::ReadFromStream(TBitsEngine& be) {
  MatrixX = be.ReadByte();
  MatrixY = be.ReadByte();
  Divisor = be.ReadSingle();
  Bias = be.ReadSingle();
  Matrix.clear();
  for (int i = 0; i < MatrixX * MatrixY; ++i) Matrix.push_back(be.ReadSingle());
  DefaultColor.SetRGBA(be.ReadRGBA());
  const uint8_t b = be.ReadByte();
  Clamp = b & 2;
  PreserveAlpha = b & 1;
}
void TSWFConvolutionFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  be.WriteByte(MatrixX);
  be.WriteByte(MatrixY);
  be.WriteSingle(Divisor);
  be.WriteSingle(Bias);
  for (int i = 0; i < MatrixX * MatrixY; ++i)
    be.WriteSingle(static_cast<size_t>(i) < Matrix.size() ? Matrix[static_cast<size_t>(i)] : 0.0f);
  be.WriteRGBA(DefaultColor.GetRGBA());
  be.WriteByte(static_cast<uint8_t>(Clamp * 2 + PreserveAlpha));
}

void TSWFColorMatrixFilter::Assign(const TSWFFilter& source) {
  if (auto* s = dynamic_cast<const TSWFColorMatrixFilter*>(&source))
    for (int i = 0; i < 20; ++i) Matrix[i] = s->Matrix[i];
}
void TSWFColorMatrixFilter::ReadFromStream(TBitsEngine& be) {
  for (float& v : Matrix) v = be.ReadSingle();
}
void TSWFColorMatrixFilter::WriteToStream(TBitsEngine& be) {
  be.WriteByte(FilterId);
  for (float v : Matrix) be.WriteSingle(v);
}

TSWFFilter* CreateFilter(TSWFFilterList& list, uint8_t id) {
  std::unique_ptr<TSWFFilter> f;
  switch (id) {
    case 0: f = std::make_unique<TSWFDropShadowFilter>(); break;
    case 1: f = std::make_unique<TSWFBlurFilter>(); break;
    case 2: f = std::make_unique<TSWFGlowFilter>(); break;
    case 3: f = std::make_unique<TSWFBevelFilter>(); break;
    case 4: f = std::make_unique<TSWFGradientGlowFilter>(); break;
    case 5: f = std::make_unique<TSWFConvolutionFilter>(); break;
    case 6: f = std::make_unique<TSWFColorMatrixFilter>(); break;
    case 7: f = std::make_unique<TSWFGradientBevelFilter>(); break;
    default: throw ESWFError("unknown filter id " + std::to_string(id));
  }
  list.push_back(std::move(f));
  return list.back().get();
}

void ReadFilters(TSWFFilterList& list, TBitsEngine& be) {
  const uint8_t n = be.ReadByte();
  for (uint8_t i = 0; i < n; ++i) CreateFilter(list, be.ReadByte())->ReadFromStream(be);
}

void WriteFilters(const TSWFFilterList& list, TBitsEngine& be) {
  const size_t n = std::min<size_t>(list.size(), 255);
  be.WriteByte(static_cast<uint8_t>(n));
  for (size_t i = 0; i < n; ++i) list[i]->WriteToStream(be);
}

void CopyFilters(const TSWFFilterList& source, TSWFFilterList& dest) {
  dest.clear();
  for (const auto& f : source) CreateFilter(dest, f->FilterId)->Assign(*f);
}

}  // namespace reelcast
