#include "media/FLVMetaData.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace reelcast {

namespace {
const char* const kPropertyNames[fmpCount] = {
    "duration",      "lasttimestamp", "lastkeyframetimestamp", "width",
    "height",        "videodatarate", "audiodatarate",         "framerate",
    "creationdate",  "filesize",      "videosize",             "audiosize",
    "datasize",      "metadatacreator", "metadatadate",        "videocodecid",
    "audiocodecid",  "audiodelay",    "canseektoend",          "keyframes",
};

// Arrays nested deeper than this are not read (the parse ends there), so a
// hostile file cannot exhaust the stack.
constexpr int kMaxDepth = 8;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int64_t RoundToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(std::nearbyint(v));
}

// The value class for a type code under a property name, or null when the
// reader does not know it (the parse ends there).
std::unique_ptr<TFLVCustomData> CreateValue(uint8_t type, const std::string& name, int depth) {
  switch (type) {
    case kAmfNumber: return std::make_unique<TFLVDataNumber>();
    case kAmfBoolean: return std::make_unique<TFLVDataBoolean>();
    case kAmfString:
    case kAmfMovieClip: return std::make_unique<TFLVDataString>(type);
    case kAmfObject:
      if (name == "keyframes") return std::make_unique<TFLVKeyFramesObjectData>();
      return nullptr;
    case kAmfReference: return std::make_unique<TFLVDataWord>();
    case kAmfECMAArray:
      if (depth >= kMaxDepth) return nullptr;
      return std::make_unique<TFLVDataECMAArray>();
    case kAmfDate: return std::make_unique<TFLVDataDate>();
    default: return nullptr;
  }
}
}  // namespace

const char* FLVMetaPropertyName(int index) {
  return index >= 0 && index < fmpCount ? kPropertyNames[index] : "";
}

// ------------------------------------------------------------------ values

int64_t TFLVDataNumber::GetValue() const { return RoundToInt64(Value); }

void TFLVDataNumber::ReadValue(TBitsEngine& be) { Value = be.ReadDoubleBE(); }

void TFLVDataBoolean::ReadValue(TBitsEngine& be) { Value = be.ReadByte(); }

int64_t TFLVDataString::GetValue() const {
  size_t b = 0, e = Value.size();
  while (b < e && std::isspace(static_cast<unsigned char>(Value[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(Value[e - 1]))) --e;
  if (b == e) return 0;
  std::string digits = Value.substr(b, e - b);
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(digits.c_str(), &end, 10);
  if (errno != 0 || !end || *end != '\0') return 0;
  return v;
}

void TFLVDataString::ReadValue(TBitsEngine& be) { Value = be.ReadStringBE16(); }

void TFLVDataWord::ReadValue(TBitsEngine& be) { Value = be.ReadWordBE(); }

void TFLVDataDate::ReadValue(TBitsEngine& be) {
  Milliseconds = be.ReadDoubleBE();
  TimeZone = static_cast<int16_t>(be.ReadWordBE());
}

// --------------------------------------------------------------- keyframes

void TFLVKeyFramesObjectData::SetCount(uint32_t count) {
  if (count == count_) return;
  count_ = count;
  Times.assign(count, 0.0);
  FilePositions.assign(count, 0);
}

void TFLVKeyFramesObjectData::ReadMember(TBitsEngine& be, bool first) {
  std::string member = be.ReadStringBE16();
  be.ReadByte();  // 10: strict array
  uint32_t n = be.ReadBits(32);
  // Each element takes 9 bytes: a count larger than the rest of the file
  // can hold is a lie and is not allocated.
  if (n > be.Stream().Remaining() / 9)
    throw EReadError("keyframes array of " + std::to_string(n) + " elements past the end");
  if (first) SetCount(n);
  else if (n > count_) return;
  bool positions = member == "filepositions";
  bool times = member == "times";
  if (!positions && !times) return;
  for (uint32_t i = 0; i < n; ++i) {
    be.ReadByte();  // 0: number
    double v = be.ReadDoubleBE();
    if (positions) {
      int64_t p = RoundToInt64(v);
      FilePositions[i] = static_cast<int32_t>(p > INT32_MAX ? INT32_MAX : p < INT32_MIN ? INT32_MIN : p);
    } else {
      Times[i] = v;
    }
  }
}

void TFLVKeyFramesObjectData::ReadValue(TBitsEngine& be) {
  ReadMember(be, true);
  ReadMember(be, false);
}

// ------------------------------------------------------------- ECMA array

void TFLVDataECMAArray::ReadValue(TBitsEngine& be) {
  uint32_t count = be.ReadBits(32);
  if (count == 0) count = 10000;  // "unknown": read until the data ends
  while (Items.size() < count) {
    std::string name = be.ReadStringBE16();
    uint8_t type = be.ReadByte();
    std::unique_ptr<TFLVCustomData> value = CreateValue(type, name, Depth + 1);
    if (!value) break;
    value->Name = name;
    if (auto* nested = dynamic_cast<TFLVDataECMAArray*>(value.get())) {
      nested->StartPosition = StartPosition;
      nested->DataSize = DataSize;
      nested->Depth = Depth + 1;
    }
    value->ReadValue(be);  // a value cut short is not kept
    Items.push_back(std::move(value));
    // What is left of the script tag is at most the end marker (0, 0, 9).
    int64_t used = be.Stream().Position() - StartPosition;
    if (static_cast<int64_t>(DataSize) - used <= 3) break;
  }
}

void TFLVonMetaData::ReadValue(TBitsEngine& be) {
  try {
    StartPosition = be.Stream().Position();
    if (be.ReadByte() != kAmfString) return;
    Name = be.ReadStringBE16();
    if (Name != "onMetaData") return;
    if (be.ReadByte() != kAmfECMAArray) return;
    TFLVDataECMAArray::ReadValue(be);
  } catch (const EStreamError&) {
    // A malformed value ends the metadata; what was read before it stays.
  }
}

TFLVCustomData* TFLVonMetaData::FindProperty(int index) const {
  const char* wanted = FLVMetaPropertyName(index);
  if (!*wanted) return nullptr;
  TFLVCustomData* found = nullptr;
  for (const auto& item : Items)
    if (Lower(item->Name) == wanted) found = item.get();
  return found;
}

}  // namespace reelcast
