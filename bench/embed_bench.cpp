// Embedding an FLV in a movie (the embedded-video movie: AddVideo,
// PlaceVideo with sound, one ShowFrame per video frame, saved uncompressed)
// against cp of the same FLV, in the same run. The payloads are copied from
// the file into the body, so the aim is file-copy speed (at most 2x cp) and
// a peak memory of the body once.
//
//   embed_bench [FLV]   (default: a 200 MB FLV made with ffmpeg)
//
// Prints both times, their ratio (embed / cp), and the peak resident memory
// of a process that embeds once, against the FLV's size.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "media/FLVData.h"
#include "movie/FlashMovie.h"
#include "movie/FlashVideo.h"
#include "swf/Records.h"

namespace fs = std::filesystem;
using namespace reelcast;

namespace {

fs::path flv;
fs::path work;
double embedSeconds = 0, copySeconds = 0;
int embedRuns = 0, copyRuns = 0;

int Run(const std::vector<std::string>& argv) { return reelcast::bench::RunProgram(argv); }

void Embed(const fs::path& in, const fs::path& out) {
  // The FLV is indexed once; the stage and the frame rate follow it.
  TFlashMovie movie(0, 0, 1, 1, 25, true);
  TFlashVideo* video = movie.AddVideo(in.string());
  movie.FrameRate = video->FLV().FrameRate();
  movie.FrameRect.Right = video->FLV().Width() * 20;
  movie.FrameRect.Bottom = video->FLV().Height() * 20;
  TFlashPlaceVideo* place = movie.PlaceVideo(video, 1);
  place->SetEnableSound(true);
  movie.ShowFrame(static_cast<uint16_t>(std::min<uint32_t>(video->FLV().FrameCount(), 65535)));
  movie.MakeStream();
  movie.SaveToFile(out.string());
}

void EmbedFlv(benchmark::State& state) {
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    Embed(flv, work / "movie.swf");
    embedSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++embedRuns;
  }
}

void CopyFlv(benchmark::State& state) {
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (Run({"cp", flv.string(), (work / "copy.flv").string()}) != 0) state.SkipWithError("cp failed");
    copySeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++copyRuns;
  }
}

// Peak resident memory (bytes) of a child process that embeds once.
long PeakOfOneEmbed() {
  pid_t pid = fork();
  if (pid == 0) {
    Embed(flv, work / "peak.swf");
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss * 1024L;
}

}  // namespace

BENCHMARK(EmbedFlv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CopyFlv)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  work = fs::temp_directory_path() / ("reelcast-embed-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  if (argc > 1) {
    flv = argv[1];
  } else {
    flv = work / "input.flv";
    std::printf("making a 200 MB FLV with ffmpeg...\n");
    if (Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25",
             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "300", "-c:v", "flv1", "-g",
             "1", "-q:v", "2", "-c:a", "libmp3lame", "-b:a", "128k", "-ar", "44100", flv.string()}) != 0) {
      std::fprintf(stderr, "ffmpeg failed\n");
      return 1;
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  long peak = PeakOfOneEmbed();
  double size = static_cast<double>(fs::file_size(flv));
  double embed = embedSeconds / embedRuns, copy = copySeconds / copyRuns;
  std::printf("FLV: %.1f MB; embed %.3f s, cp %.3f s, ratio embed/cp %.2f\n", size / 1e6, embed, copy,
              embed / copy);
  std::printf("peak resident memory of one embed: %.1f MB (%.2f x the FLV)\n", peak / 1e6, peak / size);
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
