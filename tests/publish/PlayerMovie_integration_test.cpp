// Player-template movies around a real FLV: the embedded case carries every
// video frame and tells the player the rate the movie really runs at; the
// command line delivers the FLV beside a linking movie only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/Paths.h"
#include "media/FLVData.h"
#include "publish/PlayerMovie.h"
#include "publish/PlayerMovieRead.h"
#include "publish/PublishedMovie.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::vector<std::string>& script, const std::string& line) {
  return std::find(script.begin(), script.end(), line) != script.end();
}

class PlayerMovieFlv : public testing::Test {
 protected:
  void SetUp() override {
    InitFolders();
    MakePublishFlv((dir_ / "in.flv").string(), 2, 12);  // 2 s at 12 fps
  }
  TempDir dir_{"reelcast-player-int"};
};

// With the job's frame rate 0 the movie's rate is 15 until the embedded
// video replaces it with the FLV's; the player must count frames at that
// same rate (12 here), not at 15. A screen saver or projector embeds even
// when linking was chosen.
TEST_F(PlayerMovieFlv, EmbeddedMovieCarriesTheFramesAndTheirRate) {
  TExportSetting es;
  TSWFParam p;
  p.VideoWidth = 160;
  p.VideoHeight = 120;
  p.FrameRate = 0;
  p.ExportSetting = &es;
  struct {
    TEmbedType embed;
    int32_t kind;
  } cases[] = {{etEmbedFLV, kOutputSwf}, {etSeperaterFLV, kOutputScreenSaver},
               {etSeperaterFLV, kOutputProjector}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.embed) + "/" + std::to_string(c.kind));
    es.EmbedType = c.embed;
    p.OutputKind = c.kind;
    ASSERT_TRUE(MakePlayerMovie((dir_ / "in.flv").string(), "Classic Gray",
                                (dir_ / "out.swf").string(), false, p));
    TReadPlayerMovie movie((dir_ / "out.swf").string());
    TFLVData flv((dir_ / "in.flv").string());
    EXPECT_EQ(movie.Reader->FrameRate, flv.FrameRate());
    EXPECT_NEAR(movie.Reader->GetFPS(), 12, 0.01);
    EXPECT_EQ(movie.ShowFrames, static_cast<int>(flv.FrameCount()));
    // Every frame of the FLV, and the first frame of the player's own
    // video object.
    EXPECT_EQ(movie.VideoFrames, static_cast<int>(flv.FrameCount()) + 1);
    ASSERT_TRUE(movie.Placed.count(2));
    EXPECT_EQ(movie.Placed.count(19), 0u) << "no file name text";
    EXPECT_TRUE(Has(movie.Script, "Push s:g_flvURL u"));
    EXPECT_TRUE(Has(movie.Script, "Push s:g_fps i:12"));
    EXPECT_TRUE(Has(movie.Script, "Push p:2 i:164")) << "120 + the player's 44";
  }
}

// reelcast-cli flv2swf with a player: a linking movie has its FLV beside it,
// an embedding one does not; an unknown player is refused before anything
// is written.
TEST_F(PlayerMovieFlv, CommandLineDeliversTheFlvOnlyWhenLinking) {
  const std::string in = (dir_ / "in.flv").string();
  auto link = Flv2Swf(in, (dir_ / "link.swf").string(),
                      {"--template", "player:Sunset", "--repeat", "--end-url", "example.com"});
  ASSERT_EQ(link.ExitCode, 0) << link.Output;
  EXPECT_EQ(ReadFile(dir_ / "link.flv"), ReadFile(dir_ / "in.flv"));
  TReadPlayerMovie linked((dir_ / "link.swf").string());
  EXPECT_TRUE(Has(linked.Script, "Push s:g_repeat b:1"));
  EXPECT_TRUE(Has(linked.Script, "Push s:g_endURL s:http://example.com"));
  EXPECT_TRUE(Has(linked.Script, "Push s:g_fps i:12")) << "the FLV's rate by default";

  auto embed = Flv2Swf(in, (dir_ / "embed.swf").string(),
                       {"--template", "player:Midnight Blue", "--embed-mode", "embed"});
  ASSERT_EQ(embed.ExitCode, 0) << embed.Output;
  EXPECT_TRUE(fs::exists(dir_ / "embed.swf"));
  EXPECT_FALSE(fs::exists(dir_ / "embed.flv"));

  auto unknown = Flv2Swf(in, (dir_ / "none.swf").string(), {"--template", "player:Nobody"});
  EXPECT_EQ(unknown.ExitCode, 1);
  EXPECT_NE(unknown.Output.find("no player template 'Nobody'"), std::string::npos) << unknown.Output;
  EXPECT_FALSE(fs::exists(dir_ / "none.swf"));
  EXPECT_FALSE(fs::exists(dir_ / "none.flv"));
}

}  // namespace
}  // namespace reelcast::test
