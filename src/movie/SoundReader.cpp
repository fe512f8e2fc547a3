#include "movie/SoundReader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "media/MPEGAudio.h"
#include "swf/Stream.h"

namespace reelcast {

namespace {

uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t LE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string UpperExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

// Reads a stream through a window of 64 KiB, so that a walk over thousands
// of small frame headers costs a few large reads.
class TReadWindow {
 public:
  explicit TReadWindow(TStream& stream) : stream_(stream), buffer_(64 * 1024) {}
  // need bytes at pos, or null when the stream ends before them. The
  // pointer stays valid until the next call.
  const uint8_t* At(uint32_t pos, size_t need) {
    if (!loaded_ || pos < start_ || pos + need > start_ + filled_) {
      stream_.SetPosition(pos);
      filled_ = stream_.Read(buffer_.data(), buffer_.size());
      start_ = pos;
      loaded_ = true;
    }
    if (pos + need > start_ + filled_) return nullptr;
    return buffer_.data() + (pos - start_);
  }

 private:
  TStream& stream_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
  bool loaded_ = false;
};

constexpr uint32_t kFrameSearchWindow = 64 * 1024;

}  // namespace

bool SameMP3Stream(const uint8_t a[4], const uint8_t b[4]) {
  return (a[1] & 0xFE) == (b[1] & 0xFE) && (a[2] & 0x0C) == (b[2] & 0x0C);
}

TMP3FrameRun ScanMP3Frames(TStream& stream, uint32_t begin, uint32_t end) {
  TMP3FrameRun run;
  TReadWindow window(stream);
  const uint32_t searchEnd = std::min<uint64_t>(end, static_cast<uint64_t>(begin) + kFrameSearchWindow);
  for (uint32_t p = begin; p < searchEnd && end - p >= 4; ++p) {
    const uint8_t* h = window.At(p, 4);
    if (!h) break;
    uint8_t header[4];
    std::memcpy(header, h, 4);
    uint16_t length = MPEGFrameLength(header);
    if (length < 4 || length > end - p) continue;
    if (length != end - p) {
      if (end - p - length < 4) continue;
      const uint8_t* next = window.At(p + length, 4);
      if (!next || !TMPEGaudio::IsFrameHeader(next) || !SameMP3Stream(header, next)) continue;
    }
    run.Found = true;
    run.First = p;
    std::memcpy(run.Header, header, 4);
    break;
  }
  if (!run.Found) return run;
  run.SamplesPerFrame = MPEGSamplesPerFrame(static_cast<uint8_t>((run.Header[1] >> 3) & 3),
                                            static_cast<uint8_t>((run.Header[1] >> 1) & 3));
  run.SampleRate = MPEGSampleRate(run.Header);
  uint32_t pos = run.First;
  while (end - pos >= 4) {
    const uint8_t* h = window.At(pos, 4);
    if (!h || !TMPEGaudio::IsFrameHeader(h) || !SameMP3Stream(run.Header, h)) break;
    uint16_t length = MPEGFrameLength(h);
    if (length < 4 || length > end - pos) break;
    pos += length;
    ++run.FrameCount;
  }
  run.End = pos;
  return run;
}

TWaveReader::TWaveReader(const std::string& fileName) {
  const std::string ext = UpperExtension(fileName);
  if (ext == ".MP3") {
    ReadMP3(fileName);
  } else if (ext == ".WAV") {
    ReadRiff(fileName);
  }
}

void TWaveReader::ReadRiff(const std::string& fileName) {
  TFileStream file(fileName, TFileMode::OpenRead);
  const int64_t fileSize = file.Size();
  auto fail = [&](const std::string& reason) { throw ESoundError(fileName + ": " + reason); };
  uint8_t head[12];
  if (file.Read(head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    fail("not a RIFF WAVE file");
  // The RIFF size is not trusted: the chunks are walked up to the file's end.
  bool haveFmt = false, haveData = false;
  int64_t pos = 12;
  while (pos + 8 <= fileSize && !(haveFmt && haveData)) {
    uint8_t chunk[8];
    file.SetPosition(pos);
    file.ReadBuffer(chunk, 8);
    const int64_t body = pos + 8;
    const uint32_t size = LE32(chunk + 4);
    if (body > UINT32_MAX) fail("the sound data lies beyond 4 GiB");
    if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFmt) {
      if (body + size > fileSize) fail("the \"fmt \" chunk runs past the end of the file");
      FmtOffset = static_cast<uint32_t>(body);
      FmtSize = size;
      haveFmt = true;
    } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
      DataOffset = static_cast<uint32_t>(body);
      const int64_t available = fileSize - body;
      DataSize = static_cast<uint32_t>(std::min<int64_t>({static_cast<int64_t>(size), available, UINT32_MAX}));
      DataClamped = DataSize != size;
      haveData = true;
    }
    pos = body + size + (size & 1);
  }
  if (!haveFmt) fail("no \"fmt \" chunk");
  if (!haveData) fail("no \"data\" chunk");
  if (FmtSize < 16) fail("the \"fmt \" chunk is too short for a format record");
  uint8_t fmt[256] = {};
  file.SetPosition(FmtOffset);
  file.ReadBuffer(fmt, std::min<uint32_t>(FmtSize, sizeof fmt));
  FormatTag = LE16(fmt);
  Channels = LE16(fmt + 2);
  SampleRate = LE32(fmt + 4);
  BlockAlign = LE16(fmt + 12);
  BitsPerSample = LE16(fmt + 14);
  // The extensible record names the real format in its sub-format id.
  if (FormatTag == kWaveFormatExtensible && FmtSize >= 26) FormatTag = LE16(fmt + 24);
  if (FormatTag == kWaveFormatMPEG || FormatTag == kWaveFormatMP3) {
    TMP3FrameRun run = ScanMP3Frames(file, DataOffset, DataOffset + DataSize);
    if (run.Found) {
      SamplesPerMP3Frame = run.SamplesPerFrame;
      MP3FrameSize = MPEGFrameLength(run.Header);
      MP3FrameCount = static_cast<uint16_t>(std::min<uint32_t>(run.FrameCount, UINT16_MAX));
      TMPEGaudio figures;
      figures.Frame.Decode(run.Header);
      figures.Frame.Found = true;
      MP3Bitrate = figures.Bitrate();
      if (SampleRate) Duration = static_cast<double>(run.FrameCount) * run.SamplesPerFrame / SampleRate;
      SampleCount = static_cast<uint32_t>(std::nearbyint(SampleRate * Duration));
    }
    BitsPerSample = 16;
  } else if (BitsPerSample && Channels) {
    SampleCount = static_cast<uint32_t>(static_cast<uint64_t>(DataSize) * 8 / (static_cast<uint64_t>(BitsPerSample) * Channels));
  }
  if (Duration == 0 && SampleRate) Duration = static_cast<double>(SampleCount) / SampleRate;
}

void TWaveReader::ReadMP3(const std::string& fileName) {
  TMPEGaudio mp3;
  if (!mp3.ReadFromFile(fileName)) return;
  FormatTag = kWaveFormatBareMP3;
  DataOffset = 0;
  DataSize = mp3.FileSize;
  if (!mp3.Valid()) return;
  Channels = static_cast<uint16_t>(mp3.Channels());
  SampleRate = mp3.SampleRate();
  BitsPerSample = 16;
  Duration = mp3.Duration();
  SampleCount = static_cast<uint32_t>(std::nearbyint(SampleRate * Duration));
  SamplesPerMP3Frame = mp3.SamplesPerMP3Frame();
  MP3FrameSize = mp3.FrameLength();
  uint32_t frames = mp3.FrameCount();
  if (MP3FrameSize && static_cast<uint64_t>(MP3FrameSize) * frames > mp3.FileSize)
    frames = mp3.FileSize / MP3FrameSize;
  MP3FrameCount = static_cast<uint16_t>(std::min<uint32_t>(frames, UINT16_MAX));
  MP3Bitrate = mp3.Bitrate();
}

}  // namespace reelcast
