// The DVD decoder library's calls over libdvdread: the IFO calls that list a
// title set (titles, chapters, lengths, begin times, audio tracks, subtitle
// streams) and the video decoder's create, information and destroy calls.
//
// Handles are 32-bit values, 0 when absent; every call is safe from any
// thread. Times are seconds on the title set's time base (DvdTitleSet.h).
// A call with an unknown handle or an index out of range returns 0, 0.0 or
// an empty text.
#pragma once

#include <cstdint>
#include <string>

namespace reelcast {

using TIfoHandle = int32_t;
using TVideoDecoderHandle = int32_t;

// Opens the information file of a title set ("…/VTS_01_0.IFO"); 0 when it
// cannot be opened or parsed (IFOLastError then tells why).
TIfoHandle IFOOpen(const std::string& path);
int32_t IFOGetTitleCount(TIfoHandle handle);
double IFOGetTitleLength(TIfoHandle handle, int32_t title);
double IFOGetTitleBeginTime(TIfoHandle handle, int32_t title);
int32_t IFOGetChapterCount(TIfoHandle handle, int32_t title);
double IFOGetChapterLength(TIfoHandle handle, int32_t title, int32_t chapter);
double IFOGetChapterBeginTime(TIfoHandle handle, int32_t title, int32_t chapter);
int32_t IFOGetTitleAudioTrackCount(TIfoHandle handle, int32_t title);
// The texts stay valid until the next call on the same handle; copy them.
const char16_t* IFOGetAudioTrackDesc(TIfoHandle handle, int32_t title, int32_t track);
int32_t IFOGetTitleSubTitleCount(TIfoHandle handle, int32_t title);
const char16_t* IFOGetSubTitleDesc(TIfoHandle handle, int32_t title, int32_t stream);
// Why the title cannot be read from its VOB files, naming the file that is
// missing, empty or cut short; empty when it can be read.
std::string IFOGetTitleVobProblem(TIfoHandle handle, int32_t title);
void IFOClose(TIfoHandle handle);
// Why the last IFOOpen or WVDCreate of this thread failed.
std::string IFOLastError();

// WVDCreate's parameter record: zero except the subtitle index.
struct TVideoDecoderParams {
  int32_t Reserved0 = 0;
  int32_t Reserved1 = 0;
  int32_t SubtitleIndex = 0;  // -1 or the number of subtitle streams: none
  int32_t Reserved3 = 0;
  int32_t Reserved4 = 0;
};
static_assert(sizeof(TVideoDecoderParams) == 20);

// WADCreate's parameter record: zero except the audio track index.
struct TAudioDecoderParams {
  int32_t Reserved0 = 0;
  int32_t AudioTrackIndex = 0;
  int32_t Reserved2 = 0;
  int32_t Reserved3 = 0;
};
static_assert(sizeof(TAudioDecoderParams) == 16);

// WVDGetVideoInfo's record: the coded picture and how it is shown.
struct TVideoInfo {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t AspectX = 0;        // display aspect, 4:3 or 16:9
  int32_t AspectY = 0;
  int32_t FrameRateNum = 0;   // 25/1 or 30000/1001
  int32_t FrameRateDen = 1;
  int32_t TitleCount = 0;
  int32_t SubtitleIndex = 0;  // as passed to WVDCreate
  int32_t Reserved[2] = {0, 0};
};
static_assert(sizeof(TVideoInfo) == 40);

enum : int32_t {
  kWvdOk = 0,
  kWvdInfoUnreadable = 1,  // the information file cannot be read
  kWvdNoVideo = 2,         // the title VOBs are missing or hold nothing of any title
};

// Creates a video decoder for a title set. *errorCode is 1 or 2 on failure
// (the handle is then 0), 0 on success.
TVideoDecoderHandle WVDCreate(const std::string& ifoPath, const TVideoDecoderParams* params,
                              int32_t* errorCode);
// nullptr for an unknown handle. Valid until WVDDestroy.
const TVideoInfo* WVDGetVideoInfo(TVideoDecoderHandle handle);
// The information file the decoder reads; empty for an unknown handle.
std::string WVDGetSourcePath(TVideoDecoderHandle handle);
void WVDDestroy(TVideoDecoderHandle handle);

}  // namespace reelcast
