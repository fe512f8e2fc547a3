#include "movie/FlashObject.h"

namespace reelcast {

void TFlashIDObject::Assign(const TBasedSWFObject& source) {
  auto* s = dynamic_cast<const TFlashIDObject*>(&source);
  if (!s) return;
  if (!owner_) owner_ = s->owner_;
  CharacterId = s->CharacterId;
}

void TFlashVisualObject::Assign(const TBasedSWFObject& source) {
  TFlashIDObject::Assign(source);
  if (auto* s = dynamic_cast<const TFlashVisualObject*>(&source)) StaticUnits = s->StaticUnits;
}

}  // namespace reelcast
