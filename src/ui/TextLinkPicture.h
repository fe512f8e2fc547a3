// The text link as a picture, drawn from the same font faces and outlines
// the published movie's text is built from (FreeType through the movie
// builder's font layer), so the link looks and measures in the publish
// settings dialog as it will in the movie: as large as the text's advance
// width by ascent + descent at the font size in pixels, white behind, the
// text at (0, 0) in the link's colour. An empty text is drawn as one blank.
#pragma once

#include <QImage>

#include "convert/JobRecord.h"

namespace reelcast::ui {

// scale: the picture drawn scale times larger (a preview smaller or larger
// than the movie). A font that cannot be found gives a null image.
QImage RenderTextLink(const TTextLink& link, double scale = 1.0);

// Writes the picture at scale 1 to TempFolder + "TextLinkImage.bmp" and
// returns it.
QImage WriteTextLinkPicture(const TTextLink& link);

}  // namespace reelcast::ui
