// TFLVData indexes an FLV file in one walk over its tag headers: where each
// video and audio payload lies, the video's codec and picture size, the
// sound format, the onMetaData values, the frame count and the frame rate.
// Payloads are never loaded; the file stays open while the object lives and
// consumers copy payload bytes straight out of it (CopyPayload).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/FLVMetaData.h"
#include "swf/BitsEngine.h"
#include "swf/SWFObject.h"
#include "swf/Stream.h"

namespace reelcast {

// FLV tag types.
enum : uint8_t { kFLVTagAudio = 8, kFLVTagVideo = 9, kFLVTagScript = 18 };

// FLV video codec ids.
enum : uint8_t {
  kFLVCodecH263 = 2,
  kFLVCodecScreen = 3,
  kFLVCodecVP6 = 4,
  kFLVCodecVP6Alpha = 5,
  kFLVCodecScreen2 = 6,
};

// FLV sound formats that can be embedded.
enum : uint8_t { kFLVSoundMP3 = 2, kFLVSoundNellymoser = 6 };

// Where one tag's payload lies in the file. The index holds one per tag
// (about 60 a second of movie), so it is a plain 16-byte record held by
// value.
struct TVFrame {
  uint64_t Position = 0;  // file offset of the first payload byte
  uint32_t Size = 0;      // payload bytes (after the flags byte), never past the file's end
  int32_t VideoIndex = 0; // audio: video tags read before this one
};

// The first audio tag's flags byte and, for MP3, its first frame header.
class TSHeader : public TBasedSWFObject {
 public:
  int ObjectKind() const override { return 2; }
  uint8_t SoundFormat() const { return Flags >> 4; }
  uint8_t SoundRate() const { return (Flags >> 2) & 3; }  // 0 5.5 kHz .. 3 44 kHz
  bool Is16Bit() const { return (Flags & 2) != 0; }
  bool IsStereo() const { return (Flags & 1) != 0; }
  uint8_t Flags = 0;
  uint32_t MP3FrameHeader = 0;  // big-endian, as in the file
};

class TFLVData : public TBasedSWFObject {
 public:
  // Opens fileName read-only and indexes it; an empty name opens nothing and
  // every count is 0. A file that cannot be opened throws EFOpenError.
  explicit TFLVData(const std::string& fileName);
  // Indexes a stream that the caller keeps alive (not owned).
  explicit TFLVData(TStream& stream);
  ~TFLVData() override;
  TFLVData(const TFLVData&) = delete;
  TFLVData& operator=(const TFLVData&) = delete;

  int ObjectKind() const override { return 2; }

  const std::string& FileName() const { return fileName_; }
  // True when the file starts with the FLV signature and version 1.
  bool IsFLV() const { return isFLV_; }
  TStream* Stream() const { return stream_; }

  // Video tags in file order.
  uint32_t FrameCount() const { return static_cast<uint32_t>(videoFrames_.size()); }
  const TVFrame* VideoFrame(size_t index) const;  // null outside the index
  // Audio tags of a supported format; index wraps modulo the count.
  uint32_t AudioFrameCount() const { return static_cast<uint32_t>(audioFrames_.size()); }
  const TVFrame* AudioFrame(size_t index) const;  // null when there is no audio
  // True when the file had an audio tag, even of a format that is not indexed.
  bool HasAudio() const { return hasAudio_; }
  // The first audio tag's header (empty when the file has no audio).
  const TSHeader& SoundHeader() const { return soundHeader_; }
  // The last onMetaData tag read, or null.
  const TFLVonMetaData* MetaData() const { return metaData_.get(); }

  uint8_t VideoCodec() const { return videoCodec_; }
  uint8_t FrameType() const { return frameType_; }
  uint16_t Width() const { return width_; }
  uint16_t Height() const { return height_; }
  // Frames per second as 8.8 fixed point; 0 without video tags (also for a
  // file that is not an FLV), 0x000B (the historic "unknown") when the video
  // has no time span.
  uint16_t FrameRate() const { return frameRate_; }
  bool HasVideoFlag() const { return hasVideoFlag_; }
  bool HasAudioFlag() const { return hasAudioFlag_; }
  // Video tag timestamps (ms, with the extended byte) of the first and last
  // video tags; 0 without video.
  uint32_t FirstTimestamp() const { return firstTimestamp_; }
  uint32_t LastTimestamp() const { return lastTimestamp_; }
  // A file that ends inside a tag (its header, data or back-pointer): the
  // byte offset where that tag starts; -1 when the file ends after a whole
  // tag.
  int64_t CutTagStart() const { return cutTagStart_; }
  int64_t FileSize() const { return fileSize_; }

  // Copies a frame's payload, less its first skip bytes, into dest, straight
  // from the file. Returns the bytes copied.
  uint32_t CopyPayload(const TVFrame& frame, TStream& dest, uint32_t skip = 0) const;

 private:
  void ScanTags();
  void ParseVideoHeader(TBitsEngine& be);
  void AddVideoFrame(int64_t dataStart, uint32_t dataSize, int64_t fileSize);

  std::string fileName_;
  std::unique_ptr<TStream> ownedStream_;
  TStream* stream_ = nullptr;
  std::vector<TVFrame> videoFrames_;
  std::vector<TVFrame> audioFrames_;
  TSHeader soundHeader_;
  bool hasAudio_ = false;
  std::unique_ptr<TFLVonMetaData> metaData_;
  uint8_t videoCodec_ = 0;
  uint8_t frameType_ = 0;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  uint16_t frameRate_ = 0;
  bool isFLV_ = false;
  bool hasVideoFlag_ = false;
  bool hasAudioFlag_ = false;
  uint32_t firstTimestamp_ = 0;
  uint32_t lastTimestamp_ = 0;
  int64_t cutTagStart_ = -1;
  int64_t fileSize_ = 0;
};

// The frame rate TFLVData derives from a video's tag count and the time
// span of its timestamps (8.8 fixed point; 0 without tags, 0x000B without
// a span).
uint16_t EstimateFLVFrameRate(uint32_t videoTags, uint32_t firstTimestamp, uint32_t lastTimestamp);

}  // namespace reelcast
