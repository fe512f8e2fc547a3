// The web addresses of published movies and pages: every URL a user types
// for a link, a click area or the end of playback is normalised the same way
// before it goes into byte code or a page.
#pragma once

#include <string>
#include <string_view>

namespace reelcast {

// "http://" is put in front unless the URL already starts with it (compared
// without regard to case). Control characters (a pasted line break, a NUL)
// are dropped: they cannot be part of an address and would cut the string
// short in the byte code, whose strings end at the first zero byte.
std::string NormalizeUrl(std::string_view url);

// Percent-encodes a file name for use as a relative URL in a page: bytes
// other than letters, digits and - . _ ~ become %XX. A plain name such as
// "movie.swf" stays as it is.
std::string UrlEncodeFileName(std::string_view name);

// Escapes & < > " ' for an HTML attribute value or text.
std::string HtmlEscape(std::string_view text);

}  // namespace reelcast
