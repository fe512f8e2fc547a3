// An SWF file imported into a movie: its definitions, and depending on the
// import mode its timeline (0 merged into the current one, 1 definitions
// only, 2 definitions and placements in the current frame, 3 wrapped in a
// sprite whose id is the external movie's id).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "movie/FlashObject.h"
#include "movie/FlashSprite.h"
#include "swf/SWFStream.h"

namespace reelcast {

class TFlashExternalMovie : public TFlashIDObject {
 public:
  using TTagFilterEvent = std::function<void(TFlashExternalMovie& sender, TSWFObject& tag, bool& accept)>;

  // Loads the file; a missing or unreadable file throws.
  TFlashExternalMovie(TFlashMovie* owner, const std::string& fileName);
  ~TFlashExternalMovie() override;

  TSWFStreamReader& Reader() { return *reader_; }
  // Definitions in the file: one per defining tag, one per imported asset.
  uint16_t UsedCharacterCount() const;
  void WriteToStream(TBitsEngine& be) override;

  uint8_t ImportMode = 0;
  TTagFilterEvent OnTagFilter;
  TFlashSprite* AsSprite = nullptr;  // mode 3: owned by this object
  std::unique_ptr<TFlashSprite> OwnedSprite;

 private:
  std::unique_ptr<TSWFStreamReader> reader_;
};

}  // namespace reelcast
