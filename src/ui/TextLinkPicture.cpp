#include "ui/TextLinkPicture.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "app/Paths.h"
#include "app/TextConvert.h"
#include "movie/FontFace.h"

namespace reelcast::ui {
namespace {

QPointF Point(const TFixedPoint& p, double unit, double x0, double baseline) {
  return {x0 + p.X / 65536.0 * unit, baseline - p.Y / 65536.0 * unit};
}

}  // namespace

QImage RenderTextLink(const TTextLink& link, double scale) {
  std::unique_ptr<TFontFace> face;
  try {
    face = TFontFace::Open(link.FontName.empty() ? "Arial" : link.FontName, link.Bold, link.Italic);
  } catch (const EFontError&) {
    return {};
  }
  std::u16string text = Utf8ToUtf16(link.Text);
  if (text.empty()) text.assign(1, u' ');
  const int32_t size = link.FontSize > 0 ? link.FontSize : 12;
  // Font units of the 1024-unit em to picture pixels.
  const double unit = size * scale / TFontFace::kEm;
  const TFontFace::TExtent extent = face->TextExtent(text);
  const int width = std::max(1, static_cast<int>(std::lround(extent.Width * unit)));
  const int height = std::max(1, static_cast<int>(std::lround(extent.Height * unit)));
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  const double baseline = face->Ascent() * unit;
  double x = 0;
  for (char16_t c : text) {
    const TGlyphOutline glyph = face->Glyph(c);
    for (const TGlyphContour& contour : glyph.Contours) {
      path.moveTo(Point(contour.Start, unit, x, baseline));
      for (const TGlyphSegment& s : contour.Segments) {
        if (s.Curve) path.quadTo(Point(s.Control, unit, x, baseline), Point(s.To, unit, x, baseline));
        else path.lineTo(Point(s.To, unit, x, baseline));
      }
      path.closeSubpath();
    }
    x += face->Advance(c) * unit;
  }
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const uint32_t c = link.Color;
  painter.fillPath(path, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  return image;
}

QImage WriteTextLinkPicture(const TTextLink& link) {
  QImage image = RenderTextLink(link);
  QDir().mkpath(QString::fromStdString(TempFolder));
  if (!image.isNull()) image.save(QString::fromStdString(TempFolder + "TextLinkImage.bmp"), "BMP");
  return image;
}

}  // namespace reelcast::ui
