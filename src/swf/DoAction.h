// The tags that carry action lists: DoAction (12) and DoInitAction (59).
#pragma once

#include <memory>

#include "swf/Actions.h"
#include "swf/SWFObject.h"

namespace reelcast {

class TSWFDoAction : public TSWFObject {
 public:
  // With a list of its own.
  TSWFDoAction();
  // Around a list that the caller keeps (not owned).
  explicit TSWFDoAction(TSWFActionList* actions);

  TSWFActionList& Actions() { return *FActions; }
  const TSWFActionList& Actions() const { return *FActions; }
  bool OwnsList() const { return FOwned != nullptr; }
  // Reading context: parse the byte code into action objects, or keep it as
  // one raw action.
  bool ParseActions = false;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return FActions->MaxVersion(3); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override { return "actions " + std::to_string(FActions->Count()); }
  void SetReadContext(const TSWFReadContext& context) override {
    ParseActions = context.ParseActions;
  }

 protected:
  explicit TSWFDoAction(uint16_t tagId);
  // Reads the action part of size bytes.
  void ReadActionPart(TBitsEngine& be, int64_t size);

 private:
  std::unique_ptr<TSWFActionList> FOwned;
  TSWFActionList* FActions;
};

class TSWFDoInitAction : public TSWFDoAction {
 public:
  TSWFDoInitAction();
  uint16_t SpriteId = 0;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return std::max<uint8_t>(6, TSWFDoAction::MinVersion()); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&SpriteId); }
  std::string Describe() const override {
    return "sprite " + std::to_string(SpriteId) + " " + TSWFDoAction::Describe();
  }
};

// Reads an action list that ends with a zero code: with parse, into action
// objects (at most size bytes); without, as one raw action of the bytes
// before the final zero, which is consumed.
void ReadActionListPart(TBitsEngine& be, TSWFActionList& list, int64_t size, bool parse);

class TSWFTagRegistry;
void RegisterActionTags(TSWFTagRegistry& registry);

}  // namespace reelcast
