#include "movie/ProportionalSprite.h"

#include "movie/ScriptCompiler.h"

namespace reelcast {

namespace {

constexpr char kKeepProportions[] = R"AS(
var rcSx = 1;
var rcSy = 1;
var rcUp = this._parent;
while (rcUp != undefined) {
  rcSx = rcSx * Math.abs(rcUp._xscale) / 100;
  rcSy = rcSy * Math.abs(rcUp._yscale) / 100;
  rcUp = rcUp._parent;
}
if (rcSx > 0 && rcSy > 0) {
  if (rcSx > rcSy) {
    this._xscale = 100 * rcSy / rcSx;
    this._yscale = 100;
  } else {
    this._xscale = 100;
    this._yscale = 100 * rcSx / rcSy;
  }
}
)AS";

}  // namespace

TFlashSprite* AddProportionalSprite(TFlashMovie& m) {
  TFlashSprite* s = m.AddSprite();
  CompileScript(s->FrameActions(), kKeepProportions);
  return s;
}

}  // namespace reelcast
