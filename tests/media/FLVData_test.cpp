#include <gtest/gtest.h>

#include <memory>

#include "media/FLVData.h"
#include "media/FlvBytes.h"
#include "media/MPEGAudio.h"
#include "swf/Records.h"
#include "swf/SwfTestHelpers.h"
#include "swf/Stream.h"

namespace reelcast::test {
namespace {

// The index of in-memory FLV bytes.
struct Indexed {
  explicit Indexed(std::string bytes) : data(std::move(bytes)) {
    stream = std::make_unique<TMemoryViewStream>(reinterpret_cast<const uint8_t*>(data.data()),
                                                 data.size());
    flv = std::make_unique<TFLVData>(*stream);
  }
  std::string data;
  std::unique_ptr<TMemoryViewStream> stream;
  std::unique_ptr<TFLVData> flv;
  TFLVData* operator->() { return flv.get(); }
};

std::string Payload(Indexed& f, const TVFrame& frame, uint32_t skip = 0) {
  TMemoryStream out;
  f->CopyPayload(frame, out, skip);
  return out.ToString();
}

std::string VideoRun(int count, uint32_t first, double step) {
  std::string tags;
  for (int i = 0; i < count; ++i)
    tags += FlvTag(kFLVTagVideo, first + static_cast<uint32_t>(i * step + 0.5), H263Frame(5));
  return tags;
}

TEST(FLVData, FrameRateComesFromTheSpacingOfTheTimestamps) {
  struct Case {
    const char* name;
    std::string tags;
    uint16_t rate;
  };
  const Case cases[] = {
      {"header only", "", 0},
      {"audio only", FlvTag(kFLVTagAudio, 0, "\x2E\xFF\xFB\x90\x00"), 0},
      {"one frame at 0", FlvTag(kFLVTagVideo, 0, H263Frame(5)), 0x000B},
      {"all frames at one time", VideoRun(3, 100, 0), 0x000B},
      {"25 fps from 0", VideoRun(250, 0, 40), SingleToFixed8(25)},
      // Encoders often start the video at a later timestamp.
      {"25 fps from 50", VideoRun(100, 50, 40), SingleToFixed8(25)},
      // 300 frames over 9966 ms are 30.002 fps, not 30.4.
      {"300 frames over 9966 ms", VideoRun(300, 0, 9966.0 / 299), SingleToFixed8(299000.0f / 9966)},
      {"29.97 fps, rounded ms", VideoRun(600, 0, 1001.0 / 30), SingleToFixed8(29.97f)},
      {"12.5 fps", VideoRun(50, 0, 80), SingleToFixed8(12.5)},
      // Timestamps too far apart for 8.8 fixed point still give a rate.
      {"two frames hours apart", VideoRun(2, 0, 4.0e9), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Indexed f(FlvHeader() + c.tags);
    EXPECT_EQ(f->FrameRate(), c.rate);
  }
}

TEST(FLVData, LongVideoKeepsItsFrameCountAndDuration) {
  // 45 minutes at 25 fps: more video tags than a 16-bit count holds.
  std::string tags;
  tags.reserve(67500 * 40);
  for (uint32_t i = 0; i < 67500; ++i) tags += FlvTag(kFLVTagVideo, i * 40, H263Frame(5, 0, 0, 2));
  Indexed f(FlvHeader() + tags);
  EXPECT_EQ(f->FrameCount(), 67500u);
  EXPECT_EQ(f->FrameRate(), SingleToFixed8(25));
  EXPECT_EQ(f->LastTimestamp(), 67499u * 40);
}

TEST(FLVData, TimestampsUseTheExtendedByte) {
  // Past 2^24 ms (4.6 hours) the timestamp's high byte is in use.
  uint32_t start = (1u << 24) - 80;
  Indexed f(FlvHeader() + VideoRun(5, start, 40));
  EXPECT_EQ(f->FirstTimestamp(), start);
  EXPECT_EQ(f->LastTimestamp(), start + 160);
  EXPECT_EQ(f->FrameRate(), SingleToFixed8(25));
}

TEST(FLVData, NotAnFlvIsAnEmptyVideo) {
  for (const std::string& bytes :
       {std::string(), std::string("FLV"), FlvHeader(2), std::string("FWS\x01", 4) + FlvHeader().substr(4),
        std::string(100, '\0')}) {
    SCOPED_TRACE(Hex(bytes));
    Indexed f(bytes + FlvTag(kFLVTagVideo, 0, H263Frame(5)));
    EXPECT_FALSE(f->IsFLV());
    EXPECT_EQ(f->FrameCount(), 0u);
    EXPECT_FALSE(f->HasAudio());
    EXPECT_EQ(f->FrameRate(), 0);
  }
}

TEST(FLVData, IndexPointsAtPayloadsAfterTheFlagsByte) {
  std::string video0 = H263Frame(5, 0, 0, 5);
  std::string video1 = H263Frame(7, 0, 0, 9);
  std::string audio = std::string("\x2E") + "\xFF\xFB\x90\x64" + "mp3data";
  // An unknown tag type and a longer header are skipped.
  std::string header = std::string("FLV\x01\x05", 5) + BE(13, 4) + "xxxx" + BE(0, 4);
  Indexed f(header + FlvTag(kFLVTagVideo, 0, video0) + FlvTag(kFLVTagAudio, 10, audio) +
            FlvTag(7, 20, "junk") + FlvTag(kFLVTagAudio, 30, audio) +
            FlvTag(kFLVTagVideo, 40, video1));
  EXPECT_TRUE(f->HasVideoFlag());
  EXPECT_TRUE(f->HasAudioFlag());
  ASSERT_EQ(f->FrameCount(), 2u);
  EXPECT_EQ(Payload(f, *f->VideoFrame(0)), video0.substr(1));
  EXPECT_EQ(Payload(f, *f->VideoFrame(1)), video1.substr(1));
  EXPECT_EQ(Payload(f, *f->VideoFrame(1), 3), video1.substr(4));
  EXPECT_EQ(f->VideoFrame(2), nullptr);
  ASSERT_EQ(f->AudioFrameCount(), 2u);
  EXPECT_EQ(Payload(f, *f->AudioFrame(0)), audio.substr(1));
  EXPECT_EQ(f->AudioFrame(0)->VideoIndex, 1);
  EXPECT_EQ(f->AudioFrame(1)->VideoIndex, 1);
  // A running index wraps around the audio frames.
  EXPECT_EQ(f->AudioFrame(2), f->AudioFrame(0));
  EXPECT_EQ(f->AudioFrame(5), f->AudioFrame(1));
  const TSHeader& sound = f->SoundHeader();
  EXPECT_EQ(sound.SoundFormat(), kFLVSoundMP3);
  EXPECT_EQ(sound.SoundRate(), 3);
  EXPECT_TRUE(sound.Is16Bit());
  EXPECT_FALSE(sound.IsStereo());
  EXPECT_EQ(sound.MP3FrameHeader, 0xFFFB9064u);
  EXPECT_EQ(MPEGSamplesPerFrame(sound.MP3FrameHeader), 1152);
}

TEST(FLVData, UnsupportedAudioIsDroppedButStillHeard) {
  // ADPCM first: the audio index is dropped, later MP3 tags are ignored.
  Indexed f(FlvHeader() + FlvTag(kFLVTagAudio, 0, "\x1E" "adpcm") +
            FlvTag(kFLVTagAudio, 10, "\x2E\xFF\xFB\x90\x64") + FlvTag(kFLVTagVideo, 0, H263Frame(5)));
  EXPECT_TRUE(f->HasAudio());
  EXPECT_EQ(f->AudioFrameCount(), 0u);
  EXPECT_EQ(f->AudioFrame(0), nullptr);
  EXPECT_EQ(f->SoundHeader().SoundFormat(), 1);
  EXPECT_EQ(f->FrameCount(), 1u);

  Indexed nelly(FlvHeader() + FlvTag(kFLVTagAudio, 0, "\x6D" "nelly") + FlvTag(kFLVTagAudio, 0, ""));
  EXPECT_EQ(nelly->SoundHeader().SoundFormat(), kFLVSoundNellymoser);
  EXPECT_EQ(nelly->AudioFrameCount(), 1u) << "an empty audio tag is not indexed";

  Indexed silent(FlvHeader() + FlvTag(kFLVTagVideo, 0, H263Frame(5)));
  EXPECT_FALSE(silent->HasAudio());
  EXPECT_EQ(silent->SoundHeader().Flags, 0);
  EXPECT_FALSE(silent->HasAudio()) << "asking for the header adds no audio";
}

TEST(FLVData, PictureSizeByCodec) {
  struct Case {
    const char* name;
    std::string firstFrame;
    std::string meta;  // script tag body before the video, or ""
    uint8_t codec;
    uint16_t width, height;
  };
  std::string vp6 = std::string("\x14\x00\x00\x00\x0F\x14", 6) + "rest";  // 15 rows, 20 columns
  std::string vp6Meta = MetaBody(Named("width", AmfNumber(320.0)) + Named("Height", AmfNumber(240.0)), 2);
  const Case cases[] = {
      {"H.263 custom 8-bit", H263Frame(0, 200, 100), "", kFLVCodecH263, 200, 100},
      {"H.263 custom 16-bit", H263Frame(1, 1024, 576), "", kFLVCodecH263, 1024, 576},
      {"H.263 CIF", H263Frame(2), "", kFLVCodecH263, 352, 288},
      {"H.263 QCIF", H263Frame(3), "", kFLVCodecH263, 176, 144},
      {"H.263 SQCIF", H263Frame(4), "", kFLVCodecH263, 128, 96},
      {"H.263 QVGA", H263Frame(5), "", kFLVCodecH263, 320, 240},
      {"H.263 QQVGA", H263Frame(6), "", kFLVCodecH263, 160, 120},
      {"H.263 reserved", H263Frame(7), "", kFLVCodecH263, 0, 0},
      {"screen video", std::string("\x13\x31\x40\x20\xF0", 5) + "blocks", "", kFLVCodecScreen, 0x140, 0xF0},
      {"VP6 key frame", vp6, "", kFLVCodecVP6, 320, 240},
      {"VP6 with metadata", vp6, vp6Meta, kFLVCodecVP6, 320, 240},
      {"VP6 metadata wins", std::string("\x14\x00\x00\x00\x01\x01", 6), vp6Meta, kFLVCodecVP6, 320, 240},
      {"unknown codec", std::string("\x17\x01\x02\x03\x04", 5), "", 7, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string tags = c.meta.empty() ? "" : FlvTag(kFLVTagScript, 0, c.meta);
    Indexed f(FlvHeader() + tags + FlvTag(kFLVTagVideo, 0, c.firstFrame));
    EXPECT_EQ(f->VideoCodec(), c.codec);
    EXPECT_EQ(f->FrameType(), 1);
    EXPECT_EQ(f->Width(), c.width);
    EXPECT_EQ(f->Height(), c.height);
  }
  // The header is read again at every 256th frame, not in between.
  std::string tags;
  for (int i = 0; i < 257; ++i) tags += FlvTag(kFLVTagVideo, i * 40, H263Frame(i < 256 ? (i == 0 ? 5 : 2) : 6));
  Indexed f(FlvHeader() + tags);
  EXPECT_EQ(f->Width(), 160);
  EXPECT_EQ(f->Height(), 120);
}

TEST(FLVData, DamagedFilesKeepWhatCanBeRead) {
  std::string good = FlvHeader() + VideoRun(3, 0, 40);
  std::string frame = H263Frame(5, 0, 0, 100);
  {
    SCOPED_TRACE("last video tag cut short");
    std::string tag = FlvTag(kFLVTagVideo, 120, frame);
    Indexed f(good + tag.substr(0, 11 + 40));
    ASSERT_EQ(f->FrameCount(), 4u);
    EXPECT_EQ(f->VideoFrame(3)->Size, 39u);
    EXPECT_EQ(Payload(f, *f->VideoFrame(3)), frame.substr(1, 39));
  }
  {
    SCOPED_TRACE("a tag size that runs past the end");
    Indexed f(good + FlvTag(kFLVTagVideo, 120, frame, 0xFFFFFF) + FlvTag(kFLVTagVideo, 160, frame));
    ASSERT_EQ(f->FrameCount(), 4u);
    EXPECT_EQ(f->VideoFrame(3)->Size, frame.size() + 4 + FlvTag(kFLVTagVideo, 0, frame).size() - 1);
    EXPECT_EQ(f->FrameRate(), SingleToFixed8(25));
  }
  {
    SCOPED_TRACE("an audio tag size that runs past the end");
    Indexed f(good + FlvTag(kFLVTagAudio, 120, "\x2E\xFF\xFB\x90\x64" "abc", 5000).substr(0, 19));
    ASSERT_EQ(f->AudioFrameCount(), 1u);
    EXPECT_EQ(f->AudioFrame(0)->Size, 7u);
    EXPECT_EQ(Payload(f, *f->AudioFrame(0)), "\xFF\xFB\x90\x64" "abc");
  }
  {
    SCOPED_TRACE("a tag header cut short");
    Indexed f(good + FlvTag(kFLVTagVideo, 120, frame).substr(0, 7));
    EXPECT_EQ(f->FrameCount(), 3u);
  }
  {
    SCOPED_TRACE("a picture header cut short");
    Indexed f(FlvHeader() + FlvTag(kFLVTagVideo, 0, std::string("\x12\x00", 2)).substr(0, 13));
    ASSERT_EQ(f->FrameCount(), 1u);
    EXPECT_EQ(f->VideoFrame(0)->Size, 1u);
    EXPECT_EQ(f->VideoCodec(), kFLVCodecH263);
    EXPECT_EQ(f->Width(), 0);
  }
  {
    SCOPED_TRACE("an empty video tag");
    Indexed f(FlvHeader() + FlvTag(kFLVTagVideo, 0, "") + FlvTag(kFLVTagVideo, 40, H263Frame(5)));
    ASSERT_EQ(f->FrameCount(), 2u);
    EXPECT_EQ(f->VideoFrame(0)->Size, 0u);
    EXPECT_EQ(Payload(f, *f->VideoFrame(0)), "");
  }
}

TEST(FLVData, MetadataValuesAndLookup) {
  std::string keyframes = AmfString("filepositions") + "\x0A" + BE(3, 4) + AmfNumber(13) +
                          AmfNumber(5000.4) + AmfNumber(9000.6) + AmfString("times") + "\x0A" +
                          BE(3, 4) + AmfNumber(0) + AmfNumber(1.5) + AmfNumber(3) + BE(9, 3);
  std::string values = Named("duration", AmfNumber(12.5)) + Named("Width", AmfNumber(100.5)) +
                       Named("stereo", AmfBool(true)) + Named("encoder", AmfText("Lavf")) +
                       Named("videocodecid", AmfText(" 2 ")) + Named("ref", std::string("\x07\x01\x02", 3)) +
                       Named("creationdate", "\x0B" + AmfNumber(1.7e12).substr(1) + BE(0xFFC4, 2)) +
                       Named("WIDTH", AmfNumber(640)) + Named("keyframes", "\x03" + keyframes);
  Indexed f(FlvHeader() + FlvTag(kFLVTagScript, 0, MetaBody(values, 9)) + VideoRun(2, 0, 40));
  const TFLVonMetaData* meta = f->MetaData();
  ASSERT_NE(meta, nullptr);
  EXPECT_EQ(meta->Name, "onMetaData");
  ASSERT_EQ(meta->ItemCount(), 9u);
  EXPECT_EQ(meta->FindProperty(fmpDuration)->GetValue(), 12);
  EXPECT_EQ(meta->FindProperty(fmpWidth)->GetValue(), 640) << "the last match wins";
  EXPECT_EQ(meta->Item(1)->GetValue(), 100) << "100.5 rounds to the even neighbour";
  EXPECT_EQ(meta->Item(2)->GetValue(), 1);
  EXPECT_EQ(meta->Item(3)->GetValue(), 0) << "not a number";
  EXPECT_EQ(meta->FindProperty(fmpVideoCodecId)->GetValue(), 2);
  EXPECT_EQ(meta->Item(5)->GetValue(), 0x0102);
  auto* date = dynamic_cast<const TFLVDataDate*>(meta->FindProperty(fmpCreationDate));
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(date->Milliseconds, 1.7e12);
  EXPECT_EQ(date->TimeZone, -60);
  auto* kf = dynamic_cast<const TFLVKeyFramesObjectData*>(meta->FindProperty(fmpKeyFrames));
  ASSERT_NE(kf, nullptr);
  ASSERT_EQ(kf->Count(), 3u);
  EXPECT_EQ(kf->FilePositions, (std::vector<int32_t>{13, 5000, 9001}));
  EXPECT_EQ(kf->Times, (std::vector<double>{0, 1.5, 3}));
  EXPECT_EQ(meta->FindProperty(fmpHeight), nullptr);
  EXPECT_EQ(meta->FindProperty(fmpCount), nullptr);
}

TEST(FLVData, MetadataParseEndsAtTheCountTheDataOrAnUnknownValue) {
  struct Case {
    const char* name;
    std::string body;
    size_t items;
  };
  std::string three = Named("a", AmfNumber(1)) + Named("b", AmfNumber(2)) + Named("c", AmfNumber(3));
  const Case cases[] = {
      {"count 0 reads until the data ends", MetaBody(three, 0), 3},
      {"the count ends the array", MetaBody(three, 2), 2},
      {"a larger count ends at the data's end", MetaBody(three, 50), 3},
      {"name must be exactly onMetaData", MetaBody(three, 3, "onmetadata"), 0},
      {"the value must be an ECMA array", "\x02" + AmfString("onMetaData") + "\x03" + three, 0},
      {"an unknown type ends it", MetaBody(Named("a", AmfNumber(1)) + Named("n", "\x05") + three, 0), 1},
      {"an object not named keyframes ends it",
       MetaBody(Named("a", AmfNumber(1)) + Named("Keyframes", "\x03" + AmfString("times")) + three, 0), 1},
      {"a value cut short is dropped", MetaBody(three, 0).substr(0, 40), 1},
      {"a keyframes count past the data",
       MetaBody(Named("a", AmfNumber(1)) +
                    Named("keyframes", "\x03" + AmfString("times") + "\x0A" + BE(0x7FFFFFFF, 4)),
                0),
       1},
      {"nested arrays", MetaBody(Named("a", "\x08" + BE(1, 4) + Named("x", AmfNumber(1))) + three, 0), 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Indexed f(FlvHeader() + FlvTag(kFLVTagScript, 0, c.body) + VideoRun(3, 0, 40) +
              FlvTag(kFLVTagAudio, 0, "\x2E\xFF\xFB\x90\x64"));
    ASSERT_NE(f->MetaData(), nullptr);
    EXPECT_EQ(f->MetaData()->ItemCount(), c.items);
    // Whatever the metadata did, the index is whole.
    EXPECT_EQ(f->FrameCount(), 3u);
    EXPECT_EQ(f->AudioFrameCount(), 1u);
    EXPECT_EQ(f->Width(), 320);
  }
  // Deeply nested arrays end the parse instead of the stack.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += AmfString("n") + "\x08" + BE(1, 4);
  Indexed f(FlvHeader() + FlvTag(kFLVTagScript, 0, MetaBody(deep, 1)) + VideoRun(1, 0, 40));
  EXPECT_EQ(f->FrameCount(), 1u);
  // A later script tag replaces the metadata.
  Indexed twice(FlvHeader() + FlvTag(kFLVTagScript, 0, MetaBody(three, 3)) +
                FlvTag(kFLVTagScript, 0, MetaBody(Named("z", AmfNumber(9)), 1)));
  ASSERT_NE(twice->MetaData(), nullptr);
  EXPECT_EQ(twice->MetaData()->ItemCount(), 1u);
}

TEST(FLVData, OpensFilesAndReportsMissingOnes) {
  EXPECT_THROW(TFLVData("/nonexistent/reelcast/none.flv"), EFOpenError);
  TFLVData empty("");
  EXPECT_EQ(empty.FrameCount(), 0u);
  EXPECT_EQ(empty.Stream(), nullptr);
  EXPECT_FALSE(empty.HasAudio());
}

}  // namespace
}  // namespace reelcast::test
