// Title streams and the pictures decoded from them, checked against the frame
// numbers make_dvd.sh draws into every picture.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cmath>
#include <string>
#include <vector>

#include "platform/TitleFrameReader.h"
#include "platform/TitleStream.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::DvdFixture;

std::string Ifo(const char* name) { return (DvdFixture() / "VIDEO_TS" / name).string(); }

int FrameNumber(const TRgbImage& image) { return test::FixtureFrameNumber(image.Pixels.data(), image.Width); }

bool IsRed(const uint8_t* p) { return p[0] > 180 && p[1] < 80 && p[2] < 80; }

TEST(TitleStreamTest, PictureAtATimeIsTheFrameAuthoredThen) {
  struct TCase {
    const char* File;
    double At;        // absolute seconds of the title set
    int Frame;        // frame number within its title
  };
  const TCase cases[] = {
      {"VTS_01_0.IFO", 0.0, 0},     // first picture
      {"VTS_01_0.IFO", 1.0, 25},
      {"VTS_01_0.IFO", 3.99, 100},  // rounds to the nearest picture
      {"VTS_01_0.IFO", 4.0, 100},   // first picture of chapter 2 (a cell boundary)
      {"VTS_01_0.IFO", 7.96, 199},  // last picture of chapter 2
      {"VTS_01_0.IFO", 10.52, 263}, // deep in the last cell
      {"VTS_01_0.IFO", 12.0, 0},    // title 2 begins where title 1 ends
      {"VTS_01_0.IFO", 13.2, 30},
      {"VTS_02_0.IFO", 0.0, 0},     // NTSC, 29.97 pictures a second
      {"VTS_02_0.IFO", 4.0, 120},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " at " + std::to_string(c.At));
    TRgbImage image = ReadFrameAt(Ifo(c.File), c.At, -1);
    EXPECT_EQ(FrameNumber(image), c.Frame);
    EXPECT_NEAR(image.Time, c.At, 0.02);
    EXPECT_EQ(image.Width, 720);
    EXPECT_EQ(image.Height, std::string(c.File) == "VTS_01_0.IFO" ? 576 : 480);
  }
}

TEST(TitleStreamTest, ChosenSubtitleIsBurntInWhileItShows) {
  const std::string ifo = Ifo("VTS_01_0.IFO");
  // The red box covers 240..479 x 400..495 from 2 s to 6 s.
  EXPECT_TRUE(IsRed(ReadFrameAt(ifo, 4.0, 0).Pixel(360, 448)));
  EXPECT_TRUE(IsRed(ReadFrameAt(ifo, 3.0, 0).Pixel(250, 405)));
  EXPECT_FALSE(IsRed(ReadFrameAt(ifo, 4.0, -1).Pixel(360, 448)));
  EXPECT_FALSE(IsRed(ReadFrameAt(ifo, 4.0, 1).Pixel(360, 448))) << "1 = no subtitle here";
  EXPECT_FALSE(IsRed(ReadFrameAt(ifo, 1.0, 0).Pixel(360, 448)));
  EXPECT_FALSE(IsRed(ReadFrameAt(ifo, 7.0, 0).Pixel(360, 448)));
}

TEST(TitleStreamTest, ChosenAudioTrackIsTheOneTheStreamControlNames) {
  struct TCase {
    const char* File;
    int Track;
    AVCodecID Codec;  // 0 when no audio is delivered
  };
  const TCase cases[] = {
      {"VTS_01_0.IFO", 0, AV_CODEC_ID_AC3},      {"VTS_01_0.IFO", 1, AV_CODEC_ID_MP2},
      {"VTS_02_0.IFO", 0, AV_CODEC_ID_PCM_DVD},  {"VTS_01_0.IFO", 2, AV_CODEC_ID_NONE},
      {"VTS_01_0.IFO", -1, AV_CODEC_ID_NONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " track " + std::to_string(c.Track));
    auto stream = TTitleStream::OpenTitle(Ifo(c.File), 0, 1.0, 3.0, c.Track, -1);
    AVPacket* packet = av_packet_alloc();
    TStreamKind kind;
    int audio = 0, video = 0;
    double first = 1e9, last = -1;
    while (stream->ReadPacket(packet, &kind)) {
      if (kind == TStreamKind::Audio) {
        ++audio;
        if (packet->pts != AV_NOPTS_VALUE) {
          first = std::min(first, packet->pts / 90000.0);
          last = std::max(last, packet->pts / 90000.0);
        }
      }
      if (kind == TStreamKind::Video) ++video;
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
    EXPECT_GT(video, 40);
    if (c.Codec == AV_CODEC_ID_NONE) {
      EXPECT_EQ(audio, 0);
      EXPECT_EQ(stream->CodecParameters(TStreamKind::Audio), nullptr);
    } else {
      ASSERT_NE(stream->CodecParameters(TStreamKind::Audio), nullptr);
      EXPECT_EQ(stream->CodecParameters(TStreamKind::Audio)->codec_id, c.Codec);
      // The sound of the range, on the same clock as the pictures (the LPCM
      // track as authored carries time stamps only now and then).
      EXPECT_GT(audio, 20);
      EXPECT_LE(first, 1.0);
      EXPECT_GE(last, 2.2);
      EXPECT_LT(last, 4.1);
    }
  }
}

TEST(TitleStreamTest, RangeReadsFromItsVobuAndEndsAfterItsEnd) {
  const std::string ifo = Ifo("VTS_01_0.IFO");
  auto whole = TTitleStream::OpenTitle(ifo, 0, 0, 12, 0, -1);
  AVPacket* packet = av_packet_alloc();
  TStreamKind kind;
  while (whole->ReadPacket(packet, &kind)) av_packet_unref(packet);
  uint64_t wholeBytes = whole->BytesRead();

  // A range late in the title seeks: far less than the whole title is read,
  // and the first picture delivered is close before the start.
  auto late = TTitleStream::OpenTitle(ifo, 0, 10.0, 11.0, 0, -1);
  double firstVideo = -1, lastVideo = -1;
  while (late->ReadPacket(packet, &kind)) {
    if (kind == TStreamKind::Video && packet->pts != AV_NOPTS_VALUE) {
      if (firstVideo < 0) firstVideo = packet->pts / 90000.0;
      lastVideo = packet->pts / 90000.0;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  EXPECT_LT(late->BytesRead(), wholeBytes / 3);
  EXPECT_GT(firstVideo, 8.9);
  EXPECT_LE(firstVideo, 10.0);
  EXPECT_LT(lastVideo, 12.1);

  // Decoded, the range gives exactly its pictures.
  TTitleFrameReader reader(ifo, 2.0, 4.0, -1);
  TRgbImage image;
  std::vector<int> frames;
  while (reader.ReadFrame(&image)) frames.push_back(FrameNumber(image));
  ASSERT_EQ(frames.size(), 50u);
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], 50 + static_cast<int>(i));
}

TEST(TitleStreamTest, BadVobsAreErrorsNotCrashes) {
  test::TempDir dir;
  fs::path copy = dir / "VIDEO_TS";
  fs::copy(DvdFixture() / "VIDEO_TS", copy, fs::copy_options::recursive);
  fs::remove(copy / "VTS_01_1.VOB");
  fs::resize_file(copy / "VTS_02_1.VOB", 300 * 2048);
  EXPECT_THROW(TTitleStream::Open((copy / "VTS_01_0.IFO").string(), 1, 2, 0, -1), ETitleStream);
  EXPECT_THROW(ReadFrameAt((copy / "VTS_02_0.IFO").string(), 5, -1), ETitleStream);
  EXPECT_THROW(TTitleStream::Open((copy / "VTS_07_0.IFO").string(), 0, 1, 0, -1), ETitleStream);
  // A VOB cut short while it is read ends the stream with an error.
  fs::copy_file(DvdFixture() / "VIDEO_TS" / "VTS_02_1.VOB", copy / "VTS_02_1.VOB",
                fs::copy_options::overwrite_existing);
  auto stream = TTitleStream::Open((copy / "VTS_02_0.IFO").string(), 0, 6, 0, -1);
  fs::resize_file(copy / "VTS_02_1.VOB", 200 * 2048);
  AVPacket* packet = av_packet_alloc();
  TStreamKind kind;
  EXPECT_THROW(
      while (stream->ReadPacket(packet, &kind)) av_packet_unref(packet), ETitleStream);
  av_packet_free(&packet);
  // A time past the title's end is the end of the title, not an error.
  TRgbImage last = ReadFrameAt(Ifo("VTS_02_0.IFO"), 5.99, -1);
  EXPECT_EQ(FrameNumber(last), 179);
  EXPECT_THROW(TTitleStream::OpenTitle(Ifo("VTS_02_0.IFO"), 3, 0, 1, 0, -1), ETitleStream);
}

}  // namespace
}  // namespace reelcast
