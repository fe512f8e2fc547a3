// A sprite whose content keeps its proportions (a circle stays a circle, a
// letter keeps its shape) when a clip above it is stretched unevenly, as a
// template or a title background is when the video is wider or taller than
// the window it was drawn for.
#pragma once

#include "movie/FlashMovie.h"
#include "movie/FlashSprite.h"

namespace reelcast {

// A new sprite of m whose first frame multiplies the horizontal and the
// vertical scales of every clip above it and scales itself so that both
// directions get the smaller of the two, round its own origin. Place it at
// its natural size; unstretched it shows its content as drawn.
TFlashSprite* AddProportionalSprite(TFlashMovie& m);

}  // namespace reelcast
