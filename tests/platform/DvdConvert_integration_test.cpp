// DVD titles as conversion sources: ranges of title sets read through their
// title streams, with the chosen audio track and subtitle, encoded into one
// FLV and checked with ffmpeg against what make_dvd.sh authored.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

#include "platform/ConvertPipeline.h"
#include "platform/MediaSource.h"
#include "support/MediaProbe.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::DvdFixture;

std::string Ifo(const char* name) { return (DvdFixture() / "VIDEO_TS" / name).string(); }

TEST(DvdConvertTest, TitleRangesBecomeOneFlvWithTheirPicturesSoundAndSubtitle) {
  // Chapter 2 of title 1 from 4.5 s (subtitle shown, the French track),
  // then a second of title 2 (English track, no subtitle).
  TConvertEntry first;
  first.Path = Ifo("VTS_01_0.IFO");
  first.SourceStart = 4.5;
  first.SourceEnd = 6.5;
  first.OutputStart = 0;
  first.OutputEnd = 2;
  first.AudioTrack = 1;
  first.SubtitleIndex = 0;
  TConvertEntry second = first;
  second.SourceStart = 12.5;  // title 2 begins at 12 s of the title set
  second.SourceEnd = 13.5;
  second.OutputStart = 2;
  second.OutputEnd = 3;
  second.AudioTrack = 0;
  second.SubtitleIndex = -1;
  TEncodeSettings settings;
  settings.Width = 720;  // the source's size keeps the frame-number band readable
  settings.Height = 576;
  settings.SampleRate = 44100;
  test::TempDir dir;
  fs::path flv = dir / "out.flv";
  TConvertPipeline pipeline(settings, {first, second}, flv.string());
  ASSERT_TRUE(pipeline.Run([](const TConvertTick&) { return true; }));

  auto probe = test::ProbeMedia(flv);
  EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 3.0, 0.15);

  struct TCheck {
    double At;      // output seconds
    int Frame;      // frame number within its title
    bool Subtitle;  // the red box burnt in
  };
  for (const TCheck& c : {TCheck{0.5, 125, true}, TCheck{1.8, 157, false}, TCheck{2.4, 22, false}}) {
    SCOPED_TRACE("at " + std::to_string(c.At));
    test::TRgbFrame frame = test::DecodeFrame(flv, c.At);
    ASSERT_EQ(frame.Width, 720);
    EXPECT_NEAR(test::FixtureFrameNumber(frame.Pixels.data(), frame.Width), c.Frame, 1);
    const uint8_t* box = frame.At(360, 448);
    EXPECT_EQ(box[0] > 180 && box[1] < 90 && box[2] < 90, c.Subtitle);
  }
  auto samples = test::DecodeAudio(flv, 44100);
  EXPECT_NEAR(test::Pitch(samples, 44100, 0.3, 1.7), 880, 20);
  EXPECT_NEAR(test::Pitch(samples, 44100, 2.2, 2.8), 440, 20);
}

TEST(DvdConvertTest, MediaSourceOfAnInformationFileIsItsTitleStream) {
  auto source = OpenMediaSource(Ifo("VTS_02_0.IFO"), 1.0, 2.0, 0, -1);
  EXPECT_NEAR(source->FrameRate(), 29.97, 0.01);
  EXPECT_EQ(source->SubtitlePalette(), nullptr);
  AVPacket* packet = av_packet_alloc();
  TSourceStream kind;
  int video = 0;
  while (source->ReadPacket(packet, &kind)) {
    if (kind == TSourceStream::Video) ++video;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  EXPECT_GT(video, 25);
  ASSERT_NE(source->Parameters(TSourceStream::Audio), nullptr);
  EXPECT_EQ(source->Parameters(TSourceStream::Audio)->codec_id, AV_CODEC_ID_PCM_DVD);

  test::TempDir dir;
  fs::copy(DvdFixture() / "VIDEO_TS", dir / "VIDEO_TS", fs::copy_options::recursive);
  fs::remove(dir / "VIDEO_TS" / "VTS_02_1.VOB");
  EXPECT_THROW(OpenMediaSource((dir / "VIDEO_TS" / "VTS_02_0.IFO").string(), 0, 1, 0, -1),
               EMediaSource);
}

}  // namespace
}  // namespace reelcast
