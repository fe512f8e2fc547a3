// The real reelcast under Xvfb previewing the test DVD: it plays a title on
// the Import page and seeks by a click on the position bar, drags the crop
// frame on the Edit page and takes a snapshot there, and plays the title
// again on the Import page with the stored crop. The pictures the views
// showed are saved and read back by the frame numbers burnt into them.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopScript.h"
#include "support/PngImage.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

// The burnt-in frame number of a saved picture.
int FrameOf(const PngImage& image) {
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(image.Width()) * image.Height() * 3);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      Rgba p = image.Pixel(x, y);
      rgb.insert(rgb.end(), {p.R, p.G, p.B});
    }
  return FixtureFrameNumber(rgb.data(), image.Width());
}

int Brightness(const Rgba& p) { return p.R + p.G + p.B; }

TEST(Desktop, PreviewPlaysSeeksCropsAndTakesASnapshot) {
  ASSERT_TRUE(HaveProgram("xvfb-run"));
  TempDir out("reelcast-preview-out");
  TempDir home("reelcast-preview-home");
  auto file = [&](const char* name) { return (out / name).string(); };
  const std::string script =
      OpenDvdLines() +
      "select-row Title_01_01\n"
      "click btnPlay\n"
      "wait-picture pnlPreview\n" +
      ShotLine("preview-1-import.png") +
      // A click on the position bar's body at three quarters: about 9 s.
      "drag VCTrack 0.75 0.28 0.75 0.28\n"
      "wait-at-least VCTrack 10\n"
      "click btnPause\n"
      "save-picture pnlPreview " + file("seeked.png") + "\n"
      "print VCTrack\n"
      "click btnEffect\n"
      "wait-picture pnlCut\n"
      "click btnEPause\n"
      // The crop frame's left edge dragged a quarter into the picture.
      "drag pnlCut 0 0.5 0.25 0.5\n"
      "print sedtLeft\n"
      "save-picture pnlCut " + file("edit-picture.png") + "\n"
      "save-view pnlCut " + file("edit-view.png") + "\n"
      "click btnPhoto\n" +
      ShotLine("preview-2-edit.png") +
      "click btnSelect\n"
      "click btnPlay\n"
      "wait-picture pnlPreview\n"
      "save-picture pnlPreview " + file("cropped.png") + "\n" +
      ShotLine("preview-3-cropped.png") +
      "quit\n";
  ProcessResult r = RunDesktopScript(script, out.Path(), home.Path(), 600);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;

  // The seek: the paused picture is from about 9 s on (25 frames a second).
  PngImage seeked = PngImage::Load(out / "seeked.png");
  EXPECT_EQ(seeked.Width(), 720);
  EXPECT_GE(FrameOf(seeked), 8 * 25) << r.Output;

  // The crop: the spin edit took the dragged edge (a quarter of 720); the
  // view dims what is cut away and shows the kept part as it is.
  EXPECT_NE(r.Output.find("value: sedtLeft: 180"), std::string::npos) << r.Output;
  PngImage picture = PngImage::Load(out / "edit-picture.png");
  PngImage view = PngImage::Load(out / "edit-view.png");
  ASSERT_EQ(picture.Width(), 720);
  // The view letterboxes the 4:3 picture; find where it lies.
  const double scale = std::min(view.Width() / (4.0 / 3.0 * 576), view.Height() / 576.0);
  const double shownW = 4.0 / 3.0 * 576 * scale, shownH = 576 * scale;
  const double x0 = (view.Width() - shownW) / 2, y0 = (view.Height() - shownH) / 2;
  auto at = [&](int sx, int sy) {
    return view.Pixel(static_cast<int>(x0 + sx * shownW / 720), static_cast<int>(y0 + sy * shownH / 576));
  };
  int cutSeen = 0, cutPicture = 0, keptSeen = 0, keptPicture = 0;
  for (int sy = 100; sy < 500; sy += 40) {
    for (int sx = 20; sx < 160; sx += 20) {
      cutSeen += Brightness(at(sx, sy));
      cutPicture += Brightness(picture.Pixel(sx, sy));
    }
    for (int sx = 260; sx < 700; sx += 60) {
      keptSeen += Brightness(at(sx, sy));
      keptPicture += Brightness(picture.Pixel(sx, sy));
    }
  }
  EXPECT_LT(cutSeen, cutPicture * 0.7) << "the cut-away part is dimmed";
  EXPECT_GT(keptSeen, keptPicture * 0.85) << "the kept part is shown as it is";

  // The snapshot: the row's destination name, numbered from 1, in the
  // user's snapshot folder.
  const fs::path snapshot = home.Path() / "Snapshot" / "Title_0101_1.bmp";
  ASSERT_TRUE(fs::exists(snapshot)) << r.Output;
  EXPECT_EQ(fs::file_size(snapshot), 54u + 720u * 3u * 576u);

  // Back on the Import page the title plays with the stored crop.
  PngImage cropped = PngImage::Load(out / "cropped.png");
  EXPECT_EQ(cropped.Width(), 720 - 180);
  EXPECT_EQ(cropped.Height(), 576);
}

}  // namespace
}  // namespace reelcast::test
