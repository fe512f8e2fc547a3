#include <gtest/gtest.h>

#include <cmath>

#include "app/Config.h"
#include "movie/FontFace.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

TEST(FontFace, InstalledFaceByNameAndStyle) {
  auto regular = TFontFace::Open("DejaVu Sans", false, false);
  auto bold = TFontFace::Open("dejavu sans", true, false);
  auto italic = TFontFace::Open("Liberation Serif", false, true);
  EXPECT_FALSE(regular->IsFallback());
  EXPECT_EQ(regular->FamilyName(), "DejaVu Sans");
  EXPECT_EQ(bold->StyleName(), "Bold");
  EXPECT_EQ(italic->StyleName(), "Italic");
  // The platform metrics of the face at an em of 1024.
  EXPECT_GT(regular->Ascent(), 700);
  EXPECT_LT(regular->Ascent(), 1024);
  EXPECT_GT(regular->Descent(), 100);
  EXPECT_EQ(regular->Leading(), regular->Ascent() + regular->Descent() - 1024);
  EXPECT_GT(bold->Advance(U'm'), regular->Advance(U'm'));
}

TEST(FontFace, MissingScriptFaceFallsBackToAScriptOrSerifFaceAndSaysSo) {
  auto face = TFontFace::Open("Monotype Corsiva", false, false);
  EXPECT_TRUE(face->IsFallback());
  EXPECT_EQ(face->RequestedName(), "Monotype Corsiva");
  EXPECT_EQ(face->FamilyName().find("Sans"), std::string::npos) << face->FamilyName();
  std::string log = test::ReadFile(LogFilePath());
  EXPECT_NE(log.find("Font \"Monotype Corsiva\" is not installed; using \"" + face->FamilyName()),
            std::string::npos)
      << log;
  // A face is still usable.
  EXPECT_FALSE(face->Glyph(U'A').Contours.empty());
}

TEST(FontFace, GlyphOutlinesAdvancesAndMissingGlyphs) {
  auto face = TFontFace::Open("Liberation Sans", false, false);
  TGlyphOutline a = face->Glyph(U'A');
  ASSERT_FALSE(a.Missing);
  EXPECT_EQ(a.Advance, face->Advance(U'A'));
  // Liberation Sans keeps the metrics of the common Windows sans face:
  // "A" is 1366 of 2048 units wide.
  EXPECT_EQ(a.Advance, 683);
  // "A" is two closed contours (outside and the counter), every point
  // within the em, Y pointing up from the baseline.
  ASSERT_EQ(a.Contours.size(), 2u);
  for (const auto& c : a.Contours) {
    ASSERT_FALSE(c.Segments.empty());
    EXPECT_EQ(c.Segments.back().To, c.Start);
    for (const auto& s : c.Segments) {
      EXPECT_GE(FixedToInt(s.To.Y), 0);
      EXPECT_LE(FixedToInt(s.To.Y), face->Ascent());
      EXPECT_GE(FixedToInt(s.To.X), -10);
      EXPECT_LE(FixedToInt(s.To.X), a.Advance + 10);
    }
  }
  // "O" is made of quadratic curves.
  bool curved = false;
  for (const auto& c : face->Glyph(U'O').Contours)
    for (const auto& s : c.Segments) curved |= s.Curve;
  EXPECT_TRUE(curved);

  TGlyphOutline space = face->Glyph(U' ');
  EXPECT_TRUE(space.Contours.empty());
  EXPECT_GT(space.Advance, 0);

  TGlyphOutline none = face->Glyph(U'\U0001F600');
  EXPECT_TRUE(none.Missing);
  EXPECT_FALSE(face->HasGlyph(U'\U0001F600'));

  // Pair kerning from the face's table: "AV" closes up, "HH" does not.
  EXPECT_LT(face->Kerning(U'A', U'V'), -20);
  EXPECT_EQ(face->Kerning(U'H', U'H'), 0);

  auto extent = face->TextExtent(u"AA ");
  EXPECT_EQ(extent.Width, 2 * a.Advance + space.Advance);
  EXPECT_EQ(extent.Height, face->Ascent() + face->Descent());
}

TEST(FontFace, CubicCurvesAreSplitIntoCloseQuadratics) {
  const double unit = 65536;
  TFixedPoint p0{0, 0}, c1{0, int32_t(800 * unit)}, c2{int32_t(1000 * unit), int32_t(-300 * unit)},
      p3{int32_t(1000 * unit), int32_t(500 * unit)};
  std::vector<TGlyphSegment> out;
  CubicToQuadratics(p0, c1, c2, p3, unit / 4, out);
  ASSERT_GT(out.size(), 2u);
  EXPECT_EQ(out.back().To, p3);
  // Each quadratic stays within a quarter unit of the cubic: compare points
  // of both at the same parameter on each piece.
  auto cubic = [&](double t, bool y) {
    auto v = [&](TFixedPoint p) { return y ? double(p.Y) : double(p.X); };
    double u = 1 - t;
    return u * u * u * v(p0) + 3 * u * u * t * v(c1) + 3 * u * t * t * v(c2) + t * t * t * v(p3);
  };
  double worst = 0;
  TFixedPoint from = p0;
  for (size_t i = 0; i < out.size(); ++i) {
    for (double s = 0; s <= 1.0; s += 0.125) {
      double u = 1 - s;
      double qx = u * u * from.X + 2 * u * s * out[i].Control.X + s * s * out[i].To.X;
      double qy = u * u * from.Y + 2 * u * s * out[i].Control.Y + s * s * out[i].To.Y;
      // Distance to the nearest point of the cubic.
      double best = 1e18;
      for (double t = 0; t <= 1.0; t += 1.0 / 4096)
        best = std::min(best, std::hypot(cubic(t, false) - qx, cubic(t, true) - qy));
      worst = std::max(worst, best);
    }
    from = out[i].To;
  }
  EXPECT_LT(worst, unit / 2);
}

TEST(FontFace, FixedToIntRoundsHalvesToEven) {
  EXPECT_EQ(FixedToInt(5 << 16), 5);
  EXPECT_EQ(FixedToInt((5 << 16) + 0x8000), 6);
  EXPECT_EQ(FixedToInt((4 << 16) + 0x8000), 4);
  EXPECT_EQ(FixedToInt(-(3 << 16) - 0x4000), -3);
}

}  // namespace
}  // namespace reelcast
