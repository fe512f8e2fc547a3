// reelcast-cli flv2swf on ffmpeg's FLVs, checked by ffprobe and by reading
// the files back: the movie, its sound, the projector.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/JobRecord.h"
#include "convert/MakeSwf.h"
#include "publish/ControlBarStyles.h"
#include "publish/FlvToSwf.h"
#include "publish/PublishedMovie.h"
#include "support/FFprobe.h"
#include "swf/DisplayList.h"
#include "swf/FontsText.h"
#include "swf/SWFStream.h"
#include "swf/SoundVideo.h"

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
  // Every one of the FLV's 20 frames, from the movie's first frame on.
  EXPECT_EQ(CountTags(dir / "on.swf", "VideoFrame"), 20);
  EXPECT_EQ(CountTags(dir / "off.swf", "VideoFrame"), 20);
  EXPECT_EQ(CountPackets(dir / "on.swf", "v"), CountPackets(dir / "in.flv", "v")) << "ffprobe agrees";
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

// A movie that ends shows its last picture under its end frame: the end
// frame adds no picture of its own (it once showed the first one again).
TEST(Flv2Swf, MoviesThatEndKeepTheirLastPicture) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string());
  const std::string bar = ListControlBarStyles().at(0);
  const std::vector<std::vector<std::string>> dressings = {
      {"--play-mode", "replay"},
      {"--play-mode", "noloop"},
      {"--play-mode", "replay", "--control-bar", bar},
      {"--play-mode", "noloop", "--control-bar", bar},
      {"--play-mode", "replay", "--preloader"},
  };
  for (const auto& dressing : dressings) {
    SCOPED_TRACE(dressing[1] + (dressing.size() > 2 ? " " + dressing[2] : ""));
    auto made = Flv2Swf((dir / "in.flv").string(), (dir / "out.swf").string(), dressing);
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    EXPECT_EQ(CountTags(dir / "out.swf", "VideoFrame"), 20) << "each of the FLV's 20 pictures once";
    auto dump = RunProcess({(BinDir() / "reelcast-cli").string(), "swf", "dump", (dir / "out.swf").string()});
    const size_t last = dump.Output.rfind(" VideoFrame (");
    ASSERT_NE(last, std::string::npos);
    EXPECT_NE(dump.Output.find("frame 19 data", last), std::string::npos) << "the last picture shown is the last one";
  }
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

// One SWF movie holds at most 65535 frames. A longer video, embedded frame
// for frame, is refused with the reason; it was cut short without a word
// (the frame count wrapped round, a 60-minute video gave a 16-minute movie).
TEST(Flv2Swf, VideoLongerThanOneMovieHoldsIsRefusedNotCut) {
  TempDir dir;
  // 65600 frames: 328 s at 200 frames per second, 16 x 16 to keep it quick.
  MakeTestFlv((dir / "long.flv").string(), {"-c:v", "flv1", "-an"}, 328, "16x16", 200);
  WriteFile(dir / "old.swf", "an older movie");
  const std::vector<std::vector<std::string>> modes = {
      {}, {"--control-bar", "Classic", "--play-mode", "replay"},
      {"--template", "player:Midnight Blue", "--embed-mode", "embed"}};
  for (const auto& options : modes) {
    SCOPED_TRACE(options.empty() ? std::string("plain") : options[1]);
    auto r = Flv2Swf((dir / "long.flv").string(), (dir / "old.swf").string(), options);
    EXPECT_NE(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("has 65600 video frames (0:05:28 at 200 fps), more than the 65535 frames "
                            "one SWF movie holds"),
              std::string::npos)
        << r.Output;
    EXPECT_EQ(ReadFile(dir / "old.swf"), "an older movie");
  }
  // A player template that plays the FLV beside the movie takes it whole.
  auto linked = Flv2Swf((dir / "long.flv").string(), (dir / "linked.swf").string(),
                        {"--template", "player:Midnight Blue", "--embed-mode", "link"});
  EXPECT_EQ(linked.ExitCode, 0) << linked.Output;
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
  struct TCancelled : TStageReport {
    void Notice(TStageNotice, int32_t) override {}
    void MovieProgress(int) override {}
    bool CancelRequested() const override { return true; }
  } cancelled;
  p.Report = &cancelled;
  EXPECT_THROW(FlvToSwf((dir / "in.flv").string(), (dir / "out.swf").string(), p), TJobCancelled);
  EXPECT_EQ(ReadFile(dir / "out.swf"), "older");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

// The tags of a published movie: the main timeline's, and those inside its
// sprites.
struct MovieTags {
  explicit MovieTags(const fs::path& swf) : reader(swf.string()) {
    reader.ParseTags(true, false);
    for (size_t i = 0; i < reader.TagCount(); ++i) {
      const TSWFTagInfo& info = reader.TagInfo(i);
      root.push_back(info.TagObject);
      if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(info.TagObject))
        for (const auto& sub : info.SubTags) inSprite[sprite->SpriteId].push_back(sub->TagObject);
    }
  }
  static int Count(const std::vector<TSWFObject*>& tags, uint16_t code) {
    return static_cast<int>(std::count_if(tags.begin(), tags.end(), [&](TSWFObject* t) { return t->TagID == code; }));
  }
  TSWFStreamReader reader;
  std::vector<TSWFObject*> root;
  std::map<uint16_t, std::vector<TSWFObject*>> inSprite;  // by sprite id
};

// With music the first movie becomes a sprite of a wrapper whose stream
// sound is the music, looping in every frame of the wrapper; the bar, the
// "Replay" button and the final stop are built once, in the wrapper.
TEST(Flv2Swf, MusicWrapsTheMovieAndLoopsForItsWholeLength) {
  TempDir dir;
  InitFolders();
  MakePublishFlv((dir / "in.flv").string());  // 20 frames at 10 fps
  RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=44100", "-t", "0.7", "-c:a", "libmp3lame",
             (dir / "tune.mp3").string()});
  const std::string style = ListControlBarStyles().at(0);
  struct Case {
    const char* name;
    std::vector<std::string> dressing;
    int rootFrames;  // the bar's 20 frames and its closing frame, or the video's 20; + the stop frame
  };
  const Case cases[] = {
      {"bar and Replay", {"--control-bar", style, "--play-mode", "replay"}, 22},
      {"No Loop", {"--play-mode", "noloop"}, 21},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto plain = Flv2Swf((dir / "in.flv").string(), (dir / "plain.swf").string(), c.dressing);
    ASSERT_EQ(plain.ExitCode, 0) << plain.Output;
    std::vector<std::string> options = c.dressing;
    options.insert(options.end(), {"--music", (dir / "tune.mp3").string(), "--music-loop"});
    auto made = Flv2Swf((dir / "in.flv").string(), (dir / "music.swf").string(), options);
    ASSERT_EQ(made.ExitCode, 0) << made.Output;

    MovieTags music(dir / "music.swf"), first(dir / "plain.swf");
    EXPECT_EQ(music.reader.FrameCount, c.rootFrames);
    EXPECT_EQ(MovieTags::Count(music.root, 1), c.rootFrames);
    // The first movie, whole, in one sprite: its video placements and its
    // own sound, no label of a bar, and one script only: it halts on its
    // last picture, which the wrapper's end frame keeps showing.
    std::vector<TSWFDefineSprite*> sprites;
    for (TSWFObject* t : music.root)
      if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(t); sprite && sprite->SpriteId == 1) sprites.push_back(sprite);
    ASSERT_EQ(sprites.size(), 1u);
    EXPECT_EQ(sprites[0]->FrameCount, 20) << "the video's frames without a stop frame";
    const std::vector<TSWFObject*>& firstMovie = music.inSprite[1];
    EXPECT_EQ(MovieTags::Count(firstMovie, 18), 1) << "the video's sound stays in the sprite";
    EXPECT_EQ(MovieTags::Count(firstMovie, 26), 20) << "the video frames 0 to 19 placed";
    EXPECT_EQ(MovieTags::Count(music.root, 61), 20);
    // The bar's buttons and scripts exist once, as in the movie without music.
    EXPECT_EQ(MovieTags::Count(music.root, 34), MovieTags::Count(first.root, 34));
    EXPECT_EQ(MovieTags::Count(music.root, 12), MovieTags::Count(first.root, 12));
    EXPECT_EQ(MovieTags::Count(firstMovie, 12), 1) << "only the halt on the last picture";
    EXPECT_EQ(MovieTags::Count(firstMovie, 43), 0);

    // The music: one stream head on the main timeline and a block of MP3
    // frames in each of its frames, as many samples as the frames last.
    ASSERT_EQ(MovieTags::Count(music.root, 45), 1);
    auto* head = dynamic_cast<TSWFSoundStreamHead*>(*std::find_if(music.root.begin(), music.root.end(), [](TSWFObject* t) { return t->TagID == 45; }));
    EXPECT_EQ(head->StreamSoundCompression, 2);
    EXPECT_EQ(head->StreamSoundRate, 3);
    int frame = 0, blocks = 0;
    uint64_t samples = 0;
    for (TSWFObject* t : music.root) {
      if (t->TagID == 1) ++frame;
      if (t->TagID != 19) continue;
      auto* block = static_cast<TSWFSoundStreamBlock*>(t);
      ASSERT_GE(block->DataSize(), 4u);
      uint16_t count = static_cast<uint16_t>(block->Data()[0] | block->Data()[1] << 8);
      EXPECT_GT(count, 0) << "frame " << frame << " has music";
      EXPECT_EQ(frame, blocks) << "one block per frame";
      samples += count;
      ++blocks;
    }
    EXPECT_EQ(blocks, c.rootFrames);
    EXPECT_LE(samples, c.rootFrames * 4410u);
    EXPECT_GT(samples + 1152, c.rootFrames * 4410u);
  }
}

// The preloader's live percentage is drawn with the font's own outlines:
// the font carries a glyph for every digit and the caption's "%".
TEST(Flv2Swf, PreloaderPercentageFontHasTheGlyphsItShows) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string());
  auto made = Flv2Swf((dir / "in.flv").string(), (dir / "out.swf").string(),
                      {"--preloader", "--preloader-bar", "Classic Blue", "--preloader-show", "all", "--no-audio"});
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  MovieTags movie(dir / "out.swf");
  TSWFDefineEditText* text = nullptr;
  for (TSWFObject* t : movie.root)
    if (auto* e = dynamic_cast<TSWFDefineEditText*>(t); e && e->VariableName == "vLoadTxt") text = e;
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(text->HasFont);
  TSWFDefineFont2* font = nullptr;
  for (TSWFObject* t : movie.root)
    if (auto* f = dynamic_cast<TSWFDefineFont2*>(t); f && f->FontId == text->FontId) font = f;
  ASSERT_NE(font, nullptr);
  if (text->UseOutlines) {
    for (char16_t c : std::u16string(u"0123456789%"))
      EXPECT_NE(std::find(font->CodeTable.begin(), font->CodeTable.end(), c), font->CodeTable.end())
          << "no glyph for " << static_cast<char>(c);
    EXPECT_EQ(font->Glyphs.size(), font->CodeTable.size());
  }
}

// A job that keeps the source rate (0 in its settings) still gives the music
// wrapper the video's rate, and with it music in every frame.
TEST(Flv2Swf, MusicWrapperRunsAtTheVideosRateWhenTheJobKeepsTheSourceRate) {
  TempDir dir;
  InitFolders();
  MakePublishFlv((dir / "in.flv").string());  // 20 frames at 10 fps
  TSWFParam p;
  p.VideoWidth = 160;
  p.VideoHeight = 120;
  p.FrameRate = 0;
  p.HasMusic = true;
  RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=44100", "-t", "0.7", "-c:a", "libmp3lame",
             BackgroundMusicPath(p)});
  FlvToSwf((dir / "in.flv").string(), (dir / "out.swf").string(), p);
  MovieTags movie(dir / "out.swf");
  EXPECT_EQ(movie.reader.FrameRate, 10 << 8);
  ASSERT_EQ(MovieTags::Count(movie.root, 45), 1);
  auto* head = dynamic_cast<TSWFSoundStreamHead*>(*std::find_if(movie.root.begin(), movie.root.end(), [](TSWFObject* t) { return t->TagID == 45; }));
  EXPECT_EQ(head->StreamSoundSampleCount, 4410);
  EXPECT_EQ(MovieTags::Count(movie.root, 19), static_cast<int>(movie.reader.FrameCount)) << "music in every frame";
}

// Music that cannot be had leaves the first movie as it is: missing from
// the temporary folder (the job's case) or not a file the mixer can read.
TEST(Flv2Swf, MissingMusicKeepsTheFirstMovie) {
  TempDir dir;
  InitFolders();
  MakePublishFlv((dir / "in.flv").string(), 1);
  TSWFParam p;
  p.VideoWidth = 160;
  p.VideoHeight = 120;
  p.FrameRate = 10;
  p.HasMusic = true;
  fs::remove(BackgroundMusicPath(p));
  FlvToSwf((dir / "in.flv").string(), (dir / "out.swf").string(), p);
  MovieTags job(dir / "out.swf");
  EXPECT_EQ(MovieTags::Count(job.root, 61), 10) << "the video at the top: no wrapper";
  EXPECT_EQ(MovieTags::Count(job.root, 45), 0);
  EXPECT_NE(ReadFile(LogFilePath()).find("function:FlvtoSwf;File Not Exists:" + BackgroundMusicPath(p)),
            std::string::npos);

  WriteFile(dir / "noise.mp3", std::string(4000, 'x'));
  for (const char* music : {"none.mp3", "noise.mp3"}) {
    SCOPED_TRACE(music);
    // The music mixed for an earlier movie never stands in for this one's.
    RunFFmpeg({"-f", "lavfi", "-i", "sine=sample_rate=44100", "-t", "0.5", "-c:a", "libmp3lame",
               BackgroundMusicPath(p)});
    auto r = Flv2Swf((dir / "in.flv").string(), (dir / "cli.swf").string(), {"--music", (dir / music).string()});
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("the movie has none"), std::string::npos) << r.Output;
    MovieTags cli(dir / "cli.swf");
    EXPECT_EQ(MovieTags::Count(cli.root, 61), 10);
    EXPECT_EQ(MovieTags::Count(cli.root, 45), 0);
  }
}

}  // namespace
}  // namespace reelcast::test
