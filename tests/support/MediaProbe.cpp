#include "support/MediaProbe.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace reelcast::test {

void RunFfmpeg(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessResult r = RunProcess(argv, 300);
  if (r.ExitCode != 0) throw std::runtime_error("ffmpeg failed: " + r.Output);
}

JsonValue ProbeMedia(const fs::path& file) {
  ProcessResult r = RunProcess({"ffprobe", "-v", "error", "-print_format", "json", "-show_streams",
                                "-show_format", "-count_frames", file.string()},
                               300);
  if (r.ExitCode != 0) throw std::runtime_error("ffprobe failed: " + r.Output);
  return JsonValue::Parse(r.Stdout);
}

const JsonValue& ProbeStream(const JsonValue& probe, const std::string& type) {
  static const JsonValue none;
  for (const auto& s : probe["streams"].Items())
    if (s["codec_type"].String() == type) return s;
  return none;
}

double TRgbFrame::Mean(int channel, int x0, int y0, int x1, int y1) const {
  double sum = 0;
  long n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++n) sum += At(x, y)[channel];
  return n ? sum / n : 0;
}

namespace {
TRgbFrame Decode(const fs::path& file, const std::vector<std::string>& selection, const std::string& what) {
  TempDir dir("reelcast-frame");
  JsonValue probe = ProbeMedia(file);
  const JsonValue& v = ProbeStream(probe, "video");
  TRgbFrame frame;
  frame.Width = static_cast<int>(v["width"].Number());
  frame.Height = static_cast<int>(v["height"].Number());
  std::vector<std::string> args = {"-i", file.string()};
  args.insert(args.end(), selection.begin(), selection.end());
  for (const char* a : {"-fps_mode", "passthrough", "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24"})
    args.push_back(a);
  args.push_back((dir / "f.rgb").string());
  RunFfmpeg(args);
  std::string bytes = ReadFile(dir / "f.rgb");
  if (bytes.size() != static_cast<size_t>(frame.Width) * frame.Height * 3)
    throw std::runtime_error("no picture " + what + " of " + file.string());
  frame.Pixels.assign(bytes.begin(), bytes.end());
  return frame;
}
}  // namespace

TRgbFrame DecodeFrameNumber(const fs::path& file, int n) {
  return Decode(file, {"-vf", "select=eq(n\\," + std::to_string(n) + ")"}, "number " + std::to_string(n));
}

double RedShare(const TRgbFrame& f, int x0, int y0, int x1, int y1) {
  long red = 0, all = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++all) {
      const uint8_t* p = f.At(x, y);
      if (p[0] > 170 && p[1] < 90 && p[2] < 90) ++red;
    }
  return all ? static_cast<double>(red) / all : 0;
}

TRgbFrame DecodeFrame(const fs::path& file, double t) {
  TempDir dir("reelcast-frame");
  JsonValue probe = ProbeMedia(file);
  const JsonValue& v = ProbeStream(probe, "video");
  TRgbFrame frame;
  frame.Width = static_cast<int>(v["width"].Number());
  frame.Height = static_cast<int>(v["height"].Number());
  char at[32];
  std::snprintf(at, sizeof at, "%.3f", t);
  RunFfmpeg({"-i", file.string(), "-ss", at, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24",
             (dir / "f.rgb").string()});
  std::string bytes = ReadFile(dir / "f.rgb");
  if (bytes.size() != static_cast<size_t>(frame.Width) * frame.Height * 3)
    throw std::runtime_error("no picture at " + std::string(at) + " s of " + file.string());
  frame.Pixels.assign(bytes.begin(), bytes.end());
  return frame;
}

std::vector<int16_t> DecodeAudio(const fs::path& file, int rate) {
  TempDir dir("reelcast-audio");
  RunFfmpeg({"-i", file.string(), "-map", "0:a:0", "-ac", "1", "-ar", std::to_string(rate), "-f",
             "s16le", (dir / "a.pcm").string()});
  std::string bytes = ReadFile(dir / "a.pcm");
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

double Rms(const std::vector<int16_t>& samples, int rate, double from, double to) {
  size_t a = static_cast<size_t>(std::max(0.0, from * rate));
  size_t b = std::min(samples.size(), static_cast<size_t>(to * rate));
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(samples[i]) * samples[i];
  return b > a ? std::sqrt(sum / (b - a)) : 0;
}

double Pitch(const std::vector<int16_t>& samples, int rate, double from, double to) {
  size_t a = static_cast<size_t>(std::max(0.0, from * rate));
  size_t b = std::min(samples.size(), static_cast<size_t>(to * rate));
  double best = 0, bestPower = -1;
  for (double f = 50; f <= 4000; f += 10) {
    double re = 0, im = 0;
    for (size_t i = a; i < b; ++i) {
      double ph = 2 * M_PI * f * i / rate;
      re += samples[i] * std::cos(ph);
      im += samples[i] * std::sin(ph);
    }
    double power = re * re + im * im;
    if (power > bestPower) {
      bestPower = power;
      best = f;
    }
  }
  return best;
}

}  // namespace reelcast::test
