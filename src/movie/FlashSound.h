// TFlashSound carries a WAV or MP3 file into a movie: as the movie's stream
// sound (a SoundStreamHead2 filled for the movie's frame rate, then one
// SoundStreamBlock per frame) or as an event sound (a DefineSound). The
// sound bytes are copied from the file when the movie is written, block by
// block; the file stays open while the sound lives.
//
// Blocks follow the movie's real frame rate: the samples of block n end at
// floor(n x SampleRate / fps), so a rate that does not divide the sample
// rate (29.97 fps at 44100 Hz) never drifts. Uncompressed blocks carry
// exactly those samples; MP3 blocks carry whole MPEG frames, cut at the real
// frame boundaries found in the file, with SeekSamples naming the samples
// that still belong to the previous movie frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "movie/FlashObject.h"

namespace reelcast {

class TFileStream;
class TSWFSoundStreamHead;

class TFlashSound : public TFlashIDObject {
 public:
  // Loads fileName when it names an existing file; an empty name gives a
  // sound without data.
  explicit TFlashSound(TFlashMovie* owner, const std::string& fileName = "");
  ~TFlashSound() override;

  // Describes the file with TWaveReader and opens it. A file with another
  // extension than .WAV or .MP3, or an MP3 without frames, gives a sound
  // without data. Throws ESoundError for a sound a movie cannot carry:
  // a broken WAVE file, a WAVE format other than PCM and MP3, or PCM that
  // is not 8 or 16 bit, mono or stereo at 5512, 11025, 22050 or 44100 Hz.
  void LoadFromFile(const std::string& fileName);
  // True when blocks or a DefineSound can be written.
  bool HasData() const;

  // Fills the stream head for a movie running at fps frames per second and
  // resets the streaming state (so that every save streams the same bytes).
  void FillStreamHead(TSWFSoundStreamHead& head, float fps);
  // The next movie frame's SoundStreamBlock. Nothing once a sound without
  // Loop has run out, or when there is no data.
  void WriteStreamBlock(TBitsEngine& be);

  // 4 for MP3 and uncompressed little-endian, 6 for Nellymoser, 8 for
  // format 5, otherwise 1.
  uint8_t MinVersion() const override;
  // The event sound: a DefineSound with every sample of the file.
  void WriteToStream(TBitsEngine& be) override;

  const std::string& FileName() const { return fileName_; }

  uint32_t DataOffset = 0, DataSize = 0;
  uint32_t ReadPosition = 0;
  bool Loop = false;
  uint8_t BitsPerSample = 0;
  double Duration = 0;
  uint16_t SamplesPerMP3Frame = 0, MP3FrameSize = 0, MP3FrameCount = 0;
  uint8_t SoundFormat = 0;  // 0 uncompressed, 1 ADPCM, 2 MP3
  uint8_t SoundRate = 0;    // 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz
  uint32_t SampleRate = 0;
  uint32_t SampleCount = 0;
  bool IsStereo = false;
  bool Is16Bit = false;
  uint16_t SamplesPerFrame = 0;  // announced in the stream head
  uint32_t BlocksWritten = 0;
  uint32_t FramesWritten = 0;    // MPEG frames streamed in the current pass
  uint64_t SamplesWritten = 0;   // samples streamed so far
  uint16_t SeekCarry = 0;        // SeekSamples of the last MP3 block

 private:
  // Samples that blocks 1..n carry together at the movie's rate.
  uint64_t SamplesUpToBlock(uint64_t n) const;
  void WritePCMBlock(TBitsEngine& be);
  void WriteMP3Block(TBitsEngine& be);
  // Appends the frame at ReadPosition to block_; false at the end of the
  // frames (or at a header that no longer reads as one).
  bool TakeMP3Frame();

  std::string fileName_;
  std::unique_ptr<TFileStream> stream_;
  uint16_t blockAlign_ = 0;   // bytes per sample frame of uncompressed data
  uint32_t framesEnd_ = 0;    // MP3: one past the last whole frame
  uint32_t mp3Frames_ = 0;    // MP3: whole frames between DataOffset and framesEnd_
  uint32_t fps256_ = 0;       // the movie's frame rate in 1/256 frames per second
  bool ended_ = false;
  std::vector<std::pair<int64_t, uint32_t>> block_;  // file ranges of the block's frames
  uint64_t blockBytes_ = 0;
};

}  // namespace reelcast
