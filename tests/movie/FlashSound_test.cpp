// Sound import: what TWaveReader finds in WAV and MP3 files built here, the
// files it refuses, and the stream blocks and event sounds a movie writes
// from them, read back from the saved movie.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>

#include "movie/FlashMovie.h"
#include "movie/FlashSound.h"
#include "movie/MovieTestUtil.h"
#include "movie/SoundReader.h"
#include "support/TestEnv.h"
#include "swf/SoundVideo.h"

namespace reelcast::test {
namespace {

std::string LE16(uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string LE32(uint32_t v) { return LE16(static_cast<uint16_t>(v)) + LE16(static_cast<uint16_t>(v >> 16)); }
std::string Chunk(const std::string& id, const std::string& body, int64_t claimed = -1) {
  std::string c = id + LE32(claimed < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(claimed)) + body;
  if (body.size() & 1) c += '\0';
  return c;
}
std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  uint16_t align = static_cast<uint16_t>(static_cast<uint32_t>(channels) * bits / 8);
  return LE16(tag) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits);
}
std::string Riff(const std::string& chunks) { return "RIFF" + LE32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks; }
// Sample frames whose bytes count up, so that every block shows where in
// the data it was cut.
std::string Ramp(size_t bytes) {
  std::string s(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo: 417 bytes, 418 with the
// padding bit. Byte 4 of every frame carries the frame's number.
std::string MP3Frame(uint8_t number, bool padded = false) {
  std::string f = std::string("\xFF\xFB", 2) + static_cast<char>(padded ? 0x92 : 0x90) + '\x00';
  f += static_cast<char>(number);
  f += std::string(padded ? 413 : 412, '\x55');
  return f;
}
// Frames 0..count-1, every third one padded (as an encoder pads them).
std::string MP3Frames(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += MP3Frame(static_cast<uint8_t>(i), i % 3 == 2);
  return s;
}
std::string SyncSafe(uint32_t n) {
  return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
          static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
}
std::string ID3v2(size_t size) { return "ID3\x03" + std::string(2, '\0') + SyncSafe(static_cast<uint32_t>(size)) + std::string(size, '\xFF'); }
std::string ID3v1() { return "TAG" + std::string(125, 'x'); }

struct Block {
  uint16_t SampleCount = 0, SeekSamples = 0;
  std::string Data;
};

// The stream head and the blocks of a saved movie.
struct StreamSoundOf {
  explicit StreamSoundOf(TFlashMovie& movie) : movie_(SaveAndRead(movie)) {
    for (auto* h : movie_.All<TSWFSoundStreamHead>())
      if (h->TagID == 45) Head = h;
    for (auto* b : movie_.All<TSWFSoundStreamBlock>()) {
      std::string raw(reinterpret_cast<const char*>(b->Data()), b->DataSize());
      Block block;
      if (Head && Head->StreamSoundCompression == 2) {
        block.SampleCount = static_cast<uint16_t>(uint8_t(raw[0]) | uint8_t(raw[1]) << 8);
        block.SeekSamples = static_cast<uint16_t>(uint8_t(raw[2]) | uint8_t(raw[3]) << 8);
        raw = raw.substr(4);
      }
      block.Data = raw;
      Blocks.push_back(block);
    }
  }
  // Frame numbers (byte 4) of the MPEG frames in a block, walked by header.
  static std::vector<int> FrameNumbers(const std::string& data) {
    std::vector<int> numbers;
    for (size_t p = 0; p + 5 <= data.size();) {
      EXPECT_EQ(uint8_t(data[p]), 0xFF) << "a block holds whole frames";
      numbers.push_back(uint8_t(data[p + 4]));
      p += (uint8_t(data[p + 2]) & 2) ? 418 : 417;
    }
    return numbers;
  }
  ReadMovie movie_;
  TSWFSoundStreamHead* Head = nullptr;
  std::vector<Block> Blocks;
};

TFlashMovie& MovieWithFrames(std::unique_ptr<TFlashMovie>& holder, float fps, int frames,
                             const std::string& soundFile, bool loop = true) {
  holder = std::make_unique<TFlashMovie>(0, 0, 100, 100, fps, true);
  holder->StreamSound().LoadFromFile(soundFile);
  holder->StreamSound().Loop = loop;
  holder->AddRectangle(0, 0, 10, 10);
  holder->ShowFrame(static_cast<uint16_t>(frames));
  return *holder;
}

TEST(WaveReader, ReadsTheFormatAndFindsTheData) {
  TempDir dir("reelcast-wav");
  struct Case {
    const char* name;
    std::string bytes;
    uint16_t tag, channels;
    uint32_t rate;
    uint16_t bits;
    uint32_t dataOffset, dataSize, sampleCount;
  };
  const std::string stereo = Ramp(4000);
  const Case cases[] = {
      {"pcm16-stereo.wav", Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Chunk("data", stereo)), 1, 2, 44100, 16,
       44, 4000, 1000},
      {"pcm8-mono.wav", Riff(Chunk("fmt ", Fmt(1, 1, 11025, 8)) + Chunk("data", Ramp(441))), 1, 1, 11025, 8, 44,
       441, 441},
      // Other chunks around them (an odd-sized one with its pad byte), fmt
      // with an extension, the extensible record naming PCM.
      {"chunks.WAV",
       Riff(Chunk("LIST", "abc") + Chunk("fmt ", Fmt(0xFFFE, 2, 22050, 16) + LE16(22) + LE16(16) + LE32(3) +
                                                    LE16(1) + std::string(14, '\0')) +
            Chunk("fact", LE32(5)) + Chunk("data", Ramp(400)) + Chunk("LIST", "tail")),
       1, 2, 22050, 16, 12 + 12 + 48 + 12 + 8, 400, 100},
      // A streamed WAV whose data size was never filled in: cut to the file.
      {"open-ended.wav", Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("data", Ramp(300), 0xFFFFFFFF)), 1, 1,
       22050, 16, 44, 300, 150},
      // Absurd channel and sample sizes from a damaged header: counted in
      // 64 bits, they give no whole sample instead of an overflow.
      {"huge-frames.wav", Riff(Chunk("fmt ", Fmt(1, 65533, 8000, 65280)) + Chunk("data", Ramp(400))), 1, 65533,
       8000, 65280, 44, 400, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / c.name, c.bytes);
    TWaveReader r((dir / c.name).string());
    EXPECT_EQ(r.FormatTag, c.tag);
    EXPECT_EQ(r.Channels, c.channels);
    EXPECT_EQ(r.SampleRate, c.rate);
    EXPECT_EQ(r.BitsPerSample, c.bits);
    EXPECT_EQ(r.DataOffset, c.dataOffset);
    EXPECT_EQ(r.DataSize, c.dataSize);
    EXPECT_EQ(r.SampleCount, c.sampleCount);
    EXPECT_DOUBLE_EQ(r.Duration, static_cast<double>(c.sampleCount) / c.rate);
  }
}

TEST(WaveReader, DescribesMP3FilesAndMP3InsideWav) {
  TempDir dir("reelcast-wav-mp3");
  WriteFile(dir / "song.mp3", ID3v2(500) + MP3Frames(30) + ID3v1());
  TWaveReader bare((dir / "song.mp3").string());
  EXPECT_EQ(bare.FormatTag, 336);
  EXPECT_EQ(bare.DataOffset, 0u);
  EXPECT_EQ(bare.SampleRate, 44100u);
  EXPECT_EQ(bare.Channels, 2);
  EXPECT_EQ(bare.BitsPerSample, 16);
  EXPECT_EQ(bare.SamplesPerMP3Frame, 1152);
  EXPECT_EQ(bare.MP3FrameSize, 417);

  WriteFile(dir / "mp3.wav", Riff(Chunk("fmt ", Fmt(85, 2, 44100, 0) + LE16(0)) + Chunk("data", MP3Frames(20))));
  TWaveReader wav((dir / "mp3.wav").string());
  EXPECT_EQ(wav.FormatTag, 85);
  EXPECT_EQ(wav.MP3FrameCount, 20);
  EXPECT_EQ(wav.SampleCount, 20u * 1152);
  EXPECT_EQ(wav.SamplesPerMP3Frame, 1152);

  WriteFile(dir / "other.ogg", "OggS");
  TWaveReader other((dir / "other.ogg").string());
  EXPECT_EQ(other.FormatTag, 0);
  EXPECT_EQ(other.DataSize, 0u);
}

TEST(WaveReader, RefusesBrokenFilesWithoutReadingPastThem) {
  TempDir dir("reelcast-wav-bad");
  const std::string fmt = Chunk("fmt ", Fmt(1, 1, 22050, 16));
  const std::pair<const char*, std::string> cases[] = {
      {"not RIFF", "RIFX" + LE32(4) + "WAVE" + fmt},
      {"not WAVE", Riff("") .replace(8, 4, "AVI ") + fmt},
      {"cut header", "RIFF\x10\0"},
      {"no fmt", Riff(Chunk("data", Ramp(10)))},
      {"no data", Riff(fmt)},
      {"fmt past the end", Riff("fmt " + LE32(4000) + Fmt(1, 1, 22050, 16))},
      {"fmt too short", Riff(Chunk("fmt ", LE16(1) + LE16(1)) + Chunk("data", Ramp(10)))},
      {"huge chunk before fmt", Riff(Chunk("LIST", "", 0x7FFFFFF0) + fmt + Chunk("data", Ramp(10)))},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    WriteFile(dir / "bad.wav", bytes);
    EXPECT_THROW(TWaveReader((dir / "bad.wav").string()), ESoundError);
  }
}

TEST(FlashSound, RefusesSoundsThatAMovieCannotCarry) {
  TempDir dir("reelcast-sound-refused");
  const std::pair<const char*, std::string> cases[] = {
      {"48000 Hz", Fmt(1, 2, 48000, 16)},
      {"8000 Hz", Fmt(1, 1, 8000, 8)},
      {"24 bit", Fmt(1, 2, 44100, 24)},
      {"six channels", Fmt(1, 6, 44100, 16)},
      {"MPEG layer 2 tag", Fmt(80, 2, 44100, 0)},
      {"ADPCM", Fmt(2, 1, 22050, 4)},
  };
  for (const auto& [name, format] : cases) {
    SCOPED_TRACE(name);
    WriteFile(dir / "s.wav", Riff(Chunk("fmt ", format) + Chunk("data", Ramp(960))));
    TFlashMovie movie(0, 0, 10, 10, 25, true);
    EXPECT_THROW(movie.StreamSound().LoadFromFile((dir / "s.wav").string()), ESoundError);
  }
  // Files that are no sound at all give a sound without data, and the movie
  // still saves: its stream head, no blocks.
  WriteFile(dir / "junk.mp3", std::string(5000, '\x42'));
  WriteFile(dir / "notes.txt", "text");
  for (const char* name : {"junk.mp3", "notes.txt"}) {
    SCOPED_TRACE(name);
    TFlashMovie movie(0, 0, 10, 10, 25, true);
    movie.StreamSound().LoadFromFile((dir / name).string());
    EXPECT_FALSE(movie.StreamSound().HasData());
    movie.ShowFrame(3);
    StreamSoundOf s(movie);
    EXPECT_NE(s.Head, nullptr);
    EXPECT_TRUE(s.Blocks.empty());
  }
  TFlashSound missing(nullptr, (dir / "missing.wav").string());
  EXPECT_FALSE(missing.HasData());
}

TEST(FlashSound, UncompressedBlocksFollowTheFrameRateAndLoop) {
  TempDir dir("reelcast-sound-pcm");
  struct Case {
    const char* name;
    uint16_t channels, bits;
    uint32_t rate;
    float fps;
    uint16_t headSamples;   // announced per frame
    size_t dataBytes;
  };
  const Case cases[] = {
      {"44100 16-bit stereo at 25", 2, 16, 44100, 25, 1764, 20000},
      {"11025 8-bit mono at 25", 1, 8, 11025, 25, 441, 1000},
      {"44100 16-bit mono at 29.97", 1, 16, 44100, 29.97f, 1471, 9000},
      {"5512 8-bit stereo at 12", 2, 8, 5512, 12, 459, 3000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string data = Ramp(c.dataBytes);
    WriteFile(dir / "s.wav", Riff(Chunk("fmt ", Fmt(1, c.channels, c.rate, c.bits)) + Chunk("data", data)));
    std::unique_ptr<TFlashMovie> holder;
    const int frames = 40;
    StreamSoundOf s(MovieWithFrames(holder, c.fps, frames, (dir / "s.wav").string()));
    ASSERT_NE(s.Head, nullptr);
    EXPECT_EQ(s.Head->StreamSoundCompression, 3);
    EXPECT_EQ(s.Head->StreamSoundSize, c.bits == 16);
    EXPECT_EQ(s.Head->StreamSoundType, c.channels == 2);
    EXPECT_EQ(s.Head->StreamSoundSampleCount, c.headSamples);
    ASSERT_EQ(s.Blocks.size(), static_cast<size_t>(frames));
    // Block n ends at floor(n * rate / fps) samples of the movie's real
    // rate (8.8 fixed); together the blocks are the data played in a loop.
    const double fps = holder->GetFPS();
    const size_t align = c.channels * c.bits / 8u;
    std::string played;
    for (int n = 1; n <= frames; ++n) {
      const size_t due = static_cast<size_t>(std::floor(n * c.rate / fps + 1e-9));
      played += s.Blocks[n - 1].Data;
      EXPECT_EQ(played.size(), due * align) << "block " << n;
    }
    for (size_t i = 0; i < played.size(); ++i)
      if (played[i] != data[i % data.size()]) FAIL() << "byte " << i << " is not the looped data";
  }
}

TEST(FlashSound, UncompressedSoundWithoutLoopEndsInSilence) {
  TempDir dir("reelcast-sound-once");
  WriteFile(dir / "s.wav", Riff(Chunk("fmt ", Fmt(1, 1, 11025, 8)) + Chunk("data", Ramp(1000))));
  std::unique_ptr<TFlashMovie> holder;
  StreamSoundOf s(MovieWithFrames(holder, 25, 6, (dir / "s.wav").string(), false));
  ASSERT_EQ(s.Blocks.size(), 3u) << "441 + 441 + 118 bytes of data, then nothing";
  EXPECT_EQ(s.Blocks[2].Data.substr(0, 118), Ramp(1000).substr(882));
  EXPECT_EQ(s.Blocks[2].Data.substr(118), std::string(441 - 118, '\x80')) << "8-bit silence";
}

TEST(FlashSound, MP3BlocksCarryWholeFramesWithTheirSeekSamples) {
  TempDir dir("reelcast-sound-mp3");
  // Tags around the frames never reach the movie.
  WriteFile(dir / "s.mp3", ID3v2(700) + MP3Frames(9) + ID3v1());
  std::unique_ptr<TFlashMovie> holder;
  StreamSoundOf s(MovieWithFrames(holder, 25, 12, (dir / "s.mp3").string()));
  ASSERT_NE(s.Head, nullptr);
  EXPECT_EQ(s.Head->StreamSoundCompression, 2);
  EXPECT_EQ(s.Head->StreamSoundRate, 3);
  EXPECT_EQ(s.Head->StreamSoundSampleCount, 1764);
  EXPECT_EQ(s.Head->LatencySeek, 0);
  ASSERT_EQ(s.Blocks.size(), 12u);
  // 1764 samples per movie frame, 1152 per MPEG frame: 1 frame (seek 0),
  // 2 frames (seek 612), 1 frame (seek 72), and so on.
  const int expectedFrames[] = {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2};
  uint64_t written = 0;
  std::vector<int> numbers;
  for (size_t n = 0; n < s.Blocks.size(); ++n) {
    SCOPED_TRACE("block " + std::to_string(n + 1));
    const uint64_t before = n * 1764;
    EXPECT_EQ(s.Blocks[n].SeekSamples, before - written);
    EXPECT_EQ(s.Blocks[n].SampleCount, expectedFrames[n] * 1152);
    written += s.Blocks[n].SampleCount;
    for (int f : StreamSoundOf::FrameNumbers(s.Blocks[n].Data)) numbers.push_back(f);
  }
  EXPECT_EQ(s.Blocks[1].SeekSamples, 612);
  EXPECT_EQ(s.Blocks[2].SeekSamples, 72);
  // The frames come in file order and start again after the ninth.
  ASSERT_EQ(numbers.size(), 18u);
  for (size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<int>(i % 9));
}

TEST(FlashSound, MP3AtAFractionalFrameRateDoesNotDrift) {
  TempDir dir("reelcast-sound-drift");
  WriteFile(dir / "s.mp3", MP3Frames(40));
  std::unique_ptr<TFlashMovie> holder;
  const int frames = 3000;  // 100 s at 29.97 fps
  StreamSoundOf s(MovieWithFrames(holder, 29.97f, frames, (dir / "s.mp3").string()));
  ASSERT_EQ(s.Blocks.size(), static_cast<size_t>(frames));
  uint64_t written = 0;
  for (const Block& b : s.Blocks) written += b.SampleCount;
  const double due = frames * 44100 / holder->GetFPS();
  EXPECT_LE(written, due);
  EXPECT_GT(written + 1152, due) << "less than one MPEG frame behind after 100 s";
}

TEST(FlashSound, MP3WithoutLoopStopsAfterItsFrames) {
  TempDir dir("reelcast-sound-mp3-once");
  WriteFile(dir / "s.mp3", MP3Frames(5) + std::string(600, '\0'));
  std::unique_ptr<TFlashMovie> holder;
  StreamSoundOf s(MovieWithFrames(holder, 25, 10, (dir / "s.mp3").string(), false));
  std::vector<int> numbers;
  for (const Block& b : s.Blocks)
    for (int f : StreamSoundOf::FrameNumbers(b.Data)) numbers.push_back(f);
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(s.Blocks.size(), 4u) << "1 + 2 + 1 + 1 frames, then nothing";
}

TEST(FlashSound, SavingTwiceStreamsTheSameBytes) {
  TempDir dir("reelcast-sound-twice");
  WriteFile(dir / "s.mp3", MP3Frames(7));
  TFlashMovie movie(0, 0, 100, 100, 25, true);
  movie.StreamSound().LoadFromFile((dir / "s.mp3").string());
  movie.AddRectangle(0, 0, 10, 10);
  movie.ShowFrame(20);
  movie.MakeStream();
  const std::string first = movie.GetBodyStream().ToString();
  movie.MakeStream();
  EXPECT_EQ(movie.GetBodyStream().ToString(), first);
  EXPECT_GE(movie.SWFVersion(), 5);
}

TEST(FlashSound, EventSoundIsADefineSoundWithEverySample) {
  TempDir dir("reelcast-sound-event");
  const std::string pcm = Ramp(4000);
  WriteFile(dir / "click.wav", Riff(Chunk("fmt ", Fmt(1, 2, 22050, 16)) + Chunk("data", pcm)));
  const std::string frames = MP3Frames(6);
  WriteFile(dir / "tune.mp3", ID3v2(100) + frames);
  TFlashMovie movie(0, 0, 100, 100, 25, true);
  TFlashSound* click = movie.AddSound((dir / "click.wav").string());
  TFlashSound* tune = movie.AddSound((dir / "tune.mp3").string());
  EXPECT_EQ(click->GetCharacterId(), 1);
  EXPECT_EQ(tune->GetCharacterId(), 2);
  movie.ShowFrame();
  ReadMovie r = SaveAndRead(movie);
  auto sounds = r.All<TSWFDefineSound>();
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[0]->SoundId, 1);
  EXPECT_EQ(sounds[0]->SoundFormat, 3);
  EXPECT_EQ(sounds[0]->SoundRate, 2);
  EXPECT_TRUE(sounds[0]->SoundSize);
  EXPECT_TRUE(sounds[0]->SoundType);
  EXPECT_EQ(sounds[0]->SampleCount, 1000u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sounds[0]->Data()), sounds[0]->DataSize()), pcm);
  EXPECT_EQ(sounds[1]->SoundFormat, 2);
  EXPECT_EQ(sounds[1]->SampleCount, 6u * 1152);
  EXPECT_EQ(sounds[1]->SeekSamples, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sounds[1]->Data()), sounds[1]->DataSize()), frames);
  EXPECT_GE(r.Version, 5);
}

}  // namespace
}  // namespace reelcast::test
