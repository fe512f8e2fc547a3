// TFlashButton: a button character of a movie, written as DefineButton or
// (advanced) DefineButton2 with condition actions, made through
// AddButton. Its records show other characters of the movie in the four
// states (up 1, down 2, over 4, hit area 8).
#pragma once

#include <cstdint>
#include <memory>

#include "movie/FlashActionScript.h"
#include "movie/FlashObject.h"
#include "swf/Buttons.h"

namespace reelcast {

class TFlashMovie;

inline constexpr uint8_t kButtonUp = 1;
inline constexpr uint8_t kButtonDown = 2;
inline constexpr uint8_t kButtonOver = 4;
inline constexpr uint8_t kButtonHit = 8;

class TFlashButton : public TFlashVisualObject {
 public:
  TFlashButton(TFlashMovie* owner, bool advanced, bool trackAsMenu);

  bool Advanced() const { return advanced_; }
  TSWFBasedButton& ButtonTag() { return *tag_; }

  void SetCharacterId(uint16_t id) override;
  // A record showing object in states (a sum of kButton...) at depth; an
  // advanced button's record carries a colour transform with alpha.
  TSWFButtonRecord& AddRecord(const TFlashIDObject& object, uint8_t states, uint16_t depth);
  // Advanced buttons: a new condition action whose conditions are the bits
  // of the given condition numbers (0 to 8).
  TSWFButtonCondAction& AddCondAction(std::initializer_list<int> conditions);
  // The first condition action holding condition (created when asked).
  TSWFButtonCondAction* FindCondAction(int condition, bool create);
  // The action builder bound to the button's actions: the DefineButton's
  // list, or the actions on release (condition 3) of an advanced button.
  TFlashActionScript& Actions();
  TFlashActionScript& ReleaseActions();

  uint8_t MinVersion() const override { return advanced_ ? 3 : 1; }
  void WriteToStream(TBitsEngine& be) override;

 private:
  bool advanced_;
  std::unique_ptr<TSWFBasedButton> tag_;
  TFlashActionScript actions_;
};

// Registers a new button with movie (next character id, Buttons index).
TFlashButton* AddButton(TFlashMovie& movie, bool trackAsMenu, bool advanced);

}  // namespace reelcast
