// Reading a player-template movie back: its placements by depth and the
// first frame's script as a plain listing ("Push s:_global", "GetVariable",
// ...), so that tests can compare the byte code the player receives.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "movie/MovieTestUtil.h"
#include "swf/DisplayList.h"
#include "swf/DoAction.h"
#include "swf/SWFStream.h"

namespace reelcast::test {

struct TReadPlayerMovie {
  std::unique_ptr<TSWFStreamReader> Reader;
  std::map<uint16_t, TSWFPlaceObject2*> Placed;  // first placement of each depth
  std::vector<std::string> Script;                // the first DoAction
  int ShowFrames = 0;
  int VideoFrames = 0;

  explicit TReadPlayerMovie(const std::string& file) : Reader(std::make_unique<TSWFStreamReader>()) {
    Reader->LoadFromFile(file);
    Reader->ParseTags(true, true);
    bool scriptSeen = false;
    for (size_t i = 0; i < Reader->TagCount(); ++i) {
      TSWFObject* tag = Reader->TagInfo(i).TagObject;
      if (!tag) continue;
      if (auto* place = dynamic_cast<TSWFPlaceObject2*>(tag); place && !place->Move)
        Placed.emplace(place->Depth, place);
      if (auto* doAction = dynamic_cast<TSWFDoAction*>(tag); doAction && !scriptSeen) {
        Script = ActionListing(doAction->Actions());
        scriptSeen = true;
      }
      ShowFrames += tag->TagID == 1;
      VideoFrames += tag->TagID == 61;
    }
  }
};

}  // namespace reelcast::test
