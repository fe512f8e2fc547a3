// The checks of a job's sources: the title can be read, and the streams and
// crop chosen for it are ones it has. They use nothing but the task records,
// so the Convert service runs them without the publishing routines.
#include <algorithm>

#include "convert/JobChecks.h"

namespace reelcast {

std::optional<TJobProblem> CheckSourceReadable(const TBase& title) {
  if (title.VobProblem.empty()) return std::nullopt;
  return TJobProblem{TJobChoice::Source, title.Name, title.VobProblem};
}

std::optional<TJobProblem> CheckSourceChoices(const TTask& task, const TBase& title, int pictureWidth,
                                              int pictureHeight) {
  const int tracks = title.AudioTracks ? static_cast<int>(title.AudioTracks->size()) : 0;
  if (task.AudioTrackIndex < 0 || task.AudioTrackIndex >= std::max(tracks, 1)) {
    std::string takes = tracks <= 1 ? "0: " + title.Name + " has " + (tracks ? "one audio track" : "no audio track")
                                    : "0 to " + std::to_string(tracks - 1) + ": " + title.Name + " has " +
                                          std::to_string(tracks) + " audio tracks";
    return TJobProblem{TJobChoice::AudioTrack, std::to_string(task.AudioTrackIndex), takes};
  }
  const int subtitles = title.Subtitles ? static_cast<int>(title.Subtitles->size()) : 0;
  // -1 and the index past the streams both mean no subtitle.
  if (task.SubtitleIndex < -1 || task.SubtitleIndex > subtitles) {
    std::string takes = subtitles == 0 ? "-1 (none): " + title.Name + " has no subtitles"
                                       : "-1 (none) to " + std::to_string(subtitles - 1) + ": " + title.Name +
                                             " has " + std::to_string(subtitles) + " subtitle stream" +
                                             (subtitles > 1 ? "s" : "");
    return TJobProblem{TJobChoice::Subtitle, std::to_string(task.SubtitleIndex), takes};
  }
  const TCropRect& c = task.Crop;
  if (!(c == TCropRect{}) && (c.Left < 0 || c.Top < 0 || c.Right > pictureWidth || c.Bottom > pictureHeight ||
                              c.Right <= c.Left || c.Bottom <= c.Top)) {
    return TJobProblem{TJobChoice::Crop,
                       std::to_string(c.Left) + "," + std::to_string(c.Top) + "," +
                           std::to_string(pictureWidth - c.Right) + "," + std::to_string(pictureHeight - c.Bottom),
                       "margins that leave some of the " + std::to_string(pictureWidth) + "x" +
                           std::to_string(pictureHeight) + " picture of " + title.Name};
  }
  return std::nullopt;
}

}  // namespace reelcast
