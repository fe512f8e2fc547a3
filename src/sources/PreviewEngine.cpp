#include "sources/PreviewEngine.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "app/Config.h"
#include "platform/DvdTitleSet.h"
#include "sources/Snapshot.h"

namespace reelcast {
namespace {

struct TAudioDecoder {
  std::string Path;
  int32_t Track = 0;
};

struct TPlayerEntry {
  std::unique_ptr<TPreviewPlayer> Player;
  TDisplayInfo Info;
};

// Every kind shares one counter, so a handle of one kind is never taken
// for another.
std::mutex gMutex;
int32_t gNext = 0;
std::map<int32_t, std::shared_ptr<TAudioDecoder>> gAudioDecoders;
std::map<int32_t, std::shared_ptr<TVideoProcessor>> gVideoProcessors;
std::map<int32_t, std::shared_ptr<TAudioProcessor>> gAudioProcessors;
std::map<int32_t, std::unique_ptr<TPlayerEntry>> gPlayers;

int32_t NextHandle() {
  gNext = gNext == INT32_MAX ? 1 : gNext + 1;
  return gNext;
}

template <typename T>
std::shared_ptr<T> Find(const std::map<int32_t, std::shared_ptr<T>>& map, int32_t handle) {
  std::lock_guard lock(gMutex);
  auto it = map.find(handle);
  return it == map.end() ? nullptr : it->second;
}

TPlayerEntry* FindPlayer(int32_t handle) {
  std::lock_guard lock(gMutex);
  auto it = gPlayers.find(handle);
  return it == gPlayers.end() ? nullptr : it->second.get();
}

void ChangePicture(TVideoProcessorHandle handle, const std::function<void(TPictureSettings&)>& f) {
  if (auto p = Find(gVideoProcessors, handle)) p->Change(f);
}

}  // namespace

TAudioDecoderHandle WADCreate(const std::string& ifoPath, const TAudioDecoderParams* params,
                              int32_t) {
  std::string error;
  if (!ReadDvdTitleSet(ifoPath, &error)) {
    NVLog("Cannot create the audio decoder: " + error);
    return 0;
  }
  auto decoder = std::make_shared<TAudioDecoder>();
  decoder->Path = ifoPath;
  decoder->Track = params ? params->AudioTrackIndex : 0;
  std::lock_guard lock(gMutex);
  int32_t h = NextHandle();
  gAudioDecoders[h] = std::move(decoder);
  return h;
}

void WADDestroy(TAudioDecoderHandle handle) {
  std::lock_guard lock(gMutex);
  gAudioDecoders.erase(handle);
}

TVideoProcessorHandle PCCreateVideoProcessor(TVideoDecoderHandle decoder, int32_t) {
  const TVideoInfo* info = WVDGetVideoInfo(decoder);
  if (!info) return 0;
  auto processor = std::make_shared<TVideoProcessor>(WVDGetSourcePath(decoder),
                                                     info->SubtitleIndex, *info);
  std::lock_guard lock(gMutex);
  int32_t h = NextHandle();
  gVideoProcessors[h] = std::move(processor);
  return h;
}

TAudioProcessorHandle PCCreateAudioProcessor(TAudioDecoderHandle decoder) {
  auto d = Find(gAudioDecoders, decoder);
  if (!d) return 0;
  auto processor = std::make_shared<TAudioProcessor>(d->Path, d->Track);
  std::lock_guard lock(gMutex);
  int32_t h = NextHandle();
  gAudioProcessors[h] = std::move(processor);
  return h;
}

void PCDestroyVideoProcessor(TVideoProcessorHandle handle) {
  std::lock_guard lock(gMutex);
  gVideoProcessors.erase(handle);
}

void PCDestroyAudioProcessor(TAudioProcessorHandle handle) {
  std::lock_guard lock(gMutex);
  gAudioProcessors.erase(handle);
}

void PCSetCropRect(TVideoProcessorHandle handle, const TCropRect* rect) {
  if (!rect) return;
  ChangePicture(handle, [&](TPictureSettings& s) {
    s.CropLeft = rect->Left;
    s.CropTop = rect->Top;
    s.CropRight = rect->Right;
    s.CropBottom = rect->Bottom;
  });
}

void PCSetVideoBrightness(TVideoProcessorHandle handle, int32_t value) {
  ChangePicture(handle, [&](TPictureSettings& s) { s.Brightness = std::clamp(value, -100, 100); });
}

void PCSetContrast(TVideoProcessorHandle handle, int32_t value) {
  ChangePicture(handle, [&](TPictureSettings& s) { s.Contrast = std::clamp(value, -100, 100); });
}

void PCSetVideoSaturation(TVideoProcessorHandle handle, int32_t value) {
  ChangePicture(handle, [&](TPictureSettings& s) { s.Saturation = std::clamp(value, -100, 100); });
}

void PCSetExFilterFlag(TVideoProcessorHandle handle, uint32_t flags) {
  ChangePicture(handle, [&](TPictureSettings& s) { s.Effect = flags; });
}

void PCSetVolum(TAudioProcessorHandle handle, int32_t value) {
  if (auto p = Find(gAudioProcessors, handle)) p->Volume = std::clamp(value, 0, 200);
}

bool PCSaveFrame(TVideoProcessorHandle handle, const std::string& path, int32_t jpeg, int32_t) {
  auto p = Find(gVideoProcessors, handle);
  if (!p) return false;
  auto picture = p->Current();
  if (!picture) {
    NVLog("No picture to save as " + path);
    return false;
  }
  try {
    WriteSnapshot(*picture, path, jpeg == 1);
  } catch (const std::exception& e) {
    NVLog(e.what());
    return false;
  }
  return true;
}

TPlayerHandle VPCreate(TPlayerView* view, int32_t, int32_t, int32_t, int32_t) {
  auto entry = std::make_unique<TPlayerEntry>();
  entry->Player = std::make_unique<TPreviewPlayer>(view);
  std::lock_guard lock(gMutex);
  int32_t h = NextHandle();
  gPlayers[h] = std::move(entry);
  return h;
}

bool VPConnect(TPlayerHandle player, TVideoProcessorHandle video, TAudioProcessorHandle audio) {
  TPlayerEntry* e = FindPlayer(player);
  auto v = Find(gVideoProcessors, video);
  if (!e || !v) return false;
  e->Info.Width = v->Info.Width;
  e->Info.Height = v->Info.Height;
  e->Info.AspectX = v->Info.AspectX;
  e->Info.AspectY = v->Info.AspectY;
  e->Player->Connect(v, Find(gAudioProcessors, audio));
  return true;
}

void VPSetCallBack(TPlayerHandle player, TWindowHandle window) {
  if (auto* e = FindPlayer(player)) e->Player->SetCallBack(window);
}

void VPSetPlayTime(TPlayerHandle player, double start, double duration) {
  if (auto* e = FindPlayer(player)) e->Player->SetPlayTime(start, duration);
}

void VPPlay(TPlayerHandle player) {
  if (auto* e = FindPlayer(player)) e->Player->Play();
}

void VPPause(TPlayerHandle player) {
  if (auto* e = FindPlayer(player)) e->Player->Pause();
}

void VPResume(TPlayerHandle player) {
  if (auto* e = FindPlayer(player)) e->Player->Resume();
}

void VPStop(TPlayerHandle player) {
  if (auto* e = FindPlayer(player)) e->Player->Stop();
}

void VPSeek(TPlayerHandle player, double t) {
  if (auto* e = FindPlayer(player)) e->Player->Seek(t);
}

double VPGetPlayedTime(TPlayerHandle player) {
  auto* e = FindPlayer(player);
  return e ? e->Player->PlayedTime() : 0.0;
}

void VPUpdate(TPlayerHandle player) {
  if (auto* e = FindPlayer(player)) e->Player->Update();
}

void VPSetDisplayRatio(TPlayerHandle player, int32_t x, int32_t y) {
  if (auto* e = FindPlayer(player)) e->Player->SetDisplayRatio(x, y);
}

void VPSetCropEditStyle(TPlayerHandle player, int32_t style) {
  if (auto* e = FindPlayer(player)) e->Player->SetCropEditStyle(style);
}

void VPSetCropRect(TPlayerHandle player, const TCropRect* rect) {
  auto* e = FindPlayer(player);
  if (e && rect) e->Player->SetCropRect(*rect);
}

void VPGetCropRect(TPlayerHandle player, TCropRect* rect) {
  auto* e = FindPlayer(player);
  if (e && rect) *rect = e->Player->CropRect();
}

void VPCropFrameDragged(TPlayerHandle player, const TCropRect& rect) {
  if (auto* e = FindPlayer(player)) e->Player->CropFrameDragged(rect);
}

const TDisplayInfo* VPGetDisplayInfo(TPlayerHandle player) {
  auto* e = FindPlayer(player);
  return e ? &e->Info : nullptr;
}

void VPDestory(TPlayerHandle player) {
  std::unique_ptr<TPlayerEntry> gone;
  {
    std::lock_guard lock(gMutex);
    auto it = gPlayers.find(player);
    if (it == gPlayers.end()) return;
    gone = std::move(it->second);
    gPlayers.erase(it);
  }
  // The player's thread ends outside the registry's lock.
  gone.reset();
}

TPreviewPlayer* VPPlayer(TPlayerHandle player) {
  auto* e = FindPlayer(player);
  return e ? e->Player.get() : nullptr;
}

}  // namespace reelcast
