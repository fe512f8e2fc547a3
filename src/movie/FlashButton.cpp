#include "movie/FlashButton.h"

namespace reelcast {

TFlashButton::TFlashButton(TFlashMovie* owner, bool advanced, bool trackAsMenu)
    : TFlashVisualObject(owner), advanced_(advanced), buttonSound_(std::make_unique<TSWFDefineButtonSound>()) {
  if (advanced) {
    auto tag = std::make_unique<TSWFDefineButton2>();
    tag->TrackAsMenu = trackAsMenu;
    buttonTag_ = std::move(tag);
  } else {
    buttonTag_ = std::make_unique<TSWFDefineButton>();
  }
  actions_ = std::make_unique<TFlashActionScript>(owner);
}

void TFlashButton::SetCharacterId(uint16_t id) {
  TFlashVisualObject::SetCharacterId(id);
  buttonTag_->ButtonId = id;
}

TSWFButtonRecord* TFlashButton::AddRecord(TFlashVisualObject* object, uint8_t states, uint16_t depth) {
  auto record = std::make_unique<TSWFButtonRecord>();
  record->CharacterId = object ? object->GetCharacterId() : 0;
  record->States = states;
  record->Depth = depth;
  TSWFButtonRecord* raw = record.get();
  buttonTag_->Records.push_back(std::move(record));
  return raw;
}

TSWFButtonCondAction* TFlashButton::AddCondAction(std::initializer_list<int> conditions) {
  auto* tag = dynamic_cast<TSWFDefineButton2*>(buttonTag_.get());
  if (!tag) return nullptr;
  auto action = std::make_unique<TSWFButtonCondAction>();
  for (int c : conditions)
    if (c >= 0 && c <= 8) action->Conditions = static_cast<uint16_t>(action->Conditions | (1u << c));
  tag->Actions.push_back(std::move(action));
  return tag->Actions.back().get();
}

TSWFButtonCondAction* TFlashButton::FindCondAction(int condition, bool create) {
  auto* tag = dynamic_cast<TSWFDefineButton2*>(buttonTag_.get());
  if (!tag || condition < 0 || condition > 8) return nullptr;
  for (const auto& a : tag->Actions)
    if (a->Conditions & (1u << condition)) return a.get();
  return create ? AddCondAction({condition}) : nullptr;
}

TFlashActionScript& TFlashButton::Actions() {
  if (auto* plain = dynamic_cast<TSWFDefineButton*>(buttonTag_.get())) actions_->Bind(&plain->Actions);
  else actions_->Bind(FindCondAction(3, true));
  return *actions_;
}

TFlashActionScript& TFlashButton::ReleaseActions() {
  if (TSWFButtonCondAction* release = FindCondAction(3, true)) actions_->Bind(release);
  return *actions_;
}

void TFlashButton::WriteToStream(TBitsEngine& be) {
  buttonTag_->WriteToStream(be);
  bool sounds = false;
  for (auto state : {TSWFDefineButtonSound::OverUpToIdle, TSWFDefineButtonSound::IdleToOverUp,
                     TSWFDefineButtonSound::OverUpToOverDown, TSWFDefineButtonSound::OverDownToOverUp})
    if (buttonSound_->Sound(state) && buttonSound_->Sound(state)->SoundId != 0) sounds = true;
  if (sounds) {
    buttonSound_->ButtonId = CharacterId;
    buttonSound_->WriteToStream(be);
  }
}

}  // namespace reelcast
