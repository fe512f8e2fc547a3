// Any bytes given to the BMP reader end in a picture or an EImageError:
// never a crash, a hang, a huge allocation or a read past the buffer. A
// picture that loads is also counted and turned into lossless pixels, whose
// size must match its format.
//
// A few bytes of run-length data may rightly describe a picture of hundreds
// of megapixels, which takes many seconds to load and convert under the
// sanitizers: work in proportion to the picture, not a hang, but the fuzzer
// would stop on it as one. Inputs whose header claims a picture that large
// (yet within the reader's dimension limit, whose refusal is cheap and still
// fuzzed) are passed over.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "movie/BMPReader.h"
#include "movie/PictureFile.h"
#include "swf/BitsEngine.h"
#include "swf/Stream.h"

using namespace reelcast;

namespace {

// Width times height as the header gives them (the core header's 16-bit
// fields or the later headers' 32-bit ones), or 0 when they are out of the
// reader's range anyway.
int64_t PixelsClaimed(const uint8_t* d, size_t size) {
  if (size < 26) return 0;
  auto le = [d](size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + static_cast<size_t>(i)];
    return v;
  };
  int64_t width, height;
  if (le(14, 4) == 12) {
    width = le(18, 2);
    height = static_cast<int16_t>(le(20, 2));
  } else {
    width = static_cast<int32_t>(le(18, 4));
    height = static_cast<int32_t>(le(22, 4));
  }
  if (height < 0) height = -height;
  if (width <= 0 || width > TBMPReader::kMaxDimension || height > TBMPReader::kMaxDimension) return 0;
  return width * height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int64_t kPixelBudget = 4 << 20;
  if (PixelsClaimed(data, size) > kPixelBudget) return 0;
  TPictureFile pic;
  try {
    pic.LoadBmpFromBuffer(data, size);
  } catch (const EImageError&) {
    return 0;
  }
  if (pic.Width == 0 || pic.Height == 0 || pic.PaddedWidth < pic.Width) std::abort();
  if (pic.BitmapFormat == TPictureFile::kColorMapped && (pic.ColorCount == 0 || pic.ColorCount > 256))
    std::abort();
  TMemoryStream out;
  TBitsEngine be(out);
  pic.WriteTag(be, 1);
  if (pic.Data.empty() || out.Size() < 10) std::abort();
  return 0;
}
