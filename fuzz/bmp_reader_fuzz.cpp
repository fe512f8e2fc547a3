// Any bytes given to the BMP reader end in a picture or an EImageError:
// never a crash, a hang, a huge allocation or a read past the buffer. A
// picture that loads is also counted and turned into lossless pixels, whose
// size must match its format.
//
// A few bytes of run-length data may rightly describe a picture of hundreds
// of megapixels, which takes many seconds to load and convert under the
// sanitizers: work in proportion to the picture, not a hang, but the fuzzer
// would stop on it as one. Such pictures are read (the reader's part) but not
// counted or converted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "movie/BMPReader.h"
#include "movie/PictureFile.h"
#include "swf/BitsEngine.h"
#include "swf/Stream.h"

using namespace reelcast;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int64_t kPixelBudget = 4 << 20;
  TPictureFile pic;
  try {
    TBMPReader reader;
    reader.LoadFromBuffer(data, size);
    if (int64_t{reader.Width()} * reader.Height() > kPixelBudget) return 0;
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
