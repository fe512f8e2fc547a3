#include "app/SettingsEditor.h"

#include <charconv>
#include <cmath>
#include <map>

#include "app/Config.h"
#include "app/TextConvert.h"

namespace reelcast {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

// Decimal, or hexadecimal after "0x" (colours), with an optional '-'.
bool ParseInteger(std::string_view text, int32_t& out) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t n = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), n, base);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  if (!negative && base == 16 && n <= UINT32_MAX) {
    out = static_cast<int32_t>(static_cast<uint32_t>(n));  // colours fill all 32 bits
    return true;
  }
  if (negative ? n > uint64_t{1} << 31 : n > INT32_MAX) return false;
  out = negative ? static_cast<int32_t>(-static_cast<int64_t>(n)) : static_cast<int32_t>(n);
  return true;
}

std::string Quote(std::string_view text) { return "'" + std::string(text) + "'"; }

std::map<std::string, TSettingNameSource>& NameSources() {
  static std::map<std::string, TSettingNameSource> sources;
  return sources;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size(); ++i)
    list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + Quote(names[i]);
  return list;
}

std::string IntegerRule(const TSettingKey& key) {
  if (!key.Choices.empty()) {
    std::string list;
    for (size_t i = 0; i < key.Choices.size(); ++i)
      list += (i ? ", " : "") + std::to_string(key.Choices[i]);
    return "one of " + list;
  }
  if (key.Min <= key.Max)
    return "an integer from " + std::to_string(key.Min) + " to " + std::to_string(key.Max);
  return "an integer";
}

}  // namespace

void SetSettingNameList(const std::string& kind, TSettingNameSource source) {
  NameSources()[kind] = std::move(source);
}

TSettingView ViewSetting(const TSettingKey& key) {
  TSettingView view;
  const char16_t* stored = NVGetConfigStrPtr(key.Name);
  if (stored) {
    view.Value = Utf16ToUtf8(stored);
  } else {
    view.IsDefault = true;
    view.Value = SettingDefault(key);
    if (!key.HasDefault) return {"(not set)", true};
  }
  if (key.Type == TSettingType::Boolean) {
    int32_t value = 0;
    bool numeric = stored ? NVGetConfigInt(key.Name, &value)
                          : std::from_chars(view.Value.data(),
                                            view.Value.data() + view.Value.size(), value)
                                    .ec == std::errc();
    if (numeric) view.Value += value > 0 ? " (true)" : " (false)";
  }
  return view;
}

const TSettingKey* ApplySetting(std::string_view name, std::string_view text, std::string& error) {
  const TSettingKey* key = FindSettingKey(name);
  if (!key) {
    error = "unknown settings key " + Quote(name) + " (see 'reelcast-cli settings list')";
    return nullptr;
  }
  const std::string& k = key->Name;
  switch (key->Type) {
    case TSettingType::Integer: {
      int32_t value = 0;
      bool ok = ParseInteger(text, value);
      if (ok && !key->Choices.empty()) {
        ok = false;
        for (int32_t c : key->Choices) ok = ok || c == value;
      } else if (ok && key->Min <= key->Max) {
        ok = value >= key->Min && value <= key->Max;
      }
      if (!ok) {
        error = k + " takes " + IntegerRule(*key) + "; got " + Quote(text);
        return nullptr;
      }
      NVSetConfigInt(k, value);
      return key;
    }
    case TSettingType::Boolean: {
      std::string word = Lower(text);
      if (word == "true" || word == "yes" || word == "on" || word == "5" || word == "1") {
        NVSetConfigInt(k, kConfigTrue);
      } else if (word == "false" || word == "no" || word == "off" || word == "0") {
        NVSetConfigInt(k, kConfigFalse);
      } else {
        error = k + " takes a boolean (true/false, yes/no, on/off, 5/0); got " +
                Quote(text);
        return nullptr;
      }
      return key;
    }
    case TSettingType::Float: {
      double value = 0;
      auto r = std::from_chars(text.data(), text.data() + text.size(), value);
      bool ok = !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() &&
                std::isfinite(value);
      if (ok && !key->Choices.empty()) {
        ok = false;
        for (int32_t c : key->Choices) ok = ok || c == value;
      }
      if (!ok) {
        error = k + " takes " + IntegerRule(*key) + " (0 keeps the source rate); got " +
                Quote(text);
        return nullptr;
      }
      NVSetConfigDbl(k, value);
      return key;
    }
    case TSettingType::YesNo: {
      std::string word = Lower(text);
      if (word != "yes" && word != "no") {
        error = k + " takes Yes or No; got " + Quote(text);
        return nullptr;
      }
      NVSetConfigStr(k, word == "yes" ? u"Yes" : u"No");
      return key;
    }
    case TSettingType::Text: {
      if (!IsValidUtf8(text) || text.find('\0') != std::string_view::npos) {
        error = k + " takes UTF-8 text; the value given is not";
        return nullptr;
      }
      std::string value(text);
      auto source = key->NameList.empty() ? NameSources().end() : NameSources().find(key->NameList);
      if (source != NameSources().end() && source->second && !(value.empty() && !key->HasDefault)) {
        // The name as the data folder spells it.
        const std::vector<std::string> names = source->second();
        bool found = false;
        for (const std::string& name : names)
          if (EqualsNoCase(name, value)) {
            value = name;
            found = true;
            break;
          }
        if (!found) {
          error = k + " takes the name of a " + key->NameList +
                  (names.empty() ? " (the data folder offers none)" : ": " + Listed(names)) +
                  "; got " + Quote(text);
          return nullptr;
        }
      }
      NVSetConfigStr(k, Utf8ToUtf16(value));
      return key;
    }
  }
  return nullptr;
}

}  // namespace reelcast
