#include "movie/TextEffects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/TextConvert.h"
#include "movie/FlashEdges.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSprite.h"
#include "movie/FlashText.h"

namespace reelcast {
namespace {

// One state of the text at a moment of its animation: its centre in twips
// relative to the frame's centre, its scale, rotation and opacity.
struct TPose {
  double Dx = 0, Dy = 0;
  double ScaleX = 1, ScaleY = 1;
  double Angle = 0;   // degrees, clockwise on screen
  double Alpha = 1;   // 0 .. 1
};

// t runs from 0 (start) to 1 (the text at rest in the frame's centre).
using TPoseFunction = TPose (*)(double t, double frameWidth, double frameHeight);

struct TEffect {
  const char16_t* Name;
  const char16_t* Description;
  TPoseFunction Pose;
};

double EaseOut(double t) { return 1 - (1 - t) * (1 - t); }

const TEffect kEffects[] = {
    {u"MoveDown", u"The text drops in from above the frame",
     [](double t, double, double h) { return TPose{0, -(1 - EaseOut(t)) * h * 0.75}; }},
    {u"MoveUp", u"The text rises in from below the frame",
     [](double t, double, double h) { return TPose{0, (1 - EaseOut(t)) * h * 0.75}; }},
    {u"MoveLeft", u"The text slides in from the right",
     [](double t, double w, double) { return TPose{(1 - EaseOut(t)) * w, 0}; }},
    {u"MoveRight", u"The text slides in from the left",
     [](double t, double w, double) { return TPose{-(1 - EaseOut(t)) * w, 0}; }},
    {u"Rotate", u"The text turns a full circle while it grows",
     [](double t, double, double) {
       double s = 0.1 + 0.9 * t;
       return TPose{0, 0, s, s, 360.0 * (1 - t)};
     }},
    {u"Fade", u"The text fades in",
     [](double t, double, double) { return TPose{0, 0, 1, 1, 0, t}; }},
    {u"Zoom", u"The text grows from a point",
     [](double t, double, double) {
       double s = std::max(0.02, EaseOut(t));
       return TPose{0, 0, s, s};
     }},
    {u"Stretch", u"The text unfolds from a thin line",
     [](double t, double, double) { return TPose{0, 0, std::max(0.02, t), 1}; }},
    {u"FadeZoom", u"The text fades in while it shrinks to size",
     [](double t, double, double) {
       double s = 3.0 - 2.0 * EaseOut(t);
       return TPose{0, 0, s, s, 0, t};
     }},
};

constexpr int kEffectCount = static_cast<int>(sizeof(kEffects) / sizeof(kEffects[0]));

const TEffect* FindEffect(const std::u16string& name) {
  for (const TEffect& e : kEffects)
    if (name == e.Name) return &e;
  return nullptr;
}

// Writes the pose as the placement's whole matrix (twips) and alpha.
// A moved placement without a colour transform keeps the previous one, so
// once a text has been faded every later pose writes its alpha too.
void ApplyPose(TFlashPlaceObject& place, const TPose& pose, double centreX, double centreY,
               bool& faded) {
  double rad = pose.Angle * std::numbers::pi / 180.0;
  double c = std::cos(rad), s = std::sin(rad);
  TSWFMatrix& m = place.PlaceTag->GetMatrix();
  // x' = a x + c y + tx, y' = b x + d y + ty with a rotation following the
  // scale: a = sx cos, b = sx sin, c = -sy sin, d = sy cos.
  m.SetScale(static_cast<float>(pose.ScaleX * c), static_cast<float>(pose.ScaleY * c));
  if (pose.Angle != 0)
    m.SetSkew(static_cast<float>(-pose.ScaleY * s), static_cast<float>(pose.ScaleX * s));
  m.SetTranslate(static_cast<int32_t>(std::lround(centreX + pose.Dx)),
                 static_cast<int32_t>(std::lround(centreY + pose.Dy)));
  if (pose.Alpha < 1) faded = true;
  if (faded) place.ColorTransform().SetMultA(static_cast<int32_t>(std::lround(pose.Alpha * 256)));
}

}  // namespace

int GetDTxtEffectCount() { return kEffectCount; }

bool GetDTxtEffectData(int index, TFTxtEffectForUI* record) {
  if (!record || index < 0 || index >= kEffectCount) return false;
  record->Name = kEffects[index].Name;
  record->Description = kEffects[index].Description;
  return true;
}

TFlashSprite* DoDTextEffect(const std::u16string& effectName, const DTextEffectParam& param) {
  const TEffect* effect = FindEffect(effectName);
  if (!effect) throw ETextEffectError("Unknown text effect: " + Utf16ToUtf8(effectName));
  if (!param.Movie) throw ETextEffectError("No movie for the text effect");
  if (param.FrameWidth <= 0 || param.FrameHeight <= 0)
    throw ETextEffectError("The title frame has no size");
  TFlashMovie& movie = *param.Movie;
  const int32_t unit = movie.Multiplier();
  const int32_t size = std::clamp(param.FontSize, 1, 1000);

  TFontDescription description;
  description.Name = Utf16ToUtf8(param.FontName);
  description.Height = size * 20 / unit;  // the font takes movie units
  description.Bold = param.Bold;
  description.Italic = param.Italic;
  TFlashFont* font = movie.AddFont(description, false);
  // The colour comes as 0x00BBGGRR, the text wants R in the low byte and
  // opaque alpha in the high byte: the same layout with alpha set.
  uint32_t rgba = (param.FontColor & 0x00FFFFFFu) | 0xFF000000u;
  // Centred on the sprite's origin (the baseline sits a third of the size
  // below it), so scaling and turning happen around the text's middle.
  TPoint32 origin{0, static_cast<int32_t>(std::lround(size * 20.0 / 3.0 / unit))};
  TFlashText* text = movie.AddText(param.Text, rgba, font, origin, 2);

  TFlashSprite* sprite = movie.AddSprite();
  const int steps = std::clamp(param.Steps > 0 ? param.Steps : 20, 1, 240);
  const double centreX = param.FrameWidth / 2.0, centreY = param.FrameHeight / 2.0;
  bool faded = false;
  for (int frame = 0; frame <= steps; ++frame) {
    TFlashPlaceObject* place = sprite->PlaceObject(frame == 0 ? text : nullptr, 1);
    if (frame > 0) place->SetMove(true);
    TPose pose = effect->Pose(static_cast<double>(frame) / steps, param.FrameWidth,
                              param.FrameHeight);
    ApplyPose(*place, pose, centreX, centreY, faded);
    sprite->ShowFrame(1);
  }
  // The text then rests in the middle of the frame, and stays there: the
  // sprite stops on its last frame instead of starting the effect again
  // while later lines come in.
  sprite->ShowFrame(static_cast<uint16_t>(2 * steps - 1));
  sprite->FrameActions().Stop();
  sprite->ShowFrame(1);
  return sprite;
}

}  // namespace reelcast
