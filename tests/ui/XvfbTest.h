// Helpers of the desktop tests: waiting for a condition while the event loop
// runs, screenshots of what is on the X screen, and small test movies.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

namespace reelcast::test {

// Runs the event loop until pred() holds or the deadline passes; returns
// whether it held.
bool WaitUntil(const std::function<bool()>& pred, int seconds = 60);
// What the screen shows of widget, as a user sees it.
QImage ScreenShot(const QWidget& widget);
// Saves a screenshot for review into the build tree's "screenshots/" folder.
void SaveScreenShot(const QImage& image, const std::string& name);
// A movie of w x h pixels at 12 frames per second, 24 frames: a full
// background of colour rrggbb and a white square crossing its top band.
void WriteSweepMovie(const std::string& path, uint32_t rrggbb, int w = 160, int h = 120);

}  // namespace reelcast::test
