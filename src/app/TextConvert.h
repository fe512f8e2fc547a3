// UTF-8 <-> UTF-16 conversion for the places where text crosses from the
// settings store, file names and logs (UTF-8) to the wide-string interfaces
// (UTF-16).
#pragma once

#include <string>
#include <string_view>

namespace reelcast {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);
// Ill-formed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// ASCII-only case folding, used for key names and file name matching.
char AsciiLower(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Negative, zero or positive like strcmp, comparing ASCII letters without
// regard to case.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace reelcast
