#include "app/Config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "app/Paths.h"
#include "support/StoreFixture.h"

namespace reelcast {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

// Every test gets an empty user folder and data folder.
class ConfigTest : public test::StoreFixture {};

TEST_F(ConfigTest, MissingKeyLeavesTheCallersValue) {
  int32_t value = 1234;
  EXPECT_FALSE(NVGetConfigInt("System.NoSuchKey", &value));
  EXPECT_EQ(value, 1234);
  EXPECT_EQ(NVGetConfigStrPtr("System.NoSuchKey"), nullptr);
  char16_t buffer[8] = {u'x', u'y'};
  EXPECT_FALSE(NVGetConfigStrEx("System.NoSuchKey", buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], u'x');
}

TEST_F(ConfigTest, ValuesPersistToTheNextRun) {
  NVSetConfigInt("System.nWidth", 640);
  NVSetConfigInt("System.Negative", -7);
  NVSetConfigStr("System.OutputPath", u"/tmp/Ausgabe \u00e4\u4e2d/");
  NVSetConfigStr("System.FTPPass", u"");
  NVSetConfigStr("System.Multi", u"line one\nline two\\n = not an escape\t!");
  NVSetConfigDbl("System.Frame", 29.97);
  Reopen();

  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 640);
  ASSERT_TRUE(NVGetConfigInt("System.Negative", &value));
  EXPECT_EQ(value, -7);
  ASSERT_NE(NVGetConfigStrPtr("System.OutputPath"), nullptr);
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.OutputPath")), u"/tmp/Ausgabe \u00e4\u4e2d/");
  // An empty text is a value, not a missing key.
  ASSERT_NE(NVGetConfigStrPtr("System.FTPPass"), nullptr);
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.FTPPass")), u"");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.Multi")),
            u"line one\nline two\\n = not an escape\t!");
  ASSERT_TRUE(NVGetConfigInt("System.Frame", &value));
  EXPECT_EQ(value, 29);
}

TEST_F(ConfigTest, NumbersReadAsTextAndFloatsAsTheirIntegerPart) {
  struct Case {
    double stored;
    int32_t read;
  } cases[] = {{25.0, 25}, {23.976, 23}, {0.0, 0}, {29.97, 29}, {-2.5, -2}};
  for (const auto& c : cases) {
    NVSetConfigDbl("System.Frame", c.stored);
    int32_t value = 99;
    ASSERT_TRUE(NVGetConfigInt("System.Frame", &value)) << c.stored;
    EXPECT_EQ(value, c.read) << c.stored;
  }
  // The port is written as an integer and read back as its decimal text.
  NVSetConfigInt("System.FTPPort", 2121);
  char16_t buffer[16] = {};
  ASSERT_TRUE(NVGetConfigStrEx("System.FTPPort", buffer, sizeof buffer));
  EXPECT_EQ(std::u16string(buffer), u"2121");
  // A text that is no number is not an integer.
  NVSetConfigStr("System.FTPHost", u"example");
  int32_t value = 5;
  EXPECT_FALSE(NVGetConfigInt("System.FTPHost", &value));
  EXPECT_EQ(value, 5);
}

TEST_F(ConfigTest, KeysCompareWithoutRegardToCase) {
  NVSetConfigStr("System.FTPDir", u"/pub/");
  ASSERT_NE(NVGetConfigStrPtr("System.FtpDir"), nullptr);
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.FtpDir")), u"/pub/");
  NVSetConfigStr("System.FtpDir", u"/incoming/");
  Reopen();
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("SYSTEM.FTPDIR")), u"/incoming/");
  // One key, one line in the file, spelled as last written.
  std::string file = ReadFile(ConfigStorePath());
  EXPECT_NE(file.find("text System.FtpDir=/incoming/"), std::string::npos) << file;
  EXPECT_EQ(file.find("System.FTPDir"), std::string::npos) << file;
}

TEST_F(ConfigTest, StrExTruncatesInsideTheBuffer) {
  NVSetConfigStr("System.Title", u"abcdefgh");
  char16_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  // 8 bytes: three characters and the terminator, nothing beyond.
  ASSERT_TRUE(NVGetConfigStrEx("System.Title", buffer, 8));
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(buffer[4], u'#');
  EXPECT_EQ(buffer[5], u'#');
}

TEST_F(ConfigTest, StoreFileIsPrivateAndReplacedWhole) {
  NVSetConfigInt("System.nHeight", 480);
  struct stat st {};
  ASSERT_EQ(stat(ConfigStorePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  for (const auto& entry : test::fs::directory_iterator(home_.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
        << entry.path();
}

TEST_F(ConfigTest, ChangesOfAnotherWriterAreKept) {
  // Another process adds a key after this one opened the store; this
  // process's next write must not drop it.
  NVSetConfigInt("System.nWidth", 400);
  std::string file = ReadFile(ConfigStorePath());
  WriteFile(ConfigStorePath(), file + "int System.SampleR=44100\n");
  NVSetConfigInt("System.nHeight", 300);
  Reopen();
  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("System.SampleR", &value));
  EXPECT_EQ(value, 44100);
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 400);
}

// The file's identity: a rewrite replaces it by a new file (rename).
ino_t StoreInode() {
  struct stat st {};
  EXPECT_EQ(stat(ConfigStorePath().c_str(), &st), 0);
  return st.st_ino;
}

TEST_F(ConfigTest, BatchWritesOnceAtItsEndAndUnchangedValuesLeaveTheFileAlone) {
  NVSetConfigInt("System.nWidth", 400);
  NVSetConfigStr("System.OutputPath", u"/tmp/a/");
  const std::string before = ReadFile(ConfigStorePath());
  const ino_t first = StoreInode();

  // The same values again: nothing is rewritten.
  NVSetConfigInt("System.nWidth", 400);
  NVSetConfigStr("System.OutputPath", u"/tmp/a/");
  EXPECT_EQ(StoreInode(), first);

  {
    TSettingsBatch outer;
    NVSetConfigInt("System.nWidth", 640);
    {
      TSettingsBatch inner;
      NVSetConfigDbl("System.Frame", 29.97);
      std::thread other([] { NVSetConfigInt("System.SampleR", 22050); });
      other.join();
    }
    // Read back at once, on disk only when the outer batch ends.
    int32_t value = 0;
    ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
    EXPECT_EQ(value, 640);
    ASSERT_TRUE(NVGetConfigInt("System.SampleR", &value));
    EXPECT_EQ(value, 22050);
    EXPECT_EQ(ReadFile(ConfigStorePath()), before);
    // Another process's write meanwhile is kept.
    WriteFile(ConfigStorePath(), before + "int System.Zoom=2\n");
  }
  Reopen();
  int32_t value = 0;
  for (auto [key, expected] : {std::pair{"System.nWidth", 640}, {"System.Frame", 29}, {"System.SampleR", 22050},
                               {"System.Zoom", 2}}) {
    ASSERT_TRUE(NVGetConfigInt(key, &value)) << key;
    EXPECT_EQ(value, expected) << key;
  }
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.OutputPath")), u"/tmp/a/");

  // A batch whose values are all stored already writes nothing.
  const ino_t settled = StoreInode();
  {
    TSettingsBatch batch;
    NVSetConfigInt("System.nWidth", 640);
    NVSetConfigInt("System.Zoom", 2);
  }
  EXPECT_EQ(StoreInode(), settled);
}

TEST_F(ConfigTest, DamagedFileKeepsWhatCanBeReadAndIsKeptAside) {
  ShutdownGlobalConfig();
  std::string damaged =
      "int System.nWidth=512\n"
      "garbage without any shape\n"
      "int System.nHeight=12x\n"
      "text System.Title=caf\xE9 not utf-8\n"  // Latin-1 byte
      "float System.Frame=25\n"
      "int System.Big=99999999999\n"
      "text System.Bad=ends in a lone \\\n"
      "\x01\x02\x03\n"
      "text System.Director=Jo\n"
      "int System.Zoom=";  // cut off mid-line
  WriteFile(home_ / "Settings.conf", damaged);
  InitGlobalConfig();

  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 512);
  ASSERT_TRUE(NVGetConfigInt("System.Frame", &value));
  EXPECT_EQ(value, 25);
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.Director")), u"Jo");
  for (const char* gone : {"System.nHeight", "System.Title", "System.Big", "System.Bad",
                           "System.Zoom"})
    EXPECT_EQ(NVGetConfigStrPtr(gone), nullptr) << gone;

  // The original is kept byte for byte; the store is rewritten clean.
  std::string aside;
  for (const auto& entry : test::fs::directory_iterator(home_.Path()))
    if (entry.path().filename().string().rfind("Settings.conf.damaged-", 0) == 0)
      aside = entry.path().string();
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(ReadFile(aside), damaged);
  std::string log = ReadFile(LogFilePath());
  EXPECT_NE(log.find("7 unreadable line(s)"), std::string::npos) << log;
  EXPECT_NE(log.find(aside), std::string::npos) << log;

  Reopen();
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 512);
  int asideCount = 0;
  for (const auto& entry : test::fs::directory_iterator(home_.Path()))
    asideCount += entry.path().filename().string().find(".damaged-") != std::string::npos;
  EXPECT_EQ(asideCount, 1) << "a clean file must not be set aside again";
}

TEST_F(ConfigTest, FileDamagedWhileRunningKeepsItsReadableLines) {
  NVSetConfigInt("System.nWidth", 400);
  // Someone edits the file by hand while the program runs.
  WriteFile(ConfigStorePath(), "int System.nWidth=400\nint System.nHeight=300\n%%%\n");
  NVSetConfigInt("System.SampleR", 11025);
  NVSetConfigInt("System.Zoom", 1);
  Reopen();
  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("System.nHeight", &value));
  EXPECT_EQ(value, 300);
  ASSERT_TRUE(NVGetConfigInt("System.SampleR", &value));
  EXPECT_EQ(value, 11025);
  ASSERT_TRUE(NVGetConfigInt("System.Zoom", &value));
  EXPECT_EQ(value, 1);
  int asideCount = 0;
  for (const auto& entry : test::fs::directory_iterator(home_.Path()))
    asideCount += entry.path().filename().string().find(".damaged-") != std::string::npos;
  EXPECT_EQ(asideCount, 1);
}

TEST_F(ConfigTest, InstalledDefaultsLieUnderTheUserValues) {
  WriteFile(data_ / "Defaults.conf",
            "text LD_UsePreloader=Yes\nint LD_BarMode=2\nint System.nWidth=100\n");
  NVSetConfigInt("System.nWidth", 720);
  Reopen();

  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("LD_BarMode", &value));
  EXPECT_EQ(value, 2);
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("ld_usepreloader")), u"Yes");
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 720);
  // The defaults file is never written.
  EXPECT_EQ(ReadFile(data_ / "Defaults.conf"),
            "text LD_UsePreloader=Yes\nint LD_BarMode=2\nint System.nWidth=100\n");
}

TEST_F(ConfigTest, UnusableUserFolderIsReportedNotFatal) {
  WriteFile(home_ / "plain-file", "x");
  ScopedEnv badHome("REELCAST_HOME", (home_ / "plain-file" / "home").string());
  Reopen();
  EXPECT_NE(ConfigLastError().find("cannot create the user folder"), std::string::npos)
      << ConfigLastError();
  NVSetConfigInt("System.nWidth", 560);
  EXPECT_NE(ConfigLastError().find("settings not saved"), std::string::npos)
      << ConfigLastError();
  // The value still holds for the rest of the run.
  int32_t value = 0;
  ASSERT_TRUE(NVGetConfigInt("System.nWidth", &value));
  EXPECT_EQ(value, 560);
  EXPECT_THROW(InitFolders(), std::runtime_error);
}

TEST(ProductDataFile, ReadsKeysAndTreatsAMissingFileAsEmpty) {
  TempDir dir;
  WriteFile(dir / "Sys.Dat",
            "\xEF\xBB\xBF# product identity\r\n"
            "System.FullName=Reelcast DVD to Flash\r\n"
            "System.SuiteName=\n"
            "HTTP.HomePageURL = https://example.org/a=b\n"
            "no separator here\n");
  ConfigFileHandle h = ConfigFileInit((dir / "Sys.Dat").string());
  ASSERT_NE(ConfigGetStrPtr(h, "System.FullName"), nullptr);
  EXPECT_EQ(std::u16string(ConfigGetStrPtr(h, "System.FullName")), u"Reelcast DVD to Flash");
  EXPECT_EQ(std::u16string(ConfigGetStrPtr(h, "System.SuiteName")), u"");
  EXPECT_EQ(std::u16string(ConfigGetStrPtr(h, "HTTP.HomePageURL")), u" https://example.org/a=b");
  EXPECT_EQ(ConfigGetStrPtr(h, "System.SuiteFullName"), nullptr);
  char16_t buffer[6] = {};
  ASSERT_TRUE(ConfigGetStrEx(h, "System.FullName", buffer, 10));
  EXPECT_EQ(std::u16string(buffer), u"Reel");
  ConfigFileDestroy(h);

  ConfigFileHandle missing = ConfigFileInit((dir / "nothing.dat").string());
  EXPECT_EQ(ConfigGetStrPtr(missing, "System.FullName"), nullptr);
  ConfigFileDestroy(missing);
}

TEST_F(ConfigTest, ConcurrentLogLinesNeverInterleave) {
  constexpr int kThreads = 8;
  constexpr int kLines = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        NVLog("worker " + std::to_string(t) + " line " + std::to_string(i) + " " +
              std::string(200, static_cast<char>('a' + t)));
    });
  for (auto& th : threads) th.join();
  NVLog("two\nlines");

  std::istringstream log(ReadFile(LogFilePath()));
  const std::regex shape(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \[\d+\] worker (\d) line (\d+) ([a-h])\3{199})");
  std::set<std::string> seen;
  std::string line, last;
  while (std::getline(log, line)) {
    last = line;
    if (line.find("worker") == std::string::npos) continue;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    EXPECT_EQ(m[3].str()[0], 'a' + std::stoi(m[1].str())) << line;
    seen.insert(m[1].str() + ":" + m[2].str());
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
  EXPECT_NE(last.find("two\\nlines"), std::string::npos) << last;
}

}  // namespace
}  // namespace reelcast
