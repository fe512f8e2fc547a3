// Embedding an FLV file: TFlashVideo is the video character (a
// DefineVideoStream over the FLV's index), TFlashPlaceVideo places it and,
// frame by frame while the movie is written, copies the FLV's video payloads
// (and, when enabled, its MP3 or Nellymoser audio as the placement's stream
// sound) straight from the file into the movie body.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/FLVData.h"
#include "movie/FlashObject.h"
#include "movie/FlashPlaceObject.h"

namespace reelcast {

class TFlashVideo : public TFlashVisualObject {
 public:
  // Indexes the FLV at once; a file that cannot be opened throws.
  TFlashVideo(TFlashMovie* owner, const std::string& fileName);

  TFLVData& FLV() const { return *flv_; }
  // 2 (H.263) 6, 3 (screen) 7, VP6 and screen 2 8, anything else 9.
  uint8_t MinVersion() const override;
  // The DefineVideoStream tag.
  void WriteToStream(TBitsEngine& be) override;
  // A VideoFrame tag for FLV frame index, its data copied from the file.
  void WriteVideoFrame(TBitsEngine& be, uint32_t index);

 private:
  std::unique_ptr<TFLVData> flv_;
};

struct TVideoFrameInfo {
  uint16_t RelativeFrame = 0;  // movie frame - StartFrame
  uint16_t CharacterId = 0;
  uint16_t Depth = 0;
  uint16_t VideoFrameIndex = 0;
};

class TFlashPlaceVideo : public TFlashPlaceObject {
 public:
  using TWriteFrameEvent = std::function<void(TFlashPlaceVideo& sender, TBitsEngine& be, TVideoFrameInfo& info)>;
  using TBeforePlaceEvent = std::function<void(TFlashPlaceVideo& sender, TBitsEngine& be,
                                               TVideoFrameInfo& info, TFlashPlaceObject& place)>;

  TFlashPlaceVideo(TFlashMovie* owner, TFlashVideo* video, uint16_t depth);

  TFlashVideo* Video() const { return video_; }
  // Sound on (when the FLV has audio) turns it off on every other placement
  // and drops the movie's own stream sound.
  void SetEnableSound(bool enable);
  bool EnableSound() const { return enableSound_; }
  // Writes what belongs to movie frame frameNumber (0 for the first) before
  // its ShowFrame: [SoundStreamHead] [SoundStreamBlock] VideoFrame PlaceObject2.
  void WriteFrame(TBitsEngine& be, uint32_t frameNumber);

  void Assign(const TBasedSWFObject& source) override;
  // Placements of videos are written frame by frame, never as one object.
  void WriteToStream(TBitsEngine& be) override {}

  bool Loop = true;
  uint16_t StartFrame = 0;
  TWriteFrameEvent OnWriteFrame;
  TBeforePlaceEvent OnBeforePlace;
  uint32_t AudioCursor = 0;
  uint32_t SampleRate = 0;
  uint32_t SamplesPerFrame = 0;
  uint32_t SamplesPerMP3Frame = 0;
  uint16_t SeekCarry = 0;

 private:
  void WriteSoundHead(TBitsEngine& be);
  void WriteMP3Block(TBitsEngine& be, const TVideoFrameInfo& info);
  void WriteNellymoserBlock(TBitsEngine& be, const TVideoFrameInfo& info);

  TFlashVideo* video_;
  bool enableSound_ = false;
};

}  // namespace reelcast
