// The FLV index and the MPEG analysis on files made by ffmpeg and lame, with
// ffprobe as the judge of what they hold.
#include <gtest/gtest.h>

#include <cmath>

#include "media/FLVData.h"
#include "media/FLVMetaTag.h"
#include "media/MPEGAudio.h"
#include "support/FFprobe.h"
#include "support/TestEnv.h"
#include "swf/Records.h"

namespace reelcast::test {
namespace {

class MediaFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = new TempDir("reelcast-media"); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }

  // A two-second test picture at 176 x 144 with a tone.
  static std::string MakeFlv(const std::string& name, const std::vector<std::string>& codecs,
                             const std::string& rate = "25", const std::string& size = "176x144",
                             int audioRate = 22050, double seconds = 2) {
    std::string path = Path(name);
    std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=" + rate,
                                     "-f", "lavfi", "-i",
                                     "sine=frequency=440:sample_rate=" + std::to_string(audioRate),
                                     "-t", std::to_string(seconds)};
    args.insert(args.end(), codecs.begin(), codecs.end());
    args.push_back(path);
    RunFFmpeg(args);
    return path;
  }

  static std::string MakeWav(const std::string& name, int rate, int channels, double seconds) {
    std::string path = Path(name);
    RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=330:sample_rate=" + std::to_string(rate), "-ac",
               std::to_string(channels), "-t", std::to_string(seconds), "-c:a", "pcm_s16le", path});
    return path;
  }

  static TempDir* dir_;
};
TempDir* MediaFiles::dir_ = nullptr;

TEST_F(MediaFiles, FlvFromFFmpegIsIndexedLikeFFprobeSeesIt) {
  struct Case {
    const char* name;
    std::vector<std::string> codecs;
    int audioRate;
    uint8_t codec, soundFormat, rateCode;
    bool stereo;
    uint16_t width, height;
    uint16_t samplesPerMP3Frame;
  };
  const Case cases[] = {
      {"h263-mp3-11k-mono", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "11025", "-ac", "1"},
       11025, kFLVCodecH263, kFLVSoundMP3, 1, false, 176, 144, 576},
      {"h263-mp3-22k-stereo", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "22050", "-ac", "2"},
       22050, kFLVCodecH263, kFLVSoundMP3, 2, true, 176, 144, 576},
      {"h263-mp3-44k-stereo", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-ac", "2"},
       44100, kFLVCodecH263, kFLVSoundMP3, 3, true, 176, 144, 1152},
      {"h263-mp3-44k-mono", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-ac", "1"},
       44100, kFLVCodecH263, kFLVSoundMP3, 3, false, 176, 144, 1152},
      {"screen-nellymoser", {"-c:v", "flashsv", "-c:a", "nellymoser", "-ar", "22050", "-ac", "1"},
       22050, kFLVCodecScreen, kFLVSoundNellymoser, 2, false, 176, 144, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = MakeFlv(std::string(c.name) + ".flv", c.codecs, "25", "176x144", c.audioRate);
    TFLVData flv(path);
    ASSERT_TRUE(flv.IsFLV());
    EXPECT_TRUE(flv.HasVideoFlag());
    EXPECT_TRUE(flv.HasAudioFlag());
    EXPECT_EQ(flv.VideoCodec(), c.codec);
    EXPECT_EQ(flv.FrameType(), 1);
    EXPECT_EQ(flv.Width(), c.width);
    EXPECT_EQ(flv.Height(), c.height);
    EXPECT_EQ(static_cast<int>(flv.FrameCount()), CountPackets(path, "v"));
    EXPECT_EQ(flv.FrameRate(), SingleToFixed8(25));
    ASSERT_TRUE(flv.HasAudio());
    const TSHeader& sound = flv.SoundHeader();
    EXPECT_EQ(sound.SoundFormat(), c.soundFormat);
    EXPECT_EQ(sound.SoundRate(), c.rateCode);
    EXPECT_EQ(sound.IsStereo(), c.stereo);
    EXPECT_TRUE(sound.Is16Bit());
    EXPECT_EQ(static_cast<int>(flv.AudioFrameCount()), CountPackets(path, "a"));
    if (c.soundFormat == kFLVSoundMP3) {
      EXPECT_EQ(MPEGSamplesPerFrame(sound.MP3FrameHeader), c.samplesPerMP3Frame);
      // Every indexed audio payload is an MPEG frame.
      TMemoryStream first;
      flv.CopyPayload(*flv.AudioFrame(0), first);
      ASSERT_GE(first.Size(), 4);
      EXPECT_TRUE(TMPEGaudio::IsFrameHeader(first.Memory()));
    }
    // ffmpeg's own metadata is read: width and duration.
    ASSERT_NE(flv.MetaData(), nullptr);
    EXPECT_EQ(flv.MetaData()->FindProperty(fmpWidth)->GetValue(), c.width);
    EXPECT_EQ(flv.MetaData()->FindProperty(fmpDuration)->GetValue(), 2);
    // The last video payload ends where the next tag's back-pointer starts.
    const TVFrame* last = flv.VideoFrame(flv.FrameCount() - 1);
    EXPECT_LE(last->Position + last->Size + 4, static_cast<uint64_t>(fs::file_size(path)));
  }
}

TEST_F(MediaFiles, FrameRatesOfCommonVideos) {
  struct Case {
    const char* rate;
    double fps;
  };
  for (const Case& c : {Case{"25", 25}, Case{"30000/1001", 29.97}, Case{"15", 15}, Case{"24000/1001", 23.976}}) {
    SCOPED_TRACE(c.rate);
    std::string path = MakeFlv("rate.flv", {"-c:v", "flv1", "-an"}, c.rate, "128x96", 22050, 6);
    TFLVData flv(path);
    EXPECT_NEAR(Fixed8ToSingle(flv.FrameRate()), c.fps, 1.0 / 256);
    // Frames over rate is the video's length as ffprobe measures it.
    JsonValue probe = RunFFprobe(path, {"-show_entries", "format=duration"});
    double duration = flv.FrameCount() / Fixed8ToSingle(flv.FrameRate());
    EXPECT_NEAR(duration, probe["format"]["duration"].Number(), 1.5 / c.fps);
  }
}

TEST_F(MediaFiles, KeyframesIndexFromFFmpeg) {
  std::string path = MakeFlv("keyframes.flv", {"-c:v", "flv1", "-g", "10", "-c:a", "libmp3lame",
                                               "-flvflags", "add_keyframe_index"});
  TFLVData flv(path);
  ASSERT_NE(flv.MetaData(), nullptr);
  auto* kf = dynamic_cast<const TFLVKeyFramesObjectData*>(flv.MetaData()->FindProperty(fmpKeyFrames));
  ASSERT_NE(kf, nullptr);
  ASSERT_EQ(kf->Count(), 5u);  // 50 frames, a key frame every 10
  std::string bytes = ReadFile(path);
  for (uint32_t i = 0; i < kf->Count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(kf->Times[i], i * 0.4, 0.1);
    ASSERT_LT(static_cast<size_t>(kf->FilePositions[i]), bytes.size());
    EXPECT_EQ(bytes[static_cast<size_t>(kf->FilePositions[i])], kFLVTagVideo);
  }
  EXPECT_EQ(flv.FrameCount(), 50u);
}

TEST_F(MediaFiles, MetadataTagMakesFFprobeReadTheDuration) {
  std::string path = MakeFlv("plain.flv", {"-c:v", "flv1", "-c:a", "libmp3lame", "-flvflags", "no_metadata"},
                             "25", "176x144", 22050, 3);
  std::string before = ReadFile(path);
  ASSERT_NE(before[13], kFLVTagScript);
  ASSERT_EQ(AddFlvMetaData(path), TAddMetaDataResult::Added);
  std::string after = ReadFile(path);
  ASSERT_GT(after.size(), before.size() + 55);
  const size_t added = after.size() - before.size();
  EXPECT_EQ(after.substr(0, 13), before.substr(0, 13));
  EXPECT_EQ(after.substr(13 + added), before.substr(13));
  JsonValue probe = RunFFprobe(path, {"-show_entries", "format=duration:format_tags"});
  EXPECT_NEAR(probe["format"]["duration"].Number(), 3.0, 0.05);
  // The size, rates and codecs are named in the tag as well.
  const std::string tags = after.substr(13, added);
  for (const char* name : {"width", "height", "framerate", "videocodecid", "audiocodecid", "audiosamplerate", "stereo"})
    EXPECT_NE(tags.find(name), std::string::npos) << name;
  EXPECT_EQ(CountPackets(path, "v"), 75);
  TFLVData flv(path);
  EXPECT_EQ(flv.FrameCount(), 75u);
  EXPECT_EQ(dynamic_cast<const TFLVDataNumber*>(flv.MetaData()->FindProperty(fmpDuration))->Value, 3.0);
}

TEST_F(MediaFiles, Mp3FromLameAndFFmpeg) {
  std::string wav44 = MakeWav("tone44.wav", 44100, 2, 5);
  struct Case {
    const char* name;
    std::vector<std::string> argv;  // the encoder's command line, output last
    uint32_t rate;
    int channels;
    bool vbr, id3v2, id3v1;
  };
  auto out = [](const char* name) { return Path(std::string(name) + ".mp3"); };
  const Case cases[] = {
      {"lame CBR 128", {"lame", "--quiet", "-b", "128", wav44, out("cbr")}, 44100, 2, false, false, false},
      {"lame VBR", {"lame", "--quiet", "-V", "4", wav44, out("vbr")}, 44100, 2, true, false, false},
      {"lame MPEG-2 22.05k", {"lame", "--quiet", "-b", "64", "--resample", "22.05", wav44, out("m2a")},
       22050, 2, false, false, false},
      {"lame MPEG-2 16k mono", {"lame", "--quiet", "-m", "m", "-b", "32", "--resample", "16", wav44, out("m2b")},
       16000, 1, false, false, false},
      {"lame MPEG-2.5 11.025k", {"lame", "--quiet", "-b", "32", "--resample", "11.025", wav44, out("m25a")},
       11025, 2, false, false, false},
      {"lame MPEG-2.5 8k mono VBR", {"lame", "--quiet", "-m", "m", "-V", "6", "--resample", "8", wav44, out("m25b")},
       8000, 1, true, false, false},
      {"lame ID3v1 and v2", {"lame", "--quiet", "-b", "96", "--resample", "44.1", "--tt", "Tone", "--ta", "Reelcast", "--ty", "2024",
                             "--tn", "4/9", "--add-id3v2", wav44, out("id3")},
       44100, 2, false, true, true},
      {"lame ID3v1 only", {"lame", "--quiet", "-b", "96", "--resample", "44.1", "--tt", "Tone", "--id3v1-only", wav44, out("id3v1")},
       44100, 2, false, false, true},
      {"ffmpeg with ID3v2.3", {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav44, "-c:a", "libmp3lame",
                               "-b:a", "160k", "-id3v2_version", "3", "-metadata", "title=Tone", out("ff")},
       44100, 2, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult made = RunProcess(c.argv);
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    const std::string& file = c.argv.back();
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.ReadFromFile(file));
    ASSERT_TRUE(mp3.Valid());
    JsonValue probe = RunFFprobe(file, {"-show_entries", "stream=sample_rate,channels:format=duration"});
    EXPECT_EQ(mp3.SampleRate(), static_cast<uint32_t>(probe["streams"][0]["sample_rate"].Number()));
    EXPECT_EQ(mp3.SampleRate(), c.rate);
    EXPECT_EQ(mp3.Channels(), c.channels);
    EXPECT_EQ(mp3.Channels(), static_cast<int>(probe["streams"][0]["channels"].Number()));
    EXPECT_EQ(mp3.VBR.Found && mp3.VBR.Frames > 0, c.vbr);
    EXPECT_EQ(mp3.ID3v2.Exists, c.id3v2);
    EXPECT_EQ(mp3.ID3v1.Exists, c.id3v1);
    // Within a few frames of what ffprobe measures (encoder delay, the
    // tag frame and the ID3v1 tag are counted a little differently).
    double frame = static_cast<double>(mp3.SamplesPerMP3Frame()) / mp3.SampleRate();
    EXPECT_NEAR(mp3.Duration(), probe["format"]["duration"].Number(), 3 * frame);
    EXPECT_NEAR(mp3.FrameCount() * frame, 5.0, 4 * frame);
    // The first frame lies right after the ID3v2 tag.
    std::string bytes = ReadFile(file);
    ASSERT_LT(mp3.ID3v2.TagSize + mp3.Frame.Position + 4, bytes.size());
    EXPECT_TRUE(TMPEGaudio::IsFrameHeader(
        reinterpret_cast<const uint8_t*>(bytes.data() + mp3.ID3v2.TagSize + mp3.Frame.Position)));
    if (c.id3v2 || c.id3v1) {
      EXPECT_EQ(c.id3v2 ? mp3.ID3v2.Title : mp3.ID3v1.Title, "Tone");
    }
    if (std::string(c.name) == "lame ID3v1 and v2") {
      EXPECT_EQ(mp3.ID3v2.Artist, "Reelcast");
      EXPECT_EQ(mp3.ID3v2.Track, 4);
      EXPECT_EQ(mp3.ID3v1.Year, "2024");
    }
  }
}

}  // namespace
}  // namespace reelcast::test
