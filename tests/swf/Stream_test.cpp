#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/TestEnv.h"
#include "swf/Stream.h"

namespace reelcast {
namespace {

TEST(MemoryStream, WriteSeekReadAndGrow) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  s.SetPosition(2);
  s.WriteBuffer("XY", 2);
  EXPECT_EQ(s.ToString(), "abXYef");
  // Writing past the end fills the gap with zeros.
  s.SetPosition(8);
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.ToString(), std::string("abXYef\0\0z", 9));
  s.Seek(-3, TSeekOrigin::End);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 3u);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  s.SetPosition(7);
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  EXPECT_THROW(s.Seek(-1, TSeekOrigin::Begin), EStreamError);
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(s.ToString(), "ab");
}

TEST(MemoryStream, CopyFromTakesExactlyCountBytes) {
  TMemoryStream source, target;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(3);
  target.CopyFrom(source, 4);
  EXPECT_EQ(target.ToString(), "3456");
  EXPECT_EQ(source.Position(), 7);
  EXPECT_THROW(target.CopyFrom(source, 4), EReadError);
  EXPECT_EQ(target.CopyRestFrom(source), 3);
  EXPECT_EQ(target.ToString(), "3456789");
}

TEST(MemoryViewStream, IsBoundedAndReadOnly) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  TMemoryViewStream view(bytes + 1, 3);
  uint8_t out[4] = {};
  EXPECT_EQ(view.Read(out, 4), 3u);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[2], 4);
  EXPECT_THROW(view.WriteBuffer(out, 1), EWriteError);
  view.SetPosition(1);
  TMemoryStream target;
  target.CopyFrom(view, 2);
  EXPECT_EQ(target.Size(), 2);
  EXPECT_THROW(target.CopyFrom(view, 1), EReadError);
}

TEST(FileStream, CreateReplacesAndErrorsNameTheFile) {
  test::TempDir dir;
  std::string name = (dir / "a.bin").string();
  test::WriteFile(name, "a much longer old content");
  {
    TFileStream f(name, TFileMode::Create);
    f.WriteBuffer("new", 3);
    EXPECT_EQ(f.Size(), 3);
    f.SetPosition(1);
    char c;
    f.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'e');
  }
  EXPECT_EQ(test::ReadFile(name), "new");
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(m.ToString(), "new");

  try {
    TFileStream missing((dir / "missing.swf").string(), TFileMode::OpenRead);
    FAIL() << "opening a missing file must throw";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.swf"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(dir.Path().string(), TFileMode::OpenRead), EFOpenError);
}


TEST(FileWindowStream, TakeHandsOutTheNextBytesAsAWindowOfTheirOwn) {
  test::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7 % 251);
  const std::string name = (dir / "w.bin").string();
  test::WriteFile(name, bytes);
  auto file = std::make_shared<TFileStream>(name, TFileMode::OpenRead);
  auto read = [](TStream& s, size_t n) {
    std::string out(n, '\0');
    s.ReadBuffer(out.data(), n);
    return out;
  };
  TFileWindowStream window(file, 100, 4000);
  // The first read buffers a few hundred bytes: the part taken next starts
  // inside that buffer and runs far past it, the one after starts outside.
  EXPECT_EQ(read(window, 10), bytes.substr(100, 10));
  auto part = window.Take(1500);
  EXPECT_EQ(window.Position(), 1510);
  EXPECT_EQ(part->Size(), 1500);
  EXPECT_EQ(part->FileOffset(), 110);
  EXPECT_EQ(read(*part, 1500), bytes.substr(110, 1500));
  EXPECT_THROW(read(*part, 1), EReadError);
  auto next = window.Take(300);
  EXPECT_EQ(read(*next, 300), bytes.substr(1610, 300));
  EXPECT_EQ(read(window, 20), bytes.substr(1910, 20));
  // Up to the window's end, not past it.
  EXPECT_THROW(window.Take(4000 - 1830 + 1), EReadError);
  EXPECT_EQ(read(*window.Take(4000 - 1830), 4000 - 1830), bytes.substr(1930, 4000 - 1830));
}

}  // namespace
}  // namespace reelcast
