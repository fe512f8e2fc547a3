#include "swf/Buttons.h"

namespace reelcast {

// ----------------------------------------------------------- button records

TSWFColorTransform& TSWFButtonRecord::GetColorTransform() {
  if (!FColorTransform) {
    FColorTransform = std::make_unique<TSWFColorTransform>();
    FColorTransform->SetHasAlpha(true);
  }
  HasColorTransform = true;
  return *FColorTransform;
}

TSWFMatrix& TSWFButtonRecord::GetMatrix() {
  if (!FMatrix) FMatrix = std::make_unique<TSWFMatrix>();
  return *FMatrix;
}

void TSWFButtonRecord::Assign(const TSWFButtonRecord& source) {
  BlendMode = source.BlendMode;
  HasBlendMode = source.HasBlendMode;
  States = source.States;
  CharacterId = source.CharacterId;
  Depth = source.Depth;
  FColorTransform.reset();
  FMatrix.reset();
  if (source.FColorTransform) GetColorTransform() = *source.FColorTransform;
  if (source.FMatrix) GetMatrix().Assign(*source.FMatrix);
  CopyFilters(source.FFilters, FFilters);
  HasColorTransform = source.HasColorTransform;
  HasFilterList = source.HasFilterList;
}

void TSWFButtonRecord::WriteToStream(TBitsEngine& be) {
  be.WriteBits(0u, 2);
  be.WriteBit(HasBlendMode);
  be.WriteBit(HasFilterList);
  be.WriteBits(static_cast<uint32_t>(States & 15), 4);
  be.WriteWord(CharacterId);
  be.WriteWord(Depth);
  be.WriteMatrix(FMatrix ? FMatrix->Rec() : TSWFMatrixRec{});
  if (HasColorTransform) {
    auto rec = GetColorTransform().GetRec();
    rec.HasAlpha = true;
    be.WriteColorTransform(rec);
  }
  if (HasFilterList) WriteFilters(FFilters, be);
  if (HasBlendMode) be.WriteByte(BlendMode);
}

void TSWFButtonRecord::ReadFromStream(TBitsEngine& be, uint8_t flags, bool extended) {
  HasBlendMode = extended && (flags & 0x20);
  HasFilterList = extended && (flags & 0x10);
  States = flags & 15;
  CharacterId = be.ReadWord();
  Depth = be.ReadWord();
  GetMatrix().SetRec(be.ReadMatrix());
  if (!extended) return;
  GetColorTransform().SetFromRec(be.ReadColorTransform(true));
  if (HasFilterList) ReadFilters(FFilters, be);
  if (HasBlendMode) BlendMode = be.ReadByte();
}

// ----------------------------------------------------------------- buttons

void TSWFBasedButton::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFBasedButton*>(&source)) {
    ButtonId = s->ButtonId;
    ParseActions = s->ParseActions;
    Records.clear();
    for (const auto& r : s->Records) {
      auto c = std::make_unique<TSWFButtonRecord>();
      c->Assign(*r);
      Records.push_back(std::move(c));
    }
  }
}

void TSWFBasedButton::CharacterReferences(std::vector<uint16_t*>& ids) {
  for (auto& r : Records) ids.push_back(&r->CharacterId);
}

void TSWFBasedButton::ReadRecords(TBitsEngine& be, bool extended) {
  Records.clear();
  for (;;) {
    const uint8_t flags = be.ReadByte();
    if (flags == 0) break;
    auto r = std::make_unique<TSWFButtonRecord>();
    r->ReadFromStream(be, flags, extended);
    Records.push_back(std::move(r));
  }
}

void TSWFBasedButton::ReadActionPart(TBitsEngine& be, TSWFActionList& list, int64_t limit) {
  TStream& s = be.Stream();
  if (ParseActions) {
    ReadActions(be, list, limit - s.Position());
    return;
  }
  int64_t end = FindActionsEnd(be);
  const bool terminated = end > s.Position();
  if (!terminated) end = limit + 1;  // no zero code: keep every byte
  const int64_t size = std::min(end - 1, limit) - s.Position();
  if (size > 0) {
    auto raw = std::make_unique<TSWFActionByteCode>();
    raw->Data.resize(static_cast<size_t>(size));
    be.ReadBuffer(raw->Data.data(), raw->Data.size());
    list.Add(std::move(raw));
  }
  if (terminated) be.ReadByte();
}

void TSWFDefineButton::Assign(const TBasedSWFObject& source) {
  TSWFBasedButton::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineButton*>(&source)) {
    Actions.Clear();
    CopyActionList(s->Actions, Actions);
  }
}

void TSWFDefineButton::ReadFromStream(TBitsEngine& be) {
  const int64_t end = be.Stream().Position() + BodySize;
  ButtonId = be.ReadWord();
  ReadRecords(be, false);
  Actions.Clear();
  ReadActionPart(be, Actions, end);
}

void TSWFDefineButton::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonId);
  for (auto& r : Records) r->WriteToStream(be);
  be.WriteByte(0);
  Actions.WriteItems(be);
  be.WriteByte(0);
}

std::string TSWFDefineButton::Describe() const {
  return "id " + std::to_string(ButtonId) + " records " + std::to_string(Records.size()) +
         " actions " + std::to_string(Actions.Count());
}

void TSWFDefineButton2::Assign(const TBasedSWFObject& source) {
  TSWFBasedButton::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineButton2*>(&source)) {
    TrackAsMenu = s->TrackAsMenu;
    Actions.clear();
    for (const auto& a : s->Actions) {
      auto c = std::make_unique<TSWFButtonCondAction>();
      c->Conditions = a->Conditions;
      c->KeyPress = a->KeyPress;
      CopyActionList(*a, *c);
      Actions.push_back(std::move(c));
    }
  }
}

void TSWFDefineButton2::ReadFromStream(TBitsEngine& be) {
  TStream& s = be.Stream();
  const int64_t end = s.Position() + BodySize;
  ButtonId = be.ReadWord();
  TrackAsMenu = be.ReadByte() & 1;
  const uint16_t actionOffset = be.ReadWord();
  ReadRecords(be, true);
  Actions.clear();
  if (actionOffset == 0 || s.Position() >= end) return;
  for (;;) {
    const int64_t start = s.Position();
    const uint16_t size = be.ReadWord();
    auto a = std::make_unique<TSWFButtonCondAction>();
    const uint8_t c1 = be.ReadByte();
    const uint8_t c2 = be.ReadByte();
    a->Conditions = static_cast<uint16_t>(c1 | ((c2 & 1) << 8));
    a->KeyPress = c2 >> 1;
    const int64_t limit = size ? start + size : end;
    if (limit > end) throw EReadError("stream read error: condition action past the end of the tag");
    ReadActionPart(be, *a, limit);
    Actions.push_back(std::move(a));
    if (size == 0) break;
    s.SetPosition(start + size);
  }
}

void TSWFDefineButton2::WriteTagBody(TBitsEngine& be) {
  TStream& s = be.Stream();
  be.WriteWord(ButtonId);
  be.WriteByte(TrackAsMenu ? 1 : 0);
  const int64_t offsetField = s.Position();
  be.WriteWord(0);
  for (auto& r : Records) {
    r->GetColorTransform();
    r->WriteToStream(be);
  }
  be.WriteByte(0);
  if (Actions.empty()) return;
  int64_t here = s.Position();
  s.SetPosition(offsetField);
  be.WriteWord(static_cast<uint16_t>(here - offsetField));
  s.SetPosition(here);
  for (size_t i = 0; i < Actions.size(); ++i) {
    auto& a = *Actions[i];
    const int64_t start = s.Position();
    be.WriteWord(0);
    be.WriteByte(static_cast<uint8_t>(a.Conditions & 0xFF));
    be.WriteBits(static_cast<uint32_t>(a.KeyPress & 127), 7);
    be.WriteBit((a.Conditions >> 8) & 1);
    a.WriteItems(be);
    be.WriteByte(0);
    if (i + 1 < Actions.size()) {
      here = s.Position();
      s.SetPosition(start);
      be.WriteWord(static_cast<uint16_t>(here - start));
      s.SetPosition(here);
    }
  }
}

std::string TSWFDefineButton2::Describe() const {
  return "id " + std::to_string(ButtonId) + " records " + std::to_string(Records.size()) +
         " condition actions " + std::to_string(Actions.size()) + (TrackAsMenu ? " menu" : "");
}

// ------------------------------------------------------------ cxform, sound

void TSWFDefineButtonCxform::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineButtonCxform*>(&source)) {
    ButtonId = s->ButtonId;
    ColorTransform = s->ColorTransform;
  }
}
void TSWFDefineButtonCxform::ReadFromStream(TBitsEngine& be) {
  ButtonId = be.ReadWord();
  ColorTransform.SetFromRec(be.ReadColorTransform(false));
}
void TSWFDefineButtonCxform::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonId);
  auto rec = ColorTransform.GetRec();
  rec.HasAlpha = false;
  be.WriteColorTransform(rec);
}

TSWFStartSound& TSWFDefineButtonSound::GetSound(TState state) {
  if (!FSounds[state]) FSounds[state] = std::make_unique<TSWFStartSound>();
  return *FSounds[state];
}

void TSWFDefineButtonSound::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFDefineButtonSound*>(&source)) {
    ButtonId = s->ButtonId;
    for (int i = 0; i < 4; ++i) {
      FSounds[i].reset();
      if (s->FSounds[i]) GetSound(static_cast<TState>(i)).Assign(*s->FSounds[i]);
    }
  }
}

void TSWFDefineButtonSound::ReadFromStream(TBitsEngine& be) {
  TStream& s = be.Stream();
  ButtonId = be.ReadWord();
  for (int i = 0; i < 4; ++i) {
    const uint16_t id = be.ReadWord();
    FSounds[i].reset();
    if (id == 0) continue;
    s.SetPosition(s.Position() - 2);
    GetSound(static_cast<TState>(i)).ReadFromStream(be);
  }
}

void TSWFDefineButtonSound::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonId);
  for (auto& sound : FSounds) {
    if (sound && sound->SoundId != 0)
      sound->WriteTagBody(be);
    else
      be.WriteWord(0);
  }
}

void TSWFDefineButtonSound::CharacterReferences(std::vector<uint16_t*>& ids) {
  ids.push_back(&ButtonId);
  for (auto& sound : FSounds)
    if (sound && sound->SoundId != 0) ids.push_back(&sound->SoundId);
}

std::string TSWFDefineButtonSound::Describe() const {
  static const char* names[] = {"OverUpToIdle", "IdleToOverUp", "OverUpToOverDown",
                                "OverDownToOverUp"};
  std::string s = "button " + std::to_string(ButtonId);
  for (int i = 0; i < 4; ++i)
    if (FSounds[i] && FSounds[i]->SoundId) s += std::string(" ") + names[i] + " " + FSounds[i]->Describe();
  return s;
}

void RegisterButtonTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFDefineButton>(7, "TSWFDefineButton");
  registry.Add<TSWFDefineButtonSound>(17, "TSWFDefineButtonSound");
  registry.Add<TSWFDefineButtonCxform>(23, "TSWFDefineButtonCxform");
  registry.Add<TSWFDefineButton2>(34, "TSWFDefineButton2");
}

}  // namespace reelcast
