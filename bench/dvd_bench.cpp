// Reading DVD titles through the title stream: every sector of a title's
// cells read through libdvdread and demuxed by libavformat into the packets
// of the video, the audio track and the subtitle stream. dvd_ratio.sh runs
// it on an authored DVD and compares it with cat of the VOB files.
//
// The DVD folder comes from REELCAST_BENCH_DVD (the folder holding
// VIDEO_TS/); the benchmark is skipped without it.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/packet.h>
}

#include <cstdlib>
#include <string>

#include "platform/DvdDecoder.h"
#include "platform/TitleStream.h"

namespace {

std::string InfoFile() {
  const char* dvd = std::getenv("REELCAST_BENCH_DVD");
  return dvd ? std::string(dvd) + "/VIDEO_TS/VTS_01_0.IFO" : std::string();
}

void BM_TitleStreamWholeTitle(benchmark::State& state) {
  std::string ifo = InfoFile();
  reelcast::TIfoHandle h = ifo.empty() ? 0 : reelcast::IFOOpen(ifo);
  if (!h) {
    state.SkipWithError("set REELCAST_BENCH_DVD to a DVD folder (see dvd_ratio.sh)");
    return;
  }
  double length = reelcast::IFOGetTitleLength(h, 0);
  reelcast::IFOClose(h);
  AVPacket* packet = av_packet_alloc();
  int64_t bytes = 0;
  for (auto _ : state) {
    auto stream = reelcast::TTitleStream::OpenTitle(ifo, 0, 0, length, 0, 0);
    reelcast::TStreamKind kind;
    int64_t packets = 0;
    while (stream->ReadPacket(packet, &kind)) {
      ++packets;
      av_packet_unref(packet);
    }
    benchmark::DoNotOptimize(packets);
    bytes += static_cast<int64_t>(stream->BytesRead());
  }
  av_packet_free(&packet);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_TitleStreamWholeTitle)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
