// The program's folders. Every folder path carries a trailing '/'.
//
// AppFolder: the read-only data root, the folder that holds "Sys.Dat" (the
// build tree's data/ folder or the installed share folder).
// User folder: where everything the program writes lives ("temp/",
// "Output/", "Snapshot/", URL histories, the log, the settings file):
// $REELCAST_HOME when set, else AppFolder when writable, else the XDG data
// folder.
#pragma once

#include <string>
#include <string_view>

namespace reelcast {

extern std::string AppFolder;   // set by InitFolders
extern std::string TempFolder;  // UserFolder() + "temp/"

// Resolves AppFolder and the user folder, creates "temp/" and "Snapshot/"
// when missing. Throws std::runtime_error with a clear message when the user
// folder cannot be created or written.
void InitFolders();
std::string UserFolder();
// Where screen savers are installed: UserFolder() + "ScreenSavers/".
std::string ScreenSaverFolder();

// Resolves a relative name written the Windows way ("res\Control Bar\x.swf",
// "Res\frm_Top.jpg") under base, component by component, without regard to
// case. Returns the existing path when found, else the name joined to base
// with '/' separators.
std::string ResolveRelative(const std::string& base, std::string_view relative);
// ResolveRelative(AppFolder, relative).
std::string AppPath(std::string_view relative);

}  // namespace reelcast
