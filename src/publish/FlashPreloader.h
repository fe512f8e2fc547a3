// TFlashPreloader builds the preloader frame of a published movie: the
// background, a sprite or the user's logo, a progress bar and a caption,
// and the script that holds the movie there until it has loaded. It also
// renders the stand-alone preview of the publish settings dialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "convert/JobRecord.h"
#include "publish/PreloaderLayout.h"

namespace reelcast {

class TFlashMovie;

class TFlashPreloader {
 public:
  // Builds into movie (not owned).
  TFlashPreloader(TFlashMovie& movie, const TSWFParam& param);
  // A preview: owns a new 400 x 300 movie at 15 frames per second, version 8.
  static std::unique_ptr<TFlashPreloader> CreatePreview(const TSWFParam& param);
  ~TFlashPreloader();

  TFlashMovie& Movie() { return *movie_; }
  const TPreloaderLayout& Layout() const { return layout_; }

  // The preloader frame with its script; always true.
  bool Build();
  // The frame without the script (bar half full, caption showing 50),
  // written to fileName (complete or absent).
  void BuildPreview(const std::string& fileName);

 private:
  TFlashPreloader(std::unique_ptr<TFlashMovie> owned, const TSWFParam& param);
  // Reads the bar style and the sprite size; raises when the bar styles
  // file or the sprite movie cannot be read.
  void MakeLayout();
  void BuildFrame(bool withScript);
  uint16_t NextDepth();

  std::unique_ptr<TFlashMovie> owned_;
  TFlashMovie* movie_;
  TSWFParam param_;
  TPreLoader preloader_;
  bool preview_ = false;
  int32_t spriteWidth_ = 0, spriteHeight_ = 0;
  TPreloaderLayout layout_;
  std::vector<uint16_t> placedDepths_;
};

// Adds the preloader frame to movie; true when built.
bool AddPreloader(TFlashMovie& movie, const TSWFParam& param);
// Writes the preview to TempFolder + "QVX2_PreviewPreloader.swf".
bool MakePreloaderPreview(const TSWFParam& param);
// Where MakePreloaderPreview writes.
std::string PreloaderPreviewPath();

}  // namespace reelcast
