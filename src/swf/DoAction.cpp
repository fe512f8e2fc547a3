#include "swf/DoAction.h"

#include <algorithm>

namespace reelcast {

void ReadActionListPart(TBitsEngine& be, TSWFActionList& list, int64_t size, bool parse) {
  if (size <= 0) return;
  if (parse) {
    ReadActions(be, list, size);
    return;
  }
  auto raw = std::make_unique<TSWFActionByteCode>();
  raw->Data.resize(static_cast<size_t>(size - 1));
  if (!raw->Data.empty()) be.ReadBuffer(raw->Data.data(), raw->Data.size());
  be.ReadByte();
  if (!raw->Data.empty()) list.Add(std::move(raw));
}

TSWFDoAction::TSWFDoAction() : TSWFDoAction(uint16_t{12}) {}

TSWFDoAction::TSWFDoAction(uint16_t tagId)
    : TSWFObject(tagId), FOwned(std::make_unique<TSWFActionList>()), FActions(FOwned.get()) {}

TSWFDoAction::TSWFDoAction(TSWFActionList* actions) : TSWFObject(12), FActions(actions) {}

void TSWFDoAction::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDoAction*>(&source)) {
    ParseActions = s->ParseActions;
    CopyActionList(*s->FActions, *FActions);
  }
}

void TSWFDoAction::ReadActionPart(TBitsEngine& be, int64_t size) {
  ReadActionListPart(be, *FActions, size, ParseActions);
}

void TSWFDoAction::ReadFromStream(TBitsEngine& be) { ReadActionPart(be, BodySize); }

void TSWFDoAction::WriteTagBody(TBitsEngine& be) {
  FActions->WriteItems(be);
  be.WriteByte(0);
}

TSWFDoInitAction::TSWFDoInitAction() : TSWFDoAction(uint16_t{59}) {}

void TSWFDoInitAction::Assign(const TBasedSWFObject& source) {
  TSWFDoAction::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDoInitAction*>(&source)) SpriteId = s->SpriteId;
}

void TSWFDoInitAction::ReadFromStream(TBitsEngine& be) {
  SpriteId = be.ReadWord();
  ReadActionPart(be, BodySize - 2);
}

void TSWFDoInitAction::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SpriteId);
  TSWFDoAction::WriteTagBody(be);
}

void RegisterActionTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDoAction>(12, "TSWFDoAction");
  registry.Add<TSWFDoInitAction>(59, "TSWFDoInitAction");
}

}  // namespace reelcast
