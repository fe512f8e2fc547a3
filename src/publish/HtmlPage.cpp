#include "publish/HtmlPage.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "publish/OutputFile.h"
#include "publish/PublishUrls.h"
#include "swf/SWFStream.h"

namespace reelcast {

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

}  // namespace

std::vector<std::string> HtmlPageLines(const std::string& movieFile, const TSWFParam& param,
                                       const THtmlPageOptions& options) {
  const std::string k = HexColor(param.BackColor);
  // The object is as large as the movie's stage: a template or a player is
  // larger than the video it shows.
  const auto [stageWidth, stageHeight] = StageSize(param.OutputFile, param);
  const std::string w = std::to_string(stageWidth);
  const std::string h = std::to_string(stageHeight);
  const std::string n =
      HtmlEscape(UrlEncodeFileName(std::filesystem::path(movieFile).filename().string()));
  std::vector<std::string> lines = {
      "<HTML>",
      "<!-- saved from url=(0013)about:internet -->",
      std::string("<!-- Created by Reelcast. ") + kHomePage + " -->",
      "<BODY BGCOLOR=\"#" + k + "\">",
      "<TABLE WIDTH=\"100%\" HEIGHT=\"100%\">",
      "<TR><TD>",
      "<CENTER>",
      "<OBJECT CLASSID=\"CLSID:D27CDB6E-AE6D-11cf-96B8-444553540000\" ",
      std::string("CODEBASE=\"") + kCabinet + "\" ID=\"ZFO\" Width=\"" + w + "\" Height=\"" + h +
          "\">",
      "<PARAM NAME=\"movie\" VALUE=\"" + n + "?265006334\">",
      "<PARAM NAME=\"bgcolor\" VALUE=\"#" + k + "\">",
      "<EMBED NAME=\"ZFO\" SRC=\"" + n + "?265006334\"",
      "WIDTH=\"" + w + "\" HEIGHT=\"" + h +
          "\" TYPE=\"application/x-shockwave-flash\" pluginspage=\"" + kPluginsPage + "\">",
      "</EMBED>",
      "</OBJECT>",
      "</CENTER>",
      "</TD></TR>",
      "</TABLE>",
      "</BODY> ",
      "</HTML> ",
  };
  if (options.RuffleLoader) {
    lines.insert(lines.begin() + 3, "<HEAD><SCRIPT SRC=\"" + HtmlEscape(options.RuffleLoaderUrl) +
                                        "\"></SCRIPT></HEAD>");
  }
  return lines;
}

std::string HtmlPagePath(const std::string& outputFile) {
  return outputFile.substr(0, outputFile.size() >= 3 ? outputFile.size() - 3 : 0) + "html";
}

void WriteHtmlPage(const std::string& movieFile, const TSWFParam& param,
                   const THtmlPageOptions& options) {
  std::string text;
  for (const std::string& line : HtmlPageLines(movieFile, param, options)) text += line + "\r\n";
  WriteWholeFile(HtmlPagePath(param.OutputFile), text);
}

}  // namespace reelcast
