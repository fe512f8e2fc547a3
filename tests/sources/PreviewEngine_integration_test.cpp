// The preview engine against the test DVD: which pictures it shows (by the
// frame numbers burnt into them), when (the audio clock), with which
// adjustments, what it reports, and what it leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/PreviewSource.h"
#include "sources/PreviewEngine.h"
#include "sources/Snapshot.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::DvdFixture;
using test::TempDir;

constexpr auto kDeadline = 60s;

std::string Ifo(const char* name) { return (DvdFixture() / "VIDEO_TS" / name).string(); }

// Remembers every picture shown and what the player asked of the view.
class TRecordingView : public TPlayerView {
 public:
  void ShowPicture(std::shared_ptr<const TRgbImage> picture) override {
    std::lock_guard lock(mutex_);
    pictures_.push_back(picture);
    changed_.notify_all();
  }
  void ShowCropFrame(bool shown, const TCropRect& rect) override {
    CropShown = shown;
    Crop = rect;
  }
  std::vector<int> Numbers() {
    std::lock_guard lock(mutex_);
    std::vector<int> out;
    for (const auto& p : pictures_) out.push_back(test::FixtureFrameNumber(p->Pixels.data(), p->Width));
    return out;
  }
  std::shared_ptr<const TRgbImage> Last() {
    std::lock_guard lock(mutex_);
    return pictures_.empty() ? nullptr : pictures_.back();
  }
  size_t Count() {
    std::lock_guard lock(mutex_);
    return pictures_.size();
  }
  // Waits until the picture last shown satisfies the test.
  bool WaitFor(const std::function<bool(const TRgbImage&)>& test) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return !pictures_.empty() && test(*pictures_.back()); });
  }
  bool WaitForNumber(int n) {
    return WaitFor([&](const TRgbImage& p) { return test::FixtureFrameNumber(p.Pixels.data(), p.Width) == n; });
  }
  bool CropShown = false;
  TCropRect Crop;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<const TRgbImage>> pictures_;
};

// A sound card whose played position the test sets; it keeps what it is
// given.
class TTestAudioDevice : public TAudioDevice {
 public:
  struct TShared {
    std::atomic<int64_t> Played{0};
    std::atomic<int64_t> Written{0};
    std::atomic<bool> Paused{false};
    std::mutex Mutex;
    std::vector<int16_t> Samples;  // since the last flush
  };
  explicit TTestAudioDevice(std::shared_ptr<TShared> shared) : s_(std::move(shared)) {}
  bool Open(int rate, int channels) override { return rate == kPreviewSampleRate && channels == 2; }
  int64_t Write(const int16_t* samples, int64_t frames) override {
    // Takes up to one second beyond what has been played.
    int64_t room = std::max<int64_t>(0, s_->Played + kPreviewSampleRate - s_->Written);
    int64_t n = std::min(frames, room);
    std::lock_guard lock(s_->Mutex);
    s_->Samples.insert(s_->Samples.end(), samples, samples + n * 2);
    s_->Written += n;
    return n;
  }
  int64_t PlayedFrames() override { return std::min(s_->Played.load(), s_->Written.load()); }
  void Pause() override { s_->Paused = true; }
  void Resume() override { s_->Paused = false; }
  void Flush() override {
    std::lock_guard lock(s_->Mutex);
    s_->Samples.clear();
    s_->Played = 0;
    s_->Written = 0;
  }

 private:
  std::shared_ptr<TShared> s_;
};

// The five handles of one preview, freed in the order the pages free them.
struct TPreview {
  TVideoDecoderHandle VideoDecoder = 0;
  TAudioDecoderHandle AudioDecoder = 0;
  TVideoProcessorHandle Video = 0;
  TAudioProcessorHandle Audio = 0;
  TPlayerHandle Player = 0;
  TMessageQueue Window;

  TPreview(const std::string& ifo, TPlayerView* view, int subtitle = -1, int audio = 0) {
    TVideoDecoderParams vp;
    vp.SubtitleIndex = subtitle;
    int32_t error = -1;
    VideoDecoder = WVDCreate(ifo, &vp, &error);
    EXPECT_EQ(error, kWvdOk) << IFOLastError();
    TAudioDecoderParams ap;
    ap.AudioTrackIndex = audio;
    AudioDecoder = WADCreate(ifo, &ap);
    Video = PCCreateVideoProcessor(VideoDecoder);
    Audio = PCCreateAudioProcessor(AudioDecoder);
    Player = VPCreate(view, 0, 0, 640, 480);
    EXPECT_TRUE(VPConnect(Player, Video, Audio));
    VPSetCallBack(Player, Window.Handle());
  }
  ~TPreview() {
    VPStop(Player);
    PCDestroyVideoProcessor(Video);
    PCDestroyAudioProcessor(Audio);
    WVDDestroy(VideoDecoder);
    WADDestroy(AudioDecoder);
    VPDestory(Player);
  }
  // Waits for the range-played message; the ticks before it are counted.
  bool WaitForEnd(int* ticks = nullptr) {
    auto until = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < until) {
      for (const TMessage& m : Window.WaitAndDrain(100ms)) {
        EXPECT_EQ(m.Msg, WM_PLAYERNOTIFY);
        if (m.WParam == kPlayerEnd) return true;
        if (ticks) ++*ticks;
      }
    }
    return false;
  }
};

int OpenFiles() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

struct TAudioDeviceScope {
  explicit TAudioDeviceScope(TAudioDeviceFactory f) { SetAudioDeviceFactory(std::move(f)); }
  ~TAudioDeviceScope() { SetAudioDeviceFactory(nullptr); }
};

TEST(PreviewEngineTest, TrimmedRangesStartAndEndOnTheirFramesAndReportTheEnd) {
  // Title 1 runs 0..12 s at 25 fps; title 2 begins at 12 s (its own frames
  // count from 0); chapter 2 of the NTSC set begins at 3.003 s.
  struct TCase {
    const char* File;
    double Start, Duration;
    int First, Last;
  } cases[] = {
      {"VTS_01_0.IFO", 1.0, 1.0, 25, 49},
      {"VTS_01_0.IFO", 12.4, 1.0, 10, 34},
      {"VTS_02_0.IFO", 3.003, 0.5, 90, 104},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " from " + std::to_string(c.Start));
    TRecordingView view;
    TPreview preview(Ifo(c.File), &view);
    VPSetPlayTime(preview.Player, c.Start, c.Duration);
    VPPlay(preview.Player);
    int ticks = 0;
    ASSERT_TRUE(preview.WaitForEnd(&ticks));
    std::vector<int> shown = view.Numbers();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), c.First);
    EXPECT_EQ(shown.back(), c.Last);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GE(ticks, 2);
    EXPECT_NEAR(VPGetPlayedTime(preview.Player), c.Duration, 0.05);
    EXPECT_FALSE(VPPlayer(preview.Player)->AudioClock()) << "no sound card: the system clock";
  }
}

TEST(PreviewEngineTest, SeekShowsThePictureAtTheTimeAlsoWhilePaused) {
  TRecordingView view;
  TPreview preview(Ifo("VTS_01_0.IFO"), &view);
  VPSetPlayTime(preview.Player, 0, 12);
  VPPlay(preview.Player);
  ASSERT_TRUE(view.WaitFor([](const TRgbImage&) { return true; }));
  VPPause(preview.Player);
  for (double t : {5.0, 9.32, 0.52, 11.96}) {
    SCOPED_TRACE(t);
    VPSeek(preview.Player, t);
    ASSERT_TRUE(view.WaitForNumber(static_cast<int>(std::lround(t * 25))));
    EXPECT_NEAR(VPGetPlayedTime(preview.Player), t, 0.001);
  }
  // Resumed from 11.96 it plays the last picture and reports the end.
  VPResume(preview.Player);
  ASSERT_TRUE(preview.WaitForEnd());
  EXPECT_EQ(view.Numbers().back(), 299);
  // A seek after the end plays again from there.
  VPSeek(preview.Player, 11.0);
  ASSERT_TRUE(preview.WaitForEnd());
  EXPECT_EQ(view.Numbers().back(), 299);
}

TEST(PreviewEngineTest, PicturesFollowTheSoundCardsPlayedPosition) {
  auto card = std::make_shared<TTestAudioDevice::TShared>();
  TAudioDeviceScope scope([card] { return std::make_unique<TTestAudioDevice>(card); });
  TRecordingView view;
  TPreview preview(Ifo("VTS_01_0.IFO"), &view);
  VPSetPlayTime(preview.Player, 4.0, 6.0);
  VPPlay(preview.Player);
  ASSERT_TRUE(view.WaitForNumber(100));
  // Nothing is played yet: the first picture stays.
  EXPECT_EQ(VPGetPlayedTime(preview.Player), 0.0);
  EXPECT_EQ(view.Numbers().back(), 100);
  EXPECT_TRUE(VPPlayer(preview.Player)->AudioClock());
  for (double played : {0.5, 1.24, 3.0}) {
    SCOPED_TRACE(played);
    card->Played = std::llround(played * kPreviewSampleRate);
    // The card plays only what it was given, which the player tops up.
    auto until = std::chrono::steady_clock::now() + kDeadline;
    while (VPGetPlayedTime(preview.Player) < played - 1e-6 && std::chrono::steady_clock::now() < until)
      std::this_thread::yield();
    EXPECT_NEAR(VPGetPlayedTime(preview.Player), played, 0.001);
    ASSERT_TRUE(view.WaitForNumber(100 + static_cast<int>(std::floor(played * 25 + 1e-9))));
  }
  // The card got the 440 Hz track from 4 s on: loud, and about 1 s ahead.
  auto loudness = [&](size_t from, size_t count) {
    std::lock_guard lock(card->Mutex);
    double sum = 0;
    for (size_t i = from; i < from + count && i < card->Samples.size(); ++i)
      sum += static_cast<double>(card->Samples[i]) * card->Samples[i];
    return std::sqrt(sum / count);
  };
  EXPECT_GT(loudness(0, 48000), 1000);
  // Volume 0 applies to the sound decoded from now on.
  PCSetVolum(preview.Audio, 0);
  const auto mark = static_cast<size_t>(card->Written * 2);
  card->Played = card->Written.load();
  ASSERT_TRUE(view.WaitFor([](const TRgbImage&) { return true; }));
  auto soon = std::chrono::steady_clock::now() + kDeadline;
  while (static_cast<size_t>(card->Written * 2) < mark + 2 * 48000 && std::chrono::steady_clock::now() < soon)
    card->Played = card->Written.load();
  EXPECT_LT(loudness(mark + 48000, 24000), 1.0);
  // Played to the end, the range is reported done.
  bool ended = false;
  auto until = std::chrono::steady_clock::now() + kDeadline;
  while (!ended && std::chrono::steady_clock::now() < until) {
    card->Played = card->Written.load();
    for (const TMessage& m : preview.Window.WaitAndDrain(5ms)) ended = ended || m.WParam == kPlayerEnd;
  }
  ASSERT_TRUE(ended);
  EXPECT_EQ(view.Numbers().back(), 249);
}

TEST(PreviewEngineTest, AdjustmentsAndCropChangeThePictureAsTheConversionFiltersDo) {
  // The preview of the title at 2 s, with the subtitle box shown then.
  TPreviewSource plain(Ifo("VTS_01_0.IFO"), 2.4, 3.0, -1, 0);
  TRgbImage base;
  TPreviewSound sound;
  TPreviewItem item;
  while ((item = plain.Next(&base, &sound)) == TPreviewItem::Sound) {
  }
  ASSERT_EQ(item, TPreviewItem::Picture);
  EXPECT_EQ(test::FixtureFrameNumber(base.Pixels.data(), base.Width), 60);
  const uint8_t* box = base.Pixel(360, 448);  // inside the red subtitle box
  EXPECT_GT(box[0], 180);
  EXPECT_LT(box[1], 80);

  TRecordingView view;
  TPreview preview(Ifo("VTS_01_0.IFO"), &view, 0);
  const TCropRect crop{100, 40, 460, 328};
  PCSetCropRect(preview.Video, &crop);
  VPSetPlayTime(preview.Player, 2.4, 1.0);
  VPPlay(preview.Player);
  ASSERT_TRUE(view.WaitFor([](const TRgbImage&) { return true; }));
  VPPause(preview.Player);
  VPSeek(preview.Player, 2.4);
  ASSERT_TRUE(view.WaitFor([](const TRgbImage& p) { return std::abs(p.Time - 2.4) < 0.01; }));
  auto cropped = view.Last();
  ASSERT_EQ(cropped->Width, 360);
  ASSERT_EQ(cropped->Height, 288);
  for (auto [x, y] : {std::pair{0, 0}, {200, 100}, {359, 287}, {150, 60}})
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(cropped->Pixel(x, y)[c], base.Pixel(x + 100, y + 40)[c], 12) << x << "," << y;

  // Negative and gray, redrawn on the paused picture.
  const TCropRect none{};
  PCSetCropRect(preview.Video, &none);
  PCSetExFilterFlag(preview.Video, kEffectNegative);
  VPUpdate(preview.Player);
  // The redrawn picture (a picture still on its way may come first).
  auto inverted = [&](const TRgbImage& p) {
    return p.Width == 720 && std::abs(p.Pixel(600, 300)[1] - (255 - base.Pixel(600, 300)[1])) <= 16;
  };
  ASSERT_TRUE(view.WaitFor(inverted));
  auto negative = view.Last();
  for (auto [x, y] : {std::pair{50, 100}, {360, 448}, {600, 300}})
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(negative->Pixel(x, y)[c], 255 - base.Pixel(x, y)[c], 16) << x << "," << y;
  PCSetExFilterFlag(preview.Video, kEffectGray);
  PCSetVideoBrightness(preview.Video, 60);
  VPUpdate(preview.Player);
  ASSERT_TRUE(view.WaitFor([](const TRgbImage& p) {
    const uint8_t* red = p.Pixel(360, 448);  // the red subtitle box
    return std::abs(red[0] - red[2]) <= 3;
  }));
  auto gray = view.Last();
  double baseMean = 0, grayMean = 0;
  for (int y = 40; y < 576; y += 7)
    for (int x = 0; x < 720; x += 7) {
      const uint8_t* p = gray->Pixel(x, y);
      EXPECT_NEAR(p[0], p[1], 3);
      EXPECT_NEAR(p[1], p[2], 3);
      grayMean += p[1];
      baseMean += base.Pixel(x, y)[1];
    }
  EXPECT_GT(grayMean, baseMean * 1.1) << "brightness raises the picture";

  // A snapshot writes the picture shown.
  TempDir dir;
  std::string path = SnapshotPath(dir.Path().string(), "Title_0101", false);
  ASSERT_TRUE(PCSaveFrame(preview.Video, path, 0));
  EXPECT_EQ(path, (dir / "Title_0101_1.bmp").string());
  EXPECT_EQ(fs::file_size(path), 54u + 720u * 3u * 576u);
}

TEST(PreviewEngineTest, CropFrameGoesToTheViewAndDraggingItIsReported) {
  TRecordingView view;
  TPreview preview(Ifo("VTS_02_0.IFO"), &view);
  const TDisplayInfo* info = VPGetDisplayInfo(preview.Player);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Width, 720);
  EXPECT_EQ(info->Height, 480);
  VPSetCropEditStyle(preview.Player, 1);
  const TCropRect spin{10, 20, 0, 0};  // right and bottom 0: the edges
  VPSetCropRect(preview.Player, &spin);
  EXPECT_TRUE(view.CropShown);
  EXPECT_EQ(view.Crop, (TCropRect{10, 20, 720, 480}));
  VPCropFrameDragged(preview.Player, TCropRect{30, 40, 600, 400});
  auto messages = preview.Window.WaitAndDrain(kDeadline);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Msg, WM_CROPCHANGED);
  TCropRect back;
  VPGetCropRect(preview.Player, &back);
  EXPECT_EQ(back, (TCropRect{30, 40, 600, 400}));
}

TEST(PreviewEngineTest, CutVobPlaysWhatItHoldsAndStoppingClosesEverything) {
  TempDir dir;
  fs::path copy = dir / "VIDEO_TS";
  fs::copy(DvdFixture() / "VIDEO_TS", copy, fs::copy_options::recursive);
  const int filesBefore = OpenFiles();
  // The title set's VOB cut in half: title 1 (0..12 s) plays what the VOB
  // holds and the range ends there, whether the VOB was cut before the
  // decoder was made or while it plays; a seek past the cut ends it too.
  const uintmax_t half = fs::file_size(copy / "VTS_01_1.VOB") / 2 / 2048 * 2048;
  for (bool cutFirst : {true, false}) {
    SCOPED_TRACE(cutFirst ? "cut before" : "cut while playing");
    fs::copy_file(DvdFixture() / "VIDEO_TS" / "VTS_01_1.VOB", copy / "VTS_01_1.VOB",
                  fs::copy_options::overwrite_existing);
    if (cutFirst) fs::resize_file(copy / "VTS_01_1.VOB", half);
    TRecordingView view;
    TPreview preview((copy / "VTS_01_0.IFO").string(), &view);
    VPSetPlayTime(preview.Player, 1.0, 10.0);
    VPPlay(preview.Player);
    VPPause(preview.Player);
    ASSERT_TRUE(view.WaitFor([](const TRgbImage&) { return true; }));
    if (!cutFirst) fs::resize_file(copy / "VTS_01_1.VOB", half);
    VPResume(preview.Player);
    ASSERT_TRUE(preview.WaitForEnd());
    const std::vector<int> shown = view.Numbers();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_GT(shown.back(), 25 * 2) << "pictures up to the cut were shown";
    EXPECT_LT(shown.back(), 25 * 11 - 1) << "the range ended at the cut";
    // A seek past the cut ends the range again, without hanging.
    VPSeek(preview.Player, 10.5);
    EXPECT_TRUE(preview.WaitForEnd());
  }
  {
    // VOBs that hold nothing of any title give no decoder.
    fs::resize_file(copy / "VTS_01_1.VOB", 0);
    int32_t error = -1;
    TVideoDecoderParams vp;
    EXPECT_EQ(WVDCreate((copy / "VTS_01_0.IFO").string(), &vp, &error), 0);
    EXPECT_EQ(error, kWvdNoVideo);
  }
  {
    // Destroyed while it plays, with the subtitle and the sound.
    TRecordingView view;
    TPreview preview(Ifo("VTS_01_0.IFO"), &view, 0);
    VPSetPlayTime(preview.Player, 1.0, 10.0);
    VPPlay(preview.Player);
    ASSERT_TRUE(view.WaitForNumber(26));
  }
  EXPECT_EQ(OpenFiles(), filesBefore);
}

}  // namespace
}  // namespace reelcast
