#include "sources/EncoderChoice.h"

#include <algorithm>
#include <cmath>

#include "app/Config.h"
#include "app/SettingsKeys.h"

namespace reelcast {

TEncoderChoice TEncoderChoice::FromSettings() {
  TEncoderChoice c;
  int32_t v = 0;
  if (NVGetConfigInt(keys::UserReso, &v)) c.Resolution = v > 0;
  if (NVGetConfigInt(keys::Width, &v) && v >= 80 && v <= 800) c.Width = v;
  if (NVGetConfigInt(keys::Height, &v) && v >= 60 && v <= 600) c.Height = v;
  // Stored as a float and read back as an integer: 23.976 reads 23, which
  // matches no choice and keeps the original rate.
  if (NVGetConfigInt(keys::Frame, &v)) {
    c.FrameRate = 0;
    for (int32_t rate : kFrameRateChoices)
      if (v == rate) c.FrameRate = rate;
  }
  if (NVGetConfigInt(keys::VBitrate, &v) && v > 0) c.BitrateKbps = v / 1000;
  if (NVGetConfigInt(keys::Zoom, &v) && v >= 0 && v <= 3) c.AspectMode = v;
  if (NVGetConfigInt(keys::SampleR, &v) && (v == 11025 || v == 22050 || v == 44100))
    c.SampleRate = v;
  if (NVGetConfigInt(keys::DisableAudio, &v)) c.DisableAudio = v > 0;
  return c;
}

void TEncoderChoice::WriteSettings() const {
  NVSetConfigDbl(keys::Frame, FrameRate);
  NVSetConfigInt(keys::Zoom, AspectMode);
  NVSetConfigInt(keys::VBitrate, BitrateKbps * 1000);
  NVSetConfigInt(keys::SampleR, SampleRate);
  WriteConfigBool(keys::UserReso, Resolution);
  if (Resolution) {
    NVSetConfigInt(keys::Width, Width);
    NVSetConfigInt(keys::Height, Height);
  }
  WriteConfigBool(keys::DisableAudio, DisableAudio);
}

int32_t ClampVideoWidth(int32_t width) {
  return std::max(std::min(width, kMaxVideoWidth), kMinVideoWidth);
}

int32_t ClampVideoHeight(int32_t height) {
  return std::max(std::min(height, kMaxVideoHeight), kMinVideoHeight);
}

std::optional<int32_t> ProportionalSide(int32_t value, int32_t pictureFrom, int32_t pictureTo) {
  if (pictureFrom == 0) return std::nullopt;
  return static_cast<int32_t>(std::lround(static_cast<double>(pictureTo) * value / pictureFrom));
}

void ApplyEncoderChoice(const TEncoderChoice& choice, TEncoderParams& block) {
  block.FrameRate = choice.FrameRate;
  block.ResizeMode = choice.AspectMode;
  block.VideoBitrate = choice.BitrateKbps * 1000;
  block.SampleRate = choice.SampleRate;
  if (choice.Resolution) {
    block.Width = ClampVideoWidth(choice.Width);
    block.Height = ClampVideoHeight(choice.Height);
  }
  block.AudioDisabled = (choice.DisableAudio || block.AudioCodec == 0) ? -1 : 0;
}

TEncoderParams DefaultEncoderParams(const TEncoderChoice& choice, const uint8_t* formatTable) {
  TEncoderParams p;
  const uint8_t* entry = FindFormatEntry(formatTable, kContainerFlv);
  const uint32_t* video = entry ? FormatEntryVideoCodecs(formatTable, entry) : nullptr;
  const uint32_t* audio = entry ? FormatEntryAudioCodecs(formatTable, entry) : nullptr;
  p.VideoCodec = video ? video[0] : 0;
  p.AudioCodec = audio ? audio[0] : 0;
  p.Width = choice.Resolution ? choice.Width : 320;
  p.Height = choice.Resolution ? choice.Height : 240;
  p.FrameRate = choice.FrameRate;
  p.VideoBitrate = choice.BitrateKbps * 1000;
  p.ResizeMode = choice.AspectMode;
  p.PixelFormat = kPixelFormatYV12;
  p.SampleRate = choice.SampleRate;
  p.Channels = 2;
  p.AudioBitrate = 64000;
  p.BitsPerSample = 16;
  p.VideoDisabled = video ? 0 : -1;
  p.AudioDisabled = (!audio || choice.DisableAudio) ? -1 : 0;
  p.Container = kContainerFlv;
  return p;
}

}  // namespace reelcast
