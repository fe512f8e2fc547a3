// reelcast-cli flv on files made by ffmpeg.
#include <gtest/gtest.h>

#include "support/FFprobe.h"
#include "support/Json.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

class FlvCommand : public ::testing::Test {
 protected:
  ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), (BinDir() / "reelcast-cli").string());
    return RunProcess(args, 120);
  }
  std::string MakeFlv(const std::string& name, const std::vector<std::string>& extra = {}) {
    std::string path = (dir_ / name).string();
    std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi",
                                     "-i", "sine=frequency=440:sample_rate=44100", "-t", "2",
                                     "-c:v", "flv1", "-c:a", "libmp3lame", "-ac", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(path);
    RunFFmpeg(args);
    return path;
  }
  size_t FilesInFolder() {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()));
  }
  TempDir dir_{"reelcast-flv-cli"};
};

TEST_F(FlvCommand, InfoReportsTheIndex) {
  std::string path = MakeFlv("movie.flv");
  ProcessResult json = Cli({"flv", "info", path, "--json"});
  ASSERT_EQ(json.ExitCode, 0) << json.Output;
  JsonValue info = JsonValue::Parse(json.Stdout);
  EXPECT_TRUE(info["flv"].Bool());
  EXPECT_EQ(info["video"]["codec"].Number(), 2);
  EXPECT_EQ(info["video"]["width"].Number(), 320);
  EXPECT_EQ(info["video"]["height"].Number(), 240);
  EXPECT_EQ(info["video"]["frameCount"].Number(), CountPackets(path, "v"));
  EXPECT_EQ(info["video"]["frameRate"].Number(), 25);
  EXPECT_EQ(info["video"]["duration"].Number(), 2);
  EXPECT_EQ(info["audio"]["format"].Number(), 2);
  EXPECT_EQ(info["audio"]["rate"].Number(), 44100);
  EXPECT_TRUE(info["audio"]["stereo"].Bool());
  EXPECT_EQ(info["audio"]["frameCount"].Number(), CountPackets(path, "a"));
  bool sawEncoder = false;
  for (const auto& p : info["metadata"].Items())
    if (p["name"].String() == "encoder") sawEncoder = !p["value"].String().empty();
  EXPECT_TRUE(sawEncoder) << json.Output;

  ProcessResult text = Cli({"flv", "info", path});
  ASSERT_EQ(text.ExitCode, 0) << text.Output;
  EXPECT_NE(text.Output.find("Video:       Sorenson H.263 (codec 2), 320x240, 50 frames at 25.000 fps, 2.000 s"),
            std::string::npos)
      << text.Output;
  EXPECT_NE(text.Output.find("Audio:       MP3 (format 2), 44100 Hz, 16-bit, stereo"), std::string::npos)
      << text.Output;
}

TEST_F(FlvCommand, InfoSaysWhereACutFileEnds) {
  std::string whole = ReadFile(MakeFlv("movie.flv"));
  // The first video frame of 320x240 test pictures takes some kilobytes:
  // 2000 bytes end inside it or its neighbour, 13 + 11 + 5 inside the first
  // tag's header.
  for (size_t size : {size_t{2000}, whole.size() - 3, size_t{13 + 5}}) {
    SCOPED_TRACE(size);
    WriteFile(dir_ / "cut.flv", whole.substr(0, size));
    ProcessResult r = Cli({"flv", "info", (dir_ / "cut.flv").string()});
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Stderr.find("cut.flv is cut short: it ends at byte " + std::to_string(size) +
                            ", inside the tag that starts at byte "),
              std::string::npos)
        << r.Output;
    EXPECT_NE(r.Output.find("Cut short:   at byte " + std::to_string(size)), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("0.043"), std::string::npos) << "no rate from a single frame: " << r.Output;
  }
  ProcessResult complete = Cli({"flv", "info", MakeFlv("again.flv")});
  EXPECT_TRUE(complete.Stderr.empty()) << complete.Stderr;
  EXPECT_EQ(complete.Output.find("Cut short"), std::string::npos);
}

TEST_F(FlvCommand, InfoOnFilesThatAreNoFlv) {
  WriteFile(dir_ / "text.flv", "this is no video");
  ProcessResult r = Cli({"flv", "info", (dir_ / "text.flv").string(), "--json"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_FALSE(JsonValue::Parse(r.Stdout)["flv"].Bool(true));
  ProcessResult missing = Cli({"flv", "info", (dir_ / "none.flv").string()});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Output.find("none.flv"), std::string::npos) << missing.Output;
  EXPECT_EQ(Cli({"flv", "info"}).ExitCode, 2);
  EXPECT_EQ(Cli({"flv", "play", "x.flv"}).ExitCode, 2);
  EXPECT_EQ(Cli({"flv", "info", "a.flv", "--fast"}).ExitCode, 2);
}

TEST_F(FlvCommand, AddMetadataRewritesInPlaceOnce) {
  std::string path = MakeFlv("bare.flv", {"-flvflags", "no_metadata"});
  std::string before = ReadFile(path);
  ProcessResult added = Cli({"flv", "add-metadata", path});
  ASSERT_EQ(added.ExitCode, 0) << added.Output;
  EXPECT_NE(added.Output.find("duration of 2.000 s"), std::string::npos) << added.Output;
  std::string after = ReadFile(path);
  // The script tag sits after the 13-byte file head: an 11-byte tag head whose
  // 24-bit body size follows the tag type, the body, then 4 bytes of back pointer.
  ASSERT_GT(after.size(), 24u);
  ASSERT_EQ(static_cast<uint8_t>(after[13]), 18);
  const size_t body = (static_cast<uint8_t>(after[14]) << 16) | (static_cast<uint8_t>(after[15]) << 8) |
                      static_cast<uint8_t>(after[16]);
  const size_t tagEnd = 13 + 11 + body + 4;
  ASSERT_EQ(after.size(), before.size() + (tagEnd - 13));
  EXPECT_EQ(after.substr(tagEnd), before.substr(13));
  EXPECT_NEAR(RunFFprobe(path, {"-show_entries", "format=duration"})["format"]["duration"].Number(), 2.0, 0.05);
  EXPECT_EQ(FilesInFolder(), 1u) << "no scratch file is left";

  ProcessResult again = Cli({"flv", "add-metadata", path});
  EXPECT_EQ(again.ExitCode, 0) << again.Output;
  EXPECT_NE(again.Output.find("left unchanged"), std::string::npos) << again.Output;
  EXPECT_EQ(ReadFile(path), after);

  WriteFile(dir_ / "text.flv", "this is no video");
  ProcessResult refused = Cli({"flv", "add-metadata", (dir_ / "text.flv").string()});
  EXPECT_EQ(refused.ExitCode, 1) << refused.Output;
  EXPECT_EQ(ReadFile(dir_ / "text.flv"), "this is no video");
  EXPECT_EQ(FilesInFolder(), 2u);
}

}  // namespace
}  // namespace reelcast::test
