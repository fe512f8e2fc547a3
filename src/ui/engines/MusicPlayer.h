// The module's music player: one file to the default output through Qt
// Multimedia's media player.
#pragma once

#include <memory>

#include "ui/Engines.h"

namespace reelcast::ui {

std::unique_ptr<TMusicPlayer> MakeMediaMusicPlayer(QObject* parent, TMusicPlayer::TCallbacks callbacks);

}  // namespace reelcast::ui
