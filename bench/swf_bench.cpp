// Hot paths of the SWF library: re-making the body of a movie of many small
// tags, parsing a video-heavy movie, and saving it plain and compressed.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "swf/ControlTags.h"
#include "swf/SWFStream.h"

using namespace reelcast;

namespace {

void AppendTag(TMemoryStream& body, uint16_t code, const std::string& payload, bool longHeader) {
  WriteTagHeader(body, longHeader ? 20 : code, static_cast<uint32_t>(payload.size()));
  if (longHeader && code != 20) {
    // Patch the code of a forced long header back to the wanted one.
    body.Seek(-6, TSeekOrigin::Current);
    uint16_t word = static_cast<uint16_t>(code << 6 | 63);
    uint8_t b[2] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
    body.WriteBuffer(b, 2);
    body.Seek(4, TSeekOrigin::Current);
  }
  body.WriteBuffer(payload.data(), payload.size());
}

// A loaded reader over a body of tags made by fill.
template <class Fill>
std::unique_ptr<TSWFStreamReader> Movie(Fill fill) {
  auto reader = std::make_unique<TSWFStreamReader>();
  TMemoryStream& body = reader->GetBodyStream();
  fill(body);
  reader->FrameRect = {0, 0, 11000, 8000};
  return reader;
}

// Many small tags: labels, background colours and frames.
std::unique_ptr<TSWFStreamReader> SmallTagMovie(int tags) {
  return Movie([tags](TMemoryStream& body) {
    for (int i = 0; i < tags; ++i) {
      switch (i % 3) {
        case 0: AppendTag(body, 43, "frame" + std::to_string(i) + std::string(1, '\0'), false); break;
        case 1: AppendTag(body, 9, "\x10\x20\x30", false); break;
        default: AppendTag(body, 1, "", false); break;
      }
    }
  });
}

// Video frames of incompressible bytes with a sound block and a frame each.
std::unique_ptr<TSWFStreamReader> VideoMovie(size_t megabytes) {
  return Movie([megabytes](TMemoryStream& body) {
    std::mt19937 random(7);
    std::string frame(12000, '\0');
    std::string sound(420, '\0');
    size_t target = megabytes << 20;
    while (static_cast<size_t>(body.Size()) < target) {
      for (auto& c : frame) c = static_cast<char>(random());
      for (auto& c : sound) c = static_cast<char>(random() & 0x0F);
      AppendTag(body, 61, frame, true);
      AppendTag(body, 19, sound, true);
      AppendTag(body, 1, "", false);
    }
    AppendTag(body, 0, "", false);
  });
}

void BM_MakeStreamSmallTags(benchmark::State& state) {
  auto movie = SmallTagMovie(static_cast<int>(state.range(0)));
  movie->ParseTags(true, false);
  for (auto _ : state) {
    movie->MakeStream();
    benchmark::DoNotOptimize(movie->GetBodyStream().Memory());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MakeStreamSmallTags)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ParseVideoMovie(benchmark::State& state) {
  auto movie = VideoMovie(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    movie->ParseTags(true, false);
    benchmark::DoNotOptimize(movie->TagCount());
  }
  state.SetBytesProcessed(state.iterations() * movie->GetBodyStream().Size());
}
BENCHMARK(BM_ParseVideoMovie)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_SaveVideoMovie(benchmark::State& state) {
  auto movie = VideoMovie(32);
  movie->SetCompressed(state.range(0) != 0);
  for (auto _ : state) {
    TMemoryStream out;
    out.Reserve(static_cast<size_t>(movie->GetBodyStream().Size()) + 64);
    movie->SaveToStream(out);
    benchmark::DoNotOptimize(out.Memory());
  }
  state.SetBytesProcessed(state.iterations() * movie->GetBodyStream().Size());
  state.SetLabel(state.range(0) ? "compressed" : "plain");
}
BENCHMARK(BM_SaveVideoMovie)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
