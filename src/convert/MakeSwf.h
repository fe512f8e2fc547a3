// TMakeSwf: the receiver of a movie writer's progress while one published
// movie is written. Each report goes to the progress window as 3031 with
// the percentage (a byte) as wParam. One object per movie written.
#pragma once

#include <cstdint>

#include "convert/JobMessages.h"
#include "swf/SWFStream.h"

namespace reelcast {

class TMakeSwf {
 public:
  // Reports go to window (ConverterWindow unless given).
  explicit TMakeSwf(TWindowHandle window = ConverterWindow) : window_(window) {}

  // The handler: posts 3031 with the percentage, kept within 0..100.
  void Progress(int percent);
  // The handler as the SWF writer's progress event.
  TBasedSWFStream::TProgressEvent Handler();

 private:
  TWindowHandle window_;
};

}  // namespace reelcast
