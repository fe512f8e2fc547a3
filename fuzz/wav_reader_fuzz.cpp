// Any bytes given to the sound import as a WAV file end in a description,
// a sound without data or an ESoundError: never a crash, a hang or a read
// past the file. A sound that loads is streamed into a short movie (in a
// loop and once) and written as an event sound.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "movie/FlashMovie.h"
#include "movie/FlashSound.h"
#include "movie/SoundReader.h"
#include "swf/Stream.h"

using namespace reelcast;

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& ScratchFile() {
  static const std::string path = "/tmp/reelcast-wav-fuzz-" + std::to_string(getpid()) + ".wav";
  return path;
}

struct RemoveAtExit {
  ~RemoveAtExit() { std::remove(ScratchFile().c_str()); }
} removeAtExit;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchFile().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    TWaveReader reader(ScratchFile());
    Check(static_cast<uint64_t>(reader.DataOffset) + reader.DataSize <= size);
    Check(reader.FmtOffset + reader.FmtSize <= size);
    Check(std::isfinite(reader.Duration) && reader.Duration >= 0);
  } catch (const ESoundError&) {
  }
  for (bool loop : {true, false}) {
    try {
      TFlashMovie movie(0, 0, 10, 10, loop ? 29.97f : 12, true);
      TFlashSound& sound = movie.StreamSound();
      sound.LoadFromFile(ScratchFile());
      sound.Loop = loop;
      if (sound.HasData()) Check(static_cast<uint64_t>(sound.DataOffset) + sound.DataSize <= size);
      movie.AddSound(ScratchFile());
      movie.ShowFrame(8);
      movie.MakeStream();
      // Eight blocks of at most a few frames' worth of sound each, plus the
      // event sound's copy of the data.
      Check(movie.GetBodyStream().Size() < static_cast<int64_t>(size) + 8 * 64 * 1024);
    } catch (const ESoundError&) {
    }
  }
  return 0;
}
