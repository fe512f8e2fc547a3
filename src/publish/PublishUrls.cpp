#include "publish/PublishUrls.h"

#include <cctype>

namespace reelcast {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char c) {
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// The scheme of url, lower case, or "" when url starts with a host or a path.
// A scheme is a letter followed by letters, digits, "+", "-" or "." up to a
// colon; "host:8080" (only digits after the colon, up to a "/" or the end) is
// a host with a port.
std::string SchemeOf(std::string_view url) {
  size_t colon = 0;
  while (colon < url.size() && url[colon] != ':') {
    unsigned char c = static_cast<unsigned char>(url[colon]);
    bool ok = colon == 0 ? std::isalpha(c) != 0 : (std::isalnum(c) || c == '+' || c == '-' || c == '.');
    if (!ok) return {};
    ++colon;
  }
  if (colon == 0 || colon == url.size()) return {};
  size_t end = colon + 1;
  while (end < url.size() && std::isdigit(static_cast<unsigned char>(url[end]))) ++end;
  if (end > colon + 1 && (end == url.size() || url[end] == '/')) return {};
  std::string scheme(url.substr(0, colon));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme;
}

std::string WithoutControls(std::string_view url) {
  std::string clean;
  clean.reserve(url.size());
  for (unsigned char c : url)
    if (c >= 0x20 && c != 0x7F) clean += static_cast<char>(c);
  return clean;
}

}  // namespace

std::string NormalizeUrl(std::string_view url) {
  const std::string clean = WithoutControls(url);
  std::string out = SchemeOf(clean).empty() ? "http://" : "";
  out.reserve(clean.size() + 7);
  for (unsigned char c : clean) {
    if (c == ' ' || c >= 0x80) AppendEscaped(out, c);
    else out += static_cast<char>(c);
  }
  return out;
}

std::string RefusedUrlReason(std::string_view url) {
  std::string clean;
  for (unsigned char c : WithoutControls(url))
    if (c != ' ' && c != '\t') clean += static_cast<char>(c);
  const std::string scheme = SchemeOf(clean);
  if (scheme == "javascript" || scheme == "vbscript" || scheme == "data")
    return "a \"" + scheme + ":\" address runs a script in the page; give a web or mail address";
  return {};
}

std::string UrlEncodeFileName(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') out += static_cast<char>(c);
    else AppendEscaped(out, c);
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
