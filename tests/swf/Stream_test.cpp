#include <gtest/gtest.h>

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

}  // namespace
}  // namespace reelcast
