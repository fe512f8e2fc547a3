// TMakeSwf: the receiver of a movie writer's progress while one published
// movie is written. Each report goes to the progress window as 3031 with
// the percentage (a byte) as wParam. One object per movie written.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "convert/JobMessages.h"
#include "swf/SWFStream.h"

namespace reelcast {

// Thrown by the handler when the job was cancelled (CancelRequested is 1):
// the movie being written is given up at once instead of being finished.
class TJobCancelled : public std::runtime_error {
 public:
  TJobCancelled() : std::runtime_error("the job was cancelled") {}
};

class TMakeSwf {
 public:
  // Reports go to window (ConverterWindow unless given).
  explicit TMakeSwf(TWindowHandle window = ConverterWindow) : window_(window) {}

  // The handler: posts 3031 with the percentage, kept within 0..100;
  // throws TJobCancelled once the job was cancelled.
  void Progress(int percent);
  // The handler as the SWF writer's progress event.
  TBasedSWFStream::TProgressEvent Handler();

 private:
  TWindowHandle window_;
};

}  // namespace reelcast
