// The preview engine's calls: the audio decoder, the video and audio
// processors that apply a row's adjustments, and the player that plays a
// range of a title and reports by posted messages. Handles are 32-bit
// values, 0 when absent; times are seconds. The video decoder is
// WVDCreate of platform/DvdDecoder.h.
//
// Every call is made on one (the user-interface) thread; the player plays
// on its own thread and reports only through WM_PLAYERNOTIFY and
// WM_CROPCHANGED posted to the window given to VPSetCallBack.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DvdDecoder.h"
#include "sources/PreviewPlayer.h"

namespace reelcast {

using TAudioDecoderHandle = int32_t;
using TVideoProcessorHandle = int32_t;
using TAudioProcessorHandle = int32_t;
using TPlayerHandle = int32_t;

// An audio decoder for the track chosen in params of a title set; 0 when the
// information file cannot be read.
TAudioDecoderHandle WADCreate(const std::string& ifoPath, const TAudioDecoderParams* params,
                              int32_t reserved = 0);
void WADDestroy(TAudioDecoderHandle handle);

// The processors over a decoder; 0 for an unknown decoder.
TVideoProcessorHandle PCCreateVideoProcessor(TVideoDecoderHandle decoder, int32_t reserved = 0);
TAudioProcessorHandle PCCreateAudioProcessor(TAudioDecoderHandle decoder);
void PCDestroyVideoProcessor(TVideoProcessorHandle handle);
void PCDestroyAudioProcessor(TAudioProcessorHandle handle);
// The processor crops its pictures to the rectangle (all 0: no crop).
void PCSetCropRect(TVideoProcessorHandle handle, const TCropRect* rect);
// -100..100; from the next picture.
void PCSetVideoBrightness(TVideoProcessorHandle handle, int32_t value);
void PCSetContrast(TVideoProcessorHandle handle, int32_t value);
void PCSetVideoSaturation(TVideoProcessorHandle handle, int32_t value);
// Effect flags (kEffect*); from the next picture.
void PCSetExFilterFlag(TVideoProcessorHandle handle, uint32_t flags);
// 0..200, 100 unchanged; at once.
void PCSetVolum(TAudioProcessorHandle handle, int32_t value);
// Writes the picture last shown to path, as JPEG when jpeg is 1, else BMP.
// False (and a log line) when there is no picture or it cannot be written.
bool PCSaveFrame(TVideoProcessorHandle handle, const std::string& path, int32_t jpeg,
                 int32_t reserved = 0);

// A player showing into view (may be null: no display) within the given
// area of it.
TPlayerHandle VPCreate(TPlayerView* view, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The player takes its pictures and sound from the two processors.
bool VPConnect(TPlayerHandle player, TVideoProcessorHandle video, TAudioProcessorHandle audio);
void VPSetCallBack(TPlayerHandle player, TWindowHandle window);
// The range to play, as absolute times of the title set.
void VPSetPlayTime(TPlayerHandle player, double start, double duration);
void VPPlay(TPlayerHandle player);
void VPPause(TPlayerHandle player);
void VPResume(TPlayerHandle player);
void VPStop(TPlayerHandle player);
// Playing (or the paused picture) continues from the absolute time t.
void VPSeek(TPlayerHandle player, double t);
// Seconds played since the start of the range.
double VPGetPlayedTime(TPlayerHandle player);
// The current picture is redrawn with the processors' new settings.
void VPUpdate(TPlayerHandle player);
// The picture is shown with the ratio x : y; 0 : 0 keeps the source's.
void VPSetDisplayRatio(TPlayerHandle player, int32_t x, int32_t y);
// 1: the view shows a crop frame the user can drag.
void VPSetCropEditStyle(TPlayerHandle player, int32_t style);
void VPSetCropRect(TPlayerHandle player, const TCropRect* rect);
void VPGetCropRect(TPlayerHandle player, TCropRect* rect);
// The view reports the crop frame the user dragged (the player posts
// WM_CROPCHANGED).
void VPCropFrameDragged(TPlayerHandle player, const TCropRect& rect);

// VPGetDisplayInfo's record: the picture's width and height first.
struct TDisplayInfo {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t AspectX = 0;
  int32_t AspectY = 0;
  int32_t Reserved[4] = {0, 0, 0, 0};
};
static_assert(sizeof(TDisplayInfo) == 32);
// Valid until VPDestory; nullptr for an unknown player.
const TDisplayInfo* VPGetDisplayInfo(TPlayerHandle player);
// Stops the player and frees it (the name is spelled so).
void VPDestory(TPlayerHandle player);

// The player behind a handle, for tests and the view; nullptr when unknown.
TPreviewPlayer* VPPlayer(TPlayerHandle player);

}  // namespace reelcast
