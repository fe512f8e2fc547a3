// The general templates of "templates/24/": for each design a template
// movie whose trailer names the window ("ImageArea") through which the
// video is seen, and the backgrounds of its opening and ending title
// movies. Everything runs at 24 frames per second. The template is drawn
// around its window and never over it, since the video lies beneath it.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DataGen.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashSprite.h"
#include "movie/ProportionalSprite.h"
#include "publish/OutputFile.h"
#include "swf/Records.h"

namespace reelcast::datagen {

namespace {

namespace fs = std::filesystem;

constexpr float kFps = 24;
// The title backgrounds: the titles are centred at x = 300 and stacked from
// y = 100 down, so the parts are 600 x 450.
constexpr int kPartWidth = 600;
constexpr int kPartHeight = 450;
const double kPi = std::acos(-1.0);

uint32_t Rgb(uint32_t rrggbb, uint8_t alpha = 255) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16) |
         (static_cast<uint32_t>(alpha) << 24);
}

std::unique_ptr<TFlashMovie> NewMovie(int w, int h) {
  auto m = std::make_unique<TFlashMovie>(0, 0, w, h, kFps, true);
  m->SetVersion(8);
  return m;
}

void Save(TFlashMovie& m, const std::string& path) {
  m.MakeStream();
  SaveThroughScratch(path, [&](const std::string& scratch) { m.SaveToFile(scratch); });
}

// Saves the template movie with its trailer: the XML, its length (32-bit
// little-endian) and "KRWP".
void SaveWithTrailer(TFlashMovie& m, const std::string& path, const std::string& xml);

void SaveTemplate(TFlashMovie& m, const std::string& path, const std::string& name, int left,
                  int top, int right, int bottom) {
  const std::string xml = "<Template name=\"" + name + "\" fps=\"24\"><ImageArea left=\"" +
                          std::to_string(left) + "\" top=\"" + std::to_string(top) +
                          "\" right=\"" + std::to_string(right) + "\" bottom=\"" +
                          std::to_string(bottom) + "\"/></Template>";
  SaveWithTrailer(m, path, xml);
}

// A title background that says where its titles may go (the free part of
// the design, in its pixels), in the same kind of trailer.
void SavePart(TFlashMovie& m, const std::string& path, int left, int top, int right, int bottom) {
  const std::string xml = "<TitlePart><TitleArea left=\"" + std::to_string(left) + "\" top=\"" +
                          std::to_string(top) + "\" right=\"" + std::to_string(right) + "\" bottom=\"" +
                          std::to_string(bottom) + "\"/></TitlePart>";
  SaveWithTrailer(m, path, xml);
}

void SaveWithTrailer(TFlashMovie& m, const std::string& path, const std::string& xml) {
  m.MakeStream();
  TOutputFile out(path);
  const std::string movie = out.ScratchPath() + ".swf";
  m.SaveToFile(movie);
  out.CopyFrom(movie);
  std::error_code ec;
  fs::remove(movie, ec);
  out.Write(xml);
  out.WriteUInt32LE(static_cast<uint32_t>(xml.size()));
  out.Write("KRWP");
  out.Commit();
}

TFlashShape* Polygon(TFlashMovie& m, const std::vector<TPoint32>& points) {
  TFlashShape* s = m.AddShape();
  int32_t l = points[0].X, t = points[0].Y, r = l, b = t;
  for (const TPoint32& p : points) {
    l = std::min(l, p.X), t = std::min(t, p.Y), r = std::max(r, p.X), b = std::max(b, p.Y);
  }
  s->SetBounds(l, t, r, b);
  s->Edges.MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) s->Edges.LineTo(points[i].X, points[i].Y);
  s->Edges.ClosePath();
  return s;
}

TFlashShape* SolidPolygon(TFlashMovie& m, const std::vector<TPoint32>& points, uint32_t rgba) {
  TFlashShape* s = Polygon(m, points);
  s->AddSolidFill(rgba);
  return s;
}

TFlashShape* Box(TFlashMovie& m, int l, int t, int r, int b, const std::vector<uint32_t>& colors,
                 float angle = 270) {
  TFlashShape* s = m.AddRectangle(l, t, r, b);
  if (colors.size() == 1) s->AddSolidFill(colors[0]);
  else s->AddGradientFill(colors, angle);
  return s;
}

TFlashShape* Disc(TFlashMovie& m, int x, int y, int radius, uint32_t rgba) {
  TFlashShape* s = m.AddCircle(x, y, radius);
  s->AddSolidFill(rgba);
  return s;
}

// A disc of the given radius round the origin of its own sprite, which
// keeps it round.
TFlashSprite* RoundDisc(TFlashMovie& m, int radius, uint32_t rgba) {
  TFlashSprite* s = AddProportionalSprite(m);
  s->PlaceObject(Disc(m, 0, 0, radius, rgba), 1);
  s->ShowFrame(1);
  return s;
}

// The four mitred sides of a picture frame of width band around the window
// (l, t)-(r, b), lit from the top left: light top and left, dark bottom and
// right.
void MitredFrame(TFlashMovie& m, uint16_t& depth, int l, int t, int r, int b, int band,
                 uint32_t light, uint32_t mid, uint32_t dark) {
  const int L = l - band, T = t - band, R = r + band, B = b + band;
  auto side = [&](std::vector<TPoint32> pts, std::vector<uint32_t> colors, float angle) {
    TFlashShape* s = Polygon(m, pts);
    s->AddGradientFill(colors, angle);
    m.PlaceObject(s, depth++);
  };
  side({{L, T}, {R, T}, {r, t}, {l, t}}, {light, mid}, 270);
  side({{L, T}, {l, t}, {l, b}, {L, B}}, {light, mid}, 0);
  side({{R, T}, {R, B}, {r, b}, {r, t}}, {mid, dark}, 0);
  side({{L, B}, {l, b}, {r, b}, {R, B}}, {mid, dark}, 270);
}

// The colour at fraction k of the way from a to b (both 0xAABBGGRR).
uint32_t Mix(uint32_t a, uint32_t b, double k) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(ca + (cb - ca) * k)) << shift;
  }
  return out;
}

// The four bands of a backdrop around the window (l, t)-(r, b) of a w x h
// stage, shaded from top to bottom: each band is its own rectangle, so that
// nothing covers the window, with the part of the shading its rows have.
void Surround(TFlashMovie& m, uint16_t& depth, int w, int h, int l, int t, int r, int b,
              uint32_t top, uint32_t bottom) {
  auto at = [&](int y) { return Mix(top, bottom, static_cast<double>(y) / h); };
  m.PlaceObject(Box(m, 0, 0, w, t, {at(0), at(t)}), depth++);
  m.PlaceObject(Box(m, 0, b, w, h, {at(b), at(h)}), depth++);
  m.PlaceObject(Box(m, 0, t, l, b, {at(t), at(b)}), depth++);
  m.PlaceObject(Box(m, r, t, w, b, {at(t), at(b)}), depth++);
}

// ------------------------------------------------------------------ Gallery
// A framed picture on a gallery wall: the video hangs in a gilt frame under
// a lamp, with a name plate beside it. 400 x 300, window (50, 40)-(250, 190).

void GalleryTemplate(const std::string& path) {
  const int W = 400, H = 300, l = 50, t = 40, r = 250, b = 190;
  auto m = NewMovie(W, H);
  uint16_t depth = 1;
  Surround(*m, depth, W, H, l, t, r, b, Rgb(0xEFE4CD), Rgb(0xC9B48F));
  // Wainscot and floor.
  m->PlaceObject(Box(*m, 0, 232, W, 236, {Rgb(0x8A6A44)}), depth++);
  m->PlaceObject(Box(*m, 0, 262, W, H, {Rgb(0x7A5632), Rgb(0x4A321C)}), depth++);
  for (int x = 0; x < W; x += 50) m->PlaceObject(Box(*m, x, 262, x + 2, H, {Rgb(0x3A2614)}), depth++);
  MitredFrame(*m, depth, l, t, r, b, 16, Rgb(0xFBE7A1), Rgb(0xD4A437), Rgb(0x7C5A12));
  // The inner lip of the frame.
  MitredFrame(*m, depth, l, t, r, b, 3, Rgb(0x5E430C), Rgb(0x3E2A06), Rgb(0xF2D27A));
  // The lamp above the frame and its light on the wall.
  m->PlaceObject(Box(*m, 120, 8, 180, 16, {Rgb(0x3A3A3A), Rgb(0x1A1A1A)}), depth++);
  m->PlaceObject(SolidPolygon(*m, {{125, 16}, {175, 16}, {190, 20}, {110, 20}}, Rgb(0xFFF6D8, 160)), depth++);
  // The name plate: brass with engraved lines.
  m->PlaceObject(Box(*m, 278, 96, 372, 140, {Rgb(0xF3D98B), Rgb(0xB98D2C)}), depth++);
  for (int k = 0; k < 3; ++k)
    m->PlaceObject(Box(*m, 290, 106 + 11 * k, 360 - 16 * k, 108 + 11 * k, {Rgb(0x6A4E14)}), depth++);
  // The lamp's glow breathes slowly over two seconds.
  TFlashShape* glow = SolidPolygon(*m, {{110, 20}, {190, 20}, {240, 38}, {60, 38}}, Rgb(0xFFF3C4, 90));
  for (int f = 0; f < 48; ++f) {
    if (f > 0) m->RemoveObject(depth);
    TFlashPlaceObject* p = m->PlaceObject(glow, depth);
    p->ColorTransform().SetMultA(static_cast<int32_t>(std::lround(256 * (0.55 + 0.45 * std::sin(f * kPi / 24)))));
    m->ShowFrame(1);
  }
  SaveTemplate(*m, path, "Gallery", l, t, r, b);
}

// Red velvet curtains opening on a cream panel; the ending draws them
// half-way in again, leaving the middle free for the cast.
void GalleryPart(const std::string& path, bool ending) {
  auto m = NewMovie(kPartWidth, kPartHeight);
  m->PlaceObject(Box(*m, 0, 0, kPartWidth, kPartHeight, {Rgb(0xFFF8E6), Rgb(0xE8D7B0)}), 1);
  // A curtain 300 pixels wide with its folds; each side is this shape
  // squeezed towards its edge.
  const std::vector<uint32_t> folds = {Rgb(0x5E0814), Rgb(0xB5162C), Rgb(0x7A0C1C), Rgb(0xC21A32),
                                       Rgb(0x7A0C1C), Rgb(0xB5162C), Rgb(0x5E0814)};
  TFlashShape* curtain = Box(*m, 0, 0, 300, kPartHeight, folds, 0);
  // The pelmet with its rings, over the curtains.
  const uint16_t pelmet = 10;
  m->PlaceObject(Box(*m, 0, 0, kPartWidth, 26, {Rgb(0x8E1020), Rgb(0x5A0812)}), pelmet);
  uint16_t depth = pelmet + 1;
  TFlashSprite* ring = RoundDisc(*m, 8, Rgb(0xC9A03A));
  for (int x = 0; x < kPartWidth; x += 30) m->PlaceObject(ring, depth++)->SetTranslate(x + 15, 26);
  const int frames = 24;
  for (int f = 0; f < frames; ++f) {
    double k = static_cast<double>(f) / (frames - 1);
    if (ending) k = 1 - 0.5 * k;
    // The width each curtain still covers: all 300 pixels closed, 100 open.
    const double width = 300 - 200 * k;
    if (f > 0) {
      m->RemoveObject(2);
      m->RemoveObject(3);
    }
    m->PlaceObject(curtain, 2)->SetScale(static_cast<float>(width / 300), 1);
    TFlashPlaceObject* right = m->PlaceObject(curtain, 3);
    right->SetScale(static_cast<float>(-width / 300), 1);  // mirrored, anchored at the right edge
    right->SetTranslate(kPartWidth, 0);
    m->ShowFrame(1);
  }
  m->FrameActions().Stop();
  m->ShowFrame(1);
  // The titles stay between the curtains and below the pelmet: the open
  // curtains cover 100 pixels each, the ending's half-closed ones 200.
  const int covered = ending ? 200 : 100;
  SavePart(*m, path, covered + 10, 40, kPartWidth - covered - 10, kPartHeight - 10);
}

// --------------------------------------------------------------- Film Strip
// The video runs in a frame of 35 mm film: perforated black bands above and
// below that travel, and the frame lines at the sides. 480 x 360, window
// (60, 45)-(420, 315).

void FilmStripTemplate(const std::string& path) {
  const int W = 480, H = 360, l = 60, t = 45, r = 420, b = 315;
  auto m = NewMovie(W, H);
  uint16_t depth = 1;
  Surround(*m, depth, W, H, l, t, r, b, Rgb(0x1A1A1A), Rgb(0x080808));
  // Frame lines and the edge print.
  m->PlaceObject(Box(*m, l - 4, t, l, b, {Rgb(0x3A3020)}), depth++);
  m->PlaceObject(Box(*m, r, t, r + 4, b, {Rgb(0x3A3020)}), depth++);
  for (int y = t + 20; y < b - 20; y += 36) {
    m->PlaceObject(Box(*m, 18, y, 26, y + 18, {Rgb(0xD89B2A)}), depth++);
    m->PlaceObject(Box(*m, W - 26, y + 9, W - 18, y + 27, {Rgb(0xD89B2A)}), depth++);
  }
  // The perforations move left by one pitch in twelve frames, then repeat.
  TFlashShape* hole = m->AddRoundRect(0, 0, 16, 12, 3);
  hole->AddSolidFill(Rgb(0xF2EEE4));
  const int pitch = 32;
  const uint16_t first = depth;
  for (int f = 0; f < 12; ++f) {
    const int shift = f * pitch / 12;
    uint16_t d = first;
    for (int x = -pitch; x < W + pitch; x += pitch) {
      for (int y : {16, H - 28}) {
        if (f > 0) m->RemoveObject(d);
        m->PlaceObject(hole, d++)->SetTranslate(x - shift + 8, y);
      }
    }
    m->ShowFrame(1);
  }
  SaveTemplate(*m, path, "Film Strip", l, t, r, b);
}

// A film leader: rings and a cross on warm grey with a sweeping hand; the
// ending adds the strip's perforations at the top and bottom. The rings and
// the hand keep their proportions on a stage of any shape.
void FilmStripPart(const std::string& path, bool ending) {
  auto m = NewMovie(kPartWidth, kPartHeight);
  uint16_t depth = 1;
  m->PlaceObject(Box(*m, 0, 0, kPartWidth, kPartHeight, {Rgb(0xE6E0D2), Rgb(0xB8B0A0)}), depth++);
  const int cx = kPartWidth / 2, cy = kPartHeight / 2;
  m->PlaceObject(Box(*m, cx - 1, 0, cx + 1, kPartHeight, {Rgb(0x8A8272)}), depth++);
  m->PlaceObject(Box(*m, 0, cy - 1, kPartWidth, cy + 1, {Rgb(0x8A8272)}), depth++);
  // The dial, drawn round its centre: the rings and the sweep, a
  // translucent wedge turning once a second.
  TFlashSprite* dial = AddProportionalSprite(*m);
  uint16_t ringDepth = 1;
  for (int radius : {200, 170}) {
    TFlashShape* ring = m->AddCircle(0, 0, radius);
    ring->SetLine(3, Rgb(0x6A6256));
    dial->PlaceObject(ring, ringDepth++);
  }
  const uint16_t sweep = ringDepth;
  TFlashShape* wedge = SolidPolygon(*m, {{0, 0}, {0, -230}, {120, -200}}, Rgb(0x4A4236, 70));
  for (int f = 0; f < 24; ++f) {
    if (f > 0) dial->RemoveObject(sweep);
    TFlashPlaceObject* p = dial->PlaceObject(wedge, sweep);
    const double a = f * 2 * kPi / 24;
    TSWFMatrix& mx = p->PlaceTag->GetMatrix();
    mx.SetScale(static_cast<float>(std::cos(a)), static_cast<float>(std::cos(a)));
    mx.SetSkew(static_cast<float>(-std::sin(a)), static_cast<float>(std::sin(a)));
    dial->ShowFrame(1);
  }
  m->PlaceObject(dial, depth++)->SetTranslate(cx, cy);
  if (ending) {
    m->PlaceObject(Box(*m, 0, 0, kPartWidth, 30, {Rgb(0x141414)}), depth++);
    m->PlaceObject(Box(*m, 0, kPartHeight - 30, kPartWidth, kPartHeight, {Rgb(0x141414)}), depth++);
    TFlashShape* hole = m->AddRoundRect(0, 0, 16, 12, 3);
    hole->AddSolidFill(Rgb(0xF2EEE4));
    for (int x = 8; x < kPartWidth; x += 32) {
      m->PlaceObject(hole, depth++)->SetTranslate(x, 9);
      m->PlaceObject(hole, depth++)->SetTranslate(x, kPartHeight - 21);
    }
  }
  // The part runs as long as one turn of the sweep.
  m->ShowFrame(24);
  // The titles stay clear of the perforated bands of the ending.
  SavePart(*m, path, 20, 40, kPartWidth - 20, kPartHeight - 40);
}

// ------------------------------------------------------------ Spring Meadow
// The video as a window in a bright spring landscape: a pale sky with a sun
// and drifting clouds, green hills below. 480 x 360, window (80, 40)-(400, 280).

void MeadowTemplate(const std::string& path) {
  const int W = 480, H = 360, l = 80, t = 40, r = 400, b = 280;
  auto m = NewMovie(W, H);
  uint16_t depth = 1;
  Surround(*m, depth, W, H, l, t, r, b, Rgb(0x8CCBF2), Rgb(0xF4FBFF));
  m->PlaceObject(RoundDisc(*m, 22, Rgb(0xFFD23F)), depth++)->SetTranslate(440, 34);
  // Hills along the bottom, below the window's frame.
  m->PlaceObject(SolidPolygon(*m, {{0, 300}, {90, 292}, {200, 304}, {320, 290}, {480, 298}, {480, 360}, {0, 360}},
                              Rgb(0x6DBE45)),
                 depth++);
  m->PlaceObject(SolidPolygon(*m, {{0, 328}, {140, 306}, {300, 326}, {480, 308}, {480, 360}, {0, 360}},
                              Rgb(0x3E8E2E)),
                 depth++);
  // Flowers on the hills.
  TFlashSprite* petals[] = {RoundDisc(*m, 4, Rgb(0xFF6FA8)), RoundDisc(*m, 4, Rgb(0xFFFFFF)),
                            RoundDisc(*m, 4, Rgb(0xFFE14D))};
  for (int k = 0; k < 14; ++k)
    m->PlaceObject(petals[k % 3], depth++)->SetTranslate(20 + k * 33, 318 + (k * 7) % 26);
  // A white frame with a soft shadow round the window.
  MitredFrame(*m, depth, l, t, r, b, 8, Rgb(0xFFFFFF), Rgb(0xF0F0F0), Rgb(0xC8D0D8));
  // Clouds drifting across the top band over four seconds.
  TFlashShape* cloud = m->AddShape();
  cloud->SetBounds(0, 0, 70, 26);
  cloud->Edges.MoveTo(0, 26);
  cloud->Edges.CurveTo(0, 8, 18, 12);
  cloud->Edges.CurveTo(26, -6, 44, 8);
  cloud->Edges.CurveTo(66, 0, 70, 26);
  cloud->Edges.ClosePath();
  cloud->AddSolidFill(Rgb(0xFFFFFF, 230));
  const uint16_t c1 = depth, c2 = static_cast<uint16_t>(depth + 1);
  for (int f = 0; f < 96; ++f) {
    if (f > 0) {
      m->RemoveObject(c1);
      m->RemoveObject(c2);
    }
    m->PlaceObject(cloud, c1)->SetTranslate(-70 + (f * 550 / 96), 6);
    m->PlaceObject(cloud, c2)->SetTranslate(W - (f * 550 / 96) % 550 + 20, 300 - 290);
    m->ShowFrame(1);
  }
  SaveTemplate(*m, path, "Spring Meadow", l, t, r, b);
}

// The sky with a sun whose rays turn, and the hills; the ending's sky is
// the warm light of evening.
void MeadowPart(const std::string& path, bool ending) {
  auto m = NewMovie(kPartWidth, kPartHeight);
  uint16_t depth = 1;
  m->PlaceObject(Box(*m, 0, 0, kPartWidth, kPartHeight,
                     ending ? std::vector<uint32_t>{Rgb(0xFFC98A), Rgb(0xFFF3DE)}
                            : std::vector<uint32_t>{Rgb(0xA9D8F5), Rgb(0xF4FBFF)}),
                 depth++);
  m->PlaceObject(SolidPolygon(*m, {{0, 390}, {150, 360}, {320, 385}, {470, 355}, {600, 380}, {600, 450}, {0, 450}},
                              Rgb(0x6DBE45)),
                 depth++);
  m->PlaceObject(SolidPolygon(*m, {{0, 420}, {200, 400}, {420, 422}, {600, 404}, {600, 450}, {0, 450}},
                              Rgb(0x3E8E2E)),
                 depth++);
  // The sun and its rays, round on a stage of any shape.
  const int sx = 70, sy = 60;
  TFlashSprite* sun = AddProportionalSprite(*m);
  sun->PlaceObject(Disc(*m, 0, 0, 30, Rgb(ending ? 0xFF8A3D : 0xFFD23F)), 2);
  TFlashShape* rays = m->AddShape();
  rays->SetBounds(-56, -56, 56, 56);
  for (int k = 0; k < 12; ++k) {
    const double a = k * kPi / 6, d = kPi / 40;
    rays->Edges.MoveTo(static_cast<int32_t>(std::lround(36 * std::cos(a - d))),
                       static_cast<int32_t>(std::lround(36 * std::sin(a - d))));
    rays->Edges.LineTo(static_cast<int32_t>(std::lround(56 * std::cos(a))),
                       static_cast<int32_t>(std::lround(56 * std::sin(a))));
    rays->Edges.LineTo(static_cast<int32_t>(std::lround(36 * std::cos(a + d))),
                       static_cast<int32_t>(std::lround(36 * std::sin(a + d))));
    rays->Edges.ClosePath();
  }
  rays->AddSolidFill(Rgb(ending ? 0xFF9F4A : 0xFFC21F, 210));
  for (int f = 0; f < 24; ++f) {
    if (f > 0) sun->RemoveObject(1);
    TFlashPlaceObject* p = sun->PlaceObject(rays, 1);
    const double a = f * (kPi / 6) / 24;
    TSWFMatrix& mx = p->PlaceTag->GetMatrix();
    mx.SetScale(static_cast<float>(std::cos(a)), static_cast<float>(std::cos(a)));
    mx.SetSkew(static_cast<float>(-std::sin(a)), static_cast<float>(std::sin(a)));
    sun->ShowFrame(1);
  }
  m->PlaceObject(sun, depth)->SetTranslate(sx, sy);
  m->ShowFrame(24);
  Save(*m, path);
}

}  // namespace

void WriteGeneralTemplates(const std::string& dataFolder) {
  const fs::path folder = fs::path(dataFolder) / "templates" / "24";
  fs::create_directories(folder);
  auto at = [&](const std::string& file) { return (folder / file).string(); };
  GalleryTemplate(at("Gallery.template.swf"));
  GalleryPart(at("Gallery.prelude.swf"), false);
  GalleryPart(at("Gallery.endtitle.swf"), true);
  FilmStripTemplate(at("Film Strip.template.swf"));
  FilmStripPart(at("Film Strip.prelude.swf"), false);
  FilmStripPart(at("Film Strip.endtitle.swf"), true);
  MeadowTemplate(at("Spring Meadow.template.swf"));
  MeadowPart(at("Spring Meadow.prelude.swf"), false);
  MeadowPart(at("Spring Meadow.endtitle.swf"), true);
}

}  // namespace reelcast::datagen
