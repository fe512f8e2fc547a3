// Reading and changing one settings key by name with the value given as
// text, checked against the key's type and allowed values. Used by
// reelcast-cli settings.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/SettingsKeys.h"

namespace reelcast {

struct TSettingView {
  std::string Value;       // as text; booleans as "5 (true)", "0 (false)"
  bool IsDefault = false;  // the key is not in the store: Value is the default
};

// The key's current value, or its default when the store lacks it ("(not
// set)" when it has none).
TSettingView ViewSetting(const TSettingKey& key);

// Gives the names a key with this NameList kind takes ("text effect",
// "preloader sprite", "preloader bar style"): source is asked at each
// ApplySetting. Without a source for its kind a key takes any text.
using TSettingNameSource = std::function<std::vector<std::string>()>;
void SetSettingNameList(const std::string& kind, TSettingNameSource source);

// Parses text for the key and stores it. Returns the key on success;
// nullptr with error filled when the key is unknown or the text does not fit
// its type or allowed values. Write failures of the store are reported by
// ConfigLastError().
const TSettingKey* ApplySetting(std::string_view name, std::string_view text, std::string& error);

}  // namespace reelcast
