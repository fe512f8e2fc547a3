// TWaveReader describes a sound file for the movie's sound import: for a
// .WAV file it walks the RIFF chunks to the format record and the sound
// data; for a .MP3 file (and the MP3 data of a WAV file) it takes the
// figures of the MPEG audio analysis. ScanMP3Frames walks the MPEG frames
// of a byte range header by header, so that streaming can cut the data at
// real frame boundaries.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace reelcast {

class TStream;

// A sound file that exists but cannot be imported (not a WAVE file, a
// missing or cut "fmt " chunk, no "data" chunk, a format that a movie
// cannot carry). The text names the file and the reason.
class ESoundError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// WAVE format tags the import knows.
enum : uint16_t {
  kWaveFormatPCM = 1,
  kWaveFormatADPCM = 2,
  kWaveFormatMPEG = 80,
  kWaveFormatMP3 = 85,
  kWaveFormatBareMP3 = 336,  // a .MP3 file, no RIFF around it
  kWaveFormatExtensible = 0xFFFE,
};

class TWaveReader {
 public:
  // By the extension, without regard to case: ".MP3" the MPEG analysis,
  // ".WAV" the RIFF walk, anything else leaves every field 0. A WAV file
  // that cannot be opened throws the stream's error; one whose chunks make
  // no WAVE sound throws ESoundError. A "data" chunk that claims more bytes
  // than the file holds is cut to the end of the file (DataClamped).
  explicit TWaveReader(const std::string& fileName);

  uint16_t FormatTag = 0;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BitsPerSample = 0;
  uint16_t BlockAlign = 0;  // bytes per sample frame (all channels), from the format record
  uint32_t SampleCount = 0;
  uint32_t FmtOffset = 0, FmtSize = 0;
  uint32_t DataOffset = 0, DataSize = 0;
  bool DataClamped = false;
  uint16_t SamplesPerMP3Frame = 0;
  uint16_t MP3FrameSize = 0;
  uint16_t MP3FrameCount = 0;
  uint16_t MP3Bitrate = 0;
  double Duration = 0;

 private:
  void ReadRiff(const std::string& fileName);
  void ReadMP3(const std::string& fileName);
};

// What a walk over MPEG audio frames found: the first frame (a header
// followed by another header, or by the end of the range, one frame length
// later), and how far consecutive frames of the same version, layer and
// sample rate reach from there.
struct TMP3FrameRun {
  bool Found = false;
  uint32_t First = 0;        // offset of the first frame
  uint32_t End = 0;          // one past the last whole frame
  uint32_t FrameCount = 0;
  uint16_t SamplesPerFrame = 0;
  uint32_t SampleRate = 0;
  uint8_t Header[4] = {};    // the first frame's header
};

// Walks the frames of stream between begin and end. The first frame is
// looked for in the first 64 KiB of the range.
TMP3FrameRun ScanMP3Frames(TStream& stream, uint32_t begin, uint32_t end);

// True when the two headers belong to one stream (version, layer and
// sample rate agree).
bool SameMP3Stream(const uint8_t a[4], const uint8_t b[4]);

}  // namespace reelcast
