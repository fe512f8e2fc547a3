#include "movie/FlashVideo.h"

#include <cmath>

#include "media/MPEGAudio.h"
#include "movie/FlashMovie.h"
#include "swf/SoundVideo.h"

namespace reelcast {

namespace {
const uint32_t kSoundRates[4] = {5512, 11025, 22050, 44100};

void WriteLongHeader(TBitsEngine& be, uint16_t code, uint32_t length) {
  be.FlushBits(true);
  be.WriteWord(static_cast<uint16_t>(code << 6 | 63));
  be.WriteDWord(length);
}
}  // namespace

// ------------------------------------------------------------- TFlashVideo

TFlashVideo::TFlashVideo(TFlashMovie* owner, const std::string& fileName)
    : TFlashVisualObject(owner), flv_(std::make_unique<TFLVData>(fileName)) {}

uint8_t TFlashVideo::MinVersion() const {
  switch (flv_->VideoCodec()) {
    case kFLVCodecH263: return 6;
    case kFLVCodecScreen: return 7;
    case kFLVCodecVP6:
    case kFLVCodecVP6Alpha:
    case kFLVCodecScreen2: return 8;
    default: return 9;
  }
}

void TFlashVideo::WriteToStream(TBitsEngine& be) {
  TSWFDefineVideoStream tag;
  tag.CharacterId = CharacterId;
  tag.NumFrames = static_cast<uint16_t>(std::min<uint32_t>(flv_->FrameCount(), 65535));
  tag.Width = flv_->Width();
  tag.Height = flv_->Height();
  tag.CodecId = flv_->VideoCodec();
  tag.Deblocking = 0;
  tag.Smoothing = false;
  tag.WriteToStream(be);
}

void TFlashVideo::WriteVideoFrame(TBitsEngine& be, uint32_t index) {
  const TVFrame* frame = flv_->VideoFrame(index);
  if (!frame) return;
  uint8_t codec = flv_->VideoCodec();
  bool screen = codec == kFLVCodecScreen || codec == kFLVCodecScreen2;
  bool vp6 = codec == kFLVCodecVP6 || codec == kFLVCodecVP6Alpha;
  // Screen video keeps its flags byte: each frame's own, since its frame
  // type tells key frames from the frames that only update changed blocks.
  // VP6 drops its picture adjustment byte.
  TVFrame source = *frame;
  if (screen && source.Position > 0) {
    --source.Position;
    ++source.Size;
  }
  uint32_t skip = vp6 && source.Size > 0 ? 1 : 0;
  uint32_t data = source.Size - skip;
  // The payload goes from the file into the movie body with no copy between.
  WriteLongHeader(be, 61, 4 + data);
  be.WriteWord(static_cast<uint16_t>(CharacterId));
  be.WriteWord(static_cast<uint16_t>(index));
  flv_->CopyPayload(source, be.Stream(), skip);
}

// -------------------------------------------------------- TFlashPlaceVideo

TFlashPlaceVideo::TFlashPlaceVideo(TFlashMovie* owner, TFlashVideo* video, uint16_t depth)
    : TFlashPlaceObject(owner, video, depth), video_(video) {
  StartFrame = owner ? owner->FrameCount : 0;
}

void TFlashPlaceVideo::Assign(const TBasedSWFObject& source) {
  TFlashPlaceObject::Assign(source);
  auto* s = dynamic_cast<const TFlashPlaceVideo*>(&source);
  if (!s) return;
  Loop = s->Loop;
  StartFrame = s->StartFrame;
  enableSound_ = s->enableSound_;
  OnWriteFrame = s->OnWriteFrame;
  OnBeforePlace = s->OnBeforePlace;
}

void TFlashPlaceVideo::SetEnableSound(bool enable) {
  enableSound_ = enable && video_ && video_->FLV().HasAudio();
  if (!enableSound_ || !owner_) return;
  owner_->DropStreamSound();
  for (size_t i = 0; i < owner_->VideoPlacementCount(); ++i) {
    TFlashPlaceVideo* other = owner_->VideoPlacement(i);
    if (other != this) other->enableSound_ = false;
  }
}

void TFlashPlaceVideo::WriteSoundHead(TBitsEngine& be) {
  const TSHeader& sound = video_->FLV().SoundHeader();
  SampleRate = kSoundRates[sound.SoundRate()];
  float fps = owner_ ? owner_->GetFPS() : 0;
  SamplesPerFrame = fps > 0 ? static_cast<uint32_t>(std::nearbyint(SampleRate / fps)) : 0;
  TSWFSoundStreamHead head;
  head.PlaybackSoundRate = head.StreamSoundRate = sound.SoundRate();
  head.PlaybackSoundSize = head.StreamSoundSize = sound.Is16Bit();
  head.PlaybackSoundType = head.StreamSoundType = sound.IsStereo();
  head.StreamSoundCompression = sound.SoundFormat();
  head.StreamSoundSampleCount = static_cast<uint16_t>(SamplesPerFrame);
  if (sound.SoundFormat() == kFLVSoundMP3) {
    SamplesPerMP3Frame = MPEGSamplesPerFrame(sound.MP3FrameHeader);
    if (SamplesPerMP3Frame == 0) SamplesPerMP3Frame = 1152;
    head.LatencySeek = static_cast<uint16_t>(SamplesPerFrame % SamplesPerMP3Frame);
  }
  head.WriteToStream(be);
}

void TFlashPlaceVideo::WriteMP3Block(TBitsEngine& be, const TVideoFrameInfo& info) {
  TFLVData& flv = video_->FLV();
  uint32_t count = (SeekCarry + SamplesPerFrame) / SamplesPerMP3Frame;
  if (count == 0 || info.RelativeFrame == 0) ++count;
  if (AudioCursor + count >= flv.AudioFrameCount()) {
    AudioCursor += count;  // too few frames left: the sound has ended
    return;
  }
  uint32_t bytes = 0;
  for (uint32_t i = 0; i < count; ++i) bytes += flv.AudioFrame(AudioCursor + i)->Size;
  WriteLongHeader(be, 19, bytes + 4);
  be.WriteWord(static_cast<uint16_t>(count * SamplesPerMP3Frame));
  be.WriteWord(SeekCarry);
  SeekCarry = static_cast<uint16_t>((SeekCarry + SamplesPerFrame) % SamplesPerMP3Frame);
  for (uint32_t i = 0; i < count; ++i) {
    const TVFrame* frame = flv.AudioFrame(AudioCursor++);
    if (frame->Size) flv.CopyPayload(*frame, be.Stream());
  }
}

void TFlashPlaceVideo::WriteNellymoserBlock(TBitsEngine& be, const TVideoFrameInfo& info) {
  TFLVData& flv = video_->FLV();
  TStream& s = be.Stream();
  WriteLongHeader(be, 19, 0);
  int64_t lengthField = s.Position() - 4;
  uint32_t total = 0;
  while (AudioCursor < flv.AudioFrameCount()) {
    const TVFrame* frame = flv.AudioFrame(AudioCursor);
    if (frame->VideoIndex != static_cast<int32_t>(info.VideoFrameIndex)) break;
    if (frame->Size) total += flv.CopyPayload(*frame, s);
    ++AudioCursor;
  }
  if (total) {
    int64_t end = s.Position();
    s.SetPosition(lengthField);
    be.WriteDWord(total);
    s.SetPosition(end);
  }
}

void TFlashPlaceVideo::WriteFrame(TBitsEngine& be, uint32_t frameNumber) {
  if (!video_ || frameNumber < StartFrame) return;
  TFLVData& flv = video_->FLV();
  uint32_t frames = flv.FrameCount();
  if (frames == 0) return;  // nothing to show
  uint32_t index = frameNumber - StartFrame;
  if (!Loop && index >= frames) return;  // the last picture stays
  index %= frames;
  TVideoFrameInfo info;
  info.RelativeFrame = static_cast<uint16_t>(frameNumber - StartFrame);
  info.CharacterId = video_->GetCharacterId();
  info.Depth = Depth();
  info.VideoFrameIndex = static_cast<uint16_t>(index);
  if (OnWriteFrame) {
    OnWriteFrame(*this, be, info);
    return;
  }
  TFlashPlaceObject place(owner_, nullptr, Depth());
  place.Assign(*this);
  bool first = frameNumber == StartFrame;
  if (first) {
    place.PlaceTag->Move = false;
    place.SetRatio(0);
    if (enableSound_) WriteSoundHead(be);
  } else {
    // Later frames move the character already there to the next picture.
    place.PlaceTag->Move = true;
    place.PlaceTag->HasCharacter = false;
    place.SetRatio(static_cast<uint16_t>(index));
  }
  if (enableSound_ && AudioCursor < flv.AudioFrameCount()) {
    uint8_t format = flv.SoundHeader().SoundFormat();
    if (format == kFLVSoundMP3 && SamplesPerMP3Frame > 0) WriteMP3Block(be, info);
    else if (format == kFLVSoundNellymoser) WriteNellymoserBlock(be, info);
  }
  video_->WriteVideoFrame(be, index);
  if (OnBeforePlace) OnBeforePlace(*this, be, info, place);
  place.SetSWFVersion(owner_ ? owner_->SWFVersion() : 6);
  place.WriteToStream(be);
}

}  // namespace reelcast
