#include "platform/MediaSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace reelcast {

// In DvdMediaSource.cpp: a DVD title set read through its title stream.
std::unique_ptr<TMediaSource> OpenDvdMediaSource(const std::string& ifoPath, double start,
                                                 double end, int audioTrack, int subtitleIndex);

namespace {

constexpr AVRational kTicks{1, 90000};

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// A media file read by libavformat. Its time 0 is the container's start
// time, so that a range means the same as it does to a player.
class TFileSource final : public TMediaSource {
 public:
  TFileSource(const std::string& path, double start, double end, int audioTrack,
              int subtitleIndex)
      : end_(end) {
    int rc = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (rc < 0) throw EMediaSource("cannot open " + path + ": " + AvError(rc));
    rc = avformat_find_stream_info(format_, nullptr);
    if (rc < 0) throw EMediaSource("cannot read the streams of " + path + ": " + AvError(rc));
    int audioSeen = 0, subtitleSeen = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      AVStream* st = format_->streams[i];
      switch (st->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
          if (stream_[0] < 0 && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) stream_[0] = i;
          break;
        case AVMEDIA_TYPE_AUDIO:
          if (audioSeen++ == audioTrack) stream_[1] = i;
          break;
        case AVMEDIA_TYPE_SUBTITLE:
          if (subtitleSeen++ == subtitleIndex) stream_[2] = i;
          break;
        default:
          break;
      }
    }
    if (stream_[0] < 0 && stream_[1] < 0) throw EMediaSource(path + " holds neither video nor audio");
    for (unsigned i = 0; i < format_->nb_streams; ++i)
      if (static_cast<int>(i) != stream_[0] && static_cast<int>(i) != stream_[1] &&
          static_cast<int>(i) != stream_[2])
        format_->streams[i]->discard = AVDISCARD_ALL;
    offset_ = format_->start_time == AV_NOPTS_VALUE
                  ? 0
                  : av_rescale_q(format_->start_time, AV_TIME_BASE_Q, kTicks);
    if (start > 0) {
      int64_t target = static_cast<int64_t>(start * AV_TIME_BASE) +
                       (format_->start_time == AV_NOPTS_VALUE ? 0 : format_->start_time);
      // Land on the key frame at or before the start; the decoder starts there.
      avformat_seek_file(format_, -1, INT64_MIN, target, target, 0);
    }
  }
  ~TFileSource() override { avformat_close_input(&format_); }

  bool ReadPacket(AVPacket* packet, TSourceStream* kind) override {
    const int64_t endTicks = static_cast<int64_t>(std::ceil((end_ + 0.5) * 90000));
    for (;;) {
      if (AllPastEnd()) return false;
      int rc = av_read_frame(format_, packet);
      if (rc == AVERROR_EOF) return false;
      if (rc < 0) throw EMediaSource("cannot read the source: " + AvError(rc));
      int k = KindOf(packet->stream_index);
      if (k < 0 || past_[k]) {
        av_packet_unref(packet);
        continue;
      }
      av_packet_rescale_ts(packet, format_->streams[packet->stream_index]->time_base, kTicks);
      if (packet->pts != AV_NOPTS_VALUE) packet->pts -= offset_;
      if (packet->dts != AV_NOPTS_VALUE) packet->dts -= offset_;
      int64_t t = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
      // A stream is done once it has gone half a second past the end (a
      // decoder may still hold the frames just before it).
      if (k != 2 && t != AV_NOPTS_VALUE && t > endTicks) past_[k] = true;
      *kind = static_cast<TSourceStream>(k);
      return true;
    }
  }

  const AVCodecParameters* Parameters(TSourceStream kind) const override {
    int i = stream_[static_cast<int>(kind)];
    return i < 0 ? nullptr : format_->streams[i]->codecpar;
  }

  double FrameRate() const override {
    if (stream_[0] < 0) return 0;
    AVRational r = format_->streams[stream_[0]]->avg_frame_rate;
    if (r.num <= 0 || r.den <= 0) r = format_->streams[stream_[0]]->r_frame_rate;
    return r.num > 0 && r.den > 0 ? av_q2d(r) : 0;
  }

  const std::array<uint32_t, 16>* SubtitlePalette() const override { return nullptr; }

 private:
  int KindOf(int streamIndex) const {
    for (int k = 0; k < 3; ++k)
      if (stream_[k] == streamIndex) return k;
    return -1;
  }
  bool AllPastEnd() const {
    return (stream_[0] < 0 || past_[0]) && (stream_[1] < 0 || past_[1]);
  }

  AVFormatContext* format_ = nullptr;
  int stream_[3] = {-1, -1, -1};
  bool past_[3] = {false, false, false};
  int64_t offset_ = 0;
  double end_;
};

bool IsInformationFile(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".IFO";
}

}  // namespace

std::unique_ptr<TMediaSource> OpenMediaSource(const std::string& path, double start, double end,
                                              int audioTrack, int subtitleIndex) {
  if (end <= start) throw EMediaSource("the range of " + path + " is empty");
  if (IsInformationFile(path)) return OpenDvdMediaSource(path, start, end, audioTrack, subtitleIndex);
  return std::make_unique<TFileSource>(path, start, end, audioTrack, subtitleIndex);
}

}  // namespace reelcast
