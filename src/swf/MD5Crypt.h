// MD5 message digest and the MD5-crypt password scheme ("$1$" + salt + "$" +
// 22 characters) used by the password tags.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace reelcast {

class TMD5 {
 public:
  TMD5();
  void Update(const void* data, size_t size);
  void Update(const std::string& s) { Update(s.data(), s.size()); }
  std::array<uint8_t, 16> Final();

 private:
  void Transform(const uint8_t block[64]);
  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes hashed so far
  uint8_t buffer_[64];
};

std::array<uint8_t, 16> MD5Digest(const std::string& s);

// The salt loses a leading "$1$" and is cut to its first 2 characters; a salt
// of 0 or 1 characters is replaced by 2 random characters of the alphabet.
std::string MD5Crypt(const std::string& password, const std::string& salt);

}  // namespace reelcast
