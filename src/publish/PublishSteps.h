// Hands the publishing routines to the conversion job's finishing steps.
#pragma once

#include "publish/HtmlPage.h"

namespace reelcast {

// Fills FinishingSteps() with the routines this build provides (HTML page,
// projector, screen saver, player-template movies and, where present, the
// other movie compositions).
// Front ends call it once before running a job; page says how the job's HTML
// page is written.
void RegisterPublishSteps(const THtmlPageOptions& page = {});

}  // namespace reelcast
