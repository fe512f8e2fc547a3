#include "platform/AudioTool.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace reelcast {
namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;  // 100-ns units

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct TMusicEntry {
  double Volume = 1;  // the product of the entry's, track's and mix's volumes
  std::string File;
  int64_t TimeStart = 0, TimeStop = 0;  // 100-ns units
  int64_t MediaStart = 0, MediaStop = 0;
};

// The samples of one file from a start time, as interleaved stereo floats
// at the output rate; silence after the file's end.
class TAudioReader {
 public:
  TAudioReader(const std::string& path, int64_t mediaStart, int rate) : rate_(rate) {
    int rc = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (rc < 0) throw std::runtime_error("cannot open " + path + ": " + AvError(rc));
    if (avformat_find_stream_info(format_, nullptr) < 0)
      throw std::runtime_error("cannot read " + path);
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream_ < 0) throw std::runtime_error(path + " holds no sound");
    AVStream* st = format_->streams[stream_];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) throw std::runtime_error("no decoder for " + path);
    decoder_ = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder_, st->codecpar);
    decoder_->pkt_timebase = st->time_base;
    if (avcodec_open2(decoder_, codec, nullptr) < 0) throw std::runtime_error("cannot decode " + path);
    for (unsigned i = 0; i < format_->nb_streams; ++i)
      if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
    skipSeconds_ = static_cast<double>(mediaStart) / kUnitsPerSecond;
    if (mediaStart > 0) {
      int64_t target = av_rescale_q(mediaStart, AVRational{1, kUnitsPerSecond}, st->time_base);
      if (st->start_time != AV_NOPTS_VALUE) target += st->start_time;
      if (av_seek_frame(format_, stream_, target, AVSEEK_FLAG_BACKWARD) >= 0) {
        avcodec_flush_buffers(decoder_);
        seeked_ = true;
      }
    }
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
  }
  ~TAudioReader() {
    swr_free(&resampler_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&format_);
  }

  // Fills n stereo frames (2n floats).
  void Read(float* out, int n) {
    while (static_cast<int>(buffer_.size() - used_) < 2 * n && !ended_) Decode();
    int have = std::min<int>(n, static_cast<int>((buffer_.size() - used_) / 2));
    std::memcpy(out, buffer_.data() + used_, sizeof(float) * 2 * have);
    std::fill(out + 2 * have, out + 2 * n, 0.0f);
    used_ += 2 * have;
    if (used_ > (1u << 16)) {
      buffer_.erase(buffer_.begin(), buffer_.begin() + used_);
      used_ = 0;
    }
  }

 private:
  void Decode() {
    int rc = avcodec_receive_frame(decoder_, frame_);
    if (rc == 0) {
      Take(frame_);
      av_frame_unref(frame_);
      return;
    }
    if (rc == AVERROR_EOF) {
      ended_ = true;
      return;
    }
    if (flushed_) {
      ended_ = true;
      return;
    }
    rc = av_read_frame(format_, packet_);
    if (rc < 0) {
      avcodec_send_packet(decoder_, nullptr);
      flushed_ = true;
      return;
    }
    if (packet_->stream_index == stream_) avcodec_send_packet(decoder_, packet_);
    av_packet_unref(packet_);
  }

  void Take(AVFrame* frame) {
    if (!resampler_) {
      AVChannelLayout in{};
      if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, frame->ch_layout.nb_channels);
      else
        av_channel_layout_copy(&in, &frame->ch_layout);
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_FLT, rate_, &in,
                          static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
      av_channel_layout_uninit(&in);
      if (!resampler_ || swr_init(resampler_) < 0) throw std::runtime_error("cannot resample the music");
      inRate_ = frame->sample_rate;
    }
    // Drop what lies before the start (a seek lands on an earlier frame).
    int skipIn = 0;
    AVStream* st = format_->streams[stream_];
    int64_t ts = frame->best_effort_timestamp;
    if (!started_) {
      double t = 0;
      if (ts != AV_NOPTS_VALUE) {
        t = ts * av_q2d(st->time_base);
        if (st->start_time != AV_NOPTS_VALUE) t -= st->start_time * av_q2d(st->time_base);
      } else if (!seeked_) {
        t = consumedIn_ / static_cast<double>(inRate_);
      }
      double skip = skipSeconds_ - t;
      if (skip > 0) skipIn = static_cast<int>(std::min<double>(frame->nb_samples, std::llround(skip * inRate_)));
      if (skipIn >= frame->nb_samples) {
        consumedIn_ += frame->nb_samples;
        return;
      }
      started_ = true;
    }
    consumedIn_ += frame->nb_samples;
    int inCount = frame->nb_samples - skipIn;
    const uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
    int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format));
    bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format));
    int channels = frame->ch_layout.nb_channels;
    for (int c = 0; c < (planar ? channels : 1); ++c)
      planes[c] = frame->extended_data[c] + static_cast<size_t>(skipIn) * bytes * (planar ? 1 : channels);
    int outMax = swr_get_out_samples(resampler_, inCount);
    size_t at = buffer_.size();
    buffer_.resize(at + 2 * static_cast<size_t>(outMax));
    uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data() + at);
    int got = swr_convert(resampler_, &out, outMax, planes, inCount);
    buffer_.resize(at + 2 * static_cast<size_t>(std::max(0, got)));
  }

  AVFormatContext* format_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  SwrContext* resampler_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  int rate_;
  int inRate_ = 0;
  double skipSeconds_ = 0;
  bool seeked_ = false;
  bool started_ = false;
  bool ended_ = false;
  bool flushed_ = false;
  int64_t consumedIn_ = 0;
  std::vector<float> buffer_;
  size_t used_ = 0;
};

struct TMusicTool {
  std::mutex Mutex;
  int SampleRate = 44100;
  int BitrateKbps = 128;
  std::vector<TMusicEntry> Entries;
  bool Loaded = false;
  TAudioProgressProc Progress;
  std::thread Worker;
  int Job = 0;
  std::atomic<int> Result{0};
  std::string LastError;
};

TMusicTool& Tool() {
  static TMusicTool tool;
  return tool;
}

int64_t ParseUnits(const char* text) {
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  return end == text ? 0 : v;
}

double ParseVolume(const pugi::xml_node& node) {
  pugi::xml_node v = node.child("Volume");
  if (!v) return 1.0;
  return std::max(0.0, std::strtod(v.child_value(), nullptr) / 100.0);
}

// Encodes the mix into path; returns 0, or 1 on failure, 2 on cancel.
int EncodeMix(const std::vector<TMusicEntry>& entries, int rate, int kbps,
              const TAudioProgressProc& progress, const std::string& path, std::string* error) {
  int64_t totalUnits = 0;
  for (const auto& e : entries) totalUnits = std::max(totalUnits, e.TimeStop);
  const int64_t total = av_rescale(totalUnits, rate, kUnitsPerSecond);

  AVFormatContext* out = nullptr;
  AVCodecContext* enc = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = av_packet_alloc();
  std::vector<std::unique_ptr<TAudioReader>> readers(entries.size());
  int result = 1;
  auto fail = [&](const std::string& what) {
    *error = what;
    return 1;
  };
  auto drain = [&]() -> bool {
    for (;;) {
      int rc = avcodec_receive_packet(enc, packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return false;
      av_packet_rescale_ts(packet, enc->time_base, out->streams[0]->time_base);
      packet->stream_index = 0;
      if (av_interleaved_write_frame(out, packet) < 0) return false;
    }
  };
  do {
    if (avformat_alloc_output_context2(&out, nullptr, "mp3", path.c_str()) < 0) {
      result = fail("cannot create " + path);
      break;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
    if (!codec) {
      result = fail("no MP3 encoder");
      break;
    }
    enc = avcodec_alloc_context3(codec);
    enc->sample_rate = rate;
    enc->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc->bit_rate = static_cast<int64_t>(kbps) * 1000;
    enc->time_base = AVRational{1, rate};
    if (avcodec_open2(enc, codec, nullptr) < 0) {
      result = fail("cannot open the MP3 encoder");
      break;
    }
    AVStream* st = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(st->codecpar, enc);
    st->time_base = enc->time_base;
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
      result = fail("cannot create " + path);
      break;
    }
    AVDictionary* options = nullptr;
    // Bare MPEG audio frames: the movie builder reads them frame by frame.
    av_dict_set(&options, "id3v2_version", "0", 0);
    av_dict_set(&options, "write_xing", "0", 0);
    int rc = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (rc < 0) {
      result = fail("cannot write " + path);
      break;
    }
    const int frameSize = enc->frame_size > 0 ? enc->frame_size : 1152;
    frame = av_frame_alloc();
    frame->nb_samples = frameSize;
    frame->format = enc->sample_fmt;
    frame->sample_rate = rate;
    av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    if (av_frame_get_buffer(frame, 0) < 0) {
      result = fail("out of memory");
      break;
    }
    std::vector<float> mix(2 * frameSize), part(2 * frameSize);
    int lastPercent = -1;
    bool cancelled = false, failed = false;
    for (int64_t pos = 0; pos < total && !failed; pos += frameSize) {
      int n = static_cast<int>(std::min<int64_t>(frameSize, total - pos));
      std::fill(mix.begin(), mix.end(), 0.0f);
      for (size_t i = 0; i < entries.size(); ++i) {
        const TMusicEntry& e = entries[i];
        if (e.File.empty() || e.Volume <= 0) continue;
        int64_t from = av_rescale(e.TimeStart, rate, kUnitsPerSecond);
        int64_t to = av_rescale(e.TimeStop, rate, kUnitsPerSecond);
        int64_t mediaLength = av_rescale(e.MediaStop - e.MediaStart, rate, kUnitsPerSecond);
        if (e.MediaStop > e.MediaStart) to = std::min(to, from + mediaLength);
        int64_t a = std::max(pos, from), b = std::min(pos + n, to);
        if (a >= b) {
          if (pos >= to) readers[i].reset();
          continue;
        }
        try {
          if (!readers[i]) readers[i] = std::make_unique<TAudioReader>(e.File, e.MediaStart, rate);
          readers[i]->Read(part.data(), static_cast<int>(b - a));
        } catch (const std::exception& ex) {
          *error = ex.what();
          failed = true;
          break;
        }
        float* dst = mix.data() + 2 * (a - pos);
        for (int64_t k = 0; k < 2 * (b - a); ++k) dst[k] += static_cast<float>(part[k] * e.Volume);
      }
      if (failed) break;
      if (av_frame_make_writable(frame) < 0) {
        failed = true;
        break;
      }
      frame->nb_samples = n;
      auto* left = reinterpret_cast<float*>(frame->data[0]);
      auto* right = reinterpret_cast<float*>(frame->data[1]);
      for (int k = 0; k < n; ++k) {
        left[k] = std::clamp(mix[2 * k], -1.0f, 1.0f);
        right[k] = std::clamp(mix[2 * k + 1], -1.0f, 1.0f);
      }
      if (n < frameSize && !(codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) {
        for (int k = n; k < frameSize; ++k) left[k] = right[k] = 0;
        frame->nb_samples = frameSize;
      }
      frame->pts = pos;
      if (avcodec_send_frame(enc, frame) < 0 || !drain()) {
        *error = "MP3 encoding failed";
        failed = true;
        break;
      }
      int percent = static_cast<int>((pos + n) * 100 / std::max<int64_t>(1, total));
      if (percent != lastPercent) {
        lastPercent = percent;
        if (progress && progress(percent) == 0) {
          cancelled = true;
          break;
        }
      }
    }
    if (failed) {
      result = 1;
      break;
    }
    if (cancelled) {
      *error = "cancelled";
      result = 2;
      break;
    }
    avcodec_send_frame(enc, nullptr);
    if (!drain() || av_write_trailer(out) < 0) {
      result = fail("cannot finish " + path);
      break;
    }
    result = 0;
  } while (false);
  if (out && out->pb) avio_closep(&out->pb);
  avformat_free_context(out);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&enc);
  if (result != 0) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  return result;
}

}  // namespace

int AudioUtilLoadXmlFile(int sampleRate, const std::string& xmlPath) {
  TMusicTool& tool = Tool();
  std::lock_guard lock(tool.Mutex);
  tool.Entries.clear();
  tool.Loaded = false;
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_file(xmlPath.c_str());
  if (!parsed) {
    tool.LastError = "cannot read the mixing script " + xmlPath + ": " + parsed.description();
    return 1;
  }
  pugi::xml_node root = doc.child("AudioToolX");
  pugi::xml_node audio = root.child("Audio");
  if (!root || !audio) {
    tool.LastError = xmlPath + " is not a mixing script";
    return 2;
  }
  if (sampleRate < 8000 || sampleRate > 48000) {
    tool.LastError = "unsupported sample rate " + std::to_string(sampleRate);
    return 3;
  }
  double mixVolume = ParseVolume(audio);
  for (pugi::xml_node track : audio.children("Track")) {
    double trackVolume = mixVolume * ParseVolume(track);
    for (pugi::xml_node music : track.children("Music")) {
      TMusicEntry e;
      e.Volume = trackVolume * ParseVolume(music);
      e.File = music.child_value("File");
      e.TimeStart = ParseUnits(music.child("Time").attribute("Start").value());
      e.TimeStop = ParseUnits(music.child("Time").attribute("Stop").value());
      e.MediaStart = ParseUnits(music.child("MediaTime").attribute("Start").value());
      e.MediaStop = ParseUnits(music.child("MediaTime").attribute("Stop").value());
      if (e.TimeStart < 0 || e.TimeStop <= e.TimeStart || e.MediaStart < 0) continue;
      tool.Entries.push_back(e);
    }
  }
  tool.SampleRate = sampleRate;
  tool.Loaded = true;
  return 0;
}

void AudioUtilSetProgressProc(TAudioProgressProc proc) {
  std::lock_guard lock(Tool().Mutex);
  Tool().Progress = std::move(proc);
}

void AudioSetEncoderBitrate(int kbps) {
  std::lock_guard lock(Tool().Mutex);
  Tool().BitrateKbps = std::clamp(kbps, 8, 320);
}

int AudioUtilOutputMp3(const std::string& mp3Path) {
  TMusicTool& tool = Tool();
  std::lock_guard lock(tool.Mutex);
  if (!tool.Loaded) {
    tool.LastError = "no mixing script is loaded";
    return -1;
  }
  if (tool.Worker.joinable()) tool.Worker.join();
  tool.Result = 1;
  tool.Worker = std::thread([entries = tool.Entries, rate = tool.SampleRate, kbps = tool.BitrateKbps,
                             progress = tool.Progress, mp3Path, &tool] {
    std::string error;
    int result = EncodeMix(entries, rate, kbps, progress, mp3Path, &error);
    if (result != 0) {
      std::lock_guard lock(tool.Mutex);
      tool.LastError = error;
    }
    tool.Result = result;
  });
  return ++tool.Job;
}

int AudioUtilWaitForComplete(int job) {
  TMusicTool& tool = Tool();
  std::thread worker;
  {
    std::lock_guard lock(tool.Mutex);
    if (job != tool.Job || !tool.Worker.joinable()) return job == tool.Job ? tool.Result.load() : -1;
    worker = std::move(tool.Worker);
  }
  worker.join();
  return tool.Result;
}

std::string AudioUtilLastError() {
  std::lock_guard lock(Tool().Mutex);
  return Tool().LastError;
}

void AudioUtilFreeAll() {
  TMusicTool& tool = Tool();
  std::thread worker;
  {
    std::lock_guard lock(tool.Mutex);
    worker = std::move(tool.Worker);
  }
  if (worker.joinable()) worker.join();
  std::lock_guard lock(tool.Mutex);
  tool.Entries.clear();
  tool.Loaded = false;
  tool.Progress = nullptr;
  tool.BitrateKbps = 128;
  tool.SampleRate = 44100;
}

namespace {
struct TMediaInfo {
  std::mutex Mutex;
  AVFormatContext* Format = nullptr;
  int Stream = -1;
};
TMediaInfo& Info() {
  static TMediaInfo info;
  return info;
}
}  // namespace

bool SetMediaFile(const std::string& path) {
  FreeMedia();
  TMediaInfo& info = Info();
  std::lock_guard lock(info.Mutex);
  if (avformat_open_input(&info.Format, path.c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(info.Format, nullptr) < 0 ||
      (info.Stream = av_find_best_stream(info.Format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)) < 0) {
    avformat_close_input(&info.Format);
    return false;
  }
  return true;
}

bool GetAudioLength(int64_t* length) {
  TMediaInfo& info = Info();
  std::lock_guard lock(info.Mutex);
  *length = 0;
  if (!info.Format) return false;
  AVStream* st = info.Format->streams[info.Stream];
  if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
    *length = av_rescale_q(st->duration, st->time_base, AVRational{1, kUnitsPerSecond});
  else if (info.Format->duration != AV_NOPTS_VALUE && info.Format->duration > 0)
    *length = av_rescale(info.Format->duration, kUnitsPerSecond, AV_TIME_BASE);
  return *length > 0;
}

void FreeMedia() {
  TMediaInfo& info = Info();
  std::lock_guard lock(info.Mutex);
  avformat_close_input(&info.Format);
  info.Stream = -1;
}

}  // namespace reelcast
