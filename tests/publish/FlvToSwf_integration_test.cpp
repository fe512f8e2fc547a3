// reelcast-cli flv2swf on ffmpeg's FLVs, checked by ffprobe and by reading
// the files back: the movie, its sound, the projector.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Config.h"
#include "convert/JobRecord.h"
#include "convert/MakeSwf.h"
#include "publish/FlvToSwf.h"
#include "publish/PublishedMovie.h"
#include "support/FFprobe.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

// Tags of a kind in reelcast-cli swf dump's listing.
int CountTags(const fs::path& swf, const std::string& name) {
  auto r = RunProcess({(BinDir() / "reelcast-cli").string(), "swf", "dump", swf.string()});
  int n = 0;
  for (size_t at = 0; (at = r.Output.find(" " + name + " (", at)) != std::string::npos; ++at) ++n;
  return n;
}

TEST(Flv2Swf, EmbedsEveryFrameAndTheSoundOnlyWhenAudioIsOn) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string());
  auto on = Flv2Swf((dir / "in.flv").string(), (dir / "on.swf").string());
  ASSERT_EQ(on.ExitCode, 0) << on.Output;
  auto off = Flv2Swf((dir / "in.flv").string(), (dir / "off.swf").string(), {"--no-audio"});
  ASSERT_EQ(off.ExitCode, 0) << off.Output;
  // Frame 0 holds the definitions; video frames 0 to 18 fill frames 1 to 19
  // (the 20th frame would follow in a stop frame).
  EXPECT_EQ(CountTags(dir / "on.swf", "VideoFrame"), 19);
  EXPECT_EQ(CountTags(dir / "off.swf", "VideoFrame"), 19);
  EXPECT_EQ(CountTags(dir / "on.swf", "SoundStreamHead"), 1);
  EXPECT_EQ(CountTags(dir / "off.swf", "SoundStreamHead"), 0);
  // ffprobe finds the MP3 stream in the one and none in the other.
  EXPECT_GT(CountPackets(dir / "on.swf", "a"), 0);
  EXPECT_LE(CountPackets(dir / "off.swf", "a"), 0);
  // Compressed, version 8.
  std::string head = ReadFile(dir / "on.swf").substr(0, 4);
  EXPECT_EQ(head, std::string("CWS\x08", 4));
  // Nothing else was left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);
}

TEST(Flv2Swf, ProjectorLeavesOnlyTheExeAndItsHeadGivesTheMovieBack) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string(), 1);
  auto plain = Flv2Swf((dir / "in.flv").string(), (dir / "plain.swf").string());
  ASSERT_EQ(plain.ExitCode, 0) << plain.Output;
  auto made = Flv2Swf((dir / "in.flv").string(), (dir / "show.swf").string(), {"--projector"});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  EXPECT_FALSE(fs::exists(dir / "show.swf"));
  ASSERT_TRUE(fs::exists(dir / "show.exe"));
  std::string exe = ReadFile(dir / "show.exe");
  std::string movie = ReadFile(dir / "plain.swf");
  ASSERT_GT(exe.size(), movie.size() + 8);
  EXPECT_EQ(exe.substr(exe.size() - 8 - movie.size(), movie.size()), movie);
  uint32_t len = 0;
  for (int i = 3; i >= 0; --i) len = len * 256 + static_cast<uint8_t>(exe[exe.size() - 4 + i]);
  EXPECT_EQ(len, movie.size());
  // The player head finds the movie by the trailer.
  ScopedEnv extract("REELCAST_PROJECTOR_EXTRACT_ONLY", "1");
  auto run = RunProcess({(dir / "show.exe").string()}, 60);
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  std::string out = run.Output.substr(0, run.Output.find('\n'));
  EXPECT_EQ(ReadFile(out), movie);
  fs::remove_all(fs::path(out).parent_path());
}

TEST(Flv2Swf, MissingFlvIsLoggedAndNothingIsWritten) {
  TempDir dir;
  TSWFParam p;
  p.VideoWidth = 160;
  p.VideoHeight = 120;
  FlvToSwf((dir / "none.flv").string(), (dir / "out.swf").string(), p);
  EXPECT_FALSE(fs::exists(dir / "out.swf"));
  EXPECT_NE(ReadFile(LogFilePath()).find("Function:FlvToSwf;File Not Exists: " +
                                         (dir / "none.flv").string()),
            std::string::npos);
  auto r = Flv2Swf((dir / "none.flv").string(), (dir / "out.swf").string());
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Output.find("no such file"), std::string::npos) << r.Output;
  EXPECT_EQ(Flv2Swf("a.flv", "b.swf", {"--play-mode", "sometimes"}).ExitCode, 2);
}

// A cancelled job gives up the movie it is writing: nothing is left, not
// even a scratch file, and an older movie of that name stays.
TEST(Flv2Swf, CancelledJobGivesUpTheMovie) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string());
  WriteFile(dir / "out.swf", "older");
  TSWFParam p;
  p.VideoWidth = 160;
  p.VideoHeight = 120;
  p.FrameRate = 10;
  CancelRequested = 1;
  EXPECT_THROW(FlvToSwf((dir / "in.flv").string(), (dir / "out.swf").string(), p), TJobCancelled);
  CancelRequested = 0;
  EXPECT_EQ(ReadFile(dir / "out.swf"), "older");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace reelcast::test
