// The entry point of libreelcast_engines.so: the table of its parts, asked
// for by Engines() once the module is loaded.
#include <QAudioDevice>
#include <QMediaDevices>

#include "ui/Engines.h"
#include "ui/engines/AudioOutput.h"
#include "ui/engines/MusicPlayer.h"
#include "ui/engines/WebPane.h"

extern "C" __attribute__((visibility("default"))) const reelcast::ui::TEngines* reelcast_engines(unsigned abi) {
  using namespace reelcast::ui;
  if (abi != kEnginesAbi) return nullptr;  // a module of another build
  static const TEngines engines = [] {
    TEngines e;
    e.MakeWebPane = MakeWebEnginePane;
    e.WarmUpWeb = WarmUpWebEngine;
    e.MakeAudioDevice = []() -> std::unique_ptr<reelcast::TAudioDevice> { return std::make_unique<TQtAudioDevice>(); };
    e.MakeMusicPlayer = MakeMediaMusicPlayer;
    e.HasAudioOutput = [] { return !QMediaDevices::defaultAudioOutput().isNull(); };
    return e;
  }();
  return &engines;
}
