// TFlashActionScript appends ActionScript byte-code actions to an action
// list, one call per action; consecutive pushes share one Push action. As an
// object of a timeline it is written as a DoAction tag.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "movie/FlashObject.h"
#include "swf/Actions.h"
#include "swf/ActionsData.h"
#include "swf/ActionsFlow.h"

namespace reelcast {

class TFlashActionScript : public TFlashObject {
 public:
  // Without a list it makes and owns one; with one it appends to it.
  explicit TFlashActionScript(TFlashMovie* owner, TSWFActionList* list = nullptr);

  TSWFActionList& ActionList() { return *list_; }
  const TSWFActionList& ActionList() const { return *list_; }
  bool OwnsList() const { return owned_ != nullptr; }
  TSWFAction* Actions(size_t index) const { return index < list_->Count() ? (*list_)[index] : nullptr; }
  // Appends to another list from now on (not owned).
  void Bind(TSWFActionList* list);

  void Add2();
  void CallFunction();
  void CallMethod();
  void ConstantPool(const std::vector<std::string>& strings);
  TSWFActionDefineFunction* DefineFunction(const std::string& name, const std::vector<std::string>& params,
                                           TSWFOffsetMarker* endMarker);
  void DefineLocal2();
  void Delete();
  void Divide();
  void Equals2();
  void GetMember();
  void GetUrl(const std::string& url, const std::string& target);
  void GetVariable();
  void GotoFrame2(bool play, uint16_t sceneBias);
  void GotoLabel(const std::string& label);
  void GotoFrame(uint16_t frame);
  TSWFActionIf* If();
  TSWFActionJump* Jump();
  void Multiply();
  void NextFrame();
  void Not();
  void Play();
  void Pop();
  void PreviousFrame();
  TSWFActionPush* PushValues(const std::vector<TPushVariant>& values);
  TSWFActionPush* PushTypedValues(const std::vector<TPushVariant>& values, const std::vector<uint8_t>& types);
  TSWFActionPush* PushVariant(const TPushVariant& value);
  void SetMember();
  void SetTarget(const std::string& target);
  void SetVariable();
  void Stop();
  void ToInteger();
  // Appends marker (or a new backward one); the list then owns it.
  TSWFOffsetMarker* AddMarker(TSWFOffsetMarker* marker = nullptr, bool backward = true);

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return list_->MaxVersion(1); }
  // A DoAction tag holding the actions.
  void WriteToStream(TBitsEngine& be) override;

 private:
  TSWFActionPush* LastPush();
  std::unique_ptr<TSWFActionList> owned_;
  TSWFActionList* list_;
};

// A frame script already written as its DoAction tag: what the movie keeps
// of a frame's actions when it is asked to keep them as bytes (a few dozen
// bytes a frame instead of a tree of action objects, for a script on every
// frame of a long movie).
class TFlashWrittenActions : public TFlashObject {
 public:
  TFlashWrittenActions(TFlashMovie* owner, TFlashActionScript& script);

  uint8_t MinVersion() const override { return minVersion_; }
  // The DoAction tag, header included, as the script wrote it.
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  void WriteToStream(TBitsEngine& be) override;

 private:
  std::vector<uint8_t> bytes_;
  uint8_t minVersion_;
};

}  // namespace reelcast
