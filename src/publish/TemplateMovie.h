// The general-template movie: the opening title, the template with the
// video movie set into its image area, and the ending title, one after the
// other in one movie scaled so that the image area has exactly the video's
// pixel size; with background music, a wrapper around it whose stream
// sound is the music.
#pragma once

#include <string>

#include "convert/JobRecord.h"
#include "publish/TitleMovies.h"

namespace reelcast {

// The scratch copies the composition reads, in the job's scratch folder
// (ScratchFolderOf): "Template.swf" (the template without its trailer),
// "prelude.swf" and "EndTitle.swf" (the rendered title movies).
std::string TemplateCopyPath(const TSWFParam& param);
std::string PreludeMoviePath(const TSWFParam& param);
std::string EndTitleMoviePath(const TSWFParam& param);

// The three files of a general template, found in "templates/24/" or one of
// its subfolders; the paths in "templates/24/" when no such template is
// installed.
struct TGeneralTemplateFiles {
  std::string Template;  // name + ".template.swf"
  std::string Prelude;   // name + ".prelude.swf"
  std::string EndTitle;  // name + ".endtitle.swf"
};
TGeneralTemplateFiles GeneralTemplateFiles(const std::string& name);

// Copies the template to TemplateCopyPath(param) (replacing an older copy) and
// cuts off a "KRWP" or "KRWT" trailer; a file without a trailer is copied
// as it is. False when the copy cannot be made or opened; then no older
// copy is left behind either.
bool PrepareTemplate(const std::string& templatePath, const TSWFParam& param);

// What the front end does before a job with a general template: reads the
// template's image area and refuses it (ETemplateError, with a message
// naming the template) when it is missing, unreadable or without width or
// height; then prepares the template copy and renders the opening and
// ending title movies with the given titles. Nothing is written to the
// output. Returns the image area for SWFParam.ImageArea.
TImageArea PrepareGeneralTemplate(const std::string& name, const TTitleSettings& titles, const TSWFParam& param);

// Composes the general-template movie into swfPath, which holds the video
// movie of FlvToSwf and is replaced by the composition (through a scratch
// file, so it is whole or unchanged). A missing input file is logged and
// nothing is written (false). An image area without width or height, or a
// template or title copy that is not a movie, throws ETemplateError before
// anything is written. With music (param.HasMusic) ThirdAudio wraps the
// composed movie.
// templateName is not used: the scratch copies are.
bool CreatFlashMovie(const std::string& templateName, const std::string& swfPath,
                     const TImageArea& imageArea, const TSWFParam& param);

// Wraps param.OutputFile in a movie of its size that holds it as the
// sprite named "ThirdAudio" and has the mixed background music
// (BackgroundMusicPath) as its looping stream sound; a missing or unusable
// music file is logged and the wrapper is written without sound. The
// "Replay" button and the "No Loop" stop are the wrapper's.
void ThirdAudio(const TSWFParam& param);

}  // namespace reelcast
