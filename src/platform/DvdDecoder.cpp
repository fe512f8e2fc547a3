#include "platform/DvdDecoder.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/DvdTitleSet.h"

namespace reelcast {
namespace {

struct TIfoState {
  std::unique_ptr<TDvdTitleSet> Set;
  std::u16string Text;  // the last description handed out
};

struct TVideoDecoderState {
  std::unique_ptr<TDvdTitleSet> Set;
  TVideoDecoderParams Params;
  TVideoInfo Info;
};

// Handles of both kinds share one counter so that a handle of one kind is
// never mistaken for the other.
std::mutex gMutex;
int32_t gNextHandle = 0;
std::map<int32_t, std::unique_ptr<TIfoState>> gIfo;
std::map<int32_t, std::unique_ptr<TVideoDecoderState>> gDecoders;
thread_local std::string tLastError;

int32_t NextHandle() {
  do {
    gNextHandle = gNextHandle == INT32_MAX ? 1 : gNextHandle + 1;
  } while (gIfo.count(gNextHandle) || gDecoders.count(gNextHandle));
  return gNextHandle;
}

std::u16string Widen(const std::string& s) {
  // Descriptions are ASCII (language names, coding names, digits).
  return std::u16string(s.begin(), s.end());
}

// Runs f on the title of an open IFO handle; fallback when either is unknown.
template <typename R, typename F>
R WithTitle(TIfoHandle handle, int32_t title, R fallback, F f) {
  std::lock_guard lock(gMutex);
  auto it = gIfo.find(handle);
  if (it == gIfo.end() || title < 0 || title >= static_cast<int32_t>(it->second->Set->Titles.size()))
    return fallback;
  return f(*it->second, it->second->Set->Titles[title]);
}

}  // namespace

TIfoHandle IFOOpen(const std::string& path) {
  std::string error;
  auto set = ReadDvdTitleSet(path, &error);
  if (!set) {
    tLastError = error;
    return 0;
  }
  std::lock_guard lock(gMutex);
  int32_t handle = NextHandle();
  auto state = std::make_unique<TIfoState>();
  state->Set = std::move(set);
  gIfo[handle] = std::move(state);
  return handle;
}

int32_t IFOGetTitleCount(TIfoHandle handle) {
  std::lock_guard lock(gMutex);
  auto it = gIfo.find(handle);
  return it == gIfo.end() ? 0 : static_cast<int32_t>(it->second->Set->Titles.size());
}

double IFOGetTitleLength(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, 0.0, [](TIfoState&, const TDvdTitle& t) { return t.Length; });
}

double IFOGetTitleBeginTime(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, 0.0, [](TIfoState&, const TDvdTitle& t) { return t.Begin; });
}

int32_t IFOGetChapterCount(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, 0, [](TIfoState&, const TDvdTitle& t) {
    return static_cast<int32_t>(t.Chapters.size());
  });
}

double IFOGetChapterLength(TIfoHandle handle, int32_t title, int32_t chapter) {
  return WithTitle(handle, title, 0.0, [&](TIfoState&, const TDvdTitle& t) {
    return chapter >= 0 && chapter < static_cast<int32_t>(t.Chapters.size())
               ? t.Chapters[chapter].Length : 0.0;
  });
}

double IFOGetChapterBeginTime(TIfoHandle handle, int32_t title, int32_t chapter) {
  return WithTitle(handle, title, 0.0, [&](TIfoState&, const TDvdTitle& t) {
    return chapter >= 0 && chapter < static_cast<int32_t>(t.Chapters.size())
               ? t.Chapters[chapter].Begin : 0.0;
  });
}

int32_t IFOGetTitleAudioTrackCount(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, 0, [](TIfoState&, const TDvdTitle& t) {
    return static_cast<int32_t>(t.AudioTracks.size());
  });
}

const char16_t* IFOGetAudioTrackDesc(TIfoHandle handle, int32_t title, int32_t track) {
  return WithTitle(handle, title, u"", [&](TIfoState& s, const TDvdTitle& t) -> const char16_t* {
    if (track < 0 || track >= static_cast<int32_t>(t.AudioTracks.size())) return u"";
    s.Text = Widen(t.AudioTracks[track].Description());
    return s.Text.c_str();
  });
}

int32_t IFOGetTitleSubTitleCount(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, 0, [](TIfoState&, const TDvdTitle& t) {
    return static_cast<int32_t>(t.Subtitles.size());
  });
}

const char16_t* IFOGetSubTitleDesc(TIfoHandle handle, int32_t title, int32_t stream) {
  return WithTitle(handle, title, u"", [&](TIfoState& s, const TDvdTitle& t) -> const char16_t* {
    if (stream < 0 || stream >= static_cast<int32_t>(t.Subtitles.size())) return u"";
    s.Text = Widen(t.Subtitles[stream].Description());
    return s.Text.c_str();
  });
}

std::string IFOGetTitleVobProblem(TIfoHandle handle, int32_t title) {
  return WithTitle(handle, title, std::string(), [](TIfoState&, const TDvdTitle& t) { return t.VobProblem; });
}

void IFOClose(TIfoHandle handle) {
  std::lock_guard lock(gMutex);
  gIfo.erase(handle);
}

std::string IFOLastError() { return tLastError; }

TVideoDecoderHandle WVDCreate(const std::string& ifoPath, const TVideoDecoderParams* params,
                              int32_t* errorCode) {
  auto report = [&](int32_t code, const std::string& text) {
    tLastError = text;
    if (errorCode) *errorCode = code;
    return 0;
  };
  std::string error;
  if (!ReadDvdTitleSet(ifoPath, &error, false)) return report(kWvdInfoUnreadable, error);
  auto set = ReadDvdTitleSet(ifoPath, &error, true);
  if (!set) return report(kWvdNoVideo, error);
  if (set->Titles.empty()) return report(kWvdNoVideo, "the title set has no title: " + ifoPath);
  // VOBs cut short still give a decoder (the preview plays what they hold);
  // VOBs that hold nothing of any title do not.
  bool anyVideo = false;
  for (const auto& title : set->Titles)
    if (!title.Cells.empty() && title.Cells.front().FirstSector < set->TitleVobSectors) anyVideo = true;
  if (!anyVideo) return report(kWvdNoVideo, "the title VOBs of " + ifoPath + " are missing or hold no title");

  auto state = std::make_unique<TVideoDecoderState>();
  if (params) state->Params = *params;
  TVideoInfo& info = state->Info;
  info.Width = set->Width;
  info.Height = set->Height;
  info.AspectX = set->Wide ? 16 : 4;
  info.AspectY = set->Wide ? 9 : 3;
  info.FrameRateNum = set->Pal ? 25 : 30000;
  info.FrameRateDen = set->Pal ? 1 : 1001;
  info.TitleCount = static_cast<int32_t>(set->Titles.size());
  info.SubtitleIndex = state->Params.SubtitleIndex;
  state->Set = std::move(set);

  std::lock_guard lock(gMutex);
  int32_t handle = NextHandle();
  gDecoders[handle] = std::move(state);
  if (errorCode) *errorCode = kWvdOk;
  return handle;
}

const TVideoInfo* WVDGetVideoInfo(TVideoDecoderHandle handle) {
  std::lock_guard lock(gMutex);
  auto it = gDecoders.find(handle);
  return it == gDecoders.end() ? nullptr : &it->second->Info;
}

std::string WVDGetSourcePath(TVideoDecoderHandle handle) {
  std::lock_guard lock(gMutex);
  auto it = gDecoders.find(handle);
  return it == gDecoders.end() ? std::string() : it->second->Set->IfoPath;
}

void WVDDestroy(TVideoDecoderHandle handle) {
  std::lock_guard lock(gMutex);
  gDecoders.erase(handle);
}

}  // namespace reelcast
