// The web addresses of published movies and pages: every URL a user types
// for a link, a click area or the end of playback is normalised the same way
// before it goes into byte code or a page.
#pragma once

#include <string>
#include <string_view>

namespace reelcast {

// The address as it goes into byte code or a page. An address that names its
// scheme ("https:", "mailto:", "ftp:", ...) keeps it; a bare host or path gets
// "http://" in front ("localhost:8080/a" is a host with a port, not a scheme).
// Control characters (a pasted line break, a NUL) are dropped: they cannot be
// part of an address and would cut the byte-code string short. Blanks and
// bytes beyond ASCII (the UTF-8 of "ä") are percent-encoded, so the address
// is plain ASCII whatever the movie's text encoding.
std::string NormalizeUrl(std::string_view url);

// Why a link address may not be published ("" when it may): a script address
// ("javascript:", "vbscript:", "data:") would run code in the page of
// whoever clicks it.
std::string RefusedUrlReason(std::string_view url);

// Percent-encodes a file name for use as a relative URL in a page: bytes
// other than letters, digits and - . _ ~ become %XX. A plain name such as
// "movie.swf" stays as it is.
std::string UrlEncodeFileName(std::string_view name);

// Escapes & < > " ' for an HTML attribute value or text.
std::string HtmlEscape(std::string_view text);

}  // namespace reelcast
