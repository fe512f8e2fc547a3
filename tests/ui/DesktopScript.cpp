#include "DesktopScript.h"

namespace reelcast::test {

std::string OpenDvdLines() {
  return "answer-path " + DvdFixture().string() + "\n"
         "click btnOpen\n"
         "wait-dvd\n";
}

std::string ConvertLines() {
  return "click btnConvert\n"
         "wait-window frmConverter\n"
         "wait-dialog All conversion tasks have been finished.\n"
         "wait-closed frmConverter\n";
}

fs::path ShotPath(const std::string& name) {
  const fs::path shots = BinaryDir() / "screenshots";
  fs::create_directories(shots);
  return shots / name;
}

std::string ShotLine(const std::string& name) { return "shot " + ShotPath(name).string() + "\n"; }

ProcessResult RunDesktopScript(const std::string& script, const fs::path& work, const fs::path& home,
                               int timeoutSeconds) {
  const fs::path scriptFile = work / "script.txt";
  WriteFile(scriptFile, script);
  ScopedEnv automation("REELCAST_AUTOMATION", scriptFile.string());
  ScopedEnv userFolder("REELCAST_HOME", home.string());
  ScopedEnv noSplash("REELCAST_NO_SPLASH", "1");
  return RunProcess({"xvfb-run", "-a", "-s", "-screen 0 1280x800x24", (BinDir() / "reelcast").string()},
                    timeoutSeconds);
}

}  // namespace reelcast::test
