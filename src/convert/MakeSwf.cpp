#include "convert/MakeSwf.h"

#include <algorithm>

namespace reelcast {

void TMakeSwf::Progress(int percent) {
  if (CancelRequested == 1) throw TJobCancelled();
  const auto value = static_cast<uint8_t>(std::clamp(percent, 0, 100));
  PostMessage(window_, kMsgMovieProgress, value);
}

TBasedSWFStream::TProgressEvent TMakeSwf::Handler() {
  return [this](TBasedSWFStream&, int percent, uint8_t) { Progress(percent); };
}

}  // namespace reelcast
