// reelcast-cli convert on the fixture DVD, run as a user runs it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <atomic>
#include <map>
#include <optional>
#include <thread>

#include "support/FFprobe.h"
#include "support/Json.h"
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

// Every file below folder, hidden ones included, with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files[fs::relative(entry.path(), folder).string()] = entry.is_regular_file() ? test::ReadFile(entry.path()) : "/";
  return files;
}

// True once the program has taken charge of SIGINT, catching it or holding
// it back: the earliest moment a Ctrl+C can be meant for it rather than for
// the shell that started it. reelcast-cli holds it back at once and hands a
// conversion to reelcast-cli-full in the same process, which catches it.
bool ListensForSigint(int pid) {
  std::error_code ec;
  const std::string exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).filename().string();
  if (exe != "reelcast-cli" && exe != "reelcast-cli-full") return false;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  bool listens = false;
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigBlk:", 0) == 0 || line.rfind("SigCgt:", 0) == 0)
      listens = listens || ((std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1);
  return listens;
}

// The temporary FLV a running job is encoding into, once it holds data.
bool ScratchFlvGrowing() {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(Scratch(), ec))
    if (entry.path().extension() == ".flv" && entry.is_regular_file(ec) && entry.file_size(ec) > 0) return true;
  return false;
}

// A small tmpfs at a new folder for the life of the object: a disk that
// fills up. Mounting needs root; without it the test is skipped.
class TSmallDisk {
 public:
  TSmallDisk(const fs::path& at, const char* size) : path_(at) {
    fs::create_directories(at);
    const std::string options = std::string("size=") + size;
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
    else error_ = std::strerror(errno);
  }
  ~TSmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }

 private:
  fs::path path_;
  bool mounted_ = false;
  std::string error_;
};

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

// A general template's movie from the DVD keeps its whole ending in every
// play mode, with and without music: "Replay" and "No Loop" only add their
// closing frames to what "Auto Loop" plays.
TEST(ConvertCommand, GeneralTemplateKeepsItsWholeEndingInEveryPlayMode) {
  test::TempDir out;
  test::RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=330:sample_rate=44100", "-t", "1", "-c:a", "libmp3lame",
                   (out / "tune.mp3").string()});
  auto frames = [&](const std::string& mode, bool music) {
    std::vector<std::string> args = {"-o", (out / "movie.swf").string(), "--titles", "2", "--format", "swf",
                                     "--template", "general:Spring Meadow", "--size", "160x120", "--fps", "10",
                                     "--title-text", "Summer", "--cast-text", "The Cast\\nSecond line",
                                     "--play-mode", mode, "--yes"};
    if (music) args.insert(args.end(), {"--music", (out / "tune.mp3").string()});
    auto r = Convert(args);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    auto dump = test::RunProcess({(test::BinDir() / "reelcast-cli").string(), "swf", "dump",
                                  (out / "movie.swf").string()}, 60);
    const size_t at = dump.Output.find(" fps; ");
    return at == std::string::npos ? 0 : std::stoi(dump.Output.substr(at + 6));
  };
  const int loop = frames("loop", false);
  // Opening, 2 s of video at 10 fps and the ending with two cast lines.
  ASSERT_GT(loop, 20 + 40);
  for (const char* mode : {"loop", "replay", "noloop"})
    for (bool music : {false, true}) {
      SCOPED_TRACE(std::string(mode) + (music ? " with music" : ""));
      const int n = frames(mode, music);
      EXPECT_GE(n, loop);
      EXPECT_LE(n, loop + 3) << "only the closing frames are added";
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
    test::WriteFile(out / "movie.exe", "old projector");
    auto r = Convert({"-o", (out / "movie.swf").string(), "--format", "exe", "--template", "none", "--titles", "2",
                      "--size", "160x120", "-y"});
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_NE(r.Output.find("The conversion failed while making the projector"), std::string::npos) << r.Output;
    // Said once, on standard error.
    const std::string failed = "The conversion failed while making the projector";
    EXPECT_EQ(r.Output.find(failed), r.Output.rfind(failed)) << r.Output;
    EXPECT_NE(r.Stderr.find(failed), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("See the log file"), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("All conversion tasks have been finished."), std::string::npos) << r.Output;
    // -y replaces only when the job succeeded: the old projector stays, and
    // not even the movie meant for the new one is left.
    EXPECT_EQ(Snapshot(out.Path()), (std::map<std::string, std::string>{{"movie.exe", "old projector"}}));
    EXPECT_TRUE(fs::is_empty(Scratch()));
    fs::remove(out / "movie.exe");
  }
  // A general template whose files are missing is refused before the job,
  // with the reason after the desktop's text.
  auto missing = Convert({"-o", (out / "t.swf").string(), "--format", "swf", "--template", "Nowhere", "--titles", "2"});
  EXPECT_EQ(missing.ExitCode, 2) << missing.Output;
  EXPECT_NE(missing.Stderr.find("load the current template unsuccessfully.Please select another one to continue.\n"
                                "reelcast-cli convert: --template general:Nowhere: takes a general template: one of "),
            std::string::npos)
      << missing.Output;
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

// Two conversions at once, each in its own scratch folder: into two folders
// under one name both finish whole; into the very same file the second is
// refused before it encodes, and the first goes on unharmed.
TEST(ConvertCommand, TwoConversionsAtOnce) {
  test::TempDir out;
  fs::create_directories(out / "a");
  fs::create_directories(out / "b");
  const std::vector<std::string> title1 = {"--titles", "1", "--size", "320x240", "--fps", "10"};
  auto args = [&](const fs::path& file) {
    std::vector<std::string> a = {"-o", file.string(), "-y"};
    a.insert(a.end(), title1.begin(), title1.end());
    return a;
  };
  test::ProcessResult a;
  std::thread first([&] { a = Convert(args(out / "a" / "movie.flv")); });
  test::ProcessResult b = Convert(args(out / "b" / "movie.flv"));
  first.join();
  for (const auto& [result, file] : {std::pair{&a, out / "a" / "movie.flv"}, std::pair{&b, out / "b" / "movie.flv"}}) {
    SCOPED_TRACE(file.string());
    ASSERT_EQ(result->ExitCode, 0) << result->Output;
    auto probe = test::ProbeMedia(file);  // reads every frame: a torn file fails here
    EXPECT_NEAR(std::stod(probe["format"]["duration"].String()), 12.0, 0.2);
    EXPECT_EQ(std::stoi(test::ProbeStream(probe, "video")["nb_read_frames"].String()), 120);
  }

  // The same output: the first conversion is held (stopped) while encoding,
  // the second asks for the same file.
  const fs::path same = out / "c" / "movie.flv";
  fs::create_directories(same.parent_path());
  test::WriteFile(same, "old");
  test::ProcessResult held;
  int heldPid = 0;
  std::atomic<bool> encoding{false};
  std::thread holder([&] {
    held = Convert(args(same), [&](int pid, const std::string& output) {
      if (!heldPid && output.find("In process of generating FLV file...") != std::string::npos) {
        heldPid = pid;
        kill(pid, SIGSTOP);
        encoding = true;
      }
    });
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (!encoding && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_TRUE(encoding.load()) << "the first conversion did not start encoding";
  test::ProcessResult refused = Convert(args(same));
  kill(heldPid, SIGCONT);
  holder.join();
  EXPECT_EQ(refused.ExitCode, 1) << refused.Output;
  EXPECT_NE(refused.Stderr.find("another conversion is writing " + same.string()), std::string::npos)
      << refused.Output;
  EXPECT_EQ(refused.Output.find("In process of generating FLV file"), std::string::npos) << refused.Output;
  ASSERT_EQ(held.ExitCode, 0) << held.Output;
  EXPECT_EQ(std::stoi(test::ProbeStream(test::ProbeMedia(same), "video")["nb_read_frames"].String()), 120);
  EXPECT_TRUE(fs::is_empty(Scratch()));
}

// Ctrl+C (or SIGTERM) at any moment of a -y conversion: exit 130, every
// file that was there byte for byte, nothing new under an output's name or
// hidden beside it, no scratch files.
TEST(ConvertCommand, CtrlCAtAnyMomentKeepsWhatWasThere) {
  enum class TMoment { Listening, Encoding, Publishing };
  struct TCase {
    const char* Name;
    TMoment Moment;
    int Signal;
  };
  const std::vector<TCase> cases = {
      {"as soon as the program listens", TMoment::Listening, SIGINT},
      {"while the temporary FLV grows", TMoment::Encoding, SIGTERM},
      {"while the music is mixed for the movie", TMoment::Publishing, SIGINT},
  };
  test::TempDir music;
  test::RunFFmpeg({"-f", "lavfi", "-i", "sine=frequency=330:sample_rate=44100", "-t", "1", "-c:a", "libmp3lame",
                   (music / "real.mp3").string()});
  const fs::path tune = music / "tune.mp3";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TempDir out;
    test::WriteFile(out / "m.swf", "old movie");
    test::WriteFile(out / "m.html", "old page");
    const auto before = Snapshot(out.Path());
    fs::copy_file(music / "real.mp3", tune, fs::copy_options::overwrite_existing);
    // Publishing: once encoding runs (the checks have read the music file),
    // the music becomes a pipe; the job's music stage blocks reading it,
    // the signal comes then, and the pipe ends only once the command has
    // taken the cancel.
    int step = 0, pipe = -1;
    auto r = Convert({"-o", (out / "m.swf").string(), "--template", "none", "--html", "--music", tune.string(),
                      "--titles", "1", "--size", "640x480", "--bitrate", "2000", "-y"},
                     [&](int pid, const std::string& output) {
                       switch (c.Moment) {
                         case TMoment::Listening:
                           if (step == 0 && ListensForSigint(pid)) step = 1, kill(pid, c.Signal);
                           break;
                         case TMoment::Encoding:
                           if (step == 0 && ScratchFlvGrowing()) step = 1, kill(pid, c.Signal);
                           break;
                         case TMoment::Publishing:
                           if (step == 0 && output.find("In process of generating FLV file...") != std::string::npos) {
                             fs::remove(tune);
                             ASSERT_EQ(mkfifo(tune.c_str(), 0600), 0);
                             step = 1;
                           } else if (step == 1) {
                             pipe = open(tune.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);  // fails until read
                             if (pipe >= 0) step = 2, kill(pid, c.Signal);
                           } else if (step == 2 && output.find("Cancelling...") != std::string::npos) {
                             close(pipe);
                             step = 3;
                           }
                           break;
                       }
                     });
    if (pipe >= 0 && step == 2) close(pipe);
    EXPECT_GE(step, 1) << r.Output;
    if (c.Moment == TMoment::Publishing) {
      EXPECT_EQ(step, 3) << r.Output;
      EXPECT_NE(r.Output.find("Succeeded in creating FLV file."), std::string::npos) << r.Output;
    }
    EXPECT_EQ(r.ExitCode, 130) << r.Output;
    EXPECT_NE(r.Output.find("Cancelled."), std::string::npos) << r.Output;
    EXPECT_EQ(Snapshot(out.Path()), before);
    // A signal at the very start ends the program before it made its folders.
    EXPECT_TRUE(!fs::exists(Scratch()) || fs::is_empty(Scratch()));
  }
}

// A full disk, where the outputs go or where the job keeps its scratch
// files: the job fails naming the file it could not write, and every file
// that was there stays.
TEST(ConvertCommand, FullDiskFailsNamingThePathAndKeepsWhatWasThere) {
  test::TempDir root;
  TSmallDisk disk(root / "disk", "64k");
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs to fill (" << disk.Error() << "; needs root)";
  const fs::path full = root / "disk";
  struct TCase {
    const char* Name;
    fs::path Output;
    std::vector<std::string> Options;
    bool ScratchOnDisk;
    std::string Names;  // the path the message names
  };
  const std::vector<TCase> cases = {
      {"FLV into a full folder", full / "m.flv", {}, false, (full / "m.flv").string()},
      {"SWF into a full folder", full / "m.swf", {"--template", "none"}, false, (full / "m.swf").string()},
      {"player movie into a full folder: its FLV first", full / "m.swf",
       {"--template", "player:Classic Gray", "--embed-mode", "link"}, false, (full / "m.flv").string()},
      {"scratch folder on a full disk", root / "m.flv", {}, true, (full / "home" / "temp").string() + "/job-"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::WriteFile(c.Output, "old");
    std::optional<test::ScopedEnv> home;
    if (c.ScratchOnDisk) home.emplace("REELCAST_HOME", (full / "home").string());
    const auto before = Snapshot(root.Path());
    std::vector<std::string> args = {"-o", c.Output.string(), "--titles", "2", "--size", "320x240", "-y"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    auto r = Convert(args);
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_NE(r.Stderr.find("no space left on device for " + c.Names), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("All conversion tasks have been finished."), std::string::npos) << r.Output;
    if (c.ScratchOnDisk) {
      // The log and settings the program keeps in its home may have grown.
      EXPECT_EQ(test::ReadFile(c.Output), "old");
      EXPECT_TRUE(fs::is_empty(full / "home" / "temp"));
    } else {
      EXPECT_EQ(Snapshot(root.Path()), before);
    }
    EXPECT_TRUE(fs::is_empty(Scratch()));
    fs::remove(c.Output);
  }
}

// Choices that cannot work are refused before the first frame is encoded:
// exit 2 and one line on standard error naming the option and what it takes.
TEST(ConvertCommand, RefusesWhatCannotWorkBeforeEncoding) {
  test::TempDir out;
  test::WriteFile(out / "pic.gif", "GIF89a");
  fs::create_directory(out / "folder.swf");
  const std::string o = (out / "m.swf").string();
  struct TCase {
    std::vector<std::string> Args;
    std::string Says;
  };
  const std::vector<TCase> cases = {
      {{"--titles", "9"}, "there is no title 9 (the DVD has 3 titles; 'reelcast-cli dvd info' lists them)"},
      {{"--titles", "3", "--audio-track", "1"}, "--audio-track 1: takes 0: Title_02_01 has one audio track"},
      {{"--titles", "1", "--audio-track", "5"}, "--audio-track 5: takes 0 to 1: Title_01_01 has 2 audio tracks"},
      {{"--titles", "3", "--subtitle", "0"}, "--subtitle 0: takes -1 (none): Title_02_01 has no subtitles"},
      {{"--titles", "1", "--crop", "400,0,400,0"}, "--crop 400,0,400,0: takes margins that leave some of the"},
      {{"-o", o, "--template", "none", "--image-link", (out / "pic.gif").string()},
       "pic.gif: takes a JPEG, BMP or PNG file; \".gif\" is not supported"},
      {{"-o", o, "--template", "none", "--image-link", (out / "none.png").string()},
       "none.png: takes an existing JPEG, BMP or PNG file; there is no such file"},
      {{"-o", o, "--template", "none", "--music", (out / "none.mp3").string()},
       "none.mp3: takes an existing MP3 or WAV file"},
      {{"-o", o, "--template", "none", "--control-bar", "Nope"}, "--control-bar Nope: takes a control-bar style: one of "},
      {{"-o", o, "--template", "none", "--preloader", "--preloader-sprite", "Nope"},
       "--preloader-sprite Nope: takes a preloader sprite: one of "},
      {{"-o", o, "--template", "none", "--preloader", "--preloader-bar", "Nope"},
       "--preloader-bar Nope: takes a preloader bar style: one of "},
      {{"-o", o, "--template", "player:Nope"}, "--template player:Nope: takes a player template: one of "},
      {{"-o", "/proc/m.flv"}, "-o /proc: takes a folder new files can be written into"},
      {{"--titles", "2", "--trim", "0-1", "--trim", "0-1"}, "--trim given 2 times: takes one range per source"},
      // The kind comes from -o; a --format or publish option against it is refused.
      {{"-o", (out / "x.flv").string(), "--format", "swf"}, "--format swf contradicts -o "},
      {{"-o", (out / "x.swf").string(), "--format", "flv"}, "--format flv contradicts -o "},
      {{"-o", (out / "p.flv").string(), "--template", "player:Sunset"},
       "--template dresses a published movie (--format swf, exe or scr, or -o NAME.swf); an FLV carries none"},
      {{"--format", "flv", "--control-bar", "Ocean"}, "--control-bar dresses a published movie"},
      {{"--format", "scr", "-o", o}, "--format scr installs the screen saver in the user folder's ScreenSavers/ and "
                                    "takes no -o"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args));
    auto r = Convert(c.Args);
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    EXPECT_NE(r.Stderr.find(c.Says), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("In process of generating FLV file"), std::string::npos) << r.Output;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(out.Path()), fs::directory_iterator()), 2);
  EXPECT_TRUE(fs::is_empty(Scratch()));
}

// One missing, empty or cut VOB file makes only the titles with cells in it
// unusable: the DVD still loads, its listing and a convert of such a title
// name the file in one line (the convert exits 2 before anything is encoded),
// and another title of the same DVD still converts.
TEST(ConvertCommand, ADamagedVobFileMakesOnlyItsTitlesUnusable) {
  struct TCase {
    std::string Vob;            // the file damaged
    std::string Damage;         // "missing", "empty" or "cut short"
    std::vector<int> Unusable;  // title numbers, 1-based
    std::string Usable;         // a title that still converts
  };
  const std::vector<TCase> cases = {
      {"VTS_02_1.VOB", "missing", {3}, "1"},
      {"VTS_01_1.VOB", "empty", {1, 2}, "3"},
      // Its last sector is gone: title 2 ends there, title 1 lies before it.
      {"VTS_01_1.VOB", "cut short", {2}, "1"},
  };
  const char* const kNames[] = {"Title_01_01", "Title_01_02", "Title_02_01"};
  auto cli = [](std::vector<std::string> args) {
    args.insert(args.begin(), (test::BinDir() / "reelcast-cli").string());
    return test::RunProcess(args, 300);
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Vob + " " + c.Damage);
    test::TempDir dvd, out;
    fs::copy(test::DvdFixture() / "VIDEO_TS", dvd / "VIDEO_TS", fs::copy_options::recursive);
    const fs::path vob = dvd / "VIDEO_TS" / c.Vob;
    if (c.Damage == "missing") fs::remove(vob);
    else if (c.Damage == "empty") fs::resize_file(vob, 0);
    else fs::resize_file(vob, fs::file_size(vob) - 1000);
    const std::string problem = vob.string() + " is " + c.Damage;
    std::string names;
    for (size_t i = 0; i < c.Unusable.size(); ++i) names += (i ? " and " : "") + std::string(kNames[c.Unusable[i] - 1]);
    const std::string note = "Information: " + names + " cannot be used: " + problem;

    auto info = cli({"dvd", "info", dvd.Path().string(), "--json"});
    ASSERT_EQ(info.ExitCode, 0) << info.Output;
    EXPECT_EQ(info.Stderr.rfind(note, 0), 0u) << info.Stderr;
    EXPECT_EQ(std::count(info.Stderr.begin(), info.Stderr.end(), '\n'), 1) << info.Stderr;
    auto titles = test::JsonValue::Parse(info.Stdout)["titles"];
    ASSERT_EQ(titles.Size(), 3u);
    for (int t = 1; t <= 3; ++t) {
      const bool unusable = std::find(c.Unusable.begin(), c.Unusable.end(), t) != c.Unusable.end();
      EXPECT_EQ(titles[t - 1]["unusable"].IsNull(), !unusable) << t;
      if (unusable) {
        EXPECT_EQ(titles[t - 1]["unusable"].String().rfind(problem, 0), 0u) << t;
        EXPECT_FALSE(titles[t - 1]["checked"].Bool()) << t;
      }
    }

    const std::string first = std::to_string(c.Unusable.front());
    auto refused = cli({"convert", dvd.Path().string(), "--titles", first, "-o", (out / "x.flv").string()});
    EXPECT_EQ(refused.ExitCode, 2) << refused.Output;
    EXPECT_EQ(refused.Stderr.rfind("reelcast-cli convert: --titles " + first + ": " + kNames[c.Unusable.front() - 1] +
                                       " cannot be used: " + problem, 0),
              0u)
        << refused.Stderr;
    EXPECT_EQ(std::count(refused.Stderr.begin(), refused.Stderr.end(), '\n'), 1) << refused.Stderr;
    EXPECT_EQ(refused.Output.find("Creating FLV File"), std::string::npos) << refused.Output;
    EXPECT_TRUE(fs::is_empty(out.Path()));

    auto made = cli({"convert", dvd.Path().string(), "--titles", c.Usable, "--trim", "0-1", "--size", "160x120",
                     "-o", (out / "ok.flv").string()});
    EXPECT_EQ(made.ExitCode, 0) << made.Output;
    EXPECT_EQ(made.Stderr.rfind(note, 0), 0u) << made.Stderr;
    EXPECT_NEAR(std::stod(test::ProbeMedia(out / "ok.flv")["format"]["duration"].String()), 1.0, 0.15);
  }
  EXPECT_TRUE(fs::is_empty(Scratch()));
}

// -o decides the kind and, as a folder, holds the default name: the first
// title or chapter converted.
TEST(ConvertCommand, OutputNameKindAndFolder) {
  test::TempDir out;
  fs::create_directory(out / "exdir");
  fs::create_directory(out / "empty.flv");
  struct TCase {
    std::vector<std::string> Args;
    fs::path Made;
  };
  const std::vector<TCase> cases = {
      {{"-o", (out / "exdir").string(), "--titles", "3"}, out / "exdir" / "Title_0201.flv"},
      {{"-o", (out / "exdir").string() + "/", "--chapters", "1.3"}, out / "exdir" / "Chapter_03-113.flv"},
      {{"-o", (out / "empty.flv").string(), "--titles", "2"}, out / "empty.flv" / "Title_0102.flv"},
      {{"-o", (out / "new").string() + "/", "--titles", "2"}, out / "new" / "Title_0102.flv"},
      {{"-o", (out / "movie.swf").string(), "--titles", "2", "--template", "none"}, out / "movie.swf"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Made.string());
    std::vector<std::string> args = c.Args;
    for (const char* a : {"--trim", "0-1", "--size", "160x120"}) args.push_back(a);
    auto r = Convert(args);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    ASSERT_TRUE(fs::is_regular_file(c.Made)) << r.Output;
    EXPECT_TRUE(r.Stderr.empty()) << r.Stderr;
  }
  // Without --format the extension decides: movie.swf is a movie.
  EXPECT_EQ(test::ReadFile(out / "movie.swf").substr(1, 2), "WS");
  // An existing output is kept when no terminal can answer the question.
  test::WriteFile(out / "exdir" / "Title_0201.flv", "old");
  auto kept = Convert({"-o", (out / "exdir").string(), "--titles", "3"});
  EXPECT_EQ(kept.ExitCode, 1);
  EXPECT_NE(kept.Stderr.find("Title_0201.flv exists already,do you want to replace it? (no terminal to answer: No)"),
            std::string::npos)
      << kept.Output;
  EXPECT_EQ(test::ReadFile(out / "exdir" / "Title_0201.flv"), "old");
}

}  // namespace
}  // namespace reelcast
