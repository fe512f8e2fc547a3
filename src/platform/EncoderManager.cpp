#include "platform/EncoderManager.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstring>
#include <mutex>
#include <vector>

namespace reelcast {
namespace {

struct TFormatInfo {
  const char* Code;
  const char* Name;
  const char* Extension;
  const char* Muxer;
  std::vector<std::pair<uint32_t, AVCodecID>> Video;
  std::vector<std::pair<uint32_t, AVCodecID>> Audio;
};

std::mutex gMutex;
std::vector<uint8_t> gTable;
bool gStarted = false;

void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint32_t Get32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The formats the converter can write, each with the codecs whose encoders
// this FFmpeg build has, the default first.
std::vector<uint8_t> BuildTable() {
  const std::vector<TFormatInfo> formats = {
      {"flv ", "Flash Video", "flv", "flv",
       {{kCodecFlashVideo, AV_CODEC_ID_FLV1}, {kCodecH264, AV_CODEC_ID_H264}},
       {{kCodecMp3, AV_CODEC_ID_MP3}, {kCodecAac, AV_CODEC_ID_AAC}}},
      {"mp4 ", "MPEG-4 Video", "mp4", "mp4",
       {{kCodecH264, AV_CODEC_ID_H264}},
       {{kCodecAac, AV_CODEC_ID_AAC}, {kCodecMp3, AV_CODEC_ID_MP3}}},
      {"mp3 ", "MPEG Audio Layer 3", "mp3", "mp3", {}, {{kCodecMp3, AV_CODEC_ID_MP3}}},
  };
  struct TEntry {
    uint32_t Code;
    const TFormatInfo* Format;
    std::vector<uint32_t> Video, Audio;
  };
  std::vector<TEntry> entries;
  for (const auto& format : formats) {
    if (!av_guess_format(format.Muxer, nullptr, nullptr)) continue;
    TEntry e{FourCC(format.Code), &format, {}, {}};
    for (auto [code, id] : format.Video)
      if (avcodec_find_encoder(id)) e.Video.push_back(code);
    for (auto [code, id] : format.Audio)
      if (avcodec_find_encoder(id)) e.Audio.push_back(code);
    if (e.Video.empty() && e.Audio.empty()) continue;
    entries.push_back(std::move(e));
  }
  size_t listsAt = (entries.size() + 1) * kFormatEntrySize;
  size_t size = listsAt;
  for (const auto& e : entries) {
    if (!e.Video.empty()) size += (e.Video.size() + 1) * 4;
    if (!e.Audio.empty()) size += (e.Audio.size() + 1) * 4;
  }
  std::vector<uint8_t> table(size, 0);
  size_t at = listsAt;
  auto putList = [&](const std::vector<uint32_t>& list) -> uint32_t {
    if (list.empty()) return 0;
    uint32_t offset = static_cast<uint32_t>(at);
    for (uint32_t code : list) {
      Put32(&table[at], code);
      at += 4;
    }
    at += 4;  // the ending 0
    return offset;
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* entry = &table[i * kFormatEntrySize];
    Put32(entry, entries[i].Code);
    std::strncpy(reinterpret_cast<char*>(entry + 4), entries[i].Format->Name, 63);
    std::strncpy(reinterpret_cast<char*>(entry + 68), entries[i].Format->Extension, 15);
    Put32(entry + kFormatAudioListOffset, putList(entries[i].Audio));
    Put32(entry + kFormatVideoListOffset, putList(entries[i].Video));
  }
  return table;
}

const uint32_t* ListAt(const uint8_t* table, const uint8_t* entry, size_t slot) {
  uint32_t offset = Get32(entry + slot);
  if (offset == 0) return nullptr;
  return reinterpret_cast<const uint32_t*>(table + offset);
}

}  // namespace

void EncMgrInit() {
  std::lock_guard lock(gMutex);
  if (gStarted) return;
  gTable = BuildTable();
  gStarted = true;
}

void EncMgrUninit() {
  std::lock_guard lock(gMutex);
  gTable.clear();
  gTable.shrink_to_fit();
  gStarted = false;
}

const uint8_t* EncMgrGetFormatTable() {
  std::lock_guard lock(gMutex);
  return gStarted ? gTable.data() : nullptr;
}

uint32_t FormatEntryCode(const uint8_t* entry) { return Get32(entry); }

const uint32_t* FormatEntryAudioCodecs(const uint8_t* table, const uint8_t* entry) {
  return ListAt(table, entry, kFormatAudioListOffset);
}

const uint32_t* FormatEntryVideoCodecs(const uint8_t* table, const uint8_t* entry) {
  return ListAt(table, entry, kFormatVideoListOffset);
}

const uint8_t* FindFormatEntry(const uint8_t* table, uint32_t code) {
  if (!table || FormatEntryCode(table) == 0) return nullptr;
  for (const uint8_t* entry = table; FormatEntryCode(entry) != 0; entry += kFormatEntrySize)
    if (FormatEntryCode(entry) == code) return entry;
  return table;
}

}  // namespace reelcast
