// The companions of a published movie: URL normalising, the HTML page, the
// projector and the screen saver, and the all-or-nothing output file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashMovie.h"
#include "publish/FtpUpload.h"
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

// The elements of an HTML5 page in document order, as far as the page is
// well-formed: a doctype first, every element closed in the order it was
// opened (void elements never), attribute names in lower case, values
// quoted, no attribute twice. A fault is reported in Error.
struct THtmlOutline {
  struct TElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
    std::string Parent;
  };
  std::vector<TElement> Elements;
  std::string Error;
  const TElement* Find(const std::string& name) const {
    for (const TElement& e : Elements)
      if (e.Name == name) return &e;
    return nullptr;
  }
};

THtmlOutline OutlineOf(const std::string& page) {
  static const std::set<std::string> kVoid = {"meta", "link", "param", "embed", "br", "img", "input"};
  THtmlOutline out;
  std::vector<std::string> open;
  size_t at = 0;
  bool doctype = false;
  auto fail = [&](const std::string& why) {
    out.Error = why + " at byte " + std::to_string(at);
    return out;
  };
  while ((at = page.find('<', at)) != std::string::npos) {
    if (page.compare(at, 4, "<!--") == 0) {
      const size_t end = page.find("-->", at);
      if (end == std::string::npos) return fail("unclosed comment");
      at = end + 3;
      continue;
    }
    const size_t end = page.find('>', at);
    if (end == std::string::npos) return fail("unclosed tag");
    const std::string tag = page.substr(at + 1, end - at - 1);
    at = end + 1;
    if (tag.rfind("!DOCTYPE ", 0) == 0 || tag.rfind("!doctype ", 0) == 0) {
      if (doctype || !out.Elements.empty()) return fail("doctype not first");
      if (tag.substr(9) != "html") return fail("not the HTML5 doctype");
      doctype = true;
      continue;
    }
    if (!doctype) return fail("no doctype before the first element");
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return fail("</" + tag.substr(1) + "> out of order");
      open.pop_back();
      continue;
    }
    std::istringstream words(tag);
    THtmlOutline::TElement e;
    words >> e.Name;
    for (char c : e.Name)
      if (!std::islower(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c)))
        return fail("element name not in lower case: " + e.Name);
    // Attributes: name="value" pairs.
    std::string rest = tag.substr(e.Name.size());
    size_t p = 0;
    while (true) {
      p = rest.find_first_not_of(" \t\r\n", p);
      if (p == std::string::npos) break;
      const size_t eq = rest.find('=', p);
      if (eq == std::string::npos || rest[eq + 1] != '"') return fail("unquoted attribute in <" + e.Name + ">");
      const std::string name = rest.substr(p, eq - p);
      for (char c : name)
        if (std::isupper(static_cast<unsigned char>(c))) return fail("attribute name in upper case: " + name);
      const size_t close = rest.find('"', eq + 2);
      if (close == std::string::npos) return fail("unclosed attribute value");
      if (!e.Attributes.emplace(name, rest.substr(eq + 2, close - eq - 2)).second)
        return fail("attribute twice: " + name);
      p = close + 1;
    }
    e.Parent = open.empty() ? "" : open.back();
    out.Elements.push_back(e);
    if (!kVoid.count(e.Name)) open.push_back(e.Name);
    // The text of these is not markup.
    if (e.Name == "script" || e.Name == "style" || e.Name == "title") {
      const size_t close = page.find("</" + e.Name + ">", at);
      if (close == std::string::npos) return fail("unclosed <" + e.Name + ">");
      at = close;
    }
  }
  if (!open.empty()) return fail("<" + open.back() + "> never closed");
  return out;
}

// The page is HTML5 with the plug-in era's OBJECT and EMBED inside: the
// movie's name, size and background colour where those readers look.
TEST(HtmlPage, IsAWellFormedHtml5PageThatKeepsThePluginMarkup) {
  TempDir dir;
  TSWFParam p = PageParam((dir / "movie.swf").string());
  WriteHtmlPage(p.OutputFile, p);
  const std::string page = ReadFile(dir / "movie.html");
  EXPECT_EQ(page.find("\r\n"), page.find('\n') - 1) << "lines end in CR LF";
  const THtmlOutline outline = OutlineOf(page);
  ASSERT_EQ(outline.Error, "") << page;
  std::vector<std::string> order;
  for (const auto& e : outline.Elements)
    if (e.Name == "html" || e.Name == "head" || e.Name == "body") order.push_back(e.Name + "<" + e.Parent);
  EXPECT_EQ(order, (std::vector<std::string>{"html<", "head<html", "body<html"}));
  for (const char* gone : {"table", "center", "font", "tr", "td"})
    EXPECT_EQ(outline.Find(gone), nullptr) << gone;
  ASSERT_NE(outline.Find("meta"), nullptr);
  EXPECT_EQ(outline.Find("meta")->Attributes.at("charset"), "utf-8");
  EXPECT_NE(page.find("<title>movie</title>"), std::string::npos);
  EXPECT_NE(page.find("background: #FF0000;"), std::string::npos);
  EXPECT_EQ(outline.Find("script"), nullptr) << "no loader unless asked";

  const auto* object = outline.Find("object");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->Attributes.at("classid"), "clsid:D27CDB6E-AE6D-11cf-96B8-444553540000");
  EXPECT_EQ(object->Attributes.at("codebase"),
            "https://reelcast.example.org/pub/shockwave/cabs/flash/swflash.cab#version=6,0,22,0");
  EXPECT_EQ(object->Attributes.at("id"), "ZFO");
  EXPECT_EQ(object->Attributes.at("width"), "320");
  EXPECT_EQ(object->Attributes.at("height"), "240");
  std::map<std::string, std::string> params;
  for (const auto& e : outline.Elements)
    if (e.Name == "param" && e.Parent == "object") params[e.Attributes.at("name")] = e.Attributes.at("value");
  EXPECT_EQ(params, (std::map<std::string, std::string>{
                        {"movie", "movie.swf?265006334"}, {"bgcolor", "#FF0000"}, {"allowFullScreen", "true"}}));
  const auto* embed = outline.Find("embed");
  ASSERT_NE(embed, nullptr);
  EXPECT_EQ(embed->Parent, "object");
  EXPECT_EQ(embed->Attributes, (std::map<std::string, std::string>{
                                   {"name", "ZFO"},
                                   {"src", "movie.swf?265006334"},
                                   {"width", "320"},
                                   {"height", "240"},
                                   {"type", "application/x-shockwave-flash"},
                                   {"pluginspage", "https://reelcast.example.org/flashplayer/"},
                                   {"allowfullscreen", "true"}}));
  // The movie keeps its proportions and never grows past its stage.
  EXPECT_NE(page.find("width: min(100vw, 320px, calc(100vh * 320 / 240)); aspect-ratio: 320 / 240;"),
            std::string::npos);
  // Nothing but the page is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// The page's (only) line that contains text.
std::string LineWith(const std::vector<std::string>& lines, const std::string& text) {
  std::string found;
  for (const std::string& line : lines) {
    if (line.find(text) == std::string::npos) continue;
    EXPECT_EQ(found, "") << "more than one line has " << text;
    found = line;
  }
  return found;
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
  EXPECT_NE(LineWith(lines, "<object ").find("width=\"640\" height=\"480\""), std::string::npos);
  EXPECT_NE(LineWith(lines, "<embed ").find("width=\"640\" height=\"480\""), std::string::npos);
  EXPECT_NE(LineWith(lines, "aspect-ratio").find("640px"), std::string::npos);
}

TEST(HtmlPage, BlueAndGreenBytesLandInTheirPlaces) {
  TSWFParam p = PageParam("/out/m.swf");
  p.BackColor = 0x00563412;  // R 12, G 34, B 56
  auto lines = HtmlPageLines("/elsewhere/m.swf", p);
  EXPECT_NE(LineWith(lines, "background:").find("background: #123456;"), std::string::npos);
  EXPECT_EQ(LineWith(lines, "name=\"bgcolor\""), "<param name=\"bgcolor\" value=\"#123456\">");
  // The movie's folder is not written, only its name.
  EXPECT_EQ(LineWith(lines, "name=\"movie\""), "<param name=\"movie\" value=\"m.swf?265006334\">");
}

// Any file name stays inside its attribute and still names the movie.
TEST(HtmlPage, FileNamesAreEscapedWhereTheyAreWritten) {
  struct Case {
    const char* Name;
    const char* Written;
    const char* Title;
  };
  const Case cases[] = {
      {"my movie.swf", "my%20movie.swf", "my movie"},
      {"a\"b.swf", "a%22b.swf", "a&quot;b"},
      {"x<script>.swf", "x%3Cscript%3E.swf", "x&lt;script&gt;"},
      {"tom&jerry.swf", "tom%26jerry.swf", "tom&amp;jerry"},
      {"100%.swf", "100%25.swf", "100%"},
      {"what?#.swf", "what%3F%23.swf", "what?#"},
      {"it's.swf", "it%27s.swf", "it&#39;s"},
      {"caf\xC3\xA9.swf", "caf%C3%A9.swf", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    TSWFParam p = PageParam(std::string("/out/") + c.Name);
    auto lines = HtmlPageLines(p.OutputFile, p);
    EXPECT_EQ(LineWith(lines, "name=\"movie\""),
              std::string("<param name=\"movie\" value=\"") + c.Written + "?265006334\">")
        << c.Name;
    EXPECT_EQ(LineWith(lines, "<embed ").rfind(std::string("<embed name=\"ZFO\" src=\"") + c.Written + "?265006334\"", 0), 0u)
        << c.Name;
    EXPECT_EQ(LineWith(lines, "<title>"), std::string("<title>") + c.Title + "</title>") << c.Name;
    std::string page;
    for (const auto& line : lines) page += line + "\n";
    EXPECT_EQ(OutlineOf(page).Error, "") << c.Name;
  }
}

TEST(HtmlPage, LoaderScriptIsAddedOnlyWhenAsked) {
  TSWFParam p = PageParam("/out/m.swf");
  THtmlPageOptions o;
  o.RuffleLoader = true;
  auto lines = HtmlPageLines(p.OutputFile, p, o);
  EXPECT_EQ(LineWith(lines, "<script"), "<script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script>");
  o.RuffleLoaderUrl = "ruffle/ruffle.js?a=1&b=\"2\"";
  EXPECT_EQ(LineWith(HtmlPageLines(p.OutputFile, p, o), "<script"),
            "<script src=\"ruffle/ruffle.js?a=1&amp;b=&quot;2&quot;\"></script>");
  o.LoaderBesidePage = true;
  EXPECT_EQ(LineWith(HtmlPageLines(p.OutputFile, p, o), "<script"),
            "<script src=\"ruffle/ruffle.js\"></script>");
  std::string page;
  for (const auto& line : HtmlPageLines(p.OutputFile, p, o)) page += line + "\n";
  const THtmlOutline outline = OutlineOf(page);
  ASSERT_EQ(outline.Error, "");
  EXPECT_EQ(outline.Find("script")->Parent, "head");
}

// With the loader beside the page, the player's files are copied next to
// it and an upload of the page takes them along; a page that loads the
// player from elsewhere takes nothing.
TEST(HtmlPage, LoaderBesideThePageBringsThePlayersFiles) {
  TempDir data;
  const std::string savedAppFolder = AppFolder;
  AppFolder = data.Path().string() + "/";
  fs::create_directories(data / "ruffle");
  for (const char* name : {"ruffle.js", "core.ruffle.1.js", "a1.wasm", "LICENSE_MIT", "ruffle.js.map", "package.json"})
    WriteFile(data / "ruffle" / name, name);
  EXPECT_EQ(LocalLoaderProblem(), "");
  TempDir dir;
  TSWFParam p = PageParam((dir / "movie.swf").string());
  p.OutputKind = kOutputSwf;
  p.PublishHtml = true;
  THtmlPageOptions o;
  o.RuffleLoader = true;
  o.LoaderBesidePage = true;
  WriteHtmlPage(p.OutputFile, p, o);
  std::set<std::string> copied;
  for (const auto& e : fs::directory_iterator(dir / "ruffle")) copied.insert(e.path().filename().string());
  EXPECT_EQ(copied, (std::set<std::string>{"LICENSE_MIT", "a1.wasm", "core.ruffle.1.js", "ruffle.js"}));
  EXPECT_EQ(ReadFile(dir / "ruffle" / "ruffle.js"), "ruffle.js");
  const std::vector<std::string> expected = {
      p.OutputFile, (dir / "movie.html").string(), (dir / "ruffle" / "LICENSE_MIT").string(),
      (dir / "ruffle" / "a1.wasm").string(), (dir / "ruffle" / "core.ruffle.1.js").string(),
      (dir / "ruffle" / "ruffle.js").string()};
  EXPECT_EQ(UploadFileList(p), expected);

  // The same folder with a page that names another loader: only the page.
  o.LoaderBesidePage = false;
  WriteHtmlPage(p.OutputFile, p, o);
  EXPECT_EQ(UploadFileList(p), (std::vector<std::string>{p.OutputFile, (dir / "movie.html").string()}));

  // No player in the data folder: refused, and no page is written.
  fs::remove_all(data / "ruffle");
  fs::remove(dir / "movie.html");
  EXPECT_NE(LocalLoaderProblem(), "");
  o.LoaderBesidePage = true;
  EXPECT_THROW(WriteHtmlPage(p.OutputFile, p, o), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir / "movie.html"));
  AppFolder = savedAppFolder;
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
