// Any bytes given to the MPEG audio analysis and the ID3 readers end in a
// result: never a crash, a hang or a read past the buffer or the file. The
// input is analysed twice: as a file (ID3 tags, both windows) and as a
// window given straight to the frame search.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "media/ID3.h"
#include "media/MPEGAudio.h"

using namespace reelcast;

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFigures(const TMPEGaudio& mp3) {
  double d = mp3.Duration();
  Check(std::isfinite(d) && d >= 0);
  mp3.Bitrate();
  mp3.FrameCount();
  if (mp3.Valid()) {
    Check(TMPEGaudio::IsFrameHeader(mp3.Frame.Data));
    Check(mp3.SampleRate() > 0 && mp3.SamplesPerMP3Frame() > 0 && mp3.FrameLength() > 0);
  } else {
    Check(mp3.Duration() == 0 && mp3.FrameCount() == 0);
  }
}

const std::string& ScratchFile() {
  static const std::string path = "/tmp/reelcast-mp3-fuzz-" + std::to_string(getpid()) + ".mp3";
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The frame search over exactly the given bytes (a short window included).
  TMPEGaudio window;
  window.FindFrame(data, static_cast<int>(std::min<size_t>(size, TMPEGaudio::kBufferSize)));
  CheckFigures(window);
  if (window.Valid()) Check(window.Frame.Position + window.Frame.Length + 4 <= size);

  FILE* f = std::fopen(ScratchFile().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    TMPEGaudio mp3;
    bool read = mp3.ReadFromFile(ScratchFile());
    Check(read == (size >= 128));
    CheckFigures(mp3);
    Check(mp3.ID3v2.TagSize <= size);
    TID3v1 v1;
    if (size >= 128) {
      Check(v1.ReadFromFile(ScratchFile()));
      v1.Genre();
    }
  } catch (const std::exception&) {
    // Only a file shorter than an ID3v1 tag may throw, from TID3v1 alone.
    Check(size < 128);
  }
  return 0;
}
