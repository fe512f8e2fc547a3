// The publishing routines as the finishing steps of a conversion job.
#pragma once

#include "convert/EncoderThread.h"
#include "publish/HtmlPage.h"
#include "publish/TitleMovies.h"

namespace reelcast {

// The steps a job runs to publish its movie: the general template and its
// title movies (made with titles), the embedded-video, template and
// player-template movies, the HTML page (written as page says), the
// projector and the screen saver. Each reports a failure with its reason:
// a missing input, or an error the routine raised.
TFinishingSteps PublishSteps(const THtmlPageOptions& page = {}, const TTitleSettings& titles = {});

}  // namespace reelcast
