#include <gtest/gtest.h>

#include "movie/BMPReader.h"
#include "movie/PictureFile.h"
#include "movie/PictureTestUtil.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using namespace std::string_literals;

using test::BmpLayout;
using test::BottomUp;
using test::Inflate;
using test::MakeBmp;

std::vector<uint8_t> Vec(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int b : v) out.push_back(static_cast<uint8_t>(b));
  return out;
}

// Loads the BMP through the picture importer and returns its unpacked
// lossless data.
std::vector<uint8_t> Lossless(const std::string& bmp, TPictureFile& pic) {
  test::TempDir dir;
  test::WriteFile(dir / "p.bmp", bmp);
  pic.LoadFromFile((dir / "p.bmp").string());
  pic.PrepareLosslessData();
  return Inflate(pic.Data);
}

TEST(BmpImport, EachBitDepthBecomesItsLosslessLayout) {
  struct Row {
    const char* Name;
    BmpLayout Layout;
    uint8_t Format;
    uint32_t Colors;  // colour-mapped only
    bool Alpha;
    std::vector<uint8_t> Data;
  };
  const std::vector<Row> rows = {
      {"8-bit, 3 wide, 5 palette entries: RGB triples then rows of 3 indexes + 1 zero",
       {3, 2, 8, 0, 40, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, {}, 5,
        BottomUp({"\x00\x01\x02"s, "\x03\x04\x00"s})},
       3, 5, false,
       Vec({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255,  //
            0, 1, 2, 0, 3, 4, 0, 0})},
      {"1-bit: one byte a pixel, most significant bit first",
       {5, 1, 1, 0, 40, {0x000000, 0xFFFFFF}, {}, 0, BottomUp({"\xA8"s})},
       3, 2, false, Vec({0, 0, 0, 255, 255, 255, 1, 0, 1, 0, 1, 0, 0, 0})},
      {"4-bit: high nibble first, unused entries dropped",
       {3, 1, 4, 0, 40, {0x111111, 0x222222, 0x333333}, {}, 3, BottomUp({"\x20\x20"s})},
       3, 2, false, Vec({0x11, 0x11, 0x11, 0x33, 0x33, 0x33, 1, 0, 1, 0})},
      {"12-byte core header with 3-byte palette entries",
       {2, 1, 8, 0, 12, {0x102030, 0x405060}, {}, 0, BottomUp({"\x01\x00"s})},
       3, 2, false, Vec({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 1, 0, 0, 0})},
      {"16-bit 5-5-5: big-endian words, odd width padded to even",
       {1, 1, 16, 0, 40, {}, {}, 0, BottomUp({"\x1F\x7C"s})},
       4, 0, false, Vec({0x7C, 0x1F, 0, 0})},
      {"16-bit 5-6-5 masks are brought to 5-5-5",
       {1, 1, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F}, 0, BottomUp({"\x00\xF8"s})},
       4, 0, false, Vec({0x7C, 0x00, 0, 0})},
      {"bit fields announced but left out before the pixels read as 5-5-5",
       {1, 1, 16, 3, 40, {}, {}, 0, BottomUp({"\x00\x7C"s})},
       4, 0, false, Vec({0x7C, 0x00, 0, 0})},
      {"24-bit: 0xFF, red, green, blue; rows bottom-up reordered",
       {1, 2, 24, 0, 40, {}, {}, 0, BottomUp({"\x03\x02\x01"s, "\x30\x20\x10"s})},
       5, 0, false, Vec({0xFF, 1, 2, 3, 0xFF, 0x10, 0x20, 0x30})},
      {"top-down 24-bit keeps its order",
       {1, -2, 24, 0, 40, {}, {}, 0, "\x03\x02\x01\x00\x30\x20\x10\x00"s},
       5, 0, false, Vec({0xFF, 1, 2, 3, 0xFF, 0x10, 0x20, 0x30})},
      {"32-bit with alpha: transparent pixel is four zeros, others premultiplied",
       {3, 1, 32, 0, 40, {}, {}, 0,
        "\x00\x00\xFF\xFF"s "\x10\x20\x30\x00"s "\x00\x00\xFF\x80"s},
       5, 0, true, Vec({0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0x80, 0x80, 0, 0})},
      {"32-bit whose fourth bytes are all zero is opaque",
       {1, 1, 32, 0, 40, {}, {}, 0, "\x10\x20\x30\x00"s},
       5, 0, false, Vec({0xFF, 0x30, 0x20, 0x10})},
      {"32-bit with a 124-byte header and an alpha mask",
       {1, 1, 32, 3, 124, {}, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0,
        "\x00\x00\xFF\xFF"s},
       5, 0, true, Vec({0xFF, 0xFF, 0, 0})},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TPictureFile pic;
    std::vector<uint8_t> data = Lossless(MakeBmp(r.Layout), pic);
    EXPECT_EQ(pic.BitmapFormat == TPictureFile::kArgb32 ? 5 : pic.BitmapFormat, r.Format);
    EXPECT_EQ(pic.HasAlpha, r.Alpha);
    EXPECT_EQ(pic.TagCode(), r.Alpha ? 36 : 20);
    if (r.Format == 3) {
      EXPECT_EQ(pic.ColorCount, r.Colors);
    }
    EXPECT_EQ(data, r.Data);
  }
}

TEST(BmpImport, OneBitPictureOfOnlyTheSecondColourKeepsThatColour) {
  // Every pixel uses palette entry 1: the one-colour table must hold that
  // entry, not entry 0.
  TPictureFile pic;
  std::vector<uint8_t> data =
      Lossless(MakeBmp({8, 1, 1, 0, 40, {0x000000, 0xFFFFFF}, {}, 0, BottomUp({"\xFF"s})}), pic);
  EXPECT_EQ(pic.ColorCount, 1u);
  EXPECT_EQ(data, Vec({255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BmpReader, RunLengthPicturesUnpack) {
  // RLE8, 4 x 3: a run, a literal of 3 (padded), end of line, a move, a
  // run clipped at the row's end, end of picture.
  std::string rle8 = "\x02\x05"s "\x00\x03\x01\x02\x03\x00"s "\x00\x00"s
                   "\x00\x02\x01\x01"s "\x09\x07"s "\x00\x01"s;
  TBMPReader r8;
  std::string f8 = MakeBmp({4, 3, 8, 1, 40, std::vector<uint32_t>(8, 0), {}, 8, rle8});
  r8.LoadFromBuffer(reinterpret_cast<const uint8_t*>(f8.data()), f8.size());
  auto row = [&](const TBMPReader& r, int y) {
    std::vector<int> v;
    for (int x = 0; x < r.Width(); ++x) v.push_back(r.IndexAt(r.Row(y), x));
    return v;
  };
  EXPECT_EQ(row(r8, 0), (std::vector<int>{5, 5, 1, 2}));
  EXPECT_EQ(row(r8, 1), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(row(r8, 2), (std::vector<int>{0, 7, 7, 7}));

  // RLE4, 5 x 1: a run of 3 alternating nibbles, a literal of 2 starting
  // at an odd pixel.
  std::string rle4 = "\x03\x12"s "\x00\x03\x34\x50"s "\x00\x01"s;
  TBMPReader r4;
  std::string f4 = MakeBmp({5, 1, 4, 2, 40, std::vector<uint32_t>(16, 0), {}, 16, rle4});
  r4.LoadFromBuffer(reinterpret_cast<const uint8_t*>(f4.data()), f4.size());
  EXPECT_EQ(row(r4, 0), (std::vector<int>{1, 2, 1, 3, 4}));
}

TEST(BmpReader, ColorCountCompactsThePalette) {
  TBMPReader r;
  std::vector<uint32_t> pal(8);
  for (int i = 0; i < 8; ++i) pal[static_cast<size_t>(i)] = static_cast<uint32_t>(i * 0x111111);
  std::string f = MakeBmp({3, 1, 8, 0, 40, pal, {}, 8, BottomUp({"\x07\x03\x07"s})});
  r.LoadFromBuffer(reinterpret_cast<const uint8_t*>(f.data()), f.size());
  EXPECT_EQ(r.ColorCount(), 2);
  EXPECT_EQ(r.Palette()[0].Red, 0x33);
  EXPECT_EQ(r.Palette()[1].Red, 0x77);
  EXPECT_EQ(r.IndexAt(r.Row(0), 0), 1);
  EXPECT_EQ(r.IndexAt(r.Row(0), 1), 0);
}

TEST(BmpReader, LyingOrUnsupportedHeadersAreRefused) {
  auto patch32 = [](std::string f, size_t at, uint32_t v) {
    const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    return f.replace(at, 4, bytes, 4);
  };
  const std::string ok = MakeBmp({2, 2, 24, 0, 40, {}, {}, 0, BottomUp({"abcdef", "ghijkl"})});
  const std::string pal = MakeBmp({2, 1, 8, 0, 40, {0, 0}, {}, 2, BottomUp({"\x00\x01"s})});
  struct Row {
    const char* Name;
    std::string File;
  };
  const std::vector<Row> rows = {
      {"not a bitmap", "PK" + ok.substr(2)},
      {"cut inside the header", ok.substr(0, 30)},
      {"height beyond the pixel data", patch32(ok, 22, 50)},
      {"width beyond the pixel data", patch32(ok, 18, 9)},
      {"gigantic size", patch32(patch32(ok, 18, 100000), 22, 100000)},
      {"zero width", patch32(ok, 18, 0)},
      {"data offset past the end", patch32(ok, 10, 5000)},
      {"palette larger than the bit depth allows", patch32(pal, 46, 300)},
      {"palette past the end of the file", patch32(pal, 46, 256)},
      {"JPEG compression", patch32(ok, 30, 4)},
      {"RLE8 on a 24-bit picture", patch32(ok, 30, 1)},
      {"unknown header size", patch32(ok, 14, 64)},
      {"2 bits per pixel", MakeBmp({2, 1, 2, 0, 40, {0, 0, 0, 0}, {}, 0, "\x00\x00\x00\x00"s})},
      {"top-down run-length", MakeBmp({2, -1, 8, 1, 40, {0, 0}, {}, 2, "\x00\x01"s})},
      {"empty masks", MakeBmp({1, 1, 16, 3, 40, {}, {0, 0, 0}, 0, "\x00\x00\x00\x00"s})},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TBMPReader reader;
    EXPECT_THROW(reader.LoadFromBuffer(reinterpret_cast<const uint8_t*>(r.File.data()),
                                       r.File.size()),
                 EImageError);
  }
  TBMPReader reader;
  EXPECT_NO_THROW(reader.LoadFromBuffer(reinterpret_cast<const uint8_t*>(ok.data()), ok.size()));
}

TEST(PictureImport, OtherExtensionsAreRefusedWithTheirName) {
  test::TempDir dir;
  test::WriteFile(dir / "photo.gif", "GIF89a");
  TPictureFile pic;
  try {
    pic.LoadFromFile((dir / "photo.gif").string());
    FAIL() << "no exception";
  } catch (const EImageError& e) {
    EXPECT_STREQ(e.what(), "Image format \"GIF\" not supported!");
  }
}

}  // namespace
}  // namespace reelcast
