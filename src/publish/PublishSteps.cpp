#include "publish/PublishSteps.h"

#include "convert/EncoderThread.h"
#include "publish/FlvToSwf.h"
#include "publish/HtmlPage.h"
#include "publish/PlayerMovie.h"
#include "publish/Projector.h"
#include "publish/TemplateMovie.h"

namespace reelcast {

void RegisterPublishSteps(const THtmlPageOptions& page) {
  TFinishingSteps& steps = FinishingSteps();
  steps.FlvToSwf = [](const std::string& flv, const std::string& swf) { FlvToSwf(flv, swf); };
  // A missing input is only logged; the job sees that the movie was not
  // replaced and fails the stage.
  steps.CreatFlashMovie = [](const std::string& name, const std::string& swf, const TImageArea& area) {
    CreatFlashMovie(name, swf, area);
  };
  // A missing player or FLV is logged inside; the job then finds no output.
  steps.MakePlayerMovie = [](const std::string& flv, const std::string& templateName,
                             const std::string& swf, bool preview) {
    MakePlayerMovie(flv, templateName, swf, preview);
  };
  steps.WriteHtmlPage = [page](const std::string& movie) { WriteHtmlPage(movie, SWFParam, page); };
  steps.MakeProjector = [](const std::string& player, const std::string& swf) {
    MakeProjector(player, swf);
  };
  steps.ExportToScreenSaver = [](const std::u16string& swf, int32_t mode,
                                 const std::u16string& name, const std::u16string& extra) {
    return ExportToScreenSaver(swf, mode, name, extra);
  };
}

}  // namespace reelcast
