// Display list tags: placements (with clip event actions, filters and blend
// modes), removals, ShowFrame and DefineSprite.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "swf/Actions.h"
#include "swf/Filters.h"
#include "swf/Records.h"
#include "swf/SWFObject.h"

namespace reelcast {

class TSWFBasedPlaceObject : public TSWFObject {
 public:
  using TSWFObject::TSWFObject;
  uint16_t CharacterId = 0, Depth = 0;
  virtual void SetCharacterId(uint16_t id) { CharacterId = id; }
  void Assign(const TBasedSWFObject& source) override;
};

class TSWFPlaceObject : public TSWFBasedPlaceObject {
 public:
  TSWFPlaceObject() : TSWFBasedPlaceObject(4) {}
  TSWFColorTransform ColorTransform;  // never with alpha
  bool HasColorTransform = false;     // set by the reader
  TSWFMatrix Matrix;
  bool WritesColorTransform() const {
    return HasColorTransform || ColorTransform.HasAdd() || ColorTransform.HasMult();
  }

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  std::string Describe() const override;
};

// Clip event flag bits (the format's order, first flag in bit 0).
namespace clipevent {
constexpr uint32_t KeyUp = 0x1, KeyDown = 0x2, MouseUp = 0x4, MouseDown = 0x8, MouseMove = 0x10,
                   Unload = 0x20, EnterFrame = 0x40, Load = 0x80, DragOver = 0x100,
                   RollOut = 0x200, RollOver = 0x400, ReleaseOutside = 0x800, Release = 0x1000,
                   Press = 0x2000, Initialize = 0x4000, Data = 0x8000, Construct = 0x10000,
                   KeyPress = 0x20000, DragOut = 0x40000;
}

class TSWFClipActionRecord : public TSWFActionList {
 public:
  uint32_t EventFlags = 0;
  uint8_t KeyCode() const { return FKeyCode; }
  // Sets or clears the KeyPress event with the code.
  void SetKeyCode(uint8_t code);

 private:
  uint8_t FKeyCode = 0;
};

class TSWFClipActions {
 public:
  std::vector<std::unique_ptr<TSWFClipActionRecord>> Records;
  uint32_t AllEventFlags = 0;
  TSWFClipActionRecord* AddRecord(uint32_t flags, uint8_t keyCode = 0);
  void Assign(const TSWFClipActions& source);
};

class TSWFPlaceObject2 : public TSWFBasedPlaceObject {
 public:
  TSWFPlaceObject2() : TSWFPlaceObject2(26) {}
  uint16_t ClipDepth() const { return FClipDepth; }
  uint16_t Ratio() const { return FRatio; }
  const std::string& Name() const { return FName; }
  void SetClipDepth(uint16_t v) { FClipDepth = v; HasClipDepth = true; }
  void SetRatio(uint16_t v) { FRatio = v; HasRatio = true; }
  void SetName(const std::string& v) { FName = v; HasName = !v.empty(); }
  void SetCharacterId(uint16_t id) override { CharacterId = id; HasCharacter = true; }
  // Optional parts, created on first use; each getter turns its flag on.
  TSWFClipActions& GetClipActions();
  TSWFColorTransform& GetColorTransform();
  TSWFMatrix& GetMatrix();
  TSWFClipActions* ClipActions() const { return FClipActions.get(); }
  TSWFColorTransform* ColorTransform() const { return FColorTransform.get(); }
  TSWFMatrix* Matrix() const { return FMatrix.get(); }

  bool ParseActions = false;
  bool HasCharacter = false, HasClipActions = false, HasClipDepth = false,
       HasColorTransform = false, HasMatrix = false, HasName = false, HasRatio = false,
       Move = false;
  uint8_t SWFVersion = 3;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void SetReadContext(const TSWFReadContext& context) override {
    SWFVersion = context.Version;
    ParseActions = context.ParseActions;
  }
  void CharacterReferences(std::vector<uint16_t*>& ids) override {
    if (HasCharacter) ids.push_back(&CharacterId);
  }
  std::string Describe() const override;

  virtual void ReadExtra(TBitsEngine& be) {}
  virtual void ReadFlags2(TBitsEngine& be) {}
  virtual void WriteFlags2(TBitsEngine& be) {}
  virtual void WriteExtra(TBitsEngine& be) {}

 protected:
  explicit TSWFPlaceObject2(uint16_t code) : TSWFBasedPlaceObject(code) {}
  bool HasClipOut() const { return HasClipActions && FClipActions && !FClipActions->Records.empty(); }

 private:
  void WriteClipActions(TBitsEngine& be);
  void ReadClipActions(TBitsEngine& be, int64_t end);
  uint16_t FClipDepth = 0, FRatio = 0;
  std::string FName;
  std::unique_ptr<TSWFClipActions> FClipActions;
  std::unique_ptr<TSWFColorTransform> FColorTransform;
  std::unique_ptr<TSWFMatrix> FMatrix;
};

class TSWFPlaceObject3 : public TSWFPlaceObject2 {
 public:
  TSWFPlaceObject3() : TSWFPlaceObject2(70) { SWFVersion = 8; }
  uint8_t BlendMode = 0;
  bool CacheAsBitmap = false, HasBlendMode = false, HasFilterList = false;
  // Write a plain PlaceObject2 body (the user gives the tag the code 26).
  bool AsPlaceObject2 = false;
  TSWFFilterList& GetFilterList() {
    HasFilterList = true;
    return Filters;
  }
  TSWFFilterList Filters;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  // A placement read from a file keeps its default version 8.
  void SetReadContext(const TSWFReadContext&) override {}
  void ReadExtra(TBitsEngine& be) override;
  void ReadFlags2(TBitsEngine& be) override;
  void WriteFlags2(TBitsEngine& be) override;
  void WriteExtra(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFRemoveObject : public TSWFObject {
 public:
  TSWFRemoveObject() : TSWFObject(5) {}
  uint16_t CharacterId = 0, Depth = 0;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }
  std::string Describe() const override;
};

class TSWFRemoveObject2 : public TSWFObject {
 public:
  TSWFRemoveObject2() : TSWFObject(28) {}
  uint16_t Depth = 0;
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override { return "depth " + std::to_string(Depth); }
};

class TSWFShowFrame : public TSWFObject {
 public:
  TSWFShowFrame() : TSWFObject(1) {}
};

class TSWFDefineSprite : public TSWFObject {
 public:
  TSWFDefineSprite() : TSWFObject(39) {}
  std::vector<std::unique_ptr<TSWFObject>> ControlTags;
  uint16_t FrameCount = 0;
  bool ParseActions = false;
  uint16_t SpriteId = 0;
  uint8_t SWFVersion = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void SetReadContext(const TSWFReadContext& context) override {
    SWFVersion = context.Version;
    ParseActions = context.ParseActions;
  }
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&SpriteId); }
  // The references of the sprite's own tags.
  void CharacterReferences(std::vector<uint16_t*>& ids) override;
  void SubTags(std::vector<TSWFObject*>& tags) override;
  std::string Describe() const override;
};

void RegisterDisplayListTags(TSWFTagRegistry& registry);

}  // namespace reelcast
