#include "movie/FlashExternalMovie.h"

#include "movie/FlashMovie.h"
#include "swf/ControlTags.h"

namespace reelcast {

namespace {
// Asked of the class the tag registry makes for the code, so every defining
// tag the library knows (DefineShape4 and DefineMorphShape2 among them) is
// counted, exactly as RenumberCharacters gives it an id.
bool DefinesCharacter(uint16_t code) {
  std::vector<uint16_t*> ids;
  CreateTagObject(code)->DefinedCharacters(ids);
  return !ids.empty();
}

bool TimelineTag(uint16_t code) {
  switch (code) {
    case 4: case 5: case 12: case 15: case 18: case 19: case 26: case 28: case 43: case 45: case 70:
      return true;
    default:
      return false;
  }
}
}  // namespace

TFlashExternalMovie::TFlashExternalMovie(TFlashMovie* owner, const std::string& fileName)
    : TFlashIDObject(owner), reader_(std::make_unique<TSWFStreamReader>()) {
  reader_->LoadFromFile(fileName);
}

TFlashExternalMovie::~TFlashExternalMovie() = default;

uint16_t TFlashExternalMovie::UsedCharacterCount() const {
  uint32_t count = 0;
  for (size_t i = 0; i < reader_->TagCount(); ++i) {
    TSWFTagInfo& info = reader_->TagInfo(i);
    if (info.TagObject) {
      // The same ids RenumberCharacters hands out.
      std::vector<uint16_t*> defined;
      info.TagObject->DefinedCharacters(defined);
      count += static_cast<uint32_t>(defined.size());
    } else if (DefinesCharacter(info.TagCode) || info.TagCode == 57 || info.TagCode == 71) {
      ++count;
    }
  }
  return static_cast<uint16_t>(std::min<uint32_t>(count, 65535));
}

void TFlashExternalMovie::WriteToStream(TBitsEngine& be) {
  if (reader_->TagCount() == 0) return;
  if (ImportMode == 3) {
    if (!AsSprite) {
      OwnedSprite = std::make_unique<TFlashSprite>(owner_);
      AsSprite = OwnedSprite.get();
      AsSprite->SetCharacterId(CharacterId);
    }
    AsSprite->ObjectList().clear();
    AsSprite->SetFrameCount(0);
  }
  for (size_t i = 0; i < reader_->TagCount(); ++i) {
    TSWFTagInfo& info = reader_->TagInfo(i);
    if (!info.TagObject) {
      // Not parsed (no renumbering): copied as it is.
      be.FlushBits(true);
      reader_->CopyBody(info.Position, info.GetFullSize(), be.Stream());
      continue;
    }
    uint16_t code = info.TagCode;
    if (code == 0 || code == 9 || code == 24 || code == 58 || code == 64) continue;
    if (code == 1 && (ImportMode == 1 || ImportMode == 2)) continue;
    if (ImportMode == 1 && (code == 4 || code == 5 || code == 15 || code == 26 || code == 28 || code == 70))
      continue;
    bool accept = true;
    if (OnTagFilter) OnTagFilter(*this, *info.TagObject, accept);
    if (!accept) continue;
    if (code == 1) {
      if (ImportMode == 3) {
        AsSprite->ShowFrame(1);
      } else {
        info.TagObject->WriteToStream(be);
        if (owner_) ++owner_->FrameCount;
      }
    } else if (TimelineTag(code) && ImportMode == 3) {
      std::unique_ptr<TSWFObject> copy = CreateTagObject(code);
      copy->Assign(*info.TagObject);
      AsSprite->AddObject(std::move(copy));
    } else {
      info.TagObject->WriteToStream(be);
    }
  }
  if (ImportMode == 3) AsSprite->WriteToStream(be);
}

}  // namespace reelcast
