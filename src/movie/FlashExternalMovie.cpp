#include "movie/FlashExternalMovie.h"

#include <algorithm>

#include "movie/FlashMovie.h"
#include "swf/ControlTags.h"

namespace reelcast {

namespace {
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

void TFlashExternalMovie::Learn(bool renumber, uint16_t firstId) {
  renumber_ = renumber;
  firstId_ = firstId;
  renumbering_ = TCharacterRenumbering();
  uint32_t count = 0;
  // Only the tags that may define characters are read.
  tagCount_ = ForEachOwnTag(
      [renumber](TSWFTagInfo& info) { return renumber && TCharacterRenumbering::MayDefine(info.TagCode); },
      [&](std::unique_ptr<TSWFTagInfo>& info) {
        if (info->TagObject) {
          // The ids the renumbering hands out.
          const uint32_t before = renumbering_.Count();
          renumbering_.Learn(*info->TagObject);
          count += renumbering_.Count() - before;
        } else if (!renumber && TCharacterRenumbering::MayDefine(info->TagCode)) {
          ++count;
        }
      });
  usedCharacters_ = static_cast<uint16_t>(std::min<uint32_t>(count, 65535));
  if (renumber) renumbering_.Start(firstId);
}

size_t TFlashExternalMovie::ForEachOwnTag(const std::function<bool(TSWFTagInfo&)>& createObject,
                                          const std::function<void(std::unique_ptr<TSWFTagInfo>&)>& visit) {
  bool ended = false;
  return reader_->ForEachTag([&](TSWFTagInfo& info) { return !ended && createObject(info); }, false,
                             [&](std::unique_ptr<TSWFTagInfo>& info) {
                               if (ended) return;
                               ended = info->TagCode == 0;
                               visit(info);
                             },
                             false);
}

void TFlashExternalMovie::WriteToStream(TBitsEngine& be) {
  if (tagCount_ == 0) return;
  if (ImportMode == 3) {
    if (!AsSprite) {
      OwnedSprite = std::make_unique<TFlashSprite>(owner_);
      AsSprite = OwnedSprite.get();
      AsSprite->SetCharacterId(CharacterId);
    }
    AsSprite->StartStreamedBody();
  }
  // Each writing hands out the same ids again (the tags are read anew).
  if (renumber_) renumbering_.Start(firstId_);
  ForEachOwnTag([this](TSWFTagInfo&) { return renumber_; },
                [&](std::unique_ptr<TSWFTagInfo>& info) {
                  if (info->TagCode == 0) return;  // the host ends where it ends
                  if (!info->TagObject) {
                    // Not parsed (no renumbering): copied as it is.
                    be.FlushBits(true);
                    reader_->CopyBody(info->Position, info->GetFullSize(), be.Stream());
                    return;
                  }
                  renumbering_.Apply(*info->TagObject);
                  WriteTag(*info->TagObject, info->TagCode, be);
                });
  if (ImportMode == 3) AsSprite->WriteToStream(be);
}

void TFlashExternalMovie::WriteTag(TSWFObject& tag, uint16_t code, TBitsEngine& be) {
  if (code == 0 || code == 9 || code == 24 || code == 58 || code == 64) return;
  if (code == 1 && (ImportMode == 1 || ImportMode == 2)) return;
  if (ImportMode == 1 && (code == 4 || code == 5 || code == 15 || code == 26 || code == 28 || code == 70))
    return;
  bool accept = true;
  if (OnTagFilter) OnTagFilter(*this, tag, accept);
  if (!accept) return;
  if (code == 1) {
    if (ImportMode == 3) {
      AsSprite->ShowFrame(1);
    } else {
      tag.WriteToStream(be);
      if (owner_) ++owner_->FrameCount;
    }
  } else if (TimelineTag(code) && ImportMode == 3) {
    AsSprite->WriteObject(tag);
  } else {
    tag.WriteToStream(be);
  }
}

}  // namespace reelcast
