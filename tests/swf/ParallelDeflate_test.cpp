#include "swf/ParallelDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace reelcast {
namespace {

// Inflates a whole zlib stream with zlib itself; fails on any error, a
// wrong checksum or bytes after the stream's end.
std::string Inflate(const std::string& stream) {
  z_stream z{};
  EXPECT_EQ(inflateInit(&z), Z_OK);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  std::string out;
  char buffer[65536];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  EXPECT_EQ(rc, Z_STREAM_END) << (z.msg ? z.msg : "");
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the stream's end";
  inflateEnd(&z);
  return out;
}

std::string Compress(const std::string& input, size_t blockSize, unsigned threads,
                     size_t writeSize) {
  TMemoryStream out;
  TParallelDeflate deflater(out, 6, blockSize, threads);
  for (size_t at = 0; at < input.size(); at += writeSize)
    deflater.Write(input.data() + at, std::min(writeSize, input.size() - at));
  deflater.Finish();
  EXPECT_EQ(deflater.Written(), input.size());
  return out.ToString();
}

std::string Random(size_t size, uint32_t seed, int mask) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(random() & mask);
  return s;
}

// Text that repeats at distances across block borders, so that a block
// which lost its dictionary would inflate to the wrong bytes.
std::string Repetitive(size_t size) {
  std::string line = "frame label 0123456789 with a long repeated tail of text\n";
  std::string s;
  while (s.size() < size) s += line + std::to_string(s.size() % 977);
  s.resize(size);
  return s;
}

TEST(ParallelDeflate, InflatesToTheInputWithZlibForEveryBlockSizeAndThreadCount) {
  struct Case {
    const char* name;
    std::string input;
  };
  const Case cases[] = {
      {"empty", ""},
      {"one byte", "x"},
      {"incompressible", Random(700000, 1, 0xFF)},
      {"low entropy", Random(500000, 2, 0x07)},
      {"repetitive", Repetitive(600000)},
      {"zeros", std::string(1 << 20, '\0')},
  };
  for (const auto& c : cases) {
    for (size_t blockSize : {size_t{1}, size_t{1000}, size_t{32768}, size_t{100000},
                             TParallelDeflate::kDefaultBlockSize}) {
      if (blockSize < 1000 && c.input.size() > 10) continue;  // a block per byte: tiny inputs only
      std::string single = Compress(c.input, blockSize, 1, 65536);
      for (unsigned threads : {2u, 3u}) {
        SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(blockSize) + ", threads " +
                     std::to_string(threads));
        std::string stream = Compress(c.input, blockSize, threads, 7777);
        EXPECT_EQ(Inflate(stream), c.input);
        // The thread count and the caller's write sizes do not change the bytes.
        EXPECT_EQ(stream, single);
      }
    }
  }
}

TEST(ParallelDeflate, CompressesAboutAsWellAsOneZlibStream) {
  std::string input = Repetitive(2 << 20) + Random(1 << 20, 3, 0x0F);
  uLongf size = compressBound(static_cast<uLong>(input.size()));
  std::string zlib(size, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(zlib.data()), &size,
                      reinterpret_cast<const Bytef*>(input.data()), input.size(), 6),
            Z_OK);
  std::string blocks = Compress(input, TParallelDeflate::kDefaultBlockSize, 2, 1 << 20);
  EXPECT_EQ(Inflate(blocks), input);
  EXPECT_LT(blocks.size(), size + size / 50 + 64);
  EXPECT_EQ(blocks.substr(0, 2), "\x78\x9C");
}

TEST(ParallelDeflate, WritingAfterFinishThrows) {
  TMemoryStream out;
  TParallelDeflate deflater(out, 6, 1024, 2);
  deflater.Write("abc", 3);
  deflater.Finish();
  EXPECT_THROW(deflater.Write("d", 1), EWriteError);
  EXPECT_EQ(Inflate(out.ToString()), "abc");
}

}  // namespace
}  // namespace reelcast
