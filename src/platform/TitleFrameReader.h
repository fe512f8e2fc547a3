// Pictures of a title: the title stream's video decoded with libavcodec,
// the chosen subtitle stream decoded with its program-chain palette and
// burnt in, converted to RGB. The preview and the snapshot writer read their
// pictures here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/TitleStream.h"

namespace reelcast {

// An RGB picture, 3 bytes per pixel, rows top-down without padding.
struct TRgbImage {
  int Width = 0;
  int Height = 0;
  double Time = 0;  // absolute seconds on the title set's time base
  std::vector<uint8_t> Pixels;

  const uint8_t* Pixel(int x, int y) const { return &Pixels[(static_cast<size_t>(y) * Width + x) * 3]; }
};

class TTitleFrameReader {
 public:
  // Reads [start, end) (absolute seconds) of the title that holds start,
  // with the subtitle stream of that index burnt in (out of range: none).
  // Throws ETitleStream.
  TTitleFrameReader(const std::string& ifoPath, double start, double end, int subtitleIndex);
  ~TTitleFrameReader();

  // The next picture shown at or after the range start, in display order;
  // false after the last one.
  bool ReadFrame(TRgbImage* image);
  const TTitleStream& Stream() const;

  struct TImpl;

 private:
  std::unique_ptr<TImpl> impl_;
};

// The picture shown at absolute time t of the title set, with the subtitle
// stream of that index burnt in. Throws ETitleStream when there is none.
TRgbImage ReadFrameAt(const std::string& ifoPath, double t, int subtitleIndex);

}  // namespace reelcast
