#include "swf/DisplayList.h"

#include "swf/TagText.h"

namespace reelcast {

namespace {

// Clip event flags: bits 0..15 in order, bit 0 first; from SWF 6 on five zero
// bits, bits 16 to 18 and a zero byte follow.
void WriteEventFlags(TBitsEngine& be, uint32_t flags, uint8_t version) {
  for (int i = 0; i < 16; ++i) be.WriteBit((flags >> i) & 1);
  if (version >= 6) {
    be.WriteBits(0u, 5);
    for (int i = 16; i < 19; ++i) be.WriteBit((flags >> i) & 1);
    be.WriteByte(0);
  }
}

uint32_t ReadEventFlags(TBitsEngine& be, uint8_t version) {
  uint32_t flags = 0;
  for (int i = 0; i < 16; ++i) flags |= be.ReadBits(1) << i;
  if (version >= 6) {
    be.ReadBits(5);
    for (int i = 16; i < 19; ++i) flags |= be.ReadBits(1) << i;
    be.ReadBits(8);
  }
  return flags;
}

// Bytes of the current view from the position on, at most size, as a fresh
// stream for a nested reader.
std::vector<uint8_t> TakeBytes(TBitsEngine& be, uint32_t size) {
  if (static_cast<int64_t>(size) > be.Stream().Remaining())
    throw EReadError("stream read error: " + std::to_string(size) + " bytes run past the end of the tag");
  std::vector<uint8_t> bytes(size);
  if (size) be.ReadBuffer(bytes.data(), size);
  return bytes;
}

}  // namespace

// ------------------------------------------------------------- PlaceObject

void TSWFBasedPlaceObject::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFBasedPlaceObject*>(&source)) {
    CharacterId = s->CharacterId;
    Depth = s->Depth;
  }
}

void TSWFPlaceObject::Assign(const TBasedSWFObject& source) {
  TSWFBasedPlaceObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFPlaceObject*>(&source)) {
    ColorTransform = s->ColorTransform;
    HasColorTransform = s->HasColorTransform;
    Matrix.Assign(s->Matrix);
  }
}

void TSWFPlaceObject::ReadFromStream(TBitsEngine& be) {
  const int64_t end = be.Stream().Position() + BodySize;
  SetCharacterId(be.ReadWord());
  Depth = be.ReadWord();
  Matrix.SetRec(be.ReadMatrix());
  HasColorTransform = be.Stream().Position() < end;
  if (HasColorTransform) ColorTransform.SetFromRec(be.ReadColorTransform(false));
}

void TSWFPlaceObject::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteWord(Depth);
  be.WriteMatrix(Matrix.Rec());
  if (WritesColorTransform()) {
    auto rec = ColorTransform.GetRec();
    rec.HasAlpha = false;
    be.WriteColorTransform(rec);
  }
}

std::string TSWFPlaceObject::Describe() const {
  return "character " + std::to_string(CharacterId) + " depth " + std::to_string(Depth) +
         (WritesColorTransform() ? " colour transform" : "");
}

// ------------------------------------------------------------ clip actions

void TSWFClipActionRecord::SetKeyCode(uint8_t code) {
  FKeyCode = code;
  if (code)
    EventFlags |= clipevent::KeyPress;
  else
    EventFlags &= ~clipevent::KeyPress;
}

TSWFClipActionRecord* TSWFClipActions::AddRecord(uint32_t flags, uint8_t keyCode) {
  auto r = std::make_unique<TSWFClipActionRecord>();
  r->EventFlags = flags;
  r->SetKeyCode(keyCode);
  AllEventFlags |= flags;
  Records.push_back(std::move(r));
  return Records.back().get();
}

void TSWFClipActions::Assign(const TSWFClipActions& source) {
  AllEventFlags = source.AllEventFlags;
  Records.clear();
  for (const auto& r : source.Records) {
    auto c = std::make_unique<TSWFClipActionRecord>();
    c->EventFlags = r->EventFlags;
    c->SetKeyCode(r->KeyCode());
    c->EventFlags = r->EventFlags;
    CopyActionList(*r, *c);
    Records.push_back(std::move(c));
  }
}

// ------------------------------------------------------------ PlaceObject2

TSWFClipActions& TSWFPlaceObject2::GetClipActions() {
  if (!FClipActions) FClipActions = std::make_unique<TSWFClipActions>();
  HasClipActions = true;
  return *FClipActions;
}

TSWFColorTransform& TSWFPlaceObject2::GetColorTransform() {
  if (!FColorTransform) {
    FColorTransform = std::make_unique<TSWFColorTransform>();
    FColorTransform->SetHasAlpha(true);
  }
  HasColorTransform = true;
  return *FColorTransform;
}

TSWFMatrix& TSWFPlaceObject2::GetMatrix() {
  if (!FMatrix) FMatrix = std::make_unique<TSWFMatrix>();
  HasMatrix = true;
  return *FMatrix;
}

void TSWFPlaceObject2::Assign(const TBasedSWFObject& source) {
  TSWFBasedPlaceObject::Assign(source);
  auto* s = dynamic_cast<const TSWFPlaceObject2*>(&source);
  if (!s) return;
  FClipDepth = s->FClipDepth;
  FRatio = s->FRatio;
  FName = s->FName;
  ParseActions = s->ParseActions;
  Move = s->Move;
  SWFVersion = s->SWFVersion;
  HasCharacter = s->HasCharacter;
  HasClipDepth = s->HasClipDepth;
  HasName = s->HasName;
  HasRatio = s->HasRatio;
  FClipActions.reset();
  FColorTransform.reset();
  FMatrix.reset();
  if (s->FClipActions) GetClipActions().Assign(*s->FClipActions);
  if (s->FColorTransform) GetColorTransform() = *s->FColorTransform;
  if (s->FMatrix) GetMatrix().Assign(*s->FMatrix);
  HasClipActions = s->HasClipActions;
  HasColorTransform = s->HasColorTransform;
  HasMatrix = s->HasMatrix;
}

uint8_t TSWFPlaceObject2::MinVersion() const {
  if (!HasClipOut()) return 3;
  return SWFVersion >= 6 ? SWFVersion : 5;
}

void TSWFPlaceObject2::WriteTagBody(TBitsEngine& be) {
  const bool clipOut = HasClipOut();
  be.WriteBit(clipOut);
  be.WriteBit(HasClipDepth);
  be.WriteBit(HasName);
  be.WriteBit(HasRatio);
  be.WriteBit(HasColorTransform);
  be.WriteBit(HasMatrix);
  be.WriteBit(HasCharacter);
  be.WriteBit(Move);
  WriteFlags2(be);
  be.WriteWord(Depth);
  if (HasCharacter) be.WriteWord(CharacterId);
  if (HasMatrix) be.WriteMatrix(GetMatrix().Rec());
  if (HasColorTransform) {
    auto rec = GetColorTransform().GetRec();
    rec.HasAlpha = true;
    be.WriteColorTransform(rec);
  }
  if (HasRatio) be.WriteWord(FRatio);
  if (HasName) be.WriteString(FName, true, false);
  if (HasClipDepth) be.WriteWord(FClipDepth);
  WriteExtra(be);
  if (clipOut) WriteClipActions(be);
}

void TSWFPlaceObject2::WriteClipActions(TBitsEngine& be) {
  if (SWFVersion < MinVersion()) SWFVersion = MinVersion();
  TStream& s = be.Stream();
  be.WriteWord(0);
  WriteEventFlags(be, FClipActions->AllEventFlags, SWFVersion);
  for (auto& r : FClipActions->Records) {
    WriteEventFlags(be, r->EventFlags, SWFVersion);
    const int64_t sizeField = s.Position();
    be.WriteDWord(0);
    if (r->EventFlags & clipevent::KeyPress) be.WriteByte(r->KeyCode());
    if (r->Empty()) {
      be.WriteByte(0);
    } else {
      r->WriteItems(be);
      auto* raw = dynamic_cast<TSWFActionByteCode*>(r->Last());
      if (!(raw && !raw->Data.empty() && raw->Data.back() == 0)) be.WriteByte(0);
    }
    const int64_t end = s.Position();
    s.SetPosition(sizeField);
    be.WriteDWord(static_cast<uint32_t>(end - sizeField - 4));
    s.SetPosition(end);
  }
  if (SWFVersion < 6)
    be.WriteWord(0);
  else
    be.WriteDWord(0);
}

void TSWFPlaceObject2::ReadFromStream(TBitsEngine& be) {
  const int64_t end = be.Stream().Position() + BodySize;
  const uint8_t f = be.ReadByte();
  Move = f & 1;
  HasCharacter = f & 2;
  HasMatrix = f & 4;
  HasColorTransform = f & 8;
  HasRatio = f & 16;
  HasName = f & 32;
  HasClipDepth = f & 64;
  HasClipActions = f & 128;
  ReadFlags2(be);
  Depth = be.ReadWord();
  if (HasCharacter) SetCharacterId(be.ReadWord());
  if (HasMatrix) GetMatrix().SetRec(be.ReadMatrix());
  if (HasColorTransform) GetColorTransform().SetFromRec(be.ReadColorTransform(true));
  if (HasRatio) FRatio = be.ReadWord();
  if (HasName) FName = be.ReadString();
  if (HasClipDepth) FClipDepth = be.ReadWord();
  ReadExtra(be);
  if (HasClipActions) ReadClipActions(be, end);
}

void TSWFPlaceObject2::ReadClipActions(TBitsEngine& be, int64_t end) {
  TStream& s = be.Stream();
  be.ReadWord();
  auto& clip = GetClipActions();
  clip.Records.clear();
  clip.AllEventFlags = ReadEventFlags(be, SWFVersion);
  for (;;) {
    const uint32_t flags = ReadEventFlags(be, SWFVersion);
    if (flags == 0) break;
    uint32_t size = be.ReadDWord();
    const int64_t start = s.Position();
    if (start + static_cast<int64_t>(size) > end)
      throw EReadError("stream read error: clip action record runs past the end of the tag");
    auto r = std::make_unique<TSWFClipActionRecord>();
    r->EventFlags = flags;
    if (flags & clipevent::KeyPress) {
      r->SetKeyCode(be.ReadByte());
      r->EventFlags = flags;
    }
    const int64_t rest = start + size - s.Position();
    if (ParseActions) {
      ReadActions(be, *r, rest);
    } else if (rest > 0) {
      auto raw = std::make_unique<TSWFActionByteCode>();
      raw->Data = TakeBytes(be, static_cast<uint32_t>(rest));
      r->Add(std::move(raw));
    }
    s.SetPosition(start + size);
    clip.Records.push_back(std::move(r));
  }
  if (clip.Records.empty()) HasClipActions = false;
}

std::string TSWFPlaceObject2::Describe() const {
  std::string s = "depth " + std::to_string(Depth);
  if (HasCharacter) s += " character " + std::to_string(CharacterId);
  if (Move) s += " move";
  if (HasMatrix) s += " matrix";
  if (HasColorTransform) s += " colour transform";
  if (HasRatio) s += " ratio " + std::to_string(FRatio);
  if (HasName) s += " name \"" + FName + "\"";
  if (HasClipDepth) s += " clip depth " + std::to_string(FClipDepth);
  if (HasClipOut()) s += " clip actions " + std::to_string(FClipActions->Records.size());
  return s;
}

// ------------------------------------------------------------ PlaceObject3

void TSWFPlaceObject3::Assign(const TBasedSWFObject& source) {
  TSWFPlaceObject2::Assign(source);
  if (auto* s = dynamic_cast<const TSWFPlaceObject3*>(&source)) {
    BlendMode = s->BlendMode;
    CacheAsBitmap = s->CacheAsBitmap;
    HasBlendMode = s->HasBlendMode;
    HasFilterList = s->HasFilterList;
    AsPlaceObject2 = s->AsPlaceObject2;
    CopyFilters(s->Filters, Filters);
  }
}

void TSWFPlaceObject3::ReadFlags2(TBitsEngine& be) {
  const uint8_t f = be.ReadByte();
  CacheAsBitmap = f & 4;
  HasBlendMode = f & 2;
  HasFilterList = f & 1;
}

void TSWFPlaceObject3::ReadExtra(TBitsEngine& be) {
  if (HasFilterList) ReadFilters(Filters, be);
  if (HasBlendMode) BlendMode = be.ReadByte();
}

void TSWFPlaceObject3::WriteFlags2(TBitsEngine& be) {
  if (AsPlaceObject2) return;
  be.WriteByte(static_cast<uint8_t>(CacheAsBitmap * 4 + HasBlendMode * 2 +
                                    (HasFilterList && !Filters.empty())));
}

void TSWFPlaceObject3::WriteExtra(TBitsEngine& be) {
  if (AsPlaceObject2) return;
  if (HasFilterList && !Filters.empty()) WriteFilters(Filters, be);
  if (HasBlendMode) be.WriteByte(BlendMode);
}

std::string TSWFPlaceObject3::Describe() const {
  std::string s = TSWFPlaceObject2::Describe();
  if (HasFilterList) s += " filters " + std::to_string(Filters.size());
  if (HasBlendMode) s += " blend " + std::to_string(BlendMode);
  if (CacheAsBitmap) s += " cache as bitmap";
  return s;
}

// ---------------------------------------------------------------- removals

void TSWFRemoveObject::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFRemoveObject*>(&source)) {
    CharacterId = s->CharacterId;
    Depth = s->Depth;
  }
}
void TSWFRemoveObject::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  Depth = be.ReadWord();
}
void TSWFRemoveObject::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteWord(Depth);
}
std::string TSWFRemoveObject::Describe() const {
  return "character " + std::to_string(CharacterId) + " depth " + std::to_string(Depth);
}

void TSWFRemoveObject2::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = dynamic_cast<const TSWFRemoveObject2*>(&source)) Depth = s->Depth;
}
void TSWFRemoveObject2::ReadFromStream(TBitsEngine& be) { Depth = be.ReadWord(); }
void TSWFRemoveObject2::WriteTagBody(TBitsEngine& be) { be.WriteWord(Depth); }

// ------------------------------------------------------------------ sprite

void TSWFDefineSprite::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  auto* s = dynamic_cast<const TSWFDefineSprite*>(&source);
  if (!s) return;
  SpriteId = s->SpriteId;
  FrameCount = s->FrameCount;
  SWFVersion = s->SWFVersion;
  ParseActions = s->ParseActions;
  ControlTags.clear();
  for (const auto& t : s->ControlTags) ControlTags.push_back(t->Clone());
}

void TSWFDefineSprite::ReadFromStream(TBitsEngine& be) {
  SpriteId = be.ReadWord();
  FrameCount = be.ReadWord();
  ControlTags.clear();
  for (;;) {
    const uint16_t header = be.ReadWord();
    if (header == 0) {
      ControlTags.push_back(CreateTagObject(0));
      break;
    }
    const uint16_t code = header >> 6;
    uint32_t length = header & 63;
    if (length == 63) length = be.ReadDWord();
    auto tag = CreateTagObject(code);
    tag->BodySize = static_cast<int32_t>(length);
    if (code == 12 || code == 59 || code == 26) tag->SetReadContext({SWFVersion, ParseActions});
    // Each tag reads from a view of exactly its own body. A sprite read
    // from a file hands its large tags a window of the file, so that their
    // payloads (a whole video's frames, say) stay there.
    auto* window = dynamic_cast<TFileWindowStream*>(&be.Stream());
    if (window && length >= TSWFDataObject::kMinFileData) {
      const std::unique_ptr<TFileWindowStream> part = window->Take(length);
      TBitsEngine sub(*part);
      tag->ReadFromStream(sub);
    } else {
      const std::vector<uint8_t> body = TakeBytes(be, length);
      TMemoryViewStream view(body.data(), body.size());
      TBitsEngine sub(view);
      tag->ReadFromStream(sub);
    }
    ControlTags.push_back(std::move(tag));
  }
}

void TSWFDefineSprite::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SpriteId);
  be.WriteWord(FrameCount);
  for (auto& t : ControlTags) t->WriteToStream(be);
  if (ControlTags.empty() || ControlTags.back()->TagID != 0) be.WriteWord(0);
}

void TSWFDefineSprite::CharacterReferences(std::vector<uint16_t*>& ids) {
  for (auto& t : ControlTags) t->CharacterReferences(ids);
}

void TSWFDefineSprite::SubTags(std::vector<TSWFObject*>& tags) {
  for (auto& t : ControlTags) tags.push_back(t.get());
}

std::string TSWFDefineSprite::Describe() const {
  size_t tags = 0;  // the End tag is not counted: writing adds one
  for (const auto& t : ControlTags) tags += t->TagID != 0;
  return "id " + std::to_string(SpriteId) + " frames " + std::to_string(FrameCount) + " tags " +
         std::to_string(tags);
}

void RegisterButtonTags(TSWFTagRegistry& registry);

void RegisterDisplayListTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFShowFrame>(1, "TSWFShowFrame");
  registry.Add<TSWFPlaceObject>(4, "TSWFPlaceObject");
  registry.Add<TSWFRemoveObject>(5, "TSWFRemoveObject");
  registry.Add<TSWFPlaceObject2>(26, "TSWFPlaceObject2");
  registry.Add<TSWFRemoveObject2>(28, "TSWFRemoveObject2");
  registry.Add<TSWFDefineSprite>(39, "TSWFDefineSprite");
  registry.Add<TSWFPlaceObject3>(70, "TSWFPlaceObject3");
  RegisterButtonTags(registry);
}

}  // namespace reelcast
