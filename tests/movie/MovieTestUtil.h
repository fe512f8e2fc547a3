// Saving a built movie and reading its tags back as objects; action lists
// as plain listings.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "movie/FlashMovie.h"
#include "swf/ActionsData.h"
#include "swf/SWFStream.h"

namespace reelcast::test {

struct ReadMovie {
  std::unique_ptr<TSWFStreamReader> Reader;
  std::vector<TSWFObject*> Tags;
  uint8_t Version = 0;
  template <class T>
  std::vector<T*> All() const {
    std::vector<T*> out;
    for (TSWFObject* t : Tags)
      if (auto* x = dynamic_cast<T*>(t)) out.push_back(x);
    return out;
  }
  std::vector<uint16_t> Codes() const {
    std::vector<uint16_t> out;
    for (TSWFObject* t : Tags) out.push_back(t->TagID);
    return out;
  }
};

inline ReadMovie SaveAndRead(TFlashMovie& movie) {
  movie.MakeStream();
  TMemoryStream file;
  movie.SaveToStream(file);
  file.SetPosition(0);
  ReadMovie r;
  r.Reader = std::make_unique<TSWFStreamReader>();
  r.Reader->LoadFromStream(file);
  r.Reader->ParseTags(true, false);
  r.Version = r.Reader->SWFVersion();
  for (size_t i = 0; i < r.Reader->TagCount(); ++i) r.Tags.push_back(r.Reader->TagInfo(i).TagObject);
  return r;
}

// One value as "s:text", "i:12", "d:0.5", "b:1", "u", "n" or "p:index" (a
// constant-pool index), whatever variant the value was read into.
inline std::string PushValueText(const TPushValueInfo& v) {
  const auto number = [&]() -> double {
    if (auto* i = std::get_if<int64_t>(&v.Value)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&v.Value)) return *d;
    if (auto* f = std::get_if<float>(&v.Value)) return *f;
    if (auto* b = std::get_if<bool>(&v.Value)) return *b ? 1 : 0;
    return -1;
  };
  char text[40];
  switch (v.ValueType) {
    case 0: {
      auto* s = std::get_if<std::string>(&v.Value);
      return "s:" + (s ? *s : std::string("?"));
    }
    case 2: return "n";
    case 3: return "u";
    case 5: return std::string("b:") + (number() != 0 ? "1" : "0");
    case 7: std::snprintf(text, sizeof text, "i:%.0f", number()); return text;
    case 8:
    case 9: std::snprintf(text, sizeof text, "p:%.0f", number()); return text;
    case 1:
    case 6: std::snprintf(text, sizeof text, "d:%g", number()); return text;
    default: return "?" + std::to_string(v.ValueType);
  }
}

// One action as "Push s:a i:1", "ConstantPool a b" or its class name
// without the prefix ("GetVariable").
inline std::string ActionLine(const TSWFAction& a) {
  if (auto* push = dynamic_cast<const TSWFActionPush*>(&a)) {
    std::string line = "Push";
    for (size_t k = 0; k < push->ValueCount(); ++k) line += " " + PushValueText(push->Value(k));
    return line;
  }
  if (auto* pool = dynamic_cast<const TSWFActionConstantPool*>(&a)) {
    std::string line = "ConstantPool";
    for (const std::string& c : pool->Constants) line += " " + c;
    return line;
  }
  std::string name = a.ClassName();
  return name.rfind("TSWFAction", 0) == 0 ? name.substr(10) : name;
}

// The actions of a list, markers left out.
inline std::vector<std::string> ActionListing(const TSWFActionList& list) {
  std::vector<std::string> out;
  for (size_t i = 0; i < list.Count(); ++i)
    if (list[i]->ActionCode() != 0xFF) out.push_back(ActionLine(*list[i]));
  return out;
}

}  // namespace reelcast::test
