#include "movie/FlashSprite.h"

#include <algorithm>
#include <stdexcept>

#include "swf/SplicedStream.h"

#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "swf/ControlTags.h"
#include "swf/DoAction.h"

namespace reelcast {

// The DefineSprite body being written: the id and frame count come first
// and are filled in when it is finished. Payloads kept in files (the sound
// of an imported movie) stay there.
struct TFlashSprite::TBody {
  TSplicedStream Stream;
  TBitsEngine Engine{Stream};
  uint8_t Version = 5;      // for the placements written into it
  bool EndsWithEnd = false;  // the last object written was an End tag
  uint8_t MinVersion = 3;
};

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
  AddObject(RemoveObjectTag(depth, object));
}

void TFlashSprite::ShowFrame(uint16_t count) {
  uint16_t n = count ? count : 1;
  SpriteTag->FrameCount = static_cast<uint16_t>(SpriteTag->FrameCount + n);
  // The sprite puts the frame's actions before its label.
  std::vector<std::unique_ptr<TBasedSWFObject>> closing;
  if (frameActions_) closing.push_back(std::move(frameActions_));
  if (!FrameLabel.empty()) {
    closing.push_back(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  for (uint16_t i = 0; i < n; ++i) closing.push_back(std::make_unique<TSWFShowFrame>());
  for (auto& object : closing) {
    if (streamed_) Put(*streamed_, *object);
    else objects_.push_back(std::move(object));
  }
  CurrentFrame = SpriteTag->FrameCount ? SpriteTag->FrameCount - 1u : 0u;
  InsertPosition = static_cast<int32_t>(objects_.size()) - 1;
}

std::unique_ptr<TFlashSprite::TBody> TFlashSprite::NewBody() const {
  auto body = std::make_unique<TBody>();
  body->Version = owner_ ? owner_->SWFVersion() : 5;
  body->Engine.WriteWord(0);  // the id and the frame count, filled in at the end
  body->Engine.WriteWord(0);
  return body;
}

void TFlashSprite::Put(TBody& body, TBasedSWFObject& object) const {
  if (auto* place = dynamic_cast<TFlashPlaceObject*>(&object)) place->SetSWFVersion(body.Version);
  body.MinVersion = std::max(body.MinVersion, object.MinVersion());
  object.WriteToStream(body.Engine);
  auto* tag = dynamic_cast<TSWFObject*>(&object);
  body.EndsWithEnd = tag && tag->TagID == 0;
}

void TFlashSprite::StartStreamedBody() {
  objects_.clear();
  SpriteTag->FrameCount = 0;
  streamed_ = NewBody();
}

void TFlashSprite::WriteObject(TBasedSWFObject& object) {
  if (!streamed_) throw std::logic_error("TFlashSprite::WriteObject without StartStreamedBody");
  Put(*streamed_, object);
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
  uint8_t v = streamed_ ? streamed_->MinVersion : 3;
  for (const auto& o : objects_) v = std::max(v, o->MinVersion());
  if (initActions_) v = std::max(v, initActions_->MinVersion());
  return v;
}

void TFlashSprite::WriteToStream(TBitsEngine& be) {
  if (SpriteTag->FrameCount == 0) ShowFrame(1);
  std::unique_ptr<TBody> body = std::move(streamed_);
  if (!body) {
    body = NewBody();
    for (const auto& o : objects_) Put(*body, *o);
  }
  if (!body->EndsWithEnd) body->Engine.WriteWord(0);
  body->Engine.FlushBits(true);
  body->Stream.SetPosition(0);
  body->Engine.WriteWord(SpriteTag->SpriteId);
  body->Engine.WriteWord(SpriteTag->FrameCount);
  be.FlushBits(true);
  body->Stream.SetPosition(0);
  WriteTagFromStream(be.Stream(), 39, body->Stream);
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
