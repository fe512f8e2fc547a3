// Any bytes as a settings file: parsing never fails hard, and what was read
// is written back in a form that reads again without loss.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/SettingsFile.h"

using namespace reelcast::settingsfile;

static bool Same(const TValue& a, const TValue& b) {
  if (a.Kind != b.Kind || a.Key != b.Key || a.Wide != b.Wide) return false;
  switch (a.Kind) {
    case TValueKind::Int: return a.Int == b.Int;
    case TValueKind::Float: return a.Float == b.Float;
    case TValueKind::Text: return a.Text == b.Text;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TValueMap first;
  ParseText(text, first);
  TValueMap second;
  if (ParseText(Serialise(first), second) != 0) std::abort();
  if (first.size() != second.size()) std::abort();
  for (auto a = first.begin(), b = second.begin(); a != first.end(); ++a, ++b)
    if (!Same(a->second, b->second)) std::abort();
  return 0;
}
