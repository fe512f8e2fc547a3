// Movies that embed ffmpeg's FLVs, read back by ffprobe.
#include <gtest/gtest.h>

#include "movie/EmbeddedVideo.h"
#include "support/TestEnv.h"
#include "swf/SWFStream.h"

namespace reelcast::test {
namespace {

TEST(EmbeddedVideo, FFprobeReadsTheVideoAndTheSoundOfTheMovie) {
  struct Case {
    const char* name;
    std::vector<std::string> codecs;
    int audioRate;
  };
  const Case cases[] = {
      {"h263-mp3-22k", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"}, 22050},
      {"h263-mp3-44k-stereo", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-ac", "2"}, 44100},
      {"h263-mp3-11k", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "11025", "-ac", "1"}, 11025},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string flv = (dir / (std::string(c.name) + ".flv")).string();
    std::string swf = (dir / (std::string(c.name) + ".swf")).string();
    MakeTestFlv(flv, c.codecs, 3, "160x120", 25, c.audioRate);
    EmbedFlv(flv, swf);
    TFLVData source(flv);
    JsonValue probe = RunFFprobe(swf, {"-count_packets", "-show_entries",
                                       "stream=codec_type,codec_name,width,height,sample_rate,nb_read_packets"});
    const JsonValue* video = nullptr;
    const JsonValue* audio = nullptr;
    for (const auto& s : probe["streams"].Items()) {
      if (s["codec_type"].String() == "video") video = &s;
      if (s["codec_type"].String() == "audio") audio = &s;
    }
    ASSERT_NE(video, nullptr) << "no video stream";
    ASSERT_NE(audio, nullptr) << "no audio stream";
    EXPECT_EQ((*video)["codec_name"].String(), "flv1");
    EXPECT_EQ((*video)["nb_read_packets"].Number(), source.FrameCount());
    EXPECT_EQ((*audio)["codec_name"].String(), "mp3");
    EXPECT_EQ((*audio)["sample_rate"].Number(), c.audioRate);
    EXPECT_GT((*audio)["nb_read_packets"].Number(), 0);
    // Our reader sees the same movie: version 6, one frame per video frame.
    TSWFStreamReader reader(swf);
    EXPECT_EQ(reader.SWFVersion(), 6);
    EXPECT_EQ(reader.FrameCount, source.FrameCount());
    EXPECT_EQ(reader.FrameRate, source.FrameRate());
  }
}

}  // namespace
}  // namespace reelcast::test
