#include "platform/PreviewSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>

#include "platform/FilterGraph.h"
#include "platform/TitleStream.h"

namespace reelcast {

struct TPreviewSource::TImpl {
  std::unique_ptr<TTitleStream> Stream;
  std::string Path;
  double HalfFrame = 0.02;
  bool WantSubtitle = false;
  TCodecPtr VideoDec, AudioDec;
  TSubtitleLayer Subtitles;
  TPacketPtr Packet{av_packet_alloc()};
  TFramePtr Decoded{av_frame_alloc()};
  TFramePtr Last;  // the last picture decoded, kept for a redraw
  double LastTime = 0;

  TPictureSettings Picture;
  bool PictureChanged = true;
  TFilterGraph VideoGraph;
  int GraphW = 0, GraphH = 0, GraphFmt = -1;
  bool GraphSub = false;

  int32_t Volume = 100;
  bool VolumeChanged = true;
  TFilterGraph AudioGraph;
  int AudioRate = 0, AudioFmt = -1, AudioChannels = 0;

  std::deque<TRgbImage> Pictures;
  std::deque<TPreviewSound> Sounds;
  bool Drained = false, Flushed = false;
  std::string Error;

  void BuildVideoGraph(const AVFrame* frame) {
    GraphW = frame->width;
    GraphH = frame->height;
    GraphFmt = frame->format;
    GraphSub = Subtitles.Started();
    std::string description =
        PictureGraphDescription(Picture, frame->width, frame->height, GraphSub, "format=rgb24");
    VideoGraph.Build("buffer", PictureSourceArgs(frame),
                     GraphSub ? PictureSourceArgs(frame, AV_PIX_FMT_RGBA) : std::string(),
                     "buffersink", description);
    PictureChanged = false;
  }

  // Filters one decoded picture into an RGB picture.
  void Filter(AVFrame* frame, double t, TRgbImage* out) {
    if (!VideoGraph.Graph || PictureChanged || frame->width != GraphW ||
        frame->height != GraphH || frame->format != GraphFmt || Subtitles.Started() != GraphSub)
      BuildVideoGraph(frame);
    int64_t ts = std::llround(t * 90000);
    frame->pts = ts;
    if (VideoGraph.Sub) {
      TFramePtr layer = NewFrame();
      av_frame_ref(layer.get(), Subtitles.At(t, frame->width, frame->height));
      layer->pts = ts;
      CheckAv(av_buffersrc_add_frame_flags(VideoGraph.Sub, layer.get(), 0), "subtitle filtering failed");
    }
    CheckAv(av_buffersrc_add_frame_flags(VideoGraph.In, frame, AV_BUFFERSRC_FLAG_KEEP_REF),
            "video filtering failed");
    TFramePtr rgb = NewFrame();
    int rc = av_buffersink_get_frame(VideoGraph.Out, rgb.get());
    if (rc < 0) {
      // Every filter of the chain gives one picture per picture; a graph
      // that holds one back is built again for the next.
      VideoGraph = TFilterGraph();
      CheckAv(rc == AVERROR(EAGAIN) ? AVERROR_BUG : rc, "video filtering failed");
    }
    out->Width = rgb->width;
    out->Height = rgb->height;
    out->Time = t;
    out->Pixels.resize(static_cast<size_t>(rgb->width) * rgb->height * 3);
    for (int y = 0; y < rgb->height; ++y)
      std::memcpy(&out->Pixels[static_cast<size_t>(y) * rgb->width * 3],
                  rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0],
                  static_cast<size_t>(rgb->width) * 3);
  }

  void TakePicture(AVFrame* frame) {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    if (ts == AV_NOPTS_VALUE) return;
    double t = ts / 90000.0;
    if (t + HalfFrame < Stream->Start() || t >= Stream->End() - HalfFrame) return;
    Last.reset(av_frame_clone(frame));
    LastTime = t;
    TRgbImage picture;
    Filter(frame, t, &picture);
    Pictures.push_back(std::move(picture));
  }

  void BuildAudioGraph(const AVFrame* frame) {
    AudioRate = frame->sample_rate;
    AudioFmt = frame->format;
    AudioChannels = frame->ch_layout.nb_channels;
    char chain[256];
    std::snprintf(chain, sizeof chain,
                  "[in]%s,aresample=%d,aformat=sample_fmts=s16:channel_layouts=stereo[out]",
                  VolumeFilter(Volume).c_str(), kPreviewSampleRate);
    AudioGraph.Build("abuffer", SoundSourceArgs(frame), "", "abuffersink", chain);
    VolumeChanged = false;
  }

  void TakeSound(AVFrame* frame) {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    if (ts == AV_NOPTS_VALUE || frame->sample_rate <= 0) return;
    double t = ts / 90000.0;
    double length = static_cast<double>(frame->nb_samples) / frame->sample_rate;
    if (t + length <= Stream->Start() || t >= Stream->End()) return;
    if (!AudioGraph.Graph || VolumeChanged || frame->sample_rate != AudioRate ||
        frame->format != AudioFmt || frame->ch_layout.nb_channels != AudioChannels)
      BuildAudioGraph(frame);
    frame->pts = ts;
    CheckAv(av_buffersrc_add_frame_flags(AudioGraph.In, frame, AV_BUFFERSRC_FLAG_KEEP_REF),
            "audio filtering failed");
    for (;;) {
      TFramePtr out = NewFrame();
      int rc = av_buffersink_get_frame(AudioGraph.Out, out.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
      CheckAv(rc, "audio filtering failed");
      AVRational tb = av_buffersink_get_time_base(AudioGraph.Out);
      double at = out->pts == AV_NOPTS_VALUE ? t : out->pts * av_q2d(tb);
      int64_t first = 0, count = out->nb_samples;
      // Cut to the range at the sample.
      if (at < Stream->Start()) first = std::llround((Stream->Start() - at) * kPreviewSampleRate);
      double endAt = at + static_cast<double>(count) / kPreviewSampleRate;
      if (endAt > Stream->End())
        count -= std::llround((endAt - Stream->End()) * kPreviewSampleRate);
      if (count - first <= 0) continue;
      TPreviewSound sound;
      sound.Time = at + static_cast<double>(first) / kPreviewSampleRate;
      const auto* samples = reinterpret_cast<const int16_t*>(out->data[0]);
      sound.Samples.assign(samples + first * kPreviewChannels, samples + count * kPreviewChannels);
      Sounds.push_back(std::move(sound));
    }
  }

  void Decode(AVCodecContext* dec, AVPacket* packet, bool video) {
    int rc = avcodec_send_packet(dec, packet);
    if (rc < 0 && rc != AVERROR(EAGAIN) && packet) return;  // a damaged packet
    for (;;) {
      rc = avcodec_receive_frame(dec, Decoded.get());
      if (rc < 0) return;
      if (video)
        TakePicture(Decoded.get());
      else
        TakeSound(Decoded.get());
      av_frame_unref(Decoded.get());
    }
  }

  // Reads packets until something is queued or the stream is done.
  void Fill() {
    TStreamKind kind;
    while (Pictures.empty() && Sounds.empty() && !Flushed) {
      if (Drained) {
        if (VideoDec) Decode(VideoDec.get(), nullptr, true);
        if (AudioDec) Decode(AudioDec.get(), nullptr, false);
        Flushed = true;
        break;
      }
      bool more = false;
      try {
        more = Stream->ReadPacket(Packet.get(), &kind);
      } catch (const ETitleStream& e) {
        // VOBs cut short or unreadable: what was read is played.
        Error = e.what();
      }
      if (!more) {
        Drained = true;
        continue;
      }
      if (kind == TStreamKind::Video) {
        if (!VideoDec)
          if (const AVCodecParameters* par = Stream->CodecParameters(kind))
            VideoDec = OpenStreamDecoder(par, nullptr, Path, 2);
        if (VideoDec) Decode(VideoDec.get(), Packet.get(), true);
      } else if (kind == TStreamKind::Audio) {
        if (!AudioDec)
          if (const AVCodecParameters* par = Stream->CodecParameters(kind))
            AudioDec = OpenStreamDecoder(par, nullptr, Path);
        if (AudioDec) Decode(AudioDec.get(), Packet.get(), false);
      } else if (kind == TStreamKind::Subtitle && WantSubtitle) {
        Subtitles.Take(Packet.get(), Stream->CodecParameters(kind), &Stream->SubtitlePalette(), Path);
      }
      av_packet_unref(Packet.get());
    }
  }
};

TPreviewSource::TPreviewSource(const std::string& ifoPath, double start, double end,
                               int audioTrack, int subtitleIndex)
    : impl_(std::make_unique<TImpl>()) {
  impl_->Path = ifoPath;
  // A title whose VOBs are cut short plays what they hold and ends there.
  impl_->Stream = TTitleStream::Open(ifoPath, start, end, audioTrack, subtitleIndex,
                                     TTitleStream::TCutVobs::EndThere);
  impl_->HalfFrame = 0.5 / impl_->Stream->TitleSet().FrameRate();
  impl_->WantSubtitle = impl_->Stream->HasSubtitle();
}

TPreviewSource::~TPreviewSource() = default;

TPreviewItem TPreviewSource::Next(TRgbImage* picture, TPreviewSound* sound) {
  try {
    impl_->Fill();
  } catch (const EFilterGraph& e) {
    impl_->Error = e.what();
    impl_->Pictures.clear();
    impl_->Sounds.clear();
    impl_->Drained = impl_->Flushed = true;
  }
  // Pictures first: a picture and the sound decoded after it are due at
  // about the same time, and the player buffers the sound.
  if (!impl_->Pictures.empty()) {
    *picture = std::move(impl_->Pictures.front());
    impl_->Pictures.pop_front();
    return TPreviewItem::Picture;
  }
  if (!impl_->Sounds.empty()) {
    *sound = std::move(impl_->Sounds.front());
    impl_->Sounds.pop_front();
    return TPreviewItem::Sound;
  }
  return TPreviewItem::End;
}

void TPreviewSource::SetPicture(const TPictureSettings& settings) {
  const TPictureSettings& p = impl_->Picture;
  if (std::memcmp(&p, &settings, sizeof settings) == 0) return;
  impl_->Picture = settings;
  impl_->PictureChanged = true;
}

void TPreviewSource::SetVolume(int32_t volume) {
  if (volume == impl_->Volume) return;
  impl_->Volume = volume;
  impl_->VolumeChanged = true;
}

bool TPreviewSource::Redraw(TRgbImage* picture) {
  if (!impl_->Last) return false;
  try {
    TFramePtr copy(av_frame_clone(impl_->Last.get()));
    impl_->Filter(copy.get(), impl_->LastTime, picture);
  } catch (const EFilterGraph& e) {
    impl_->Error = e.what();
    return false;
  }
  return true;
}

bool TPreviewSource::HasAudio() const { return impl_->Stream->HasAudio(); }
double TPreviewSource::Start() const { return impl_->Stream->Start(); }
double TPreviewSource::End() const { return impl_->Stream->End(); }
double TPreviewSource::FrameRate() const { return impl_->Stream->TitleSet().FrameRate(); }
const std::string& TPreviewSource::Error() const { return impl_->Error; }

}  // namespace reelcast
