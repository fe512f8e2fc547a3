// The trailer of a general template movie: XML text appended after the SWF
// data, followed by its length (32-bit little-endian) and the magic "KRWP"
// (or "KRWT", which carries no image area). The XML's document element has
// an ImageArea child whose left, top, right and bottom attributes give the
// window of the design, in template pixels, into which the video is set.
// The opening and ending parts may carry the same trailer with a TitleArea
// element instead.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "convert/JobRecord.h"

namespace reelcast {

class ETemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The image area of a template file; all zero when the file is missing or
// unreadable, does not end in "KRWP", carries a length that does not fit
// the file, XML that does not parse, or no ImageArea element.
TImageArea ReadImageArea(const std::string& templatePath);

// Where the titles of an opening or ending part may go, in the part's
// pixels: the TitleArea element of the part's own "KRWP" trailer. All zero
// when the part has none (its whole frame less a margin then serves).
TImageArea ReadTitleArea(const std::string& partPath);

// Throws ETemplateError with a message naming the template when the area
// cannot hold a video: right <= left or bottom <= top (an all-zero area is
// the unreadable template and gets the same treatment).
void CheckImageArea(const TImageArea& area, const std::string& templatePath);

// The SWF's frame size in pixels, each (max - min) / 20 rounded. Returns
// false and leaves width and height unchanged when the file is missing or
// is not an SWF.
bool SwfPixelSize(const std::string& swfPath, int32_t& width, int32_t& height);

}  // namespace reelcast
