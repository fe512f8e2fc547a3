// Test helpers for movies that embed an FLV: ffmpeg makes the FLV, the movie
// builder embeds it the way published movies do.
#pragma once

#include <string>
#include <vector>

#include "media/FLVData.h"
#include "movie/FlashMovie.h"
#include "movie/FlashVideo.h"
#include "support/FFprobe.h"
#include "swf/Records.h"

namespace reelcast::test {

// A test picture with a moving clock and a tone, in an FLV.
inline void MakeTestFlv(const std::string& path, const std::vector<std::string>& codecs, double seconds,
                        const std::string& size = "160x120", int rate = 25, int audioRate = 22050) {
  std::vector<std::string> args = {"-f", "lavfi", "-i",
                                   "testsrc=size=" + size + ":rate=" + std::to_string(rate), "-f", "lavfi",
                                   "-i", "sine=frequency=440:sample_rate=" + std::to_string(audioRate), "-t",
                                   std::to_string(seconds)};
  args.insert(args.end(), codecs.begin(), codecs.end());
  args.push_back(path);
  RunFFmpeg(args);
}

// AddVideo, the FLV's frame rate and size, PlaceVideo at depth 1, sound on,
// one ShowFrame per video frame; saved uncompressed.
inline void EmbedFlv(const std::string& flv, const std::string& swf, bool sound = true) {
  TFLVData probe(flv);
  TFlashMovie movie(0, 0, probe.Width(), probe.Height(), Fixed8ToSingle(probe.FrameRate()), true);
  movie.FrameRate = probe.FrameRate();
  TFlashVideo* video = movie.AddVideo(flv);
  TFlashPlaceVideo* place = movie.PlaceVideo(video, 1);
  place->SetEnableSound(sound);
  movie.ShowFrame(static_cast<uint16_t>(video->FLV().FrameCount()));
  movie.MakeStream();
  movie.SaveToFile(swf);
}

}  // namespace reelcast::test
