#include "media/MPEGAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "swf/Stream.h"

namespace reelcast {

namespace {
// kbit/s by [MPEG-1?][layer id][bitrate index].
const uint16_t kBitrates[2][4][16] = {
    // MPEG-2 and 2.5
    {{0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},      // Layer III
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},      // Layer II
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}}, // Layer I
    // MPEG-1
    {{0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
};

// Hz by [version id][sample rate index].
const uint32_t kSampleRates[4][4] = {
    {11025, 12000, 8000, 0},   // MPEG-2.5
    {0, 0, 0, 0},              // reserved
    {22050, 24000, 16000, 0},  // MPEG-2
    {44100, 48000, 32000, 0},  // MPEG-1
};

uint32_t BE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
}  // namespace

uint16_t MPEGSamplesPerFrame(uint8_t versionId, uint8_t layerId) {
  if (versionId > 3 || versionId == kMPEGVersionReserved) return 0;
  switch (layerId) {
    case kMPEGLayerI: return 384;
    case kMPEGLayerII: return 1152;
    case kMPEGLayerIII: return versionId == kMPEGVersion1 ? 1152 : 576;
    default: return 0;
  }
}

uint16_t MPEGSamplesPerFrame(uint32_t header) {
  return MPEGSamplesPerFrame(static_cast<uint8_t>((header >> 19) & 3),
                             static_cast<uint8_t>((header >> 17) & 3));
}

uint16_t MPEGFrameLength(const uint8_t header[4]) {
  if (!TMPEGaudio::IsFrameHeader(header)) return 0;
  TMPEGaudio frame;
  frame.Frame.Decode(header);
  return frame.FrameLength();
}

uint32_t MPEGSampleRate(const uint8_t header[4]) {
  if (!TMPEGaudio::IsFrameHeader(header)) return 0;
  return kSampleRates[(header[1] >> 3) & 3][(header[2] >> 2) & 3];
}

void TMPEGFrameData::Decode(const uint8_t h[4]) {
  std::memcpy(Data, h, 4);
  VersionId = (h[1] >> 3) & 3;
  LayerId = (h[1] >> 1) & 3;
  ProtectionPresent = (h[1] & 1) == 0;
  BitrateIndex = h[2] >> 4;
  SampleRateIndex = (h[2] >> 2) & 3;
  Padding = (h[2] >> 1) & 1;
  PrivateBit = h[2] & 1;
  ChannelMode = h[3] >> 6;
  ModeExtension = (h[3] >> 4) & 3;
  Copyright = (h[3] >> 3) & 1;
  Original = (h[3] >> 2) & 1;
  Emphasis = h[3] & 3;
}

bool TMPEGaudio::IsFrameHeader(const uint8_t h[4]) {
  if (h[0] != 0xFF || h[1] < 0xE0) return false;
  if (((h[1] >> 3) & 3) == kMPEGVersionReserved) return false;
  if (((h[1] >> 1) & 3) == 0) return false;
  uint8_t bitrate = h[2] >> 4;
  if (bitrate == 0 || bitrate == 15) return false;
  if (((h[2] >> 2) & 3) == 3) return false;
  return (h[3] & 3) != 2;
}

void TMPEGaudio::ResetData() {
  FileSize = 0;
  IsWave = false;
  VBR = TVBRData();
  Frame = TMPEGFrameData();
}

uint16_t TMPEGaudio::HeaderBitrate() const {
  if (Frame.VersionId > 3 || Frame.LayerId > 3 || Frame.BitrateIndex > 15) return 0;
  return kBitrates[Frame.VersionId == kMPEGVersion1 ? 1 : 0][Frame.LayerId][Frame.BitrateIndex];
}

uint8_t TMPEGaudio::PaddingBytes() const {
  if (!Frame.Padding) return 0;
  return Frame.LayerId == kMPEGLayerI ? 4 : 1;
}

uint32_t TMPEGaudio::SampleRate() const {
  if (Frame.VersionId > 3 || Frame.SampleRateIndex > 3) return 0;
  return kSampleRates[Frame.VersionId][Frame.SampleRateIndex];
}

uint16_t TMPEGaudio::SamplesPerMP3Frame() const {
  return MPEGSamplesPerFrame(Frame.VersionId, Frame.LayerId);
}

uint16_t TMPEGaudio::FrameLength() const {
  uint32_t rate = SampleRate();
  if (rate == 0) return 0;
  uint64_t bytes = static_cast<uint64_t>(Coefficient()) * HeaderBitrate() * 1000 / rate;
  return static_cast<uint16_t>(bytes + PaddingBytes());
}

uint32_t TMPEGaudio::FrameCount() const {
  if (!Frame.Found) return 0;
  if (VBR.Found) return VBR.Frames;
  uint16_t length = FrameLength();
  int64_t bytes = static_cast<int64_t>(FileSize) - ID3v2.TagSize - Frame.Position;
  return length && bytes > 0 ? static_cast<uint32_t>(bytes / length) : 0;
}

double TMPEGaudio::Duration() const {
  if (!Frame.Found) return 0;
  uint32_t rate = SampleRate();
  if (VBR.Frames > 0) return rate ? Coefficient() * static_cast<double>(VBR.Frames) * 8 / rate : 0;
  uint16_t bitrate = HeaderBitrate();
  int64_t bytes = static_cast<int64_t>(FileSize) - ID3v2.TagSize - Frame.Position;
  return bitrate && bytes > 0 ? bytes * 8.0 / bitrate / 1000 : 0;
}

uint16_t TMPEGaudio::Bitrate() const {
  if (!Frame.Found) return 0;
  if (VBR.Frames > 0 && Coefficient() > 0) {
    double perFrame = static_cast<double>(VBR.Bytes) / VBR.Frames - PaddingBytes();
    double kbps = std::nearbyint(perFrame * SampleRate() / Coefficient() / 1000);
    return static_cast<uint16_t>(std::clamp(kbps, 0.0, 65535.0));
  }
  return HeaderBitrate();
}

void TMPEGaudio::FindFrame(const uint8_t* buffer, int size, int lastIndex) {
  lastIndex = std::min(lastIndex, size - 1);
  if (lastIndex < 1728) return;
  for (int p = 0; p <= lastIndex - 1728; ++p) {
    if (!IsFrameHeader(buffer + p)) continue;
    TMPEGFrameData candidate;
    candidate.Decode(buffer + p);
    TMPEGFrameData saved = Frame;
    Frame = candidate;
    int length = FrameLength();
    // The next frame's header must follow inside the window.
    bool accepted = length > 0 && p + length + 4 <= lastIndex + 1 && IsFrameHeader(buffer + p + length);
    if (!accepted) {
      Frame = saved;
      continue;
    }
    Frame.Found = true;
    Frame.Position = static_cast<uint32_t>(p);
    Frame.Length = static_cast<uint16_t>(length);
    bool mono = Frame.ChannelMode == kMPEGChannelMono;
    int offset = Frame.VersionId == kMPEGVersion1 ? (mono ? 21 : 36) : (mono ? 13 : 21);
    const uint8_t* id = buffer + p + offset;
    if (p + offset + 18 <= lastIndex + 1) {
      if (std::memcmp(id, "Xing", 4) == 0) {
        VBR.Found = true;
        std::memcpy(VBR.Id, id, 4);
        VBR.Frames = BE32(id + 8);
        VBR.Bytes = BE32(id + 12);
        if (p + offset + 128 <= lastIndex + 1) std::memcpy(VBR.Extra, id + 119, 9);
      } else if (std::memcmp(id, "VBRI", 4) == 0) {
        VBR.Found = true;
        std::memcpy(VBR.Id, id, 4);
        VBR.Bytes = BE32(id + 10);
        VBR.Frames = BE32(id + 14);
        VBR.Extra[0] = id[9];
      }
    }
    return;
  }
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
  ResetData();
  try {
    if (!ID3v1.ReadFromFile(fileName)) return false;
  } catch (const EStreamError&) {
    return false;
  }
  if (!ID3v2.ReadFromFile(fileName)) return false;
  try {
    TFileStream file(fileName, TFileMode::OpenRead);
    int64_t size = file.Size();
    FileSize = static_cast<uint32_t>(std::min<int64_t>(size, UINT32_MAX));
    std::vector<uint8_t> buffer(kBufferSize, 0);
    file.SetPosition(ID3v2.TagSize);
    size_t n = file.Read(buffer.data(), buffer.size());
    IsWave = n >= 12 && std::memcmp(buffer.data() + 8, "WAVE", 4) == 0;
    FindFrame(buffer.data(), kBufferSize);
    if (!Frame.Found && n == buffer.size()) {
      // A second chance in the middle of the file.
      std::fill(buffer.begin(), buffer.end(), 0);
      file.SetPosition((size - ID3v2.TagSize) / 2);
      file.Read(buffer.data(), buffer.size());
      FindFrame(buffer.data(), kBufferSize);
    }
  } catch (const EStreamError&) {
    // What was found before the error stands.
  }
  if (!Frame.Found) {
    Frame = TMPEGFrameData();
    VBR = TVBRData();
  }
  return true;
}

}  // namespace reelcast
