// TMakeSwf: the receiver of a movie writer's progress while one published
// movie is written. Each report goes to the job as a MovieProgress event
// with the percentage (a byte). One object per movie written.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "convert/StageReport.h"
#include "swf/SWFStream.h"

namespace reelcast {

// Thrown by the handler when the job was cancelled: the movie being written
// is given up at once instead of being finished.
class TJobCancelled : public std::runtime_error {
 public:
  TJobCancelled() : std::runtime_error("the job was cancelled") {}
};

class TMakeSwf {
 public:
  // Reports go to report (not owned; none outside a job).
  explicit TMakeSwf(TStageReport* report) : report_(report) {}

  // The handler: reports the percentage, kept within 0..100; throws
  // TJobCancelled once the job was cancelled.
  void Progress(int percent);
  // The handler as the SWF writer's progress event.
  TBasedSWFStream::TProgressEvent Handler();

 private:
  TStageReport* report_;
};

}  // namespace reelcast
