// The packets of one conversion source over a time range: a DVD title set
// (its information file, read through the title stream) or a plain media
// file (read by libavformat). Video, the chosen audio track and the chosen
// subtitle stream come out as packets with pts and dts in 1/90000 s on the
// source's own time base, so the converter treats both kinds alike.
//
// Only src/platform/ reads the packets; other callers see the opaque FFmpeg
// types declared here and nothing else.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct AVPacket;
struct AVCodecParameters;

namespace reelcast {

class EMediaSource : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TSourceStream { Video = 0, Audio = 1, Subtitle = 2 };

class TMediaSource {
 public:
  virtual ~TMediaSource() = default;

  // The next packet of a chosen stream (pts/dts in 1/90000 s, or
  // AV_NOPTS_VALUE). Packets from a little before the range start are
  // delivered so that a decoder can start; the caller drops what lies
  // outside the range. False at the end of the range.
  virtual bool ReadPacket(AVPacket* packet, TSourceStream* kind) = 0;
  // The demuxer's parameters of a stream; nullptr while unknown (before its
  // first packet) and for a stream that is not chosen or absent.
  virtual const AVCodecParameters* Parameters(TSourceStream kind) const = 0;
  // The nominal frame rate of the video; 0 when unknown.
  virtual double FrameRate() const = 0;
  // The subtitle palette (0x00RRGGBB) for bitmap subtitles that carry none
  // of their own; nullptr when there is none.
  virtual const std::array<uint32_t, 16>* SubtitlePalette() const = 0;
};

// Opens [start, end) seconds of a source. A path ending in ".IFO" (any case)
// is a DVD title set: the title holding start is read with the audio track
// and subtitle stream of those indexes (out of range: none). Any other path
// is a media file whose time 0 is its first packet: audioTrack indexes its
// audio streams, subtitleIndex its subtitle streams. Throws EMediaSource.
std::unique_ptr<TMediaSource> OpenMediaSource(const std::string& path, double start, double end,
                                              int audioTrack, int subtitleIndex);

}  // namespace reelcast
