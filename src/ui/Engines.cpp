#include "ui/Engines.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <cstdio>

namespace reelcast::ui {

QStringList EngineModuleCandidates() {
  const QString name = QStringLiteral("libreelcast_engines.so");
  const QString dir = QCoreApplication::applicationDirPath();
  // Beside the program in the build tree; in its lib folder once installed.
  return {dir + '/' + name, dir + QStringLiteral("/../" REELCAST_ENGINES_INSTALL_DIR "/") + name};
}

const TEngines* Engines() {
  static const TEngines* engines = []() -> const TEngines* {
    for (const QString& path : EngineModuleCandidates()) {
      if (!QFileInfo(path).isFile()) continue;
      QLibrary module(path);  // stays loaded for the process's life
      if (!module.load()) {
        std::fprintf(stderr, "reelcast: cannot load %s: %s\n", qPrintable(path), qPrintable(module.errorString()));
        return nullptr;
      }
      using TEntry = const TEngines* (*)(unsigned);
      auto entry = reinterpret_cast<TEntry>(module.resolve("reelcast_engines"));
      const TEngines* table = entry ? entry(kEnginesAbi) : nullptr;
      if (!table) std::fprintf(stderr, "reelcast: %s belongs to another build\n", qPrintable(path));
      return table;
    }
    std::fprintf(stderr, "reelcast: libreelcast_engines.so not found: Flash views stay empty, previews silent\n");
    return nullptr;
  }();
  return engines;
}

}  // namespace reelcast::ui
