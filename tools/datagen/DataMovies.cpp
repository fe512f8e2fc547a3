// The data movies of the program: the control-bar button movies of every
// style (with the style's ".ini") and the animated preloader sprites.
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DataGen.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "publish/OutputFile.h"

namespace reelcast::datagen {

namespace {

namespace fs = std::filesystem;

uint32_t Rgb(uint32_t rrggbb, uint8_t alpha = 255) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16) |
         (static_cast<uint32_t>(alpha) << 24);
}

std::unique_ptr<TFlashMovie> NewMovie(int w, int h, float fps) {
  auto m = std::make_unique<TFlashMovie>(0, 0, w, h, fps, true);
  m->SetVersion(8);
  return m;
}

void Save(TFlashMovie& m, const fs::path& path) {
  m.MakeStream();
  SaveThroughScratch(path.string(), [&](const std::string& scratch) { m.SaveToFile(scratch); });
}

// A closed polygon filled with one colour.
TFlashShape* Polygon(TFlashMovie& m, const std::vector<TPoint32>& points, uint32_t rgba) {
  TFlashShape* s = m.AddShape();
  int32_t l = points[0].X, t = points[0].Y, r = l, b = t;
  for (const TPoint32& p : points) {
    l = std::min(l, p.X), t = std::min(t, p.Y), r = std::max(r, p.X), b = std::max(b, p.Y);
  }
  s->SetBounds(l, t, r, b);
  s->Edges.MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) s->Edges.LineTo(points[i].X, points[i].Y);
  s->Edges.ClosePath();
  s->AddSolidFill(rgba);
  return s;
}

// A control-bar style: its button pictures and, in its ".ini", how the bar
// around them is laid out and painted.
struct TBarStyleLook {
  const char* Name;
  std::vector<uint32_t> Face;  // none: the glyph alone; one colour: solid; more: a gradient
  uint32_t Glyph;
  uint32_t Outline;            // a rim around a bare glyph, so it reads on any picture
  bool Round;                  // a circular face rather than a rounded square
  const char* Layout;          // strip, pill or corner
  const char* Panel;           // RRGGBB
  int PanelAlpha;              // percent
  const char* Highlight;       // RRGGBB of the plate behind a button under the pointer
  int HighlightAlpha;
};

enum class TGlyph { Play, Pause, Stop };

constexpr int kButtonSize = 32;

// The glyph's polygons in a 32 x 32 button: k is half the glyph's height
// (larger for a bare glyph than on a face), d grows every polygon by d
// pixels on each side (for the rim drawn under a bare glyph).
std::vector<std::vector<TPoint32>> GlyphShapes(TGlyph glyph, int k, int d) {
  const int c = kButtonSize / 2;
  const int bar = k * 4 / 7;  // the width of a pause bar
  switch (glyph) {
    case TGlyph::Play:
      return {{{c - k * 3 / 4 - d, c - k - d}, {c + k + d, c}, {c - k * 3 / 4 - d, c + k + d}}};
    case TGlyph::Pause:
      return {{{c - k + 1 - d, c - k - d}, {c - k + 1 + bar + d, c - k - d}, {c - k + 1 + bar + d, c + k + d},
               {c - k + 1 - d, c + k + d}},
              {{c + k - 1 - bar - d, c - k - d}, {c + k - 1 + d, c - k - d}, {c + k - 1 + d, c + k + d},
               {c + k - 1 - bar - d, c + k + d}}};
    case TGlyph::Stop: {
      const int s = k * 6 / 7;
      return {{{c - s - d, c - s - d}, {c + s + d, c - s - d}, {c + s + d, c + s + d}, {c - s - d, c + s + d}}};
    }
  }
  return {};
}

// One button movie: 32 x 32 pixels, the face (if any) and the glyph.
void ButtonMovie(const TBarStyleLook& look, TGlyph glyph, const fs::path& path) {
  auto m = NewMovie(kButtonSize, kButtonSize, 12);
  uint16_t depth = 1;
  if (!look.Face.empty()) {
    TFlashShape* face = look.Round ? m->AddCircle(16, 16, 15) : m->AddRoundRect(1, 1, 31, 31, 7);
    if (look.Face.size() == 1) face->AddSolidFill(look.Face[0]);
    else face->AddGradientFill(look.Face, 270);
    m->PlaceObject(face, depth++);
  } else {
    for (const auto& points : GlyphShapes(glyph, 10, 1))
      m->PlaceObject(Polygon(*m, points, look.Outline), depth++);
  }
  const int k = look.Face.empty() ? 10 : 7;
  for (const auto& points : GlyphShapes(glyph, k, 0)) m->PlaceObject(Polygon(*m, points, look.Glyph), depth++);
  m->ShowFrame(1);
  Save(*m, path);
}

void ControlBars(const fs::path& folder) {
  const TBarStyleLook looks[] = {
      // White glyphs on a shaded band along the bottom edge.
      {"Classic", {}, Rgb(0xFFFFFF), Rgb(0x000000, 110), false, "strip", "000000", 78, "FFFFFF", 22},
      // White glyphs on blue discs in a navy pill.
      {"Ocean", {Rgb(0x2F80ED), Rgb(0x1A5FC8)}, Rgb(0xFFFFFF), 0, true, "pill", "0B2545", 82,
       "8EC5FF", 35},
      // Dark glyphs on amber keys in a charcoal corner panel.
      {"Ember", {Rgb(0xFBBF24), Rgb(0xF59E0B)}, Rgb(0x1C1917), 0, false, "corner", "1C1917", 85,
       "FDE68A", 30},
      // Slate glyphs in a light frosted pill.
      {"Frost", {}, Rgb(0x1F2937), Rgb(0xFFFFFF, 90), false, "pill", "F8FAFC", 82, "1F2937", 16},
  };
  for (const TBarStyleLook& look : looks) {
    const std::string base = (folder / look.Name).string();
    ButtonMovie(look, TGlyph::Play, base + ".play.swf");
    ButtonMovie(look, TGlyph::Pause, base + ".Pause.swf");
    ButtonMovie(look, TGlyph::Stop, base + ".Stop.swf");
    WriteWholeFile(base + ".ini", std::string("[ControlBar]\nName=") + look.Name +
                                      "\nButtons=play,Pause,Stop\nLayout=" + look.Layout +
                                      "\nPanel=" + look.Panel + "\nPanelAlpha=" +
                                      std::to_string(look.PanelAlpha) + "\nHighlight=" +
                                      look.Highlight + "\nHighlightAlpha=" +
                                      std::to_string(look.HighlightAlpha) + "\n");
  }
}

// Eight dots on a ring; a bright dot runs round them.
void Spinner(const fs::path& path) {
  auto m = NewMovie(64, 64, 12);
  const double pi = std::acos(-1.0);
  TFlashShape* dim = m->AddCircle(0, 0, 5);
  dim->AddSolidFill(Rgb(0x8A94A3));
  TFlashShape* bright = m->AddCircle(0, 0, 6);
  bright->AddSolidFill(Rgb(0x2F80ED));
  auto at = [&](int k) {
    return TPoint32{static_cast<int32_t>(std::lround(32 + 22 * std::cos(k * pi / 4))),
                    static_cast<int32_t>(std::lround(32 + 22 * std::sin(k * pi / 4)))};
  };
  for (int k = 0; k < 8; ++k) m->PlaceObject(dim, static_cast<uint16_t>(k + 1))->SetTranslate(at(k).X, at(k).Y);
  for (int k = 0; k < 8; ++k) {
    if (k > 0) m->RemoveObject(9);
    m->PlaceObject(bright, 9)->SetTranslate(at(k).X, at(k).Y);
    m->ShowFrame(1);
  }
  Save(*m, path);
}

// A ring that grows and fades.
void Pulse(const fs::path& path) {
  auto m = NewMovie(80, 80, 12);
  TFlashShape* ring = m->AddCircle(0, 0, 36);
  ring->SetLine(4, Rgb(0x4CD964));
  TFlashShape* core = m->AddCircle(0, 0, 10);
  core->AddSolidFill(Rgb(0x4CD964));
  m->PlaceObject(core, 1)->SetTranslate(40, 40);
  for (int k = 0; k < 10; ++k) {
    if (k > 0) m->RemoveObject(2);
    TFlashPlaceObject* p = m->PlaceObject(ring, 2);
    p->SetTranslate(40, 40);
    const float s = 0.3f + 0.07f * k;
    p->SetScale(s, s);
    p->ColorTransform().SetAddA(-22 * k);
    m->ShowFrame(1);
  }
  Save(*m, path);
}

// A full background of 480 x 360: a dark gradient with a light band that
// sweeps across it.
void Backdrop(const fs::path& path) {
  auto m = NewMovie(480, 360, 12);
  TFlashShape* back = m->AddRectangle(0, 0, 480, 360);
  back->AddGradientFill({Rgb(0x0B1A33), Rgb(0x24406E)}, 270);
  m->PlaceObject(back, 1);
  TFlashShape* band = m->AddRectangle(0, 0, 60, 360);
  band->AddGradientFill({Rgb(0xFFFFFF, 0), Rgb(0xFFFFFF, 70), Rgb(0xFFFFFF, 0)}, 0);
  for (int k = 0; k < 12; ++k) {
    if (k > 0) m->RemoveObject(2);
    m->PlaceObject(band, 2)->SetTranslate(-60 + k * 50, 0);
    m->ShowFrame(1);
  }
  Save(*m, path);
}

// The side animation of the conversion window: a film reel turning and its
// strip running down, 140 x 270 pixels, looping every two seconds.
void ConverterAnimation(const fs::path& path) {
  constexpr int kW = 140, kH = 270, kFrames = 24;
  auto m = NewMovie(kW, kH, 12);
  const double pi = std::acos(-1.0);
  TFlashShape* back = m->AddRectangle(0, 0, kW, kH);
  back->AddGradientFill({Rgb(0xFFFFFF), Rgb(0xE4ECF7)}, 270);
  TFlashShape* strip = m->AddRectangle(46, 96, 94, kH);
  strip->AddSolidFill(Rgb(0x2B3A55));
  TFlashShape* sprocket = m->AddRoundRect(0, 0, 6, 7, 2);
  sprocket->AddSolidFill(Rgb(0xE4ECF7));
  const uint32_t pictureColours[] = {Rgb(0x5AB4F0), Rgb(0xF5B841), Rgb(0x6CCB7A)};
  TFlashShape* pictures[3];
  for (int c = 0; c < 3; ++c) {
    pictures[c] = m->AddRoundRect(0, 0, 26, 20, 3);
    pictures[c]->AddSolidFill(pictureColours[c]);
  }
  TFlashShape* reel = m->AddCircle(70, 74, 48);
  reel->SetLine(3, Rgb(0x1B263B));
  reel->AddGradientFill({Rgb(0x4A5F85), Rgb(0x2B3A55)}, 270);
  TFlashShape* hole = m->AddCircle(0, 0, 12);
  hole->AddSolidFill(Rgb(0xE4ECF7));
  TFlashShape* hub = m->AddCircle(70, 74, 7);
  hub->AddSolidFill(Rgb(0xC9D6E8));

  m->PlaceObject(back, 1);
  m->PlaceObject(strip, 2);
  // The strip moves 84 pixels per loop: six sprocket steps of 14, three
  // pictures of 28, so the last frame runs into the first without a jump.
  std::vector<uint16_t> placed;
  for (int f = 0; f < kFrames; ++f) {
    for (uint16_t depth : placed) m->RemoveObject(depth);
    placed.clear();
    const int shift = f * 84 / kFrames;
    uint16_t depth = 10;
    for (int i = -6; i * 14 + shift < kH; ++i) {
      const int y = 100 + i * 14 + shift;
      if (y < 96) continue;
      m->PlaceObject(sprocket, depth)->SetTranslate(49, y), placed.push_back(depth++);
      m->PlaceObject(sprocket, depth)->SetTranslate(85, y), placed.push_back(depth++);
    }
    for (int i = -3; i * 28 + shift < kH; ++i) {
      const int y = 104 + i * 28 + shift;
      if (y < 96) continue;
      TFlashShape* picture = pictures[((i % 3) + 3) % 3];
      m->PlaceObject(picture, depth)->SetTranslate(57, y), placed.push_back(depth++);
    }
    // The reel turns one hole spacing (72 degrees) per loop.
    m->PlaceObject(reel, depth), placed.push_back(depth++);
    for (int k = 0; k < 5; ++k) {
      const double a = (k * 72.0 + f * 72.0 / kFrames) * pi / 180;
      m->PlaceObject(hole, depth)
          ->SetTranslate(static_cast<int32_t>(std::lround(70 + 27 * std::cos(a))),
                         static_cast<int32_t>(std::lround(74 + 27 * std::sin(a))));
      placed.push_back(depth++);
    }
    m->PlaceObject(hub, depth), placed.push_back(depth++);
    m->ShowFrame(1);
  }
  Save(*m, path);
}

}  // namespace

void WriteDataMovies(const std::string& dataFolder) {
  const fs::path data = dataFolder;
  fs::create_directories(data / "res" / "Control Bar");
  fs::create_directories(data / "res" / "Preloaders");
  ControlBars(data / "res" / "Control Bar");
  Spinner(data / "res" / "Preloaders" / "Spinner.swf");
  Pulse(data / "res" / "Preloaders" / "Pulse.swf");
  Backdrop(data / "res" / "Preloaders" / "Night Sweep.swf");
  ConverterAnimation(data / "res" / "ConverterShow.swf");
}

}  // namespace reelcast::datagen
