#include "swf/ActionsData.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace reelcast {

namespace {

template <class T>
const T* As(const TBasedSWFObject& source) {
  return dynamic_cast<const T*>(&source);
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

// ------------------------------------------------------------- GotoFrame

void TSWFActionGotoFrame::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionGotoFrame>(source)) Frame = s->Frame;
}
void TSWFActionGotoFrame::ReadFromStream(TBitsEngine& be) { Frame = be.ReadWord(); }
void TSWFActionGotoFrame::WriteActionBody(TBitsEngine& be) { be.WriteWord(Frame); }
std::string TSWFActionGotoFrame::Describe() const {
  return "GotoFrame " + std::to_string(Frame);
}

// ---------------------------------------------------------------- GetUrl

void TSWFActionGetUrl::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionGetUrl>(source)) {
    URL = s->URL;
    Target = s->Target;
    URLAsRead = s->URLAsRead;
  }
}
void TSWFActionGetUrl::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString();
  URLAsRead = true;
  Target = be.ReadString();
}
void TSWFActionGetUrl::WriteActionBody(TBitsEngine& be) {
  be.WriteString(URL, true, !URLAsRead);
  be.WriteString(Target, true, false);
}
std::string TSWFActionGetUrl::Describe() const {
  return "GetUrl " + Quote(URL) + " " + Quote(Target);
}

// ---------------------------------------------------------- WaitForFrame

void TSWFActionWaitForFrame::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionWaitForFrame>(source)) {
    Frame = s->Frame;
    SkipCount = s->SkipCount;
  }
}
void TSWFActionWaitForFrame::ReadFromStream(TBitsEngine& be) {
  Frame = be.ReadWord();
  SkipCount = be.ReadByte();
}
void TSWFActionWaitForFrame::WriteActionBody(TBitsEngine& be) {
  be.WriteWord(Frame);
  be.WriteByte(SkipCount);
}
std::string TSWFActionWaitForFrame::Describe() const {
  return "WaitForFrame " + std::to_string(Frame) + " skip " + std::to_string(SkipCount);
}

// --------------------------------------------------- SetTarget, GoToLabel

void TSWFStringAction::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFStringAction>(source)) FText = s->FText;
}
void TSWFStringAction::ReadFromStream(TBitsEngine& be) { FText = be.ReadString(); }
void TSWFStringAction::WriteActionBody(TBitsEngine& be) { be.WriteString(FText, true, false); }
std::string TSWFStringAction::Describe() const { return TSWFAction::Describe() + " " + Quote(FText); }

// ------------------------------------------------------------------ Push

namespace {

int64_t VariantToInt(const TPushVariant& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  if (auto* f = std::get_if<float>(&v)) return static_cast<int64_t>(std::nearbyint(*f));
  if (auto* d = std::get_if<double>(&v)) return static_cast<int64_t>(std::nearbyint(*d));
  if (auto* s = std::get_if<std::string>(&v)) return std::strtoll(s->c_str(), nullptr, 10);
  return 0;
}

double VariantToDouble(const TPushVariant& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* f = std::get_if<float>(&v)) return *f;
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* s = std::get_if<std::string>(&v)) return std::strtod(s->c_str(), nullptr);
  return 0;
}

std::string VariantToString(const TPushVariant& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (std::holds_alternative<float>(v) || std::holds_alternative<double>(v)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", VariantToDouble(v));
    return buf;
  }
  return "";
}

}  // namespace

TPushValueInfo& TSWFActionPush::AddValue(const TPushVariant& v) {
  TPushValueInfo info;
  info.Value = v;
  info.IsValid = true;
  switch (v.index()) {
    case 0: info.ValueType = 3; break;
    case 1: info.ValueType = 2; break;
    case 2: info.ValueType = 5; break;
    case 3: info.ValueType = 7; break;
    case 4: info.ValueType = 1; break;
    case 5: info.ValueType = 6; break;
    default: {
      const auto& s = std::get<std::string>(v);
      if (s == "FlashVar_undefined")
        info.ValueType = 3;
      else if (s == "FlashVar_null")
        info.ValueType = 2;
      else
        info.ValueType = 0;
      if (info.ValueType != 0) info.Value = s.size() > 9 ? s.substr(9, 9) : std::string();
    }
  }
  FValues.push_back(std::move(info));
  return FValues.back();
}

void TSWFActionPush::SetValueType(size_t i, uint8_t type) {
  if (type != 10) FValues[i].ValueType = type;
}

uint8_t TSWFActionPush::MinVersion() const {
  for (const auto& v : FValues)
    if (v.ValueType != 0 && v.ValueType != 1) return 5;
  return 4;
}

void TSWFActionPush::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionPush>(source)) FValues = s->FValues;
}

void TSWFActionPush::ReadFromStream(TBitsEngine& be) {
  auto& s = be.Stream();
  const int64_t start = s.Position();
  while (s.Position() - start < Length) {
    uint8_t type = be.ReadByte();
    TPushVariant v;
    switch (type) {
      case 0: v = be.ReadString(); break;
      case 1: v = be.ReadSingle(); break;
      case 2: v = std::string("FlashVar_null"); break;
      case 3: v = std::string("FlashVar_undefined"); break;
      case 6: {
        uint32_t hi = be.ReadDWord();
        uint32_t lo = be.ReadDWord();
        uint64_t bits = (static_cast<uint64_t>(hi) << 32) | lo;
        double d;
        std::memcpy(&d, &bits, 8);
        v = d;
        break;
      }
      case 7: v = static_cast<int64_t>(static_cast<int32_t>(be.ReadDWord())); break;
      case 9: v = static_cast<int64_t>(be.ReadWord()); break;
      case 4:
      case 5:
      case 8: v = static_cast<int64_t>(be.ReadByte()); break;
      default: break;
    }
    AddValue(v).ValueType = type;
  }
}

void TSWFActionPush::WriteActionBody(TBitsEngine& be) {
  for (const auto& info : FValues) {
    if (!info.IsValid) continue;
    be.WriteByte(info.ValueType);
    switch (info.ValueType) {
      case 0: be.WriteString(VariantToString(info.Value), true, false); break;
      case 1: be.WriteSingle(static_cast<float>(VariantToDouble(info.Value))); break;
      case 4:
      case 5:
      case 8: be.WriteByte(static_cast<uint8_t>(VariantToInt(info.Value))); break;
      case 6: {
        double d = VariantToDouble(info.Value);
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        be.WriteDWord(static_cast<uint32_t>(bits >> 32));
        be.WriteDWord(static_cast<uint32_t>(bits));
        break;
      }
      case 7: be.WriteDWord(static_cast<uint32_t>(VariantToInt(info.Value))); break;
      case 9: be.WriteWord(static_cast<uint16_t>(VariantToInt(info.Value))); break;
      default: break;
    }
  }
}

std::string TSWFActionPush::Describe() const {
  std::string out = "Push";
  bool first = true;
  for (const auto& info : FValues) {
    out += first ? " " : ", ";
    first = false;
    switch (info.ValueType) {
      case 0: out += Quote(VariantToString(info.Value)); break;
      case 2: out += "null"; break;
      case 3: out += "undefined"; break;
      case 4: out += "register " + VariantToString(info.Value); break;
      case 5: out += VariantToInt(info.Value) ? "true" : "false"; break;
      case 8:
      case 9: out += "constant " + VariantToString(info.Value); break;
      default: out += VariantToString(info.Value);
    }
  }
  return out;
}

// -------------------------------------------------------------- GetURL2

void TSWFActionGetURL2::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionGetURL2>(source)) {
    LoadTargetFlag = s->LoadTargetFlag;
    LoadVariablesFlag = s->LoadVariablesFlag;
    SendVarsMethod = s->SendVarsMethod;
  }
}
void TSWFActionGetURL2::ReadFromStream(TBitsEngine& be) {
  uint8_t b = be.ReadByte();
  LoadTargetFlag = (b & 0x80) != 0;
  LoadVariablesFlag = (b & 0x40) != 0;
  SendVarsMethod = b & 3;
}
void TSWFActionGetURL2::WriteActionBody(TBitsEngine& be) {
  be.WriteBit(LoadTargetFlag);
  be.WriteBit(LoadVariablesFlag);
  be.WriteBits(0, 4);
  be.WriteBits(SendVarsMethod, 2);
}
std::string TSWFActionGetURL2::Describe() const {
  return "GetURL2 target " + std::to_string(LoadTargetFlag) + " variables " +
         std::to_string(LoadVariablesFlag) + " method " + std::to_string(SendVarsMethod);
}

// ----------------------------------------------------------- GotoFrame2

void TSWFActionGotoFrame2::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionGotoFrame2>(source)) {
    PlayFlag = s->PlayFlag;
    SceneBiasFlag = s->SceneBiasFlag;
    SceneBias = s->SceneBias;
  }
}
void TSWFActionGotoFrame2::ReadFromStream(TBitsEngine& be) {
  uint8_t b = be.ReadByte();
  SceneBiasFlag = (b & 2) != 0;
  PlayFlag = (b & 1) != 0;
  if (SceneBiasFlag) SceneBias = be.ReadWord();
}
void TSWFActionGotoFrame2::WriteActionBody(TBitsEngine& be) {
  be.WriteBits(0, 6);
  be.WriteBit(SceneBiasFlag);
  be.WriteBit(PlayFlag);
  if (SceneBiasFlag) be.WriteWord(SceneBias);
}
std::string TSWFActionGotoFrame2::Describe() const {
  return "GotoFrame2 play " + std::to_string(PlayFlag) +
         (SceneBiasFlag ? " bias " + std::to_string(SceneBias) : std::string());
}

// -------------------------------------------------------- StoreRegister

void TSWFActionStoreRegister::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionStoreRegister>(source)) RegisterNumber = s->RegisterNumber;
}
void TSWFActionStoreRegister::ReadFromStream(TBitsEngine& be) { RegisterNumber = be.ReadByte(); }
void TSWFActionStoreRegister::WriteActionBody(TBitsEngine& be) { be.WriteByte(RegisterNumber); }
std::string TSWFActionStoreRegister::Describe() const {
  return "StoreRegister " + std::to_string(RegisterNumber);
}

// --------------------------------------------------------- ConstantPool

void TSWFActionConstantPool::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = As<TSWFActionConstantPool>(source)) Constants = s->Constants;
}
void TSWFActionConstantPool::ReadFromStream(TBitsEngine& be) {
  auto& s = be.Stream();
  const int64_t start = s.Position();
  uint16_t count = be.ReadWord();
  Constants.clear();
  for (uint16_t i = 0; i < count; ++i) Constants.push_back(be.ReadString());
  const int64_t consumed = s.Position() - start;
  if (consumed != Length) Length = static_cast<uint16_t>(consumed);
}
void TSWFActionConstantPool::WriteActionBody(TBitsEngine& be) {
  be.WriteWord(static_cast<uint16_t>(Constants.size()));
  for (const auto& c : Constants) be.WriteString(c, true, false);
}
std::string TSWFActionConstantPool::Describe() const {
  std::string out = "ConstantPool " + std::to_string(Constants.size());
  for (const auto& c : Constants) out += " " + Quote(c);
  return out;
}

}  // namespace reelcast
