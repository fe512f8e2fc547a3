// reelcast-cli convert on the fixture DVD, run as a user runs it.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>

#include "support/MediaProbe.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;

test::ProcessResult Convert(const std::vector<std::string>& args, const test::ProcessWatcher& watcher = {}) {
  std::vector<std::string> argv{(test::BinDir() / "reelcast-cli").string(), "convert",
                                test::DvdFixture().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return test::RunProcess(argv, 300, watcher);
}

fs::path Scratch() { return fs::path(std::getenv("REELCAST_HOME")) / "temp"; }

TEST(ConvertCommand, MakesTheFlvWithTheChosenEncoderSettings) {
  test::TempDir out;
  auto r = Convert({"-o", (out / "movie.flv").string(), "--titles", "1,3", "--trim", "1-4", "--trim", "0-2.5",
                    "--size", "400x300", "--fps", "15", "--bitrate", "400", "--sample-rate", "44100"});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("Creating FLV File..."), std::string::npos);
  EXPECT_NE(r.Output.find("All conversion tasks have been finished."), std::string::npos);
  auto probe = test::ProbeMedia(out / "movie.flv");
  const auto& v = test::ProbeStream(probe, "video");
  EXPECT_EQ(v["codec_name"].String(), "flv1");
  EXPECT_EQ(v["width"].Number(), 400);
  EXPECT_EQ(v["height"].Number(), 300);
  EXPECT_EQ(v["r_frame_rate"].String(), "15/1");
  EXPECT_EQ(std::stoi(v["nb_read_frames"].String()), 45 + 38);  // 3 s and 2.5 s at 15 fps
  const auto& a = test::ProbeStream(probe, "audio");
  EXPECT_EQ(a["codec_name"].String(), "mp3");
  EXPECT_EQ(a["sample_rate"].String(), "44100");
  double duration = std::stod(probe["format"]["duration"].String());
  EXPECT_NEAR(duration, 5.5, 0.1);
  // The FLV starts with its metadata: a player knows the length and size
  // before the first frame.
  std::string bytes = test::ReadFile(out / "movie.flv");
  ASSERT_GT(bytes.size(), 200u);
  EXPECT_EQ(bytes[13], 18) << "the first tag is the script tag";
  const std::string head = bytes.substr(13, 400);
  for (const char* name : {"onMetaData", "duration", "width", "height", "framerate", "audiosamplerate"})
    EXPECT_NE(head.find(name), std::string::npos) << name;
  double videoBits = 8.0 * fs::file_size(out / "movie.flv") - 64000 * duration;
  EXPECT_NEAR(videoBits / duration, 400000, 400000 * 0.25);
  EXPECT_TRUE(fs::is_empty(Scratch()));
}

// Title 3 is 16:9: by default it keeps its proportions in the 4:3 frame
// (black bands above and below); the stored or given choice "full" stretches.
TEST(ConvertCommand, A16By9TitleKeepsItsProportionsByDefault) {
  struct TCase {
    std::vector<std::string> Options;
    bool Bands;
  };
  const std::vector<TCase> cases = {{{}, true}, {{"--aspect", "full"}, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Bands ? "default" : "full");
    test::TempDir out;
    std::vector<std::string> args = {"-o", (out / "o.flv").string(), "--titles", "3", "--trim", "1-1.5",
                                     "--size", "320x240"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    auto r = Convert(args);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto f = test::DecodeFrameNumber(out / "o.flv", 0);
    // 320 x 180 of picture leaves 30 black lines at the top; stretched, the
    // picture (its frame-number band, then the test pattern) starts at once.
    double top = 0;
    for (int ch = 0; ch < 3; ++ch) top = std::max(top, f.Mean(ch, 0, 18, 320, 28));
    if (c.Bands) EXPECT_LT(top, 12) << "black band above the picture";
    else EXPECT_GT(top, 30) << "the picture reaches the top";
  }
}

TEST(ConvertCommand, PictureAndSoundOptionsReachEverySource) {
  // Title 2 is PAL 720x576; its top band carries the frame number.
  struct TCase {
    std::vector<std::string> Options;
    int FrameNumber;  // read from the band of the output's first picture
    bool Audio;
    bool Silent;
  };
  const std::vector<TCase> cases = {
      {{}, 25, true, false},
      // Cutting off the left half leaves only the band's high bits: zero.
      {{"--crop", "360,0,0,0"}, 0, true, false},
      {{"--volume", "0"}, 25, true, true},
      {{"--no-audio"}, 25, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Options.empty() ? "none" : c.Options[0]);
    test::TempDir out;
    std::vector<std::string> args = {"-o", (out / "o.flv").string(), "--titles", "2", "--trim", "1-1.6",
                                     "--size", "320x240"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    auto r = Convert(args);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto f = test::DecodeFrameNumber(out / "o.flv", 0);
    // The band is 32 of 576 lines: about 13 lines here.
    int n = 0;
    for (int bit = 0; bit < 16; ++bit)
      if (f.Mean(1, (2 * bit + 1) * 320 / 32 - 2, 4, (2 * bit + 1) * 320 / 32 + 2, 9) > 128) n |= 1 << bit;
    EXPECT_EQ(n, c.FrameNumber);
    auto probe = test::ProbeMedia(out / "o.flv");
    EXPECT_EQ(!test::ProbeStream(probe, "audio").IsNull(), c.Audio);
    if (c.Audio) {
      double rms = test::Rms(test::DecodeAudio(out / "o.flv", 22050), 22050, 0.1, 0.5);
      if (c.Silent) EXPECT_LT(rms, 30);
      else EXPECT_GT(rms, 1000);
    }
  }
}

// A player template: the movie carries the player and its settings; the video
// is either embedded in it or linked as the FLV beside it.
TEST(ConvertCommand, PlayerTemplateEmbedsOrLinksTheVideo) {
  for (const bool embed : {true, false}) {
    SCOPED_TRACE(embed ? "embed" : "link");
    test::TempDir out;
    // A name that a URL must encode: a letter beyond ASCII, blanks, "#", "?".
    const std::string name = "Pl\xC3\xA4 yer #1 ?";
    const fs::path log = fs::path(std::getenv("REELCAST_HOME")) / "Reelcast.log";
    const size_t logBefore = fs::exists(log) ? test::ReadFile(log).size() : 0;
    auto r = Convert({"-o", (out / (name + ".swf")).string(), "--titles", "2", "--format", "swf", "--template",
                      "player:Classic Gray", "--embed-mode", embed ? "embed" : "link", "--size", "160x120",
                      "--yes"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("All conversion tasks have been finished."), std::string::npos) << r.Output;
    ASSERT_TRUE(fs::exists(out / (name + ".swf")));
    EXPECT_EQ(fs::exists(out / (name + ".flv")), !embed) << "the FLV stays beside the movie only when linked";
    if (!embed) {
      // The linked FLV starts with its metadata: the player knows its length.
      const std::string flv = test::ReadFile(out / (name + ".flv"));
      ASSERT_GT(flv.size(), 100u);
      EXPECT_EQ(flv[13], 18);
      EXPECT_NE(flv.find("duration"), std::string::npos);
    }
    // A conversion that succeeded logs no failure.
    const std::string logged = fs::exists(log) ? test::ReadFile(log).substr(logBefore) : "";
    EXPECT_EQ(logged.find("could not be copied"), std::string::npos) << logged;
    auto dump = test::RunProcess({(test::BinDir() / "reelcast-cli").string(), "swf", "dump",
                                  (out / (name + ".swf")).string(), "--actions"},
                                 60);
    ASSERT_EQ(dump.ExitCode, 0) << dump.Output;
    EXPECT_NE(dump.Output.find("initPlayer"), std::string::npos);
    size_t frames = 0;
    for (size_t at = dump.Output.find("code 61 VideoFrame"); at != std::string::npos;
         at = dump.Output.find("code 61 VideoFrame", at + 1))
      ++frames;
    if (embed) {
      EXPECT_GT(frames, 20u) << "the video's frames are in the movie";
      EXPECT_NE(dump.Output.find("Push \"g_flvURL\", undefined"), std::string::npos);
    } else {
      EXPECT_LE(frames, 1u) << "only the player's own empty video object";
      EXPECT_NE(dump.Output.find("Push \"g_flvURL\", \"FlvFileName\""), std::string::npos);
      // The player opens the FLV by the percent-encoded name, in ASCII:
      // "Pl%C3%A4%20yer%20%231%20%3F.flv".
      EXPECT_NE(dump.Output.find("variable \"FlvFileName\" text 31 bytes"), std::string::npos) << dump.Output;
    }
    EXPECT_TRUE(fs::is_empty(Scratch()));
  }
}

TEST(ConvertCommand, CtrlCCancelsAndLeavesNothing) {
  test::TempDir out;
  bool sent = false;
  auto r = Convert({"-o", (out / "long.flv").string(), "--titles", "1", "--size", "800x600", "--bitrate", "3000"},
                   [&](int pid, const std::string& output) {
                     if (!sent && output.find("In process of generating FLV file...") != std::string::npos) {
                       sent = true;
                       kill(pid, SIGINT);
                     }
                   });
  EXPECT_TRUE(sent) << r.Output;
  EXPECT_EQ(r.ExitCode, 130) << r.Output;
  EXPECT_NE(r.Output.find("Cancelled."), std::string::npos);
  EXPECT_TRUE(fs::is_empty(out.Path()));
  EXPECT_TRUE(fs::is_empty(Scratch()));
}

TEST(ConvertCommand, FailuresExitNonZeroAndSayWhy) {
  test::TempDir out;
  {
    // A data folder without the projector's player program: the job ends
    // as failed, naming the stage and the log, and leaves no projector.
    test::TempDir data;
    for (const auto& entry : fs::directory_iterator(test::DataDir()))
      if (entry.path().filename() != "SAFlashPlayer.exe")
        fs::create_symlink(entry.path(), data / entry.path().filename());
    test::ScopedEnv dataEnv("REELCAST_DATA_DIR", data.Path().string());
    auto r = Convert({"-o", (out / "movie.swf").string(), "--format", "exe", "--template", "none", "--titles", "2",
                      "--size", "160x120"});
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_NE(r.Output.find("The conversion failed while making the projector"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("See the log file"), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("All conversion tasks have been finished."), std::string::npos) << r.Output;
    EXPECT_TRUE(fs::is_empty(out.Path())) << "not even the movie meant for the projector";
    EXPECT_TRUE(fs::is_empty(Scratch()));
  }
  // A general template whose files are missing is refused before the job.
  auto missing = Convert({"-o", (out / "t.swf").string(), "--format", "swf", "--template", "Nowhere", "--titles", "2"});
  EXPECT_EQ(missing.ExitCode, 1) << missing.Output;
  EXPECT_NE(missing.Output.find("load the current template unsuccessfully"), std::string::npos) << missing.Output;
  EXPECT_FALSE(fs::exists(out / "t.swf"));
  // Bad options.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--size", "10x10"}, {"--effect", "sparkle"}, {"--trim", "5-2"}, {"--bogus"},
        {"--format", "scr", "--screensaver-name", "../saver"}}) {
    auto bad = Convert(args);
    EXPECT_EQ(bad.ExitCode, 2) << args[0] << ": " << bad.Output;
  }
  // An existing output is kept when the question cannot be answered.
  test::WriteFile(out / "keep.flv", "old");
  auto kept = Convert({"-o", (out / "keep.flv").string(), "--titles", "2"});
  EXPECT_EQ(kept.ExitCode, 1);
  EXPECT_EQ(test::ReadFile(out / "keep.flv"), "old");
}

}  // namespace
}  // namespace reelcast
