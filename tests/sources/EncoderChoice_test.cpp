// The encoder keys of the settings store as both front ends read and write
// them, the size limits, "Constrain Proportion" and the choice applied to a
// task's encoder block.
#include <gtest/gtest.h>

#include <string>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "sources/EncoderChoice.h"
#include "support/StoreFixture.h"

namespace reelcast {
namespace {

class EncoderChoiceStoreTest : public test::StoreFixture {};

TEST_F(EncoderChoiceStoreTest, FreshStoreGivesTheDefaultsAndReadingWritesNothing) {
  TEncoderChoice c = TEncoderChoice::FromSettings();
  EXPECT_FALSE(c.Resolution);
  EXPECT_EQ(c.Width, 320);
  EXPECT_EQ(c.Height, 240);
  EXPECT_EQ(c.FrameRate, 0.0);
  EXPECT_EQ(c.BitrateKbps, 768);
  EXPECT_STREQ(kAspectChoices[c.AspectMode], "Keep original") << "a 16:9 DVD is not stretched";
  EXPECT_EQ(c.SampleRate, 22050);
  EXPECT_FALSE(c.DisableAudio);
  EXPECT_FALSE(test::fs::exists(ConfigStorePath()));
}

TEST_F(EncoderChoiceStoreTest, FrameRateIsWrittenAsAFloatAndReadAsAnInteger) {
  struct Case {
    double stored;
    double read;
  } cases[] = {{25.0, 25}, {23.976, 0}, {30, 30}, {10.9, 10}, {0, 0}, {29.97, 0}};
  for (const auto& c : cases) {
    TEncoderChoice choice;
    choice.FrameRate = c.stored;
    choice.WriteSettings();
    Reopen();
    const auto stored = ReadConfigText(keys::Frame);
    EXPECT_DOUBLE_EQ(std::stod(std::string(stored.begin(), stored.end())), c.stored);
    EXPECT_EQ(TEncoderChoice::FromSettings().FrameRate, c.read) << c.stored;
  }
}

TEST_F(EncoderChoiceStoreTest, WrittenChoiceReadsBackAndSizeIsKeptWithoutResolution) {
  TEncoderChoice s;
  s.Resolution = true;
  s.Width = 640;
  s.Height = 480;
  s.FrameRate = 15;
  s.BitrateKbps = 400;
  s.AspectMode = 2;
  s.SampleRate = 44100;
  s.DisableAudio = true;
  s.WriteSettings();
  Reopen();
  EXPECT_EQ(ReadConfigInt(keys::UserReso, 0), kConfigTrue);
  EXPECT_EQ(ReadConfigInt(keys::VBitrate, 0), 400000);
  EXPECT_EQ(ReadConfigInt(keys::DisableAudio, 0), kConfigTrue);
  TEncoderChoice r = TEncoderChoice::FromSettings();
  EXPECT_TRUE(r.Resolution);
  EXPECT_EQ(r.Width, 640);
  EXPECT_EQ(r.Height, 480);
  EXPECT_EQ(r.FrameRate, 15.0);
  EXPECT_EQ(r.BitrateKbps, 400);
  EXPECT_EQ(r.AspectMode, 2);
  EXPECT_EQ(r.SampleRate, 44100);
  EXPECT_TRUE(r.DisableAudio);

  // Without "Resolution" the stored size stays what was last chosen.
  r.Resolution = false;
  r.Width = 100;
  r.WriteSettings();
  EXPECT_EQ(ReadConfigInt(keys::UserReso, -1), kConfigFalse);
  EXPECT_EQ(ReadConfigInt(keys::Width, 0), 640);
}

TEST(EncoderChoiceTest, SizeLimitsAndConstrainedProportion) {
  struct Case {
    int32_t in, width, height;
  } cases[] = {{900, 800, 600}, {50, 80, 60}, {0, 80, 60}, {-5, 80, 60}, {700, 700, 600}, {100, 100, 100}};
  for (const auto& c : cases) {
    EXPECT_EQ(ClampVideoWidth(c.in), c.width) << c.in;
    EXPECT_EQ(ClampVideoHeight(c.in), c.height) << c.in;
  }
  EXPECT_EQ(ProportionalSide(640, 720, 480), 427);  // a 720 x 480 title, width 640
  EXPECT_EQ(ProportionalSide(427, 480, 720), 641);
  EXPECT_EQ(ProportionalSide(640, 0, 480), std::nullopt);
}

TEST(EncoderChoiceTest, AppliedChoiceKeepsTheBlockSizeWithoutResolution) {
  TEncoderParams block;
  block.Width = 512;
  block.Height = 288;
  block.AudioCodec = 1;
  TEncoderChoice c;
  c.FrameRate = 12;
  c.BitrateKbps = 300;
  c.AspectMode = 3;
  c.SampleRate = 11025;
  ApplyEncoderChoice(c, block);
  EXPECT_EQ(block.Width, 512);
  EXPECT_EQ(block.Height, 288);
  EXPECT_EQ(block.FrameRate, 12.0);
  EXPECT_EQ(block.VideoBitrate, 300000);
  EXPECT_EQ(block.ResizeMode, 3);
  EXPECT_EQ(block.SampleRate, 11025);
  EXPECT_EQ(block.AudioDisabled, 0);
  c.Resolution = true;
  c.Width = 900;
  c.Height = 50;
  c.DisableAudio = true;
  ApplyEncoderChoice(c, block);
  EXPECT_EQ(block.Width, 800);
  EXPECT_EQ(block.Height, 60);
  EXPECT_EQ(block.AudioDisabled, -1);
}

}  // namespace
}  // namespace reelcast
