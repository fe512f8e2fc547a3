// Actions that refer to other places of their list: branches, With blocks,
// function definitions and try blocks. Their offset or size fields are
// either static values (set explicitly or read from a file) or computed
// through offset markers while the list is written.
#pragma once

#include <string>
#include <vector>

#include "swf/Actions.h"

namespace reelcast {

// Jump (99) and, derived, If (9D): a signed 16-bit branch offset from the end
// of the action.
class TSWFActionJump : public TSWFAction4 {
 public:
  TSWFActionJump() : TSWFAction4(0x99) {}
  int16_t BranchOffset() const { return FBranchOffset; }
  void SetBranchOffset(int16_t v) {
    FBranchOffset = v;
    StaticOffset = true;
  }
  TSWFOffsetMarker* GetMarker() { return Marker.Get<TSWFOffsetMarker>(); }
  bool StaticOffset = false;
  TMarkerSlot Marker;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionJump"; }

 protected:
  explicit TSWFActionJump(uint8_t code) : TSWFAction4(code) {}
  int16_t FBranchOffset = 0;
};

class TSWFActionIf : public TSWFActionJump {
 public:
  TSWFActionIf() : TSWFActionJump(0x9D) {}
  const char* ClassName() const override { return "TSWFActionIf"; }
};

class TSWFActionWith : public TSWFAction5 {
 public:
  TSWFActionWith() : TSWFAction5(0x94) {}
  uint16_t Size() const { return FSize; }
  void SetSize(uint16_t v) {
    FSize = v;
    StaticOffset = true;
  }
  TSWFOffsetMarker* GetMarker() { return Marker.Get<TSWFOffsetMarker>(); }
  bool StaticOffset = false;
  TMarkerSlot Marker;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionWith"; }

 private:
  uint16_t FSize = 0;
};

class TSWFActionDefineFunction : public TSWFAction5 {
 public:
  TSWFActionDefineFunction() : TSWFAction5(0x9B) {}
  std::string FunctionName;
  std::vector<std::string> Params;
  uint16_t CodeSize() const { return FCodeSize; }
  void SetCodeSize(uint16_t v) {
    FCodeSize = v;
    StaticOffset = true;
  }
  TSWFOffsetMarker* GetMarker() { return Marker.Get<TSWFOffsetMarker>(); }
  bool StaticOffset = false;
  TMarkerSlot Marker;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionDefineFunction"; }

 private:
  uint16_t FCodeSize = 0;
};

struct TFunctionParam {
  std::string Name;
  uint8_t Register = 0;
  bool operator==(const TFunctionParam&) const = default;
};

class TSWFActionDefineFunction2 : public TSWFAction7 {
 public:
  TSWFActionDefineFunction2() : TSWFAction7(0x8E) {}
  std::string FunctionName;
  std::vector<TFunctionParam> Params;
  uint8_t RegisterCount = 0;
  bool PreloadArguments = false, PreloadGlobal = false, PreloadParent = false,
       PreloadRoot = false, PreloadSuper = false, PreloadThis = false,
       SuppressArguments = false, SuppressSuper = false, SuppressThis = false;
  uint16_t CodeSize() const { return FCodeSize; }
  void SetCodeSize(uint16_t v) {
    FCodeSize = v;
    StaticOffset = true;
  }
  TSWFOffsetMarker* GetMarker() { return Marker.Get<TSWFOffsetMarker>(); }
  bool StaticOffset = false;
  TMarkerSlot Marker;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionDefineFunction2"; }

 private:
  uint16_t FCodeSize = 0;
};

class TSWFActionTry : public TSWFAction7 {
 public:
  TSWFActionTry() : TSWFAction7(0x8F) {}
  bool CatchBlock = false;
  bool CatchInRegister = false;
  bool FinallyBlock = false;
  std::string CatchName;
  uint8_t CatchRegister = 0;
  uint16_t TrySize() const { return FTrySize; }
  uint16_t CatchSize() const { return FCatchSize; }
  uint16_t FinallySize() const { return FFinallySize; }
  void SetTrySize(uint16_t v) { FTrySize = v; StaticOffset = true; }
  void SetCatchSize(uint16_t v) { FCatchSize = v; StaticOffset = true; }
  void SetFinallySize(uint16_t v) { FFinallySize = v; StaticOffset = true; }
  TSWFTryOffsetMarker* GetTryMarker() { return TryMarker.Get<TSWFTryOffsetMarker>(); }
  TSWFTryOffsetMarker* GetCatchMarker() { return CatchMarker.Get<TSWFTryOffsetMarker>(); }
  TSWFTryOffsetMarker* GetFinallyMarker() { return FinallyMarker.Get<TSWFTryOffsetMarker>(); }
  bool StaticOffset = false;
  TMarkerSlot TryMarker, CatchMarker, FinallyMarker;

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionTry"; }

 private:
  uint16_t FTrySize = 0, FCatchSize = 0, FFinallySize = 0;
};

}  // namespace reelcast
