// The roots of the movie builder's objects: TFlashObject (knows its movie),
// TFlashIDObject (carries a character id) and TFlashVisualObject (anything
// that can be placed on a stage), and the movie's non-owning typed indexes.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/SWFObject.h"

namespace reelcast {

class TFlashMovie;

class TFlashObject : public TBasedSWFObject {
 public:
  explicit TFlashObject(TFlashMovie* owner = nullptr) : owner_(owner) {}
  // High-level objects answer 1 (tag objects 0).
  int ObjectKind() const override { return 1; }
  TFlashMovie* Owner() const { return owner_; }
  // Sets the owner (not owned) and calls OwnerChanged.
  void SetOwner(TFlashMovie* owner) {
    owner_ = owner;
    OwnerChanged();
  }
  virtual void OwnerChanged() {}

 protected:
  TFlashMovie* owner_;
};

class TFlashIDObject : public TFlashObject {
 public:
  using TFlashObject::TFlashObject;
  virtual uint16_t GetCharacterId() const { return CharacterId; }
  virtual void SetCharacterId(uint16_t id) { CharacterId = id; }
  // Copies the owner (only into an object without one) and the id.
  void Assign(const TBasedSWFObject& source) override;

 protected:
  uint16_t CharacterId = 0;
};

class TFlashVisualObject : public TFlashIDObject {
 public:
  using TFlashIDObject::TFlashIDObject;
  void Assign(const TBasedSWFObject& source) override;
  // Coordinates of this object are twips whatever the movie's unit.
  bool StaticUnits = false;
};

// A list that does not own its items: the movie's index of one kind.
class TFlashObjectList {
 public:
  virtual ~TFlashObjectList() = default;
  void Add(TFlashObject* object) { items_.push_back(object); }
  size_t Count() const { return items_.size(); }
  TFlashObject* operator[](size_t index) const { return items_[index]; }
  const std::vector<TFlashObject*>& Items() const { return items_; }

 private:
  std::vector<TFlashObject*> items_;
};

class TFlashButtonList : public TFlashObjectList {};
class TFlashFontList : public TFlashObjectList {};
class TFlashImageList : public TFlashObjectList {};
class TFlashShapeList : public TFlashObjectList {};
class TFlashSpriteList : public TFlashObjectList {};
class TFlashTextList : public TFlashObjectList {};
class TFlashVideoList : public TFlashObjectList {};

}  // namespace reelcast
