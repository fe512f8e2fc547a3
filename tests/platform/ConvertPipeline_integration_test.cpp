// The conversion engine on media files made by ffmpeg: the output time
// line, the encoded streams, the picture and sound adjustments, stopping and
// failing without leaving files behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/ConvertPipeline.h"
#include "support/MediaProbe.h"

namespace reelcast {
namespace {

using test::DecodeFrame;
using test::ProbeMedia;
using test::ProbeStream;
using test::TempDir;
namespace fs = std::filesystem;

// Clips shared by the tests of this file, made once.
class ConvertPipelineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir("reelcast-pipeline");
    // 4 s of red at 25 fps with a 440 Hz tone.
    test::RunFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=320x240:r=25:d=4", "-f", "lavfi", "-i",
                     "sine=f=440:r=48000:d=4", "-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le",
                     Red().string()});
    // 3 s of blue at 30 fps, 640x480, with an 880 Hz tone at 44.1 kHz.
    test::RunFfmpeg({"-f", "lavfi", "-i", "color=c=blue:s=640x480:r=30:d=3", "-f", "lavfi", "-i",
                     "sine=f=880:r=44100:d=3", "-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le",
                     Blue().string()});
    // 2 s of one colour (R 200, G 100, B 50), left half white.
    test::RunFfmpeg({"-f", "lavfi", "-i",
                     "color=c=0xC86432:s=320x240:r=25:d=2,drawbox=x=0:y=0:w=160:h=240:color=white:t=fill",
                     "-f", "lavfi", "-i", "sine=f=440:r=48000:d=2", "-c:v", "mpeg4", "-q:v", "1",
                     "-c:a", "pcm_s16le", Halves().string()});
  }
  static void TearDownTestSuite() { delete dir_; }

  static fs::path Red() { return *dir_ / "red.mkv"; }
  static fs::path Blue() { return *dir_ / "blue.mkv"; }
  static fs::path Halves() { return *dir_ / "halves.mkv"; }

  static TConvertEntry Entry(const fs::path& path, double out, double from, double to) {
    TConvertEntry e;
    e.Path = path.string();
    e.OutputStart = out;
    e.OutputEnd = out + (to - from);
    e.SourceStart = from;
    e.SourceEnd = to;
    e.AudioTrack = 0;
    return e;
  }

  static bool Convert(const TEncodeSettings& s, std::vector<TConvertEntry> entries, const fs::path& out,
                      const TConvertPipeline::TTickFunction& tick = [](const TConvertTick&) { return true; }) {
    TConvertPipeline pipeline(s, std::move(entries), out.string());
    return pipeline.Run(tick);
  }

  static TempDir* dir_;
};
TempDir* ConvertPipelineTest::dir_ = nullptr;

TEST_F(ConvertPipelineTest, EntriesFollowOneAnotherOnOneTimeLineInOneFlv) {
  TempDir out;
  TEncodeSettings s;
  s.Width = 320;
  s.Height = 240;
  s.FrameRate = 25;
  s.VideoBitrate = 400000;
  s.SampleRate = 22050;
  std::vector<TConvertEntry> entries = {Entry(Red(), 0, 1.0, 3.0), Entry(Blue(), 2.0, 0.5, 2.0)};
  double lastPosition = 0;
  int64_t ticks = 0;
  ASSERT_TRUE(Convert(s, entries, out / "a.flv", [&](const TConvertTick& t) {
    EXPECT_GE(t.Position, lastPosition);
    EXPECT_DOUBLE_EQ(t.Total, 3.5);
    lastPosition = t.Position;
    ++ticks;
    return true;
  }));
  EXPECT_FALSE(fs::exists(out / "a.flv.part"));

  test::JsonValue probe = ProbeMedia(out / "a.flv");
  EXPECT_EQ(probe["format"]["format_name"].String(), "flv");
  const auto& v = ProbeStream(probe, "video");
  EXPECT_EQ(v["codec_name"].String(), "flv1");
  EXPECT_EQ(v["width"].Number(), 320);
  EXPECT_EQ(v["height"].Number(), 240);
  EXPECT_EQ(v["r_frame_rate"].String(), "25/1");
  // 50 frames of the first entry (0..1.96 s) and 38 of the second (2.0..3.48 s).
  EXPECT_EQ(std::stoi(v["nb_read_frames"].String()), 88);
  EXPECT_EQ(ticks, 88);
  const auto& a = ProbeStream(probe, "audio");
  EXPECT_EQ(a["codec_name"].String(), "mp3");
  EXPECT_EQ(a["sample_rate"].String(), "22050");
  EXPECT_EQ(a["channels"].Number(), 2);
  EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 3.5, 0.1);

  // Red, then blue; 440 Hz, then 880 Hz.
  auto first = DecodeFrame(out / "a.flv", 1.0);
  EXPECT_GT(first.Mean(0, 0, 0, 320, 240), 200);
  EXPECT_LT(first.Mean(2, 0, 0, 320, 240), 40);
  auto second = DecodeFrame(out / "a.flv", 3.0);
  EXPECT_LT(second.Mean(0, 0, 0, 320, 240), 40);
  EXPECT_GT(second.Mean(2, 0, 0, 320, 240), 200);
  auto pcm = test::DecodeAudio(out / "a.flv", 22050);
  EXPECT_NEAR(static_cast<double>(pcm.size()) / 22050, 3.5, 0.1);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 0.3, 1.7), 440, 10);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 2.3, 3.3), 880, 10);
}

TEST_F(ConvertPipelineTest, BitRateFrameRateAndNoAudio) {
  TempDir out;
  TEncodeSettings s;
  s.Width = 400;
  s.Height = 300;
  s.FrameRate = 0;  // the source's 30 fps
  s.VideoBitrate = 300000;
  s.Audio = false;
  // Noise keeps the encoder at its bit rate.
  test::RunFfmpeg({"-f", "lavfi", "-i", "testsrc2=s=400x300:r=30:d=6,noise=alls=8:allf=t", "-c:v",
                   "mpeg4", "-q:v", "2", (out / "busy.mkv").string()});
  ASSERT_TRUE(Convert(s, {Entry(out / "busy.mkv", 0, 0, 6)}, out / "b.flv"));
  test::JsonValue probe = ProbeMedia(out / "b.flv");
  const auto& v = ProbeStream(probe, "video");
  EXPECT_EQ(v["r_frame_rate"].String(), "30/1");
  EXPECT_EQ(std::stoi(v["nb_read_frames"].String()), 180);
  EXPECT_TRUE(ProbeStream(probe, "audio").IsNull());
  double bits = 8.0 * fs::file_size(out / "b.flv");
  EXPECT_NEAR(bits / 6.0, 300000, 300000 * 0.15);
}

struct TPictureCase {
  const char* Name;
  std::function<void(TConvertEntry&, TEncodeSettings&)> Set;
  std::function<void(const test::TRgbFrame&)> Check;
};

TEST_F(ConvertPipelineTest, PictureAdjustmentsChangeThePicturesAsChosen) {
  // The right half of the source is R 200, G 100, B 50; the left is white.
  auto right = [](const test::TRgbFrame& f, int c) { return f.Mean(c, 220, 80, 300, 160); };
  auto left = [](const test::TRgbFrame& f, int c) { return f.Mean(c, 20, 80, 140, 160); };
  const std::vector<TPictureCase> cases = {
      {"unchanged", [](TConvertEntry&, TEncodeSettings&) {},
       [&](const test::TRgbFrame& f) {
         EXPECT_NEAR(right(f, 0), 200, 12);
         EXPECT_NEAR(right(f, 1), 100, 12);
         EXPECT_NEAR(right(f, 2), 50, 12);
         EXPECT_GT(left(f, 1), 235);
       }},
      {"gray", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Effect = kPictureGray; },
       [&](const test::TRgbFrame& f) {
         EXPECT_NEAR(right(f, 0), right(f, 1), 6);
         EXPECT_NEAR(right(f, 1), right(f, 2), 6);
         EXPECT_NEAR(right(f, 1), 0.299 * 200 + 0.587 * 100 + 0.114 * 50, 15);
       }},
      {"negative", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Effect = kPictureNegative; },
       [&](const test::TRgbFrame& f) {
         EXPECT_NEAR(right(f, 0), 55, 20);
         EXPECT_NEAR(right(f, 1), 155, 20);
         EXPECT_NEAR(right(f, 2), 205, 20);
         EXPECT_LT(left(f, 1), 25);
       }},
      {"emboss: flat areas become mid grey", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Effect = kPictureEmboss; },
       [&](const test::TRgbFrame& f) {
         for (int c = 0; c < 3; ++c) EXPECT_NEAR(right(f, c), 128, 12) << c;
         for (int c = 0; c < 3; ++c) EXPECT_NEAR(left(f, c), 128, 12) << c;
       }},
      {"old film: sepia", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Effect = kPictureOldFilm; },
       [&](const test::TRgbFrame& f) {
         EXPECT_GT(right(f, 0), right(f, 1) + 5);
         EXPECT_GT(right(f, 1), right(f, 2) + 5);
         EXPECT_LT(right(f, 0) - right(f, 2), 100);  // less colourful than 200/50
         // Darker at the corners (the vignette).
         EXPECT_LT(f.Mean(1, 300, 0, 320, 20), right(f, 1) - 10);
       }},
      {"brightness up", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Brightness = 100; },
       [&](const test::TRgbFrame& f) { EXPECT_GT(right(f, 1), 160); }},
      {"saturation off", [](TConvertEntry& e, TEncodeSettings&) { e.Picture.Saturation = -100; },
       [&](const test::TRgbFrame& f) { EXPECT_NEAR(right(f, 0), right(f, 2), 8); }},
      {"crop to the right half",
       [](TConvertEntry& e, TEncodeSettings&) {
         e.Picture.CropLeft = 160;
         e.Picture.CropRight = 320;
         e.Picture.CropBottom = 240;
       },
       [&](const test::TRgbFrame& f) {
         EXPECT_NEAR(left(f, 0), 200, 12);
         EXPECT_NEAR(left(f, 2), 50, 12);
       }},
      {"crop to the left half",
       [](TConvertEntry& e, TEncodeSettings&) { e.Picture.CropRight = 160; },
       [&](const test::TRgbFrame& f) { EXPECT_GT(right(f, 2), 235); }},
      {"keep original pads a 4:3 picture into 16:9 at the sides",
       [](TConvertEntry&, TEncodeSettings& s) {
         s.ResizeMode = 1;
         s.Height = 180;
       },
       [&](const test::TRgbFrame& f) {
         EXPECT_LT(f.Mean(1, 0, 0, 35, 180), 20);      // black bar
         EXPECT_GT(f.Mean(1, 50, 40, 150, 140), 235);  // white, from x = 40
         EXPECT_LT(f.Mean(1, 290, 0, 320, 180), 20);
       }},
      {"16:9 letterboxes in a 4:3 frame",
       [](TConvertEntry&, TEncodeSettings& s) { s.ResizeMode = 2; },
       [&](const test::TRgbFrame& f) {
         EXPECT_LT(f.Mean(1, 0, 0, 320, 25), 20);
         EXPECT_LT(f.Mean(1, 0, 215, 320, 240), 20);
         EXPECT_GT(left(f, 1), 235);
       }},
      {"full screen stretches", [](TConvertEntry&, TEncodeSettings& s) { s.Height = 180; },
       [&](const test::TRgbFrame& f) { EXPECT_GT(f.Mean(1, 0, 0, 30, 180), 235); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir out;
    TEncodeSettings s;
    s.FrameRate = 25;
    s.VideoBitrate = 800000;
    s.Audio = false;
    TConvertEntry e = Entry(Halves(), 0, 0.0, 1.0);
    c.Set(e, s);
    ASSERT_TRUE(Convert(s, {e}, out / "p.flv"));
    c.Check(DecodeFrame(out / "p.flv", 0.5));
  }
}

TEST_F(ConvertPipelineTest, VolumeScalesTheSound) {
  std::vector<double> rms;
  for (int volume : {0, 100, 200}) {
    TempDir out;
    TEncodeSettings s;
    s.SampleRate = 44100;
    TConvertEntry e = Entry(Red(), 0, 0.0, 2.0);
    e.Volume = volume;
    ASSERT_TRUE(Convert(s, {e}, out / "v.flv"));
    rms.push_back(test::Rms(test::DecodeAudio(out / "v.flv", 44100), 44100, 0.3, 1.7));
  }
  EXPECT_LT(rms[0], 30);
  EXPECT_GT(rms[1], 1000);
  EXPECT_NEAR(rms[2] / rms[1], 2.0, 0.2);
}

TEST_F(ConvertPipelineTest, StopAndFailureLeaveNoFiles) {
  TempDir out;
  TEncodeSettings s;
  int frames = 0;
  EXPECT_FALSE(Convert(s, {Entry(Red(), 0, 0, 4)}, out / "s.flv",
                       [&](const TConvertTick&) { return ++frames < 10; }));
  EXPECT_EQ(frames, 10);
  EXPECT_TRUE(fs::is_empty(out.Path()));

  EXPECT_THROW(Convert(s, {Entry(Red(), 0, 0, 1), Entry(out / "missing.mkv", 1, 0, 1)}, out / "f.flv"),
               EConvert);
  EXPECT_TRUE(fs::is_empty(out.Path()));
}

// The tick runs on the encoding thread while decoding goes on beside it: a
// tick that waits (a pause) holds the run, which then finishes whole; a tick
// that answers false after waiting (a stop while paused) ends it.
TEST_F(ConvertPipelineTest, HeldTickPausesTheThreadedRunAndResumesOrStopsIt) {
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stop while held" : "resume");
    TempDir out;
    TEncodeSettings s;
    s.FrameRate = 25;
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false, released = false;
    std::vector<int64_t> frames;
    bool result = true;
    std::thread run([&] {
      result = Convert(s, {Entry(Red(), 0, 0, 4)}, out / "h.flv", [&](const TConvertTick& t) {
        std::unique_lock lock(mutex);
        frames.push_back(t.Frames);
        if (t.Frames == 20) {
          held = true;
          changed.notify_all();
          changed.wait(lock, [&] { return released; });
          return !stop;
        }
        return true;
      });
    });
    {
      std::unique_lock lock(mutex);
      ASSERT_TRUE(changed.wait_for(lock, std::chrono::minutes(2), [&] { return held; }));
      // While held, decoding fills its queue and waits: no output appears.
      EXPECT_FALSE(fs::exists(out / "h.flv"));
      released = true;
      changed.notify_all();
    }
    run.join();
    std::vector<int64_t> expected;
    for (int64_t k = 1; k <= (stop ? 20 : 100); ++k) expected.push_back(k);
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(result, !stop);
    if (stop) {
      EXPECT_TRUE(fs::is_empty(out.Path()));
    } else {
      test::JsonValue probe = ProbeMedia(out / "h.flv");
      EXPECT_EQ(std::stoi(ProbeStream(probe, "video")["nb_read_frames"].String()), 100);
      EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 4.0, 0.1);
    }
  }
}

}  // namespace
}  // namespace reelcast
