#include "movie/FlashActionScript.h"

#include "swf/ActionsSimple.h"
#include "swf/DoAction.h"

namespace reelcast {

TFlashActionScript::TFlashActionScript(TFlashMovie* owner, TSWFActionList* list) : TFlashObject(owner) {
  if (list) {
    list_ = list;
  } else {
    owned_ = std::make_unique<TSWFActionList>();
    list_ = owned_.get();
  }
}

void TFlashActionScript::Bind(TSWFActionList* list) {
  owned_.reset();
  list_ = list;
}

void TFlashActionScript::Add2() { list_->AddNew<TSWFActionAdd2>(); }
void TFlashActionScript::CallFunction() { list_->AddNew<TSWFActionCallFunction>(); }
void TFlashActionScript::CallMethod() { list_->AddNew<TSWFActionCallMethod>(); }
void TFlashActionScript::DefineLocal2() { list_->AddNew<TSWFActionDefineLocal2>(); }
void TFlashActionScript::Delete() { list_->AddNew<TSWFActionDelete>(); }
void TFlashActionScript::Divide() { list_->AddNew<TSWFActionDivide>(); }
void TFlashActionScript::Equals2() { list_->AddNew<TSWFActionEquals2>(); }
void TFlashActionScript::GetMember() { list_->AddNew<TSWFActionGetMember>(); }
void TFlashActionScript::GetVariable() { list_->AddNew<TSWFActionGetVariable>(); }
void TFlashActionScript::Multiply() { list_->AddNew<TSWFActionMultiply>(); }
void TFlashActionScript::NextFrame() { list_->AddNew<TSWFActionNextFrame>(); }
void TFlashActionScript::Not() { list_->AddNew<TSWFActionNot>(); }
void TFlashActionScript::Play() { list_->AddNew<TSWFActionPlay>(); }
void TFlashActionScript::Pop() { list_->AddNew<TSWFActionPop>(); }
void TFlashActionScript::PreviousFrame() { list_->AddNew<TSWFActionPreviousFrame>(); }
void TFlashActionScript::SetMember() { list_->AddNew<TSWFActionSetMember>(); }
void TFlashActionScript::SetVariable() { list_->AddNew<TSWFActionSetVariable>(); }
void TFlashActionScript::Stop() { list_->AddNew<TSWFActionStop>(); }
void TFlashActionScript::ToInteger() { list_->AddNew<TSWFActionToInteger>(); }

void TFlashActionScript::ConstantPool(const std::vector<std::string>& strings) {
  list_->AddNew<TSWFActionConstantPool>()->Constants = strings;
}

TSWFActionDefineFunction* TFlashActionScript::DefineFunction(const std::string& name,
                                                             const std::vector<std::string>& params,
                                                             TSWFOffsetMarker* endMarker) {
  auto* f = list_->AddNew<TSWFActionDefineFunction>();
  f->FunctionName = name;
  f->Params = params;
  if (endMarker) f->Marker.Set(endMarker);
  return f;
}

void TFlashActionScript::GetUrl(const std::string& url, const std::string& target) {
  auto* a = list_->AddNew<TSWFActionGetUrl>();
  a->URL = url;
  a->Target = target;
}

void TFlashActionScript::GotoFrame2(bool play, uint16_t sceneBias) {
  auto* a = list_->AddNew<TSWFActionGotoFrame2>();
  a->PlayFlag = play;
  a->SceneBiasFlag = sceneBias != 0;
  a->SceneBias = sceneBias;
}

void TFlashActionScript::GotoLabel(const std::string& label) {
  PushVariant(label);
  GotoFrame2(false, 0);
}

void TFlashActionScript::GotoFrame(uint16_t frame) {
  PushVariant(static_cast<int64_t>(frame));
  GotoFrame2(false, 0);
}

TSWFActionIf* TFlashActionScript::If() { return list_->AddNew<TSWFActionIf>(); }
TSWFActionJump* TFlashActionScript::Jump() { return list_->AddNew<TSWFActionJump>(); }

TSWFActionPush* TFlashActionScript::LastPush() {
  TSWFAction* last = list_->Last();
  if (last && last->ActionCode() == 0x96) return static_cast<TSWFActionPush*>(last);
  return list_->AddNew<TSWFActionPush>();
}

TSWFActionPush* TFlashActionScript::PushValues(const std::vector<TPushVariant>& values) {
  TSWFActionPush* push = LastPush();
  for (const auto& v : values) push->AddValue(v);
  return push;
}

TSWFActionPush* TFlashActionScript::PushTypedValues(const std::vector<TPushVariant>& values,
                                                    const std::vector<uint8_t>& types) {
  TSWFActionPush* push = LastPush();
  for (size_t i = 0; i < values.size(); ++i) {
    push->AddValue(values[i]);
    if (i < types.size()) push->SetValueType(push->ValueCount() - 1, types[i]);
  }
  return push;
}

TSWFActionPush* TFlashActionScript::PushVariant(const TPushVariant& value) { return PushValues({value}); }

void TFlashActionScript::SetTarget(const std::string& target) {
  list_->AddNew<TSWFActionSetTarget>()->TargetName() = target;
}

TSWFOffsetMarker* TFlashActionScript::AddMarker(TSWFOffsetMarker* marker, bool backward) {
  std::unique_ptr<TSWFOffsetMarker> owned;
  if (!marker) {
    owned = std::make_unique<TSWFOffsetMarker>();
    marker = owned.get();
  } else {
    // A marker made by a referring action moves from its slot into the list.
    for (size_t i = 0; i < list_->Count(); ++i) {
      if (auto* jump = dynamic_cast<TSWFActionJump*>((*list_)[i]); jump && jump->Marker.Peek() == marker && jump->Marker.Owned())
        owned = jump->Marker.Release();
      if (auto* f = dynamic_cast<TSWFActionDefineFunction*>((*list_)[i]); f && f->Marker.Peek() == marker && f->Marker.Owned())
        owned = f->Marker.Release();
    }
  }
  marker->IsBackward = backward;
  marker->InList = true;
  if (owned) list_->Add(std::move(owned));
  return marker;
}

void TFlashActionScript::Assign(const TBasedSWFObject& source) {
  auto* s = dynamic_cast<const TFlashActionScript*>(&source);
  if (!s) return;
  if (!owner_) owner_ = s->owner_;
  for (size_t i = 0; i < s->list_->Count(); ++i) {
    const TSWFAction* a = (*s->list_)[i];
    std::unique_ptr<TSWFAction> copy = CreateActionObject(a->ActionCode());
    copy->Assign(*a);
    list_->Add(std::move(copy));
  }
}

void TFlashActionScript::WriteToStream(TBitsEngine& be) {
  TSWFDoAction tag(list_);
  tag.WriteToStream(be);
}

TFlashWrittenActions::TFlashWrittenActions(TFlashMovie* owner, TFlashActionScript& script)
    : TFlashObject(owner), minVersion_(script.MinVersion()) {
  TMemoryStream tag;
  {
    TBitsEngine be(tag);
    script.WriteToStream(be);
    be.FlushBits(true);
  }
  bytes_.assign(tag.Memory(), tag.Memory() + tag.BufferSize());
}

void TFlashWrittenActions::WriteToStream(TBitsEngine& be) {
  be.FlushBits(true);
  be.Stream().WriteBuffer(bytes_.data(), bytes_.size());
}

}  // namespace reelcast
