// Any bytes given to the BMP reader end in a picture or an EImageError:
// never a crash, a hang, a huge allocation or a read past the buffer. A
// picture that loads is also counted and turned into lossless pixels, whose
// size must match its format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "movie/BMPReader.h"
#include "movie/PictureFile.h"
#include "swf/BitsEngine.h"
#include "swf/Stream.h"

using namespace reelcast;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
