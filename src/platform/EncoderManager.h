// The encoder manager: its start-up and shut-down calls and its table of
// output formats with their codecs, from which the default encoder parameters
// are filled; and the 112-byte encoder parameter record the converter takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace reelcast {

// A four-character code: the four characters read as a little-endian 32-bit
// number ("flv " -> 0x20766C66).
constexpr uint32_t FourCC(std::string_view text) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(i < text.size() ? text[i] : ' '))
         << (8 * i);
  return v;
}

// The format table is one block of consecutive 424-byte entries, ended by an
// entry whose container code is 0, followed by the codec lists:
//   bytes   0..3    container code (four-character code)
//   bytes   4..67   the format's name, zero-terminated ("Flash Video")
//   bytes  68..83   the file extension without dot, zero-terminated ("flv")
//   bytes 416..419  audio-codec list, bytes 420..423 video-codec list: the
//                   byte offset of the list from the start of the table, 0
//                   when the format has no such list (a 32-bit slot cannot
//                   hold an address here, an offset keeps the block movable)
// A codec list is an array of 32-bit codec codes ended by 0; the first entry
// is the format's default codec.
constexpr size_t kFormatEntrySize = 424;
constexpr size_t kFormatAudioListOffset = 416;
constexpr size_t kFormatVideoListOffset = 420;

// Start-up and shut-down of the encoder manager; each is called once by the
// program. The table can be read only in between.
void EncMgrInit();
void EncMgrUninit();
// The format table; nullptr before EncMgrInit or after EncMgrUninit. The
// block stays valid until EncMgrUninit.
const uint8_t* EncMgrGetFormatTable();

// Reading the table.
uint32_t FormatEntryCode(const uint8_t* entry);
// nullptr when the entry has no list of that kind.
const uint32_t* FormatEntryAudioCodecs(const uint8_t* table, const uint8_t* entry);
const uint32_t* FormatEntryVideoCodecs(const uint8_t* table, const uint8_t* entry);
// The entry with the container code by linear search; the first entry when
// there is none; nullptr for an empty table.
const uint8_t* FindFormatEntry(const uint8_t* table, uint32_t code);

// Codec codes of the table (four-character codes).
constexpr uint32_t kCodecFlashVideo = FourCC("FLV1");  // Sorenson H.263
constexpr uint32_t kCodecH264 = FourCC("avc1");
constexpr uint32_t kCodecMp3 = FourCC("MP3 ");
constexpr uint32_t kCodecAac = FourCC("mp4a");
constexpr uint32_t kContainerFlv = FourCC("flv ");
constexpr uint32_t kPixelFormatYV12 = FourCC("YV12");

// The encoder parameter record handed to the converter (112 bytes, all
// fields not named here zero).
struct TEncoderParams {
  uint32_t VideoCodec = 0;      //   0
  int32_t Width = 0;            //   4
  int32_t Height = 0;           //   8
  uint8_t Reserved12[4] = {};   //  12
  double FrameRate = 0;         //  16  0 = keep the source's rate
  int32_t VideoBitrate = 0;     //  24  bit/s
  uint8_t Reserved28[8] = {};   //  28
  int32_t ResizeMode = 0;       //  36  0 full screen, 1 keep, 2 16:9, 3 4:3
  uint8_t Reserved40[4] = {};   //  40
  uint32_t PixelFormat = 0;     //  44
  uint8_t Reserved48[24] = {};  //  48
  uint32_t AudioCodec = 0;      //  72
  int32_t SampleRate = 0;       //  76
  int32_t Channels = 0;         //  80
  int32_t AudioBitrate = 0;     //  84
  uint8_t Reserved88[8] = {};   //  88
  int32_t BitsPerSample = 0;    //  96
  int32_t VideoDisabled = 0;    // 100  -1 when the format has no video codec
  int32_t AudioDisabled = 0;    // 104  -1 when audio is off or not possible
  uint32_t Container = 0;       // 108
};
static_assert(sizeof(TEncoderParams) == 112);
static_assert(offsetof(TEncoderParams, FrameRate) == 16);
static_assert(offsetof(TEncoderParams, ResizeMode) == 36);
static_assert(offsetof(TEncoderParams, PixelFormat) == 44);
static_assert(offsetof(TEncoderParams, AudioCodec) == 72);
static_assert(offsetof(TEncoderParams, BitsPerSample) == 96);
static_assert(offsetof(TEncoderParams, Container) == 108);

}  // namespace reelcast
