#include "platform/ConvertPipeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/BoundedQueue.h"
#include "platform/FilterGraph.h"
#include "platform/MediaSource.h"

namespace reelcast {
namespace {

constexpr AVRational kTicks{1, 90000};

void Check(int rc, const std::string& what) {
  if (rc < 0) throw EConvert(what + ": " + AvErrorText(rc));
}

using TGraph = TFilterGraph;

// What the decoding side hands to the encoding thread, in output order.
struct TEncodeItem {
  enum class TKind { Video, Audio, End } Kind = TKind::End;
  TFramePtr Frame;
};

// Output pictures and sound frames queued ahead of the encoders: a few
// pictures' worth keeps both threads busy without holding more in memory.
constexpr size_t kEncodeQueueLength = 24;

// Threads for decoding a picture stream: the MPEG-2 decoder decodes several
// pictures at once (frame threads) and slices of one picture (slice threads).
int DecoderThreads() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)); }

}  // namespace

struct TConvertPipeline::TImpl {
  const TEncodeSettings& Settings;
  const TTickFunction& Tick;
  double Total = 0;

  AVFormatContext* Output = nullptr;
  TCodecPtr VideoEnc, AudioEnc;
  AVStream* VideoStream = nullptr;
  AVStream* AudioStream = nullptr;
  AVRational Fps{25, 1};
  int Width = 320, Height = 240;
  TPacketPtr Packet{av_packet_alloc()};
  TFramePtr Black;
  AVAudioFifo* Fifo = nullptr;
  int64_t AudioQueued = 0;   // samples placed on the output time line
  int64_t AudioEncoded = 0;  // samples handed to the encoder
  int64_t NextSlot = 0;      // index of the next output video frame
  // Set by the encoding thread when the tick asks to stop or encoding
  // fails; the decoding side sees it and winds down.
  std::atomic<bool> Stopped{false};

  // Decoding and filtering run on the caller's thread; encoding and writing
  // the FLV on this one, fed through the queue in output order.
  TBoundedQueue<TEncodeItem> Queue{kEncodeQueueLength};
  std::thread Encoder;
  std::exception_ptr EncoderError;

  // Per entry.
  const TConvertEntry* Entry = nullptr;
  std::unique_ptr<TMediaSource> Source;
  TCodecPtr VideoDec, AudioDec;
  TGraph VideoGraph, AudioGraph;
  int GraphW = 0, GraphH = 0, GraphFmt = -1;
  int AudioRate = 0, AudioFmt = -1, AudioChannels = 0;
  TFramePtr Held;         // the last filtered picture
  double HeldTime = 0;
  TSubtitleLayer Subtitles;
  double SourceFps = 25;

  TImpl(const TEncodeSettings& s, const TTickFunction& t) : Settings(s), Tick(t) {}

  ~TImpl() {
    Queue.Abort();
    if (Encoder.joinable()) Encoder.join();
    ClearEntry();
    av_audio_fifo_free(Fifo);
    if (Output) {
      if (Output->pb) avio_closep(&Output->pb);
      avformat_free_context(Output);
    }
  }

  double SlotTime(int64_t k) const { return static_cast<double>(k) * Fps.den / Fps.num; }

  // ---- output ----

  void OpenOutput(const std::string& path, double firstSourceFps) {
    Width = Settings.Width > 0 ? Settings.Width : 320;
    Height = Settings.Height > 0 ? Settings.Height : 240;
    if (Width < 16 || Height < 16 || Width > 4096 || Height > 4096)
      throw EConvert("the picture size " + std::to_string(Width) + "x" + std::to_string(Height) +
                     " cannot be encoded");
    double fps = Settings.FrameRate > 0 ? Settings.FrameRate : firstSourceFps;
    if (!(fps > 0) || fps > 120) fps = 25;
    Fps = av_d2q(fps, 100000);

    Check(avformat_alloc_output_context2(&Output, nullptr, "flv", path.c_str()),
          "cannot create the FLV writer");
    const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_FLV1);
    if (!vcodec) throw EConvert("no Sorenson H.263 encoder");
    auto openVideoEncoder = [&](int threads) {
      VideoEnc.reset(avcodec_alloc_context3(vcodec));
      VideoEnc->width = Width;
      VideoEnc->height = Height;
      VideoEnc->pix_fmt = AV_PIX_FMT_YUV420P;
      VideoEnc->time_base = av_inv_q(Fps);
      VideoEnc->framerate = Fps;
      VideoEnc->sample_aspect_ratio = AVRational{1, 1};
      VideoEnc->bit_rate = std::max(Settings.VideoBitrate, 10000);
      // Without a rate ceiling the encoder runs a third over the chosen rate.
      VideoEnc->rc_max_rate = VideoEnc->bit_rate;
      VideoEnc->rc_buffer_size = static_cast<int>(VideoEnc->bit_rate);
      if (Output->oformat->flags & AVFMT_GLOBALHEADER) VideoEnc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
      VideoEnc->thread_count = threads;
      if (threads > 1) VideoEnc->thread_type = FF_THREAD_SLICE;
      return avcodec_open2(VideoEnc.get(), vcodec, nullptr);
    };
    // Slice threads where the encoder offers them and takes them for this
    // codec (the H.263 family's encoder refuses them for Sorenson H.263);
    // one thread otherwise.
    int rc = AVERROR(EINVAL);
    if ((vcodec->capabilities & AV_CODEC_CAP_SLICE_THREADS) && DecoderThreads() > 1)
      rc = openVideoEncoder(DecoderThreads());
    if (rc < 0) Check(openVideoEncoder(1), "cannot open the video encoder");
    VideoStream = avformat_new_stream(Output, nullptr);
    avcodec_parameters_from_context(VideoStream->codecpar, VideoEnc.get());
    VideoStream->time_base = VideoEnc->time_base;

    if (Settings.Audio) {
      const AVCodec* acodec = avcodec_find_encoder_by_name("libmp3lame");
      if (!acodec) acodec = avcodec_find_encoder(AV_CODEC_ID_MP3);
      if (!acodec) throw EConvert("no MP3 encoder");
      AudioEnc.reset(avcodec_alloc_context3(acodec));
      AudioEnc->sample_rate = Settings.SampleRate > 0 ? Settings.SampleRate : 22050;
      av_channel_layout_default(&AudioEnc->ch_layout, Settings.Channels == 1 ? 1 : 2);
      AudioEnc->sample_fmt = AV_SAMPLE_FMT_FLTP;
      if (acodec->sample_fmts) {
        AudioEnc->sample_fmt = acodec->sample_fmts[0];
        for (const AVSampleFormat* f = acodec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
          if (*f == AV_SAMPLE_FMT_FLTP) AudioEnc->sample_fmt = *f;
      }
      AudioEnc->bit_rate = Settings.AudioBitrate > 0 ? Settings.AudioBitrate : 64000;
      AudioEnc->time_base = AVRational{1, AudioEnc->sample_rate};
      if (Output->oformat->flags & AVFMT_GLOBALHEADER) AudioEnc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
      Check(avcodec_open2(AudioEnc.get(), acodec, nullptr), "cannot open the MP3 encoder");
      AudioStream = avformat_new_stream(Output, nullptr);
      avcodec_parameters_from_context(AudioStream->codecpar, AudioEnc.get());
      AudioStream->time_base = AudioEnc->time_base;
      Fifo = av_audio_fifo_alloc(AudioEnc->sample_fmt, AudioEnc->ch_layout.nb_channels, 4096);
    }

    Check(avio_open(&Output->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot create " + path);
    AVDictionary* options = nullptr;
    // The finishing phase adds the metadata tag itself.
    av_dict_set(&options, "flvflags", "no_metadata", 0);
    rc = avformat_write_header(Output, &options);
    av_dict_free(&options);
    Check(rc, "cannot write the FLV header");

    Black = NewFrame();
    Black->format = AV_PIX_FMT_YUV420P;
    Black->width = Width;
    Black->height = Height;
    Check(av_frame_get_buffer(Black.get(), 0), "out of memory");
    for (int y = 0; y < Height; ++y) std::memset(Black->data[0] + y * Black->linesize[0], 16, Width);
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < (Height + 1) / 2; ++y)
        std::memset(Black->data[p] + y * Black->linesize[p], 128, (Width + 1) / 2);
  }

  void WritePackets(AVCodecContext* enc, AVStream* stream) {
    for (;;) {
      int rc = avcodec_receive_packet(enc, Packet.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
      Check(rc, "encoding failed");
      av_packet_rescale_ts(Packet.get(), enc->time_base, stream->time_base);
      Packet->stream_index = stream->index;
      Check(av_interleaved_write_frame(Output, Packet.get()), "cannot write the FLV file");
    }
  }

  // Queues one output picture (a new reference to it) for the next slot;
  // false when the run stops.
  bool EncodeSlot(AVFrame* picture) {
    TFramePtr slot(av_frame_clone(picture));
    if (!slot) throw EConvert("out of memory");
    slot->pts = NextSlot++;
    slot->pict_type = AV_PICTURE_TYPE_NONE;
    if (!Queue.Push({TEncodeItem::TKind::Video, std::move(slot)})) Stopped = true;
    return !Stopped;
  }

  // The encoding thread: encodes what the queue brings, writes the packets,
  // ticks after each picture, and finishes the file at the end marker.
  void RunEncoder() {
    try {
      for (;;) {
        std::optional<TEncodeItem> item = Queue.Pop();
        if (!item) return;
        if (item->Kind == TEncodeItem::TKind::End) {
          FinishEncoders();
          return;
        }
        if (item->Kind == TEncodeItem::TKind::Audio) {
          Check(avcodec_send_frame(AudioEnc.get(), item->Frame.get()), "audio encoding failed");
          WritePackets(AudioEnc.get(), AudioStream);
          continue;
        }
        Check(avcodec_send_frame(VideoEnc.get(), item->Frame.get()), "video encoding failed");
        WritePackets(VideoEnc.get(), VideoStream);
        TConvertTick tick;
        tick.Frames = item->Frame->pts + 1;
        tick.Position = SlotTime(tick.Frames);
        tick.Total = Total;
        if (!Tick(tick)) {
          Stopped = true;
          Queue.Abort();
          return;
        }
      }
    } catch (...) {
      EncoderError = std::current_exception();
      Stopped = true;
      Queue.Abort();
    }
  }

  void StartEncoder() {
    Encoder = std::thread([this] { RunEncoder(); });
  }

  // Waits for the encoding thread and passes on its failure.
  void JoinEncoder() {
    if (Encoder.joinable()) Encoder.join();
    if (EncoderError) std::rethrow_exception(std::exchange(EncoderError, nullptr));
  }

  void EncodeAudio(bool flush) {
    if (!AudioEnc) return;
    const int frameSize = AudioEnc->frame_size > 0 ? AudioEnc->frame_size : 1152;
    const int channels = AudioEnc->ch_layout.nb_channels;
    while (av_audio_fifo_size(Fifo) >= frameSize || (flush && av_audio_fifo_size(Fifo) > 0)) {
      int n = std::min(frameSize, av_audio_fifo_size(Fifo));
      TFramePtr frame = NewFrame();
      bool small = AudioEnc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
      frame->nb_samples = (n < frameSize && !small) ? frameSize : n;
      frame->format = AudioEnc->sample_fmt;
      frame->sample_rate = AudioEnc->sample_rate;
      av_channel_layout_copy(&frame->ch_layout, &AudioEnc->ch_layout);
      Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
      av_samples_set_silence(frame->data, 0, frame->nb_samples, channels, AudioEnc->sample_fmt);
      av_audio_fifo_read(Fifo, reinterpret_cast<void**>(frame->data), n);
      frame->pts = AudioEncoded;
      AudioEncoded += frame->nb_samples;
      if (!Queue.Push({TEncodeItem::TKind::Audio, std::move(frame)})) {
        Stopped = true;
        return;
      }
    }
  }

  void QueueSilence(int64_t samples) {
    if (samples <= 0) return;
    const int channels = AudioEnc->ch_layout.nb_channels;
    uint8_t** data = nullptr;
    int chunk = static_cast<int>(std::min<int64_t>(samples, 8192));
    Check(av_samples_alloc_array_and_samples(&data, nullptr, channels, chunk, AudioEnc->sample_fmt, 0),
          "out of memory");
    av_samples_set_silence(data, 0, chunk, channels, AudioEnc->sample_fmt);
    while (samples > 0 && !Stopped) {
      int n = static_cast<int>(std::min<int64_t>(samples, chunk));
      av_audio_fifo_write(Fifo, reinterpret_cast<void**>(data), n);
      samples -= n;
      AudioQueued += n;
      EncodeAudio(false);
    }
    av_freep(&data[0]);
    av_freep(&data);
  }

  // Queues the last sound and the end marker and waits for the encoding
  // thread to finish the file; false when it stopped first.
  bool Finish() {
    EncodeAudio(true);
    if (Stopped || !Queue.Push({TEncodeItem::TKind::End, nullptr})) Queue.Abort();
    JoinEncoder();
    return !Stopped;
  }

  // On the encoding thread: drains the encoders, writes the trailer.
  void FinishEncoders() {
    if (VideoEnc) {
      avcodec_send_frame(VideoEnc.get(), nullptr);
      WritePackets(VideoEnc.get(), VideoStream);
    }
    if (AudioEnc) {
      avcodec_send_frame(AudioEnc.get(), nullptr);
      WritePackets(AudioEnc.get(), AudioStream);
    }
    Check(av_write_trailer(Output), "cannot finish the FLV file");
    Check(avio_closep(&Output->pb), "cannot finish the FLV file");
  }

  // ---- one entry ----

  void ClearEntry() {
    VideoGraph = TGraph();
    AudioGraph = TGraph();
    VideoDec.reset();
    AudioDec.reset();
    Subtitles.Reset();
    Source.reset();
    Held.reset();
    GraphFmt = AudioFmt = -1;
    GraphW = GraphH = AudioRate = AudioChannels = 0;
  }

  TCodecPtr OpenDecoder(const AVCodecParameters* par, AVDictionary** options) {
    const bool video = par->codec_type == AVMEDIA_TYPE_VIDEO;
    return OpenStreamDecoder(par, options, Entry->Path, video ? DecoderThreads() : 1);
  }

  double OutputTime(int64_t ticks) const {
    return Entry->OutputStart + (ticks / 90000.0 - Entry->SourceStart);
  }

  // Video: decoded picture -> filters -> output slots.
  void BuildVideoGraph(const AVFrame* frame) {
    GraphW = frame->width;
    GraphH = frame->height;
    GraphFmt = frame->format;
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
    const bool withSubtitle = Subtitles.Started() ||
                              (Source->Parameters(TSourceStream::Subtitle) && Entry->SubtitleIndex >= 0);
    int cx = 0, cy = 0, cw = frame->width, ch = frame->height;
    EffectiveCrop(Entry->Picture, frame->width, frame->height, &cx, &cy, &cw, &ch);
    double aspect = static_cast<double>(cw) * sar.num / (static_cast<double>(ch) * sar.den);
    std::string description = PictureGraphDescription(
        Entry->Picture, frame->width, frame->height, withSubtitle,
        ResizeFilterChain(Settings.ResizeMode, aspect, Width, Height) + ",format=yuv420p");
    VideoGraph.Build("buffer", PictureSourceArgs(frame),
                     withSubtitle ? PictureSourceArgs(frame, AV_PIX_FMT_RGBA) : std::string(),
                     "buffersink", description);
  }

  void TakeSubtitle(AVPacket* packet) {
    Subtitles.Take(packet, Source->Parameters(TSourceStream::Subtitle), Source->SubtitlePalette(),
                   Entry->Path);
  }

  bool FeedVideo(AVFrame* frame) {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    if (ts == AV_NOPTS_VALUE) return true;
    double t = ts / 90000.0;
    if (t < Entry->SourceStart - 1.0 / SourceFps || t >= Entry->SourceEnd) return true;
    // A subtitle stream that shows up after the first picture needs its
    // layer input: the graph is built again.
    if (!VideoGraph.Graph || frame->width != GraphW || frame->height != GraphH ||
        frame->format != GraphFmt || (Subtitles.Started() && !VideoGraph.Sub)) {
      if (VideoGraph.Graph && !DrainVideoGraph(true)) return false;
      BuildVideoGraph(frame);
    }
    frame->pts = ts;
    if (VideoGraph.Sub) {
      TFramePtr layer = NewFrame();
      av_frame_ref(layer.get(), Subtitles.At(t, frame->width, frame->height));
      layer->pts = ts;
      Check(av_buffersrc_add_frame_flags(VideoGraph.Sub, layer.get(), 0), "subtitle filtering failed");
    }
    Check(av_buffersrc_add_frame_flags(VideoGraph.In, frame, AV_BUFFERSRC_FLAG_KEEP_REF),
          "video filtering failed");
    return DrainVideoGraph(false);
  }

  bool DrainVideoGraph(bool close) {
    if (close) {
      Check(av_buffersrc_add_frame_flags(VideoGraph.In, nullptr, 0), "video filtering failed");
      if (VideoGraph.Sub) Check(av_buffersrc_add_frame_flags(VideoGraph.Sub, nullptr, 0), "subtitle filtering failed");
    }
    for (;;) {
      TFramePtr out = NewFrame();
      int rc = av_buffersink_get_frame(VideoGraph.Out, out.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
      Check(rc, "video filtering failed");
      AVRational tb = av_buffersink_get_time_base(VideoGraph.Out);
      double t = OutputTime(av_rescale_q(out->pts, tb, kTicks));
      if (!Place(std::move(out), t)) return false;
    }
    if (close) VideoGraph = TGraph();
    return true;
  }

  // Output slot k shows the latest picture whose time is not after it.
  bool Place(TFramePtr picture, double t) {
    const double eps = 0.25 * Fps.den / Fps.num;
    while (SlotTime(NextSlot) < Entry->OutputEnd - 1e-9 && SlotTime(NextSlot) + eps < t) {
      if (!EncodeSlot(Held ? Held.get() : picture.get())) return false;
    }
    Held = std::move(picture);
    HeldTime = t;
    return true;
  }

  // Audio: decoded samples -> volume, resample -> the output time line.
  void BuildAudioGraph(const AVFrame* frame) {
    AudioRate = frame->sample_rate;
    AudioFmt = frame->format;
    AudioChannels = frame->ch_layout.nb_channels;
    char chain[512];
    std::snprintf(chain, sizeof chain, "[in]%s,aresample=%d,aformat=sample_fmts=%s:channel_layouts=%s[out]",
                  VolumeFilter(Entry->Volume).c_str(), AudioEnc->sample_rate,
                  av_get_sample_fmt_name(AudioEnc->sample_fmt),
                  ChannelLayoutName(AudioEnc->ch_layout).c_str());
    AudioGraph.Build("abuffer", SoundSourceArgs(frame), "", "abuffersink", chain);
  }

  void FeedAudio(AVFrame* frame) {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    if (ts == AV_NOPTS_VALUE) return;
    double t = ts / 90000.0;
    double length = static_cast<double>(frame->nb_samples) / std::max(1, frame->sample_rate);
    if (t + length < Entry->SourceStart || t >= Entry->SourceEnd) return;
    if (!AudioGraph.Graph || frame->sample_rate != AudioRate || frame->format != AudioFmt ||
        frame->ch_layout.nb_channels != AudioChannels) {
      if (AudioGraph.Graph) DrainAudioGraph(true);
      BuildAudioGraph(frame);
    }
    // On the graph's clock the samples sit at their output time.
    frame->pts = ts - static_cast<int64_t>(std::llround((Entry->SourceStart - Entry->OutputStart) * 90000));
    Check(av_buffersrc_add_frame_flags(AudioGraph.In, frame, AV_BUFFERSRC_FLAG_KEEP_REF),
          "audio filtering failed");
    DrainAudioGraph(false);
  }

  void DrainAudioGraph(bool close) {
    if (close) Check(av_buffersrc_add_frame_flags(AudioGraph.In, nullptr, 0), "audio filtering failed");
    const int rate = AudioEnc->sample_rate;
    const int64_t entryEnd = std::llround(Entry->OutputEnd * rate);
    // Small timing jitter is taken as continuous sound.
    const int64_t slack = rate / 25;
    for (;;) {
      TFramePtr out = NewFrame();
      int rc = av_buffersink_get_frame(AudioGraph.Out, out.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
      Check(rc, "audio filtering failed");
      AVRational tb = av_buffersink_get_time_base(AudioGraph.Out);
      int64_t at = av_rescale_q(out->pts, tb, AVRational{1, rate});
      int64_t skip = 0;
      if (at > AudioQueued + slack) QueueSilence(std::min(at, entryEnd) - AudioQueued);
      else if (at < AudioQueued - slack) skip = AudioQueued - at;
      else if (at < AudioQueued && AudioQueued == std::llround(Entry->OutputStart * rate))
        skip = AudioQueued - at;  // the first samples of an entry start exactly at its start
      int64_t n = out->nb_samples - skip;
      n = std::min(n, entryEnd - AudioQueued);
      if (n <= 0) continue;
      uint8_t* planes[AV_NUM_DATA_POINTERS];
      int channels = out->ch_layout.nb_channels;
      int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(out->format));
      bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(out->format));
      for (int c = 0; c < (planar ? channels : 1); ++c)
        planes[c] = out->extended_data[c] + skip * bytes * (planar ? 1 : channels);
      av_audio_fifo_write(Fifo, reinterpret_cast<void**>(planes), static_cast<int>(n));
      AudioQueued += n;
      EncodeAudio(false);
    }
    if (close) AudioGraph = TGraph();
  }

  bool Decode(AVCodecContext* dec, AVPacket* packet, bool video) {
    int rc = avcodec_send_packet(dec, packet);
    if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF && packet) return true;  // a damaged packet
    TFramePtr frame = NewFrame();
    for (;;) {
      rc = avcodec_receive_frame(dec, frame.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return true;
      if (video) {
        if (!FeedVideo(frame.get())) return false;
      } else {
        FeedAudio(frame.get());
      }
      av_frame_unref(frame.get());
    }
  }

  bool RunEntry(const TConvertEntry& entry, std::unique_ptr<TMediaSource> source) {
    ClearEntry();
    Entry = &entry;
    Source = std::move(source);
    SourceFps = Source->FrameRate() > 0 ? Source->FrameRate() : 25;
    const bool wantSubtitle = entry.SubtitleIndex >= 0;
    TPacketPtr packet(av_packet_alloc());
    TSourceStream kind;
    try {
      while (!Stopped && Source->ReadPacket(packet.get(), &kind)) {
        bool go = true;
        if (kind == TSourceStream::Video) {
          if (!VideoDec) {
            if (const AVCodecParameters* par = Source->Parameters(kind)) VideoDec = OpenDecoder(par, nullptr);
          }
          if (VideoDec) go = Decode(VideoDec.get(), packet.get(), true);
        } else if (kind == TSourceStream::Audio && AudioEnc) {
          if (!AudioDec) {
            if (const AVCodecParameters* par = Source->Parameters(kind)) AudioDec = OpenDecoder(par, nullptr);
          }
          if (AudioDec) Decode(AudioDec.get(), packet.get(), false);
        } else if (kind == TSourceStream::Subtitle && wantSubtitle) {
          TakeSubtitle(packet.get());
        }
        av_packet_unref(packet.get());
        if (!go) return false;
      }
    } catch (const EMediaSource& e) {
      throw EConvert(e.what());
    }
    if (Stopped) return false;
    if (VideoDec && !Decode(VideoDec.get(), nullptr, true)) return false;
    if (AudioDec) Decode(AudioDec.get(), nullptr, false);
    if (VideoGraph.Graph && !DrainVideoGraph(true)) return false;
    if (AudioGraph.Graph) DrainAudioGraph(true);
    // Fill the entry's time: the last picture stays (black without any),
    // silence where the sound ended early.
    while (SlotTime(NextSlot) < entry.OutputEnd - 1e-9)
      if (!EncodeSlot(Held ? Held.get() : Black.get())) return false;
    if (AudioEnc) QueueSilence(std::llround(entry.OutputEnd * AudioEnc->sample_rate) - AudioQueued);
    ClearEntry();
    return true;
  }
};

TConvertPipeline::TConvertPipeline(TEncodeSettings settings, std::vector<TConvertEntry> entries,
                                   std::string outputPath)
    : settings_(settings), entries_(std::move(entries)), outputPath_(std::move(outputPath)) {}

TConvertPipeline::~TConvertPipeline() = default;

bool TConvertPipeline::Run(const TTickFunction& tick) {
  namespace fs = std::filesystem;
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
  if (entries_.empty()) throw EConvert("nothing to convert");
  if (outputPath_.empty()) throw EConvert("no output file");
  const std::string scratch = outputPath_ + ".part";
  bool done = false;
  try {
    TImpl impl(settings_, tick);
    for (const auto& e : entries_) impl.Total = std::max(impl.Total, e.OutputEnd);
    auto first = OpenMediaSource(entries_[0].Path, entries_[0].SourceStart, entries_[0].SourceEnd,
                                 entries_[0].AudioTrack, entries_[0].SubtitleIndex);
    impl.OpenOutput(scratch, first->FrameRate());
    impl.StartEncoder();
    for (size_t i = 0; i < entries_.size(); ++i) {
      const TConvertEntry& e = entries_[i];
      auto source = i == 0 ? std::move(first)
                           : OpenMediaSource(e.Path, e.SourceStart, e.SourceEnd, e.AudioTrack,
                                             e.SubtitleIndex);
      if (!impl.RunEntry(e, std::move(source))) break;
    }
    if (!impl.Stopped) {
      done = impl.Finish();
    } else {
      impl.Queue.Abort();
      impl.JoinEncoder();
    }
  } catch (const EMediaSource& e) {
    std::error_code ec;
    fs::remove(scratch, ec);
    throw EConvert(e.what());
  } catch (const EFilterGraph& e) {
    std::error_code ec;
    fs::remove(scratch, ec);
    throw EConvert(e.what());
  } catch (...) {
    std::error_code ec;
    fs::remove(scratch, ec);
    throw;
  }
  std::error_code ec;
  if (!done) {
    fs::remove(scratch, ec);
    return false;
  }
  fs::rename(scratch, outputPath_, ec);
  if (ec) {
    fs::remove(scratch, ec);
    throw EConvert("cannot create " + outputPath_);
  }
  return true;
}

}  // namespace reelcast
