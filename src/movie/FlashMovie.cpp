#include "movie/FlashMovie.h"

#include <algorithm>
#include <cmath>

#include "movie/FlashActionScript.h"
#include "movie/FlashButton.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSound.h"
#include "movie/FlashSprite.h"
#include "movie/FlashVideo.h"
#include "swf/DisplayList.h"
#include "swf/SoundVideo.h"
#include "swf/SplicedStream.h"

namespace reelcast {

TFlashMovie::TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, float fps, bool inPixels)
    : TBasedSWFStream(xMin, yMin, xMax, yMax, fps, inPixels) {
  SetVersion(5);
}

TFlashMovie::~TFlashMovie() = default;

TBasedSWFObject* TFlashMovie::AddObject(std::unique_ptr<TBasedSWFObject> object) {
  TBasedSWFObject* raw = object.get();
  if (InsertMode && InsertPosition != -1 && InsertPosition < static_cast<int32_t>(objects_.size()) - 1) {
    objects_.insert(objects_.begin() + InsertPosition, std::move(object));
    ++InsertPosition;
  } else {
    objects_.push_back(std::move(object));
    InsertPosition = static_cast<int32_t>(objects_.size()) - 1;
  }
  return raw;
}

void TFlashMovie::MoveBefore(TBasedSWFObject* object, TBasedSWFObject* before) {
  auto find = [&](TBasedSWFObject* o) {
    return std::find_if(objects_.begin(), objects_.end(), [o](const auto& p) { return p.get() == o; });
  };
  auto at = find(object);
  auto target = find(before);
  if (at == objects_.end() || target == objects_.end() || at < target) return;
  // Rotate the object down to the target's place; the rest move up by one.
  std::rotate(target, at, at + 1);
}

TFlashVideo* TFlashMovie::AddVideo(const std::string& fileName) {
  // Constructed before anything changes: a file that cannot be read leaves
  // the movie as it was.
  auto video = std::make_unique<TFlashVideo>(this, fileName);
  return RegisterObject(std::move(video), &videos_);
}

TFlashSprite* TFlashMovie::AddSprite(TFlashVisualObject* firstObject) {
  TFlashSprite* sprite = RegisterObject(std::make_unique<TFlashSprite>(this), &sprites_);
  if (firstObject) sprite->PlaceObject(firstObject, 1);
  return sprite;
}

TFlashButton* TFlashMovie::AddButton(bool trackAsMenu, bool advanced) {
  return RegisterObject(std::make_unique<TFlashButton>(this, advanced, trackAsMenu), &buttons_);
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(const std::string& fileName, uint8_t importMode,
                                                   bool renumber) {
  auto movie = std::make_unique<TFlashExternalMovie>(this, fileName);
  movie->ImportMode = importMode;
  TFlashExternalMovie* raw = RegisterObject(std::move(movie), nullptr);
  uint16_t id = raw->GetCharacterId();
  raw->Learn(renumber, static_cast<uint16_t>(id + (importMode == 3 ? 1 : 0)));
  NextCharacterId = static_cast<uint16_t>(id + raw->UsedCharacterCount() + (importMode == 3 ? 1 : 0) + 1);
  if (importMode == 3) {
    raw->OwnedSprite = std::make_unique<TFlashSprite>(this);
    raw->AsSprite = raw->OwnedSprite.get();
    raw->AsSprite->SetCharacterId(id);
    raw->AsSprite->SetFrameCount(raw->Reader().FrameCount);
    sprites_.Add(raw->AsSprite);
  }
  return raw;
}

TFlashPlaceObject* TFlashMovie::PlaceObject(TFlashVisualObject* object, uint16_t depth) {
  auto* place = AddObject(std::make_unique<TFlashPlaceObject>(this, object, depth));
  MaxDepth = std::max(MaxDepth, depth);
  return place;
}

TFlashPlaceVideo* TFlashMovie::PlaceVideo(TFlashVideo* video, uint16_t depth) {
  videoPlacements_.push_back(std::make_unique<TFlashPlaceVideo>(this, video, depth));
  MaxDepth = std::max(MaxDepth, depth);
  return videoPlacements_.back().get();
}

TFlashPlaceVideo* TFlashMovie::VideoPlacement(size_t index) const {
  return index < videoPlacements_.size() ? videoPlacements_[index].get() : nullptr;
}

void TFlashMovie::RemoveObject(uint16_t depth, TFlashIDObject* object) {
  AddObject(RemoveObjectTag(depth, object));
}

void TFlashMovie::ShowFrame(uint16_t count) {
  // The movie puts the frame's label before its actions; both go to the end.
  if (!FrameLabel.empty()) {
    objects_.push_back(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  if (frameActions_ && FrameActionsAsBytes) {
    objects_.push_back(std::make_unique<TFlashWrittenActions>(this, *frameActions_));
    frameActions_.reset();
  } else if (frameActions_) {
    objects_.push_back(std::move(frameActions_));
  }
  uint16_t n = count ? count : 1;
  for (uint16_t i = 0; i < n; ++i) {
    ++FrameCount;
    objects_.push_back(std::make_unique<TSWFShowFrame>());
  }
  CurrentFrame = FrameCount ? FrameCount - 1u : 0u;
}

TSWFRGB& TFlashMovie::BackgroundColor() {
  if (!backgroundColor_) backgroundColor_ = std::make_unique<TSWFRGB>();
  UseBackgroundColor = true;
  return *backgroundColor_;
}

TFlashSound& TFlashMovie::StreamSound() {
  if (!streamSound_) {
    streamSound_ = std::make_unique<TFlashSound>(this);
    streamSound_->Loop = true;
    HasStreamSound = true;
  }
  return *streamSound_;
}

TFlashSound* TFlashMovie::AddSound(const std::string& fileName) {
  auto sound = std::make_unique<TFlashSound>(this);
  sound->LoadFromFile(fileName);
  return RegisterObject(std::move(sound), nullptr);
}

TFlashActionScript& TFlashMovie::FrameActions() {
  if (!frameActions_) frameActions_ = std::make_unique<TFlashActionScript>(this);
  return *frameActions_;
}

TSWFFileAttributes& TFlashMovie::FileAttributes() {
  if (!fileAttributes_) fileAttributes_ = std::make_unique<TSWFFileAttributes>();
  return *fileAttributes_;
}

void TFlashMovie::MakeStream() {
  TMemoryStream& body = GetBodyStream();
  body.Clear();
  // Embedded video is most of a movie's body. A splicing body keeps the
  // video's bytes in the FLV file; a plain one gets room for them at once,
  // so that it is never copied while it grows.
  auto* spliced = dynamic_cast<TSplicedStream*>(&body);
  if (!spliced || !spliced->Splicing()) {
    uint64_t expected = 4096;
    for (const auto& placement : videoPlacements_)
      if (TStream* flv = placement->Video()->FLV().Stream()) expected += static_cast<uint64_t>(flv->Size());
    body.Reserve(static_cast<size_t>(expected));
  }
  uint8_t version = SWFVersion();
  TBitsEngine be(body);
  if (UseFileAttributes) {
    FileAttributes().WriteToStream(be);
    if (FileAttributes().HasMetadata) {
      TSWFMetadata meta;
      meta.XML = Metadata;
      meta.WriteToStream(be);
    }
  }
  if (UseBackgroundColor && backgroundColor_) {
    TSWFSetBackgroundColor tag;
    tag.Color.Assign(*backgroundColor_);
    tag.WriteToStream(be);
  }
  TFlashSound* streamSound = HasStreamSound ? streamSound_.get() : nullptr;
  if (streamSound) {
    TSWFSoundStreamHead2 head;
    streamSound->FillStreamHead(head, GetFPS());
    version = std::max({version, streamSound->MinVersion(), head.MinVersion()});
    head.WriteToStream(be);
  }
  if (Protect) {
    TSWFProtect tag;
    tag.Password = Password;
    version = std::max(version, tag.MinVersion());
    tag.WriteToStream(be);
  }
  uint32_t frames = 0;
  bool placed = false;
  const size_t count = objects_.size();
  for (size_t i = 0; i < count; ++i) {
    TBasedSWFObject* object = objects_[i].get();
    if (OnProgress) Progress(static_cast<int>(std::nearbyint((i + 1) * 100.0 / count)), 1);
    version = std::max(version, object->MinVersion());
    if (object->ObjectKind() == 0) {
      uint16_t code = static_cast<TSWFObject*>(object)->TagID;
      if (code == 1) {
        for (const auto& placement : videoPlacements_) placement->WriteFrame(be, frames);
        // A placement that switched its own sound on dropped this one.
        if (HasStreamSound && streamSound) streamSound->WriteStreamBlock(be);
        ++frames;
      } else if (code == 4 || code == 26 || code == 70) {
        placed = true;
      }
      object->WriteToStream(be);
    } else {
      if (auto* place = dynamic_cast<TFlashPlaceObject*>(object)) {
        place->SetSWFVersion(version);
        placed = true;
      }
      // An imported timeline counts the frames it writes into FrameCount.
      uint16_t before = FrameCount;
      object->WriteToStream(be);
      if (dynamic_cast<TFlashExternalMovie*>(object)) frames += static_cast<uint16_t>(FrameCount - before);
    }
  }
  for (const auto& placement : videoPlacements_) version = std::max(version, placement->Video()->MinVersion());
  be.FlushBits(true);
  if (frames == 0 && placed) {
    be.WriteWord(0x0040);
    frames = 1;
  }
  auto* last = objects_.empty() ? nullptr : dynamic_cast<TSWFObject*>(objects_.back().get());
  if (!last || last->TagID != 0) be.WriteWord(0);
  FrameCount = static_cast<uint16_t>(std::min<uint32_t>(frames, 65535));
  if (SWFVersion() < version) SetVersion(version);
}

}  // namespace reelcast
