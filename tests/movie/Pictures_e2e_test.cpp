// Pictures of every kind shown through a bitmap fill play in Ruffle with
// their colours where they were placed.
#include <gtest/gtest.h>

#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::Rgba;

// A 200 x 100 pixel movie on white showing the picture at (x, y) through a
// rectangle with a bitmap fill, one picture pixel a screen pixel. The shape
// is made before the picture, so the fill must move the picture ahead.
void SavePictureMovie(const std::string& picture, const std::string& swf, int x, int y) {
  TFlashMovie movie(0, 0, 200, 100, 12, true);
  movie.SetVersion(8);
  movie.BackgroundColor().SetRGB(0xFFFFFF);
  TFlashShape* shape = movie.AddShape();
  TFlashImage* image = movie.AddImage(picture);
  shape->SetBounds(x, y, x + image->Width(), y + image->Height());
  shape->Edges.MoveTo(x, y);
  shape->Edges.MakeRectangle(image->Width(), image->Height());
  shape->AddImageFill(image, 0);
  movie.PlaceObject(shape, 1);
  movie.ShowFrame();
  movie.MakeStream();
  movie.SaveToFile(swf);
}

class RufflePictures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    // 40 x 30: four blocks of 20 x 15. In alpha.png the bottom right one is
    // a half transparent dark grey: on white it shows light grey only when
    // the stored colour is multiplied by its alpha, as the format requires.
    Convert({"-size", "40x30", "xc:red", "-fill", "#00FF00", "-draw", "rectangle 20,0 39,14",
             "-fill", "blue", "-draw", "rectangle 0,15 19,29", "-fill", "#FFFF00", "-draw",
             "rectangle 20,15 39,29", (dir / "src.png").string()});
    Convert({(dir / "src.png").string(), "-alpha", "set", "-region", "20x15+20+15", "-fill",
             "#40404080", "-draw", "color 0,0 reset", "+region", (dir / "alpha.png").string()});
    Convert({"-size", "40x30", "xc:black", "-fill", "white", "-draw", "rectangle 20,0 39,14",
             "-draw", "rectangle 0,15 19,29", (dir / "bw.png").string()});
  }
  void Convert(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = test::RunProcess(argv);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
  }
  test::TempDir dir;
};

TEST_F(RufflePictures, EveryPictureKindShowsItsColoursInPlace) {
  const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255},
      yellow{255, 255, 0, 255}, black{0, 0, 0, 255}, white{255, 255, 255, 255},
      grey{159, 159, 159, 255};
  struct Row {
    const char* Name;
    std::string Source;
    std::vector<std::string> Args;
    std::string File;
    std::vector<Rgba> Blocks;  // top left, top right, bottom left, bottom right
    int Tolerance;
  };
  const std::vector<Row> rows = {
      {"1-bit BMP", "bw.png", {"-monochrome"}, "BMP3:p1.bmp", {black, white, white, black}, 8},
      {"4-bit BMP", "src.png", {"-type", "palette"}, "BMP3:p4.bmp", {red, green, blue, yellow}, 8},
      {"8-bit run-length BMP", "src.png", {"-type", "palette", "-compress", "RLE"}, "BMP3:p8.bmp",
       {red, green, blue, yellow}, 8},
      {"16-bit BMP", "src.png", {"-type", "truecolor", "-define", "bmp:subtype=RGB565"},
       "BMP:p16.bmp", {red, green, blue, yellow}, 8},
      {"24-bit BMP", "src.png", {"-type", "truecolor"}, "BMP3:p24.bmp", {red, green, blue, yellow}, 8},
      {"32-bit BMP with alpha", "alpha.png", {}, "BMP:p32.bmp", {red, green, blue, grey}, 10},
      {"PNG with alpha", "alpha.png", {}, "PNG32:a.png", {red, green, blue, grey}, 10},
      {"baseline JPEG", "src.png", {"-quality", "95"}, "JPG:b.jpg", {red, green, blue, yellow}, 24},
      {"progressive JPEG", "src.png", {"-quality", "95", "-interlace", "Plane"}, "JPG:p.jpg",
       {red, green, blue, yellow}, 24},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    std::string name = r.File.substr(r.File.find(':') + 1);
    std::vector<std::string> args = {(dir / r.Source).string()};
    args.insert(args.end(), r.Args.begin(), r.Args.end());
    args.push_back(r.File.substr(0, r.File.find(':') + 1) + (dir / name).string());
    Convert(args);

    std::string swf = name + ".swf";
    SavePictureMovie((dir / name).string(), (dir / swf).string(), 30, 20);

    test::RuffleOptions o;
    o.Root = dir.Path();
    o.Swf = swf;
    o.ShotsAt = {600};
    test::RuffleResult res = test::RufflePlayer::Play(o);
    ASSERT_TRUE(res.Ok) << res.Describe();
    ASSERT_EQ(res.Shots.size(), 1u);
    const test::PngImage& shot = res.Shots[0].Image;
    // Block centres, and white around the picture.
    const int cx[4] = {30 + 10, 30 + 30, 30 + 10, 30 + 30};
    const int cy[4] = {20 + 7, 20 + 7, 20 + 22, 20 + 22};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(shot.Pixel(cx[i], cy[i]).Near(r.Blocks[static_cast<size_t>(i)], r.Tolerance))
          << "block " << i << " is " << shot.Pixel(cx[i], cy[i]).ToString();
    EXPECT_TRUE(shot.Pixel(25, 15).Near(white)) << shot.Pixel(25, 15).ToString();
    EXPECT_TRUE(shot.Pixel(75, 55).Near(white)) << shot.Pixel(75, 55).ToString();
  }
}

}  // namespace
}  // namespace reelcast
