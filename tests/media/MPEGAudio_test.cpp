#include <gtest/gtest.h>

#include <cmath>

#include "media/FlvBytes.h"
#include "media/ID3.h"
#include "media/MPEGAudio.h"
#include "support/TestEnv.h"
#include "swf/Stream.h"

namespace reelcast::test {
namespace {

const std::string kCBR = std::string("\xFF\xFB\x90\x00", 4);       // MPEG-1 III 128k 44.1k stereo
const std::string kPadded = std::string("\xFF\xFB\x92\x00", 4);    // the same with padding
const std::string kMonoV2 = std::string("\xFF\xF3\x80\xC0", 4);    // MPEG-2 III 64k 22.05k mono

uint32_t BE32Of(const std::string& s) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24 | static_cast<uint8_t>(s[1]) << 16 |
         static_cast<uint8_t>(s[2]) << 8 | static_cast<uint8_t>(s[3]);
}

// count frames of length bytes, each starting with header.
std::string Frames(const std::string& header, int length, int count) {
  std::string frame = header + std::string(static_cast<size_t>(length) - 4, '\x11');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

std::string SyncSafe(uint32_t size) {
  std::string out;
  for (int shift : {21, 14, 7, 0}) out += static_cast<char>((size >> shift) & 0x7F);
  return out;
}

std::string ID3v2Frame(const std::string& id, const std::string& data) {
  return id + BE(data.size(), 4) + std::string(2, '\0') + data;
}

std::string ID3v2Tag(const std::string& frames, uint32_t size, uint8_t version = 3) {
  std::string tag = "ID3" + std::string(1, static_cast<char>(version)) + std::string(2, '\0') +
                    SyncSafe(size) + frames;
  if (tag.size() < size + 10) tag += std::string(size + 10 - tag.size(), '\0');
  return tag;
}

std::string ID3v1Tag(const std::string& title, const std::string& comment, int track, uint8_t genre) {
  auto field = [](std::string s, size_t n) {
    s.resize(n, '\0');
    return s;
  };
  std::string tag = "TAG" + field(title, 30) + field("Artist", 30) + field("Album  ", 30) +
                    field("1999", 4);
  if (track >= 0) tag += field(comment, 28) + '\0' + static_cast<char>(track);
  else tag += field(comment, 30);
  return tag + static_cast<char>(genre);
}

class MPEGAudioTest : public ::testing::Test {
 protected:
  TMPEGaudio Analyse(const std::string& bytes) {
    std::string path = (dir_ / "sound.mp3").string();
    WriteFile(path, bytes);
    TMPEGaudio mp3;
    EXPECT_TRUE(mp3.ReadFromFile(path));
    return mp3;
  }
  TempDir dir_;
};

TEST_F(MPEGAudioTest, HeaderFiguresByVersionAndLayer) {
  struct Case {
    const char* name;
    std::string header;
    uint32_t rate;
    uint16_t samples, length, bitrate;
    int channels;
  };
  const Case cases[] = {
      {"MPEG-1 III 128k", kCBR, 44100, 1152, 417, 128, 2},
      {"MPEG-1 III 128k padded", kPadded, 44100, 1152, 418, 128, 2},
      {"MPEG-1 III 320k 48k mono", std::string("\xFF\xFB\xE4\xC0", 4), 48000, 1152, 960, 320, 1},
      {"MPEG-1 II 192k 32k", std::string("\xFF\xFD\xA8\x00", 4), 32000, 1152, 864, 192, 2},
      {"MPEG-1 I 448k 44.1k padded", std::string("\xFF\xFF\xE2\x00", 4), 44100, 384, 491, 448, 2},
      {"MPEG-2 III 64k 22.05k", kMonoV2, 22050, 576, 208, 64, 1},
      {"MPEG-2 III 160k 24k", std::string("\xFF\xF3\xE4\x40", 4), 24000, 576, 480, 160, 2},
      {"MPEG-2 III 8k 16k", std::string("\xFF\xF3\x18\x00", 4), 16000, 576, 36, 8, 2},
      {"MPEG-2.5 III 32k 11.025k", std::string("\xFF\xE3\x40\xC0", 4), 11025, 576, 208, 32, 1},
      {"MPEG-2.5 III 16k 8k", std::string("\xFF\xE3\x28\x00", 4), 8000, 576, 144, 16, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(TMPEGaudio::IsFrameHeader(reinterpret_cast<const uint8_t*>(c.header.data())));
    TMPEGaudio mp3 = Analyse(Frames(c.header, c.length, 40));
    ASSERT_TRUE(mp3.Valid());
    EXPECT_EQ(mp3.Frame.Position, 0u);
    EXPECT_EQ(mp3.SampleRate(), c.rate);
    EXPECT_EQ(mp3.SamplesPerMP3Frame(), c.samples);
    EXPECT_EQ(mp3.FrameLength(), c.length);
    EXPECT_EQ(mp3.Frame.Length, c.length);
    EXPECT_EQ(mp3.Bitrate(), c.bitrate);
    EXPECT_EQ(mp3.Channels(), c.channels);
    EXPECT_EQ(mp3.FrameCount(), 40u);
    EXPECT_NEAR(mp3.Duration(), 40.0 * c.length * 8 / c.bitrate / 1000, 1e-9);
    EXPECT_EQ(MPEGSamplesPerFrame(BE32Of(c.header)), c.samples);
  }
}

TEST_F(MPEGAudioTest, HeadersThatCannotStartAFrame) {
  for (const char* bad : {"\xFE\xFB\x90\x00", "\xFF\xDB\x90\x00", "\xFF\xEB\x90\x00" /* reserved version */,
                          "\xFF\xF9\x90\x00" /* layer 0 */, "\xFF\xFB\x00\x00" /* free format */,
                          "\xFF\xFB\xF0\x00" /* bitrate 15 */, "\xFF\xFB\x9C\x00" /* rate 3 */,
                          "\xFF\xFB\x90\x02" /* emphasis 2 */}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(TMPEGaudio::IsFrameHeader(reinterpret_cast<const uint8_t*>(bad)));
  }
}

TEST_F(MPEGAudioTest, AFrameCountsOnlyWhenTheNextHeaderFollows) {
  // A lone header at 5 (nothing 417 bytes later), the real frames from 700.
  std::string junk(700, '\x22');
  junk.replace(5, 4, kCBR);
  TMPEGaudio mp3 = Analyse(junk + Frames(kCBR, 417, 20));
  ASSERT_TRUE(mp3.Valid());
  EXPECT_EQ(mp3.Frame.Position, 700u);
  EXPECT_EQ(mp3.FrameCount(), 20u);
  EXPECT_NEAR(mp3.Duration(), 20 * 417 * 8 / 128000.0, 1e-9);
}

TEST_F(MPEGAudioTest, VariableBitrateHeaders) {
  struct Case {
    const char* name;
    std::string first;  // the first frame's bytes, VBR header included
    uint32_t frames, bytes;
    double duration;
    uint16_t bitrate;
  };
  auto frameWith = [](const std::string& header, size_t offset, const std::string& vbr) {
    std::string f = header + std::string(offset - 4, '\0') + vbr;
    return f + std::string(417 - f.size(), '\0');
  };
  std::string xing = "Xing" + BE(3, 4) + BE(1000, 4) + BE(417000, 4);
  std::string vbri = "VBRI" + BE(1, 2) + BE(0, 2) + BE(75, 2) + BE(313500, 4) + BE(1500, 4);
  const Case cases[] = {
      {"Xing, MPEG-1 stereo", frameWith(kCBR, 36, xing), 1000, 417000, 144 * 1000 * 8 / 44100.0, 128},
      {"Xing, MPEG-1 mono", frameWith(std::string("\xFF\xFB\x90\xC0", 4), 21, xing), 1000, 417000,
       26.122448979591837, 128},
      {"VBRI", frameWith(kCBR, 36, vbri), 1500, 313500, 144 * 1500 * 8 / 44100.0, 64},
      {"Xing elsewhere is not looked for", frameWith(kCBR, 40, xing), 0, 0, 0, 128},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMPEGaudio mp3 = Analyse(c.first + Frames(c.first.substr(0, 4), 417, 30));
    ASSERT_TRUE(mp3.Valid());
    EXPECT_EQ(mp3.VBR.Found, c.frames > 0);
    EXPECT_EQ(mp3.VBR.Frames, c.frames);
    EXPECT_EQ(mp3.VBR.Bytes, c.bytes);
    if (c.frames) {
      EXPECT_EQ(mp3.FrameCount(), c.frames);
      EXPECT_NEAR(mp3.Duration(), c.duration, 1e-9);
    } else {
      EXPECT_EQ(mp3.FrameCount(), 31u);
    }
    EXPECT_EQ(mp3.Bitrate(), c.bitrate);
  }
  // MPEG-2 mono looks 13 bytes in.
  std::string v2 = kMonoV2 + std::string(9, '\0') + "Xing" + BE(3, 4) + BE(400, 4) + BE(83200, 4);
  v2 += std::string(208 - v2.size(), '\0');
  TMPEGaudio mp3 = Analyse(v2 + Frames(kMonoV2, 208, 30));
  EXPECT_EQ(mp3.VBR.Frames, 400u);
  EXPECT_NEAR(mp3.Duration(), 72 * 400 * 8 / 22050.0, 1e-9);
}

TEST_F(MPEGAudioTest, ID3v2TagIsSkipped) {
  std::string tag = ID3v2Tag(ID3v2Frame("TIT2", std::string("\0Song", 5)), 4096);
  ASSERT_EQ(tag.size(), 4106u);
  TMPEGaudio mp3 = Analyse(tag + Frames(kCBR, 417, 30));
  EXPECT_TRUE(mp3.ID3v2.Exists);
  EXPECT_EQ(mp3.ID3v2.TagSize, 4106u);
  EXPECT_EQ(mp3.ID3v2.Title, "Song");
  ASSERT_TRUE(mp3.Valid());
  EXPECT_EQ(mp3.Frame.Position, 0u);
  EXPECT_EQ(mp3.FrameCount(), 30u);
  EXPECT_NEAR(mp3.Duration(), 30 * 417 * 8 / 128000.0, 1e-9);
}

TEST_F(MPEGAudioTest, DamagedOrFramelessFiles) {
  {
    SCOPED_TRACE("an ID3v2 size past the end of the file is ignored");
    std::string tag = "ID3" + std::string("\x03\x00\x00", 3) + SyncSafe(0x0FFFFFFF);
    TMPEGaudio mp3 = Analyse(tag + Frames(kCBR, 417, 30));
    EXPECT_TRUE(mp3.ID3v2.Exists);
    EXPECT_EQ(mp3.ID3v2.TagSize, 0u);
    ASSERT_TRUE(mp3.Valid());
    EXPECT_EQ(mp3.Frame.Position, 10u);
  }
  {
    SCOPED_TRACE("an ID3v2 frame size past the tag");
    std::string frames = ID3v2Frame("TIT2", std::string("\0Song", 5)) + "TPE1" + BE(0x7FFFFFF0, 4) + "\0\0x";
    TMPEGaudio mp3 = Analyse(ID3v2Tag(frames, 200) + Frames(kCBR, 417, 30));
    EXPECT_EQ(mp3.ID3v2.Title, "Song");
    EXPECT_EQ(mp3.ID3v2.Artist, "");
    EXPECT_TRUE(mp3.Valid());
  }
  {
    SCOPED_TRACE("no frame sync anywhere");
    TMPEGaudio mp3 = Analyse(std::string(20000, '\x7F'));
    EXPECT_FALSE(mp3.Valid());
    EXPECT_EQ(mp3.SampleRate(), 0u);
    EXPECT_EQ(mp3.FrameCount(), 0u);
    EXPECT_EQ(mp3.Duration(), 0);
    EXPECT_EQ(mp3.Bitrate(), 0);
    EXPECT_EQ(mp3.Frame.VersionId, 1);
    EXPECT_EQ(mp3.Frame.ChannelMode, 4);
    EXPECT_EQ(mp3.Frame.Emphasis, 2);
  }
  {
    SCOPED_TRACE("a frame too large for the window");
    // MPEG-2.5 Layer II at 160 kbit/s and 8 kHz: 2880 bytes a frame.
    std::string big = std::string("\xFF\xE5\xE8\x00", 4);
    TMPEGaudio mp3 = Analyse(std::string(1000, '\0') + Frames(big, 2880, 3));
    EXPECT_FALSE(mp3.Valid());
  }
  {
    SCOPED_TRACE("a junk prefix longer than the first window");
    TMPEGaudio mp3 = Analyse(std::string(3000, '\x22') + Frames(kCBR, 417, 40));
    ASSERT_TRUE(mp3.Valid()) << "found by the second look in the middle of the file";
    EXPECT_EQ(mp3.SampleRate(), 44100u);
  }
  {
    SCOPED_TRACE("an MP3 inside a WAV file");
    std::string riff = "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string(40, '\0');
    TMPEGaudio mp3 = Analyse(riff + Frames(kCBR, 417, 10));
    EXPECT_TRUE(mp3.IsWave);
    EXPECT_EQ(mp3.Frame.Position, riff.size());
  }
  std::string path = (dir_ / "short.mp3").string();
  WriteFile(path, Frames(kCBR, 100, 1));
  TMPEGaudio mp3;
  EXPECT_FALSE(mp3.ReadFromFile(path)) << "shorter than an ID3v1 tag";
  EXPECT_FALSE(mp3.ReadFromFile((dir_ / "missing.mp3").string()));
  TID3v1 v1;
  EXPECT_THROW(v1.ReadFromFile(path), EStreamError);
  TID3v2 v2;
  EXPECT_FALSE(v2.ReadFromFile((dir_ / "missing.mp3").string()));
}

TEST_F(MPEGAudioTest, ID3Fields) {
  std::string frames =
      ID3v2Frame("TIT2", std::string("\0 Title \0", 9)) +
      ID3v2Frame("TPE1", std::string("\x01\xFF\xFE" "A\0r\0t\0", 9)) +
      ID3v2Frame("TALB", std::string("\0Album", 6)) + ID3v2Frame("TRCK", std::string("\0" "3/12", 5)) +
      ID3v2Frame("TYER", std::string("\0" "2001", 5)) +
      ID3v2Frame("TCON", std::string("\0(17)Rock", 9)) +
      ID3v2Frame("COMM", std::string("\0eng\0Nice one", 13)) + ID3v2Frame("TXXX", std::string(300, 'x'));
  std::string path = (dir_ / "tags.mp3").string();
  WriteFile(path, ID3v2Tag(frames, 600) + Frames(kCBR, 417, 5) +
                      ID3v1Tag("Old title", "Comment", 7, 17));
  TID3v2 v2;
  ASSERT_TRUE(v2.ReadFromFile(path));
  EXPECT_EQ(v2.VersionId, 3);
  EXPECT_EQ(v2.TagSize, 610u);
  EXPECT_EQ(v2.Title, "Title");
  EXPECT_EQ(v2.Artist, "Art");
  EXPECT_EQ(v2.Album, "Album");
  EXPECT_EQ(v2.Track, 3);
  EXPECT_EQ(v2.Year, "2001");
  EXPECT_EQ(v2.Genre, "Rock");
  EXPECT_EQ(v2.Comment, "Nice one");

  struct Case {
    const char* name;
    std::string tag;
    uint8_t version;
    std::string comment;
    uint8_t track;
    std::string genre;
  };
  const Case cases[] = {
      {"v1.1", ID3v1Tag("Old title", "Comment", 7, 17), 2, "Comment", 7, "Rock"},
      {"v1.0", ID3v1Tag("Old title", std::string(30, 'c'), -1, 255), 1, std::string(30, 'c'), 0, ""},
      {"last genre", ID3v1Tag("Old title", "x", 1, 147), 2, "x", 1, "Synthpop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(path, Frames(kCBR, 417, 5) + c.tag);
    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(path));
    EXPECT_TRUE(v1.Exists);
    EXPECT_EQ(v1.VersionId, c.version);
    EXPECT_EQ(v1.Title, "Old title");
    EXPECT_EQ(v1.Album, "Album");
    EXPECT_EQ(v1.Year, "1999");
    EXPECT_EQ(v1.Comment, c.comment);
    EXPECT_EQ(v1.Track, c.track);
    EXPECT_EQ(v1.Genre(), c.genre);
  }
  WriteFile(path, Frames(kCBR, 417, 5));
  TID3v1 none;
  ASSERT_TRUE(none.ReadFromFile(path));
  EXPECT_FALSE(none.Exists);
  EXPECT_EQ(none.GenreId, 255);
}

}  // namespace
}  // namespace reelcast::test
