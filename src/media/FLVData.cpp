#include "media/FLVData.h"

#include <algorithm>

#include "swf/Records.h"

namespace reelcast {

uint16_t EstimateFLVFrameRate(uint32_t videoTags, uint32_t firstTimestamp, uint32_t lastTimestamp) {
  // Frames per second from the real spacing of the timestamps: n tags span
  // n - 1 frame intervals. The rate is kept as exact as 8.8 fixed point
  // allows, because embedded sound is cut into blocks by it and any error
  // adds up over the length of the movie.
  if (videoTags == 0) return 0;
  if (videoTags < 2 || lastTimestamp <= firstTimestamp) return 0x000B;
  double fps = (videoTags - 1) * 1000.0 / (lastTimestamp - firstTimestamp);
  // Never 0 for a video with frames: callers divide by the rate.
  return std::max<uint16_t>(SingleToFixed8(static_cast<float>(std::min(fps, 255.0))), 1);
}

TFLVData::TFLVData(const std::string& fileName) : fileName_(fileName) {
  if (fileName.empty()) return;
  ownedStream_ = std::make_unique<TFileStream>(fileName, TFileMode::OpenRead);
  stream_ = ownedStream_.get();
  ScanTags();
}

TFLVData::TFLVData(TStream& stream) : stream_(&stream) { ScanTags(); }

TFLVData::~TFLVData() = default;

const TVFrame* TFLVData::VideoFrame(size_t index) const {
  return index < videoFrames_.size() ? &videoFrames_[index] : nullptr;
}

const TVFrame* TFLVData::AudioFrame(size_t index) const {
  if (audioFrames_.empty()) return nullptr;
  return &audioFrames_[index % audioFrames_.size()];
}

uint32_t TFLVData::CopyPayload(const TVFrame& frame, TStream& dest, uint32_t skip) const {
  if (!stream_ || skip >= frame.Size) return 0;
  int64_t start = static_cast<int64_t>(frame.Position) + skip;
  int64_t count = std::min<int64_t>(frame.Size - skip, stream_->Size() - start);
  if (count <= 0) return 0;
  stream_->SetPosition(start);
  // A memory body reads it straight into its buffer; a movie body keeps a
  // reference to the file's bytes.
  dest.CopyFrom(*stream_, count);
  return static_cast<uint32_t>(count);
}

void TFLVData::AddVideoFrame(int64_t dataStart, uint32_t dataSize, int64_t fileSize) {
  TVFrame frame;
  // A tag cut inside its header points at the end of the file, with size 0.
  frame.Position = static_cast<uint64_t>(std::min(dataStart + 1, fileSize));
  int64_t size = static_cast<int64_t>(dataSize) - 1;
  // A recording cut short keeps what is there of its last frame.
  size = std::min(size, fileSize - (dataStart + 1));
  frame.Size = static_cast<uint32_t>(std::max<int64_t>(size, 0));
  videoFrames_.push_back(frame);
}

void TFLVData::ParseVideoHeader(TBitsEngine& be) {
  uint8_t flags = be.ReadByte();
  videoCodec_ = flags & 0x0F;
  frameType_ = flags >> 4;
  switch (videoCodec_) {
    case kFLVCodecH263: {
      // Picture header: 17-bit start code, 5-bit version, 8-bit temporal
      // reference, then the 3-bit size code.
      be.Stream().Seek(2, TSeekOrigin::Current);
      uint32_t pictureSize = be.ReadBits(17) & 7;
      switch (pictureSize) {
        case 0:
          width_ = static_cast<uint16_t>(be.ReadBits(8));
          height_ = static_cast<uint16_t>(be.ReadBits(8));
          break;
        case 1:
          width_ = static_cast<uint16_t>(be.ReadBits(16));
          height_ = static_cast<uint16_t>(be.ReadBits(16));
          break;
        case 2: width_ = 352; height_ = 288; break;
        case 3: width_ = 176; height_ = 144; break;
        case 4: width_ = 128; height_ = 96; break;
        case 5: width_ = 320; height_ = 240; break;
        case 6: width_ = 160; height_ = 120; break;
        default: break;  // 7: unchanged
      }
      break;
    }
    case kFLVCodecScreen:
      // 4 bits of block size above 12 bits of size, for each dimension.
      width_ = static_cast<uint16_t>(be.ReadBits(16) & 0x0FFF);
      height_ = static_cast<uint16_t>(be.ReadBits(16) & 0x0FFF);
      break;
    case kFLVCodecVP6:
      if (metaData_) {
        auto clamp = [](int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535)); };
        if (const auto* w = metaData_->FindProperty(fmpWidth)) width_ = clamp(w->GetValue());
        if (const auto* h = metaData_->FindProperty(fmpHeight)) height_ = clamp(h->GetValue());
      } else {
        // Adjustment byte and two header bytes, then the key frame's
        // macroblock rows and columns.
        be.Stream().Seek(3, TSeekOrigin::Current);
        height_ = static_cast<uint16_t>(be.ReadByte() * 16);
        width_ = static_cast<uint16_t>(be.ReadByte() * 16);
      }
      break;
    default: break;
  }
  be.FlushBits(false);
}

void TFLVData::ScanTags() {
  TStream& s = *stream_;
  TBitsEngine be(s);
  const int64_t fileSize = s.Size();
  fileSize_ = fileSize;
  uint32_t videoCount = 0;
  int64_t position = 0;
  bool audioRejected = false;
  try {
    s.SetPosition(0);
    char signature[3];
    if (s.Read(signature, 3) != 3 || signature[0] != 'F' || signature[1] != 'L' ||
        signature[2] != 'V')
      return;
    if (be.ReadByte() != 1) return;
    isFLV_ = true;
    uint8_t flags = be.ReadByte();
    hasVideoFlag_ = (flags & 1) != 0;
    hasAudioFlag_ = (flags & 4) != 0;
    uint32_t headerSize = be.ReadBits(32);
    position = std::max<int64_t>(headerSize, 9) + 4;  // past PreviousTagSize0
    // Every tag is 11 header bytes, its data and a 4-byte back-pointer. The
    // header and the first data bytes come in one read: an index of a long
    // file costs one seek and one small read per tag.
    while (fileSize - position >= 11) {
      uint8_t h[16];
      s.SetPosition(position);
      size_t got = s.Read(h, sizeof h);
      if (got < 11) break;
      uint8_t type = h[0];
      uint32_t dataSize = static_cast<uint32_t>(h[1]) << 16 | h[2] << 8 | h[3];
      uint32_t timestamp = static_cast<uint32_t>(h[7]) << 24 | h[4] << 16 | h[5] << 8 | h[6];
      const int64_t dataStart = position + 11;
      if (dataStart + dataSize + 4 > fileSize) cutTagStart_ = position;
      switch (type) {
        case kFLVTagAudio:
          if (audioRejected || dataSize == 0) break;
          if (!hasAudio_) {
            if (got < 12) throw EReadError("audio tag cut short");
            hasAudio_ = true;
            soundHeader_.Flags = h[11];
            if (soundHeader_.SoundFormat() == kFLVSoundMP3 && got >= 16)
              soundHeader_.MP3FrameHeader = static_cast<uint32_t>(h[12]) << 24 | h[13] << 16 | h[14] << 8 | h[15];
            uint8_t format = soundHeader_.SoundFormat();
            if (format != kFLVSoundMP3 && format != kFLVSoundNellymoser) audioRejected = true;
          }
          if (!audioRejected) {
            TVFrame frame;
            frame.Position = static_cast<uint64_t>(std::min(dataStart + 1, fileSize));
            int64_t size = std::min<int64_t>(dataSize - 1, fileSize - (dataStart + 1));
            frame.Size = static_cast<uint32_t>(std::max<int64_t>(size, 0));
            frame.VideoIndex = static_cast<int32_t>(videoCount);
            audioFrames_.push_back(frame);
          }
          break;
        case kFLVTagVideo: {
          if (videoCount % 256 == 0 && dataSize > 0) {
            s.SetPosition(dataStart);
            try {
              ParseVideoHeader(be);
            } catch (const EStreamError&) {
              be.FlushBits(false);  // a header cut short leaves the size as it was
            }
          }
          AddVideoFrame(dataStart, dataSize, fileSize);
          if (videoCount == 0) firstTimestamp_ = timestamp;
          lastTimestamp_ = timestamp;
          ++videoCount;
          break;
        }
        case kFLVTagScript: {
          // The values are read from a copy of the tag's data, so that no
          // value can reach into the tags after it.
          std::string body(static_cast<size_t>(std::clamp<int64_t>(fileSize - dataStart, 0, dataSize)), '\0');
          s.SetPosition(dataStart);
          s.ReadBuffer(body.data(), body.size());
          TMemoryViewStream view(reinterpret_cast<const uint8_t*>(body.data()), body.size());
          TBitsEngine scriptEngine(view);
          auto meta = std::make_unique<TFLVonMetaData>();
          meta->DataSize = dataSize;
          meta->ReadValue(scriptEngine);
          metaData_ = std::move(meta);
          break;
        }
        default: break;
      }
      position = dataStart + dataSize + 4;
    }
  } catch (const EStreamError&) {
    // A file cut inside a tag header ends the index there.
  }
  if (isFLV_ && cutTagStart_ < 0 && position < fileSize) cutTagStart_ = position;
  // The index lives as long as the movie that is built from it.
  videoFrames_.shrink_to_fit();
  audioFrames_.shrink_to_fit();
  frameRate_ = EstimateFLVFrameRate(videoCount, firstTimestamp_, lastTimestamp_);
}

}  // namespace reelcast
