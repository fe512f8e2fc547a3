// The decoding and filtering pieces the converter and the preview share, so
// that a preview shows what the conversion makes: owning wrappers of the
// FFmpeg objects, a filter graph built from a text description, the
// subtitle layer that burns a bitmap subtitle stream into the pictures, and
// the text of the picture graph (subtitle overlay, crop, adjustments,
// effects, then what the caller needs after them).
//
// Internal to src/platform/: it includes FFmpeg headers.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
}

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/PictureFilters.h"

namespace reelcast {

// Thrown by the helpers below; callers turn it into their own error type.
class EFilterGraph : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string AvErrorText(int code);
// Throws EFilterGraph with what + the FFmpeg error text when rc < 0.
void CheckAv(int rc, const std::string& what);

struct TFrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;
TFramePtr NewFrame();

struct TPacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;

struct TCodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using TCodecPtr = std::unique_ptr<AVCodecContext, TCodecDeleter>;

// A decoder for a stream whose packet times are in 1/90000 s. Throws
// EFilterGraph naming `source` when there is none or it cannot be opened.
TCodecPtr OpenStreamDecoder(const AVCodecParameters* par, AVDictionary** options,
                            const std::string& source, int threads = 1);

struct TGraphDeleter {
  void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
using TGraphPtr = std::unique_ptr<AVFilterGraph, TGraphDeleter>;

// A filter graph with one or two buffer sources and one sink, built from a
// description whose labels are [in] (and [sub]) and [out].
struct TFilterGraph {
  TGraphPtr Graph;
  AVFilterContext* In = nullptr;
  AVFilterContext* Sub = nullptr;
  AVFilterContext* Out = nullptr;

  void Build(const char* sourceFilter, const std::string& inArgs, const std::string& subArgs,
             const char* sinkFilter, const std::string& description, int threads = 1);
};

// The buffer source arguments for pictures like frame (in pixel format
// pixelFormat, or the frame's own when negative), times in 1/90000 s.
std::string PictureSourceArgs(const AVFrame* frame, int pixelFormat = -1);

// The name the filters know a channel layout by ("stereo", "5.1").
std::string ChannelLayoutName(const AVChannelLayout& layout);

// The buffer source arguments for sound like frame, times in 1/90000 s; a
// frame that gives only its channel count gets that count's usual layout.
std::string SoundSourceArgs(const AVFrame* frame);

// The picture graph of a source: [in] (with [sub], the subtitle layer,
// overlaid when withSubtitle) through the picture settings' crop,
// adjustments and effects, then `tail` (the caller's resize or format
// conversion; may be empty) into [out].
std::string PictureGraphDescription(const TPictureSettings& picture, int width, int height,
                                    bool withSubtitle, const std::string& tail);

// A bitmap subtitle stream decoded with its palette and kept as an RGBA
// layer the size of the pictures, transparent where nothing shows.
class TSubtitleLayer {
 public:
  TSubtitleLayer() = default;
  ~TSubtitleLayer();
  TSubtitleLayer(const TSubtitleLayer&) = delete;
  TSubtitleLayer& operator=(const TSubtitleLayer&) = delete;

  // Decodes one packet (pts in 1/90000 s). par and palette describe the
  // stream; the decoder is opened at the first packet.
  void Take(AVPacket* packet, const AVCodecParameters* par,
            const std::array<uint32_t, 16>* palette, const std::string& source);
  bool Started() const { return decoder_ != nullptr; }
  // The layer shown at time t (seconds) for width x height pictures; the
  // same frame is returned while nothing changes.
  AVFrame* At(double t, int width, int height);
  // Forgets every subpicture (after a seek).
  void Clear();
  // Forgets the subpictures and closes the decoder (for another stream).
  void Reset();

 private:
  struct TShown {
    double From = 0, Until = 0;
    AVSubtitle Subtitle{};
  };
  TCodecPtr decoder_;
  std::deque<TShown> shown_;
  std::vector<std::pair<double, double>> keys_;
  TFramePtr canvas_;
  bool dirty_ = true;
};

}  // namespace reelcast
