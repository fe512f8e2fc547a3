#include "swf/ControlTags.h"

#include <algorithm>

#include "swf/MD5Crypt.h"

namespace reelcast {

namespace {

template <class T>
const T* As(const TBasedSWFObject& source) {
  return dynamic_cast<const T*>(&source);
}

// Bytes of the body not yet read (the stream may hold more than this tag).
int64_t BodyLeft(TBitsEngine& be, int64_t start, int32_t bodySize) {
  return std::max<int64_t>(0, start + bodySize - be.Stream().Position());
}

}  // namespace

void RegisterControlTags(TSWFTagRegistry& registry) {
  registry.Add<TSWFEnd>(0, "TSWFEnd");
  registry.Add<TSWFSetBackgroundColor>(9, "TSWFSetBackgroundColor");
  registry.Add<TSWFProtect>(24, "TSWFProtect");
  registry.Add<TSWFFrameLabel>(43, "TSWFFrameLabel");
  registry.Add<TSWFExportAssets>(56, "TSWFExportAssets");
  registry.Add<TSWFImportAssets>(57, "TSWFImportAssets");
  registry.Add<TSWFEnableDebugger>(58, "TSWFEnableDebugger");
  registry.Add<TSWFEnableDebugger2>(64, "TSWFEnableDebugger2");
  registry.Add<TSWFScriptLimits>(65, "TSWFScriptLimits");
  registry.Add<TSWFSetTabIndex>(66, "TSWFSetTabIndex");
  registry.Add<TSWFFileAttributes>(69, "TSWFFileAttributes");
  registry.Add<TSWFImportAssets2>(71, "TSWFImportAssets2");
  registry.Add<TSWFMetadata>(77, "TSWFMetadata");
  registry.Add<TSWFDefineScalingGrid>(78, "TSWFDefineScalingGrid");
}

// ------------------------------------------------------ SetBackgroundColor

void TSWFSetBackgroundColor::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFSetBackgroundColor>(source)) Color.Assign(s->Color);
}

void TSWFSetBackgroundColor::ReadFromStream(TBitsEngine& be) { Color.SetRGB(be.ReadRGB()); }

void TSWFSetBackgroundColor::WriteTagBody(TBitsEngine& be) { be.WriteRGB(Color.RGB()); }

// -------------------------------------------------------------- FrameLabel

void TSWFFrameLabel::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFFrameLabel>(source)) {
    Name = s->Name;
    IsAnchor = s->IsAnchor;
  }
}

void TSWFFrameLabel::ReadFromStream(TBitsEngine& be) {
  int64_t start = be.Stream().Position();
  Name = be.ReadString();
  if (BodyLeft(be, start, BodySize) == 1) IsAnchor = be.ReadByte() != 0;
}

void TSWFFrameLabel::WriteTagBody(TBitsEngine& be) {
  be.WriteString(Name);
  if (IsAnchor) be.WriteByte(1);
}

// ----------------------------------------------------------------- Protect

void TSWFProtect::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFProtect>(source)) {
    PasswordHash = s->PasswordHash;
    Password = s->Password;
  }
}

uint8_t TSWFProtect::MinVersion() const {
  return Password.empty() && PasswordHash.empty() ? 2 : 5;
}

void TSWFProtect::ReadFromStream(TBitsEngine& be) {
  if (BodySize <= 0) return;
  be.ReadWord();  // reserved
  int hashBytes = std::clamp(BodySize - 2, 0, 255);
  PasswordHash = be.ReadFixedString(hashBytes);
}

void TSWFProtect::WriteTagBody(TBitsEngine& be) {
  if (Password.empty() && PasswordHash.empty()) return;
  be.WriteWord(0);
  if (!Password.empty()) PasswordHash = MD5Crypt(Password, "");
  if (!PasswordHash.empty()) be.WriteString(PasswordHash);
}

// ------------------------------------------------------------ Export/Import

void TSWFExportAssets::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFExportAssets>(source))
    Assets.insert(Assets.end(), s->Assets.begin(), s->Assets.end());
}

void TSWFExportAssets::ReadAssets(TBitsEngine& be) {
  uint16_t count = be.ReadWord();
  // Items are appended one by one as they are read: a lying count ends in a
  // read error, never in a large allocation.
  for (uint16_t i = 0; i < count; ++i) {
    TSWFAsset asset;
    asset.Id = be.ReadWord();
    asset.Name = be.ReadString();
    Assets.push_back(std::move(asset));
  }
}

void TSWFExportAssets::WriteAssets(TBitsEngine& be) {
  be.WriteWord(static_cast<uint16_t>(Assets.size()));
  for (const auto& asset : Assets) {
    be.WriteWord(asset.Id);
    be.WriteString(asset.Name);
  }
}

void TSWFExportAssets::ReadFromStream(TBitsEngine& be) { ReadAssets(be); }
void TSWFExportAssets::WriteTagBody(TBitsEngine& be) { WriteAssets(be); }

void TSWFExportAssets::CharacterReferences(std::vector<uint16_t*>& ids) {
  for (auto& asset : Assets) ids.push_back(&asset.Id);
}

void TSWFImportAssets::Assign(const TBasedSWFObject& source) {
  TSWFExportAssets::Assign(source);
  if (auto* s = As<TSWFImportAssets>(source)) URL = s->URL;
}

void TSWFImportAssets::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString();
  ReadAssets(be);
}

void TSWFImportAssets::WriteTagBody(TBitsEngine& be) {
  be.WriteString(URL);
  WriteAssets(be);
}

void TSWFImportAssets::DefinedCharacters(std::vector<uint16_t*>& ids) {
  for (auto& asset : Assets) ids.push_back(&asset.Id);
}

void TSWFImportAssets2::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString();
  be.ReadByte();
  be.ReadByte();
  ReadAssets(be);
}

void TSWFImportAssets2::WriteTagBody(TBitsEngine& be) {
  be.WriteString(URL);
  be.WriteByte(1);
  be.WriteByte(0);
  WriteAssets(be);
}

// ------------------------------------------------- ScriptLimits, SetTabIndex

void TSWFScriptLimits::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFScriptLimits>(source)) {
    MaxRecursionDepth = s->MaxRecursionDepth;
    ScriptTimeoutSeconds = s->ScriptTimeoutSeconds;
  }
}

void TSWFScriptLimits::ReadFromStream(TBitsEngine& be) {
  MaxRecursionDepth = be.ReadWord();
  ScriptTimeoutSeconds = be.ReadWord();
}

void TSWFScriptLimits::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(MaxRecursionDepth);
  be.WriteWord(ScriptTimeoutSeconds);
}

void TSWFSetTabIndex::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFSetTabIndex>(source)) {
    Depth = s->Depth;
    TabIndex = s->TabIndex;
  }
}

void TSWFSetTabIndex::ReadFromStream(TBitsEngine& be) {
  Depth = be.ReadWord();
  TabIndex = be.ReadWord();
}

void TSWFSetTabIndex::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(Depth);
  be.WriteWord(TabIndex);
}

// ---------------------------------------------------------- FileAttributes

void TSWFFileAttributes::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFFileAttributes>(source)) {
    HasMetadata = s->HasMetadata;
    UseNetwork = s->UseNetwork;
    OtherFlags = s->OtherFlags;
  }
}

void TSWFFileAttributes::ReadFromStream(TBitsEngine& be) {
  uint32_t flags = be.ReadUInt(1);
  HasMetadata = (flags & 0x10) != 0;
  UseNetwork = (flags & 0x01) != 0;
  uint8_t rest[3];
  be.ReadBuffer(rest, 3);
  OtherFlags = (flags & ~0x11u) | (rest[0] << 8) | (rest[1] << 16) |
               (static_cast<uint32_t>(rest[2]) << 24);
}

void TSWFFileAttributes::WriteTagBody(TBitsEngine& be) {
  uint32_t flags = (HasMetadata ? 0x10u : 0u) | (UseNetwork ? 0x01u : 0u) | (OtherFlags & ~0x11u);
  uint8_t bytes[4] = {static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8),
                      static_cast<uint8_t>(flags >> 16), static_cast<uint8_t>(flags >> 24)};
  be.WriteBuffer(bytes, 4);
}

// ---------------------------------------------------------------- Metadata

void TSWFMetadata::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFMetadata>(source)) {
    XML = s->XML;
    IsUtf8 = s->IsUtf8;
  }
}

void TSWFMetadata::ReadFromStream(TBitsEngine& be) {
  XML = be.ReadString();
  IsUtf8 = true;
}

void TSWFMetadata::WriteTagBody(TBitsEngine& be) { be.WriteString(XML, true, !IsUtf8); }

// ------------------------------------------------------- DefineScalingGrid

void TSWFDefineScalingGrid::Assign(const TBasedSWFObject& source) {
  TSWFObject::Assign(source);
  if (auto* s = As<TSWFDefineScalingGrid>(source)) {
    CharacterId = s->CharacterId;
    Splitter.Assign(s->Splitter);
  }
}

void TSWFDefineScalingGrid::ReadFromStream(TBitsEngine& be) {
  CharacterId = be.ReadWord();
  Splitter.SetRec(be.ReadRectRec());
}

void TSWFDefineScalingGrid::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterId);
  be.WriteRect(Splitter.Rec());
}

}  // namespace reelcast
