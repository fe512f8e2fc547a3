#include "swf/CharacterRenumbering.h"

#include <algorithm>
#include <bitset>
#include <string>

namespace reelcast {

bool TCharacterRenumbering::MayDefine(uint16_t code) {
  // Asked once of the class the tag registry makes for each code. The asset
  // imports define one character per asset, so an empty one defines none.
  static const std::bitset<TSWFTagRegistry::kCodeCount> defining = [] {
    std::bitset<TSWFTagRegistry::kCodeCount> bits;
    for (int c = 0; c < TSWFTagRegistry::kCodeCount; ++c) {
      std::vector<uint16_t*> ids;
      CreateTagObject(static_cast<uint16_t>(c))->DefinedCharacters(ids);
      bits[static_cast<size_t>(c)] = !ids.empty() || c == 57 || c == 71;
    }
    return bits;
  }();
  return code < TSWFTagRegistry::kCodeCount && defining[code];
}

void TCharacterRenumbering::Learn(TSWFObject& tag) {
  std::vector<uint16_t*> defined;
  tag.DefinedCharacters(defined);
  for (uint16_t* id : defined) oldIds_.push_back(*id);
}

uint16_t TCharacterRenumbering::Start(uint16_t firstId) {
  const uint32_t count = Count();
  if (firstId == 0 || firstId + count > 65536u)
    throw ESWFError(std::to_string(count) + " characters numbered from " + std::to_string(firstId) +
                    " do not fit below id 65536; the highest first id for this movie is " +
                    std::to_string(65536u - std::max<uint32_t>(count, 1)));
  firstId_ = firstId;
  applied_ = 0;
  newIdOf_.clear();
  for (uint32_t i = 0; i < count; ++i) newIdOf_.emplace(oldIds_[i], static_cast<uint16_t>(firstId + i));
  return static_cast<uint16_t>(firstId + count);
}

void TCharacterRenumbering::Apply(TSWFObject& tag, bool renumberDefined) {
  if (renumberDefined) {
    std::vector<uint16_t*> defined;
    tag.DefinedCharacters(defined);
    for (uint16_t* id : defined) *id = static_cast<uint16_t>(firstId_ + applied_++);
  }
  std::vector<uint16_t*> refs;
  tag.CharacterReferences(refs);
  for (uint16_t* id : refs) {
    auto it = newIdOf_.find(*id);
    if (it != newIdOf_.end()) *id = it->second;
  }
}

}  // namespace reelcast
