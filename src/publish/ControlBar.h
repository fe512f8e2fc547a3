// The interactive pieces added to published movies: the play/pause/stop
// control bar over the video timeline and the "Replay" button shown at the
// end.
#pragma once

#include <cstdint>
#include <string>

#include "convert/JobRecord.h"

namespace reelcast {

class TFlashMovie;

// Adds the bar of style param.BarStyle to movie and one frame per video
// frame 0..lastFrame, whose scripts pause the movie at frame 1 and show
// "n of lastFrame". mainPath is the target path of the video timeline
// ("_root.MainMovie"), rootPath the root ("_root", or "_root.ThirdAudio"
// inside the music wrapper). When a style movie is missing it logs "Add
// Control Bar:File Not Exists" and adds nothing (false).
bool AddControlBar(TFlashMovie& movie, uint16_t lastFrame, const std::string& mainPath,
                   const std::string& rootPath, const TSWFParam& param);

// The "Replay" button at depth 4 in the middle of the stage; a click plays
// _root again. The caller stops the frame it is shown in.
void AddReplayButton(TFlashMovie& movie);

}  // namespace reelcast
