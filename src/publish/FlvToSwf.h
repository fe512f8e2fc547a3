// The embedded-video movie: every frame of the job's FLV becomes a frame of
// an SWF movie with the FLV's sound as its stream sound, dressed as the job
// asks (preloader, link, control bar, "Replay" button or a final stop). With
// background music and no template, a second pass wraps that movie in one
// whose stream sound is the mixed music, looping for the movie's length.
#pragma once

#include <cstdint>
#include <string>

#include "convert/JobRecord.h"

namespace reelcast {

class TFlashVideo;

// One SWF movie counts its frames in 16 bits: it holds at most 65535. A
// video embedded frame for frame, with framesAround frames of the movie
// before and after it, that would not fit is refused (std::runtime_error
// naming the file, its length and the ways out) instead of being cut.
void RequireVideoFitsOneMovie(const TFlashVideo& video, const std::string& flvPath,
                              uint32_t framesAround);

// The mixed music of the second pass: the job's scratch folder
// (ScratchFolderOf) + "BackGroupMusic.mp3".
std::string BackgroundMusicPath(const TSWFParam& param);

// Builds and writes swfPath from flvPath and param. A missing FLV is
// logged and nothing is written; a missing music file keeps the first
// movie. swfPath is always a complete movie or left as it was: each pass
// writes under a scratch name and renames. Errors of the builder throw.
void FlvToSwf(const std::string& flvPath, const std::string& swfPath,
              const TSWFParam& param);

}  // namespace reelcast
