#include "movie/FontFace.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "app/Config.h"

namespace reelcast {

int32_t FixedToInt(int32_t v) {
  if ((v & 0xFFFF) == 0) return v >> 16;
  return static_cast<int32_t>(std::nearbyint(v / 65536.0));
}

namespace {

double Dist(double x, double y) { return std::sqrt(x * x + y * y); }

void CubicSplit(double p0x, double p0y, double c1x, double c1y, double c2x, double c2y,
                double p3x, double p3y, double tolerance, int depth,
                std::vector<TGlyphSegment>& out) {
  // The quadratic that shares the end points; its distance from the cubic
  // is at most sqrt(3)/36 of |p3 - 3 c2 + 3 c1 - p0|.
  double ex = p3x - 3 * c2x + 3 * c1x - p0x, ey = p3y - 3 * c2y + 3 * c1y - p0y;
  if (depth >= 16 || Dist(ex, ey) * std::sqrt(3.0) / 36 <= tolerance) {
    double qx = (3 * (c1x + c2x) - p0x - p3x) / 4, qy = (3 * (c1y + c2y) - p0y - p3y) / 4;
    TGlyphSegment s;
    s.Curve = true;
    s.Control = {static_cast<int32_t>(std::lround(qx)), static_cast<int32_t>(std::lround(qy))};
    s.To = {static_cast<int32_t>(std::lround(p3x)), static_cast<int32_t>(std::lround(p3y))};
    out.push_back(s);
    return;
  }
  double ax = (p0x + c1x) / 2, ay = (p0y + c1y) / 2;
  double bx = (c1x + c2x) / 2, by = (c1y + c2y) / 2;
  double cx = (c2x + p3x) / 2, cy = (c2y + p3y) / 2;
  double dx = (ax + bx) / 2, dy = (ay + by) / 2;
  double fx = (bx + cx) / 2, fy = (by + cy) / 2;
  double mx = (dx + fx) / 2, my = (dy + fy) / 2;
  CubicSplit(p0x, p0y, ax, ay, dx, dy, mx, my, tolerance, depth + 1, out);
  CubicSplit(mx, my, fx, fy, cx, cy, p3x, p3y, tolerance, depth + 1, out);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool LooksScript(const std::string& name) {
  static const char* const kWords[] = {"script", "corsiva", "chancery", "brush", "hand",
                                       "cursive", "calligraph", "italic", "kaufmann"};
  std::string n = Lower(name);
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* w) { return n.find(w) != std::string::npos; });
}

struct TFcMatch {
  bool Ok = false;
  std::string File, Family, Style;
  int Index = 0;
  bool Embolden = false;
  bool HasMatrix = false;
  FcMatrix Matrix{};
};

std::string GetString(FcPattern* p, const char* object) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, 0, &s) == FcResultMatch && s)
    return reinterpret_cast<const char*>(s);
  return {};
}

TFcMatch MatchFamily(const std::string& family, bool bold, bool italic) {
  TFcMatch m;
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, p, &result);
  FcPatternDestroy(p);
  if (!found) return m;
  m.File = GetString(found, FC_FILE);
  m.Family = GetString(found, FC_FAMILY);
  m.Style = GetString(found, FC_STYLE);
  FcPatternGetInteger(found, FC_INDEX, 0, &m.Index);
  FcBool embolden = FcFalse;
  if (FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) m.Embolden = embolden;
  FcMatrix* matrix = nullptr;
  if (FcPatternGetMatrix(found, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix) {
    m.HasMatrix = true;
    m.Matrix = *matrix;
  }
  FcPatternDestroy(found);
  m.Ok = !m.File.empty();
  return m;
}

bool FamilyInstalled(const std::string& family) {
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, p, os);
  bool any = set && set->nfont > 0;
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(os);
  FcPatternDestroy(p);
  return any;
}

}  // namespace

void CubicToQuadratics(TFixedPoint p0, TFixedPoint c1, TFixedPoint c2, TFixedPoint p3,
                       double tolerance, std::vector<TGlyphSegment>& out) {
  CubicSplit(p0.X, p0.Y, c1.X, c1.Y, c2.X, c2.Y, p3.X, p3.Y, tolerance, 0, out);
}

struct TFontFace::TImpl {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  double Scale = 1;  // font units to 16.16 em-1024 units
  bool Embolden = false;
  bool HasMatrix = false;
  FT_Matrix Matrix{};
  ~TImpl() {
    if (Face) FT_Done_Face(Face);
    if (Library) FT_Done_FreeType(Library);
  }
  // Loads an unscaled, unhinted outline with the synthetic styles applied.
  bool Load(FT_UInt index) const {
    if (FT_Load_Glyph(Face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP))
      return false;
    FT_GlyphSlot g = Face->glyph;
    if (g->format != FT_GLYPH_FORMAT_OUTLINE) return true;
    if (Embolden) {
      FT_Pos strength = Face->units_per_EM / 24;
      FT_Outline_Embolden(&g->outline, strength);
      g->metrics.horiAdvance += strength;
    }
    if (HasMatrix) FT_Outline_Transform(&g->outline, &Matrix);
    return true;
  }
  int Units(double fontUnits) const {
    return static_cast<int>(std::lround(fontUnits * kEm / Face->units_per_EM));
  }
};

namespace {

// fontconfig keeps its configuration and caches for the whole process; they
// are released when the process ends so that leak checks stay quiet.
bool InitFontConfig() {
  static const bool ok = [] {
    if (!FcInit()) return false;
    std::atexit(FcFini);
    return true;
  }();
  return ok;
}

}  // namespace

std::unique_ptr<TFontFace> TFontFace::Open(const std::string& name, bool bold, bool italic) {
  if (!InitFontConfig()) throw EFontError("The font configuration cannot be loaded");
  std::unique_ptr<TFontFace> face(new TFontFace());
  face->requested_ = name;
  bool installed = !name.empty() && FamilyInstalled(name);
  TFcMatch m = MatchFamily(name, bold, italic);
  if (!installed && m.Ok && LooksScript(name)) {
    // A script face that is not here: fontconfig's default is a plain sans
    // face; a cursive face, or else a serif italic, keeps the character.
    TFcMatch plain = MatchFamily("sans-serif", bold, italic);
    TFcMatch cursive = MatchFamily("cursive", bold, italic);
    if (cursive.Ok && cursive.Family != plain.Family) {
      m = cursive;
    } else {
      TFcMatch serif = MatchFamily("serif", bold, true);
      if (serif.Ok) m = serif;
    }
  }
  if (!m.Ok) throw EFontError("No installed font matches \"" + name + "\"");
  face->family_ = m.Family;
  face->style_ = m.Style;
  face->file_ = m.File;
  face->fallback_ = !installed;

  auto impl = std::make_unique<TImpl>();
  if (FT_Init_FreeType(&impl->Library)) throw EFontError("The font engine cannot be started");
  if (FT_New_Face(impl->Library, m.File.c_str(), m.Index, &impl->Face))
    throw EFontError("The font file " + m.File + " cannot be read");
  if (!FT_IS_SCALABLE(impl->Face) || impl->Face->units_per_EM == 0)
    throw EFontError("The font file " + m.File + " has no outlines");
  FT_Select_Charmap(impl->Face, FT_ENCODING_UNICODE);
  impl->Embolden = m.Embolden;
  if (m.HasMatrix) {
    impl->HasMatrix = true;
    impl->Matrix.xx = static_cast<FT_Fixed>(std::lround(m.Matrix.xx * 65536));
    impl->Matrix.xy = static_cast<FT_Fixed>(std::lround(m.Matrix.xy * 65536));
    impl->Matrix.yx = static_cast<FT_Fixed>(std::lround(m.Matrix.yx * 65536));
    impl->Matrix.yy = static_cast<FT_Fixed>(std::lround(m.Matrix.yy * 65536));
  }
  impl->Scale = 65536.0 * kEm / impl->Face->units_per_EM;

  // The platform's text metrics use the OS/2 table's Windows ascent and
  // descent; faces without one fall back to the horizontal header.
  FT_Face f = impl->Face;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  double asc = f->ascender, desc = -f->descender;
  if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
    asc = os2->usWinAscent;
    desc = os2->usWinDescent;
  }
  face->ascent_ = impl->Units(asc);
  face->descent_ = impl->Units(desc);
  face->leading_ = std::max(0, face->ascent_ + face->descent_ - kEm);
  face->impl_ = std::move(impl);

  if (face->fallback_)
    NVLog("Font \"" + name + "\" is not installed; using \"" + m.Family + "\" " + m.Style);
  return face;
}

TFontFace::~TFontFace() = default;

bool TFontFace::HasGlyph(char32_t code) const {
  return FT_Get_Char_Index(impl_->Face, code) != 0;
}

namespace {

struct TDecompose {
  TGlyphOutline* Out;
  double Scale;
  TFixedPoint Last;
  TFixedPoint P(const FT_Vector* v) const {
    return {static_cast<int32_t>(std::lround(v->x * Scale)),
            static_cast<int32_t>(std::lround(v->y * Scale))};
  }
};

int MoveFn(const FT_Vector* to, void* user) {
  auto* d = static_cast<TDecompose*>(user);
  d->Out->Contours.push_back({d->P(to), {}});
  d->Last = d->P(to);
  return 0;
}

int LineFn(const FT_Vector* to, void* user) {
  auto* d = static_cast<TDecompose*>(user);
  TFixedPoint p = d->P(to);
  if (!d->Out->Contours.empty()) d->Out->Contours.back().Segments.push_back({false, {}, p});
  d->Last = p;
  return 0;
}

int ConicFn(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* d = static_cast<TDecompose*>(user);
  TFixedPoint p = d->P(to);
  if (!d->Out->Contours.empty())
    d->Out->Contours.back().Segments.push_back({true, d->P(control), p});
  d->Last = p;
  return 0;
}

int CubicFn(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* d = static_cast<TDecompose*>(user);
  TFixedPoint p = d->P(to);
  // A quarter of a font unit in 16.16.
  if (!d->Out->Contours.empty())
    CubicToQuadratics(d->Last, d->P(c1), d->P(c2), p, 65536 / 4.0,
                      d->Out->Contours.back().Segments);
  d->Last = p;
  return 0;
}

}  // namespace

TGlyphOutline TFontFace::Glyph(char32_t code) const {
  TGlyphOutline out;
  FT_UInt index = FT_Get_Char_Index(impl_->Face, code);
  out.Missing = index == 0;
  if (!impl_->Load(index)) return out;
  FT_GlyphSlot g = impl_->Face->glyph;
  out.Advance = impl_->Units(static_cast<double>(g->metrics.horiAdvance));
  if (g->format != FT_GLYPH_FORMAT_OUTLINE || g->outline.n_points == 0) return out;
  FT_Outline_Funcs funcs{};
  funcs.move_to = MoveFn;
  funcs.line_to = LineFn;
  funcs.conic_to = ConicFn;
  funcs.cubic_to = CubicFn;
  TDecompose d{&out, impl_->Scale, {}};
  FT_Outline_Decompose(&g->outline, &funcs, &d);
  return out;
}

int TFontFace::Advance(char32_t code) const {
  FT_UInt index = FT_Get_Char_Index(impl_->Face, code);
  if (!impl_->Load(index)) return 0;
  return impl_->Units(static_cast<double>(impl_->Face->glyph->metrics.horiAdvance));
}

int TFontFace::Kerning(char32_t left, char32_t right) const {
  FT_Face f = impl_->Face;
  if (!FT_HAS_KERNING(f)) return 0;
  FT_Vector k{};
  if (FT_Get_Kerning(f, FT_Get_Char_Index(f, left), FT_Get_Char_Index(f, right),
                     FT_KERNING_UNSCALED, &k))
    return 0;
  return impl_->Units(static_cast<double>(k.x));
}

TFontFace::TExtent TFontFace::TextExtent(std::u16string_view text) const {
  TExtent e;
  e.Height = ascent_ + descent_;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    e.Width += Advance(c);
  }
  return e;
}

}  // namespace reelcast
