#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace reelcast::ui {
namespace {

using TDraw = std::function<void(QPainter&, qreal size)>;

// An icon made of the drawing at the usual sizes, each at 1x and 2x.
QIcon Paint(const TDraw& draw, std::initializer_list<int> sizes = {16, 20, 24, 32, 48, 64, 128}) {
  QIcon icon;
  for (int size : sizes) {
    for (qreal ratio : {1.0, 2.0}) {
      QPixmap pixmap(QSize(size, size) * ratio);
      pixmap.setDevicePixelRatio(ratio);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      draw(p, size);
      p.end();
      icon.addPixmap(pixmap);
    }
  }
  return icon;
}

void Reel(QPainter& p, QPointF c, qreal r, const QColor& body, const QColor& holes) {
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawEllipse(c, r, r);
  p.setBrush(holes);
  for (int k = 0; k < 5; ++k) {
    qreal a = k * 2 * M_PI / 5 - M_PI / 2;
    p.drawEllipse(QPointF(c.x() + std::cos(a) * r * 0.55, c.y() + std::sin(a) * r * 0.55), r * 0.2, r * 0.2);
  }
  p.drawEllipse(c, r * 0.1, r * 0.1);
}

}  // namespace

QIcon AppIcon() {
  static const QIcon icon = Paint([](QPainter& p, qreal s) {
    QLinearGradient g(0, 0, s, s);
    g.setColorAt(0, QColor(0x3b, 0x82, 0xf6));
    g.setColorAt(1, QColor(0x1e, 0x3a, 0x8a));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, s, s).adjusted(s * 0.03, s * 0.03, -s * 0.03, -s * 0.03), s * 0.22, s * 0.22);
    Reel(p, QPointF(s * 0.42, s * 0.46), s * 0.28, QColor(0xf8, 0xfa, 0xfc), QColor(0x1e, 0x40, 0xaf));
    // The film running off the reel.
    QPainterPath film;
    film.moveTo(s * 0.42, s * 0.74);
    film.lineTo(s * 0.86, s * 0.74);
    p.setPen(QPen(QColor(0xfb, 0xbf, 0x24), s * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(film);
  });
  return icon;
}

QIcon LevelIcon(int level) {
  static const QIcon disc = Paint([](QPainter& p, qreal s) {
    QRadialGradient g(QPointF(s * 0.4, s * 0.35), s * 0.6);
    g.setColorAt(0, QColor(0xe2, 0xe8, 0xf0));
    g.setColorAt(0.5, QColor(0xc4, 0xb5, 0xfd));
    g.setColorAt(1, QColor(0x93, 0xc5, 0xfd));
    p.setPen(QPen(QColor(0x64, 0x74, 0x8b), s / 16));
    p.setBrush(g);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.44, s * 0.44);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.12, s * 0.12);
  });
  static const QIcon title = Paint([](QPainter& p, qreal s) {
    // A clapper board.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x33, 0x41, 0x55));
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.36, s * 0.84, s * 0.54), s * 0.08, s * 0.08);
    p.save();
    p.translate(s * 0.08, s * 0.34);
    p.rotate(-12);
    p.drawRoundedRect(QRectF(0, -s * 0.2, s * 0.84, s * 0.18), s * 0.04, s * 0.04);
    p.setBrush(Qt::white);
    for (int k = 0; k < 4; ++k) {
      QPolygonF stripe;
      qreal x = s * (0.06 + k * 0.2);
      stripe << QPointF(x, -s * 0.2) << QPointF(x + s * 0.09, -s * 0.2) << QPointF(x + s * 0.03, -s * 0.02)
             << QPointF(x - s * 0.06, -s * 0.02);
      p.drawPolygon(stripe);
    }
    p.restore();
    p.setBrush(QColor(0x60, 0xa5, 0xfa));
    QPolygonF play;
    play << QPointF(s * 0.42, s * 0.48) << QPointF(s * 0.64, s * 0.63) << QPointF(s * 0.42, s * 0.78);
    p.drawPolygon(play);
  });
  static const QIcon chapter = Paint([](QPainter& p, qreal s) {
    // A film frame.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x47, 0x55, 0x69));
    p.drawRoundedRect(QRectF(s * 0.14, s * 0.1, s * 0.72, s * 0.8), s * 0.08, s * 0.08);
    p.setBrush(QColor(0xbf, 0xdb, 0xfe));
    p.drawRect(QRectF(s * 0.3, s * 0.22, s * 0.4, s * 0.56));
    p.setBrush(Qt::white);
    for (int k = 0; k < 4; ++k) {
      p.drawRect(QRectF(s * 0.18, s * (0.17 + k * 0.19), s * 0.07, s * 0.09));
      p.drawRect(QRectF(s * 0.75, s * (0.17 + k * 0.19), s * 0.07, s * 0.09));
    }
  });
  return level <= 0 ? disc : level == 1 ? title : chapter;
}

QIcon CheckIcon(bool checked) {
  static const QIcon on = Paint([](QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x25, 0x63, 0xeb));
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.2, s * 0.2);
    QPainterPath tick;
    tick.moveTo(s * 0.28, s * 0.52);
    tick.lineTo(s * 0.44, s * 0.67);
    tick.lineTo(s * 0.73, s * 0.34);
    p.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  });
  static const QIcon off = Paint([](QPainter& p, qreal s) {
    p.setPen(QPen(QColor(0x94, 0xa3, 0xb8), s * 0.07));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76), s * 0.18, s * 0.18);
  });
  return checked ? on : off;
}

QIcon GlyphIcon(TGlyph glyph, const QColor& color) {
  return Paint(
      [glyph, color](QPainter& p, qreal s) {
        QPen pen(color, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        switch (glyph) {
          case TGlyph::Close:
            p.drawLine(QPointF(s * 0.25, s * 0.25), QPointF(s * 0.75, s * 0.75));
            p.drawLine(QPointF(s * 0.75, s * 0.25), QPointF(s * 0.25, s * 0.75));
            break;
          case TGlyph::Minimise:
            p.drawLine(QPointF(s * 0.22, s * 0.62), QPointF(s * 0.78, s * 0.62));
            break;
          case TGlyph::Help: {
            QPainterPath q;
            q.moveTo(s * 0.32, s * 0.36);
            q.cubicTo(s * 0.32, s * 0.12, s * 0.7, s * 0.12, s * 0.68, s * 0.36);
            q.cubicTo(s * 0.66, s * 0.52, s * 0.5, s * 0.5, s * 0.5, s * 0.64);
            p.drawPath(q);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(s * 0.5, s * 0.84), s * 0.07, s * 0.07);
            break;
          }
          case TGlyph::About:
            p.drawEllipse(QPointF(s / 2, s / 2), s * 0.4, s * 0.4);
            p.drawLine(QPointF(s * 0.5, s * 0.46), QPointF(s * 0.5, s * 0.72));
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(s * 0.5, s * 0.31), s * 0.065, s * 0.065);
            break;
          case TGlyph::Folder: {
            QPainterPath f;
            f.moveTo(s * 0.1, s * 0.28);
            f.lineTo(s * 0.4, s * 0.28);
            f.lineTo(s * 0.48, s * 0.36);
            f.lineTo(s * 0.9, s * 0.36);
            f.lineTo(s * 0.9, s * 0.8);
            f.lineTo(s * 0.1, s * 0.8);
            f.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPath(f);
            break;
          }
          case TGlyph::Play: {
            QPolygonF t;
            t << QPointF(s * 0.3, s * 0.2) << QPointF(s * 0.8, s * 0.5) << QPointF(s * 0.3, s * 0.8);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPolygon(t);
            break;
          }
          case TGlyph::Pause:
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawRoundedRect(QRectF(s * 0.26, s * 0.2, s * 0.16, s * 0.6), s * 0.04, s * 0.04);
            p.drawRoundedRect(QRectF(s * 0.58, s * 0.2, s * 0.16, s * 0.6), s * 0.04, s * 0.04);
            break;
          case TGlyph::Stop:
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawRoundedRect(QRectF(s * 0.24, s * 0.24, s * 0.52, s * 0.52), s * 0.06, s * 0.06);
            break;
        }
      },
      {12, 14, 16, 20, 24, 32});
}

}  // namespace reelcast::ui
