// The control tags: End, SetBackgroundColor, FrameLabel, Protect and the two
// EnableDebugger tags, ExportAssets, ImportAssets and ImportAssets2,
// ScriptLimits, SetTabIndex, FileAttributes, Metadata, DefineScalingGrid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/Records.h"
#include "swf/SWFObject.h"

namespace reelcast {

class TSWFEnd : public TSWFObject {
 public:
  TSWFEnd() : TSWFObject(0) {}
};

class TSWFSetBackgroundColor : public TSWFObject {
 public:
  TSWFSetBackgroundColor() : TSWFObject(9) {}
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  TSWFRGB Color;
};

class TSWFFrameLabel : public TSWFObject {
 public:
  TSWFFrameLabel() : TSWFObject(43) {}
  explicit TSWFFrameLabel(std::string name, bool isAnchor = false)
      : TSWFObject(43), Name(std::move(name)), IsAnchor(isAnchor) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return IsAnchor ? 6 : 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  std::string Name;
  bool IsAnchor = false;
};

// Password protection. A plain Password is hashed with MD5Crypt (fresh random
// salt) into PasswordHash each time the tag is written.
class TSWFProtect : public TSWFObject {
 public:
  TSWFProtect() : TSWFObject(24) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  std::string PasswordHash;
  std::string Password;

 protected:
  explicit TSWFProtect(uint16_t code) : TSWFObject(code) {}
};

class TSWFEnableDebugger : public TSWFProtect {
 public:
  TSWFEnableDebugger() : TSWFProtect(58) {}
  uint8_t MinVersion() const override { return 5; }

 protected:
  explicit TSWFEnableDebugger(uint16_t code) : TSWFProtect(code) {}
};

class TSWFEnableDebugger2 : public TSWFEnableDebugger {
 public:
  TSWFEnableDebugger2() : TSWFEnableDebugger(64) {}
  uint8_t MinVersion() const override { return 6; }
};

struct TSWFAsset {
  std::string Name;
  uint16_t Id = 0;
  bool operator==(const TSWFAsset&) const = default;
};

class TSWFExportAssets : public TSWFObject {
 public:
  TSWFExportAssets() : TSWFObject(56) {}
  // Appends the source's assets.
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 5; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override;

  void AddAsset(const std::string& name, uint16_t id) { Assets.push_back({name, id}); }
  std::vector<TSWFAsset> Assets;

 protected:
  explicit TSWFExportAssets(uint16_t code) : TSWFObject(code) {}
  void ReadAssets(TBitsEngine& be);
  void WriteAssets(TBitsEngine& be);
};

// Imported names become characters of this movie: their ids are defined here.
class TSWFImportAssets : public TSWFExportAssets {
 public:
  TSWFImportAssets() : TSWFExportAssets(57) {}
  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override {}
  void DefinedCharacters(std::vector<uint16_t*>& ids) override;

  std::string URL;

 protected:
  explicit TSWFImportAssets(uint16_t code) : TSWFExportAssets(code) {}
};

class TSWFImportAssets2 : public TSWFImportAssets {
 public:
  TSWFImportAssets2() : TSWFImportAssets(71) {}
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
};

class TSWFScriptLimits : public TSWFObject {
 public:
  TSWFScriptLimits() : TSWFObject(65) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 7; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  uint16_t MaxRecursionDepth = 0;
  uint16_t ScriptTimeoutSeconds = 0;
};

class TSWFSetTabIndex : public TSWFObject {
 public:
  TSWFSetTabIndex() : TSWFObject(66) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 7; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  uint16_t Depth = 0;
  uint16_t TabIndex = 0;
};

class TSWFFileAttributes : public TSWFObject {
 public:
  TSWFFileAttributes() : TSWFObject(69) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  bool HasMetadata = false;
  bool UseNetwork = false;
  // Flag bits of later format versions found in a file (all but bits 4 and
  // 0 of the first byte, and the three bytes after it), written back as read
  // so that a rewritten file keeps them; zero for new tags.
  uint32_t OtherFlags = 0;
};

class TSWFMetadata : public TSWFObject {
 public:
  TSWFMetadata() : TSWFObject(77) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;

  // Text in the system code page, converted to UTF-8 when written; text read
  // from a file is kept as its UTF-8 bytes (IsUtf8) and written back as is.
  std::string XML;
  bool IsUtf8 = false;
};

class TSWFDefineScalingGrid : public TSWFObject {
 public:
  TSWFDefineScalingGrid() : TSWFObject(78) {}
  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&CharacterId); }

  uint16_t CharacterId = 0;
  TSWFRect Splitter;
};

}  // namespace reelcast
