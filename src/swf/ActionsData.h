// Actions with plain payload fields: frames, URLs, targets, labels, pushed
// values, registers and the constant pool.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "swf/Actions.h"

namespace reelcast {

class TSWFActionGotoFrame : public TSWFAction {
 public:
  TSWFActionGotoFrame() : TSWFAction(0x81) {}
  uint16_t Frame = 0;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionGotoFrame"; }
};

class TSWFActionGetUrl : public TSWFAction {
 public:
  TSWFActionGetUrl() : TSWFAction(0x83) {}
  std::string URL;     // written as UTF-8
  std::string Target;  // written unconverted
  // The URL holds the bytes read from a file, already in the file's form:
  // written as they are, so that a rewrite keeps them.
  bool URLAsRead = false;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionGetUrl"; }
};

class TSWFActionWaitForFrame : public TSWFAction {
 public:
  TSWFActionWaitForFrame() : TSWFAction(0x8A) {}
  uint16_t Frame = 0;
  uint8_t SkipCount = 0;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionWaitForFrame"; }
};

// SetTarget (8B) and GoToLabel (8C): one string.
class TSWFStringAction : public TSWFAction {
 public:
  using TSWFAction::TSWFAction;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;

 protected:
  std::string FText;
};

class TSWFActionSetTarget : public TSWFStringAction {
 public:
  TSWFActionSetTarget() : TSWFStringAction(0x8B) {}
  std::string& TargetName() { return FText; }
  const std::string& TargetName() const { return FText; }
  const char* ClassName() const override { return "TSWFActionSetTarget"; }
};

class TSWFActionGoToLabel : public TSWFStringAction {
 public:
  TSWFActionGoToLabel() : TSWFStringAction(0x8C) {}
  std::string& Label() { return FText; }
  const std::string& Label() const { return FText; }
  const char* ClassName() const override { return "TSWFActionGoToLabel"; }
};

// A pushed value. The variant's alternative decides the push type:
// empty -> undefined, TFlashNull -> null, integers -> 7, float -> 1,
// double -> 6, bool -> 5, strings -> 0 (or the literals "FlashVar_null" and
// "FlashVar_undefined").
struct TFlashNull {
  bool operator==(const TFlashNull&) const = default;
};
using TPushVariant = std::variant<std::monostate, TFlashNull, bool, int64_t, float, double, std::string>;

class TPushValueInfo {
 public:
  TPushVariant Value;
  uint8_t ValueType = 0;
  bool IsValid = true;
  bool operator==(const TPushValueInfo&) const = default;
};

class TSWFActionPush : public TSWFAction4 {
 public:
  TSWFActionPush() : TSWFAction4(0x96) {}
  // Appends a value, its type taken from the variant.
  TPushValueInfo& AddValue(const TPushVariant& v);
  size_t ValueCount() const { return FValues.size(); }
  TPushValueInfo& Value(size_t i) { return FValues[i]; }
  const TPushValueInfo& Value(size_t i) const { return FValues[i]; }
  // Changes the type of value i (any type but 10).
  void SetValueType(size_t i, uint8_t type);

  uint8_t MinVersion() const override;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionPush"; }

 private:
  std::vector<TPushValueInfo> FValues;
};

class TSWFActionGetURL2 : public TSWFAction4 {
 public:
  TSWFActionGetURL2() : TSWFAction4(0x9A) {}
  bool LoadTargetFlag = false;
  bool LoadVariablesFlag = false;
  uint8_t SendVarsMethod = 0;  // 2 bits
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionGetURL2"; }
};

class TSWFActionGotoFrame2 : public TSWFAction4 {
 public:
  TSWFActionGotoFrame2() : TSWFAction4(0x9F) {}
  bool PlayFlag = false;
  bool SceneBiasFlag = false;
  uint16_t SceneBias = 0;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionGotoFrame2"; }
};

class TSWFActionStoreRegister : public TSWFAction5 {
 public:
  TSWFActionStoreRegister() : TSWFAction5(0x87) {}
  uint8_t RegisterNumber = 0;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionStoreRegister"; }
};

class TSWFActionConstantPool : public TSWFAction5 {
 public:
  TSWFActionConstantPool() : TSWFAction5(0x88) {}
  std::vector<std::string> Constants;
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionConstantPool"; }
};

}  // namespace reelcast
