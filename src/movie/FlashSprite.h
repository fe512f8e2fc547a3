// TFlashSprite: a movie clip with a timeline of its own, written as a
// DefineSprite tag (and a DoInitAction tag when it has init actions).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/FlashActionScript.h"
#include "movie/FlashObject.h"
#include "swf/DisplayList.h"

namespace reelcast {

class TFlashPlaceObject;

class TFlashSprite : public TFlashVisualObject {
 public:
  explicit TFlashSprite(TFlashMovie* owner);
  ~TFlashSprite() override;

  void SetCharacterId(uint16_t id) override;
  uint16_t FrameCount() const { return SpriteTag->FrameCount; }
  void SetFrameCount(uint16_t count) { SpriteTag->FrameCount = count; }
  std::vector<std::unique_ptr<TBasedSWFObject>>& ObjectList() { return objects_; }

  // Appends (or inserts, in the owner's insert mode) an object; returns it.
  TBasedSWFObject* AddObject(std::unique_ptr<TBasedSWFObject> object);
  // Places object at depth; moves the object's definition in front of this
  // sprite in the movie when it was created after the sprite.
  TFlashPlaceObject* PlaceObject(TFlashVisualObject* object, uint16_t depth);
  void RemoveObject(uint16_t depth, TFlashIDObject* object = nullptr);
  void ShowFrame(uint16_t count = 1);

  // From now on the objects given to WriteObject, and the frames ShowFrame
  // closes, go straight into the sprite's body instead of its object list,
  // so that a long timeline (an imported movie's) is not held as objects;
  // WriteToStream then finishes that body. Drops what the list holds and
  // starts the frame count at 0.
  void StartStreamedBody();
  // Writes object into the streamed body (StartStreamedBody first).
  void WriteObject(TBasedSWFObject& object);

  TFlashActionScript& FrameActions();
  TFlashActionScript& InitActions();
  std::string FrameLabel;
  uint32_t CurrentFrame = 0;
  uint16_t MaxDepth = 0;
  int32_t InsertPosition = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

  std::unique_ptr<TSWFDefineSprite> SpriteTag;

 private:
  struct TBody;
  std::unique_ptr<TBody> NewBody() const;
  void Put(TBody& body, TBasedSWFObject& object) const;

  std::vector<std::unique_ptr<TBasedSWFObject>> objects_;
  std::unique_ptr<TBody> streamed_;  // set between StartStreamedBody and WriteToStream
  std::unique_ptr<TFlashActionScript> frameActions_;
  std::unique_ptr<TFlashActionScript> initActions_;
};

}  // namespace reelcast
