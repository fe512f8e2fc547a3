#include "platform/FilterGraph.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace reelcast {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void CheckAv(int rc, const std::string& what) {
  if (rc < 0) throw EFilterGraph(what + ": " + AvErrorText(rc));
}

TFramePtr NewFrame() {
  TFramePtr f(av_frame_alloc());
  if (!f) throw EFilterGraph("out of memory");
  return f;
}

TCodecPtr OpenStreamDecoder(const AVCodecParameters* par, AVDictionary** options,
                            const std::string& source, int threads) {
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (!codec) throw EFilterGraph("no decoder for a stream of " + source);
  TCodecPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) throw EFilterGraph("out of memory");
  avcodec_parameters_to_context(ctx.get(), par);
  ctx->pkt_timebase = AVRational{1, 90000};
  ctx->thread_count = threads;
  CheckAv(avcodec_open2(ctx.get(), codec, options), "cannot open a decoder for " + source);
  return ctx;
}

void TFilterGraph::Build(const char* sourceFilter, const std::string& inArgs,
                         const std::string& subArgs, const char* sinkFilter,
                         const std::string& description, int threads) {
  Graph.reset(avfilter_graph_alloc());
  if (!Graph) throw EFilterGraph("out of memory");
  Graph->nb_threads = threads;
  In = Sub = Out = nullptr;
  CheckAv(avfilter_graph_create_filter(&In, avfilter_get_by_name(sourceFilter), "in",
                                       inArgs.c_str(), nullptr, Graph.get()),
          "cannot create the filter input");
  if (!subArgs.empty())
    CheckAv(avfilter_graph_create_filter(&Sub, avfilter_get_by_name("buffer"), "sub",
                                         subArgs.c_str(), nullptr, Graph.get()),
            "cannot create the subtitle input");
  CheckAv(avfilter_graph_create_filter(&Out, avfilter_get_by_name(sinkFilter), "out", nullptr,
                                       nullptr, Graph.get()),
          "cannot create the filter output");
  AVFilterInOut* outputs = avfilter_inout_alloc();
  outputs->name = av_strdup("in");
  outputs->filter_ctx = In;
  if (Sub) {
    AVFilterInOut* sub = avfilter_inout_alloc();
    sub->name = av_strdup("sub");
    sub->filter_ctx = Sub;
    outputs->next = sub;
  }
  AVFilterInOut* inputs = avfilter_inout_alloc();
  inputs->name = av_strdup("out");
  inputs->filter_ctx = Out;
  int rc = avfilter_graph_parse_ptr(Graph.get(), description.c_str(), &inputs, &outputs, nullptr);
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  CheckAv(rc, "cannot build the filters '" + description + "'");
  CheckAv(avfilter_graph_config(Graph.get(), nullptr), "cannot configure the filters");
}

std::string PictureSourceArgs(const AVFrame* frame, int pixelFormat) {
  AVRational sar = frame->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
  char args[256];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/90000:pixel_aspect=%d/%d",
                frame->width, frame->height, pixelFormat < 0 ? frame->format : pixelFormat,
                sar.num, sar.den);
  return args;
}

std::string ChannelLayoutName(const AVChannelLayout& layout) {
  char name[128] = {};
  av_channel_layout_describe(&layout, name, sizeof name);
  return name;
}

std::string SoundSourceArgs(const AVFrame* frame) {
  AVChannelLayout layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
  else
    av_channel_layout_copy(&layout, &frame->ch_layout);
  const std::string layoutName = ChannelLayoutName(layout);
  av_channel_layout_uninit(&layout);
  char args[384];
  std::snprintf(args, sizeof args, "time_base=1/90000:sample_rate=%d:sample_fmt=%s:channel_layout=%s",
                frame->sample_rate, av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format)),
                layoutName.c_str());
  return args;
}

std::string PictureGraphDescription(const TPictureSettings& picture, int width, int height,
                                    bool withSubtitle, const std::string& tail) {
  std::string chain = PictureFilterChain(picture, width, height);
  if (!tail.empty()) chain += "," + tail;
  return withSubtitle ? "[in][sub]overlay=eof_action=pass:format=auto," + chain + "[out]"
                      : "[in]" + chain + "[out]";
}

TSubtitleLayer::~TSubtitleLayer() { Clear(); }

void TSubtitleLayer::Reset() {
  Clear();
  decoder_.reset();
  canvas_.reset();
}

void TSubtitleLayer::Clear() {
  for (auto& s : shown_) avsubtitle_free(&s.Subtitle);
  shown_.clear();
  keys_.clear();
  dirty_ = true;
}

void TSubtitleLayer::Take(AVPacket* packet, const AVCodecParameters* par,
                          const std::array<uint32_t, 16>* palette, const std::string& source) {
  if (!decoder_) {
    if (!par) return;
    AVDictionary* options = nullptr;
    if (palette) {
      std::string text;
      for (uint32_t rgb : *palette) {
        char item[16];
        std::snprintf(item, sizeof item, "%s%06x", text.empty() ? "" : ",", rgb & 0xffffff);
        text += item;
      }
      av_dict_set(&options, "palette", text.c_str(), 0);
    }
    try {
      decoder_ = OpenStreamDecoder(par, &options, source);
    } catch (...) {
      av_dict_free(&options);
      throw;
    }
    av_dict_free(&options);
  }
  TShown shown;
  int got = 0;
  if (avcodec_decode_subtitle2(decoder_.get(), &shown.Subtitle, &got, packet) < 0 || !got) return;
  double at = packet->pts != AV_NOPTS_VALUE ? packet->pts / 90000.0 : 0;
  shown.From = at + shown.Subtitle.start_display_time / 1000.0;
  uint32_t end = shown.Subtitle.end_display_time;
  shown.Until = (end == 0 || end == UINT32_MAX) ? 1e12 : at + end / 1000.0;
  // A new subpicture replaces the one shown before it.
  for (auto& s : shown_) s.Until = std::min(s.Until, shown.From);
  shown_.push_back(shown);
  dirty_ = true;
}

AVFrame* TSubtitleLayer::At(double t, int width, int height) {
  // Drop what has ended; see whether the shown set changed.
  bool changed = false;
  while (!shown_.empty() && shown_.front().Until <= t) {
    avsubtitle_free(&shown_.front().Subtitle);
    shown_.pop_front();
    changed = true;
  }
  std::vector<const TShown*> now;
  std::vector<std::pair<double, double>> keys;
  for (const auto& s : shown_)
    if (t >= s.From && t < s.Until) {
      now.push_back(&s);
      keys.emplace_back(s.From, s.Until);
    }
  if (keys != keys_) changed = true;
  keys_ = keys;
  if (canvas_ && (canvas_->width != width || canvas_->height != height)) dirty_ = true;
  if (!changed && !dirty_ && canvas_) return canvas_.get();
  dirty_ = false;
  canvas_ = NewFrame();
  canvas_->format = AV_PIX_FMT_RGBA;
  canvas_->width = width;
  canvas_->height = height;
  CheckAv(av_frame_get_buffer(canvas_.get(), 0), "out of memory");
  for (int y = 0; y < height; ++y)
    std::memset(canvas_->data[0] + y * canvas_->linesize[0], 0, width * 4);
  for (const TShown* s : now) {
    for (unsigned r = 0; r < s->Subtitle.num_rects; ++r) {
      const AVSubtitleRect* rect = s->Subtitle.rects[r];
      if (rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1]) continue;
      const auto* colours = reinterpret_cast<const uint32_t*>(rect->data[1]);
      for (int y = 0; y < rect->h; ++y) {
        int py = rect->y + y;
        if (py < 0 || py >= height) continue;
        for (int x = 0; x < rect->w; ++x) {
          int px = rect->x + x;
          if (px < 0 || px >= width) continue;
          uint32_t argb = colours[rect->data[0][y * rect->linesize[0] + x]];
          uint8_t* p = canvas_->data[0] + py * canvas_->linesize[0] + px * 4;
          p[0] = (argb >> 16) & 0xff;
          p[1] = (argb >> 8) & 0xff;
          p[2] = argb & 0xff;
          p[3] = argb >> 24;
        }
      }
    }
  }
  return canvas_.get();
}

}  // namespace reelcast
