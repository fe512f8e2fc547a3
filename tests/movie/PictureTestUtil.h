// Helpers for picture tests: a writer of small BMP files with any header
// field chosen by the test, and the pixels of a lossless bitmap unpacked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace reelcast::test {

struct BmpLayout {
  int Width = 1;
  int Height = 1;  // negative: top-down
  int Bits = 24;
  uint32_t Compression = 0;
  uint32_t HeaderSize = 40;
  std::vector<uint32_t> Palette;  // 0xRRGGBB
  std::vector<uint32_t> Masks;    // after a 40-byte header, or inside a larger one
  uint32_t ColorsUsed = 0;
  std::string Pixels;             // exactly as stored in the file
};

inline void PutLe(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string MakeBmp(const BmpLayout& b) {
  std::string info;
  if (b.HeaderSize == 12) {
    PutLe(info, 12, 4);
    PutLe(info, static_cast<uint32_t>(b.Width), 2);
    PutLe(info, static_cast<uint32_t>(b.Height), 2);
    PutLe(info, 1, 2);
    PutLe(info, static_cast<uint32_t>(b.Bits), 2);
  } else {
    PutLe(info, b.HeaderSize, 4);
    PutLe(info, static_cast<uint32_t>(b.Width), 4);
    PutLe(info, static_cast<uint32_t>(b.Height), 4);
    PutLe(info, 1, 2);
    PutLe(info, static_cast<uint32_t>(b.Bits), 2);
    PutLe(info, b.Compression, 4);
    PutLe(info, static_cast<uint32_t>(b.Pixels.size()), 4);
    PutLe(info, 2835, 4);
    PutLe(info, 2835, 4);
    PutLe(info, b.ColorsUsed, 4);
    PutLe(info, 0, 4);
    if (b.HeaderSize > 40) {
      for (uint32_t m : b.Masks) PutLe(info, m, 4);
      info.resize(b.HeaderSize, '\0');
    } else {
      for (uint32_t m : b.Masks) PutLe(info, m, 4);
    }
  }
  for (uint32_t c : b.Palette) {
    PutLe(info, c & 0xFF, 1);
    PutLe(info, (c >> 8) & 0xFF, 1);
    PutLe(info, (c >> 16) & 0xFF, 1);
    if (b.HeaderSize != 12) PutLe(info, 0, 1);
  }
  std::string file = "BM";
  uint32_t offset = 14 + static_cast<uint32_t>(info.size());
  PutLe(file, offset + static_cast<uint32_t>(b.Pixels.size()), 4);
  PutLe(file, 0, 4);
  PutLe(file, offset, 4);
  return file + info + b.Pixels;
}

// Rows given top to bottom, each already packed; padded to 4 bytes and
// stored bottom-up as an ordinary BMP keeps them.
inline std::string BottomUp(const std::vector<std::string>& rowsTopDown) {
  std::string out;
  for (auto it = rowsTopDown.rbegin(); it != rowsTopDown.rend(); ++it) {
    std::string r = *it;
    while (r.size() % 4) r.push_back('\0');
    out += r;
  }
  return out;
}

inline std::vector<uint8_t> Inflate(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out(1 << 16);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<uint8_t*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  size_t have = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (have == out.size()) out.resize(out.size() * 2);
    z.next_out = out.data() + have;
    z.avail_out = static_cast<uInt>(out.size() - have);
    rc = inflate(&z, Z_NO_FLUSH);
    have = out.size() - z.avail_out;
  }
  inflateEnd(&z);
  out.resize(have);
  return out;
}

}  // namespace reelcast::test
