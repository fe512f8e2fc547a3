#include "publish/FlashButton.h"

#include "movie/FlashMovie.h"

namespace reelcast {

namespace {

// Button condition number 3: the mouse released over the button.
constexpr int kCondRelease = 3;

}  // namespace

TFlashButton::TFlashButton(TFlashMovie* owner, bool advanced, bool trackAsMenu)
    : TFlashVisualObject(owner), advanced_(advanced), actions_(owner, nullptr) {
  if (advanced) {
    auto tag = std::make_unique<TSWFDefineButton2>();
    tag->TrackAsMenu = trackAsMenu;
    tag_ = std::move(tag);
  } else {
    tag_ = std::make_unique<TSWFDefineButton>();
  }
}

void TFlashButton::SetCharacterId(uint16_t id) {
  TFlashVisualObject::SetCharacterId(id);
  tag_->ButtonId = id;
}

TSWFButtonRecord& TFlashButton::AddRecord(const TFlashIDObject& object, uint8_t states,
                                          uint16_t depth) {
  auto record = std::make_unique<TSWFButtonRecord>();
  record->CharacterId = object.GetCharacterId();
  record->States = states;
  record->Depth = depth;
  if (advanced_) record->GetColorTransform().SetHasAlpha(true);
  tag_->Records.push_back(std::move(record));
  return *tag_->Records.back();
}

TSWFButtonCondAction& TFlashButton::AddCondAction(std::initializer_list<int> conditions) {
  auto& tag = static_cast<TSWFDefineButton2&>(*tag_);
  auto action = std::make_unique<TSWFButtonCondAction>();
  for (int c : conditions)
    if (c >= 0 && c <= 8) action->Conditions |= static_cast<uint16_t>(1u << c);
  tag.Actions.push_back(std::move(action));
  return *tag.Actions.back();
}

TSWFButtonCondAction* TFlashButton::FindCondAction(int condition, bool create) {
  if (!advanced_) return nullptr;
  auto& tag = static_cast<TSWFDefineButton2&>(*tag_);
  for (auto& a : tag.Actions)
    if (a->Conditions & (1u << condition)) return a.get();
  return create ? &AddCondAction({condition}) : nullptr;
}

TFlashActionScript& TFlashButton::Actions() {
  if (advanced_) return ReleaseActions();
  actions_.Bind(&static_cast<TSWFDefineButton&>(*tag_).Actions);
  return actions_;
}

TFlashActionScript& TFlashButton::ReleaseActions() {
  if (!advanced_) return Actions();
  actions_.Bind(FindCondAction(kCondRelease, true));
  return actions_;
}

void TFlashButton::WriteToStream(TBitsEngine& be) { tag_->WriteToStream(be); }

TFlashButton* AddButton(TFlashMovie& movie, bool trackAsMenu, bool advanced) {
  return movie.RegisterObject(std::make_unique<TFlashButton>(&movie, advanced, trackAsMenu),
                              &movie.Buttons());
}

}  // namespace reelcast
