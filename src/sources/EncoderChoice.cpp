#include "sources/EncoderChoice.h"

#include "app/Config.h"

namespace reelcast {

TEncoderChoice TEncoderChoice::FromSettings() {
  TEncoderChoice c;
  int32_t v = 0;
  if (NVGetConfigInt("System.UserReso", &v)) c.Resolution = v > 0;
  if (NVGetConfigInt("System.nWidth", &v) && v >= 80 && v <= 800) c.Width = v;
  if (NVGetConfigInt("System.nHeight", &v) && v >= 60 && v <= 600) c.Height = v;
  // Stored as a float and read back as an integer: 23.976 reads 23, which
  // matches no choice and keeps the original rate.
  if (NVGetConfigInt("System.Frame", &v)) {
    c.FrameRate = 0;
    for (int32_t rate : kFrameRateChoices)
      if (v == rate) c.FrameRate = rate;
  }
  if (NVGetConfigInt("System.VBitrate", &v) && v > 0) c.BitrateKbps = v / 1000;
  if (NVGetConfigInt("System.Zoom", &v) && v >= 0 && v <= 3) c.AspectMode = v;
  if (NVGetConfigInt("System.SampleR", &v) && (v == 11025 || v == 22050 || v == 44100))
    c.SampleRate = v;
  if (NVGetConfigInt("System.DisableAudio", &v)) c.DisableAudio = v > 0;
  return c;
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
