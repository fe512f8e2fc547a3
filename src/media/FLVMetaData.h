// The AMF0 values of an FLV's onMetaData script tag: a small class per value
// type, the ECMA array that holds them by name, and the onMetaData object
// with its lookup of the known property names. All numbers are big-endian.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/BitsEngine.h"
#include "swf/SWFObject.h"

namespace reelcast {

// AMF0 type codes that the metadata reader knows.
enum : uint8_t {
  kAmfNumber = 0,
  kAmfBoolean = 1,
  kAmfString = 2,
  kAmfObject = 3,
  kAmfMovieClip = 4,
  kAmfReference = 7,
  kAmfECMAArray = 8,
  kAmfObjectEnd = 9,
  kAmfStrictArray = 10,
  kAmfDate = 11,
};

// Indexes into the known property names ("duration" .. "keyframes").
enum TFLVMetaProperty : int {
  fmpDuration = 0,
  fmpLastTimeStamp,
  fmpLastKeyFrameTimeStamp,
  fmpWidth,
  fmpHeight,
  fmpVideoDataRate,
  fmpAudioDataRate,
  fmpFrameRate,
  fmpCreationDate,
  fmpFileSize,
  fmpVideoSize,
  fmpAudioSize,
  fmpDataSize,
  fmpMetaDataCreator,
  fmpMetaDataDate,
  fmpVideoCodecId,
  fmpAudioCodecId,
  fmpAudioDelay,
  fmpCanSeekToEnd,
  fmpKeyFrames,
  fmpCount
};

// The lower-case name of a known property; "" outside the range.
const char* FLVMetaPropertyName(int index);

// One AMF0 value found under a property name.
class TFLVCustomData : public TBasedSWFObject {
 public:
  explicit TFLVCustomData(uint8_t valueType) : ValueType(valueType) {}
  int ObjectKind() const override { return 2; }

  // The value as an integer (0 for kinds that have none).
  virtual int64_t GetValue() const = 0;
  // Reads the value's body; the type byte has been read already.
  virtual void ReadValue(TBitsEngine& be) {}

  std::string Name;
  uint8_t ValueType;
};

class TFLVDataNumber : public TFLVCustomData {
 public:
  TFLVDataNumber() : TFLVCustomData(kAmfNumber) {}
  int64_t GetValue() const override;  // rounded, clamped to the 64-bit range
  void ReadValue(TBitsEngine& be) override;
  double Value = 0;
};

class TFLVDataBoolean : public TFLVCustomData {
 public:
  TFLVDataBoolean() : TFLVCustomData(kAmfBoolean) {}
  int64_t GetValue() const override { return Value; }
  void ReadValue(TBitsEngine& be) override;
  uint8_t Value = 0;
};

// A string (type 2) or a movie clip path (type 4, read the same way).
class TFLVDataString : public TFLVCustomData {
 public:
  explicit TFLVDataString(uint8_t valueType = kAmfString) : TFLVCustomData(valueType) {}
  int64_t GetValue() const override;  // the string as an integer, 0 when not one
  void ReadValue(TBitsEngine& be) override;
  std::string Value;
};

// keyframes: { filepositions: [numbers], times: [numbers] } in either order.
class TFLVKeyFramesObjectData : public TFLVCustomData {
 public:
  TFLVKeyFramesObjectData() : TFLVCustomData(kAmfObject) {}
  int64_t GetValue() const override { return 0; }
  void ReadValue(TBitsEngine& be) override;

  uint32_t Count() const { return count_; }
  // Reallocates both arrays (zero-filled) unless the count is unchanged.
  void SetCount(uint32_t count);
  std::vector<double> Times;
  std::vector<int32_t> FilePositions;

 private:
  void ReadMember(TBitsEngine& be, bool first);
  uint32_t count_ = 0;
};

class TFLVDataWord : public TFLVCustomData {
 public:
  TFLVDataWord() : TFLVCustomData(kAmfReference) {}
  int64_t GetValue() const override { return Value; }
  void ReadValue(TBitsEngine& be) override;
  uint16_t Value = 0;
};

class TFLVDataDate : public TFLVCustomData {
 public:
  TFLVDataDate() : TFLVCustomData(kAmfDate) {}
  int64_t GetValue() const override { return 0; }
  void ReadValue(TBitsEngine& be) override;
  double Milliseconds = 0;  // since 1970
  int16_t TimeZone = 0;     // minutes
};

// Named values in file order. The body ends after Count values, at an
// unknown type, or when at most the three bytes of the end marker are left
// of the script tag (DataSize bytes counted from StartPosition).
class TFLVDataECMAArray : public TFLVCustomData {
 public:
  TFLVDataECMAArray() : TFLVCustomData(kAmfECMAArray) {}
  int64_t GetValue() const override { return 0; }
  void ReadValue(TBitsEngine& be) override;

  size_t ItemCount() const { return Items.size(); }
  TFLVCustomData* Item(size_t index) const {
    return index < Items.size() ? Items[index].get() : nullptr;
  }

  std::vector<std::unique_ptr<TFLVCustomData>> Items;
  int64_t StartPosition = 0;
  uint32_t DataSize = 0;
  int Depth = 0;  // nesting level; arrays nested too deeply are not read
};

// The script tag's value: "onMetaData" followed by an ECMA array.
class TFLVonMetaData : public TFLVDataECMAArray {
 public:
  // Reads from the script tag's first data byte. Anything else than the
  // string "onMetaData" followed by an ECMA array leaves Items empty. Read
  // errors inside the values end the parse quietly with what was read.
  void ReadValue(TBitsEngine& be) override;
  // The last value whose lower-cased name is the known name at index.
  TFLVCustomData* FindProperty(int index) const;
};

}  // namespace reelcast
