// An SWF file imported into a movie: its definitions, and depending on the
// import mode its timeline (0 merged into the current one, 1 definitions
// only, 2 definitions and placements in the current frame, 3 wrapped in a
// sprite whose id is the external movie's id).
//
// The file's tags are not held: Load goes through them once to learn what
// renumbering needs, and WriteToStream reads, renumbers and writes them one
// at a time, so that importing a long movie takes no more memory than a
// short one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "movie/FlashObject.h"
#include "movie/FlashSprite.h"
#include "swf/CharacterRenumbering.h"
#include "swf/SWFStream.h"

namespace reelcast {

class TFlashExternalMovie : public TFlashIDObject {
 public:
  using TTagFilterEvent = std::function<void(TFlashExternalMovie& sender, TSWFObject& tag, bool& accept)>;

  // Loads the file; a missing or unreadable file throws.
  TFlashExternalMovie(TFlashMovie* owner, const std::string& fileName);
  ~TFlashExternalMovie() override;

  TSWFStreamReader& Reader() { return *reader_; }
  // Goes through the file's tags once. With renumber, the characters it
  // defines are given ids from firstId on when the movie is written (throws
  // ESWFError when they do not fit); without, its tags are copied as read.
  void Learn(bool renumber, uint16_t firstId);
  // Definitions in the file: one per defining tag, one per imported asset.
  uint16_t UsedCharacterCount() const { return usedCharacters_; }
  void WriteToStream(TBitsEngine& be) override;

  uint8_t ImportMode = 0;
  // Asked for each tag as it is written (the tag is gone afterwards).
  TTagFilterEvent OnTagFilter;
  TFlashSprite* AsSprite = nullptr;  // mode 3: owned by this object
  std::unique_ptr<TFlashSprite> OwnedSprite;

 private:
  // The reader's ForEachTag over the movie's own tags: those up to its End
  // tag, End included. Bytes after it (a template part's trailer, say) are
  // none of the movie's and never reach the importing movie.
  size_t ForEachOwnTag(const std::function<bool(TSWFTagInfo&)>& createObject,
                       const std::function<void(std::unique_ptr<TSWFTagInfo>&)>& visit);
  void WriteTag(TSWFObject& tag, uint16_t code, TBitsEngine& be);

  std::unique_ptr<TSWFStreamReader> reader_;
  bool renumber_ = false;
  uint16_t firstId_ = 1;
  TCharacterRenumbering renumbering_;
  size_t tagCount_ = 0;
  uint16_t usedCharacters_ = 0;
};

}  // namespace reelcast
