// The companions of a published movie: URL normalising, the HTML page, the
// projector and the screen saver, and the all-or-nothing output file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashMovie.h"
#include "publish/HtmlPage.h"
#include "publish/OutputFile.h"
#include "publish/Projector.h"
#include "publish/PublishUrls.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(PublishUrls, NormalizeKeepsSchemesAndEncodesWhatAUrlCannotHold) {
  struct Case {
    const char* In;
    const char* Out;
  };
  const Case cases[] = {
      {"www.example.com", "http://www.example.com"},
      {"http://example.com/a?b=1", "http://example.com/a?b=1"},
      {"HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM"},
      {"https://secure.example.com/a", "https://secure.example.com/a"},
      {"mailto:me@example.org", "mailto:me@example.org"},
      {"ftp://files.example.org/x", "ftp://files.example.org/x"},
      // A host with a port is not a scheme.
      {"localhost:8080/a", "http://localhost:8080/a"},
      {"example.org:81", "http://example.org:81"},
      {"", "http://"},
      // Letters beyond ASCII and blanks are percent-encoded once, from UTF-8.
      {"example.org/\xC3\xA4?x=1", "http://example.org/%C3%A4?x=1"},
      {"example.org/a b#c", "http://example.org/a%20b#c"},
      // A pasted line break or a NUL would cut or split the byte-code string.
      {"example.com/\r\npage", "http://example.com/page"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeUrl(c.In), c.Out) << c.In;
  EXPECT_EQ(NormalizeUrl(std::string_view("exa\0mple.com", 12)), "http://example.com");

  for (const char* script : {"javascript:alert(1)", " JavaScript:x", "java\tscript:x", "vbscript:x", "data:text/html,x"})
    EXPECT_NE(RefusedUrlReason(script), "") << script;
  for (const char* fine : {"example.org", "https://a.example", "mailto:a@b.c", "localhost:8080"})
    EXPECT_EQ(RefusedUrlReason(fine), "") << fine;
  EXPECT_EQ(UrlEncodeFileName("Pl\xC3\xA4 yer #1 ?.flv"), "Pl%C3%A4%20yer%20%231%20%3F.flv");
}

TSWFParam PageParam(const std::string& output) {
  TSWFParam p;
  p.VideoWidth = 320;
  p.VideoHeight = 240;
  p.BackColor = 0x0000FF;  // pure red in the 0x00BBGGRR layout
  p.OutputFile = output;
  return p;
}

TEST(HtmlPage, HasTheTwentyLinesWithSizeColourAndName) {
  TempDir dir;
  TSWFParam p = PageParam((dir / "movie.swf").string());
  WriteHtmlPage(p.OutputFile, p);
  std::string page = ReadFile(dir / "movie.html");
  const std::string expected =
      "<HTML>\r\n"
      "<!-- saved from url=(0013)about:internet -->\r\n"
      "<!-- Created by Reelcast. https://reelcast.example.org/ -->\r\n"
      "<BODY BGCOLOR=\"#FF0000\">\r\n"
      "<TABLE WIDTH=\"100%\" HEIGHT=\"100%\">\r\n"
      "<TR><TD>\r\n"
      "<CENTER>\r\n"
      "<OBJECT CLASSID=\"CLSID:D27CDB6E-AE6D-11cf-96B8-444553540000\" \r\n"
      "CODEBASE=\"https://reelcast.example.org/pub/shockwave/cabs/flash/swflash.cab"
      "#version=6,0,22,0\" ID=\"ZFO\" Width=\"320\" Height=\"240\">\r\n"
      "<PARAM NAME=\"movie\" VALUE=\"movie.swf?265006334\">\r\n"
      "<PARAM NAME=\"bgcolor\" VALUE=\"#FF0000\">\r\n"
      "<EMBED NAME=\"ZFO\" SRC=\"movie.swf?265006334\"\r\n"
      "WIDTH=\"320\" HEIGHT=\"240\" TYPE=\"application/x-shockwave-flash\" "
      "pluginspage=\"https://reelcast.example.org/flashplayer/\">\r\n"
      "</EMBED>\r\n"
      "</OBJECT>\r\n"
      "</CENTER>\r\n"
      "</TD></TR>\r\n"
      "</TABLE>\r\n"
      "</BODY> \r\n"
      "</HTML> \r\n";
  EXPECT_EQ(page, expected);
  // Nothing but the page is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// A template or player movie is larger than its video: the page's object
// takes the size of the movie's stage.
TEST(HtmlPage, ObjectIsAsLargeAsThePublishedMoviesStage) {
  TempDir dir;
  TSWFParam p = PageParam((dir / "movie.swf").string());  // a 320 x 240 video
  TFlashMovie movie(0, 0, 640, 480, 24, true);
  movie.ShowFrame();
  movie.MakeStream();
  movie.SaveToFile(p.OutputFile);
  auto lines = HtmlPageLines(p.OutputFile, p);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_NE(lines[8].find("Width=\"640\" Height=\"480\""), std::string::npos) << lines[8];
  EXPECT_EQ(lines[12].rfind("WIDTH=\"640\" HEIGHT=\"480\"", 0), 0u) << lines[12];
}

TEST(HtmlPage, BlueAndGreenBytesLandInTheirPlaces) {
  TSWFParam p = PageParam("/out/m.swf");
  p.BackColor = 0x00563412;  // R 12, G 34, B 56
  auto lines = HtmlPageLines("/elsewhere/m.swf", p);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[3], "<BODY BGCOLOR=\"#123456\">");
  EXPECT_EQ(lines[10], "<PARAM NAME=\"bgcolor\" VALUE=\"#123456\">");
  // The movie's folder is not written, only its name.
  EXPECT_EQ(lines[9], "<PARAM NAME=\"movie\" VALUE=\"m.swf?265006334\">");
}

// Any file name stays inside its attribute and still names the movie.
TEST(HtmlPage, FileNamesAreEscapedWhereTheyAreWritten) {
  struct Case {
    const char* Name;
    const char* Written;
  };
  const Case cases[] = {
      {"my movie.swf", "my%20movie.swf"},
      {"a\"b.swf", "a%22b.swf"},
      {"x<script>.swf", "x%3Cscript%3E.swf"},
      {"tom&jerry.swf", "tom%26jerry.swf"},
      {"100%.swf", "100%25.swf"},
      {"what?#.swf", "what%3F%23.swf"},
      {"it's.swf", "it%27s.swf"},
      {"caf\xC3\xA9.swf", "caf%C3%A9.swf"},
  };
  for (const Case& c : cases) {
    TSWFParam p = PageParam(std::string("/out/") + c.Name);
    auto lines = HtmlPageLines(p.OutputFile, p);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[9], std::string("<PARAM NAME=\"movie\" VALUE=\"") + c.Written + "?265006334\">")
        << c.Name;
    EXPECT_EQ(lines[11], std::string("<EMBED NAME=\"ZFO\" SRC=\"") + c.Written + "?265006334\"")
        << c.Name;
  }
}

TEST(HtmlPage, LoaderScriptIsAddedOnlyWhenAsked) {
  TSWFParam p = PageParam("/out/m.swf");
  THtmlPageOptions o;
  o.RuffleLoader = true;
  auto lines = HtmlPageLines(p.OutputFile, p, o);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[3], "<HEAD><SCRIPT SRC=\"https://unpkg.com/@ruffle-rs/ruffle\"></SCRIPT></HEAD>");
  EXPECT_EQ(lines[4], "<BODY BGCOLOR=\"#FF0000\">");
  o.RuffleLoaderUrl = "ruffle/ruffle.js?a=1&b=\"2\"";
  EXPECT_EQ(HtmlPageLines(p.OutputFile, p, o)[3],
            "<HEAD><SCRIPT SRC=\"ruffle/ruffle.js?a=1&amp;b=&quot;2&quot;\"></SCRIPT></HEAD>");
}

TEST(HtmlPage, PathReplacesTheLastThreeCharacters) {
  EXPECT_EQ(HtmlPagePath("/o/movie.swf"), "/o/movie.html");
  EXPECT_EQ(HtmlPagePath("/o/movie.SWF"), "/o/movie.html");
  EXPECT_EQ(HtmlPagePath("/o/a.b.swf"), "/o/a.b.html");
}

TEST(HtmlPage, UnwritableFolderThrowsAndLeavesNothing) {
  TempDir dir;
  TSWFParam p = PageParam((dir / "missing" / "m.swf").string());
  EXPECT_THROW(WriteHtmlPage(p.OutputFile, p), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

std::string LogText() { return fs::exists(LogFilePath()) ? ReadFile(LogFilePath()) : ""; }

TEST(Projector, AppendsMovieSignatureAndLengthThenDeletesTheMovie) {
  TempDir dir;
  const std::string player = "#!/bin/sh\necho player\n";
  const std::string movie = std::string("FWS\x08", 4) + std::string(300, 'm');
  WriteFile(dir / "player.exe", player);
  WriteFile(dir / "clip.swf", movie);
  TSWFParam p;
  p.OutputFile = (dir / "clip.swf").string();
  ASSERT_TRUE(MakeProjector((dir / "player.exe").string(), p.OutputFile, p));
  std::string exe = ReadFile(dir / "clip.exe");
  ASSERT_EQ(exe.size(), player.size() + movie.size() + 8);
  EXPECT_EQ(exe.substr(0, player.size()), player);
  EXPECT_EQ(exe.substr(player.size(), movie.size()), movie);
  EXPECT_EQ(exe.substr(exe.size() - 8), std::string("\x56\x34\x12\xFA\x30\x01\x00\x00", 8));
  // Only the .exe remains, and it can be run.
  EXPECT_FALSE(fs::exists(dir / "clip.swf"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
  EXPECT_NE(fs::status(dir / "clip.exe").permissions() & fs::perms::owner_exec, fs::perms::none);
  std::string log = LogText();
  EXPECT_NE(log.find("procedure:CteateExeFile; File Exists:" + (dir / "player.exe").string() + " " +
                     p.OutputFile),
            std::string::npos);
  size_t a = log.find("function:CteateExeFile Readly Write.");
  size_t b = log.find("function:CteateExeFile has Write.");
  size_t c = log.find("function:CteateExeFile used end.");
  EXPECT_TRUE(a != std::string::npos && a < b && b < c && c != std::string::npos) << log;
}

TEST(Projector, MissingInputIsLoggedAndNothingIsWritten) {
  TempDir dir;
  WriteFile(dir / "clip.swf", "FWS");
  TSWFParam p;
  p.OutputFile = (dir / "clip.swf").string();
  const std::string player = (dir / "none.exe").string();
  EXPECT_FALSE(MakeProjector(player, p.OutputFile, p));
  EXPECT_FALSE(fs::exists(dir / "clip.exe"));
  EXPECT_TRUE(fs::exists(dir / "clip.swf"));
  EXPECT_NE(LogText().find("procedure:CteateExeFile; File Not Exists:" + player + " or " +
                           p.OutputFile),
            std::string::npos);
}

TEST(ScreenSaver, IsInstalledUnderItsNameWithTheProjectorLayout) {
  InitFolders();
  TempDir dir;
  WriteFile(dir / "saver.swf", "FWS movie");
  ASSERT_EQ(ExportToScreenSaver(u"", 0, u"x.scr", u""), 1);
  std::u16string swf;
  for (char ch : (dir / "saver.swf").string()) swf += static_cast<char16_t>(ch);
  ASSERT_EQ(ExportToScreenSaver(swf, 0, u"../Night Sky.scr", u""), 0);
  std::string scr = ReadFile(ScreenSaverFolder() + "Night Sky.scr");
  std::string player = ReadFile(AppPath(kProjectorPlayerName));
  EXPECT_EQ(scr, player + "FWS movie" + std::string("\x56\x34\x12\xFA\x09\x00\x00\x00", 8));
  EXPECT_TRUE(fs::exists(dir / "saver.swf"));
}

TEST(OutputFile, UncommittedLeavesTheOldFileAndNoScratch) {
  TempDir dir;
  WriteFile(dir / "out.swf", "old");
  {
    TOutputFile out((dir / "out.swf").string());
    out.Write("new, half written");
  }
  EXPECT_EQ(ReadFile(dir / "out.swf"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  {
    TOutputFile out((dir / "out.swf").string());
    out.Write("new");
    out.Commit();
  }
  EXPECT_EQ(ReadFile(dir / "out.swf"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace reelcast
