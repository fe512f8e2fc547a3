#include "support/SlowConnection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "support/TestEnv.h"

namespace reelcast::test {

std::string SlowConnectionAction(int bytesPerSecond) {
  using TValue = std::pair<uint8_t, std::string>;  // Push type and its bytes
  auto push = [](std::string& to, std::initializer_list<TValue> values) {
    std::string data;
    for (const auto& [type, value] : values) data += static_cast<char>(type) + value;
    to += '\x96';
    to += static_cast<char>(data.size() & 0xFF);
    to += static_cast<char>(data.size() >> 8);
    to += data;
  };
  auto str = [](const std::string& s) { return TValue{0, s + '\0'}; };
  auto dbl = [](double d) {
    char bytes[8];
    std::memcpy(bytes, &d, 8);
    // Doubles are written as two little-endian words, high word first.
    return TValue{6, std::string(bytes + 4, 4) + std::string(bytes, 4)};
  };
  std::string body;
  body += '\x34';  // GetTime
  push(body, {str("_root")});
  body += '\x1C';  // GetVariable
  push(body, {str("slowStart")});
  body += '\x4E';  // GetMember
  body += '\x0B';  // Subtract: the milliseconds since the start
  push(body, {dbl(bytesPerSecond / 1000.0)});
  body += '\x0C';  // Multiply: the bytes by now
  push(body, {dbl(0), str("this")});
  body += '\x1C';  // GetVariable
  push(body, {str("getBytesTotal")});
  body += '\x52';  // CallMethod
  push(body, {dbl(2), str("Math")});
  body += '\x1C';
  push(body, {str("min")});
  body += '\x52';  // Math.min(both)
  body += '\x3E';  // Return
  std::string code;
  // slowStart = getTimer() (the GetTime action)
  push(code, {str("slowStart")});
  code += '\x34';  // GetTime
  code += '\x1D';  // SetVariable
  push(code, {str("MovieClip")});
  code += '\x1C';
  push(code, {str("prototype")});
  code += '\x4E';  // GetMember
  push(code, {str("getBytesLoaded")});
  code += '\x9B';  // DefineFunction: no name, no parameters, then the body's size
  code += std::string("\x05\x00\x00\x00\x00", 5);
  code += static_cast<char>(body.size() & 0xFF);
  code += static_cast<char>(body.size() >> 8);
  code += body;
  code += '\x4F';  // SetMember
  code += '\x07';  // Stop
  code += '\0';    // End
  // A DoAction tag (code 12) with a long header.
  std::string tag("\x3F\x03", 2);
  const uint32_t length = static_cast<uint32_t>(code.size());
  for (int i = 0; i < 4; ++i) tag += static_cast<char>((length >> (8 * i)) & 0xFF);
  return tag + code;
}

// An uncompressed movie with tag put before its first DoAction.
void PutBeforeFirstAction(const fs::path& file, const std::string& tag) {
  std::string swf = ReadFile(file);
  ASSERT_EQ(swf.substr(0, 3), "FWS");
  const int bits = static_cast<uint8_t>(swf[8]) >> 3;
  size_t at = 8 + (5 + 4 * bits + 7) / 8 + 4;  // frame rectangle, rate, frame count
  for (;;) {
    ASSERT_LT(at + 2, swf.size());
    const uint16_t head = static_cast<uint8_t>(swf[at]) | static_cast<uint8_t>(swf[at + 1]) << 8;
    uint32_t length = head & 0x3F;
    size_t data = at + 2;
    if (length == 0x3F) {
      length = 0;
      for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(static_cast<uint8_t>(swf[data + i])) << (8 * i);
      data += 4;
    }
    if ((head >> 6) == 12) break;
    ASSERT_NE(head >> 6, 0) << "no DoAction";
    at = data + length;
  }
  swf.insert(at, tag);
  const uint32_t total = static_cast<uint32_t>(swf.size());
  for (int i = 0; i < 4; ++i) swf[4 + i] = static_cast<char>((total >> (8 * i)) & 0xFF);
  WriteFile(file, swf);
}

void ArriveSlowly(const fs::path& file, double seconds) {
  const fs::path plain = file.string() + ".slow.swf";
  ProcessResult r = RunProcess({(BinDir() / "reelcast-cli").string(), "swf", "rewrite", file.string(), plain.string(),
                                "--uncompress"});
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  const int bytesPerSecond = static_cast<int>(static_cast<double>(fs::file_size(plain)) / seconds);
  PutBeforeFirstAction(plain, SlowConnectionAction(bytesPerSecond));
  fs::rename(plain, file);
}

}  // namespace reelcast::test
