#include "convert/MakeSwf.h"

#include <algorithm>

namespace reelcast {

void TMakeSwf::Progress(int percent) {
  if (!report_) return;
  if (report_->CancelRequested()) throw TJobCancelled();
  report_->MovieProgress(static_cast<uint8_t>(std::clamp(percent, 0, 100)));
}

TBasedSWFStream::TProgressEvent TMakeSwf::Handler() {
  return [this](TBasedSWFStream&, int percent, uint8_t) { Progress(percent); };
}

}  // namespace reelcast
