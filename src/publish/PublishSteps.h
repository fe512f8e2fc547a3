// Hands the publishing routines to the conversion job's finishing steps.
#pragma once

namespace reelcast {

// Fills FinishingSteps() with the routines this build provides (HTML page,
// projector, screen saver and, where present, the movie compositions).
// Front ends call it once before running a job.
void RegisterPublishSteps();

}  // namespace reelcast
