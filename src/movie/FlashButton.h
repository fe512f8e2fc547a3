// TFlashButton: a button with its state records, its actions (on release
// for an advanced button) and its state sounds, written as DefineButton or
// DefineButton2 and, when it has sounds, DefineButtonSound.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "movie/FlashActionScript.h"
#include "movie/FlashObject.h"
#include "swf/Buttons.h"

namespace reelcast {

class TFlashButton : public TFlashVisualObject {
 public:
  // advanced: DefineButton2 with condition actions, else DefineButton.
  TFlashButton(TFlashMovie* owner, bool advanced, bool trackAsMenu);

  bool Advanced() const { return advanced_; }
  TSWFBasedButton& ButtonTag() { return *buttonTag_; }
  TSWFDefineButtonSound& ButtonSound() { return *buttonSound_; }

  void SetCharacterId(uint16_t id) override;
  // A record showing object at depth in states (Up 1, Down 2, Over 4,
  // HitTest 8: 7 shows it in the visible states, 8 makes it the hit area).
  TSWFButtonRecord* AddRecord(TFlashVisualObject* object, uint8_t states, uint16_t depth);
  // A condition action for the condition numbers 0 .. 8 (3: released over
  // the button). Advanced buttons only; null otherwise.
  TSWFButtonCondAction* AddCondAction(std::initializer_list<int> conditions);
  TSWFButtonCondAction* FindCondAction(int condition, bool create);
  // The action builder, bound to the plain button's actions or to the
  // advanced button's release actions; valid until the next request.
  TFlashActionScript& Actions();
  TFlashActionScript& ReleaseActions();

  uint8_t MinVersion() const override { return advanced_ ? 3 : 1; }
  void WriteToStream(TBitsEngine& be) override;

 private:
  bool advanced_;
  std::unique_ptr<TSWFBasedButton> buttonTag_;
  std::unique_ptr<TSWFDefineButtonSound> buttonSound_;
  std::unique_ptr<TFlashActionScript> actions_;
};

}  // namespace reelcast
