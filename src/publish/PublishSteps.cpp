#include "publish/PublishSteps.h"

#include "convert/EncoderThread.h"
#include "publish/HtmlPage.h"
#include "publish/Projector.h"

namespace reelcast {

void RegisterPublishSteps() {
  TFinishingSteps& steps = FinishingSteps();
  steps.WriteHtmlPage = [](const std::string& movie) { WriteHtmlPage(movie); };
  steps.MakeProjector = [](const std::string& player, const std::string& swf) {
    MakeProjector(player, swf);
  };
  steps.ExportToScreenSaver = [](const std::u16string& swf, int32_t mode,
                                 const std::u16string& name, const std::u16string& extra) {
    ExportToScreenSaver(swf, mode, name, extra);
  };
}

}  // namespace reelcast
