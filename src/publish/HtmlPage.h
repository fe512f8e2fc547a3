// The HTML page that embeds a published movie: twenty CR LF lines with an
// OBJECT and an EMBED element, written next to the movie.
#pragma once

#include <string>
#include <vector>

#include "convert/JobRecord.h"

namespace reelcast {

// The public loader script of the browser-side player that plays SWF
// movies in current browsers.
inline constexpr char kRuffleLoaderUrl[] = "https://unpkg.com/@ruffle-rs/ruffle";

struct THtmlPageOptions {
  // Adds the loader script in a HEAD element before the body, so that the
  // page plays in browsers without a Flash plug-in. Off by default: the page
  // is then exactly the classic twenty lines.
  bool RuffleLoader = false;
  std::string RuffleLoaderUrl = kRuffleLoaderUrl;
};

// The page's lines (without line ends) for the movie file movieFile (only
// its name part is used) with the background colour of param, as large as
// the stage of the published movie param.OutputFile (the video's size while
// that is not a readable movie).
// The name is percent-encoded where it is written, so any file name (quotes,
// '<', '&', blanks, '#') keeps the page well-formed and still finds the movie.
std::vector<std::string> HtmlPageLines(const std::string& movieFile, const TSWFParam& param,
                                       const THtmlPageOptions& options = {});

// Where the page goes: OutputFile without its last three characters followed
// by "html" ("movie.swf" gives "movie.html").
std::string HtmlPagePath(const std::string& outputFile);

// Writes the page of movieFile to HtmlPagePath(param.OutputFile), each line
// ended by CR LF. The page is complete or absent; a write error throws
// std::runtime_error.
void WriteHtmlPage(const std::string& movieFile, const TSWFParam& param,
                   const THtmlPageOptions& options = {});

}  // namespace reelcast
