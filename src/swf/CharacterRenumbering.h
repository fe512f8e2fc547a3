// Gives the characters of a movie new ids from a first id on, in the order
// its tags define them, and points every reference at the new ids. It works
// in two passes over the same tags so that the tags need not be held
// together: Learn sees the defining tags first, then Apply sees every tag
// in the same order (a long movie is read, renumbered and written one tag at
// a time).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "swf/SWFObject.h"

namespace reelcast {

class TCharacterRenumbering {
 public:
  // False for tags that never define a character, whatever their content;
  // only the others need to be read for Learn.
  static bool MayDefine(uint16_t code);

  // First pass: notes the ids the tag defines, in order.
  void Learn(TSWFObject& tag);
  // Fixes the new ids from firstId on and returns the next free one (0 when
  // the last new id is 65535). Throws ESWFError when the learnt ids would
  // not fit below 65536 (or firstId is 0).
  uint16_t Start(uint16_t firstId);
  // Second pass, the learnt tags among them in the same order: the ids the
  // tag defines take their new values (when renumberDefined; a tag left out
  // of Learn passes false), and references to a learnt id follow it to the
  // first new id given for it.
  void Apply(TSWFObject& tag, bool renumberDefined = true);

  // Ids learnt so far.
  uint32_t Count() const { return static_cast<uint32_t>(oldIds_.size()); }

 private:
  std::vector<uint16_t> oldIds_;
  std::unordered_map<uint16_t, uint16_t> newIdOf_;  // old id -> first new id given
  uint16_t firstId_ = 0;
  uint32_t applied_ = 0;
};

}  // namespace reelcast
