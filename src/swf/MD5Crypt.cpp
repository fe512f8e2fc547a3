#include "swf/MD5Crypt.h"

#include <cstring>
#include <random>

namespace reelcast {

namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

inline uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

const char kAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

void To64(std::string& out, uint32_t v, int n) {
  while (n-- > 0) {
    out += kAlphabet[v & 0x3F];
    v >>= 6;
  }
}

}  // namespace

TMD5::TMD5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void TMD5::Transform(const uint8_t block[64]) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = block[i * 4] | (block[i * 4 + 1] << 8) | (block[i * 4 + 2] << 16) |
           (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    uint32_t next = d;
    d = c;
    c = b;
    b = b + Rotl(a + f + kSine[i] + m[g], kShift[i]);
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void TMD5::Update(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  size_t used = static_cast<size_t>(length_ % 64);
  length_ += size;
  if (used > 0) {
    size_t take = std::min(size, 64 - used);
    std::memcpy(buffer_ + used, p, take);
    p += take;
    size -= take;
    if (used + take < 64) return;
    Transform(buffer_);
  }
  while (size >= 64) {
    Transform(p);
    p += 64;
    size -= 64;
  }
  if (size > 0) std::memcpy(buffer_, p, size);
}

std::array<uint8_t, 16> TMD5::Final() {
  uint64_t bits = length_ * 8;
  uint8_t pad = 0x80;
  Update(&pad, 1);
  uint8_t zero = 0;
  while (length_ % 64 != 56) Update(&zero, 1);
  uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(lengthBytes, 8);
  std::array<uint8_t, 16> digest;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) digest[i * 4 + k] = static_cast<uint8_t>(state_[i] >> (8 * k));
  return digest;
}

std::array<uint8_t, 16> MD5Digest(const std::string& s) {
  TMD5 md5;
  md5.Update(s);
  return md5.Final();
}

std::string MD5Crypt(const std::string& password, const std::string& saltIn) {
  static const std::string kMagic = "$1$";
  std::string salt = saltIn;
  if (salt.rfind(kMagic, 0) == 0) salt.erase(0, kMagic.size());
  if (salt.size() > 1) {
    salt.resize(2);
  } else {
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, 63);
    salt = {kAlphabet[pick(random)], kAlphabet[pick(random)]};
  }

  TMD5 alternate;
  alternate.Update(password);
  alternate.Update(salt);
  alternate.Update(password);
  auto alt = alternate.Final();

  TMD5 ctx;
  ctx.Update(password);
  ctx.Update(kMagic);
  ctx.Update(salt);
  for (size_t left = password.size(); left > 0; left -= std::min<size_t>(left, 16))
    ctx.Update(alt.data(), std::min<size_t>(left, 16));
  // The length enters this loop as a byte.
  for (uint8_t i = static_cast<uint8_t>(password.size()); i != 0; i >>= 1) {
    if (i & 1) ctx.Update("\0", 1);
    else ctx.Update(password.data(), 1);
  }
  auto final = ctx.Final();

  for (int i = 0; i < 1000; ++i) {
    TMD5 round;
    if (i & 1) round.Update(password);
    else round.Update(final.data(), 16);
    if (i % 3) round.Update(salt);
    if (i % 7) round.Update(password);
    if (i & 1) round.Update(final.data(), 16);
    else round.Update(password);
    final = round.Final();
  }

  std::string out = kMagic + salt + "$";
  To64(out, (final[0] << 16) | (final[6] << 8) | final[12], 4);
  To64(out, (final[1] << 16) | (final[7] << 8) | final[13], 4);
  To64(out, (final[2] << 16) | (final[8] << 8) | final[14], 4);
  To64(out, (final[3] << 16) | (final[9] << 8) | final[15], 4);
  To64(out, (final[4] << 16) | (final[10] << 8) | final[5], 4);
  To64(out, final[11], 2);
  return out;
}

}  // namespace reelcast
