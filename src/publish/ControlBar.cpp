#include "publish/ControlBar.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "app/Config.h"
#include "movie/FlashButton.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashSprite.h"
#include "movie/FlashText.h"
#include "movie/ScriptCompiler.h"
#include "publish/ControlBarStyles.h"
#include "swf/ActionsFlow.h"
#include "swf/SWFStream.h"

namespace reelcast {

namespace {

// Button record states.
constexpr uint8_t kButtonUp = 1;
constexpr uint8_t kButtonDown = 2;
constexpr uint8_t kButtonOver = 4;
constexpr uint8_t kButtonHit = 8;

// The font of the button captions: the system's sans-serif face.
constexpr char kCaptionFont[] = "DejaVu Sans";

void SetEnabled(TFlashActionScript& as, const std::string& target, bool enabled) {
  as.SetTarget("");
  as.SetTarget(target);
  as.PushValues({std::string("enabled"), enabled});
  as.SetVariable();
  as.SetTarget("");
}

// The stage size of a style's button movie, in pixels (24 when unreadable).
int32_t ButtonMovieSize(const std::string& file) {
  try {
    TSWFStreamReader reader(file);
    const int32_t w = (reader.FrameRect.Right - reader.FrameRect.Left) / 20;
    return w > 0 ? w : 24;
  } catch (const std::exception&) {
    return 24;
  }
}

// A bar button of size pixels: the style movie's picture scaled to it; under
// the pointer a plate of the highlight colour lights up behind it and the
// picture brightens; pressed, the plate deepens and the picture sinks a
// little. The hit area is the button's square.
TFlashButton* BarButton(TFlashMovie& m, const TControlBarLook& look, int32_t size,
                        const std::string& file) {
  TFlashExternalMovie* ext = m.AddExternalMovie(file, 3, true);
  const float scale = static_cast<float>(size) / static_cast<float>(ButtonMovieSize(file));
  const int32_t twips = m.Multiplier();
  auto plate = [&](uint32_t rgba) {
    TFlashShape* s = look.Layout == TBarLayout::Pill
                         ? m.AddCircle(size / 2, size / 2, size / 2)
                         : m.AddRoundRect(0, 0, size, size, std::max(3, size / 5));
    s->AddSolidFill(rgba);
    return s;
  };
  const uint32_t alpha = look.Highlight >> 24;
  TFlashShape* hover = plate(look.Highlight);
  TFlashShape* pressed = plate((look.Highlight & 0xFFFFFFu) | (std::min(255u, alpha * 2) << 24));
  TFlashShape* hit = m.AddRectangle(0, 0, size, size);
  hit->AddSolidFill(255, 255, 255, 0);

  TFlashButton* b = m.AddButton(false, true);
  b->AddRecord(hit, kButtonHit, 1);
  b->AddRecord(hover, kButtonOver, 1);
  b->AddRecord(pressed, kButtonDown, 1);
  b->AddRecord(ext->AsSprite, kButtonUp, 2)->GetMatrix().SetScale(scale, scale);
  TSWFButtonRecord* over = b->AddRecord(ext->AsSprite, kButtonOver, 2);
  over->GetMatrix().SetScale(scale, scale);
  TSWFColorTransform& lit = over->GetColorTransform();
  lit.SetAddR(40);
  lit.SetAddG(40);
  lit.SetAddB(40);
  TSWFButtonRecord* down = b->AddRecord(ext->AsSprite, kButtonDown, 2);
  down->GetMatrix().SetScale(scale * 0.9f, scale * 0.9f);
  down->GetMatrix().SetTranslate(size * twips / 20, size * twips / 20);
  return b;
}

// The panel behind the buttons: a band whose shade deepens towards the
// bottom edge, or a rounded panel with a hairline edge.
TFlashShape* BarPanel(TFlashMovie& m, const TControlBarLook& look, const TControlBarLayout& l) {
  const TRect& p = l.Panel;
  if (look.Layout == TBarLayout::Strip) {
    TFlashShape* band = m.AddRectangle(p.Left, p.Top, p.Right, p.Bottom);
    band->AddGradientFill({look.Panel & 0xFFFFFFu, look.Panel}, 270);
    return band;
  }
  const int32_t radius = look.Layout == TBarLayout::Pill ? (p.Bottom - p.Top) / 2 : (p.Bottom - p.Top) / 4;
  TFlashShape* panel = m.AddRoundRect(p.Left, p.Top, p.Right, p.Bottom, radius);
  panel->SetLine(1, (look.Highlight & 0xFFFFFFu) | 0x50000000u);
  panel->AddSolidFill(look.Panel);
  return panel;
}

// The bar shows while the pointer moves over the movie and while the movie
// is paused; after holdFrames frames without a move it fades out, and the
// next move brings it back.
std::string FadeScript(int32_t holdFrames) {
  const std::string hold = std::to_string(holdFrames);
  return R"AS(
if (this.rcIdle == undefined) {
  this.rcIdle = 0;
  this.rcX = this._xmouse;
  this.rcY = this._ymouse;
  this.onEnterFrame = function() {
    if (this._xmouse != this.rcX || this._ymouse != this.rcY) {
      this.rcIdle = 0;
      this.rcX = this._xmouse;
      this.rcY = this._ymouse;
    } else {
      this.rcIdle += 1;
    }
    var a = this._alpha;
    if (this.rcIdle < )AS" + hold + R"AS( || this._currentframe == 2) {
      a = a + 34;
    } else {
      a = a - 12;
    }
    if (a > 100) { a = 100; }
    if (a < 0) { a = 0; }
    this._alpha = a;
  };
}
)AS";
}

// SetTarget "", SetTarget target, then the action.
template <class Action>
void OnTarget(TFlashActionScript& as, const std::string& target, Action action) {
  as.SetTarget("");
  as.SetTarget(target);
  action();
}

// The timelines the bar drives: the root, and the video's own timeline when
// it is not the root's (an empty mainPath: the video plays on the root).
std::vector<std::string> DrivenTimelines(const std::string& mp, const std::string& rp) {
  std::vector<std::string> t = {"_root", rp};
  if (!mp.empty()) t.push_back(mp);
  return t;
}

// The global the "Replay" button sets: the movie then plays again from its
// start instead of halting where a bar without auto-play waits for a click.
constexpr char kReplayedFlag[] = "rcReplayed";

}  // namespace

bool AddControlBar(TFlashMovie& m, uint16_t lastFrame, const std::string& mp,
                   const std::string& rp, const TSWFParam& param) {
  return AddControlBar(m, lastFrame, mp, rp, TRect{0, 0, m.Width(), m.Height()}, param);
}

bool AddControlBar(TFlashMovie& m, uint16_t lastFrame, const std::string& mp,
                   const std::string& rp, const TRect& videoArea, const TSWFParam& param) {
  const TControlBarFiles files = ControlBarFiles(param.BarStyle);
  if (!files.AllExist()) {
    NVLog("Add Control Bar:File Not Exists");
    return false;
  }
  const bool wrapped = rp == "_root.ThirdAudio";
  const TControlBarLook look = ControlBarLook(param.BarStyle);
  const TControlBarLayout layout = LayOutControlBar(look.Layout, videoArea);
  // The bar sprite lies on the stage at (0, 0): its parts are drawn in stage
  // pixels.
  TFlashShape* back = BarPanel(m, look, layout);
  TFlashSprite* g = m.AddSprite();
  g->FrameActions().Stop();
  const float fps = m.GetFPS() > 0 ? m.GetFPS() : 12.0f;
  CompileScript(g->FrameActions(), FadeScript(static_cast<int32_t>(fps * 2.5f + 0.5f)));
  g->PlaceObject(back, 0);
  TFlashButton* top = m.AddButton(false, true);
  TFlashPlaceObject* topPlace = g->PlaceObject(top, 1);
  topPlace->SetName("bTop");
  topPlace->SetTranslate(layout.Panel.Left, layout.Panel.Top);

  TFlashButton* stop = BarButton(m, look, layout.Button, files.Stop);
  {
    TFlashActionScript& as = stop->ReleaseActions();
    as.GotoFrame(2);
    if (!mp.empty()) {
      as.SetTarget("");
      as.SetTarget(mp);
      if (wrapped) as.SetTarget("MainMovie");
      as.GotoLabel("MainMovie");
    }
    as.SetTarget("");
    as.SetTarget(rp);
    as.GotoLabel("MainMovie");
    as.NextFrame();
    if (wrapped) OnTarget(as, "_root", [&] { as.Stop(); });
    if (!mp.empty()) OnTarget(as, mp, [&] { as.GotoFrame(2); });
    SetEnabled(as, "_root.mc_Guide.bStop", false);
  }
  TFlashPlaceObject* stopPlace = g->PlaceObject(stop, 5);
  stopPlace->SetName("bStop");
  stopPlace->SetTranslate(layout.Stop.X, layout.Stop.Y);

  TFlashButton* pause = BarButton(m, look, layout.Button, files.Pause);
  {
    TFlashActionScript& as = pause->ReleaseActions();
    as.NextFrame();
    for (const std::string& t : DrivenTimelines(mp, rp))
      OnTarget(as, t, [&] { as.Stop(); });
    SetEnabled(as, "_root.mc_Guide.bStop", true);
  }
  TFlashPlaceObject* pausePlace = g->PlaceObject(pause, 2);
  pausePlace->SetName("bPause");
  pausePlace->SetTranslate(layout.PlayPause.X, layout.PlayPause.Y);
  g->ShowFrame(1);

  g->RemoveObject(2);
  TFlashButton* play = BarButton(m, look, layout.Button, files.Play);
  {
    TFlashActionScript& as = play->ReleaseActions();
    as.PreviousFrame();
    for (const std::string& t : DrivenTimelines(mp, rp))
      OnTarget(as, t, [&] { as.Play(); });
    SetEnabled(as, "_root.mc_Guide.bStop", true);
  }
  TFlashPlaceObject* playPlace = g->PlaceObject(play, 2);
  playPlace->SetName("bPlay");
  playPlace->SetTranslate(layout.PlayPause.X, layout.PlayPause.Y);
  g->FrameActions().Stop();
  g->ShowFrame(1);

  TFlashPlaceObject* guide = m.PlaceObject(g, 65535);
  guide->SetName("mc_Guide");

  const std::string last = std::to_string(lastFrame);
  // Without auto-play the movie waits at its second frame for a click on
  // Play; after "Replay" it plays on.
  const bool autoPlay = param.ExportSetting && param.ExportSetting->AutoPlay;
  // A script on every frame of the movie: kept as bytes, not as objects.
  const bool asBytes = m.FrameActionsAsBytes;
  m.FrameActionsAsBytes = true;
  for (uint32_t n = 0; n <= lastFrame; ++n) {
    TFlashActionScript& as = m.FrameActions();
    if (n == 1 && !autoPlay) {
      as.PushVariant(std::string("_global"));
      as.GetVariable();
      as.PushVariant(std::string(kReplayedFlag));
      as.GetMember();
      TSWFActionIf* replayed = as.If();
      OnTarget(as, "mc_Guide", [&] { as.NextFrame(); });
      for (const std::string& t : DrivenTimelines(mp, rp))
        OnTarget(as, t, [&] { as.Stop(); });
      SetEnabled(as, "mc_Guide.bStop", true);
      as.AddMarker(replayed->GetMarker(), false);
    }
    OnTarget(as, "mc_Guide", [&] {
      as.PushValues({std::string("ftSwf"), std::to_string(n) + " of " + last});
      as.SetVariable();
    });
    as.SetTarget("");
    m.ShowFrame(1);
  }
  m.FrameActionsAsBytes = asBytes;
  m.RemoveObject(65535);
  return true;
}

void AddReplayButton(TFlashMovie& m) {
  // A dark pill with a light rim, a circular arrow and the caption in white:
  // it reads over light and dark pictures alike. Sized from the stage.
  const int32_t h = std::clamp(std::min(m.Width(), m.Height()) * 15 / 100, 34, 56);
  TFontDescription desc;
  desc.Name = kCaptionFont;
  desc.Height = h * 42 / 100;
  desc.Bold = true;
  TFlashFont* font = m.AddFont(desc, false);
  const TFlashFont::TExtent extent = font->TextExtent(std::string("Replay"));
  const int32_t textW = extent.Width / 20, textH = extent.Height / 20;
  const int32_t r = h * 22 / 100;          // the arrow's radius
  const int32_t stroke = std::max(2, h / 14);
  const int32_t pad = h * 45 / 100;
  const int32_t w = pad + 2 * r + h / 4 + textW + pad;

  auto face = [&](uint32_t fill) {
    TFlashShape* s = m.AddRoundRect(0, 0, w, h, h / 2);
    s->SetLine(2, 0xE6FFFFFFu);
    s->AddSolidFill(fill);
    return s;
  };
  TFlashShape* up = face(0xD9241C18u);      // near-black, 85 %
  TFlashShape* over = face(0xF2EB6325u);    // blue
  TFlashShape* down = face(0xF2AF401Eu);    // deep blue

  // The circular arrow: a ring open at the top right, its head pointing
  // along the ring.
  const double pi = std::acos(-1.0);
  const int32_t cx = pad + r, cy = h / 2;
  TFlashShape* arrow = m.AddShape();
  arrow->SetBounds(cx - r - stroke, cy - r - stroke, cx + r + stroke, cy + r + stroke);
  const double from = -60.0, to = 230.0;
  auto at = [&](double deg, double radius) {
    const double a = deg * pi / 180;
    return TPoint32{static_cast<int32_t>(std::lround(cx + radius * std::cos(a))),
                    static_cast<int32_t>(std::lround(cy + radius * std::sin(a)))};
  };
  const double outer = r + stroke / 2.0, inner = r - stroke / 2.0;
  TPoint32 p0 = at(from, outer);
  arrow->Edges.MoveTo(p0.X, p0.Y);
  for (double d = from + 10; d <= to; d += 10) arrow->Edges.LineTo(at(d, outer).X, at(d, outer).Y);
  for (double d = to; d >= from; d -= 10) arrow->Edges.LineTo(at(d, inner).X, at(d, inner).Y);
  arrow->Edges.ClosePath();
  arrow->AddSolidFill(0xFFFFFFFFu);
  // The head at the ring's open end, pointing clockwise.
  TFlashShape* head = m.AddShape();
  const TPoint32 tip = at(from + 40, r), back1 = at(from, r + stroke * 1.8), back2 = at(from, r - stroke * 1.8);
  head->SetBounds(std::min({tip.X, back1.X, back2.X}), std::min({tip.Y, back1.Y, back2.Y}),
                  std::max({tip.X, back1.X, back2.X}), std::max({tip.Y, back1.Y, back2.Y}));
  head->Edges.MoveTo(back1.X, back1.Y);
  head->Edges.LineTo(tip.X, tip.Y);
  head->Edges.LineTo(back2.X, back2.Y);
  head->Edges.ClosePath();
  head->AddSolidFill(0xFFFFFFFFu);
  TFlashText* text = m.AddText(std::string("Replay"), 0xFFFFFFFFu, font, TPoint32{0, 0});

  TFlashSprite* content = m.AddSprite();
  content->PlaceObject(arrow, 1);
  content->PlaceObject(head, 2);
  content->PlaceObject(text, 3)->SetTranslate(pad + 2 * r + h / 4, (h - textH) / 2);
  content->ShowFrame(1);

  TFlashButton* b = m.AddButton(false, true);
  b->AddRecord(up, kButtonHit | kButtonUp, 1);
  b->AddRecord(over, kButtonOver, 1);
  b->AddRecord(down, kButtonDown, 1);
  b->AddRecord(content, kButtonUp | kButtonOver, 2);
  b->AddRecord(content, kButtonDown, 2)->GetMatrix().SetTranslate(0, m.Multiplier());
  TFlashActionScript& as = b->ReleaseActions();
  as.PushVariant(std::string("_global"));
  as.GetVariable();
  as.PushValues({std::string(kReplayedFlag), true});
  as.SetMember();
  as.SetTarget("_root");
  as.Play();
  m.PlaceObject(b, 4)->SetTranslate((m.Width() - w) / 2, (m.Height() - h) / 2);
}

void RestartOnEntry(TFlashMovie& m, const std::string& spriteName) {
  TFlashActionScript& as = m.FrameActions();
  as.SetTarget(spriteName);
  as.GotoFrame(0);
  as.Play();
  as.SetTarget("");
}

}  // namespace reelcast
