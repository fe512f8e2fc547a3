// The DVD decoder stand-in's IFO and video decoder calls against a DVD folder
// authored by make_dvd.sh, and against damaged copies of it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/DvdDecoder.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;
using test::DvdFixture;
using test::TempDir;

std::string Utf8(const char16_t* text) {
  std::string out;
  for (; text && *text; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

std::string Ifo(const char* name) { return (DvdFixture() / "VIDEO_TS" / name).string(); }

// A copy of the fixture's VIDEO_TS that a test may damage.
fs::path CopyOfFixture(const TempDir& dir) {
  fs::path copy = dir / "VIDEO_TS";
  fs::copy(DvdFixture() / "VIDEO_TS", copy, fs::copy_options::recursive);
  return copy;
}

struct TChapterRow {
  double Begin, Length;
};
struct TTitleRow {
  const char* File;
  int Title;
  double Begin, Length;
  std::vector<TChapterRow> Chapters;
  std::vector<std::string> Audio, Subtitles;
};

TEST(DvdDecoderTest, ListsTitlesChaptersAndStreamsOnTheTitleSetTimeBase) {
  const std::vector<TTitleRow> rows = {
      {"VTS_01_0.IFO", 0, 0, 12, {{0, 4}, {4, 4}, {8, 4}},
       {"English (AC3, 2ch)", "French (MPEG, 2ch)"}, {"English"}},
      // The second title begins where the first ends.
      {"VTS_01_0.IFO", 1, 12, 2, {{12, 2}}, {"English (AC3, 2ch)", "French (MPEG, 2ch)"}, {"English"}},
      {"VTS_02_0.IFO", 0, 0, 6, {{0, 3}, {3, 3}}, {"German (LPCM, 2ch)"}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.File) + " title " + std::to_string(row.Title));
    TIfoHandle h = IFOOpen(Ifo(row.File));
    ASSERT_NE(h, 0) << IFOLastError();
    EXPECT_EQ(IFOGetTitleCount(h), row.File == std::string("VTS_01_0.IFO") ? 2 : 1);
    EXPECT_NEAR(IFOGetTitleBeginTime(h, row.Title), row.Begin, 0.05);
    EXPECT_NEAR(IFOGetTitleLength(h, row.Title), row.Length, 0.05);
    ASSERT_EQ(IFOGetChapterCount(h, row.Title), static_cast<int>(row.Chapters.size()));
    for (size_t c = 0; c < row.Chapters.size(); ++c) {
      EXPECT_NEAR(IFOGetChapterBeginTime(h, row.Title, c), row.Chapters[c].Begin, 0.05);
      EXPECT_NEAR(IFOGetChapterLength(h, row.Title, c), row.Chapters[c].Length, 0.05);
    }
    std::vector<std::string> audio, subtitles;
    for (int a = 0; a < IFOGetTitleAudioTrackCount(h, row.Title); ++a)
      audio.push_back(Utf8(IFOGetAudioTrackDesc(h, row.Title, a)));
    for (int s = 0; s < IFOGetTitleSubTitleCount(h, row.Title); ++s)
      subtitles.push_back(Utf8(IFOGetSubTitleDesc(h, row.Title, s)));
    EXPECT_EQ(audio, row.Audio);
    EXPECT_EQ(subtitles, row.Subtitles);
    // Out of range asks give nothing rather than garbage.
    EXPECT_EQ(IFOGetChapterCount(h, 7), 0);
    EXPECT_EQ(IFOGetChapterLength(h, row.Title, 99), 0.0);
    EXPECT_EQ(Utf8(IFOGetAudioTrackDesc(h, row.Title, 9)), "");
    IFOClose(h);
    EXPECT_EQ(IFOGetTitleCount(h), 0) << "a closed handle must be dead";
  }
}

TEST(DvdDecoderTest, ListingReadsOnlyInformationFiles) {
  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  for (const auto& entry : fs::directory_iterator(copy))
    if (entry.path().extension() == ".VOB") fs::remove(entry.path());
  TIfoHandle h = IFOOpen((copy / "VTS_01_0.IFO").string());
  ASSERT_NE(h, 0) << IFOLastError();
  EXPECT_EQ(IFOGetTitleCount(h), 2);
  IFOClose(h);
}

TEST(DvdDecoderTest, ReadsLowerCaseFileNames) {
  TempDir dir;
  fs::path copy = dir / "video_ts";
  fs::create_directories(copy);
  for (const auto& entry : fs::directory_iterator(DvdFixture() / "VIDEO_TS")) {
    std::string name = entry.path().filename().string();
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::copy_file(entry.path(), copy / name);
  }
  TIfoHandle h = IFOOpen((copy / "vts_01_0.ifo").string());
  ASSERT_NE(h, 0) << IFOLastError();
  EXPECT_EQ(IFOGetChapterCount(h, 0), 3);
  IFOClose(h);
  int32_t error = -1;
  TVideoDecoderHandle d = WVDCreate((copy / "vts_02_0.ifo").string(), nullptr, &error);
  EXPECT_EQ(error, kWvdOk) << IFOLastError();
  WVDDestroy(d);
}

TEST(DvdDecoderTest, RefusesFilesItCannotParse) {
  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  // libdvdread falls back to the backup file; both are damaged here.
  std::string garbage(12288, 'x');
  test::WriteFile(copy / "VTS_02_0.IFO", garbage);
  test::WriteFile(copy / "VTS_02_0.BUP", garbage);
  test::WriteFile(copy / "VTS_03_0.IFO", "");
  const std::vector<fs::path> bad = {copy / "VTS_02_0.IFO", copy / "VTS_03_0.IFO",
                                     copy / "VTS_09_0.IFO", copy / "VIDEO_TS.IFO",
                                     copy / "VTS_01_1.VOB"};
  for (const auto& path : bad) {
    SCOPED_TRACE(path.filename().string());
    EXPECT_EQ(IFOOpen(path.string()), 0);
    EXPECT_FALSE(IFOLastError().empty());
    int32_t error = 0;
    EXPECT_EQ(WVDCreate(path.string(), nullptr, &error), 0);
    EXPECT_EQ(error, kWvdInfoUnreadable);
  }
}

uint32_t BE32(const std::string& b, size_t at) {
  return (uint32_t{static_cast<uint8_t>(b[at])} << 24) | (uint32_t{static_cast<uint8_t>(b[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(b[at + 2])} << 8) | static_cast<uint8_t>(b[at + 3]);
}
void PutBE(std::string& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * (bytes - 1 - i)));
}

TEST(DvdDecoderTest, TablesThatRunPastTheFileAreRefusedBeforeTheyAreRead) {
  // Lengths inside an information file size what gets read: a damaged or
  // crafted file must be refused, not make the program allocate gigabytes or
  // read outside its tables.
  const std::string good = test::ReadFile(Ifo("VTS_01_0.IFO"));
  const size_t ptt = BE32(good, 0xC8) * 2048u, pgcit = BE32(good, 0xCC) * 2048u;
  const size_t pgc = pgcit + BE32(good, pgcit + 12);
  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> damages = {
      {"title table longer than the file", [&](std::string& b) { PutBE(b, ptt + 4, 0x40000000, 4); }},
      {"chain table past the end", [&](std::string& b) { PutBE(b, 0xCC, 0x00100000, 4); }},
      {"more chains than the table holds", [&](std::string& b) { PutBE(b, pgcit, 0xFFFF, 2); }},
      {"cells outside the chain table", [&](std::string& b) { PutBE(b, pgc + 0xE8, 0xFFF0, 2); }},
      {"more programs than cells", [&](std::string& b) { b[pgc + 2] = static_cast<char>(0xFF); }},
      {"not an information file", [&](std::string& b) { b[3] = 'X'; }},
  };
  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  for (const auto& [what, damage] : damages) {
    SCOPED_TRACE(what);
    std::string bytes = good;
    damage(bytes);
    test::WriteFile(copy / "VTS_01_0.IFO", bytes);
    test::WriteFile(copy / "VTS_01_0.BUP", bytes);
    EXPECT_EQ(IFOOpen((copy / "VTS_01_0.IFO").string()), 0);
    EXPECT_NE(IFOLastError().find("VTS_01_0.IFO"), std::string::npos) << IFOLastError();
  }
  test::WriteFile(copy / "VTS_01_0.IFO", good);
  TIfoHandle h = IFOOpen((copy / "VTS_01_0.IFO").string());
  EXPECT_NE(h, 0) << IFOLastError();
  IFOClose(h);
}

TEST(DvdDecoderTest, VideoDecoderReportsThePictureOrFailsWithoutItsVideo) {
  TVideoDecoderParams params;
  params.SubtitleIndex = 1;
  int32_t error = -1;
  TVideoDecoderHandle pal = WVDCreate(Ifo("VTS_01_0.IFO"), &params, &error);
  ASSERT_EQ(error, kWvdOk) << IFOLastError();
  const TVideoInfo* info = WVDGetVideoInfo(pal);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Width, 720);
  EXPECT_EQ(info->Height, 576);
  EXPECT_EQ(info->AspectX * 3, info->AspectY * 4);
  EXPECT_EQ(info->FrameRateNum / info->FrameRateDen, 25);
  EXPECT_EQ(info->SubtitleIndex, 1);
  TVideoDecoderHandle ntsc = WVDCreate(Ifo("VTS_02_0.IFO"), nullptr, &error);
  ASSERT_EQ(error, kWvdOk);
  EXPECT_NE(ntsc, pal);
  EXPECT_EQ(WVDGetVideoInfo(ntsc)->Height, 480);
  EXPECT_EQ(WVDGetVideoInfo(ntsc)->AspectX * 9, WVDGetVideoInfo(ntsc)->AspectY * 16);
  WVDDestroy(pal);
  WVDDestroy(ntsc);
  EXPECT_EQ(WVDGetVideoInfo(pal), nullptr);

  TempDir dir;
  fs::path copy = CopyOfFixture(dir);
  fs::remove(copy / "VTS_01_1.VOB");
  fs::resize_file(copy / "VTS_02_1.VOB", 0);
  for (const char* name : {"VTS_01_0.IFO", "VTS_02_0.IFO"}) {
    SCOPED_TRACE(name);
    error = -1;
    EXPECT_EQ(WVDCreate((copy / name).string(), nullptr, &error), 0);
    EXPECT_EQ(error, kWvdNoVideo);
    EXPECT_FALSE(IFOLastError().empty());
  }
  // A VOB cut short (its cells point past its end) still gives a decoder:
  // the preview plays what it holds.
  fs::copy_file(DvdFixture() / "VIDEO_TS" / "VTS_02_1.VOB", copy / "VTS_02_1.VOB",
                fs::copy_options::overwrite_existing);
  fs::resize_file(copy / "VTS_02_1.VOB", 100 * 2048);
  TVideoDecoderHandle cut = WVDCreate((copy / "VTS_02_0.IFO").string(), nullptr, &error);
  EXPECT_NE(cut, 0);
  EXPECT_EQ(error, kWvdOk);
  WVDDestroy(cut);
}

}  // namespace
}  // namespace reelcast
