// The look of the program: the Fusion style with our palette and the style
// sheet "ui/reelcast.qss" of the data folder.
#pragma once

class QApplication;

namespace reelcast::ui {

// Applies the style, palette, font and style sheet to the application.
void ApplyStyle(QApplication& app);

}  // namespace reelcast::ui
