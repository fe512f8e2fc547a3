// reelcast-datagen DATA_DIR: writes the generated data files into DATA_DIR
// (the program's AppFolder). Each file is written whole or not at all.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "DataGen.h"
#include "publish/OutputFile.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: reelcast-datagen DATA_DIR\n");
    return 2;
  }
  const fs::path data = argv[1];
  try {
    fs::create_directories(data / "res" / "Preloaders");
    fs::create_directories(data / "res" / "Control Bar");
    reelcast::WriteWholeFile((data / "res" / "Preloaders" / "ProgressBars.xml").string(),
                             reelcast::datagen::ProgressBarsXml());
    reelcast::datagen::WriteDataMovies(data.string());
    reelcast::datagen::WriteGeneralTemplates(data.string());
    reelcast::datagen::WritePlayerTemplates(data.string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast-datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
