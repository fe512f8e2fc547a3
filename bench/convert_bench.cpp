// Converting a DVD title to FLV through the codec bridge against the ffmpeg
// command line doing the same work in the same run, both free to use every
// processor: the same MPEG-2 and AC-3 decoders, 320x240 at 25 fps, Sorenson
// H.263 at 500 kbit/s with the same rate ceiling, MP3 at 64 kbit/s, 22,050 Hz
// stereo. The two alternate run by run, so a busy machine weighs on both.
//
//   convert_bench [DVD_FOLDER]   (default: the fixture DVD, generated)
//
// Prints both median wall times, their ratio (bridge / ffmpeg; the aim is 0.6
// or less), the bridge's encode speed in frames per second, and whether
// ffprobe reads the bridge's FLV.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "convert/ConvWrapper.h"
#include "platform/DvdDecoder.h"
#include "platform/EncoderManager.h"

namespace fs = std::filesystem;
using namespace reelcast;

namespace {

fs::path dvd;
fs::path work;
double title = 0;  // seconds of title 1
std::vector<double> bridgeSeconds, ffmpegSeconds;
int64_t frames = 0;

int Run(const std::vector<std::string>& argv) { return reelcast::bench::RunProgram(argv); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Bridge(benchmark::State& state) {
  TEncoderParams p;
  p.VideoCodec = kCodecFlashVideo;
  p.Width = 320;
  p.Height = 240;
  p.FrameRate = 25;
  p.VideoBitrate = 500000;
  p.PixelFormat = kPixelFormatYV12;
  p.AudioCodec = kCodecMp3;
  p.SampleRate = 22050;
  p.Channels = 2;
  p.AudioBitrate = 64000;
  p.BitsPerSample = 16;
  p.Container = kContainerFlv;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    TConvWrapper bridge(
        [&](TJobEventKind kind, bool) {
          if (kind != TJobEventKind::EncodeDone) return;
          std::lock_guard lock(mutex);
          done = true;
          ended.notify_one();
        },
        true);
    TSegment s;
    s.SourcePath = (dvd / "VIDEO_TS" / "VTS_01_0.IFO").string();
    s.StartTime = 0;
    s.EndTime = title;
    s.VideoStream.SubtitleIndex = -1;
    s.Encoder = p;
    s.OutputPath = (work / "bridge.flv").string();
    bridge.AddSegment(s);
    if (!bridge.Start()) {
      state.SkipWithError(bridge.LastError().c_str());
      return;
    }
    {
      std::unique_lock lock(mutex);
      ended.wait(lock, [&] { return done; });
    }
    frames = bridge.CurrentFrame();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    bridgeSeconds.push_back(seconds);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(frames) * state.iterations(),
                                             benchmark::Counter::kIsRate);
}

void Ffmpeg(benchmark::State& state) {
  char length[32];
  std::snprintf(length, sizeof length, "%.3f", title);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    int rc = Run({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i",
                  (dvd / "VIDEO_TS" / "VTS_01_1.VOB").string(), "-t", length, "-map", "0:v:0", "-map",
                  "0:a:0", "-sn", "-s", "320x240", "-r", "25", "-c:v", "flv", "-b:v", "500k", "-maxrate",
                  "500k", "-bufsize", "500k", "-c:a", "libmp3lame", "-b:a", "64k", "-ar", "22050", "-ac",
                  "2", "-flvflags", "no_metadata", (work / "ffmpeg.flv").string()});
    if (rc != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    ffmpegSeconds.push_back(seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  work = fs::temp_directory_path() / ("reelcast-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  if (argc > 1) {
    dvd = argv[1];
  } else {
    dvd = work / "dvd";
    fs::path script = fs::path(REELCAST_SOURCE_DIR) / "tests" / "fixtures" / "make_dvd.sh";
    if (Run({"bash", script.string(), dvd.string()}) != 0) {
      std::fprintf(stderr, "convert_bench: cannot make the fixture DVD with %s\n", script.c_str());
      return 1;
    }
  }
  TIfoHandle h = IFOOpen((dvd / "VIDEO_TS" / "VTS_01_0.IFO").string());
  title = IFOGetTitleLength(h, 0);
  IFOClose(h);
  if (title <= 0) {
    std::fprintf(stderr, "convert_bench: no title 1 in %s\n", dvd.c_str());
    return 1;
  }
  for (int round = 0; round < 5; ++round) {
    benchmark::RegisterBenchmark("ConvertTitle/bridge", Bridge)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ConvertTitle/ffmpeg_cli", Ffmpeg)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  if (!bridgeSeconds.empty() && !ffmpegSeconds.empty()) {
    double b = Median(bridgeSeconds), f = Median(ffmpegSeconds);
    bool valid = Run({"ffprobe", "-v", "error", "-show_streams", "-count_frames", "-o",
                      (work / "probe.txt").string(), (work / "bridge.flv").string()}) == 0;
    std::printf("title of %.1f s, %lld frames: bridge %.3f s, ffmpeg %.3f s, ratio %.2f (aim: 0.6), "
                "bridge %.0f frames/s, FLV read by ffprobe: %s\n",
                title, static_cast<long long>(frames), b, f, b / f, frames / b, valid ? "yes" : "NO");
  }
  fs::remove_all(work);
  return 0;
}
