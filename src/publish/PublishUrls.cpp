#include "publish/PublishUrls.h"

#include <cctype>

namespace reelcast {

std::string NormalizeUrl(std::string_view url) {
  std::string clean;
  clean.reserve(url.size() + 7);
  for (unsigned char c : url)
    if (c >= 0x20 && c != 0x7F) clean += static_cast<char>(c);
  static constexpr std::string_view kPrefix = "http://";
  bool hasPrefix = clean.size() >= kPrefix.size();
  for (size_t i = 0; hasPrefix && i < kPrefix.size(); ++i)
    hasPrefix = std::tolower(static_cast<unsigned char>(clean[i])) == kPrefix[i];
  return hasPrefix ? clean : std::string(kPrefix) + clean;
}

std::string UrlEncodeFileName(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace reelcast
