// Action byte code: the action object model shared by every action list
// (DoAction, DoInitAction, button condition actions, clip actions), offset
// markers that compute branch offsets and block sizes while writing, and the
// reader that turns byte code back into objects with named markers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/BitsEngine.h"
#include "swf/SWFObject.h"

namespace reelcast {

class TSWFOffsetMarker;

// Root of every action. Length is the payload length: set when written, or
// taken from the file before the payload is read.
class TSWFAction : public TBasedSWFObject {
 public:
  explicit TSWFAction(uint8_t code) : FActionCode(code) {}
  ~TSWFAction() override = default;

  uint8_t ActionCode() const { return FActionCode; }
  uint16_t Length = 0;
  // Stream position of the code byte, recorded at the start of every write.
  int64_t ActionStart = 0;

  void Assign(const TBasedSWFObject& source) override;
  int ObjectKind() const override { return 0; }
  uint8_t MinVersion() const override { return 3; }
  // Reads the payload of Length bytes; the base skips them.
  virtual void ReadFromStream(TBitsEngine& be);
  // Writes the payload; the base writes nothing.
  virtual void WriteActionBody(TBitsEngine& be) {}
  // Code, length and payload (markers and raw bytes: the payload only).
  void WriteToStream(TBitsEngine& be) override;
  // Bytes the action takes in a list: 1 below 0x80, Length + 3 above,
  // 0 for markers. Valid after reading or writing.
  virtual int FullSize() const { return FActionCode < 0x80 ? 1 : Length + 3; }
  // One line for listings: the class name without its prefix and the fields.
  virtual std::string Describe() const;
  // The class name, e.g. "TSWFActionStop".
  virtual const char* ClassName() const;

 protected:
  uint8_t FActionCode;
};

// Version groups: the only thing they add is the minimum version.
class TSWFAction4 : public TSWFAction {
 public:
  using TSWFAction::TSWFAction;
  uint8_t MinVersion() const override { return 4; }
};
class TSWFAction5 : public TSWFAction {
 public:
  using TSWFAction::TSWFAction;
  uint8_t MinVersion() const override { return 5; }
};
class TSWFAction6 : public TSWFAction {
 public:
  using TSWFAction::TSWFAction;
  uint8_t MinVersion() const override { return 6; }
};
class TSWFAction7 : public TSWFAction {
 public:
  using TSWFAction::TSWFAction;
  uint8_t MinVersion() const override { return 7; }
};

// An ordered, owning list of actions and markers.
class TSWFActionList {
 public:
  TSWFActionList() = default;
  virtual ~TSWFActionList() = default;
  TSWFActionList(const TSWFActionList&) = delete;
  TSWFActionList& operator=(const TSWFActionList&) = delete;

  size_t Count() const { return FItems.size(); }
  bool Empty() const { return FItems.empty(); }
  TSWFAction* operator[](size_t i) const { return FItems[i].get(); }
  TSWFAction* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  // Appends and returns the action (the list owns it).
  template <class T>
  T* Add(std::unique_ptr<T> action) {
    T* raw = action.get();
    FItems.push_back(std::move(action));
    return raw;
  }
  template <class T, class... Args>
  T* AddNew(Args&&... args) {
    return Add(std::make_unique<T>(std::forward<Args>(args)...));
  }
  void Insert(size_t index, std::unique_ptr<TSWFAction> action);
  int IndexOf(const TSWFAction* action) const;
  void Clear() { FItems.clear(); }
  // Writes every item in order (no terminating zero).
  void WriteItems(TBitsEngine& be) const;
  // Largest MinVersion of the items, at least minimum.
  uint8_t MaxVersion(uint8_t minimum = 3) const;

 private:
  std::vector<std::unique_ptr<TSWFAction>> FItems;
};

// A position in an action list that an offset field refers to. It is never
// written as an action: written as an item it records its own position
// (backward) or patches the placeholder written by the referring action
// (forward).
class TSWFOffsetMarker : public TSWFAction {
 public:
  TSWFOffsetMarker() : TSWFAction(0xFF) {}
  bool InList = false;
  bool IsBackward = true;
  bool Enabled = true;
  std::string Name;
  int64_t FieldPos = 0;
  uint8_t FieldSize = 2;
  int64_t MarkerPos = 0;

  void Assign(const TBasedSWFObject& source) override;
  void WriteActionBody(TBitsEngine& be) override;
  int FullSize() const override { return 0; }
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFOffsetMarker"; }
  // Called by the referring action while it writes its payload: fieldPos is
  // the absolute position of the offset field in the list's stream. Writes
  // the backward distance or a forward placeholder into be.
  void WriteOffsetField(TBitsEngine& be, int64_t fieldPos);
};

class TSWFTryOffsetMarker : public TSWFOffsetMarker {
 public:
  // The marker that ends the preceding part of the same try block (not owned).
  TSWFTryOffsetMarker* PrevMarker = nullptr;
  const char* ClassName() const override { return "TSWFTryOffsetMarker"; }
};

// Holds a marker for a referring action: owned by the action until the marker
// is placed in a list (then the list owns it and this only points at it).
class TMarkerSlot {
 public:
  template <class M>
  M* Get() {
    if (!FMarker) {
      FOwned = std::make_unique<M>();
      FMarker = FOwned.get();
    }
    return static_cast<M*>(FMarker);
  }
  TSWFOffsetMarker* Peek() const { return FMarker; }
  // Hands ownership to a list; the slot keeps pointing at the marker.
  std::unique_ptr<TSWFOffsetMarker> Release() { return std::move(FOwned); }
  bool Owned() const { return FOwned != nullptr; }
  // Points at a marker owned elsewhere (a list), dropping any owned one.
  void Set(TSWFOffsetMarker* marker) {
    FOwned.reset();
    FMarker = marker;
  }

 private:
  std::unique_ptr<TSWFOffsetMarker> FOwned;
  TSWFOffsetMarker* FMarker = nullptr;
};

// Raw action bytes, written verbatim (no code or length of their own): the
// form of unknown actions read from a file (code, length and payload) and of
// action lists kept unparsed.
class TSWFActionByteCode : public TSWFAction4 {
 public:
  TSWFActionByteCode() : TSWFAction4(0xFE) {}
  std::vector<uint8_t> Data;
  size_t DataSize() const { return Data.size(); }
  void SetData(const uint8_t* p, size_t n) { Data.assign(p, p + n); }

  void Assign(const TBasedSWFObject& source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  int FullSize() const override { return static_cast<int>(Data.size()); }
  std::string Describe() const override;
  const char* ClassName() const override { return "TSWFActionByteCode"; }
};

// Returns a new object for every known action code (254 raw bytes, 255
// marker included) and nullptr for any other code.
std::unique_ptr<TSWFAction> CreateActionObject(uint8_t code);

// Reads actions from be's stream into list until the zero code (consumed,
// not stored) or size bytes, then places markers where the offsets of the
// referring actions point.
void ReadActions(TBitsEngine& be, TSWFActionList& list, int64_t size);

// Places the marker of the action at list[index] at offset bytes from the end
// of that action (negative: backward). See ReadActions. Returns true when the
// marker became a list item.
bool InsertMarker(TSWFActionList& list, size_t index, TMarkerSlot& slot, int32_t offset,
                  int& labelCounter);

// Appends a copy of every item of source to dest; markers referred to from
// source items are re-linked to their copies.
void CopyActionList(const TSWFActionList& source, TSWFActionList& dest);

// Position just after the terminating zero code of the actions starting at
// the current position (or that position when no zero code comes before the
// end of the stream). The stream position is restored.
int64_t FindActionsEnd(TBitsEngine& be);

}  // namespace reelcast
