#include <gtest/gtest.h>

#include "swf/Records.h"

namespace reelcast {
namespace {

TEST(SWFRect, EverySetterKeepsTheAxesOrdered) {
  TSWFRect r;
  r.SetXmax(50);
  r.SetXmin(100);
  EXPECT_EQ(r.Xmin(), 50);
  EXPECT_EQ(r.Xmax(), 100);
  r.SetYmin(7);
  EXPECT_EQ(r.Ymin(), 0);
  EXPECT_EQ(r.Ymax(), 7);
  r.SetRect({30, 40, 10, 20});
  EXPECT_EQ(r.Rec(), (TSWFRectRec{10, 30, 20, 40}));
  EXPECT_EQ(r.Rect(), (TRect{10, 20, 30, 40}));
  TSWFRect copy;
  copy.Assign(r);
  EXPECT_EQ(copy, r);
}

TEST(SWFColor, AlphaRules) {
  TSWFRGBA c(false);
  c.SetAlpha(128);
  EXPECT_TRUE(c.HasAlpha());
  c.SetRGB(0x123456);
  EXPECT_EQ(c.Alpha(), 255);
  EXPECT_TRUE(c.HasAlpha()) << "SetRGB must not clear HasAlpha";
  EXPECT_EQ(c.R, 0x56);
  EXPECT_EQ(c.B, 0x12);

  c.SetRGBA(0x40112233);
  EXPECT_EQ(c.GetRGBA(), 0x40112233u);
  c.SetHasAlpha(false);
  EXPECT_EQ(c.Alpha(), 255);

  TSWFRGBA fromRgba;
  TSWFRGBA source(true);
  source.SetRGBA(0x10ABCDEF);
  fromRgba.Assign(source);
  EXPECT_EQ(fromRgba.GetRGBA(), 0x10ABCDEFu);

  TSWFRGB plain;
  plain.SetRGB(0x010203);
  TSWFRGBA fromRgb;
  fromRgb.SetAlpha(3);
  fromRgb.Assign(plain);
  EXPECT_EQ(fromRgb.GetRGBA(), 0xFF010203u);
  EXPECT_TRUE(fromRgb.HasAlpha());
}

TEST(SWFMatrix, SettersUseFixedPointAndFlags) {
  TSWFMatrix m;
  EXPECT_EQ(m.Rec(), TSWFMatrixRec{});
  m.SetTranslate(20, -40);
  EXPECT_FALSE(m.HasScale);
  m.SetScale(1.5f, -0.25f);
  m.SetSkew(0.5f, 2.0f);
  EXPECT_EQ(m.Rec(), (TSWFMatrixRec{true, true, 0x18000, -0x4000, 0x8000, 0x20000, 20, -40}));
  TSWFMatrix copy;
  copy.Assign(m);
  EXPECT_EQ(copy, m);
}

TEST(SWFColorTransform, SettersClampAndRecordRoundTrips) {
  TSWFColorTransform t;
  EXPECT_FALSE(t.HasAdd() || t.HasMult() || t.HasAlpha());
  t.SetMultR(300);
  t.SetAddG(-400);
  EXPECT_EQ(t.MultR(), 256);
  EXPECT_EQ(t.AddG(), -255);
  EXPECT_TRUE(t.HasMult());
  EXPECT_TRUE(t.HasAdd());
  EXPECT_FALSE(t.HasAlpha());
  t.SetMultB(-3);
  EXPECT_EQ(t.MultB(), 0);
  // Alpha terms only travel with HasAlpha.
  TSWFColorTransformRec rec{1, 2, 3, 4, 10, 20, 30, 40, true, false, false};
  TSWFColorTransform u;
  u.SetMultR(99);
  u.SetFromRec(rec);
  EXPECT_FALSE(u.HasMult());
  EXPECT_EQ(u.GetRec().AddA, 0);
  rec.HasAlpha = true;
  rec.AddA = 500;
  u.SetFromRec(rec);
  EXPECT_EQ(u.AddA(), 255);
  EXPECT_TRUE(u.HasAlpha());
  TSWFColorTransform copy;
  copy.Assign(u);
  EXPECT_EQ(copy, u);
}

}  // namespace
}  // namespace reelcast
