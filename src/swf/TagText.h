// Small formatting helpers for the one-line tag descriptions of listings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "swf/Records.h"

namespace reelcast::text {

// Packed RGBA as "#RRGGBBAA".
inline std::string Color(uint32_t rgba) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X%02X", rgba & 255, (rgba >> 8) & 255,
                (rgba >> 16) & 255, rgba >> 24);
  return buf;
}

inline std::string HexByte(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

// "(xmin,ymin)-(xmax,ymax)" in twips.
inline std::string Rect(const TSWFRect& r) {
  return "(" + std::to_string(r.Xmin()) + "," + std::to_string(r.Ymin()) + ")-(" +
         std::to_string(r.Xmax()) + "," + std::to_string(r.Ymax()) + ")";
}

inline std::string Flag(const char* name, bool on) { return on ? std::string(" ") + name : ""; }

}  // namespace reelcast::text
