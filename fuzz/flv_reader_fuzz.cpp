// Any bytes given to the FLV index end in an index or an exception-free
// empty video: never a crash, a hang, an unbounded allocation or an index
// entry that points past the file. Every indexed payload is copied out to
// prove it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "media/FLVData.h"
#include "media/FLVMetaData.h"

using namespace reelcast;

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFrame(const TFLVData& flv, const TVFrame* frame, size_t size) {
  Check(frame != nullptr);
  Check(frame->Position + frame->Size <= size);
  TMemoryStream out;
  Check(flv.CopyPayload(*frame, out) == frame->Size);
  Check(out.Size() == frame->Size);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TMemoryViewStream input(data, size);
    TFLVData flv(input);
    for (uint32_t i = 0; i < flv.FrameCount(); ++i) CheckFrame(flv, flv.VideoFrame(i), size);
    for (uint32_t i = 0; i < flv.AudioFrameCount(); ++i) CheckFrame(flv, flv.AudioFrame(i), size);
    if (flv.AudioFrameCount()) Check(flv.AudioFrame(flv.AudioFrameCount()) == flv.AudioFrame(0));
    Check(flv.VideoFrame(flv.FrameCount()) == nullptr);
    Check(flv.FrameCount() == 0 || flv.FrameRate() != 0);
    if (const TFLVonMetaData* meta = flv.MetaData()) {
      for (int i = 0; i <= fmpCount; ++i)
        if (const TFLVCustomData* v = meta->FindProperty(i)) v->GetValue();
      for (size_t i = 0; i < meta->ItemCount(); ++i) meta->Item(i)->GetValue();
    }
  } catch (const std::exception&) {
    // The index itself does not throw on bad bytes; a stream error here
    // would still be an allowed outcome, a crash is not.
  }
  return 0;
}
