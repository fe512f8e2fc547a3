// Saving a built movie and reading its tags back as objects.
#pragma once

#include <memory>
#include <vector>

#include "movie/FlashMovie.h"
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

}  // namespace reelcast::test
