// The HTML page that embeds a published movie, written next to it: an HTML5
// page that centres the movie at its stage size and scales it down, keeping
// its proportions, in a window narrower or lower than the stage. Inside is
// the classic OBJECT/EMBED pair for browsers with a Flash plug-in; a loader
// script, when asked for, lets the browser-side player take it over.
#pragma once

#include <string>
#include <vector>

#include "convert/JobRecord.h"

namespace reelcast {

// The public loader script of the browser-side player that plays SWF
// movies in current browsers.
inline constexpr char kRuffleLoaderUrl[] = "https://unpkg.com/@ruffle-rs/ruffle";

// The folder beside the page that receives the player's own files when the
// page loads it from there, and the script the page then names.
inline constexpr char kLocalLoaderFolder[] = "ruffle";
inline constexpr char kLocalLoaderScript[] = "ruffle/ruffle.js";

struct THtmlPageOptions {
  // Adds the loader script to the page's head, so that the page plays in
  // browsers without a Flash plug-in. Off by default.
  bool RuffleLoader = false;
  std::string RuffleLoaderUrl = kRuffleLoaderUrl;
  // With RuffleLoader: the player's files are copied from the data folder
  // into kLocalLoaderFolder beside the page, which loads them from there
  // (RuffleLoaderUrl is then not used): the page needs no outside address.
  bool LoaderBesidePage = false;
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
// ended by CR LF, and with LoaderBesidePage the player's files beside it.
// The page is complete or absent; a write error, or player files missing
// from the data folder, throws std::runtime_error.
void WriteHtmlPage(const std::string& movieFile, const TSWFParam& param = SWFParam,
                   const THtmlPageOptions& options = {});

// Why a page cannot load the player from beside itself: "" when the data
// folder holds the player's files, else a sentence naming where they are
// missing.
std::string LocalLoaderProblem();

// The player's files a page loads from beside itself (what WriteHtmlPage
// copied there for LoaderBesidePage), in a stable order; empty when the page
// at pagePath does not load the player that way or is missing. An upload
// sends them with the page.
std::vector<std::string> PageLoaderFiles(const std::string& pagePath);

}  // namespace reelcast
