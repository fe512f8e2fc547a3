// The links of published movies: the text link and the image link that open
// a web page in a new window, the invisible click area of player templates
// and the end-of-playback address they open. Every address is normalised
// (NormalizeUrl) before it goes into the byte code.
#pragma once

#include "convert/JobRecord.h"

namespace reelcast {

class TFlashMovie;

// By param.LinkKind: the text link, the image link, or nothing.
void AddLink(TFlashMovie& movie, const TSWFParam& param);
// A button showing the text at depth 65531, at the link's position as
// fractions of the stage; a click opens the URL in a new window.
void AddTextLink(TFlashMovie& movie, const TTextLink& link);
// The picture in a rounded frame as such a button; a missing picture is
// logged ("procedure:MakeSwfURL,File not Exists") and no link is added.
void AddImageLink(TFlashMovie& movie, const TImageLink& link);
// Player templates: when the click URL is on and not empty, an invisible
// button over the stage but its bottom 43 pixels (the player's controls)
// opens it in its target. Depth 65530.
void AddClickUrl(TFlashMovie& movie, const TSWFParam& param);
// Player templates: when the end URL is on, the first frame sets
// _global.g_endURL (and g_endURLTarget when a target is given).
void SetEndUrl(TFlashMovie& movie, const TSWFParam& param);

}  // namespace reelcast
