#include "app/SettingsFile.h"

#include <charconv>
#include <cmath>

#include "app/TextConvert.h"

namespace reelcast::settingsfile {

bool TNoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return CompareNoCase(a, b) < 0;
}

std::string FormatDouble(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

void FillWide(TValue& v) {
  switch (v.Kind) {
    case TValueKind::Int: v.Wide = Utf8ToUtf16(std::to_string(v.Int)); break;
    case TValueKind::Float: v.Wide = Utf8ToUtf16(FormatDouble(v.Float)); break;
    case TValueKind::Text: v.Wide = Utf8ToUtf16(v.Text); break;
  }
}

bool ValidKey(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key)
    if (c <= ' ' || c > '~' || c == '=') return false;
  return true;
}

namespace {

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\0') return false;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out.push_back('\\'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      default: return false;
    }
  }
  return true;
}

}  // namespace

bool ParseLine(std::string_view line, TValueMap& into) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] == '#') return true;
  if (!IsValidUtf8(line)) return false;
  size_t space = line.find(' ');
  size_t equals = line.find('=');
  if (space == std::string_view::npos || equals == std::string_view::npos || equals < space)
    return false;
  std::string_view type = line.substr(0, space);
  std::string_view key = line.substr(space + 1, equals - space - 1);
  std::string_view raw = line.substr(equals + 1);
  if (!ValidKey(key)) return false;
  TValue v;
  v.Key = std::string(key);
  if (type == "int") {
    int64_t n = 0;
    auto r = std::from_chars(raw.data(), raw.data() + raw.size(), n);
    if (raw.empty() || r.ec != std::errc() || r.ptr != raw.data() + raw.size() ||
        n < INT32_MIN || n > INT32_MAX)
      return false;
    v.Kind = TValueKind::Int;
    v.Int = static_cast<int32_t>(n);
  } else if (type == "float") {
    double d = 0;
    auto r = std::from_chars(raw.data(), raw.data() + raw.size(), d);
    if (raw.empty() || r.ec != std::errc() || r.ptr != raw.data() + raw.size() ||
        !std::isfinite(d))
      return false;
    v.Kind = TValueKind::Float;
    v.Float = d;
  } else if (type == "text") {
    if (!Unescape(raw, v.Text)) return false;
    v.Kind = TValueKind::Text;
  } else {
    return false;
  }
  FillWide(v);
  into.insert_or_assign(v.Key, std::move(v));
  return true;
}

size_t ParseText(std::string_view text, TValueMap& into) {
  size_t damaged = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!ParseLine(line, into)) ++damaged;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return damaged;
}

std::string Serialise(const TValueMap& values) {
  std::string out = "# Reelcast settings: one value per line, written by the program\n";
  for (const auto& [name, v] : values) {
    switch (v.Kind) {
      case TValueKind::Int: out += "int " + v.Key + "=" + std::to_string(v.Int) + "\n"; break;
      case TValueKind::Float: out += "float " + v.Key + "=" + FormatDouble(v.Float) + "\n"; break;
      case TValueKind::Text: out += "text " + v.Key + "=" + Escape(v.Text) + "\n"; break;
    }
  }
  return out;
}

// Writes bytes to path through a temporary file and a rename, mode 0600.
// Returns an empty string or the reason of the failure.
}  // namespace reelcast::settingsfile
