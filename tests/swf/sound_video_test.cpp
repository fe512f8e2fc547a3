#include <gtest/gtest.h>

#include "swf/SoundVideo.h"
#include "swf/TagTestUtil.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;
using test::MakeTag;


TEST(SoundVideoBytes, BodiesOfEveryTag) {
  const std::vector<test::TagRow> rows = {
      {"MP3 sound carries SeekSamples",
       MakeTag<TSWFDefineSound>([](auto& t) {
         t.SoundId = 1;
         t.SoundFormat = 2;
         t.SoundRate = 3;
         t.SoundSize = true;
         t.SoundType = true;
         t.SampleCount = 1152;
         t.SeekSamples = 576;
         t.SetData("\xFF\xFB", 2);
       }),
       "01 00 2F 80 04 00 00 40 02 FF FB"},
      {"ADPCM sound has none",
       MakeTag<TSWFDefineSound>([](auto& t) {
         t.SoundId = 2;
         t.SoundFormat = 1;
         t.SampleCount = 1;
       }),
       "02 00 10 01 00 00 00"},
      {"StartSound with points, loops and an envelope",
       MakeTag<TSWFStartSound>([](auto& t) {
         t.SoundId = 3;
         t.SyncNoMultiple = true;
         t.SetInPoint(10);
         t.SetLoopCount(2);
         t.HasEnvelope = true;
         auto e = std::make_unique<TSWFSoundEnvelope>();
         e->Pos44 = 44100;
         e->LeftLevel = 32768;
         t.Envelope.push_back(std::move(e));
       }),
       "03 00 1D 0A 00 00 00 02 00 01 44 AC 00 00 00 80 00 00"},
      {"an empty envelope and a zero loop count are dropped",
       MakeTag<TSWFStartSound>([](auto& t) {
         t.SoundId = 4;
         t.HasEnvelope = true;
         t.SetLoopCount(3);
         t.SetLoopCount(0);
       }),
       "04 00 00"},
      {"MP3 stream head: 6 bytes",
       MakeTag<TSWFSoundStreamHead>([](auto& t) {
         t.PlaybackSoundRate = 3;
         t.PlaybackSoundSize = true;
         t.StreamSoundCompression = 2;
         t.StreamSoundRate = 3;
         t.StreamSoundSize = true;
         t.StreamSoundSampleCount = 1152;
       }),
       "0E 2E 80 04 00 00"},
      {"raw stream head2: 4 bytes",
       MakeTag<TSWFSoundStreamHead2>([](auto& t) { t.StreamSoundSampleCount = 1152; }),
       "00 00 80 04"},
      {"video stream 320x240",
       MakeTag<TSWFDefineVideoStream>([](auto& t) {
         t.CharacterId = 1;
         t.Width = 320;
         t.Height = 240;
         t.NumFrames = 100;
         t.Smoothing = true;
       }),
       "01 00 64 00 40 01 F0 00 01 02"},
      {"video frame",
       MakeTag<TSWFVideoFrame>([](auto& t) {
         t.StreamId = 1;
         t.FrameNum = 7;
         t.SetData("\x00\x84", 2);
       }),
       "01 00 07 00 00 84"},
  };
  test::CheckTagTable(rows);
}

TEST(SoundVideoBytes, VersionsHeadersAndStreamBlocks) {
  TSWFDefineSound s;
  for (auto [format, version] : {std::pair{2, 4}, {3, 4}, {6, 6}, {1, 1}, {0, 1}}) {
    s.SoundFormat = static_cast<uint8_t>(format);
    EXPECT_EQ(s.MinVersion(), version) << format;
  }
  TSWFSoundStreamHead2 h2;
  h2.StreamSoundCompression = 6;
  EXPECT_EQ(h2.MinVersion(), 6);

  TSWFDefineVideoStream video;
  const std::string whole = test::Written([&](TBitsEngine& be) { video.WriteToStream(be); });
  EXPECT_EQ(Hex(whole.substr(0, 6)), "3F 0F 0A 00 00 00");

  // A block read without a compression keeps every body byte; with MP3 the
  // first four are the sample counts.
  auto block = test::ReadBody(19, Bytes("80 04 00 00 FF FB"));
  EXPECT_EQ(static_cast<TSWFSoundStreamBlock&>(*block).DataSize(), 6u);
  TSWFSoundStreamBlock mp3;
  mp3.StreamSoundCompression = 2;
  TMemoryStream ms;
  test::Fill(ms, Bytes("80 04 00 00 FF FB"));
  TBitsEngine be(ms);
  mp3.BodySize = 6;
  mp3.ReadFromStream(be);
  EXPECT_EQ(mp3.SampleCount, 1152);
  EXPECT_EQ(mp3.DataSize(), 2u);

  TSWFDefineVideoStream copy;
  video.CharacterId = 9;
  video.CodecId = 3;
  video.Deblocking = 2;
  copy.Assign(video);
  EXPECT_EQ(copy.Describe(), video.Describe());
  EXPECT_EQ(copy.MinVersion(), 7);
}

TEST(SoundVideoBadInput, EnvelopeCountPastTheBodyThrows) {
  EXPECT_ANY_THROW(test::ReadBody(15, Bytes("01 00 08 05 00 00 00 00")));
  EXPECT_ANY_THROW(test::ReadBody(61, Bytes("01 00")));
}

}  // namespace
}  // namespace reelcast
