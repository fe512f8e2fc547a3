#include "movie/FlashPlaceObject.h"

#include "movie/FlashMovie.h"

namespace reelcast {

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* owner, TFlashVisualObject* object, uint16_t depth)
    : TFlashObject(owner), PlaceTag(std::make_unique<TSWFPlaceObject3>()), object_(object) {
  PlaceTag->Depth = depth;
  if (object) PlaceTag->SetCharacterId(object->GetCharacterId());
}

void TFlashPlaceObject::SetTranslate(int32_t x, int32_t y) {
  if (x == 0 && y == 0 && !PlaceTag->HasMatrix && !PlaceTag->Move) return;
  int32_t unit = owner_ ? owner_->Multiplier() : 1;
  PlaceTag->GetMatrix().SetTranslate(x * unit, y * unit);
}

void TFlashPlaceObject::SetScale(float scaleX, float scaleY) {
  PlaceTag->GetMatrix().SetScale(scaleX, scaleY);
}

void TFlashPlaceObject::Assign(const TBasedSWFObject& source) {
  auto* s = dynamic_cast<const TFlashPlaceObject*>(&source);
  if (!s) return;
  if (!owner_) owner_ = s->owner_;
  PlaceTag->Assign(*s->PlaceTag);
}

bool TFlashPlaceObject::NeedsPlaceObject3() const {
  return PlaceTag->BlendMode > 1 || PlaceTag->HasFilterList || PlaceTag->CacheAsBitmap;
}

uint8_t TFlashPlaceObject::MinVersion() const {
  if (NeedsPlaceObject3()) return 8;
  if (PlaceTag->HasClipActions) return 5;
  return 3;
}

void TFlashPlaceObject::WriteToStream(TBitsEngine& be) {
  bool three = NeedsPlaceObject3();
  PlaceTag->AsPlaceObject2 = !three;
  PlaceTag->TagID = three ? 70 : 26;
  PlaceTag->WriteToStream(be);
  PlaceTag->TagID = 70;
}

std::unique_ptr<TBasedSWFObject> RemoveObjectTag(uint16_t depth, const TFlashIDObject* object) {
  if (object) {
    auto tag = std::make_unique<TSWFRemoveObject>();
    tag->CharacterId = object->GetCharacterId();
    tag->Depth = depth;
    return tag;
  }
  auto tag = std::make_unique<TSWFRemoveObject2>();
  tag->Depth = depth;
  return tag;
}

}  // namespace reelcast
