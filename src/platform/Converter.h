// The slide decoder and converter calls: two source lists that place their
// entries on one output time line (a video list and an audio list), and a
// converter that encodes them into one FLV file on its own worker thread,
// reporting progress through a callback and obeying pause, resume and stop.
// FFmpeg does the work (ConvertPipeline); callers see only these calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/DvdDecoder.h"
#include "platform/EncoderManager.h"

namespace reelcast {

// SDVideoCreate's settings: the output picture and how sources fit in it.
struct TVideoSourceParams {
  int32_t Width = 0;
  int32_t Height = 0;
  double FrameRate = 0;     // 0: the first source's rate
  int32_t ResizeMode = 0;   // 0 full screen, 1 keep original, 2 16:9, 3 4:3
  uint32_t Reserved20 = 0;  // encoder block bytes 40..43
  uint32_t PixelFormat = 0;
  uint32_t Reserved28 = 0;  // encoder block bytes 48..51
};

// SDAudioCreate's settings.
struct TAudioSourceParams {
  int32_t SampleRate = 0;
  int32_t Channels = 0;
  int32_t BitsPerSample = 0;
  int32_t Reserved = 0;
};

// One entry of the video source list.
struct TVideoSourceEntry {
  double OutputStart = 0;  // seconds on the output time line
  double OutputEnd = 0;
  double SourceStart = 0;  // seconds in the source
  double SourceEnd = 0;
  int32_t CropLeft = 0, CropTop = 0, CropRight = 0, CropBottom = 0;
  int32_t Brightness = 0, Contrast = 0, Saturation = 0;
  uint32_t Effect = 0;
  int32_t PictureValue = 0;  // passed through
  int32_t Reserved = 0;
  TVideoDecoderParams Stream;  // the subtitle stream to burn in
};

// One entry of the audio source list.
struct TAudioSourceEntry {
  double OutputStart = 0;
  double OutputEnd = 0;
  double SourceStart = 0;
  double SourceEnd = 0;
  int32_t Volume = 100;  // 0..200
  TAudioDecoderParams Stream;  // the audio track
};

struct TVideoSource;
struct TAudioSource;
struct TConverter;

TVideoSource* SDVideoCreate(const TVideoSourceParams& params);
TAudioSource* SDAudioCreate(const TAudioSourceParams& params);
// Appends an entry; the path is a DVD information file or a media file.
// 0 on success.
int SDAddVideoSource(TVideoSource* source, const std::string& path, const TVideoSourceEntry& entry);
int SDAddAudioSource(TAudioSource* source, const std::string& path, const TAudioSourceEntry& entry);
void SDVideoDestroy(TVideoSource* source);
void SDAudioDestroy(TAudioSource* source);

// A progress report of the converter.
struct TProgressReport {
  int32_t CurrentFrame = 0;  // video frames written
  int32_t Value2 = 0;        // the frame rate, rounded
  void* Image = nullptr;     // never set
  double Position = 0;       // seconds of output written
  double Speed = 0;          // seconds of output per second of work (pauses excluded)
};

// Callback kinds.
enum : int32_t {
  kConvertProgress = 0,   // report points to a TProgressReport
  kConvertFinished = 1,   // the file is complete
  kConvertFailed = 2,     // the conversion failed and no file was left; WELastError tells why
  kConvertPercent = 101,  // value is the percentage done
};

// Called on the converter's worker thread; the result is not used.
using TConvertCallback = int (*)(void* userData, int32_t kind, int32_t value,
                                 const TProgressReport* report);

// Creates a converter over the two lists (the lists stay owned by the
// caller and must outlive it). Either may be null.
TConverter* WECreate(TVideoSource* video, TAudioSource* audio);
// Stops a running conversion and frees the converter.
void WEDestroy(TConverter* converter);
int WESetOutputFile(TConverter* converter, const std::string& path);
// The 112-byte encoder block as it stands: bit rates, codecs, audio on or off.
int WESetEncodeParam(TConverter* converter, const TEncoderParams* params);
// Starts the conversion of the whole input (start and length 0) on a worker
// thread and returns at once: 0 when started, non-zero when the settings
// cannot be converted (WELastError tells why; no callback comes then).
int WEStart(TConverter* converter, double start, double length, int32_t flags,
            TConvertCallback callback, void* userData);
int WEPause(TConverter* converter);
// Waits until a paused conversion's worker has stopped at its next frame
// (at most timeout): true once it holds, so nothing more is converted or
// reported until WEResume or WEStop.
bool WEWaitHeld(TConverter* converter, std::chrono::milliseconds timeout);
int WEResume(TConverter* converter);
// Stops the conversion, waits for the worker thread and removes the partial
// output. No callback comes after it returns.
int WEStop(TConverter* converter);
std::string WELastError(TConverter* converter);

}  // namespace reelcast
