// Button tags: DefineButton and DefineButton2 with their records and
// condition actions, DefineButtonCxform and DefineButtonSound.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "swf/Actions.h"
#include "swf/Filters.h"
#include "swf/Records.h"
#include "swf/SWFObject.h"
#include "swf/SoundVideo.h"

namespace reelcast {

namespace buttonstate {
constexpr uint8_t Up = 1, Down = 2, Over = 4, HitTest = 8;
}

class TSWFButtonRecord {
 public:
  uint8_t BlendMode = 0;
  bool HasBlendMode = false, HasFilterList = false, HasColorTransform = false;
  uint8_t States = 0;  // buttonstate bits
  uint16_t CharacterId = 0, Depth = 0;
  // Optional parts, created on first use (the colour transform with alpha).
  TSWFColorTransform& GetColorTransform();
  TSWFMatrix& GetMatrix();
  TSWFFilterList& GetFilters() {
    HasFilterList = true;
    return FFilters;
  }
  const TSWFFilterList& Filters() const { return FFilters; }

  void Assign(const TSWFButtonRecord& source);
  void WriteToStream(TBitsEngine& be);
  // Reads the record after its flag byte; extended records (DefineButton2)
  // carry the colour transform, filters and blend mode.
  void ReadFromStream(TBitsEngine& be, uint8_t flags, bool extended);

 private:
  std::unique_ptr<TSWFColorTransform> FColorTransform;
  std::unique_ptr<TSWFMatrix> FMatrix;
  TSWFFilterList FFilters;
};

namespace buttoncond {
constexpr uint16_t IdleToOverUp = 0x1, OverUpToIdle = 0x2, OverUpToOverDown = 0x4,
                   OverDownToOverUp = 0x8, OutDownToOverDown = 0x10, OverDownToOutDown = 0x20,
                   OutDownToIdle = 0x40, IdleToOverDown = 0x80, OverDownToIdle = 0x100;
}

class TSWFButtonCondAction : public TSWFActionList {
 public:
  uint16_t Conditions = 0;  // buttoncond bits
  uint8_t KeyPress = 0;     // 7 bits
};

class TSWFBasedButton : public TSWFObject {
 public:
  using TSWFObject::TSWFObject;
  uint16_t ButtonId = 0;
  std::vector<std::unique_ptr<TSWFButtonRecord>> Records;
  bool ParseActions = false;

  void Assign(const TBasedSWFObject& source) override;
  void SetReadContext(const TSWFReadContext& context) override {
    ParseActions = context.ParseActions;
  }
  void DefinedCharacters(std::vector<uint16_t*>& ids) override { ids.push_back(&ButtonId); }
  void CharacterReferences(std::vector<uint16_t*>& ids) override;

 protected:
  void ReadRecords(TBitsEngine& be, bool extended);
  // An action list up to its zero code: parsed, or one raw action.
  void ReadActionPart(TBitsEngine& be, TSWFActionList& list, int64_t limit);
};

class TSWFDefineButton : public TSWFBasedButton {
 public:
  TSWFDefineButton() : TSWFBasedButton(7) {}
  TSWFActionList Actions;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return Actions.MaxVersion(3); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineButton2 : public TSWFBasedButton {
 public:
  TSWFDefineButton2() : TSWFBasedButton(34) {}
  bool TrackAsMenu = false;
  std::vector<std::unique_ptr<TSWFButtonCondAction>> Actions;

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineButtonCxform : public TSWFObject {
 public:
  TSWFDefineButtonCxform() : TSWFObject(23) {}
  uint16_t ButtonId = 0;
  TSWFColorTransform ColorTransform;  // without alpha

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override { ids.push_back(&ButtonId); }
  std::string Describe() const override { return "button " + std::to_string(ButtonId); }
};

class TSWFDefineButtonSound : public TSWFObject {
 public:
  enum TState { OverUpToIdle, IdleToOverUp, OverUpToOverDown, OverDownToOverUp };
  TSWFDefineButtonSound() : TSWFObject(17) {}
  uint16_t ButtonId = 0;
  // The sound of a transition, created (and marked present) on first use.
  TSWFStartSound& GetSound(TState state);
  TSWFStartSound* Sound(TState state) const { return FSounds[state].get(); }

  void Assign(const TBasedSWFObject& source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void CharacterReferences(std::vector<uint16_t*>& ids) override;
  std::string Describe() const override;

 private:
  std::unique_ptr<TSWFStartSound> FSounds[4];
};

void RegisterButtonTags(TSWFTagRegistry& registry);

}  // namespace reelcast
