// Stand-alone deliveries of a finished movie: the projector (the player
// program with the movie appended) and the screen saver.
//
// Both files have the same layout: the whole player program, the whole SWF
// movie, the signature 0xFA123456 and the movie's length, each 32-bit
// little-endian. The player finds its movie by these last eight bytes.
#pragma once

#include <cstdint>
#include <string>

#include "app/Paths.h"
#include "convert/JobRecord.h"

namespace reelcast {

inline constexpr uint32_t kProjectorSignature = 0xFA123456;
// The player program every projector starts with, in AppFolder.
inline constexpr char kProjectorPlayerName[] = "SAFlashPlayer.exe";

// The folder of outputFile + its name with the extension ".exe".
std::string ProjectorPath(const std::string& outputFile);

// Writes ProjectorPath(param.OutputFile) from the player program and the
// movie, then deletes the movie. Missing inputs are logged and nothing is
// written (false). The projector is complete or absent; a write error
// throws std::runtime_error and leaves the movie in place.
bool MakeProjector(const std::string& playerPath, const std::string& swfPath,
                   const TSWFParam& param);

// Writes the screen saver scrPath (complete or absent) from the movie swf
// and AppFolder's player program; empty when done, else why not.
std::string WriteScreenSaver(const std::string& swf, const std::string& scrPath);

// The screen-saver export: turns the movie swfPath into the screen saver
// scrName (a file name without folder, ".scr") in ScreenSaverFolder(), with
// the projector layout and AppFolder's player program. mode and the last
// argument are unused. Returns 0 when installed; the job does not use the
// result.
int ExportToScreenSaver(const std::u16string& swfPath, int32_t mode, const std::u16string& scrName,
                        const std::u16string& unused);

}  // namespace reelcast
