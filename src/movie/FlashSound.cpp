#include "movie/FlashSound.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "media/ID3.h"
#include "media/MPEGAudio.h"
#include "movie/SoundReader.h"
#include "swf/SoundVideo.h"
#include "swf/Stream.h"

namespace reelcast {

namespace {

constexpr uint8_t kSWFUncompressed = 0, kSWFMP3 = 2, kSWFUncompressedLE = 3;

uint8_t SWFRateCode(uint32_t sampleRate) {
  switch (sampleRate / 5000) {
    case 1: return 0;
    case 2: return 1;
    case 3:
    case 4: return 2;
    case 8: return 3;
    default: return 0;
  }
}

bool IsSWFPCMRate(uint32_t rate) {
  return rate == 5512 || rate == 5513 || rate == 11025 || rate == 22050 || rate == 44100;
}

void WriteHeader(TBitsEngine& be, uint16_t code, uint32_t length) {
  be.FlushBits(true);
  WriteTagHeader(be.Stream(), code, length);
}

}  // namespace

TFlashSound::TFlashSound(TFlashMovie* owner, const std::string& fileName) : TFlashIDObject(owner) {
  std::error_code ec;
  if (!fileName.empty() && std::filesystem::is_regular_file(fileName, ec)) LoadFromFile(fileName);
}

TFlashSound::~TFlashSound() = default;

void TFlashSound::LoadFromFile(const std::string& fileName) {
  TWaveReader reader(fileName);
  auto refuse = [&](const std::string& reason) { throw ESoundError(fileName + ": " + reason); };
  uint8_t format = kSWFUncompressed;
  switch (reader.FormatTag) {
    case 0: break;  // not a sound file the import knows: no data
    case kWaveFormatPCM: format = kSWFUncompressed; break;
    case kWaveFormatMP3:
    case kWaveFormatBareMP3: format = kSWFMP3; break;
    default:
      refuse("WAVE format " + std::to_string(reader.FormatTag) +
             " cannot be streamed into a movie (PCM and MP3 can)");
  }
  if (reader.FormatTag == kWaveFormatPCM) {
    if (reader.Channels < 1 || reader.Channels > 2 || (reader.BitsPerSample != 8 && reader.BitsPerSample != 16))
      refuse(std::to_string(reader.BitsPerSample) + "-bit sound with " + std::to_string(reader.Channels) +
             " channels; a movie carries 8 or 16 bit, mono or stereo");
    if (!IsSWFPCMRate(reader.SampleRate))
      refuse(std::to_string(reader.SampleRate) +
             " Hz; uncompressed sound in a movie plays at 5512, 11025, 22050 or 44100 Hz");
  }

  // The new file replaces whatever was loaded before.
  stream_.reset();
  fileName_ = fileName;
  DataOffset = DataSize = ReadPosition = 0;
  framesEnd_ = mp3Frames_ = 0;
  blockAlign_ = 0;
  SoundFormat = format;
  SampleRate = reader.SampleRate;
  SoundRate = SWFRateCode(reader.SampleRate);
  SampleCount = reader.SampleCount;
  IsStereo = reader.Channels == 2;
  BitsPerSample = static_cast<uint8_t>(reader.BitsPerSample);
  Is16Bit = reader.BitsPerSample != 8;
  Duration = reader.Duration;
  SamplesPerMP3Frame = reader.SamplesPerMP3Frame;
  MP3FrameSize = reader.MP3FrameSize;
  MP3FrameCount = reader.MP3FrameCount;
  if (reader.FormatTag == 0) return;

  stream_ = std::make_unique<TFileStream>(fileName, TFileMode::OpenRead);
  if (format == kSWFMP3) {
    // Only whole frames are streamed: an ID3v2 tag before them, an ID3v1
    // tag or junk after them never reaches the movie.
    uint32_t begin = reader.DataOffset;
    if (reader.FormatTag == kWaveFormatBareMP3) {
      TID3v2 tag;
      if (tag.ReadFromFile(fileName)) begin = std::min(tag.TagSize, reader.DataSize);
    }
    TMP3FrameRun run = ScanMP3Frames(*stream_, begin, reader.DataOffset + reader.DataSize);
    if (!run.Found) return;
    DataOffset = run.First;
    DataSize = run.End - run.First;
    framesEnd_ = run.End;
    mp3Frames_ = run.FrameCount;
    SamplesPerMP3Frame = run.SamplesPerFrame;
    SampleRate = run.SampleRate;
    SoundRate = SWFRateCode(SampleRate);
    SampleCount = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(run.FrameCount) * run.SamplesPerFrame, UINT32_MAX));
    IsStereo = (run.Header[3] >> 6) != kMPEGChannelMono;
    Is16Bit = true;
  } else {
    blockAlign_ = static_cast<uint16_t>(static_cast<uint32_t>(reader.Channels) * reader.BitsPerSample / 8);
    DataOffset = reader.DataOffset;
    // A trailing partial sample frame would shift every loop after it.
    DataSize = reader.DataSize - reader.DataSize % blockAlign_;
    SampleCount = DataSize / blockAlign_;
  }
  ReadPosition = DataOffset;
  stream_->SetPosition(DataOffset);
}

bool TFlashSound::HasData() const {
  if (!stream_ || DataSize == 0) return false;
  return SoundFormat == kSWFMP3 ? mp3Frames_ > 0 : SoundFormat == kSWFUncompressed && blockAlign_ > 0;
}

uint8_t TFlashSound::MinVersion() const {
  switch (SoundFormat) {
    case kSWFMP3:
    case kSWFUncompressedLE: return 4;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
  }
}

uint64_t TFlashSound::SamplesUpToBlock(uint64_t n) const {
  return fps256_ ? n * SampleRate * 256 / fps256_ : 0;
}

void TFlashSound::FillStreamHead(TSWFSoundStreamHead& head, float fps) {
  head.StreamSoundCompression = SoundFormat == kSWFUncompressed ? kSWFUncompressedLE : SoundFormat;
  head.StreamSoundRate = SoundRate;
  head.StreamSoundSize = Is16Bit;
  head.StreamSoundType = IsStereo;
  head.PlaybackSoundRate = head.StreamSoundRate;
  head.PlaybackSoundSize = head.StreamSoundSize;
  head.PlaybackSoundType = head.StreamSoundType;
  SamplesPerFrame = fps > 0 ? static_cast<uint16_t>(std::min<double>(std::trunc(SampleRate / fps), UINT16_MAX)) : 0;
  head.StreamSoundSampleCount = SamplesPerFrame;
  if (SoundFormat == kSWFMP3) head.LatencySeek = 0;
  fps256_ = fps > 0 ? static_cast<uint32_t>(std::lround(fps * 256.0)) : 0;
  ReadPosition = DataOffset;
  if (stream_) stream_->SetPosition(DataOffset);
  SamplesWritten = 0;
  FramesWritten = 0;
  SeekCarry = 0;
  BlocksWritten = 0;
  ended_ = false;
}

void TFlashSound::WriteStreamBlock(TBitsEngine& be) {
  if (!HasData() || ended_ || fps256_ == 0) return;
  if (SoundFormat == kSWFMP3) {
    WriteMP3Block(be);
  } else if (SoundFormat == kSWFUncompressed) {
    WritePCMBlock(be);
  }
}

void TFlashSound::WritePCMBlock(TBitsEngine& be) {
  const uint32_t dataEnd = DataOffset + DataSize;
  ++BlocksWritten;
  const uint64_t samples = SamplesUpToBlock(BlocksWritten) - SamplesWritten;
  const uint64_t bytes = samples * blockAlign_;
  WriteHeader(be, 19, static_cast<uint32_t>(bytes));
  uint64_t left = bytes;
  while (left > 0) {
    if (ReadPosition >= dataEnd) {
      if (!Loop) break;
      ReadPosition = DataOffset;
    }
    const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(left, dataEnd - ReadPosition));
    stream_->SetPosition(ReadPosition);
    be.Stream().CopyFrom(*stream_, take);
    ReadPosition += take;
    left -= take;
  }
  if (left > 0) {
    // The end of a sound without Loop: the block is completed with silence
    // (unsigned 8-bit samples are silent at 0x80).
    std::vector<uint8_t> silence(static_cast<size_t>(left), Is16Bit ? 0x00 : 0x80);
    be.Stream().WriteBuffer(silence.data(), silence.size());
    ended_ = true;
  } else if (!Loop && ReadPosition >= dataEnd) {
    ended_ = true;
  }
  if (Loop && ReadPosition >= dataEnd) ReadPosition = DataOffset;
  SamplesWritten += samples;
}

bool TFlashSound::TakeMP3Frame() {
  if (ReadPosition >= framesEnd_ || framesEnd_ - ReadPosition < 4) return false;
  uint8_t header[4];
  stream_->SetPosition(ReadPosition);
  if (stream_->Read(header, 4) != 4 || !TMPEGaudio::IsFrameHeader(header)) return false;
  const uint16_t length = MPEGFrameLength(header);
  if (length < 4 || length > framesEnd_ - ReadPosition) return false;
  if (!block_.empty() && block_.back().first + block_.back().second == ReadPosition)
    block_.back().second += length;
  else
    block_.emplace_back(ReadPosition, length);
  blockBytes_ += length;
  ReadPosition += length;
  return true;
}

void TFlashSound::WriteMP3Block(TBitsEngine& be) {
  ++BlocksWritten;
  // Samples that the movie has played by the start and by the end of this
  // frame; the block takes as many whole MPEG frames as fit before the end.
  const uint64_t before = SamplesUpToBlock(BlocksWritten - 1);
  const uint64_t after = SamplesUpToBlock(BlocksWritten);
  const uint64_t owed = before > SamplesWritten ? before - SamplesWritten : 0;
  const uint64_t wanted = after > SamplesWritten ? (after - SamplesWritten) / SamplesPerMP3Frame : 0;
  block_.clear();
  blockBytes_ = 0;
  uint64_t frames = 0;
  bool wrapped = false;
  while (frames < wanted) {
    if (TakeMP3Frame()) {
      ++frames;
      if (++FramesWritten >= mp3Frames_ && Loop) {
        ReadPosition = DataOffset;
        FramesWritten = 0;
      }
      wrapped = false;
      continue;
    }
    // The frames ran out (or a header no longer reads as one).
    if (!Loop || wrapped) {
      ended_ = !Loop;
      break;
    }
    ReadPosition = DataOffset;
    FramesWritten = 0;
    wrapped = true;
  }
  if (frames == 0) {
    if (ended_) return;
    // Nothing due in this frame: an empty block keeps the stream going.
    WriteHeader(be, 19, 4);
    be.WriteWord(0);
    be.WriteWord(0);
    SeekCarry = 0;
    return;
  }
  const uint32_t sampleCount = static_cast<uint32_t>(frames * SamplesPerMP3Frame);
  SeekCarry = static_cast<uint16_t>(owed);
  be.FlushBits(true);
  be.WriteWord(static_cast<uint16_t>(19 << 6 | 63));
  be.WriteDWord(static_cast<uint32_t>(blockBytes_ + 4));
  be.WriteWord(static_cast<uint16_t>(std::min<uint32_t>(sampleCount, UINT16_MAX)));
  be.WriteWord(SeekCarry);
  // The frames go from the file into the movie body (which may keep them
  // there) without a copy of the block in memory.
  for (const auto& [offset, length] : block_) {
    stream_->SetPosition(offset);
    be.Stream().CopyFrom(*stream_, length);
  }
  SamplesWritten += sampleCount;
}

void TFlashSound::WriteToStream(TBitsEngine& be) {
  if (!HasData()) return;
  const bool mp3 = SoundFormat == kSWFMP3;
  const uint32_t body = 2 + 1 + 4 + (mp3 ? 2 : 0) + DataSize;
  be.FlushBits(true);
  be.WriteWord(static_cast<uint16_t>(14 << 6 | 63));
  be.WriteDWord(body);
  be.WriteWord(CharacterId);
  const uint8_t format = mp3 ? kSWFMP3 : kSWFUncompressedLE;
  be.WriteByte(static_cast<uint8_t>(format << 4 | SoundRate << 2 | (Is16Bit ? 2 : 0) | (IsStereo ? 1 : 0)));
  be.WriteDWord(SampleCount);
  if (mp3) be.WriteWord(0);
  stream_->SetPosition(DataOffset);
  be.Stream().CopyFrom(*stream_, DataSize);
  stream_->SetPosition(ReadPosition);
}

}  // namespace reelcast
