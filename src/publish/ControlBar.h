// The interactive pieces added to published movies: the play/pause/stop
// control bar over the video timeline and the "Replay" button shown at the
// end.
#pragma once

#include <cstdint>
#include <string>

#include "convert/JobRecord.h"
#include "swf/Records.h"

namespace reelcast {

class TFlashMovie;

// Adds the bar of style param.BarStyle to movie and one frame per video
// frame 0..lastFrame, whose scripts show "n of lastFrame" and, unless the
// export settings ask for auto-play or "Replay" was clicked, pause the movie
// at frame 1. mainPath is the target path of the video's own timeline
// ("_root.MainMovie"; empty when the video plays on the root's timeline),
// rootPath the root ("_root", or "_root.ThirdAudio" inside the music
// wrapper). When a style movie is missing it logs "Add
// Control Bar:File Not Exists" and adds nothing (false).
// The bar lies over the bottom of the stage, or of videoArea (stage pixels)
// when the video fills only part of it; it fades out while the pointer
// rests and the movie plays.
bool AddControlBar(TFlashMovie& movie, uint16_t lastFrame, const std::string& mainPath,
                   const std::string& rootPath, const TSWFParam& param = SWFParam);
bool AddControlBar(TFlashMovie& movie, uint16_t lastFrame, const std::string& mainPath,
                   const std::string& rootPath, const TRect& videoArea,
                   const TSWFParam& param = SWFParam);

// The "Replay" button at depth 4 in the middle of the stage; a click plays
// _root again, from its start, without the bar's pause at frame 1. The
// caller stops the frame it is shown in.
void AddReplayButton(TFlashMovie& movie);

// A script in the current frame of movie that plays the sprite named
// spriteName from its first frame: a wrapper that keeps a halted movie on its
// last picture restarts it when "Replay" brings the wrapper back here.
void RestartOnEntry(TFlashMovie& movie, const std::string& spriteName);

}  // namespace reelcast
