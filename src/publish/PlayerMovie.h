// Player-template movies: a ready-made video player (its skin and controls,
// an SWF of "templates/Players/") and the shared script movie "as.swf" are
// imported as sprites; the job's FLV is either embedded or travels beside
// the movie, and the job's playback settings reach the player's scripts as
// _global variables before its initPlayer function is called.
#pragma once

#include <string>

#include "convert/JobRecord.h"

namespace reelcast {

// AppFolder + "templates/Players/".
std::string PlayerFolder();

// The pixels a player adds below the video ("Height", 42 when missing) and
// beside it ("Width", 1), from the template's ".ini" section "PlayerInfo".
struct TPlayerFrame {
  int32_t Height = 42;
  int32_t Width = 1;
};
TPlayerFrame ReadPlayerFrame(const std::string& templateName);

// Builds swfPath from the FLV and the player template. The FLV is first
// copied to swfPath's name with ".flv" (the file the external player plays,
// and what the embedded movie is made from). A missing player, "as.swf" or
// FLV is logged and nothing is written (false). Unless preview, the end URL,
// the click URL and the link of param are added. The movie and the copy are
// complete or absent: both are written under scratch names and renamed.
// Errors of the builder (a player file that is no movie) and write errors
// (a full disk) throw.
bool MakePlayerMovie(const std::string& flvPath, const std::string& templateName,
                     const std::string& swfPath, bool preview, const TSWFParam& param);

// True when the movie at swfPath is a player movie that plays the FLV
// beside it (the ".flv" of its own name) rather than video inside it: its
// frame script sets g_flvURL from the FLV's name. False for any other file.
bool MovieLinksFlv(const std::string& swfPath);

// The movie the template page shows for a player: "SampleFlv.flv" of the
// player folder played by the template, at 320 x 240 when preview is set.
// It is written to TempFolder + "SampleFlv.swf" (the data folder may be
// read-only), with the sample's copy beside it; returns that path, or an
// empty string when nothing was written.
std::string MakePlayerPreview(const std::string& templateName, bool preview,
                              const TSWFParam& param);

}  // namespace reelcast
