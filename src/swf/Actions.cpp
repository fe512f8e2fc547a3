#include "swf/Actions.h"

#include <stdexcept>

#include "swf/ActionsData.h"
#include "swf/ActionsFlow.h"
#include "swf/ActionsSimple.h"

namespace reelcast {

// ---------------------------------------------------------------- TSWFAction

void TSWFAction::Assign(const TBasedSWFObject& source) {
  if (auto* s = dynamic_cast<const TSWFAction*>(&source)) Length = s->Length;
}

void TSWFAction::ReadFromStream(TBitsEngine& be) {
  auto& s = be.Stream();
  s.SetPosition(s.Position() + Length);
}

void TSWFAction::WriteToStream(TBitsEngine& be) {
  ActionStart = be.Stream().Position();
  if (FActionCode == 0xFE || FActionCode == 0xFF) {
    WriteActionBody(be);
    return;
  }
  be.WriteByte(FActionCode);
  if (FActionCode < 0x80) return;
  TMemoryStream payload;
  TBitsEngine pbe(payload);
  WriteActionBody(pbe);
  pbe.FlushBits(true);
  if (payload.Size() > 0xFFFF) throw EWriteError("action payload longer than 65535 bytes");
  Length = static_cast<uint16_t>(payload.Size());
  be.WriteWord(Length);
  if (Length) be.WriteBuffer(payload.Memory(), Length, false);
}

std::string TSWFAction::Describe() const {
  std::string name = ClassName();
  if (name.rfind("TSWFAction", 0) == 0) name = name.substr(10);
  return name;
}

const char* TSWFAction::ClassName() const { return "TSWFAction"; }

// ------------------------------------------------------------ TSWFActionList

void TSWFActionList::Insert(size_t index, std::unique_ptr<TSWFAction> action) {
  FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(index), std::move(action));
}

int TSWFActionList::IndexOf(const TSWFAction* action) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == action) return static_cast<int>(i);
  return -1;
}

void TSWFActionList::WriteItems(TBitsEngine& be) const {
  for (const auto& a : FItems) a->WriteToStream(be);
}

uint8_t TSWFActionList::MaxVersion(uint8_t minimum) const {
  uint8_t v = minimum;
  for (const auto& a : FItems) v = std::max(v, a->MinVersion());
  return v;
}

// ---------------------------------------------------------- TSWFOffsetMarker

void TSWFOffsetMarker::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = dynamic_cast<const TSWFOffsetMarker*>(&source)) {
    IsBackward = s->IsBackward;
    Enabled = s->Enabled;
    Name = s->Name;
    FieldSize = s->FieldSize;
  }
}

static void WriteSized(TBitsEngine& be, int64_t value, uint8_t size) {
  if (size == 4)
    be.WriteDWord(static_cast<uint32_t>(value));
  else
    be.WriteWord(static_cast<uint16_t>(value));
}

void TSWFOffsetMarker::WriteOffsetField(TBitsEngine& be, int64_t fieldPos) {
  FieldPos = fieldPos;
  if (IsBackward) {
    WriteSized(be, MarkerPos - (FieldPos + FieldSize), FieldSize);
  } else {
    MarkerPos = FieldPos;
    WriteSized(be, 0, FieldSize);
  }
}

void TSWFOffsetMarker::WriteActionBody(TBitsEngine& be) {
  InList = true;
  if (!Enabled) return;
  auto& s = be.Stream();
  be.FlushBits(true);
  int64_t here = s.Position();
  if (IsBackward) {
    MarkerPos = here;
  } else {
    int64_t value = here - MarkerPos - FieldSize;
    s.SetPosition(MarkerPos);
    WriteSized(be, value, FieldSize);
    s.SetPosition(here);
  }
}

std::string TSWFOffsetMarker::Describe() const {
  return "Marker \"" + Name + "\"" + (Enabled ? "" : " (label)");
}

// -------------------------------------------------------- TSWFActionByteCode

void TSWFActionByteCode::Assign(const TBasedSWFObject& source) {
  TSWFAction::Assign(source);
  if (auto* s = dynamic_cast<const TSWFActionByteCode*>(&source)) Data = s->Data;
}

void TSWFActionByteCode::ReadFromStream(TBitsEngine& be) {
  Data.resize(Length);
  if (Length) be.Stream().ReadBuffer(Data.data(), Length);
}

void TSWFActionByteCode::WriteActionBody(TBitsEngine& be) {
  if (!Data.empty()) be.WriteBuffer(Data.data(), Data.size(), false);
}

std::string TSWFActionByteCode::Describe() const {
  std::string s = "ByteCode " + std::to_string(Data.size()) + " bytes";
  if (!Data.empty()) {
    char buf[8];
    std::snprintf(buf, sizeof buf, " [%02X]", Data[0]);
    s += buf;
  }
  return s;
}

// ------------------------------------------------------------------- factory

std::unique_ptr<TSWFAction> CreateActionObject(uint8_t code) {
  switch (code) {
#define REELCAST_CASE(Name, Code, Group) \
  case Code:                             \
    return std::make_unique<Name>();
    REELCAST_SIMPLE_ACTIONS(REELCAST_CASE)
#undef REELCAST_CASE
    case 0x81: return std::make_unique<TSWFActionGotoFrame>();
    case 0x83: return std::make_unique<TSWFActionGetUrl>();
    case 0x8A: return std::make_unique<TSWFActionWaitForFrame>();
    case 0x8B: return std::make_unique<TSWFActionSetTarget>();
    case 0x8C: return std::make_unique<TSWFActionGoToLabel>();
    case 0x96: return std::make_unique<TSWFActionPush>();
    case 0x99: return std::make_unique<TSWFActionJump>();
    case 0x9A: return std::make_unique<TSWFActionGetURL2>();
    case 0x9D: return std::make_unique<TSWFActionIf>();
    case 0x9F: return std::make_unique<TSWFActionGotoFrame2>();
    case 0x87: return std::make_unique<TSWFActionStoreRegister>();
    case 0x88: return std::make_unique<TSWFActionConstantPool>();
    case 0x94: return std::make_unique<TSWFActionWith>();
    case 0x9B: return std::make_unique<TSWFActionDefineFunction>();
    case 0x8E: return std::make_unique<TSWFActionDefineFunction2>();
    case 0x8F: return std::make_unique<TSWFActionTry>();
    case 0xFE: return std::make_unique<TSWFActionByteCode>();
    case 0xFF: return std::make_unique<TSWFOffsetMarker>();
    default: return nullptr;
  }
}

// -------------------------------------------------------------- ReadActions

namespace {

// Keeps an action whose payload could not be taken apart faithfully (unknown
// code, a payload that its reader did not consume exactly) as raw bytes: code,
// length and payload, so that writing reproduces it.
std::unique_ptr<TSWFAction> RawAction(TStream& s, uint8_t code, int64_t codePos, int64_t end) {
  auto raw = std::make_unique<TSWFActionByteCode>();
  raw->Data.resize(static_cast<size_t>(end - codePos));
  s.SetPosition(codePos);
  s.ReadBuffer(raw->Data.data(), raw->Data.size());
  raw->Length = static_cast<uint16_t>(code >= 0x80 ? end - codePos - 3 : 0);
  return raw;
}

}  // namespace

bool InsertMarker(TSWFActionList& list, size_t index, TMarkerSlot& slot, int32_t offset,
                  int& labelCounter) {
  TSWFOffsetMarker* marker = slot.Peek();
  if (!marker) return false;
  marker->Enabled = false;
  if (offset == 0) return false;
  int64_t value = offset;
  int64_t insertAt = -1;
  if (offset > 0) {
    for (size_t i = index + 1; i < list.Count(); ++i) {
      value -= list[i]->FullSize();
      if (value == 0) {
        insertAt = static_cast<int64_t>(i) + 1;
        break;
      }
      if (value < 0) break;
    }
  } else {
    for (int64_t i = static_cast<int64_t>(index); i >= 0; --i) {
      value += list[static_cast<size_t>(i)]->FullSize();
      if (value == 0) {
        insertAt = i;
        break;
      }
      if (value > 0) break;
    }
  }
  if (insertAt < 0 || !slot.Owned()) {
    marker->Name = "Error Size offset: " + std::to_string(offset);
    return false;
  }
  marker->IsBackward = offset < 0;
  if (marker->Name.empty()) marker->Name = "label " + std::to_string(++labelCounter);
  marker->InList = true;
  list.Insert(static_cast<size_t>(insertAt), slot.Release());
  return true;
}

void ReadActions(TBitsEngine& be, TSWFActionList& list, int64_t size) {
  auto& s = be.Stream();
  const int64_t start = s.Position();
  const int64_t limit = start + size;
  while (s.Position() < limit) {
    const int64_t codePos = s.Position();
    uint8_t code = be.ReadByte();
    if (code == 0) break;
    std::unique_ptr<TSWFAction> action;
    if (code != 0xFE && code != 0xFF) action = CreateActionObject(code);
    if (code < 0x80) {
      if (!action) action = RawAction(s, code, codePos, codePos + 1);
      list.Add(std::move(action));
      continue;
    }
    uint16_t length = be.ReadWord();
    const int64_t payloadEnd = s.Position() + length;
    if (payloadEnd > s.Size()) throw EReadError("action payload past the end of its data");
    bool faithful = false;
    if (action) {
      action->Length = length;
      try {
        action->ReadFromStream(be);
        faithful = s.Position() == payloadEnd ||
                   (code == 0x88 && s.Position() <= s.Size());  // pool corrects its Length
      } catch (const std::exception&) {
        faithful = false;
      }
    }
    if (!faithful) {
      list.Add(RawAction(s, code, codePos, payloadEnd));
      s.SetPosition(payloadEnd);
    } else {
      list.Add(std::move(action));
    }
  }

  // Marker pass: name the places that offsets point at.
  int labelCounter = 0;
  size_t i = 0;
  while (i < list.Count()) {
    TSWFAction* a = list[i];
    size_t step = 1;
    if (auto* j = dynamic_cast<TSWFActionJump*>(a)) {
      j->GetMarker();
      if (InsertMarker(list, i, j->Marker, j->BranchOffset(), labelCounter) && j->BranchOffset() < 0)
        step = 2;
    } else if (auto* w = dynamic_cast<TSWFActionWith*>(a)) {
      w->GetMarker();
      InsertMarker(list, i, w->Marker, w->Size(), labelCounter);
    } else if (auto* f = dynamic_cast<TSWFActionDefineFunction*>(a)) {
      f->GetMarker();
      InsertMarker(list, i, f->Marker, f->CodeSize(), labelCounter);
    } else if (auto* f2 = dynamic_cast<TSWFActionDefineFunction2*>(a)) {
      f2->GetMarker();
      InsertMarker(list, i, f2->Marker, f2->CodeSize(), labelCounter);
    } else if (auto* t = dynamic_cast<TSWFActionTry*>(a)) {
      ++labelCounter;
      const std::string n = std::to_string(labelCounter);
      t->GetTryMarker()->Name = "Try " + n;
      InsertMarker(list, i, t->TryMarker, t->TrySize(), labelCounter);
      int32_t at = t->TrySize();
      if (t->CatchBlock) {
        at += t->CatchSize();
        t->GetCatchMarker()->Name = "Catch " + n;
        InsertMarker(list, i, t->CatchMarker, at, labelCounter);
      }
      if (t->FinallyBlock) {
        at += t->FinallySize();
        t->GetFinallyMarker()->Name = "Finally " + n;
        InsertMarker(list, i, t->FinallyMarker, at, labelCounter);
      }
    }
    i += step;
  }
}

// ----------------------------------------------------------- CopyActionList

namespace {

// The marker slots of a referring action, with its StaticOffset flag.
struct TRefs {
  bool Static = true;
  std::vector<TMarkerSlot*> Slots;
};

TRefs RefsOf(TSWFAction* a) {
  TRefs r;
  if (auto* j = dynamic_cast<TSWFActionJump*>(a)) {
    r = {j->StaticOffset, {&j->Marker}};
  } else if (auto* w = dynamic_cast<TSWFActionWith*>(a)) {
    r = {w->StaticOffset, {&w->Marker}};
  } else if (auto* f = dynamic_cast<TSWFActionDefineFunction*>(a)) {
    r = {f->StaticOffset, {&f->Marker}};
  } else if (auto* f2 = dynamic_cast<TSWFActionDefineFunction2*>(a)) {
    r = {f2->StaticOffset, {&f2->Marker}};
  } else if (auto* t = dynamic_cast<TSWFActionTry*>(a)) {
    r = {t->StaticOffset, {&t->TryMarker, &t->CatchMarker, &t->FinallyMarker}};
  }
  return r;
}

}  // namespace

void CopyActionList(const TSWFActionList& source, TSWFActionList& dest) {
  const size_t base = dest.Count();
  for (size_t i = 0; i < source.Count(); ++i) {
    auto copy = CreateActionObject(source[i]->ActionCode());
    if (!copy) copy = std::make_unique<TSWFActionByteCode>();
    if (dynamic_cast<const TSWFTryOffsetMarker*>(source[i]))
      copy = std::make_unique<TSWFTryOffsetMarker>();
    copy->Assign(*source[i]);
    if (auto* m = dynamic_cast<TSWFOffsetMarker*>(copy.get())) m->InList = true;
    dest.Add(std::move(copy));
  }
  for (size_t i = 0; i < source.Count(); ++i) {
    TRefs from = RefsOf(source[i]);
    if (from.Static || from.Slots.empty()) continue;
    TRefs to = RefsOf(dest[base + i]);
    for (size_t k = 0; k < from.Slots.size(); ++k) {
      int idx = source.IndexOf(from.Slots[k]->Peek());
      if (idx >= 0) to.Slots[k]->Set(static_cast<TSWFOffsetMarker*>(dest[base + static_cast<size_t>(idx)]));
    }
  }
}

// ----------------------------------------------------------- FindActionsEnd

int64_t FindActionsEnd(TBitsEngine& be) {
  auto& s = be.Stream();
  const int64_t start = s.Position();
  const int64_t size = s.Size();
  int64_t pos = start;
  int64_t result = start;
  uint8_t b[2];
  while (pos < size) {
    s.SetPosition(pos);
    s.ReadBuffer(b, 1);
    ++pos;
    if (b[0] == 0) {
      result = pos;
      break;
    }
    if (b[0] >= 0x80) {
      if (pos + 2 > size) break;
      s.ReadBuffer(b, 2);
      pos += 2 + (b[0] | (b[1] << 8));
    }
  }
  s.SetPosition(start);
  return result;
}

}  // namespace reelcast
