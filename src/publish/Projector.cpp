#include "publish/Projector.h"

#include <filesystem>
#include <system_error>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/TextConvert.h"
#include "publish/OutputFile.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// Player, movie, signature, movie length.
void WriteAppendedMovie(TOutputFile& out, const std::string& playerPath, const std::string& swfPath,
                        bool logSteps) {
  out.CopyFrom(playerPath);
  if (logSteps) NVLog("function:CteateExeFile Readly Write.");
  uint64_t before = static_cast<uint64_t>(fs::file_size(swfPath));
  if (before > 0xFFFFFFFFull) throw std::runtime_error("Movie too large for a projector: " + swfPath);
  out.CopyFrom(swfPath);
  out.WriteUInt32LE(kProjectorSignature);
  out.WriteUInt32LE(static_cast<uint32_t>(before));
}

// The player program runs the file itself.
void MakeExecutable(const std::string& path) {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
}

}  // namespace

std::string ProjectorPath(const std::string& outputFile) {
  return fs::path(outputFile).replace_extension(".exe").string();
}

bool MakeProjector(const std::string& playerPath, const std::string& swfPath,
                   const TSWFParam& param) {
  if (!IsFile(playerPath) || !IsFile(swfPath)) {
    NVLog("procedure:CteateExeFile; File Not Exists:" + playerPath + " or " + swfPath);
    return false;
  }
  NVLog("procedure:CteateExeFile; File Exists:" + playerPath + " " + swfPath);
  TOutputFile out(ProjectorPath(param.OutputFile));
  WriteAppendedMovie(out, playerPath, swfPath, true);
  out.Commit();
  NVLog("function:CteateExeFile has Write.");
  std::error_code ec;
  MakeExecutable(ProjectorPath(param.OutputFile));
  fs::remove(swfPath, ec);
  NVLog("function:CteateExeFile used end.");
  return true;
}

std::string WriteScreenSaver(const std::string& swf, const std::string& scrPath) {
  const std::string player = AppPath(kProjectorPlayerName);
  if (!IsFile(swf) || !IsFile(player)) {
    NVLog("function:ExportToScreenSaver;File Not Exists:" + player + " or " + swf);
    return "the player program " + player + " or the movie " + swf + " is missing";
  }
  try {
    TOutputFile out(scrPath);
    WriteAppendedMovie(out, player, swf, false);
    out.Commit();
    MakeExecutable(scrPath);
  } catch (const std::exception& e) {
    NVLog(std::string("function:ExportToScreenSaver;") + e.what());
    return e.what();
  }
  return "";
}

int ExportToScreenSaver(const std::u16string& swfPath, int32_t, const std::u16string& scrName,
                        const std::u16string&) {
  // Only the name part counts: the saver always goes into the folder.
  const std::string name = fs::path(Utf16ToUtf8(scrName)).filename().string();
  const std::string swf = Utf16ToUtf8(swfPath);
  if (name.empty() || !IsFile(swf) || !IsFile(AppPath(kProjectorPlayerName))) {
    NVLog("function:ExportToScreenSaver;File Not Exists:" + AppPath(kProjectorPlayerName) + " or " + swf);
    return 1;
  }
  std::error_code ec;
  fs::create_directories(ScreenSaverFolder(), ec);
  return WriteScreenSaver(swf, ScreenSaverFolder() + name).empty() ? 0 : 2;
}

}  // namespace reelcast
