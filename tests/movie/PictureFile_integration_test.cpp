// Pictures made by ImageMagick at test time go through the importer; the
// pixels it stores must be the pixels ImageMagick itself reads from the
// same file.
#include <gtest/gtest.h>

#include <cmath>

#include "movie/JpegCodec.h"
#include "movie/PictureFile.h"
#include "movie/PictureTestUtil.h"
#include "support/TestEnv.h"
#include "swf/BitsEngine.h"
#include "swf/Stream.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;

// RGBA bytes of a picture as ImageMagick reads it.
std::vector<uint8_t> MagickPixels(const fs::path& file) {
  auto r = test::RunProcess({"convert", file.string(), "-depth", "8", "rgba:-"});
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  return {r.Output.begin(), r.Output.end()};
}

void Convert(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"convert"};
  argv.insert(argv.end(), args.begin(), args.end());
  auto r = test::RunProcess(argv);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
}

// The stored lossless pixels as straight (not premultiplied) RGBA.
std::vector<uint8_t> StoredPixels(const TPictureFile& pic) {
  std::vector<uint8_t> raw = test::Inflate(pic.Data);
  std::vector<uint8_t> out;
  size_t at = 0;
  if (pic.BitmapFormat == TPictureFile::kColorMapped) {
    size_t entry = pic.HasAlpha ? 4 : 3;
    size_t table = pic.ColorCount * entry;
    for (int y = 0; y < pic.Height; ++y)
      for (int x = 0; x < pic.Width; ++x) {
        size_t i = raw.at(table + static_cast<size_t>(y) * pic.PaddedWidth + x) * entry;
        out.insert(out.end(), {raw.at(i), raw.at(i + 1), raw.at(i + 2), 255});
      }
    return out;
  }
  for (int y = 0; y < pic.Height; ++y) {
    for (int x = 0; x < pic.PaddedWidth; ++x) {
      if (pic.BitmapFormat == TPictureFile::kRgb15) {
        unsigned v = (raw.at(at) << 8) | raw.at(at + 1);
        at += 2;
        auto wide = [](unsigned c) { return static_cast<uint8_t>((c * 255 + 15) / 31); };
        if (x < pic.Width)
          out.insert(out.end(), {wide((v >> 10) & 31), wide((v >> 5) & 31), wide(v & 31), 255});
      } else {
        uint8_t a = raw.at(at), r = raw.at(at + 1), g = raw.at(at + 2), b = raw.at(at + 3);
        at += 4;
        auto straight = [a](uint8_t c) {
          return a == 0 ? uint8_t{0} : static_cast<uint8_t>(std::min(255, (c * 255 + a / 2) / a));
        };
        if (pic.HasAlpha) r = straight(r), g = straight(g), b = straight(b);
        out.insert(out.end(), {r, g, b, a});
      }
    }
  }
  return out;
}

void ExpectSamePixels(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs,
                      int tolerance) {
  ASSERT_EQ(ours.size(), theirs.size());
  int worst = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    // Fully transparent pixels carry no colour.
    if ((i % 4) != 3 && theirs[i - i % 4 + 3] == 0) continue;
    worst = std::max(worst, std::abs(int(ours[i]) - int(theirs[i])));
  }
  EXPECT_LE(worst, tolerance);
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    // 7 x 5 (odd width: rows need padding) with a red block, a blue pixel
    // and white; the gradient has enough colours for an 8-bit palette.
    Convert({"-size", "7x5", "xc:white", "-fill", "red", "-draw", "rectangle 0,0 3,2", "-fill",
             "blue", "-draw", "point 6,4", (dir / "src.png").string()});
    Convert({"-size", "9x20", "gradient:red-blue", (dir / "grad.png").string()});
  }
  test::TempDir dir;
};

TEST_F(PictureFiles, BitmapsOfEveryDepthKeepTheirPixels) {
  struct Row {
    const char* Name;
    const char* Source;
    std::vector<std::string> Args;
    const char* Out;
    int BitCount;
    uint8_t Format;
    uint16_t Tag;
    int Tolerance;
  };
  const std::vector<Row> rows = {
      {"1-bit", "src.png", {"-monochrome"}, "BMP3:b1.bmp", 1, 3, 20, 0},
      {"4-bit", "src.png", {"-type", "palette"}, "BMP3:b4.bmp", 4, 3, 20, 0},
      {"8-bit", "grad.png", {"-type", "palette"}, "BMP3:b8.bmp", 8, 3, 20, 0},
      {"8-bit run-length", "grad.png", {"-type", "palette", "-compress", "RLE"}, "BMP3:r8.bmp", 8,
       3, 20, 0},
      {"8-bit core header", "grad.png", {"-type", "palette"}, "BMP2:c8.bmp", 8, 3, 20, 0},
      {"16-bit 5-5-5", "src.png", {"-type", "truecolor", "-define", "bmp:subtype=RGB555"},
       "BMP:b16.bmp", 16, 4, 20, 0},
      {"16-bit 5-6-5", "grad.png", {"-type", "truecolor", "-define", "bmp:subtype=RGB565"},
       "BMP:b565.bmp", 16, 4, 20, 9},
      {"24-bit", "src.png", {"-type", "truecolor"}, "BMP3:b24.bmp", 24, 5, 20, 0},
      {"32-bit with alpha", "src.png",
       {"-alpha", "set", "-fill", "#00FF0080", "-draw", "color 0,4 point", "-fill", "none",
        "-draw", "color 6,0 point"},
       "BMP:b32.bmp", 32, 5, 36, 2},
      {"PNG with alpha", "src.png",
       {"-alpha", "set", "-fill", "#0000FF40", "-draw", "color 0,4 point"}, "PNG32:a.png", 0, 5,
       36, 3},
      {"opaque PNG", "grad.png", {}, "PNG24:o.png", 0, 5, 20, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    std::string out = r.Out;
    std::string name = out.substr(out.find(':') + 1);
    std::vector<std::string> args = {(dir / r.Source).string()};
    args.insert(args.end(), r.Args.begin(), r.Args.end());
    args.push_back(out.substr(0, out.find(':') + 1) + (dir / name).string());
    Convert(args);
    TPictureFile pic;
    pic.LoadFromFile((dir / name).string());
    if (r.BitCount) {
      ASSERT_TRUE(pic.Reader);
      EXPECT_EQ(pic.Reader->BitCount(), r.BitCount);
    }
    EXPECT_EQ(pic.BitmapFormat == TPictureFile::kArgb32 ? 5 : pic.BitmapFormat, r.Format);
    EXPECT_EQ(pic.TagCode(), r.Tag);
    pic.PrepareLosslessData();
    ExpectSamePixels(StoredPixels(pic), MagickPixels(dir / name), r.Tolerance);

    // The tag carries the sizes and the compressed pixels.
    TMemoryStream s;
    TBitsEngine be(s);
    pic.WriteTag(be, 7);
    const uint8_t* b = s.Memory();
    EXPECT_EQ((b[0] | (b[1] << 8)) >> 6, r.Tag);
    EXPECT_EQ(b[6] | (b[7] << 8), 7);  // long header: id after 6 bytes
    EXPECT_EQ(b[9] | (b[10] << 8), pic.Width);
    EXPECT_EQ(b[11] | (b[12] << 8), pic.Height);
  }
}

TEST_F(PictureFiles, BaselineJpegIsEmbeddedAsItIsAndProgressiveIsReencoded) {
  Convert({(dir / "grad.png").string(), "-quality", "90", (dir / "base.jpg").string()});
  Convert({(dir / "grad.png").string(), "-interlace", "Plane", (dir / "prog.JPEG").string()});

  TPictureFile base;
  base.LoadFromFile((dir / "base.jpg").string());
  EXPECT_TRUE(base.IsJPEG);
  EXPECT_EQ(base.Width, 9);
  EXPECT_EQ(base.Height, 20);
  TMemoryStream s;
  TBitsEngine be(s);
  base.WriteTag(be, 3);
  std::string file = test::ReadFile(dir / "base.jpg");
  EXPECT_EQ(s.ToString().substr(s.ToString().size() - file.size()), file);
  EXPECT_EQ(s.ToString().substr(2, 8).substr(4, 4), std::string("\x03\x00\xFF\xD9", 4));

  TPictureFile prog;
  int w = 0, h = 0;
  std::string progBytes = test::ReadFile(dir / "prog.JPEG");
  ASSERT_FALSE(ReadJPEGSize(reinterpret_cast<const uint8_t*>(progBytes.data()), progBytes.size(),
                            w, h));
  prog.LoadFromFile((dir / "prog.JPEG").string());
  EXPECT_EQ(prog.Width, 9);
  EXPECT_EQ(prog.Height, 20);
  ASSERT_TRUE(ReadJPEGSize(prog.Data.data(), prog.Data.size(), w, h));
  EXPECT_EQ(w, 9);
  EXPECT_EQ(h, 20);
  TDecodedJpeg again = DecodeJpeg(prog.Data);
  EXPECT_FALSE(again.Progressive);
  // The re-encoding keeps the picture: top red, bottom blue.
  EXPECT_GT(again.Rgb[0], 200);
  EXPECT_LT(again.Rgb[2], 60);
  size_t last = again.Rgb.size() - 3;
  EXPECT_GT(again.Rgb[last + 2], 200);
  EXPECT_LT(again.Rgb[last], 60);
}

TEST_F(PictureFiles, BrokenPicturesRaiseClearErrors) {
  struct Row {
    const char* Name;
    const char* File;
    std::string Bytes;
  };
  std::string grad = test::ReadFile(dir / "grad.png");
  const std::vector<Row> rows = {
      {"JPEG without a frame header", "a.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x04\x00\x00junk", 12)},
      {"not a JPEG at all", "b.jpg", "hello"},
      {"truncated PNG", "c.png", grad.substr(0, grad.size() / 2)},
      {"BMP named so but something else", "d.bmp", grad},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    test::WriteFile(dir / r.File, r.Bytes);
    TPictureFile pic;
    EXPECT_THROW(pic.LoadFromFile((dir / r.File).string()), EImageError);
  }
  TPictureFile missing;
  EXPECT_THROW(missing.LoadFromFile((dir / "nothing.bmp").string()), std::exception);
}

}  // namespace
}  // namespace reelcast
