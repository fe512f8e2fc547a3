#include "publish/ControlBarPreview.h"

#include <exception>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "publish/ControlBarStyles.h"
#include "publish/OutputFile.h"
#include "swf/SWFStream.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

// The stage width of a button movie in pixels (0 when it cannot be read).
int32_t StageWidth(const std::string& file) {
  try {
    TSWFStreamReader reader(file);
    return (reader.FrameRect.Right - reader.FrameRect.Left) / 20;
  } catch (const std::exception&) {
    return 0;
  }
}

// The previews written by this process: each style's is built once.
std::mutex builtMutex;
std::set<std::string> built;

}  // namespace

std::string MakeControlBarPreview(const std::string& style) {
  using L = TControlBarPreviewLayout;
  const std::string path = TempFolder + "ControlBar." + style + ".preview.swf";
  const TControlBarFiles files = ControlBarFiles(style);
  std::lock_guard<std::mutex> lock(builtMutex);
  std::error_code ec;
  if (built.count(path) && fs::is_regular_file(path, ec)) return path;

  TFlashMovie m(0, 0, L::Width, L::Height, 12.0f, true);
  m.SetVersion(8);
  m.SetCompressed(false);
  // The buttons are drawn for the bar's panel: they show on its colour.
  m.BackgroundColor().SetRGB(ControlBarLook(style).Panel & 0xFFFFFFu);
  int n = 0;
  for (const std::string* file : {&files.Play, &files.Pause, &files.Stop}) {
    const int32_t size = StageWidth(*file);
    if (size > 0) {
      try {
        // Each button movie becomes a sprite scaled to its square; its own
        // timeline keeps playing as it would in the bar.
        TFlashExternalMovie* button = m.AddExternalMovie(*file, 3, true);
        TFlashPlaceObject* place = m.PlaceObject(button->AsSprite, static_cast<uint16_t>(n + 1));
        const float scale = static_cast<float>(L::Button) / static_cast<float>(size);
        place->SetScale(scale, scale);
        place->SetTranslate(L::Left(n), 0);
      } catch (const std::exception& e) {
        NVLog("The control bar preview leaves out " + *file + ": " + e.what());
      }
    }
    ++n;
  }
  m.ShowFrame(1);
  try {
    m.MakeStream();
    SaveThroughScratch(path, [&](const std::string& scratch) { m.SaveToFile(scratch); });
  } catch (const std::exception& e) {
    NVLog("The control bar preview of " + style + " was not written: " + e.what());
    return {};
  }
  built.insert(path);
  return path;
}

}  // namespace reelcast
