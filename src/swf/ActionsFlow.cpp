#include "swf/ActionsFlow.h"

namespace reelcast {

namespace {

template <class T>
const T* As(const TBasedSWFObject& source) {
  return dynamic_cast<const T*>(&source);
}

// Writes a 16-bit offset field: the static value, or through the marker when
// the value is not static and an enabled marker exists. payloadStart is the
// absolute position of the payload's first byte in the list's stream.
void WriteOffset(TBitsEngine& be, bool isStatic, TMarkerSlot& slot, int64_t payloadStart,
                 uint16_t value) {
  TSWFOffsetMarker* m = slot.Peek();
  if (!isStatic && m && m->Enabled) {
    be.FlushBits(true);
    m->WriteOffsetField(be, payloadStart + be.Stream().Position());
  } else {
    be.WriteWord(value);
  }
}

std::string MarkerNote(const TMarkerSlot& slot) {
  TSWFOffsetMarker* m = slot.Peek();
  return m && !m->Name.empty() ? " -> \"" + m->Name + "\"" : std::string();
}

}  // namespace

// ------------------------------------------------------------ Jump and If

void TSWFActionJump::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionJump>(source)) {
    FBranchOffset = s->FBranchOffset;
    StaticOffset = s->StaticOffset;
  }
}
void TSWFActionJump::ReadFromStream(TBitsEngine& be) {
  SetBranchOffset(static_cast<int16_t>(be.ReadWord()));
}
void TSWFActionJump::WriteActionBody(TBitsEngine& be) {
  WriteOffset(be, StaticOffset, Marker, ActionStart + 3, static_cast<uint16_t>(FBranchOffset));
}
std::string TSWFActionJump::Describe() const {
  return TSWFAction::Describe() + " " + std::to_string(FBranchOffset) + MarkerNote(Marker);
}

// ------------------------------------------------------------------ With

void TSWFActionWith::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionWith>(source)) {
    FSize = s->FSize;
    StaticOffset = s->StaticOffset;
  }
}
void TSWFActionWith::ReadFromStream(TBitsEngine& be) { SetSize(be.ReadWord()); }
void TSWFActionWith::WriteActionBody(TBitsEngine& be) {
  WriteOffset(be, StaticOffset, Marker, ActionStart + 3, FSize);
}
std::string TSWFActionWith::Describe() const {
  return "With " + std::to_string(FSize) + MarkerNote(Marker);
}

// -------------------------------------------------------- DefineFunction

void TSWFActionDefineFunction::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionDefineFunction>(source)) {
    FunctionName = s->FunctionName;
    Params = s->Params;
    FCodeSize = s->FCodeSize;
    StaticOffset = s->StaticOffset;
  }
}
void TSWFActionDefineFunction::ReadFromStream(TBitsEngine& be) {
  FunctionName = be.ReadString();
  uint16_t n = be.ReadWord();
  Params.clear();
  for (uint16_t i = 0; i < n; ++i) Params.push_back(be.ReadString());
  SetCodeSize(be.ReadWord());
}
void TSWFActionDefineFunction::WriteActionBody(TBitsEngine& be) {
  be.WriteString(FunctionName, true, false);
  be.WriteWord(static_cast<uint16_t>(Params.size()));
  for (const auto& p : Params) be.WriteString(p, true, false);
  WriteOffset(be, StaticOffset, Marker, ActionStart + 3, FCodeSize);
}
std::string TSWFActionDefineFunction::Describe() const {
  std::string out = "DefineFunction \"" + FunctionName + "\" (";
  for (size_t i = 0; i < Params.size(); ++i) out += (i ? ", " : "") + Params[i];
  return out + ") size " + std::to_string(FCodeSize) + MarkerNote(Marker);
}

// ------------------------------------------------------- DefineFunction2

void TSWFActionDefineFunction2::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionDefineFunction2>(source)) {
    FunctionName = s->FunctionName;
    Params = s->Params;
    RegisterCount = s->RegisterCount;
    PreloadArguments = s->PreloadArguments;
    PreloadGlobal = s->PreloadGlobal;
    PreloadParent = s->PreloadParent;
    PreloadRoot = s->PreloadRoot;
    PreloadSuper = s->PreloadSuper;
    PreloadThis = s->PreloadThis;
    SuppressArguments = s->SuppressArguments;
    SuppressSuper = s->SuppressSuper;
    SuppressThis = s->SuppressThis;
    FCodeSize = s->FCodeSize;
    StaticOffset = s->StaticOffset;
  }
}
void TSWFActionDefineFunction2::ReadFromStream(TBitsEngine& be) {
  FunctionName = be.ReadString();
  uint16_t n = be.ReadWord();
  RegisterCount = be.ReadByte();
  uint8_t f = be.ReadByte();
  PreloadParent = f & 0x80;
  PreloadRoot = f & 0x40;
  SuppressSuper = f & 0x20;
  PreloadSuper = f & 0x10;
  SuppressArguments = f & 0x08;
  PreloadArguments = f & 0x04;
  SuppressThis = f & 0x02;
  PreloadThis = f & 0x01;
  PreloadGlobal = be.ReadByte() & 1;
  Params.clear();
  for (uint16_t i = 0; i < n; ++i) {
    TFunctionParam p;
    p.Register = be.ReadByte();
    p.Name = be.ReadString();
    Params.push_back(std::move(p));
  }
  SetCodeSize(be.ReadWord());
}
void TSWFActionDefineFunction2::WriteActionBody(TBitsEngine& be) {
  be.WriteString(FunctionName, true, false);
  be.WriteWord(static_cast<uint16_t>(Params.size()));
  be.WriteByte(RegisterCount);
  be.WriteBit(PreloadParent);
  be.WriteBit(PreloadRoot);
  be.WriteBit(SuppressSuper);
  be.WriteBit(PreloadSuper);
  be.WriteBit(SuppressArguments);
  be.WriteBit(PreloadArguments);
  be.WriteBit(SuppressThis);
  be.WriteBit(PreloadThis);
  be.WriteBits(0, 7);
  be.WriteBit(PreloadGlobal);
  for (const auto& p : Params) {
    be.WriteByte(p.Register);
    be.WriteString(p.Name, true, false);
  }
  WriteOffset(be, StaticOffset, Marker, ActionStart + 3, FCodeSize);
}
std::string TSWFActionDefineFunction2::Describe() const {
  std::string out = "DefineFunction2 \"" + FunctionName + "\" (";
  for (size_t i = 0; i < Params.size(); ++i)
    out += (i ? ", " : "") + Params[i].Name + ":r" + std::to_string(Params[i].Register);
  return out + ") registers " + std::to_string(RegisterCount) + " size " +
         std::to_string(FCodeSize) + MarkerNote(Marker);
}

// ------------------------------------------------------------------- Try

void TSWFActionTry::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionTry>(source)) {
    CatchBlock = s->CatchBlock;
    CatchInRegister = s->CatchInRegister;
    FinallyBlock = s->FinallyBlock;
    CatchName = s->CatchName;
    CatchRegister = s->CatchRegister;
    FTrySize = s->FTrySize;
    FCatchSize = s->FCatchSize;
    FFinallySize = s->FFinallySize;
    StaticOffset = s->StaticOffset;
  }
}
void TSWFActionTry::ReadFromStream(TBitsEngine& be) {
  uint8_t f = be.ReadByte();
  CatchInRegister = f & 4;
  FinallyBlock = f & 2;
  CatchBlock = f & 1;
  SetTrySize(be.ReadWord());
  SetCatchSize(be.ReadWord());
  SetFinallySize(be.ReadWord());
  if (CatchInRegister)
    CatchRegister = be.ReadByte();
  else
    CatchName = be.ReadString();
}
void TSWFActionTry::WriteActionBody(TBitsEngine& be) {
  be.WriteBits(0, 5);
  be.WriteBit(CatchInRegister);
  be.WriteBit(FinallyBlock);
  be.WriteBit(CatchBlock);
  const int64_t base = ActionStart + 3;
  if (StaticOffset) {
    be.WriteWord(FTrySize);
    be.WriteWord(FCatchSize);
    be.WriteWord(FFinallySize);
  } else {
    TSWFTryOffsetMarker* tryM = GetTryMarker();
    WriteOffset(be, false, TryMarker, base, FTrySize);
    if (CatchBlock) {
      GetCatchMarker()->PrevMarker = tryM;
      WriteOffset(be, false, CatchMarker, base, FCatchSize);
    } else {
      be.WriteWord(0);
    }
    if (FinallyBlock) {
      GetFinallyMarker()->PrevMarker = CatchBlock ? GetCatchMarker() : tryM;
      WriteOffset(be, false, FinallyMarker, base, FFinallySize);
    } else {
      be.WriteWord(0);
    }
  }
  if (CatchInRegister)
    be.WriteByte(CatchRegister);
  else
    be.WriteString(CatchName, true, false);
}
std::string TSWFActionTry::Describe() const {
  std::string out = "Try size " + std::to_string(FTrySize);
  if (CatchBlock)
    out += " catch " + std::to_string(FCatchSize) +
           (CatchInRegister ? " r" + std::to_string(CatchRegister) : " \"" + CatchName + "\"");
  if (FinallyBlock) out += " finally " + std::to_string(FFinallySize);
  return out;
}

}  // namespace reelcast
