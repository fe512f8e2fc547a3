// Snapshots: the current picture of a title written as a BMP or JPEG file
// named after the row's destination name.
#pragma once

#include <string>

#include "platform/TitleFrameReader.h"

namespace reelcast {

// folder + destinationName + "_" + n + ".bmp" or ".jpg", where n is the
// smallest number from 1 up for which neither the ".bmp" nor the ".jpg"
// file exists. folder gets a trailing '/' when it has none.
std::string SnapshotPath(const std::string& folder, const std::string& destinationName, bool jpeg);

// Writes the picture as a 24-bit BMP or a baseline JPEG (quality 90).
// Throws std::runtime_error with the path when the file cannot be written.
void WriteSnapshot(const TRgbImage& image, const std::string& path, bool jpeg);

}  // namespace reelcast
