// The small files kept beside the settings, and the file names and
// constants shared across the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace reelcast {

// File and folder names (folders relative to AppFolder, resolved with
// AppPath; "temp/" names relative to TempFolder).
inline constexpr char kPreludeSuffix[] = ".prelude.swf";
inline constexpr char kEndTitleSuffix[] = ".endtitle.swf";
inline constexpr char kTemplateSuffix[] = ".template.swf";
inline constexpr char kGeneralTemplatesFolder[] = "templates\\24\\";
inline constexpr char kPlayerTemplatesFolder[] = "templates\\Players\\";
inline constexpr char kControlBarFolder[] = "res\\Control Bar\\";
inline constexpr char kPreloadersFolder[] = "res\\Preloaders\\";
inline constexpr char kBackgroundMusicFile[] = "BackGroupMusic.mp3";  // in TempFolder
inline constexpr char kSwfExt[] = ".swf";
inline constexpr char kFlvExt[] = ".flv";
inline constexpr char kExeExt[] = ".exe";
inline constexpr char kScrExt[] = ".scr";
// Open and save filters as the file dialogs show them.
inline constexpr char kMusicFilter[] = "Supported File (*.mp3,*.wav)|*.mp3;*.wav";
inline constexpr char kSwfFilter[] = "Flash Files(*.swf)|*.swf";
inline constexpr char kFlvFilter[] = "Flv Files(*.flv)|*.flv";
inline constexpr char kExeFilter[] = "Exe Files (*.exe)|*.exe";
// 100-ns ticks per second, the time unit of the audio libraries.
inline constexpr long long kTimeUnit = 10'000'000;

// The URL histories of the advanced playback dialog: "UrlAddress1.ini"
// (addresses opened on a click) and "UrlAddress2.ini" (opened when playback
// ends), plain text files in the user folder with one address per line, in
// the order they were first used.
enum class TUrlHistory { Clicking = 1, PlayEnd = 2 };
std::string UrlHistoryPath(TUrlHistory which);
// The lines of the file; empty when it does not exist.
std::vector<std::string> LoadUrlHistory(TUrlHistory which);
// What leaving an address box does: a text that is not blank after trimming
// and not yet in items (compared without regard to case) is appended; then
// the whole list is written to the file, replacing it. A blank text changes
// nothing. Returns false when the file could not be written.
bool AddToUrlHistory(TUrlHistory which, std::vector<std::string>& items, std::string_view text);

}  // namespace reelcast
