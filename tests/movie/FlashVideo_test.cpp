// What a video placement writes frame by frame, on FLV files built here.
#include <gtest/gtest.h>

#include <memory>

#include "media/FlvBytes.h"
#include "movie/FlashMovie.h"
#include "movie/FlashVideo.h"
#include "support/TestEnv.h"
#include "swf/DisplayList.h"
#include "swf/SWFStream.h"
#include "swf/SoundVideo.h"

namespace reelcast::test {
namespace {

const std::string kMP3Frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\x11');

// frames H.263 frames at 25 fps, and audio tags of one MP3 frame each
// (44100 Hz, mono) interleaved.
std::string Flv(int frames, int audioTags) {
  std::string tags;
  for (int i = 0; i < std::max(frames, audioTags); ++i) {
    if (i < frames) tags += FlvTag(kFLVTagVideo, static_cast<uint32_t>(i * 40), H263Frame(5, 0, 0, 10 + i));
    if (i < audioTags) tags += FlvTag(kFLVTagAudio, static_cast<uint32_t>(i * 26), "\x2E" + kMP3Frame);
  }
  return FlvHeader() + tags;
}

struct Written {
  Written(TFlashMovie& movie) {
    movie.MakeStream();
    movie.SaveToStream(file);
    file.SetPosition(0);
    reader.LoadFromStream(file);
    reader.ParseTags(true, false);
  }
  // Per movie frame: the codes of the tags before its ShowFrame.
  std::vector<std::vector<uint16_t>> Frames() {
    std::vector<std::vector<uint16_t>> frames(1);
    for (size_t i = 0; i < reader.TagCount(); ++i) {
      uint16_t code = reader.TagInfo(i).TagCode;
      if (code == 1) frames.emplace_back();
      else if (code != 0 && code != 60) frames.back().push_back(code);
    }
    frames.pop_back();
    return frames;
  }
  template <class T>
  std::vector<T*> All() {
    std::vector<T*> found;
    for (size_t i = 0; i < reader.TagCount(); ++i)
      if (auto* t = dynamic_cast<T*>(reader.TagInfo(i).TagObject)) found.push_back(t);
    return found;
  }
  TMemoryStream file;
  TSWFStreamReader reader;
};

class FlashVideoTest : public ::testing::Test {
 protected:
  std::string File(const std::string& bytes) {
    std::string path = (dir_ / ("v" + std::to_string(++n_) + ".flv")).string();
    WriteFile(path, bytes);
    return path;
  }
  TempDir dir_;
  int n_ = 0;
};

TEST_F(FlashVideoTest, FramesFromTheStartFrameOnLoopingOrNot) {
  for (bool loop : {true, false}) {
    SCOPED_TRACE(loop ? "loop" : "once");
    TFlashMovie movie(0, 0, 320, 240, 25, true);
    TFlashVideo* video = movie.AddVideo(File(Flv(10, 0)));
    movie.ShowFrame();  // frame 0 without video
    TFlashPlaceVideo* place = movie.PlaceVideo(video, 1);
    EXPECT_EQ(place->StartFrame, 1);
    place->Loop = loop;
    movie.ShowFrame(25);
    Written w(movie);
    EXPECT_EQ(w.reader.SWFVersion(), 6);
    auto frames = w.Frames();
    ASSERT_EQ(frames.size(), 26u);
    EXPECT_TRUE(frames[0].empty());
    EXPECT_EQ(frames[1], (std::vector<uint16_t>{61, 26}));
    auto videoFrames = w.All<TSWFVideoFrame>();
    ASSERT_EQ(videoFrames.size(), loop ? 25u : 10u);
    for (size_t i = 0; i < videoFrames.size(); ++i) {
      EXPECT_EQ(videoFrames[i]->FrameNum, i % 10);
      EXPECT_EQ(videoFrames[i]->StreamId, video->GetCharacterId());
      // The payload is the FLV's, after its flags byte.
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(videoFrames[i]->Data()), videoFrames[i]->DataSize()),
                H263Frame(5, 0, 0, 10 + i % 10).substr(1));
    }
    if (!loop) {
      EXPECT_TRUE(frames[11].empty()) << "after its end the video writes nothing";
    }
    auto places = w.All<TSWFPlaceObject2>();
    ASSERT_GE(places.size(), 3u);
    EXPECT_FALSE(places[0]->Move);
    EXPECT_TRUE(places[0]->HasCharacter);
    EXPECT_EQ(places[0]->Ratio(), 0);
    EXPECT_TRUE(places[1]->Move);
    EXPECT_EQ(places[1]->Ratio(), 1);
    EXPECT_EQ(places[2]->Ratio(), 2);
    auto defs = w.All<TSWFDefineVideoStream>();
    ASSERT_EQ(defs.size(), 1u);
    EXPECT_EQ(defs[0]->NumFrames, 10);
    EXPECT_EQ(defs[0]->Width, 320);
    EXPECT_EQ(defs[0]->Height, 240);
  }
}

TEST_F(FlashVideoTest, Mp3BlocksCarryTheSampleBookkeeping) {
  TFlashMovie movie(0, 0, 320, 240, 25, true);
  TFlashVideo* video = movie.AddVideo(File(Flv(10, 40)));
  TFlashPlaceVideo* place = movie.PlaceVideo(video, 1);
  place->SetEnableSound(true);
  ASSERT_TRUE(place->EnableSound());
  movie.ShowFrame(10);
  Written w(movie);
  auto frames = w.Frames();
  EXPECT_EQ(frames[0], (std::vector<uint16_t>{18, 19, 61, 26}));
  EXPECT_EQ(frames[1], (std::vector<uint16_t>{19, 61, 26}));
  auto heads = w.All<TSWFSoundStreamHead>();
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0]->StreamSoundCompression, 2);
  EXPECT_EQ(heads[0]->StreamSoundRate, 3);
  EXPECT_EQ(heads[0]->StreamSoundSampleCount, 1764);
  EXPECT_EQ(heads[0]->LatencySeek, 612);
  EXPECT_EQ(place->SamplesPerFrame, 1764u);
  EXPECT_EQ(place->SamplesPerMP3Frame, 1152u);
  // SampleCount and SeekSamples lead each block; then whole MP3 frames.
  struct Block {
    uint16_t samples, seek;
  };
  const Block expected[] = {{2304, 0}, {2304, 612}, {1152, 72}, {2304, 684}};
  auto blocks = w.All<TSWFSoundStreamBlock>();
  ASSERT_GE(blocks.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const uint8_t* d = blocks[i]->Data();
    EXPECT_EQ(d[0] | d[1] << 8, expected[i].samples);
    EXPECT_EQ(d[2] | d[3] << 8, expected[i].seek);
    EXPECT_EQ(blocks[i]->DataSize(), 4 + expected[i].samples / 1152 * kMP3Frame.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 4), 4), kMP3Frame.substr(0, 4));
  }
}

TEST_F(FlashVideoTest, SoundGoesWithOnePlacementOnly) {
  TFlashMovie movie(0, 0, 320, 240, 25, true);
  TFlashVideo* a = movie.AddVideo(File(Flv(5, 10)));
  TFlashVideo* silent = movie.AddVideo(File(Flv(5, 0)));
  TFlashPlaceVideo* first = movie.PlaceVideo(a, 1);
  TFlashPlaceVideo* second = movie.PlaceVideo(a, 2);
  TFlashPlaceVideo* third = movie.PlaceVideo(silent, 3);
  movie.HasStreamSound = true;
  first->SetEnableSound(true);
  EXPECT_FALSE(movie.HasStreamSound);
  second->SetEnableSound(true);
  EXPECT_FALSE(first->EnableSound());
  EXPECT_TRUE(second->EnableSound());
  third->SetEnableSound(true);
  EXPECT_FALSE(third->EnableSound()) << "an FLV without audio has no sound to enable";
  EXPECT_TRUE(second->EnableSound());
}

TEST_F(FlashVideoTest, PayloadsByCodec) {
  std::string vp6 = std::string("\x14\x00\x00\x00\x0F\x14", 6) + std::string(995, 'v');  // 1000 after flags
  std::string screenKey = std::string("\x13\x00\xA0\x00\x78", 5) + "key";
  std::string screenInter = std::string("\x23\x00\xA0\x00\x78", 5) + "inter";
  struct Case {
    const char* name;
    std::vector<std::string> frames;
    std::vector<std::string> data;
    uint8_t version;
  };
  const Case cases[] = {
      {"VP6 drops its adjustment byte", {vp6}, {vp6.substr(2)}, 8},
      {"screen video keeps each frame's own flags", {screenKey, screenInter}, {screenKey, screenInter}, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string tags;
    for (size_t i = 0; i < c.frames.size(); ++i) tags += FlvTag(kFLVTagVideo, static_cast<uint32_t>(i * 40), c.frames[i]);
    TFlashMovie movie(0, 0, 160, 120, 25, true);
    TFlashVideo* video = movie.AddVideo(File(FlvHeader() + tags));
    movie.PlaceVideo(video, 1);
    movie.ShowFrame(static_cast<uint16_t>(c.frames.size()));
    Written w(movie);
    EXPECT_EQ(w.reader.SWFVersion(), c.version);
    auto frames = w.All<TSWFVideoFrame>();
    ASSERT_EQ(frames.size(), c.data.size());
    for (size_t i = 0; i < frames.size(); ++i)
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(frames[i]->Data()), frames[i]->DataSize()), c.data[i]);
  }
  EXPECT_EQ(cases[0].data[0].size(), 999u);
}

TEST_F(FlashVideoTest, FilesThatAreNoVideo) {
  TFlashMovie movie(0, 0, 160, 120, 25, true);
  EXPECT_THROW(movie.AddVideo((dir_ / "missing.flv").string()), EFOpenError);
  EXPECT_EQ(movie.NextCharacterId, 1) << "a failed AddVideo uses no id";
  EXPECT_TRUE(movie.ObjectList().empty());
  TFlashVideo* empty = movie.AddVideo(File("not a video at all"));
  movie.PlaceVideo(empty, 1);
  movie.ShowFrame(3);
  Written w(movie);
  auto defs = w.All<TSWFDefineVideoStream>();
  ASSERT_EQ(defs.size(), 1u);
  EXPECT_EQ(defs[0]->NumFrames, 0);
  EXPECT_TRUE(w.All<TSWFVideoFrame>().empty());
  EXPECT_EQ(w.reader.FrameCount, 3);
}

}  // namespace
}  // namespace reelcast::test
