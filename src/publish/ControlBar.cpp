#include "publish/ControlBar.h"

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
#include "publish/ControlBarStyles.h"
#include "swf/ActionsFlow.h"

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

// A bar button: the invisible hit area, and the style movie's sprite half
// transparent for up, over and hit, opaque while pressed.
TFlashButton* BarButton(TFlashMovie& movie, TFlashShape& hit, const std::string& file) {
  TFlashExternalMovie* ext = movie.AddExternalMovie(file, 3, true);
  TFlashButton* b = movie.AddButton(false, true);
  b->AddRecord(&hit, kButtonHit, 1);
  b->AddRecord(ext->AsSprite, kButtonUp | kButtonOver | kButtonHit, 1)->GetColorTransform()
      .SetAddA(-120);
  b->AddRecord(ext->AsSprite, kButtonDown, 1)->GetColorTransform().SetAddA(0);
  return b;
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
  const TControlBarFiles files = ControlBarFiles(param.BarStyle);
  if (!files.AllExist()) {
    NVLog("Add Control Bar:File Not Exists");
    return false;
  }
  const bool wrapped = rp == "_root.ThirdAudio";
  TFlashShape* back = m.AddRoundRect(0, 70, 80, 95, 2);
  back->AddSolidFill(0xFF303030u);
  TFlashSprite* g = m.AddSprite();
  g->FrameActions().Stop();
  g->PlaceObject(back, 0);
  TFlashButton* top = m.AddButton(false, true);
  TFlashPlaceObject* topPlace = g->PlaceObject(top, 1);
  topPlace->SetName("bTop");
  topPlace->SetTranslate(2, 0);
  TFlashShape* hit = m.AddRectangle(0, 0, 100, 100);
  hit->AddSolidFill(255, 0, 255, 0);

  TFlashButton* stop = BarButton(m, *hit, files.Stop);
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
  stopPlace->SetTranslate(48, 70);

  TFlashButton* pause = BarButton(m, *hit, files.Pause);
  {
    TFlashActionScript& as = pause->ReleaseActions();
    as.NextFrame();
    for (const std::string& t : DrivenTimelines(mp, rp))
      OnTarget(as, t, [&] { as.Stop(); });
    SetEnabled(as, "_root.mc_Guide.bStop", true);
  }
  TFlashPlaceObject* pausePlace = g->PlaceObject(pause, 2);
  pausePlace->SetName("bPause");
  pausePlace->SetTranslate(15, 70);
  g->ShowFrame(1);

  g->RemoveObject(2);
  TFlashButton* play = BarButton(m, *hit, files.Play);
  {
    TFlashActionScript& as = play->ReleaseActions();
    as.PreviousFrame();
    for (const std::string& t : DrivenTimelines(mp, rp))
      OnTarget(as, t, [&] { as.Play(); });
    SetEnabled(as, "_root.mc_Guide.bStop", true);
  }
  TFlashPlaceObject* playPlace = g->PlaceObject(play, 2);
  playPlace->SetName("bPlay");
  playPlace->SetTranslate(15, 70);
  g->FrameActions().Stop();
  g->ShowFrame(1);

  TFlashPlaceObject* guide = m.PlaceObject(g, 65535);
  guide->SetName("mc_Guide");
  guide->SetTranslate(m.Width() - 80, m.Height() - 95);
  guide->ColorTransform().SetAddB(125);

  const std::string last = std::to_string(lastFrame);
  // Without auto-play the movie waits at its second frame for a click on
  // Play; after "Replay" it plays on.
  const bool autoPlay = param.ExportSetting && param.ExportSetting->AutoPlay;
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
  m.RemoveObject(65535);
  return true;
}

void AddReplayButton(TFlashMovie& m) {
  TFlashShape* shape = m.AddRoundRect(2, 2, 70, 23, 2);
  shape->SetLine(1, 0xFFB2B2B2u);
  shape->AddSolidFill(0xFFFFFFFFu);
  TFontDescription desc;
  desc.Name = kCaptionFont;
  desc.Height = 12;
  TFlashFont* font = m.AddFont(desc, false);
  TFlashText* text = m.AddText(std::string("Replay"), 0xFF333333u, font, TPoint32{7, 3});
  TFlashSprite* sprite = m.AddSprite();
  sprite->PlaceObject(text, 2)->SetTranslate(14, 3);
  sprite->PlaceObject(shape, 1);
  sprite->ShowFrame(1);
  TFlashButton* b = m.AddButton(false, true);
  b->AddRecord(shape, kButtonHit, 1);
  TSWFColorTransform& up = b->AddRecord(sprite, kButtonUp, 1)->GetColorTransform();
  up.SetAddB(70);
  up.SetAddA(-50);
  TSWFColorTransform& down = b->AddRecord(sprite, kButtonDown, 1)->GetColorTransform();
  down.SetAddR(90);
  down.SetAddG(30);
  down.SetAddB(-20);
  b->AddRecord(sprite, kButtonOver, 1)->GetColorTransform().SetAddB(70);
  TFlashActionScript& as = b->ReleaseActions();
  as.PushVariant(std::string("_global"));
  as.GetVariable();
  as.PushValues({std::string(kReplayedFlag), true});
  as.SetMember();
  as.SetTarget("_root");
  as.Play();
  m.PlaceObject(b, 4)->SetTranslate(m.Width() / 2 - 35, m.Height() / 2 - 11);
}

void RestartOnEntry(TFlashMovie& m, const std::string& spriteName) {
  TFlashActionScript& as = m.FrameActions();
  as.SetTarget(spriteName);
  as.GotoFrame(0);
  as.Play();
  as.SetTarget("");
}

}  // namespace reelcast
