// The program's icons, drawn as vector shapes so that they are crisp at
// every screen scale (no picture files to keep at 1x and 2x).
#pragma once

#include <QColor>
#include <QIcon>

namespace reelcast::ui {

// The program's own icon: a film reel on a blue tile.
QIcon AppIcon();

// The task list's images: by row level (0 the DVD, 1 a title, 2 a chapter),
// and the state images of titles and chapters (checked or not).
QIcon LevelIcon(int level);
QIcon CheckIcon(bool checked);

enum class TGlyph { Close, Minimise, Help, About, Folder, Play, Pause, Stop };
// A one-colour glyph for flat buttons.
QIcon GlyphIcon(TGlyph glyph, const QColor& color = QColor(0x44, 0x4c, 0x5a));

}  // namespace reelcast::ui
