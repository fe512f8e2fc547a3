// The checks of a job's choices that can be made before anything is
// encoded: every file, style, template and stream the job will use exists
// and fits. The front ends run them before they start a job, so that a
// choice that cannot work is refused at once instead of after the encode.
// Each problem names the choice, what was given and what it takes; the
// front end says which control or option that is.
#pragma once

#include <optional>
#include <string>

#include "convert/JobRecord.h"
#include "sources/Task.h"

namespace reelcast {

enum class TJobChoice {
  Template,
  ControlBar,
  ImageLink,
  Music,
  PreloaderSprite,
  PreloaderLogo,
  PreloaderBar,
  AudioTrack,
  Subtitle,
  Crop,
  OutputFolder,
  Source,  // the title or chapter itself
};

struct TJobProblem {
  TJobChoice Choice;
  std::string Given;  // the value as chosen
  std::string Takes;  // what the choice takes, or why the value does not fit
};

// The dressing of a published movie (param.OutputKind other than FLV): the
// template, control bar, image link, music and preloader of param must be
// ones the data folder or the disk has. Nothing is checked for an FLV.
std::optional<TJobProblem> CheckPublishChoices(const TSWFParam& param);

// The title (of a title or chapter task) can be read from its VOB files.
// The problem's Given is the title's name and Takes says which file is
// missing, empty or cut short; UnusableTitlesText (sources/TaskList.h)
// makes the line users see.
std::optional<TJobProblem> CheckSourceReadable(const TBase& title);

// The streams and crop of one task against its title: the audio track and
// subtitle the title has, a crop (kept area in source pixels) that leaves
// some of the pictureWidth x pictureHeight picture.
std::optional<TJobProblem> CheckSourceChoices(const TTask& task, const TBase& title, int pictureWidth,
                                              int pictureHeight);

// The folder the output goes into can take a new file.
std::optional<TJobProblem> CheckOutputFolder(const std::string& folder);

}  // namespace reelcast
