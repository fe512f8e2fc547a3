#include <gtest/gtest.h>
#include <zlib.h>

#include "support/TestEnv.h"
#include "swf/ControlTags.h"
#include "swf/SWFStream.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;

// A movie whose body the test fills with tag bytes directly.
class TTestMovie : public TBasedSWFStream {
 public:
  using TBasedSWFStream::TBasedSWFStream;
  void MakeStream() override {}
  void SetBody(const std::string& tags) {
    GetBodyStream().Clear();
    GetBodyStream().WriteBuffer(tags.data(), tags.size());
  }
};

std::string Save(TBasedSWFStream& movie) {
  TMemoryStream out;
  movie.SaveToStream(out);
  return out.ToString();
}

std::unique_ptr<TSWFStreamReader> Load(const std::string& file) {
  auto reader = std::make_unique<TSWFStreamReader>();
  TMemoryStream s;
  test::Fill(s, file);
  reader->LoadFromStream(s);
  return reader;
}

std::string Body(TBasedSWFStream& s) { return s.GetBodyStream().ToString(); }

// A body of: SetBackgroundColor, a 63-byte raw tag (code 76), ShowFrame,
// FrameLabel, ShowFrame, End.
const std::string kBody = Bytes("43 02 FF 00 00") + Bytes("3F 13 3F 00 00 00") +
                          std::string(63, 'x') + Bytes("40 00") +
                          Bytes("C3 0A 61 62 00") + Bytes("40 00 00 00");

TEST(SWFStreamHeader, StageRateCountAndPlainSave) {
  TTestMovie movie(0, 0, 550, 400, 12.5f, true);
  EXPECT_EQ(movie.GetHeaderSize(), 21);
  EXPECT_EQ(movie.Width(), 550);
  EXPECT_EQ(movie.Height(), 400);
  EXPECT_EQ(movie.FrameRect, (TRect{0, 0, 11000, 8000}));
  EXPECT_EQ(movie.GetFPS(), 12.5f);
  movie.FrameCount = 2;
  movie.SetBody(Bytes("40 00 00 00"));
  std::string file = Save(movie);
  EXPECT_EQ(Hex(file), "46 57 53 05 19 00 00 00 78 00 05 5F 00 00 0F A0 00 80 0C 02 00 40 00 00 00");
  EXPECT_EQ(movie.FileLength, file.size());

  auto reader = Load(file);
  EXPECT_TRUE(reader->IsSWF());
  EXPECT_FALSE(reader->Compressed());
  EXPECT_EQ(reader->SWFVersion(), 5);
  EXPECT_EQ(reader->Width(), 11000);  // a reader works in twips
  EXPECT_EQ(reader->FrameCount, 2);
  EXPECT_EQ(reader->FrameRate, 0x0C80);
  EXPECT_EQ(Hex(Body(*reader)), "40 00 00 00");
  EXPECT_TRUE(reader->Problems().empty());
}

TEST(SWFStreamHeader, CompressionForcesVersion6) {
  TTestMovie movie(0, 0, 100, 100, 24, true);
  movie.SetVersion(5);
  movie.SetCompressed(true);
  EXPECT_EQ(movie.SWFVersion(), 6);
  movie.SetVersion(5);
  EXPECT_EQ(movie.SWFVersion(), 6);
  movie.SetCompressed(false);
  EXPECT_EQ(movie.SWFVersion(), 6);
  movie.SetVersion(4);
  EXPECT_EQ(movie.SWFVersion(), 4);
}

TEST(SWFStreamSave, CompressedFileKeepsItsFirst8BytesPlainAndTheFullLength) {
  TTestMovie plain(0, 0, 550, 400, 24, true);
  plain.SetBody(kBody);
  std::string plainFile = Save(plain);

  TTestMovie movie(0, 0, 550, 400, 24, true);
  movie.SetBody(kBody);
  // Set the flag without raising the version, as a caller may have done
  // directly before saving: saving still writes version 6.
  movie.SetCompressed(true);
  movie.SetVersion(5);
  std::vector<int> percents;
  movie.OnProgress = [&](TBasedSWFStream&, int percent, uint8_t kind) {
    EXPECT_EQ(kind, 2);
    percents.push_back(percent);
  };
  std::string file = Save(movie);
  EXPECT_EQ(file.substr(0, 4), "CWS\x06");
  EXPECT_EQ(file.substr(4, 4), plainFile.substr(4, 4));
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);

  std::string inflated(plainFile.size() - 8, '\0');
  uLongf size = inflated.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                       reinterpret_cast<const Bytef*>(file.data() + 8), file.size() - 8),
            Z_OK);
  EXPECT_EQ(inflated, plainFile.substr(8));

  auto reader = Load(file);
  EXPECT_TRUE(reader->IsSWF());
  EXPECT_TRUE(reader->Compressed());
  EXPECT_EQ(reader->SWFVersion(), 6);
  EXPECT_EQ(Body(*reader), kBody);
  EXPECT_EQ(reader->FrameRect, (TRect{0, 0, 11000, 8000}));
  EXPECT_TRUE(reader->Problems().empty());
}

TEST(SWFStreamSave, CompressionProgressFollowsTheBytesConsumed) {
  // Percent = round(100 x bytes consumed / (body size - 22)), reported as the
  // header's tail and then each 1 MiB of a 3 MiB body go into zlib.
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(std::string(3 << 20, 'a'));
  movie.SetCompressed(true);
  std::vector<int> percents;
  movie.OnProgress = [&](TBasedSWFStream&, int percent, uint8_t) { percents.push_back(percent); };
  Save(movie);
  EXPECT_EQ(percents, (std::vector<int>{0, 33, 67, 100, 100}));
}

TEST(SWFStreamSave, SavingOverAFileReplacesIt) {
  test::TempDir dir;
  auto name = (dir / "movie.swf").string();
  test::WriteFile(name, std::string(5000, 'z'));
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(Bytes("00 00"));
  movie.SaveToFile(name);
  std::string file = test::ReadFile(name);
  EXPECT_EQ(file.size(), movie.FileLength);
  TSWFStreamReader reader(name);
  EXPECT_TRUE(reader.IsSWF());
  EXPECT_EQ(Hex(Body(reader)), "00 00");
  EXPECT_THROW(TSWFStreamReader((dir / "missing.swf").string()), EFOpenError);
}

TEST(SWFStreamReader, NotAnSWF) {
  for (std::string bytes : {std::string(), std::string("FWS"), std::string("GIF89a......"),
                            Bytes("46 57 53 05 20 00 00 00 78")}) {
    auto reader = Load(bytes);
    EXPECT_FALSE(reader->IsSWF()) << Hex(bytes);
    EXPECT_EQ(reader->Width(), 0);
    EXPECT_EQ(reader->Height(), 0);
    EXPECT_FALSE(reader->Problems().empty());
    reader->ParseTags(true, true);
    EXPECT_EQ(reader->TagCount(), 0u);
  }
}

TEST(SWFStreamReader, ParsesHeadersFramesAndUnknownCodes) {
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(kBody);
  auto reader = Load(Save(movie));
  std::vector<int> parsing, making;
  reader->OnProgress = [&](TBasedSWFStream&, int percent, uint8_t kind) {
    (kind == 0 ? parsing : making).push_back(percent);
  };
  reader->ParseTags(true, false);
  ASSERT_EQ(reader->TagCount(), 6u);
  EXPECT_EQ(parsing.back(), 100);

  struct {
    uint16_t code;
    uint32_t length;
    bool isLong;
    uint32_t position;
    uint16_t frame;
    const char* className;
  } expected[] = {
      {9, 3, false, 0, 1, "TSWFSetBackgroundColor"},
      {76, 63, true, 5, 1, "TSWFByteCodeTag"},
      {1, 0, false, 74, 1, nullptr},
      {43, 3, false, 76, 2, "TSWFFrameLabel"},
      {1, 0, false, 81, 2, nullptr},
      {0, 0, false, 83, 3, "TSWFEnd"},
  };
  for (size_t i = 0; i < 6; ++i) {
    TSWFTagInfo& info = reader->TagInfo(i);
    EXPECT_EQ(info.TagCode, expected[i].code) << i;
    EXPECT_EQ(info.Length, expected[i].length) << i;
    EXPECT_EQ(info.IsLongHeader, expected[i].isLong) << i;
    EXPECT_EQ(info.Position, expected[i].position) << i;
    EXPECT_EQ(info.FrameNumber, expected[i].frame) << i;
    ASSERT_NE(info.TagObject, nullptr);
    if (expected[i].className) {
      EXPECT_EQ(info.TagObject->ClassName(), expected[i].className) << i;
    }
  }
  auto& raw = dynamic_cast<TSWFByteCodeTag&>(*reader->TagInfo(1).TagObject);
  EXPECT_EQ(raw.ErrorText, "Uniknow tag");
  EXPECT_EQ(raw.FileTagCode, 76);
  EXPECT_EQ(dynamic_cast<TSWFFrameLabel&>(*reader->TagInfo(3).TagObject).Name, "ab");

  reader->MakeStream();
  EXPECT_EQ(Hex(Body(*reader)), Hex(kBody));
  EXPECT_EQ(making.back(), 100);
  // The infos follow the new body, so a second rebuild is the same again.
  reader->MakeStream();
  EXPECT_EQ(Hex(Body(*reader)), Hex(kBody));
}

TEST(SWFStreamReader, MakeStreamRebuildsFromTheTagList) {
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(kBody);
  auto reader = Load(Save(movie));
  // Never parsed: no tags, so the rebuilt body is empty.
  reader->MakeStream();
  EXPECT_EQ(Body(*reader), "");
  auto parsed = Load(Save(movie));
  parsed->ParseTags(false, false);
  parsed->MakeStream();
  EXPECT_EQ(Hex(Body(*parsed)), Hex(kBody));
}

TEST(SWFStreamReader, CreateTagEventChoosesWhichTagsBecomeObjects) {
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(kBody);
  auto reader = Load(Save(movie));
  reader->OnCreateTag = [](TSWFTagInfo& info, bool& create) { create = info.TagCode == 43; };
  reader->ParseTags(true, false);
  for (size_t i = 0; i < reader->TagCount(); ++i)
    EXPECT_EQ(reader->TagInfo(i).TagObject != nullptr, reader->TagInfo(i).TagCode == 43);
  auto& label = dynamic_cast<TSWFFrameLabel&>(*reader->TagInfo(3).TagObject);
  label.Name = "longer";
  reader->MakeStream();
  std::string expected = kBody;
  expected.replace(76, 5, Bytes("C7 0A 6C 6F 6E 67 65 72 00"));
  EXPECT_EQ(Hex(Body(*reader)), Hex(expected));
  // Tags copied as read and the edited one each sit where the infos say.
  EXPECT_EQ(reader->TagInfo(4).Position, 85u);
  reader->MakeStream();
  EXPECT_EQ(Hex(Body(*reader)), Hex(expected));
}

TEST(SWFStreamReader, FailingTagReaderKeepsTheTagAsRawBytes) {
  // A colour with two bytes, a label without its zero, then an End.
  std::string body = Bytes("42 02 FF 00") + Bytes("C2 0A 61 62") + Bytes("00 00");
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(body);
  auto reader = Load(Save(movie));
  reader->ParseTags(true, false);
  ASSERT_EQ(reader->TagCount(), 3u);
  for (size_t i = 0; i < 2; ++i) {
    TSWFTagInfo& info = reader->TagInfo(i);
    EXPECT_EQ(info.TagCode, kRawTagCode);
    auto& raw = dynamic_cast<TSWFByteCodeTag&>(*info.TagObject);
    EXPECT_NE(raw.ErrorText.find("read"), std::string::npos) << raw.ErrorText;
    EXPECT_EQ(raw.FileTagCode, i == 0 ? 9 : 43);
  }
  EXPECT_EQ(reader->TagInfo(2).TagObject->ClassName(), "TSWFEnd");
  reader->MakeStream();
  EXPECT_EQ(Hex(Body(*reader)), Hex(body));
}

TEST(SWFStreamReader, DamagedFilesKeepEveryByteTheyHave) {
  // Without objects the body comes back as read. With objects a cut-off tag
  // is kept raw with the bytes present, and its length then tells the truth.
  struct {
    const char* name;
    std::string body;
    std::string withObjects;
  } rows[] = {
      {"label claims 200 bytes, 3 present", Bytes("43 02 FF 00 00 C8 0A 61 62 63"),
       Bytes("43 02 FF 00 00 C3 0A 61 62 63")},
      {"one stray byte after a whole tag", Bytes("43 02 FF 00 00 07"),
       Bytes("43 02 FF 00 00 07")},
      {"long length of 2^32 - 1", Bytes("43 02 FF 00 00 FF FF FF FF FF FF 61 62 63"),
       Bytes("43 02 FF 00 00 C3 FF 61 62 63")},
      {"long header cut off", Bytes("43 02 FF 00 00 FF FF 10 00"),
       Bytes("43 02 FF 00 00 FF FF 10 00")},
  };
  for (const auto& row : rows) {
    TTestMovie movie(0, 0, 10, 10, 12, true);
    movie.SetBody(row.body);
    std::string file = Save(movie);
    for (bool objects : {false, true}) {
      auto reader = Load(file);
      reader->ParseTags(objects, false);
      EXPECT_FALSE(reader->Problems().empty()) << row.name;
      reader->MakeStream();
      EXPECT_EQ(Hex(Body(*reader)), Hex(objects ? row.withObjects : row.body))
          << row.name << (objects ? ", objects" : "");
    }
  }
}

TEST(SWFStreamReader, CompressedFilesThatLieOrEndEarly) {
  TTestMovie movie(0, 0, 10, 10, 12, true);
  movie.SetBody(kBody);
  movie.SetCompressed(true);
  std::string file = Save(movie);

  // Cut in the middle of the zlib data: the bytes that did come out are kept.
  auto cut = Load(file.substr(0, file.size() - 20));
  EXPECT_TRUE(cut->IsSWF());
  EXPECT_FALSE(cut->Problems().empty());
  EXPECT_LT(Body(*cut).size(), kBody.size());
  EXPECT_EQ(Body(*cut), kBody.substr(0, Body(*cut).size()));
  cut->ParseTags(true, true);

  // A length larger than the data: parsed as far as the data goes.
  std::string liar = file;
  liar[7] = '\x7F';
  auto big = Load(liar);
  EXPECT_EQ(Body(*big), kBody);
  EXPECT_FALSE(big->Problems().empty());

  // A length smaller than the data: exactly the declared bytes are taken.
  std::string shorter = file;
  uint32_t length = static_cast<uint32_t>(movie.FileLength - 10);
  shorter[4] = static_cast<char>(length);
  shorter[5] = static_cast<char>(length >> 8);
  auto small = Load(shorter);
  EXPECT_EQ(Body(*small), kBody.substr(0, kBody.size() - 10));
  EXPECT_FALSE(small->Problems().empty());

  // Damaged zlib data.
  std::string garbage = file.substr(0, 8) + std::string(40, '\x55');
  auto bad = Load(garbage);
  EXPECT_FALSE(bad->IsSWF());
  EXPECT_FALSE(bad->Problems().empty());
}

TEST(SWFStreamReader, RenumberGivesDefinedCharactersNewIdsAndFollowsReferences) {
  TTestMovie movie(0, 0, 10, 10, 12, true);
  TMemoryStream tags;
  TBitsEngine be(tags);
  TSWFImportAssets import;
  import.URL = "lib.swf";
  import.AddAsset("a", 5);
  import.AddAsset("b", 9);
  import.WriteToStream(be);
  TSWFExportAssets exports;
  exports.AddAsset("b", 9);
  exports.AddAsset("other", 3);
  exports.WriteToStream(be);
  TSWFDefineScalingGrid grid;
  grid.CharacterId = 5;
  grid.WriteToStream(be);
  movie.SetBody(tags.ToString());
  auto reader = Load(Save(movie));
  reader->ParseTags(true, false);
  EXPECT_EQ(reader->RenumberCharacters(100), 102);
  auto& i = dynamic_cast<TSWFImportAssets&>(*reader->TagInfo(0).TagObject);
  auto& e = dynamic_cast<TSWFExportAssets&>(*reader->TagInfo(1).TagObject);
  auto& g = dynamic_cast<TSWFDefineScalingGrid&>(*reader->TagInfo(2).TagObject);
  EXPECT_EQ(i.Assets[0].Id, 100);
  EXPECT_EQ(i.Assets[1].Id, 101);
  EXPECT_EQ(e.Assets[0].Id, 101);
  EXPECT_EQ(e.Assets[1].Id, 3) << "ids defined elsewhere stay";
  EXPECT_EQ(g.CharacterId, 100);

  // A handler can keep a tag's own ids.
  auto again = Load(Save(movie));
  again->ParseTags(true, false);
  again->OnRenumber = [](TSWFObject& o, bool& renumber) { renumber = o.TagID != 57; };
  EXPECT_EQ(again->RenumberCharacters(100), 100);
  EXPECT_EQ(dynamic_cast<TSWFExportAssets&>(*again->TagInfo(1).TagObject).Assets[0].Id, 9);
}

}  // namespace
}  // namespace reelcast
