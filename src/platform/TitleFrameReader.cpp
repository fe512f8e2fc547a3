#include "platform/TitleFrameReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

namespace reelcast {
namespace {

struct TShownSubtitle {
  double From = 0, Until = 0;  // absolute seconds
  AVSubtitle Subtitle{};
};

}  // namespace

struct TTitleFrameReader::TImpl {
  std::unique_ptr<TTitleStream> Stream;
  AVCodecContext* Video = nullptr;
  AVCodecContext* Subtitle = nullptr;
  SwsContext* Scaler = nullptr;
  AVPacket* Packet = nullptr;
  AVFrame* Frame = nullptr;
  std::deque<TShownSubtitle> Subtitles;
  bool Drained = false;
  bool Flushed = false;

  ~TImpl() {
    for (auto& s : Subtitles) avsubtitle_free(&s.Subtitle);
    sws_freeContext(Scaler);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Video);
    avcodec_free_context(&Subtitle);
  }

  AVCodecContext* OpenDecoder(const AVCodecParameters* par, AVDictionary** options) {
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) throw ETitleStream("no decoder for a stream of the title");
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, par);
    ctx->pkt_timebase = AVRational{1, 90000};
    if (avcodec_open2(ctx, codec, options) < 0) {
      avcodec_free_context(&ctx);
      throw ETitleStream("cannot open a decoder for the title");
    }
    return ctx;
  }

  void TakeSubtitle(AVPacket* packet) {
    if (!Subtitle) {
      std::string palette;
      for (uint32_t rgb : Stream->SubtitlePalette()) {
        char item[16];
        std::snprintf(item, sizeof item, "%s%06x", palette.empty() ? "" : ",", rgb & 0xffffff);
        palette += item;
      }
      AVDictionary* options = nullptr;
      av_dict_set(&options, "palette", palette.c_str(), 0);
      Subtitle = OpenDecoder(Stream->CodecParameters(TStreamKind::Subtitle), &options);
      av_dict_free(&options);
    }
    TShownSubtitle shown;
    int got = 0;
    if (avcodec_decode_subtitle2(Subtitle, &shown.Subtitle, &got, packet) < 0 || !got) return;
    double at = packet->pts != AV_NOPTS_VALUE ? packet->pts / 90000.0 : 0;
    shown.From = at + shown.Subtitle.start_display_time / 1000.0;
    uint32_t end = shown.Subtitle.end_display_time;
    shown.Until = (end == 0 || end == UINT32_MAX) ? 1e12 : at + end / 1000.0;
    // A new subpicture replaces the one shown before it.
    for (auto& s : Subtitles) s.Until = std::min(s.Until, shown.From);
    Subtitles.push_back(shown);
  }

  void Blend(TRgbImage* image) {
    while (!Subtitles.empty() && Subtitles.front().Until <= image->Time) {
      avsubtitle_free(&Subtitles.front().Subtitle);
      Subtitles.pop_front();
    }
    for (const auto& s : Subtitles) {
      if (image->Time < s.From || image->Time >= s.Until) continue;
      for (unsigned r = 0; r < s.Subtitle.num_rects; ++r) {
        const AVSubtitleRect* rect = s.Subtitle.rects[r];
        if (rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1]) continue;
        const auto* colours = reinterpret_cast<const uint32_t*>(rect->data[1]);
        for (int y = 0; y < rect->h; ++y) {
          int py = rect->y + y;
          if (py < 0 || py >= image->Height) continue;
          for (int x = 0; x < rect->w; ++x) {
            int px = rect->x + x;
            if (px < 0 || px >= image->Width) continue;
            uint32_t argb = colours[rect->data[0][y * rect->linesize[0] + x]];
            unsigned a = argb >> 24;
            if (!a) continue;
            uint8_t* p = &image->Pixels[(static_cast<size_t>(py) * image->Width + px) * 3];
            const unsigned c[3] = {(argb >> 16) & 0xff, (argb >> 8) & 0xff, argb & 0xff};
            for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>((c[i] * a + p[i] * (255 - a)) / 255);
          }
        }
      }
    }
  }

  void Convert(const AVFrame* frame, TRgbImage* image) {
    Scaler = sws_getCachedContext(Scaler, frame->width, frame->height,
                                  static_cast<AVPixelFormat>(frame->format), frame->width,
                                  frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
                                  nullptr);
    if (!Scaler) throw ETitleStream("cannot convert the title's pictures");
    image->Width = frame->width;
    image->Height = frame->height;
    image->Pixels.assign(static_cast<size_t>(frame->width) * frame->height * 3, 0);
    uint8_t* dst[4] = {image->Pixels.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {frame->width * 3, 0, 0, 0};
    sws_scale(Scaler, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
  }

  // The next decoded picture at or after the range start.
  bool Next(TRgbImage* image) {
    double halfFrame = 0.5 / Stream->TitleSet().FrameRate();
    for (;;) {
      if (Video) {
        int rc = avcodec_receive_frame(Video, Frame);
        if (rc == 0) {
          int64_t ts = Frame->best_effort_timestamp;
          double t = ts == AV_NOPTS_VALUE ? 0 : ts / 90000.0;
          if (t + halfFrame < Stream->Start()) continue;
          if (t >= Stream->End() - halfFrame && ts != AV_NOPTS_VALUE) continue;
          image->Time = t;
          Convert(Frame, image);
          Blend(image);
          return true;
        }
        if (rc == AVERROR_EOF) return false;
      }
      if (Drained) {
        if (!Video || Flushed) return false;
        avcodec_send_packet(Video, nullptr);
        Flushed = true;
        continue;
      }
      TStreamKind kind;
      if (!Stream->ReadPacket(Packet, &kind)) {
        Drained = true;
        continue;
      }
      if (kind == TStreamKind::Subtitle) {
        TakeSubtitle(Packet);
      } else if (kind == TStreamKind::Video) {
        if (!Video) Video = OpenDecoder(Stream->CodecParameters(TStreamKind::Video), nullptr);
        avcodec_send_packet(Video, Packet);
      }
      av_packet_unref(Packet);
    }
  }
};

TTitleFrameReader::TTitleFrameReader(const std::string& ifoPath, double start, double end,
                                     int subtitleIndex)
    : impl_(std::make_unique<TImpl>()) {
  impl_->Stream = TTitleStream::Open(ifoPath, start, end, -1, subtitleIndex);
  impl_->Packet = av_packet_alloc();
  impl_->Frame = av_frame_alloc();
}

TTitleFrameReader::~TTitleFrameReader() = default;

bool TTitleFrameReader::ReadFrame(TRgbImage* image) { return impl_->Next(image); }
const TTitleStream& TTitleFrameReader::Stream() const { return *impl_->Stream; }

TRgbImage ReadFrameAt(const std::string& ifoPath, double t, int subtitleIndex) {
  TRgbImage image;
  {
    TTitleFrameReader reader(ifoPath, t, t + 2.0, subtitleIndex);
    if (reader.ReadFrame(&image)) return image;
  }
  // Past the last picture's start the last picture still shows: read the
  // second before and keep the last one.
  TTitleFrameReader reader(ifoPath, std::max(0.0, t - 1.0), t + 2.0, subtitleIndex);
  bool any = false;
  TRgbImage next;
  while (reader.ReadFrame(&next)) {
    image = std::move(next);
    any = true;
  }
  if (!any) throw ETitleStream("no picture at " + std::to_string(t) + " s in " + ifoPath);
  return image;
}

}  // namespace reelcast
