// Snapshot files: the naming rule and the BMP and JPEG writers.
#include <gtest/gtest.h>

#include <string>

#include "sources/Snapshot.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::TempDir;

TEST(SnapshotTest, NumberIsTheFirstFreeOfBothExtensions) {
  TempDir dir;
  const std::string folder = dir.Path().string();  // without '/': one is added
  EXPECT_EQ(SnapshotPath(folder, "Title_0101", false), folder + "/Title_0101_1.bmp");
  test::WriteFile(dir / "Title_0101_1.bmp", "x");
  EXPECT_EQ(SnapshotPath(folder + "/", "Title_0101", false), folder + "/Title_0101_2.bmp");
  test::WriteFile(dir / "Title_0101_2.jpg", "x");
  EXPECT_EQ(SnapshotPath(folder, "Title_0101", false), folder + "/Title_0101_3.bmp");
  EXPECT_EQ(SnapshotPath(folder, "Title_0101", true), folder + "/Title_0101_3.jpg");
  EXPECT_EQ(SnapshotPath(folder, "Chapter_01-111", true), folder + "/Chapter_01-111_1.jpg");
}

TEST(SnapshotTest, BmpIsBottomUpBgrWithPaddedRows) {
  TRgbImage image;
  image.Width = 3;  // 9 bytes a row, padded to 12
  image.Height = 2;
  image.Pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9,            // top row
                  10, 11, 12, 13, 14, 15, 16, 17, 18};  // bottom row
  TempDir dir;
  WriteSnapshot(image, (dir / "a.bmp").string(), false);
  std::string bmp = test::ReadFile(dir / "a.bmp");
  ASSERT_EQ(bmp.size(), 54u + 24u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(bmp[2]), 78);   // file size
  EXPECT_EQ(static_cast<uint8_t>(bmp[10]), 54);  // pixel offset
  EXPECT_EQ(static_cast<uint8_t>(bmp[18]), 3);   // width
  EXPECT_EQ(static_cast<uint8_t>(bmp[22]), 2);   // height, positive: bottom-up
  EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 24);  // bits per pixel
  const std::string pixels = bmp.substr(54);
  const std::string expected = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,
                                3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0};
  EXPECT_EQ(pixels, expected);
}

TEST(SnapshotTest, JpegIsWrittenAndFailuresAreReported) {
  TRgbImage image;
  image.Width = 16;
  image.Height = 8;
  image.Pixels.assign(16 * 8 * 3, 200);
  TempDir dir;
  WriteSnapshot(image, (dir / "a.jpg").string(), true);
  std::string jpg = test::ReadFile(dir / "a.jpg");
  ASSERT_GT(jpg.size(), 100u);
  EXPECT_EQ(static_cast<uint8_t>(jpg[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(jpg[1]), 0xD8);
  EXPECT_EQ(static_cast<uint8_t>(jpg[jpg.size() - 2]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(jpg.back()), 0xD9);

  for (bool jpeg : {false, true})
    EXPECT_THROW(WriteSnapshot(image, (dir / "missing" / "a.bmp").string(), jpeg), std::runtime_error);
  EXPECT_THROW(WriteSnapshot(TRgbImage{}, (dir / "b.bmp").string(), false), std::runtime_error);
}

}  // namespace
}  // namespace reelcast
