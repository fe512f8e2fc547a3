#include "publish/PublishSteps.h"

#include <filesystem>

#include "app/Config.h"
#include "publish/FlvToSwf.h"
#include "publish/PlayerMovie.h"
#include "publish/Projector.h"
#include "publish/TemplateMovie.h"

namespace reelcast {

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The routines log what they miss and return; the log has the details.
TStageResult NotMade(const std::string& path) {
  return TStageResult::Failed(path + " was not made (see the log file " + LogFilePath() + ")");
}

}  // namespace

TFinishingSteps PublishSteps(const THtmlPageOptions& page, const TTitleSettings& titles) {
  TFinishingSteps steps;
  steps.PrepareTemplate = [titles](const TSWFParam& p) {
    PrepareGeneralTemplate(p.Template.Name, titles, p);  // refuses by ETemplateError
    return TStageResult::Done();
  };
  steps.FlvToSwf = [](const std::string& flv, const std::string& swf, const TSWFParam& p) {
    if (!IsFile(flv)) return TStageResult::Failed("the FLV file " + flv + " is missing");
    FlvToSwf(flv, swf, p);
    return IsFile(swf) ? TStageResult::Done() : NotMade(swf);
  };
  steps.CreatFlashMovie = [](const std::string& name, const std::string& swf, const TImageArea& area,
                             const TSWFParam& p) {
    if (!CreatFlashMovie(name, swf, area, p))
      return TStageResult::Failed("its files are missing: " + TemplateCopyPath(p) + ", " + PreludeMoviePath(p) +
                                  ", " + EndTitleMoviePath(p));
    return TStageResult::Done();
  };
  steps.MakePlayerMovie = [](const std::string& flv, const std::string& templateName, const std::string& swf,
                             bool preview, const TSWFParam& p) {
    if (!MakePlayerMovie(flv, templateName, swf, preview, p)) return NotMade(swf);
    return TStageResult::Done();
  };
  steps.WriteHtmlPage = [page](const std::string& movie, const TSWFParam& p) {
    WriteHtmlPage(movie, p, page);  // a write error throws
    return TStageResult::Done();
  };
  steps.MakeProjector = [](const std::string& player, const std::string& swf, const TSWFParam& p) {
    if (!IsFile(player)) return TStageResult::Failed("the player program " + player + " is missing");
    if (!MakeProjector(player, swf, p)) return NotMade(ProjectorPath(p.OutputFile));
    return TStageResult::Done();
  };
  steps.ExportToScreenSaver = [](const std::string& swf, const std::string& scr, const TSWFParam&) {
    const std::string error = WriteScreenSaver(swf, scr);
    return error.empty() ? TStageResult::Done() : TStageResult::Failed(error);
  };
  return steps;
}

}  // namespace reelcast
