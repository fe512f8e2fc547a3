// Player-template movies: what the player receives (the display list and the
// first frame's script), the size from the player's ".ini", the settings
// that are left out of previews, and the inputs that must leave nothing
// behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "publish/PlayerMovie.h"
#include "publish/PlayerMovieRead.h"
#include "swf/FontsText.h"
#include "support/StoreFixture.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

// A one-frame movie with a square, standing in for a player or "as.swf".
void WriteTinyMovie(const fs::path& path) {
  TFlashMovie m(0, 0, 100, 50, 12, true);
  m.SetVersion(8);
  TFlashShape* s = m.AddRectangle(0, 0, 10, 10);
  s->AddSolidFill(0xFF00FF00u);
  m.PlaceObject(s, 1);
  m.ShowFrame(1);
  m.MakeStream();
  m.SaveToFile(path.string());
}

class PlayerMovieTest : public StoreFixture {
 protected:
  void SetUp() override {
    players_ = data_.Path() / "templates" / "Players";
    fs::create_directories(players_);
    WriteTinyMovie(players_ / "as.swf");
    WriteTinyMovie(players_ / "Tiny.swf");
    WriteFile(players_ / "Tiny.ini", "[PlayerInfo]\nHeight=40\nWidth=0\n");
    WriteFile(out_.Path() / "in.flv", "FLV stand-in: the external case never reads it");
    p_.VideoWidth = 320;
    p_.VideoHeight = 240;
    p_.FrameRate = 0;
    p_.OutputKind = kOutputSwf;
    p_.ExportSetting = &es_;
    es_.EmbedType = etSeperaterFLV;
    es_.AutoPlay = true;
    es_.AutoRewind = false;
    es_.RepeatPlay = true;
  }
  std::string Out(const std::string& name) const { return (out_.Path() / name).string(); }

  fs::path players_;
  TempDir out_{"reelcast-player-out"};
  TExportSetting es_;
  TSWFParam p_;
};

// The external case as the player sees it: the script sets every _global
// variable in order and ends with initPlayer(); the FLV travels beside the
// movie under the movie's name; the stage is the video plus the ini's Height.
TEST_F(PlayerMovieTest, ExternalMovieHandsThePlayerItsVariables) {
  ASSERT_TRUE(MakePlayerMovie(Out("in.flv"), "Tiny", Out("movie.swf"), false, p_));
  EXPECT_EQ(ReadFile(out_.Path() / "movie.flv"), ReadFile(out_.Path() / "in.flv"));

  TReadPlayerMovie movie(Out("movie.swf"));
  EXPECT_EQ(movie.Reader->SWFVersion(), 8);
  EXPECT_FALSE(movie.Reader->Compressed());
  EXPECT_EQ(movie.Reader->FrameRect.Right, 320 * 20);
  EXPECT_EQ(movie.Reader->FrameRect.Bottom, 280 * 20);
  EXPECT_EQ(movie.Reader->GetFPS(), 15);
  ASSERT_TRUE(movie.Placed.count(1) && movie.Placed.count(5) && movie.Placed.count(19));
  EXPECT_EQ(movie.Placed[1]->Name(), "as");
  EXPECT_EQ(movie.Placed[5]->Name(), "player");
  EXPECT_EQ(movie.Placed.count(2), 0u) << "no embedded video";
  EXPECT_EQ(movie.Placed.count(65530), 0u) << "no click URL was asked for";
  EXPECT_EQ(movie.ShowFrames, 1);

  const std::vector<std::string> expected = {
      "Push s:_global", "GetVariable", "Push s:g_flvURL s:FlvFileName", "GetVariable", "SetMember",
      "ConstantPool _global g_videoWidth g_videoHeight",
      "Push p:0", "GetVariable", "Push s:g_fps i:15", "SetMember",
      "Push p:0", "GetVariable", "Push p:1 i:320", "SetMember",
      "Push p:0", "GetVariable", "Push p:2 i:280", "SetMember",
      "Push p:0", "GetVariable", "Push s:g_initilized u", "SetMember",
      "Push p:0", "GetVariable", "Push s:g_autoPlay b:1", "SetMember",
      "Push p:0", "GetVariable", "Push s:g_autoRewind b:0", "SetMember",
      "Push p:0", "GetVariable", "Push s:g_repeat b:1", "SetMember",
      "Push d:0 s:initPlayer", "CallFunction", "Pop"};
  EXPECT_EQ(movie.Script, expected);
}

// The dynamic text at depth 19 carries the FLV's file name for g_flvURL, as
// the URL the player opens: encoded where a URL needs it.
TEST_F(PlayerMovieTest, FileNameTextHoldsTheTravellingFlvsName) {
  ASSERT_TRUE(MakePlayerMovie(Out("in.flv"), "Tiny", Out("my clip.swf"), false, p_));
  TReadPlayerMovie movie(Out("my clip.swf"));
  bool found = false;
  for (size_t i = 0; i < movie.Reader->TagCount(); ++i)
    if (auto* text = dynamic_cast<TSWFDefineEditText*>(movie.Reader->TagInfo(i).TagObject)) {
      found = true;
      EXPECT_EQ(text->VariableName, "FlvFileName");
      EXPECT_EQ(text->InitialText, "my%20clip.flv");
    }
  EXPECT_TRUE(found);
  EXPECT_TRUE(fs::exists(out_.Path() / "my clip.flv"));
}

// Stage sizes from the video size and the ini: a missing ini gives Height 42
// and Width 1; a video width of 0 gives 320 without Width, a height of 0
// gives 240 plus Height.
TEST_F(PlayerMovieTest, StageSizeFromVideoAndIni) {
  WriteTinyMovie(players_ / "NoIni.swf");
  struct {
    const char* player;
    int32_t w, h;
    int32_t stageW, stageH;
  } cases[] = {{"Tiny", 320, 240, 320, 280}, {"NoIni", 320, 240, 321, 282},
               {"NoIni", 0, 0, 320, 282},    {"Tiny", 160, 120, 160, 160}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.player) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
    p_.VideoWidth = c.w;
    p_.VideoHeight = c.h;
    ASSERT_TRUE(MakePlayerMovie(Out("in.flv"), c.player, Out("size.swf"), false, p_));
    TReadPlayerMovie movie(Out("size.swf"));
    EXPECT_EQ(movie.Reader->FrameRect.Right, c.stageW * 20);
    EXPECT_EQ(movie.Reader->FrameRect.Bottom, c.stageH * 20);
    const std::string width = "Push p:1 i:" + std::to_string(c.stageW);
    const std::string height = "Push p:2 i:" + std::to_string(c.stageH);
    EXPECT_NE(std::find(movie.Script.begin(), movie.Script.end(), width), movie.Script.end());
    EXPECT_NE(std::find(movie.Script.begin(), movie.Script.end(), height), movie.Script.end());
  }
}

// The click URL, the end URL and a link are added to a published movie but
// never to a preview.
TEST_F(PlayerMovieTest, PreviewLeavesUrlsAndLinksOut) {
  es_.ClickingUrl = TURLInfo{true, "example.org/click", "_blank"};
  es_.PlayEndUrl = TURLInfo{true, "example.org/end", "_top"};
  p_.LinkKind = kLinkText;
  p_.TextLink.Text = "Visit";
  p_.TextLink.URL = "example.org";
  p_.TextLink.FontName = "DejaVu Sans";
  p_.TextLink.FontSize = 12;
  for (bool preview : {false, true}) {
    SCOPED_TRACE(preview ? "preview" : "published");
    ASSERT_TRUE(MakePlayerMovie(Out("in.flv"), "Tiny", Out("urls.swf"), preview, p_));
    TReadPlayerMovie movie(Out("urls.swf"));
    const auto has = [&](const std::string& line) {
      return std::find(movie.Script.begin(), movie.Script.end(), line) != movie.Script.end();
    };
    EXPECT_EQ(movie.Placed.count(65530), preview ? 0u : 1u) << "click area";
    EXPECT_EQ(movie.Placed.count(65531), preview ? 0u : 1u) << "text link";
    EXPECT_EQ(has("Push s:g_endURL s:http://example.org/end"), !preview);
    EXPECT_EQ(has("Push s:g_endURLTarget s:_top"), !preview);
    EXPECT_EQ(movie.Script.back(), "Pop") << "initPlayer() stays the last call";
  }
}

// The template page's preview: the player's sample at 320 x 240 in the user
// folder's temp/, whatever size the job has.
TEST_F(PlayerMovieTest, PreviewPlaysTheSampleAt320x240) {
  WriteFile(players_ / "SampleFlv.flv", "sample stand-in");
  p_.VideoWidth = 640;
  p_.VideoHeight = 480;
  const std::string swf = MakePlayerPreview("Tiny", true, p_);
  ASSERT_EQ(swf, TempFolder + "SampleFlv.swf");
  EXPECT_EQ(ReadFile(TempFolder + "SampleFlv.flv"), "sample stand-in");
  TReadPlayerMovie movie(swf);
  EXPECT_EQ(movie.Reader->FrameRect.Right, 320 * 20);
  EXPECT_EQ(movie.Reader->FrameRect.Bottom, 280 * 20);
  EXPECT_EQ(p_.VideoWidth, 640) << "the job's size is left alone";
  EXPECT_EQ(MakePlayerPreview("Nobody", true, p_), "");
}

// Inputs that cannot make a movie: each is logged and leaves neither the
// movie nor the FLV's copy behind.
TEST_F(PlayerMovieTest, BadInputWritesNothing) {
  struct {
    const char* what;
    std::string flv;
    std::string player;
    bool removeAs;
    const char* log;
  } cases[] = {
      {"missing player", Out("in.flv"), "Nobody", false, "Not Found File:"},
      {"folder without as.swf", Out("in.flv"), "Tiny", true, "Not Found File:"},
      {"missing FLV", Out("none.flv"), "Tiny", false, "Not found File:"},
      {"name that leaves the folder", Out("in.flv"), "../Players/Tiny", false, "Not Found File:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.removeAs) fs::remove(players_ / "as.swf");
    const size_t logged = fs::exists(LogFilePath()) ? fs::file_size(LogFilePath()) : 0;
    EXPECT_FALSE(MakePlayerMovie(c.flv, c.player, Out("bad.swf"), false, p_));
    EXPECT_FALSE(fs::exists(out_.Path() / "bad.swf"));
    EXPECT_FALSE(fs::exists(out_.Path() / "bad.flv"));
    EXPECT_NE(ReadFile(LogFilePath()).find(c.log, logged), std::string::npos);
    if (c.removeAs) WriteTinyMovie(players_ / "as.swf");
  }
  // A movie named like its FLV would overwrite the FLV's copy.
  EXPECT_FALSE(MakePlayerMovie(Out("in.flv"), "Tiny", Out("clip.flv"), false, p_));
  EXPECT_FALSE(fs::exists(out_.Path() / "clip.flv"));
  // A player file that is no movie would import as nothing at all.
  WriteFile(players_ / "Broken.swf", "not a movie");
  EXPECT_FALSE(MakePlayerMovie(Out("in.flv"), "Broken", Out("bad.swf"), false, p_));
  EXPECT_FALSE(fs::exists(out_.Path() / "bad.swf"));
  EXPECT_FALSE(fs::exists(out_.Path() / "bad.flv"));
  EXPECT_NE(ReadFile(LogFilePath()).find("not a movie: "), std::string::npos);
}

}  // namespace
}  // namespace reelcast::test
