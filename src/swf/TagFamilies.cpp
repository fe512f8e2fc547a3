// The one list of tag families known to the factory. A family adds one
// declaration and one call here (see SWFObject.h).
#include "swf/SWFObject.h"

namespace reelcast {

void RegisterControlTags(TSWFTagRegistry& registry);
void RegisterActionTags(TSWFTagRegistry& registry);
void RegisterShapeTags(TSWFTagRegistry& registry);
void RegisterBitmapTags(TSWFTagRegistry& registry);
void RegisterSoundVideoTags(TSWFTagRegistry& registry);
void RegisterFontTextTags(TSWFTagRegistry& registry);
void RegisterDisplayListTags(TSWFTagRegistry& registry);

void RegisterTagFamilies(TSWFTagRegistry& registry) {
  RegisterControlTags(registry);
  RegisterActionTags(registry);
  RegisterShapeTags(registry);
  RegisterBitmapTags(registry);
  RegisterSoundVideoTags(registry);
  RegisterFontTextTags(registry);
  RegisterDisplayListTags(registry);
}

}  // namespace reelcast
