#include "publish/HtmlPage.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "app/Paths.h"
#include "publish/OutputFile.h"
#include "publish/PublishUrls.h"
#include "swf/SWFStream.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

// The addresses the page names: ours in the comment, and where a browser of
// the plug-in era would fetch the player.
constexpr char kHomePage[] = "https://reelcast.example.org/";
constexpr char kCabinet[] =
    "https://reelcast.example.org/pub/shockwave/cabs/flash/swflash.cab#version=6,0,22,0";
constexpr char kPluginsPage[] = "https://reelcast.example.org/flashplayer/";

// BackColor (0x00BBGGRR) as RRGGBB, upper case.
std::string HexColor(uint32_t color) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                (color >> 16) & 0xFF);
  return text;
}

// The stage of the published movie at path in pixels; the video's size when
// there is no readable movie there yet.
std::pair<int32_t, int32_t> StageSize(const std::string& path, const TSWFParam& param) {
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
    try {
      TSWFStreamReader movie(path);
      // The frame rectangle is in twips, 20 to the pixel.
      const int32_t w = (movie.FrameRect.Right - movie.FrameRect.Left) / 20;
      const int32_t h = (movie.FrameRect.Bottom - movie.FrameRect.Top) / 20;
      if (movie.IsSWF() && w > 0 && h > 0) return {w, h};
    } catch (const std::exception&) {
      // Not a movie: the video's size stands in.
    }
  }
  return {param.VideoWidth, param.VideoHeight};
}

// The player's files in folder, sorted: its scripts, its WebAssembly
// modules and its licences (not the source maps and package notes).
std::vector<fs::path> LoaderFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file(ec) &&
        (ext == ".js" || ext == ".wasm" || name.rfind("LICENSE", 0) == 0))
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::vector<std::string> HtmlPageLines(const std::string& movieFile, const TSWFParam& param,
                                       const THtmlPageOptions& options) {
  const std::string k = HexColor(param.BackColor);
  // The object is as large as the movie's stage: a template or a player is
  // larger than the video it shows.
  const auto [stageWidth, stageHeight] = StageSize(param.OutputFile, param);
  const std::string w = std::to_string(stageWidth);
  const std::string h = std::to_string(stageHeight);
  const std::filesystem::path name = std::filesystem::path(movieFile).filename();
  const std::string n = HtmlEscape(UrlEncodeFileName(name.string()));
  const std::string title = HtmlEscape(name.stem().string());
  std::vector<std::string> lines = {
      "<!DOCTYPE html>",
      "<!-- saved from url=(0013)about:internet -->",
      std::string("<!-- Created by Reelcast. ") + kHomePage + " -->",
      "<html lang=\"en\">",
      "<head>",
      "<meta charset=\"utf-8\">",
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
      "<title>" + title + "</title>",
      "<style>",
      "html, body { height: 100%; margin: 0; }",
      "body { background: #" + k + "; display: flex; align-items: center; justify-content: center; }",
      // At most the stage's size; in a narrower or lower window as large as
      // fits, always in the stage's proportions.
      ".movie { width: min(100vw, " + w + "px, calc(100vh * " + w + " / " + h +
          ")); aspect-ratio: " + w + " / " + h + "; }",
      // The plug-in's element, or the browser-side player that takes its place.
      ".movie object, .movie embed, .movie ruffle-object, .movie ruffle-embed {"
      " display: block; width: 100% !important; height: 100% !important; }",
      "</style>",
  };
  if (options.RuffleLoader) {
    const std::string src = options.LoaderBesidePage ? kLocalLoaderScript : options.RuffleLoaderUrl;
    lines.push_back("<script src=\"" + HtmlEscape(src) + "\"></script>");
  }
  const std::vector<std::string> body = {
      "</head>",
      "<body>",
      "<main class=\"movie\">",
      // The plug-in era's pair: the OBJECT for the ActiveX control, the
      // EMBED inside it for the other browsers' plug-in.
      std::string("<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"") +
          kCabinet + "\" id=\"ZFO\" width=\"" + w + "\" height=\"" + h + "\">",
      "<param name=\"movie\" value=\"" + n + "?265006334\">",
      "<param name=\"bgcolor\" value=\"#" + k + "\">",
      // The players' full-screen button only works where the page allows it,
      // in the plug-in and in the browser-side player alike.
      "<param name=\"allowFullScreen\" value=\"true\">",
      "<embed name=\"ZFO\" src=\"" + n + "?265006334\" width=\"" + w + "\" height=\"" + h +
          "\" type=\"application/x-shockwave-flash\" pluginspage=\"" + kPluginsPage +
          "\" allowfullscreen=\"true\">",
      "</object>",
      "</main>",
      "</body>",
      "</html>",
  };
  lines.insert(lines.end(), body.begin(), body.end());
  return lines;
}

std::string HtmlPagePath(const std::string& outputFile) {
  return outputFile.substr(0, outputFile.size() >= 3 ? outputFile.size() - 3 : 0) + "html";
}

void WriteHtmlPage(const std::string& movieFile, const TSWFParam& param,
                   const THtmlPageOptions& options) {
  const std::string page = HtmlPagePath(param.OutputFile);
  // The player's files first: a page is only written once what it loads is there.
  if (options.RuffleLoader && options.LoaderBesidePage) {
    if (std::string problem = LocalLoaderProblem(); !problem.empty()) throw std::runtime_error(problem);
    const std::vector<fs::path> files = LoaderFilesIn(AppPath(kLocalLoaderFolder));
    const fs::path to = fs::path(page).parent_path() / kLocalLoaderFolder;
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) throw std::runtime_error("cannot make the folder " + to.string() + ": " + ec.message());
    for (const fs::path& file : files) {
      TOutputFile out((to / file.filename()).string());
      out.CopyFrom(file.string());
      out.Commit();
    }
  }
  std::string text;
  for (const std::string& line : HtmlPageLines(movieFile, param, options)) text += line + "\r\n";
  WriteWholeFile(page, text);
}

std::string LocalLoaderProblem() {
  const fs::path from = AppPath(kLocalLoaderFolder);
  std::error_code ec;
  if (fs::is_regular_file(from / "ruffle.js", ec)) return "";
  return "the player's files are not in the data folder: " + from.string();
}

std::vector<std::string> PageLoaderFiles(const std::string& pagePath) {
  std::ifstream in(pagePath, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.find(std::string("<script src=\"") + kLocalLoaderScript + "\"") == std::string::npos)
    return {};
  std::vector<std::string> files;
  for (const fs::path& file : LoaderFilesIn(fs::path(pagePath).parent_path() / kLocalLoaderFolder))
    files.push_back(file.string());
  return files;
}

}  // namespace reelcast
