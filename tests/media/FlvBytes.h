// Builds FLV files byte by byte for the media tests: the header, tags with
// any declared size, and AMF0 values for script tags.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace reelcast::test {

inline std::string BE(uint64_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
  return out;
}

// "FLV", version, flags, header size 9 and PreviousTagSize0.
inline std::string FlvHeader(uint8_t version = 1, uint8_t flags = 5) {
  return std::string("FLV") + static_cast<char>(version) + static_cast<char>(flags) + BE(9, 4) +
         BE(0, 4);
}

// One tag with its back-pointer. declaredSize overrides the DataSize field.
inline std::string FlvTag(uint8_t type, uint32_t timestamp, const std::string& data,
                          int64_t declaredSize = -1) {
  uint32_t size = declaredSize < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(declaredSize);
  return static_cast<char>(type) + BE(size, 3) + BE(timestamp & 0xFFFFFF, 3) +
         static_cast<char>(timestamp >> 24) + BE(0, 3) + data + BE(11 + data.size(), 4);
}

// A Sorenson H.263 key frame whose picture header has the given size code
// (and, for codes 0 and 1, the custom size); filler makes up the payload.
inline std::string H263Frame(int sizeCode, int width = 0, int height = 0, size_t filler = 20) {
  // 17-bit start code 1, version 0, temporal reference 0, size code, size.
  std::string bytes;
  int used = 0;
  auto put = [&](uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (used % 8 == 0) bytes += '\0';
      if ((v >> i) & 1) bytes.back() = static_cast<char>(bytes.back() | (0x80 >> (used % 8)));
      ++used;
    }
  };
  put(1, 17);
  put(0, 5);
  put(0, 8);
  put(static_cast<uint32_t>(sizeCode), 3);
  if (sizeCode == 0) put(static_cast<uint32_t>(width), 8), put(static_cast<uint32_t>(height), 8);
  if (sizeCode == 1) put(static_cast<uint32_t>(width), 16), put(static_cast<uint32_t>(height), 16);
  return std::string(1, '\x12') + bytes + std::string(filler, '\x55');
}

inline std::string AmfString(const std::string& s) { return BE(s.size(), 2) + s; }
inline std::string AmfNumber(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  return std::string(1, '\0') + BE(bits, 8);
}
inline std::string AmfBool(bool v) { return std::string("\x01", 1) + static_cast<char>(v ? 1 : 0); }
inline std::string AmfText(const std::string& s) { return "\x02" + AmfString(s); }

// A script tag body: "onMetaData" and an ECMA array of the given named
// values ("name" + value bytes), with the declared count and the end marker.
inline std::string MetaBody(const std::string& namedValues, uint32_t count,
                            const std::string& name = "onMetaData") {
  return "\x02" + AmfString(name) + "\x08" + BE(count, 4) + namedValues + BE(9, 3);
}
inline std::string Named(const std::string& name, const std::string& value) {
  return AmfString(name) + value;
}

}  // namespace reelcast::test
