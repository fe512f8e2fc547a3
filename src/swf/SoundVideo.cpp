#include "swf/SoundVideo.h"

namespace reelcast {

namespace {

uint32_t Rest(TBitsEngine& be, int64_t start, int32_t bodySize) {
  const int64_t rest = bodySize - (be.Stream().Position() - start);
  return rest > 0 ? static_cast<uint32_t>(rest) : 0u;
}

}  // namespace

// ---------------------------------------------------------------- DefineSound

void TSWFDefineSound::Assign(const TBasedSWFObject& source) {
  TSWFDataObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineSound*>(&source)) {
    SoundId = s->SoundId;
    SoundFormat = s->SoundFormat;
    SoundRate = s->SoundRate;
    SoundSize = s->SoundSize;
    SoundType = s->SoundType;
    SampleCount = s->SampleCount;
    SeekSamples = s->SeekSamples;
  }
}

uint8_t TSWFDefineSound::MinVersion() const {
  if (SoundFormat == 2 || SoundFormat == 3) return 4;
  if (SoundFormat == 6) return 6;
  return 1;
}

void TSWFDefineSound::ReadFromStream(TBitsEngine& be) {
  const int64_t start = be.Stream().Position();
  SoundId = be.ReadWord();
  const uint8_t f = be.ReadByte();
  SoundFormat = f >> 4;
  SoundRate = (f >> 2) & 3;
  SoundSize = f & 2;
  SoundType = f & 1;
  SampleCount = be.ReadDWord();
  if (SoundFormat == 2) SeekSamples = be.ReadWord();
  ReadData(be, Rest(be, start, BodySize));
}

void TSWFDefineSound::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SoundId);
  be.WriteBits(static_cast<uint32_t>(SoundFormat & 15), 4);
  be.WriteBits(static_cast<uint32_t>(SoundRate & 3), 2);
  be.WriteBit(SoundSize);
  be.WriteBit(SoundType);
  be.WriteDWord(SampleCount);
  if (SoundFormat == 2) be.WriteWord(SeekSamples);
  WriteData(be);
}

std::string TSWFDefineSound::Describe() const {
  static const char* rates[] = {"5.5", "11", "22", "44"};
  return "id " + std::to_string(SoundId) + " format " + std::to_string(SoundFormat) + " " +
         rates[SoundRate & 3] + " kHz " + (SoundSize ? "16" : "8") + "-bit " +
         (SoundType ? "stereo" : "mono") + " samples " + std::to_string(SampleCount) + " data " +
         std::to_string(DataSize()) + " bytes";
}

// ----------------------------------------------------------------- StartSound

void TSWFStartSound::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFStartSound*>(&source);
  if (!s) return;
  SoundId = s->SoundId;
  SyncStop = s->SyncStop;
  SyncNoMultiple = s->SyncNoMultiple;
  HasEnvelope = s->HasEnvelope;
  HasLoops = s->HasLoops;
  HasOutPoint = s->HasOutPoint;
  HasInPoint = s->HasInPoint;
  FInPoint = s->FInPoint;
  FOutPoint = s->FOutPoint;
  FLoopCount = s->FLoopCount;
  Envelope.clear();
  if (HasEnvelope)
    for (const auto& e : s->Envelope) Envelope.push_back(std::make_unique<TSWFSoundEnvelope>(*e));
}

void TSWFStartSound::ReadFromStream(TBitsEngine& be) {
  SoundId = be.ReadWord();
  const uint8_t f = be.ReadByte();
  SyncStop = f & 0x20;
  SyncNoMultiple = f & 0x10;
  HasEnvelope = f & 0x08;
  const bool loops = f & 0x04, out = f & 0x02, in = f & 0x01;
  if (in) SetInPoint(be.ReadDWord());
  if (out) SetOutPoint(be.ReadDWord());
  if (loops) SetLoopCount(be.ReadWord());
  if (HasEnvelope) {
    const uint8_t n = be.ReadByte();
    for (uint8_t i = 0; i < n; ++i) {
      auto e = std::make_unique<TSWFSoundEnvelope>();
      e->Pos44 = be.ReadDWord();
      e->LeftLevel = be.ReadWord();
      e->RightLevel = be.ReadWord();
      Envelope.push_back(std::move(e));
    }
  }
}

void TSWFStartSound::WriteTagBody(TBitsEngine& be) {
  HasEnvelope = HasEnvelope && !Envelope.empty();
  be.WriteWord(SoundId);
  be.WriteBits(0u, 2);
  be.WriteBit(SyncStop);
  be.WriteBit(SyncNoMultiple);
  be.WriteBit(HasEnvelope);
  be.WriteBit(HasLoops);
  be.WriteBit(HasOutPoint);
  be.WriteBit(HasInPoint);
  if (HasInPoint) be.WriteDWord(FInPoint);
  if (HasOutPoint) be.WriteDWord(FOutPoint);
  if (HasLoops) be.WriteWord(FLoopCount);
  if (HasEnvelope) {
    const size_t n = std::min<size_t>(Envelope.size(), 255);
    be.WriteByte(static_cast<uint8_t>(n));
    for (size_t i = 0; i < n; ++i) {
      be.WriteDWord(Envelope[i]->Pos44);
      be.WriteWord(Envelope[i]->LeftLevel);
      be.WriteWord(Envelope[i]->RightLevel);
    }
  }
}

std::string TSWFStartSound::Describe() const {
  std::string s = "sound " + std::to_string(SoundId);
  if (SyncStop) s += " stop";
  if (SyncNoMultiple) s += " no-multiple";
  if (HasInPoint) s += " in " + std::to_string(FInPoint);
  if (HasOutPoint) s += " out " + std::to_string(FOutPoint);
  if (HasLoops) s += " loops " + std::to_string(FLoopCount);
  if (HasEnvelope) s += " envelope " + std::to_string(Envelope.size());
  return s;
}

// ------------------------------------------------------------ SoundStreamHead

void TSWFSoundStreamHead::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFSoundStreamHead*>(&source)) {
    PlaybackSoundRate = s->PlaybackSoundRate;
    PlaybackSoundSize = s->PlaybackSoundSize;
    PlaybackSoundType = s->PlaybackSoundType;
    StreamSoundCompression = s->StreamSoundCompression;
    StreamSoundRate = s->StreamSoundRate;
    StreamSoundSize = s->StreamSoundSize;
    StreamSoundType = s->StreamSoundType;
    StreamSoundSampleCount = s->StreamSoundSampleCount;
    LatencySeek = s->LatencySeek;
  }
}

void TSWFSoundStreamHead::ReadFromStream(TBitsEngine& be) {
  uint8_t b = be.ReadByte();
  PlaybackSoundRate = b >> 2;
  PlaybackSoundSize = b & 2;
  PlaybackSoundType = b & 1;
  b = be.ReadByte();
  StreamSoundCompression = b >> 4;
  StreamSoundRate = (b >> 2) & 3;
  StreamSoundSize = b & 2;
  StreamSoundType = b & 1;
  StreamSoundSampleCount = be.ReadWord();
  if (StreamSoundCompression == 2 && BodySize > 4) LatencySeek = be.ReadWord();
}

void TSWFSoundStreamHead::WriteTagBody(TBitsEngine& be) {
  be.WriteBits(0u, 4);
  be.WriteBits(static_cast<uint32_t>(PlaybackSoundRate & 3), 2);
  be.WriteBit(PlaybackSoundSize);
  be.WriteBit(PlaybackSoundType);
  be.WriteBits(static_cast<uint32_t>(StreamSoundCompression & 15), 4);
  be.WriteBits(static_cast<uint32_t>(StreamSoundRate & 3), 2);
  be.WriteBit(StreamSoundSize);
  be.WriteBit(StreamSoundType);
  be.WriteWord(StreamSoundSampleCount);
  if (StreamSoundCompression == 2) be.WriteWord(LatencySeek);
}

std::string TSWFSoundStreamHead::Describe() const {
  return "format " + std::to_string(StreamSoundCompression) + " rate " +
         std::to_string(StreamSoundRate) + (StreamSoundSize ? " 16-bit" : " 8-bit") +
         (StreamSoundType ? " stereo" : " mono") + " samples/frame " +
         std::to_string(StreamSoundSampleCount) +
         (StreamSoundCompression == 2 ? " latency " + std::to_string(LatencySeek) : "");
}

// ----------------------------------------------------------- SoundStreamBlock

void TSWFSoundStreamBlock::Assign(const TBasedSWFObject& source) {
  TSWFDataObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFSoundStreamBlock*>(&source)) {
    StreamSoundCompression = s->StreamSoundCompression;
    SampleCount = s->SampleCount;
    SeekSamples = s->SeekSamples;
  }
}

void TSWFSoundStreamBlock::ReadFromStream(TBitsEngine& be) {
  int64_t size = BodySize;
  if (StreamSoundCompression == 2) {
    SampleCount = be.ReadWord();
    SeekSamples = be.ReadWord();
    size -= 4;
  }
  ReadData(be, size > 0 ? static_cast<uint32_t>(size) : 0u);
}

void TSWFSoundStreamBlock::WriteTagBody(TBitsEngine& be) {
  if (StreamSoundCompression == 2) {
    be.WriteWord(SampleCount);
    be.WriteWord(SeekSamples);
  }
  WriteData(be);
}

std::string TSWFSoundStreamBlock::Describe() const {
  std::string s = "data " + std::to_string(DataSize()) + " bytes";
  if (StreamSoundCompression == 2)
    s = "samples " + std::to_string(SampleCount) + " seek " + std::to_string(SeekSamples) + " " + s;
  return s;
}

// ---------------------------------------------------------- DefineVideoStream

void TSWFDefineVideoStream::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineVideoStream*>(&source)) {
    CharacterId = s->CharacterId;
    CodecId = s->CodecId;
    Height = s->Height;
    NumFrames = s->NumFrames;
    Deblocking = s->Deblocking;
    Smoothing = s->Smoothing;
    Width = s->Width;
  }
}

void TSWFDefineVideoStream::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  NumFrames = be.ReadWord();
  Width = be.ReadWord();
  Height = be.ReadWord();
  const uint8_t f = be.ReadByte();
  Deblocking = (f >> 1) & 7;
  Smoothing = f & 1;
  CodecId = be.ReadByte();
}

void TSWFDefineVideoStream::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteWord(NumFrames);
  be.WriteWord(Width);
  be.WriteWord(Height);
  be.WriteBits(0u, 5);
  be.WriteBits(static_cast<uint32_t>(Deblocking & 3), 2);
  be.WriteBit(Smoothing);
  be.WriteByte(CodecId);
}

std::string TSWFDefineVideoStream::Describe() const {
  return "id " + std::to_string(CharacterId) + " " + std::to_string(Width) + "x" +
         std::to_string(Height) + " frames " + std::to_string(NumFrames) + " codec " +
         std::to_string(CodecId) + " deblocking " + std::to_string(Deblocking) +
         (Smoothing ? " smoothing" : "");
}

// ----------------------------------------------------------------- VideoFrame

void TSWFVideoFrame::Assign(const TBasedSWFObject& source) {
  TSWFDataObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFVideoFrame*>(&source)) {
    StreamId = s->StreamId;
    FrameNum = s->FrameNum;
  }
}

void TSWFVideoFrame::ReadFromStream(TBitsEngine& be) {
  StreamId = be.ReadWord();
  FrameNum = be.ReadWord();
  ReadData(be, BodySize > 4 ? static_cast<uint32_t>(BodySize - 4) : 0u);
}

void TSWFVideoFrame::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(StreamId);
  be.WriteWord(FrameNum);
  WriteData(be);
}

std::string TSWFVideoFrame::Describe() const {
  return "stream " + std::to_string(StreamId) + " frame " + std::to_string(FrameNum) + " data " +
         std::to_string(DataSize()) + " bytes";
}

void RegisterSoundVideoTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDefineSound>(14, "TSWFDefineSound");
  registry.Add<TSWFStartSound>(15, "TSWFStartSound");
  registry.Add<TSWFSoundStreamHead>(18, "TSWFSoundStreamHead");
  registry.Add<TSWFSoundStreamBlock>(19, "TSWFSoundStreamBlock");
  registry.Add<TSWFSoundStreamHead2>(45, "TSWFSoundStreamHead2");
  registry.Add<TSWFDefineVideoStream>(60, "TSWFDefineVideoStream");
  registry.Add<TSWFVideoFrame>(61, "TSWFVideoFrame");
}

}  // namespace reelcast
