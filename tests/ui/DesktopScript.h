// What the desktop end-to-end tests share: the real reelcast run under Xvfb
// with an automation script, in a user folder of its own and without the
// splash window, and the script lines most of them start with.
#pragma once

#include <filesystem>
#include <string>

#include "support/TestEnv.h"

namespace reelcast::test {

// The script lines that open the test DVD through btnOpen and wait until
// its titles are listed.
std::string OpenDvdLines();

// The script lines that click Convert and wait until the progress window
// has reported "All conversion tasks have been finished." and closed.
std::string ConvertLines();

// "shot PATH": a screenshot of the screen saved as name in the build
// folder's "screenshots/" (made when missing), for review.
std::string ShotLine(const std::string& name);
// Where ShotLine(name) saves.
std::filesystem::path ShotPath(const std::string& name);

// Writes script to work/"script.txt" and runs reelcast on a 1280 x 800
// screen with it, REELCAST_HOME set to home; returns when the program has
// ended (its last line should be "quit") or after timeoutSeconds.
ProcessResult RunDesktopScript(const std::string& script, const std::filesystem::path& work,
                               const std::filesystem::path& home, int timeoutSeconds = 900);

}  // namespace reelcast::test
