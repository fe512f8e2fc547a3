// One placement of a visual object at a depth: matrix, colour transform,
// name and ratio, written as PlaceObject2, or as PlaceObject3 when it uses a
// blend mode, filters or bitmap caching.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/FlashObject.h"
#include "swf/DisplayList.h"

namespace reelcast {

class TFlashPlaceObject : public TFlashObject {
 public:
  // object may be null: a placement that only changes what is at depth.
  TFlashPlaceObject(TFlashMovie* owner, TFlashVisualObject* object, uint16_t depth);

  TFlashVisualObject* Object() const { return object_; }
  uint16_t GetCharacterId() const { return PlaceTag->CharacterId; }
  uint16_t Depth() const { return PlaceTag->Depth; }

  // Translation in the movie's unit; a new placement at (0, 0) gets no matrix.
  void SetTranslate(int32_t x, int32_t y);
  void SetScale(float scaleX, float scaleY);
  void SetName(const std::string& name) { PlaceTag->SetName(name); }
  void SetRatio(uint16_t ratio) { PlaceTag->SetRatio(ratio); }
  void SetMove(bool move) { PlaceTag->Move = move; }
  // Created on first request; asking for it turns the transform on.
  TSWFColorTransform& ColorTransform() { return PlaceTag->GetColorTransform(); }
  // The version the placement is written for (clip action flag width).
  void SetSWFVersion(uint8_t version) { PlaceTag->SWFVersion = version; }

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

  std::unique_ptr<TSWFPlaceObject3> PlaceTag;

 private:
  bool NeedsPlaceObject3() const;
  TFlashVisualObject* object_;
};

// The tag that empties depth: RemoveObject naming the object when it is
// given, RemoveObject2 (depth only) otherwise.
std::unique_ptr<TBasedSWFObject> RemoveObjectTag(uint16_t depth, const TFlashIDObject* object);

}  // namespace reelcast
