// The music tool mixes a script's entries at their places and encodes MP3;
// the length reader measures audio files.
#include <gtest/gtest.h>

#include "platform/AudioTool.h"
#include "support/MediaProbe.h"

namespace reelcast {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::string Music(const std::string& volume, const fs::path& file, int64_t t0, int64_t t1, int64_t m0,
                  int64_t m1) {
  auto s = [](int64_t v) { return std::to_string(v); };
  return "<Music><Volume>" + volume + "</Volume><File>" + file.string() + "</File><Time Start=\"" +
         s(t0) + "\" Stop=\"" + s(t1) + "\"/><MediaTime Start=\"" + s(m0) + "\" Stop=\"" + s(m1) +
         "\"/></Music>";
}

std::string Script(const std::string& musics) {
  return "<?xml version=\"1.0\"?><AudioToolX version=\"1.0\"><Audio><Volume>100</Volume>"
         "<Track ID=\"Ground Track\"><Volume>100</Volume>" +
         musics + "</Track></Audio></AudioToolX>";
}

constexpr int64_t kSecond = 10'000'000;

class AudioToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 2 s MP3: 440 Hz for a second, then 660 Hz; 1 s WAV at 880 Hz.
    test::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=440:r=44100:d=1", "-f", "lavfi", "-i",
                     "sine=f=660:r=44100:d=1", "-filter_complex", "[0][1]concat=n=2:v=0:a=1",
                     "-c:a", "libmp3lame", "-b:a", "128k", (dir_ / "tune.mp3").string()});
    test::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=880:r=22050:d=1", (dir_ / "beep.wav").string()});
  }
  void TearDown() override { AudioUtilFreeAll(); }

  int Mix(const std::string& musics, const fs::path& out, TAudioProgressProc progress = {}) {
    test::WriteFile(dir_ / "mix.xml", Script(musics));
    int rc = AudioUtilLoadXmlFile(44100, (dir_ / "mix.xml").string());
    if (rc != 0) return 100 + rc;
    AudioUtilSetProgressProc(std::move(progress));
    AudioSetEncoderBitrate(128);
    return AudioUtilWaitForComplete(AudioUtilOutputMp3(out.string()));
  }

  TempDir dir_;
};

TEST_F(AudioToolTest, PlacesEntriesOnTheTimeLineAndEncodesMp3) {
  std::vector<int> percents;
  fs::path out = dir_ / "out.mp3";
  ASSERT_EQ(Mix(Music("100", dir_ / "tune.mp3", 0, 2 * kSecond, 0, 2 * kSecond) +
                    Music("0", "", 2 * kSecond, 3 * kSecond, 0, kSecond) +
                    Music("100", dir_ / "beep.wav", 3 * kSecond, 4 * kSecond, 0, kSecond) +
                    // Starts a second into the tune: its 660 Hz half.
                    Music("50", dir_ / "tune.mp3", 4 * kSecond, 5 * kSecond, kSecond, 2 * kSecond),
                out,
                [&](int p) {
                  percents.push_back(p);
                  return -1;
                }),
            0)
      << AudioUtilLastError();
  auto probe = test::ProbeMedia(out);
  const auto& a = test::ProbeStream(probe, "audio");
  EXPECT_EQ(a["codec_name"].String(), "mp3");
  EXPECT_EQ(a["sample_rate"].String(), "44100");
  EXPECT_EQ(a["channels"].Number(), 2);
  EXPECT_EQ(a["bit_rate"].String(), "128000");
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

  auto pcm = test::DecodeAudio(out, 22050);
  EXPECT_NEAR(pcm.size() / 22050.0, 5.0, 0.1);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 0.2, 0.8), 440, 10);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 1.2, 1.8), 660, 10);
  EXPECT_LT(test::Rms(pcm, 22050, 2.2, 2.8), 30);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 3.2, 3.8), 880, 10);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 4.2, 4.8), 660, 10);
  EXPECT_NEAR(test::Rms(pcm, 22050, 4.2, 4.8) / test::Rms(pcm, 22050, 1.2, 1.8), 0.5, 0.08);
}

TEST_F(AudioToolTest, CancelAndBadScriptsLeaveNoFile) {
  fs::path out = dir_ / "out.mp3";
  EXPECT_NE(Mix(Music("100", dir_ / "tune.mp3", 0, 60 * kSecond, 0, 60 * kSecond), out,
                [](int p) { return p >= 10 ? 0 : -1; }),
            0);
  EXPECT_FALSE(fs::exists(out));

  test::WriteFile(dir_ / "bad.xml", "<Other/>");
  EXPECT_NE(AudioUtilLoadXmlFile(44100, (dir_ / "bad.xml").string()), 0);
  EXPECT_NE(AudioUtilLoadXmlFile(44100, (dir_ / "missing.xml").string()), 0);
  EXPECT_LT(AudioUtilOutputMp3(out.string()), 0);

  EXPECT_NE(Mix(Music("100", dir_ / "missing.mp3", 0, kSecond, 0, kSecond), out), 0);
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(AudioToolTest, LengthReaderGivesHundredNanosecondUnits) {
  int64_t length = 0;
  ASSERT_TRUE(SetMediaFile((dir_ / "beep.wav").string()));
  ASSERT_TRUE(GetAudioLength(&length));
  EXPECT_EQ(length, kSecond);
  FreeMedia();
  ASSERT_TRUE(SetMediaFile((dir_ / "tune.mp3").string()));
  ASSERT_TRUE(GetAudioLength(&length));
  EXPECT_NEAR(length, 2 * kSecond, kSecond / 20);
  FreeMedia();
  EXPECT_FALSE(GetAudioLength(&length));
  EXPECT_FALSE(SetMediaFile((dir_ / "missing.mp3").string()));
}

}  // namespace
}  // namespace reelcast
