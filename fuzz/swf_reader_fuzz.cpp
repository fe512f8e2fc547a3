// Any input to the SWF reader ends in a result or an exception: never a crash,
// a hang or an unbounded allocation. Along the way it checks the reader's
// promises: copying tags as read reproduces the body exactly, and a movie
// saved compressed loads back to the same body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "swf/SWFStream.h"
#include "swf/SWFTools.h"

using namespace reelcast;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string BodyOf(TBasedSWFStream& s) { return s.GetBodyStream().ToString(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TMemoryViewStream input(data, size);
    TSWFStreamReader reader;
    reader.LoadFromStream(input);
    if (!reader.IsSWF()) return 0;
    const std::string body = BodyOf(reader);

    // Tags copied as read: byte for byte, also when a few tags in between
    // are written from objects that reproduce them exactly (short ShowFrames).
    reader.ParseTags(false, false);
    reader.MakeStream();
    Check(BodyOf(reader) == body);
    reader.OnCreateTag = [](TSWFTagInfo& info, bool& create) {
      create = info.TagCode == 1 && info.Length == 0 && !info.IsLongHeader;
    };
    reader.ParseTags(true, false);
    reader.MakeStream();
    Check(BodyOf(reader) == body);
    reader.MakeStream();
    Check(BodyOf(reader) == body);
    reader.OnCreateTag = nullptr;

    // Compressed save and load: the same body again.
    reader.SetCompressed(true);
    TMemoryStream saved;
    reader.SaveToStream(saved);
    saved.SetPosition(0);
    TSWFStreamReader again;
    again.LoadFromStream(saved);
    Check(again.IsSWF());
    Check(BodyOf(again) == body);

    // Objects and actions, renumbered and written; then read once more.
    reader.ParseTags(true, true);
    reader.RenumberCharacters(1);
    reader.MakeStream();
    reader.ParseTags(true, true);
    reader.MakeStream();
  } catch (const std::exception&) {
    // Errors are an allowed outcome; crashes are not.
  }
  return 0;
}
