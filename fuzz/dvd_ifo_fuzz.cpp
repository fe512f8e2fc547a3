// A title set's information file is outside input: whatever its bytes, the
// title set read from it must hold together (cells inside their sectors,
// chapters inside their titles, stream ids in their ranges) or be refused,
// never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DvdTitleSet.h"

namespace {

std::string Folder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/dvd-ifo-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    static std::string made = pattern;
    std::atexit([] {
      std::remove((made + "/VTS_01_0.IFO").c_str());
      rmdir(made.c_str());
    });
    return made;
  }();
  return folder;
}

}  // namespace

// libdvdread sizes some tables from fields of the file and checks the
// allocation's result: an absurd size must come back as null, as it does
// outside the sanitizer, rather than stop the run.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
// Its error paths leave small tables behind; those are the library's, not
// ours (the ones the program owns are freed by ifoClose and DVDClose).
extern "C" const char* __lsan_default_suppressions() { return "leak:libdvdread.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Folder() + "/VTS_01_0.IFO";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  std::string error;
  auto set = reelcast::ReadDvdTitleSet(path, &error);
  if (!set) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const auto& title : set->Titles) {
    if (!(title.Length >= 0) || title.Begin < 0) std::abort();
    double chapters = 0;
    for (const auto& chapter : title.Chapters) {
      if (!(chapter.Length >= 0) || chapter.Begin < title.Begin - 1e-9) std::abort();
      chapters += chapter.Length;
    }
    if (chapters > title.Length + 1e-6) std::abort();
    for (const auto& cell : title.Cells)
      if (cell.LastSector < cell.FirstSector || cell.Start < 0) std::abort();
    for (const auto& track : title.AudioTracks) {
      if (track.Description().empty()) std::abort();
      if (track.StreamId != -1 && (track.StreamId < 0x80 || track.StreamId > 0x1C7)) std::abort();
    }
    for (const auto& sub : title.Subtitles)
      if (sub.StreamId < 0x20 || sub.StreamId > 0x3F) std::abort();
  }
  if (set->TitleAt(0) >= static_cast<int>(set->Titles.size())) std::abort();
  return 0;
}
