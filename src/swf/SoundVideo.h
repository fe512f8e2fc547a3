// Sound and video tags: event sounds (DefineSound, StartSound), streamed
// sound (SoundStreamHead, SoundStreamHead2, SoundStreamBlock) and embedded
// video (DefineVideoStream, VideoFrame). Media bytes are opaque here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "swf/SWFObject.h"

namespace reelcast {

class TSWFDefineSound : public TSWFDataObject {
 public:
  TSWFDefineSound() : TSWFDataObject(14) {}
  uint16_t SoundId = 0;
  uint8_t SoundFormat = 0;  // 4 bits: 0 raw, 1 ADPCM, 2 MP3, 3 raw LE, 6 Nellymoser
  uint8_t SoundRate = 0;    // 2 bits: 5.5, 11, 22, 44 kHz
  bool SoundSize = false;   // 16-bit samples
  bool SoundType = false;   // stereo
  uint32_t SampleCount = 0;
  uint16_t SeekSamples = 0;  // MP3 only

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&SoundId); }
  std::string Describe() const override;
};

class TSWFSoundEnvelope {
 public:
  uint32_t Pos44 = 0;
  uint16_t LeftLevel = 0, RightLevel = 0;
  void Assign(const TSWFSoundEnvelope& s) { *this = s; }
};

// StartSound, and the sound information record of DefineButtonSound.
class TSWFStartSound : public TSWFObject {
 public:
  TSWFStartSound() : TSWFObject(15) {}
  uint16_t SoundId = 0;
  bool SyncStop = false, SyncNoMultiple = false, HasEnvelope = false, HasLoops = false,
       HasOutPoint = false, HasInPoint = false;
  uint32_t InPoint() const { return FInPoint; }
  uint32_t OutPoint() const { return FOutPoint; }
  uint16_t LoopCount() const { return FLoopCount; }
  void SetInPoint(uint32_t v) { FInPoint = v; HasInPoint = v != 0; }
  void SetOutPoint(uint32_t v) { FOutPoint = v; HasOutPoint = v != 0; }
  void SetLoopCount(uint16_t v) { FLoopCount = v; HasLoops = v != 0; }
  std::vector<std::unique_ptr<TSWFSoundEnvelope>> Envelope;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&SoundId); }
  std::string Describe() const override;

 private:
  uint32_t FInPoint = 0, FOutPoint = 0;
  uint16_t FLoopCount = 0;
};

class TSWFSoundStreamHead : public TSWFObject {
 public:
  TSWFSoundStreamHead() : TSWFObject(18) {}
  uint8_t PlaybackSoundRate = 0;
  bool PlaybackSoundSize = false, PlaybackSoundType = false;
  uint8_t StreamSoundCompression = 0;
  uint8_t StreamSoundRate = 0;
  bool StreamSoundSize = false, StreamSoundType = false;
  uint16_t StreamSoundSampleCount = 0;
  uint16_t LatencySeek = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return StreamSoundCompression == 2 ? 4 : 1; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;

 protected:
  explicit TSWFSoundStreamHead(uint16_t code) : TSWFObject(code) {}
};

class TSWFSoundStreamHead2 : public TSWFSoundStreamHead {
 public:
  TSWFSoundStreamHead2() : TSWFSoundStreamHead(45) {}
  uint8_t MinVersion() const override {
    return StreamSoundCompression == 2 ? 4 : StreamSoundCompression == 6 ? 6 : 3;
  }
};

class TSWFSoundStreamBlock : public TSWFDataObject {
 public:
  TSWFSoundStreamBlock() : TSWFDataObject(19) {}
  uint8_t StreamSoundCompression = 0;  // set by the creator, not read
  uint16_t SampleCount = 0, SeekSamples = 0;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineVideoStream : public TSWFObject {
 public:
  TSWFDefineVideoStream() : TSWFObject(60) {}
  uint16_t CharacterId = 0;
  uint8_t CodecId = 2;  // 2 Sorenson H.263, 3 screen video
  uint16_t Height = 0, NumFrames = 0, Width = 0;
  uint8_t Deblocking = 0;
  bool Smoothing = false;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return CodecId == 3 ? 7 : 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  std::string Describe() const override;
};

class TSWFVideoFrame : public TSWFDataObject {
 public:
  TSWFVideoFrame() : TSWFDataObject(61) {}
  uint16_t StreamId = 0, FrameNum = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&StreamId); }
  std::string Describe() const override;
};

void RegisterSoundVideoTags(TSWFTagRegistry& registry);

}  // namespace reelcast
