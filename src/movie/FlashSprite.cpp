#include "movie/FlashSprite.h"

#include <algorithm>

#include "swf/SplicedStream.h"

#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "swf/ControlTags.h"
#include "swf/DoAction.h"

namespace reelcast {

TFlashSprite::TFlashSprite(TFlashMovie* owner)
    : TFlashVisualObject(owner), SpriteTag(std::make_unique<TSWFDefineSprite>()) {}

TFlashSprite::~TFlashSprite() = default;

void TFlashSprite::SetCharacterId(uint16_t id) {
  TFlashVisualObject::SetCharacterId(id);
  SpriteTag->SpriteId = id;
}

TBasedSWFObject* TFlashSprite::AddObject(std::unique_ptr<TBasedSWFObject> object) {
  TBasedSWFObject* raw = object.get();
  bool insertMode = owner_ && owner_->InsertMode;
  if (insertMode && InsertPosition != -1 && InsertPosition < static_cast<int32_t>(objects_.size()) - 1) {
    objects_.insert(objects_.begin() + InsertPosition, std::move(object));
    ++InsertPosition;
  } else {
    objects_.push_back(std::move(object));
    InsertPosition = static_cast<int32_t>(objects_.size()) - 1;
  }
  return raw;
}

TFlashPlaceObject* TFlashSprite::PlaceObject(TFlashVisualObject* object, uint16_t depth) {
  auto* place = static_cast<TFlashPlaceObject*>(
      AddObject(std::make_unique<TFlashPlaceObject>(owner_, object, depth)));
  if (owner_ && object) owner_->MoveBefore(object, this);
  MaxDepth = std::max(MaxDepth, depth);
  return place;
}

void TFlashSprite::RemoveObject(uint16_t depth, TFlashIDObject* object) {
  if (object) {
    auto tag = std::make_unique<TSWFRemoveObject>();
    tag->CharacterId = object->GetCharacterId();
    tag->Depth = depth;
    AddObject(std::move(tag));
  } else {
    auto tag = std::make_unique<TSWFRemoveObject2>();
    tag->Depth = depth;
    AddObject(std::move(tag));
  }
}

void TFlashSprite::ShowFrame(uint16_t count) {
  uint16_t n = count ? count : 1;
  SpriteTag->FrameCount = static_cast<uint16_t>(SpriteTag->FrameCount + n);
  // The sprite puts the frame's actions before its label.
  if (frameActions_) objects_.push_back(std::move(frameActions_));
  if (!FrameLabel.empty()) {
    objects_.push_back(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  for (uint16_t i = 0; i < n; ++i) objects_.push_back(std::make_unique<TSWFShowFrame>());
  CurrentFrame = SpriteTag->FrameCount ? SpriteTag->FrameCount - 1u : 0u;
  InsertPosition = static_cast<int32_t>(objects_.size()) - 1;
}

TFlashActionScript& TFlashSprite::FrameActions() {
  if (!frameActions_) frameActions_ = std::make_unique<TFlashActionScript>(owner_);
  return *frameActions_;
}

TFlashActionScript& TFlashSprite::InitActions() {
  if (!initActions_) initActions_ = std::make_unique<TFlashActionScript>(owner_);
  return *initActions_;
}

void TFlashSprite::Assign(const TBasedSWFObject& source) {
  auto* s = dynamic_cast<const TFlashSprite*>(&source);
  if (!s) return;
  TFlashVisualObject::Assign(source);
  SpriteTag->Assign(*s->SpriteTag);
}

uint8_t TFlashSprite::MinVersion() const {
  uint8_t v = 3;
  for (const auto& o : objects_) v = std::max(v, o->MinVersion());
  if (initActions_) v = std::max(v, initActions_->MinVersion());
  return v;
}

void TFlashSprite::WriteToStream(TBitsEngine& be) {
  if (SpriteTag->FrameCount == 0) ShowFrame(1);
  // Payloads kept in files (the sound of an imported movie) stay there.
  TSplicedStream body;
  TBitsEngine inner(body);
  inner.WriteWord(SpriteTag->SpriteId);
  inner.WriteWord(SpriteTag->FrameCount);
  uint8_t version = owner_ ? owner_->SWFVersion() : 5;
  for (const auto& o : objects_) {
    if (auto* place = dynamic_cast<TFlashPlaceObject*>(o.get())) place->SetSWFVersion(version);
    o->WriteToStream(inner);
  }
  auto* last = objects_.empty() ? nullptr : dynamic_cast<TSWFObject*>(objects_.back().get());
  if (!last || last->TagID != 0) inner.WriteWord(0);
  inner.FlushBits(true);
  be.FlushBits(true);
  body.SetPosition(0);
  WriteTagFromStream(be.Stream(), 39, body);
  if (initActions_) {
    TSWFDoInitAction init;
    init.SpriteId = SpriteTag->SpriteId;
    // Copied with their markers relinked, so jumps and function bodies
    // keep their offsets.
    CopyActionList(initActions_->ActionList(), init.Actions());
    init.WriteToStream(be);
  }
}

}  // namespace reelcast
