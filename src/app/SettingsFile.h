// The text format of the settings files (the user's "Settings.conf" and the
// installed "Defaults.conf"):
//   int System.nWidth=320
//   float System.Frame=23.976
//   text System.OutputPath=/home/me/Videos/
// UTF-8, one value per line, '#' starts a comment line. Text values escape
// '\' as "\\", line feed as "\n", carriage return as "\r" and tab as "\t".
// Key names compare without regard to ASCII case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace reelcast::settingsfile {

struct TNoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

enum class TValueKind { Int, Float, Text };

struct TValue {
  TValueKind Kind = TValueKind::Text;
  std::string Key;  // spelling as last written
  int32_t Int = 0;
  double Float = 0;
  std::string Text;     // UTF-8
  std::u16string Wide;  // the value as UTF-16 text (FillWide)
};

using TValueMap = std::map<std::string, TValue, TNoCaseLess>;

// Printable ASCII without blanks and '='.
bool ValidKey(std::string_view key);
// Shortest text that reads back as the same double.
std::string FormatDouble(double value);
// Sets v.Wide from the value: decimal text for numbers.
void FillWide(TValue& v);

// Parses one line into `into` (a later line of the same key wins); false when
// the line is damaged. Blank and comment lines give true and no value.
bool ParseLine(std::string_view line, TValueMap& into);
// Parses a whole file's bytes; returns the number of damaged lines skipped.
size_t ParseText(std::string_view text, TValueMap& into);
// The file text of values, which ParseText reads back unchanged.
std::string Serialise(const TValueMap& values);

}  // namespace reelcast::settingsfile
