// The codec bridge on the fixture DVD: segments of different titles merged
// into one FLV, the chosen subtitle and audio track, the progress messages,
// pause, resume and stop, and a refused start.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "convert/ConvWrapper.h"
#include "platform/DvdDecoder.h"
#include "platform/EncoderManager.h"
#include "support/MediaProbe.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string Ifo(const char* name) { return (test::DvdFixture() / "VIDEO_TS" / name).string(); }

double TitleBegin(const char* ifo, int title) {
  TIfoHandle h = IFOOpen(Ifo(ifo));
  double begin = IFOGetTitleBeginTime(h, title);
  IFOClose(h);
  return begin;
}

TEncoderParams Block(int width, int height, double fps, int bitrate, int sampleRate) {
  TEncoderParams p;
  p.VideoCodec = kCodecFlashVideo;
  p.Width = width;
  p.Height = height;
  p.FrameRate = fps;
  p.VideoBitrate = bitrate;
  p.PixelFormat = kPixelFormatYV12;
  p.AudioCodec = kCodecMp3;
  p.SampleRate = sampleRate;
  p.Channels = 2;
  p.AudioBitrate = 64000;
  p.BitsPerSample = 16;
  p.Container = kContainerFlv;
  return p;
}

TSegment Segment(const char* ifo, int title, double from, double to, const TEncoderParams& block,
                 const fs::path& out) {
  TSegment s;
  s.SourcePath = Ifo(ifo);
  double begin = TitleBegin(ifo, title);
  s.StartTime = begin + from;
  s.EndTime = begin + to;
  s.Encoder = block;
  s.OutputPath = out.string();
  s.VideoStream.SubtitleIndex = -1;
  return s;
}

int FrameNumber(const test::TRgbFrame& f) { return test::FixtureFrameNumber(f.Pixels.data(), f.Width); }

// What the bridge notifies, as (kind, failed) in a queue its test drains.
struct TNotice {
  TJobEventKind Kind;
  bool Failed = false;
  bool operator==(const TNotice&) const = default;
};

class TNoticeQueue {
 public:
  TConvWrapper::TNotify Notify() {
    return [this](TJobEventKind kind, bool failed) {
      {
        std::lock_guard lock(mutex_);
        notices_.push_back({kind, failed});
      }
      posted_.notify_one();
    };
  }
  std::vector<TNotice> WaitAndDrain(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [this] { return !notices_.empty(); });
    return std::exchange(notices_, {});
  }
  std::vector<TNotice> Drain() { return WaitAndDrain(std::chrono::milliseconds(0)); }
  size_t Pending() {
    std::lock_guard lock(mutex_);
    return notices_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<TNotice> notices_;
};

// The bridge's notices until EncodeDone (or a time-out).
std::vector<TNotice> WaitForEnd(TNoticeQueue& queue, int seconds = 120) {
  std::vector<TNotice> all;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    for (const TNotice& m : queue.WaitAndDrain(std::chrono::milliseconds(200))) {
      all.push_back(m);
      if (m.Kind == TJobEventKind::EncodeDone) return all;
    }
  }
  return all;
}

TEST(ConvWrapperTest, SegmentsOfTwoTitlesFollowEachOtherInOneFlv) {
  TempDir out;
  TNoticeQueue queue;
  const fs::path flv = out / "job.flv";
  TEncoderParams block = Block(480, 384, 25, 1200000, 22050);
  TConvWrapper bridge(queue.Notify(), true);
  bridge.AddSegment(Segment("VTS_01_0.IFO", 0, 1.0, 3.0, block, flv));
  // The second segment's own size and rate are not used.
  bridge.AddSegment(Segment("VTS_02_0.IFO", 0, 1.0, 2.6, Block(200, 100, 10, 100000, 11025), flv));
  ASSERT_TRUE(bridge.Start()) << bridge.LastError();
  EXPECT_DOUBLE_EQ(bridge.TotalDuration(), 3.6);
  for (const TSegment& s : bridge.Segments()) EXPECT_EQ(s.Status, kSegmentStarted);
  // The first segment's block is passed on without its resize mode.
  EXPECT_EQ(bridge.Segments()[0].Encoder.ResizeMode, 0);

  auto messages = WaitForEnd(queue);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), (TNotice{TJobEventKind::EncodeDone, false}));
  EXPECT_GT(std::count(messages.begin(), messages.end(), TNotice{TJobEventKind::EncodeProgress, false}), 1);
  EXPECT_EQ(bridge.OverallPercent(), 100);

  auto probe = test::ProbeMedia(flv);
  const auto& v = test::ProbeStream(probe, "video");
  EXPECT_EQ(v["codec_name"].String(), "flv1");
  EXPECT_EQ(v["width"].Number(), 480);
  EXPECT_EQ(v["height"].Number(), 384);
  EXPECT_EQ(v["r_frame_rate"].String(), "25/1");
  EXPECT_EQ(std::stoi(v["nb_read_frames"].String()), 90);
  const auto& a = test::ProbeStream(probe, "audio");
  EXPECT_EQ(a["codec_name"].String(), "mp3");
  EXPECT_EQ(a["sample_rate"].String(), "22050");
  EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 3.6, 0.1);

  // Title 1 of set 1 from its second 1, then title 1 of set 2 from its second 1.
  EXPECT_EQ(FrameNumber(test::DecodeFrameNumber(flv, 0)), 25);
  EXPECT_EQ(FrameNumber(test::DecodeFrameNumber(flv, 49)), 74);
  EXPECT_EQ(FrameNumber(test::DecodeFrameNumber(flv, 50)), 30);  // 1.001 s at 29.97 fps
  EXPECT_EQ(FrameNumber(test::DecodeFrameNumber(flv, 75)), 60);
  // 440 Hz in set 1, 660 Hz in set 2.
  auto pcm = test::DecodeAudio(flv, 22050);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 0.3, 1.7), 440, 10);
  EXPECT_NEAR(test::Pitch(pcm, 22050, 2.2, 3.4), 660, 10);
}

TEST(ConvWrapperTest, ChosenSubtitleIsBurntInAndChosenAudioTrackIsHeard) {
  struct TCase {
    int Subtitle;
    int AudioTrack;
    bool Red;
    double Pitch;
  };
  for (const TCase& c : {TCase{0, 1, true, 880}, TCase{1, 0, false, 440}}) {
    SCOPED_TRACE(c.Subtitle);
    TempDir out;
    TNoticeQueue queue;
    TEncoderParams block = Block(360, 288, 25, 800000, 44100);
    TSegment s = Segment("VTS_01_0.IFO", 0, 2.5, 4.0, block, out / "s.flv");
    s.VideoStream.SubtitleIndex = c.Subtitle;
    s.AudioStream.AudioTrackIndex = c.AudioTrack;
    TConvWrapper bridge(queue.Notify(), true);
    bridge.AddSegment(s);
    ASSERT_TRUE(bridge.Start());
    ASSERT_EQ(WaitForEnd(queue).back().Kind, TJobEventKind::EncodeDone);
    // The box covers 240..480 x 400..496 of 720x576: 120..240 x 200..248 here.
    auto f = test::DecodeFrameNumber(out / "s.flv", 12);
    double share = test::RedShare(f, 125, 205, 235, 243);
    if (c.Red) EXPECT_GT(share, 0.97);
    else EXPECT_LT(share, 0.6);
    auto pcm = test::DecodeAudio(out / "s.flv", 22050);
    EXPECT_NEAR(test::Pitch(pcm, 22050, 0.2, 1.3), c.Pitch, 10);
  }
}

TEST(ConvWrapperTest, KeepOriginalKeepsTheDisplayAspectOfTheTitle) {
  // Set 2 is 16:9: in a 4:3 frame it shows 320x180 between black bars; set
  // 1 is 4:3 and fills it.
  struct TCase {
    const char* Ifo;
    bool Bars;
  };
  for (const TCase& c : {TCase{"VTS_02_0.IFO", true}, TCase{"VTS_01_0.IFO", false}}) {
    SCOPED_TRACE(c.Ifo);
    TempDir out;
    TNoticeQueue queue;
    TEncoderParams block = Block(320, 240, 25, 600000, 22050);
    block.ResizeMode = 1;
    TConvWrapper bridge(queue.Notify(), true);
    bridge.AddSegment(Segment(c.Ifo, 0, 0.5, 1.5, block, out / "k.flv"));
    ASSERT_TRUE(bridge.Start());
    ASSERT_EQ(WaitForEnd(queue).back().Kind, TJobEventKind::EncodeDone);
    auto f = test::DecodeFrameNumber(out / "k.flv", 5);
    double top = f.Mean(1, 0, 0, 320, 26), bottom = f.Mean(1, 0, 214, 320, 240);
    double middle = f.Mean(1, 0, 60, 320, 180);
    if (c.Bars) {
      EXPECT_LT(top, 20);
      EXPECT_LT(bottom, 20);
    } else {
      EXPECT_GT(bottom, 40);
    }
    EXPECT_GT(middle, 60);
  }
}

// Starts a 12 s conversion into flv and pauses it once ten frames are
// done; returns once the converter holds.
void StartAndHold(TConvWrapper& bridge, TNoticeQueue& queue, const fs::path& flv) {
  bridge.AddSegment(Segment("VTS_01_0.IFO", 0, 0, 12, Block(320, 240, 25, 600000, 22050), flv));
  ASSERT_TRUE(bridge.Start()) << bridge.LastError();
  // Every progress report arrives as a notice.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (bridge.CurrentFrame() < 10 && std::chrono::steady_clock::now() < deadline)
    queue.WaitAndDrain(std::chrono::seconds(1));
  ASSERT_GE(bridge.CurrentFrame(), 10) << "ten frames converted";
  bridge.Pause();
  ASSERT_TRUE(bridge.WaitHeld(std::chrono::seconds(60)));
}

TEST(ConvWrapperTest, PauseHoldsResumeGoesOnStopLeavesNothing) {
  // Paused, the converter holds: nothing moves and nothing is reported;
  // resumed, it goes on to the end.
  {
    TempDir out;
    TNoticeQueue queue;
    TConvWrapper bridge(queue.Notify(), true);
    ASSERT_NO_FATAL_FAILURE(StartAndHold(bridge, queue, out / "p.flv"));
    queue.Drain();
    const int32_t held = bridge.CurrentFrame();
    EXPECT_EQ(queue.Pending(), 0u);
    EXPECT_FALSE(fs::exists(out / "p.flv"));
    bridge.Resume();
    auto rest = WaitForEnd(queue);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back(), (TNotice{TJobEventKind::EncodeDone, false}));
    EXPECT_GT(bridge.CurrentFrame(), held);
    EXPECT_TRUE(fs::exists(out / "p.flv"));
  }
  // Stopped while held before the end: the partial output goes, and no
  // notice comes after Stop returned.
  {
    TempDir out;
    TNoticeQueue queue;
    TConvWrapper bridge(queue.Notify(), true);
    ASSERT_NO_FATAL_FAILURE(StartAndHold(bridge, queue, out / "s.flv"));
    bridge.Stop();
    queue.Drain();
    EXPECT_EQ(queue.Pending(), 0u);
    EXPECT_TRUE(fs::is_empty(out.Path()));
  }
}

TEST(ConvWrapperTest, RefusedStartMarksEverySegmentAndPostsNothing) {
  TempDir out;
  TNoticeQueue queue;
  TConvWrapper bridge(queue.Notify(), true);
  TEncoderParams block = Block(320, 240, 25, 600000, 22050);
  block.Container = FourCC("avi ");
  bridge.AddSegment(Segment("VTS_01_0.IFO", 0, 0, 2, block, out / "r.flv"));
  bridge.AddSegment(Segment("VTS_01_0.IFO", 0, 2, 4, block, out / "r.flv"));
  EXPECT_FALSE(bridge.Start());
  for (const TSegment& s : bridge.Segments()) EXPECT_EQ(s.Status, kSegmentStartFailed);
  EXPECT_FALSE(bridge.LastError().empty());
  // A refused start runs no converter, so nothing can be posted later.
  EXPECT_EQ(queue.Pending(), 0u);
}

TEST(ConvWrapperTest, FailureOnTheWayIsReportedAndLeavesNoFile) {
  TempDir out;
  TNoticeQueue queue;
  TConvWrapper bridge(queue.Notify(), true);
  TEncoderParams block = Block(320, 240, 25, 600000, 22050);
  bridge.AddSegment(Segment("VTS_01_0.IFO", 0, 0, 1, block, out / "f.flv"));
  TSegment missing = Segment("VTS_01_0.IFO", 0, 0, 1, block, out / "f.flv");
  missing.SourcePath = (out / "VTS_09_0.IFO").string();
  bridge.AddSegment(missing);
  ASSERT_TRUE(bridge.Start());
  auto messages = WaitForEnd(queue);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), (TNotice{TJobEventKind::EncodeDone, true}));
  EXPECT_FALSE(bridge.LastError().empty());
  EXPECT_TRUE(fs::is_empty(out.Path()));
}

}  // namespace
}  // namespace reelcast
