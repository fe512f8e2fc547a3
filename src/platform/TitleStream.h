// A title stream: the MPEG program stream of one title's cells, read sector
// by sector through libdvdread and demuxed by libavformat, delivering the
// video, the chosen audio track and the chosen subtitle stream as packets
// whose times are on the title set's time base. Opening at a time seeks to
// the right cell and VOBU through the cell table, the VOBU address map and
// the navigation packs; nothing before it is read (except a few seconds for a
// subtitle that may already be showing).
//
// Callers outside src/platform/ hold only the opaque FFmpeg types declared
// here; the decoders in src/platform/ read the packets.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/DvdTitleSet.h"

struct AVPacket;
struct AVCodecParameters;

namespace reelcast {

class ETitleStream : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TStreamKind { Video = 0, Audio = 1, Subtitle = 2 };

class TTitleStream {
 public:
  // Opens [start, end) in absolute seconds of the title set of ifoPath; the
  // title is the one whose range holds start, and end is clamped to that
  // title's end. audioTrack and subtitleIndex index the title's lists; an
  // index out of range (-1, or the number of streams) chooses none.
  // Throws ETitleStream when the title set, its VOBs or the range are bad.
  // A title whose VOBs end before its cells do is refused, unless
  // cutVobs is EndThere: then the stream ends where the VOBs end (a title
  // with nothing of its first cell in them is still refused).
  enum class TCutVobs { Refuse, EndThere };
  static std::unique_ptr<TTitleStream> Open(const std::string& ifoPath, double start, double end,
                                            int audioTrack, int subtitleIndex,
                                            TCutVobs cutVobs = TCutVobs::Refuse);
  // The same for a title given by index, with times in its own seconds.
  static std::unique_ptr<TTitleStream> OpenTitle(const std::string& ifoPath, int title,
                                                 double start, double end, int audioTrack,
                                                 int subtitleIndex);
  ~TTitleStream();
  TTitleStream(const TTitleStream&) = delete;
  TTitleStream& operator=(const TTitleStream&) = delete;

  const TDvdTitleSet& TitleSet() const;
  int TitleIndex() const;
  double Start() const;  // absolute seconds
  double End() const;

  // The next packet of a chosen stream, in stream order, with pts and dts in
  // 1/90000 s on the title set's time base (AV_NOPTS_VALUE where the stream
  // has none). Packets from the VOBU before Start() on are delivered so that
  // a decoder can start; the caller drops what lies before Start(). False at
  // the end of the range. Throws ETitleStream when a sector cannot be read.
  bool ReadPacket(AVPacket* packet, TStreamKind* kind);

  // The demuxer's parameters of a stream; nullptr until its first packet
  // (and always for a stream that is not chosen).
  const AVCodecParameters* CodecParameters(TStreamKind kind) const;
  bool HasAudio() const;
  bool HasSubtitle() const;
  // The title's subpicture palette, 0x00RRGGBB.
  const std::array<uint32_t, 16>& SubtitlePalette() const;
  uint64_t BytesRead() const;

  struct TImpl;

 private:
  explicit TTitleStream(std::unique_ptr<TImpl> impl);
  std::unique_ptr<TImpl> impl_;
};

}  // namespace reelcast
