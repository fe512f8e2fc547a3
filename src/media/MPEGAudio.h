// TMPEGaudio describes an MP3 file (or an MP3 inside a WAV file) without
// decoding it: the first MPEG audio frame after any ID3v2 tag, its decoded
// header, a Xing or VBRI header when there is one, and the figures derived
// from them (sample rate, frame length and count, bitrate, duration).
#pragma once

#include <cstdint>
#include <string>

#include "media/ID3.h"
#include "swf/SWFObject.h"

namespace reelcast {

// MPEG version ids and layer ids as coded in the frame header.
enum : uint8_t { kMPEGVersion25 = 0, kMPEGVersionReserved = 1, kMPEGVersion2 = 2, kMPEGVersion1 = 3 };
enum : uint8_t { kMPEGLayerIII = 1, kMPEGLayerII = 2, kMPEGLayerI = 3 };
enum : uint8_t { kMPEGChannelMono = 3 };

struct TVBRData {
  bool Found = false;
  char Id[4] = {0, 0, 0, 0};  // "Xing" or "VBRI"
  uint32_t Frames = 0;
  uint32_t Bytes = 0;
  uint8_t Extra[9] = {};      // kept as found; not used
};

struct TMPEGFrameData {
  bool Found = false;
  uint32_t Position = 0;  // first frame, from the start of the analysed buffer
  uint16_t Length = 0;    // bytes of the first frame
  uint8_t Data[4] = {};   // the header bytes
  uint8_t VersionId = kMPEGVersionReserved;
  uint8_t LayerId = 0;
  bool ProtectionPresent = false;
  uint8_t BitrateIndex = 0;
  uint8_t SampleRateIndex = 3;
  bool Padding = false;
  bool PrivateBit = false;
  uint8_t ChannelMode = 4;
  uint8_t ModeExtension = 4;
  bool Copyright = false;
  bool Original = false;
  uint8_t Emphasis = 2;

  // Decodes the four header bytes into the fields above.
  void Decode(const uint8_t header[4]);
};

class TMPEGaudio : public TBasedSWFObject {
 public:
  static constexpr int kBufferSize = 3458;  // bytes analysed per window

  int ObjectKind() const override { return 2; }

  // Reads both ID3 tags and finds the first frame. False when a tag read
  // fails (the file cannot be opened, or is shorter than 128 bytes); true
  // otherwise, also when no frame is found (every figure is then 0).
  bool ReadFromFile(const std::string& fileName);
  void ResetData();

  bool Valid() const { return Frame.Found; }
  uint32_t SampleRate() const;           // Hz
  uint16_t SamplesPerMP3Frame() const;
  uint16_t FrameLength() const;          // bytes of a frame like the first
  uint16_t Bitrate() const;              // kbit/s, averaged for VBR
  uint32_t FrameCount() const;
  double Duration() const;               // seconds
  int Channels() const { return Frame.Found ? (Frame.ChannelMode == kMPEGChannelMono ? 1 : 2) : 0; }

  uint32_t FileSize = 0;
  bool IsWave = false;
  TVBRData VBR;
  TMPEGFrameData Frame;
  TID3v1 ID3v1;
  TID3v2 ID3v2;

  // True when the four bytes can start an MPEG audio frame.
  static bool IsFrameHeader(const uint8_t header[4]);
  // Looks for the first frame whose successor header follows it, in
  // buffer[0 .. lastIndex]; fills Frame and VBR.
  void FindFrame(const uint8_t* buffer, int size, int lastIndex = kBufferSize - 1);

 private:
  uint16_t HeaderBitrate() const;
  uint8_t PaddingBytes() const;
  uint16_t Coefficient() const { return SamplesPerMP3Frame() / 8; }
};

// Samples per frame for a version and layer id (0 for invalid ids).
uint16_t MPEGSamplesPerFrame(uint8_t versionId, uint8_t layerId);
// The same for a frame header as one big-endian 32-bit value.
uint16_t MPEGSamplesPerFrame(uint32_t header);
// Byte length and sample rate of the frame that starts with these four
// bytes; 0 when they cannot start a frame.
uint16_t MPEGFrameLength(const uint8_t header[4]);
uint32_t MPEGSampleRate(const uint8_t header[4]);

}  // namespace reelcast
