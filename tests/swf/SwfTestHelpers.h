// Small helpers of the SWF library tests: hex text to bytes and back, and
// writing through a fresh engine into a memory stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "swf/BitsEngine.h"
#include "swf/Stream.h"

namespace reelcast::test {

// "40 00 ff" -> the three bytes; spaces are ignored.
inline std::string Bytes(const std::string& hex) {
  std::string out;
  int nibble = -1;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else continue;
    if (nibble < 0) {
      nibble = v;
    } else {
      out += static_cast<char>(nibble * 16 + v);
      nibble = -1;
    }
  }
  return out;
}

inline std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
    out += buf;
  }
  return out;
}

// Runs write against an engine over a fresh memory stream; returns the bytes.
inline std::string Written(const std::function<void(TBitsEngine&)>& write) {
  TMemoryStream stream;
  TBitsEngine engine(stream);
  write(engine);
  return stream.ToString();
}

// A memory stream holding bytes, positioned at 0.
inline void Fill(TMemoryStream& stream, const std::string& bytes) {
  stream.Clear();
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
}

}  // namespace reelcast::test

#include "support/TestEnv.h"

namespace reelcast::test {

// Writes a short movie with ffmpeg's swf muxer (video in videoCodec, "flv"
// or "mjpeg", and an MP3 sound stream); returns its path, or an empty path
// when ffmpeg is missing or fails.
inline fs::path MakeFfmpegSwf(const TempDir& dir, const std::string& videoCodec,
                              const std::string& name = "ffmpeg.swf") {
  fs::path out = dir / name;
  auto result = RunProcess({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "testsrc=size=160x120:rate=10", "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=22050", "-t", "2", "-c:v", videoCodec,
                            "-c:a", "libmp3lame", "-ar", "22050", "-f", "swf", out.string()},
                           120);
  if (result.ExitCode != 0 || !fs::exists(out)) return {};
  return out;
}

}  // namespace reelcast::test
