// A movie body that keeps the bytes of its source files by reference writes
// the same movie, byte for byte, as one that copies them into memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "media/FlvBytes.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashSound.h"
#include "movie/FlashVideo.h"
#include "support/TestEnv.h"
#include "swf/SplicedStream.h"
#include "swf/SWFStream.h"

namespace reelcast::test {
namespace {

const std::string kMP3Frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\x11');

// frames H.263 frames of about frameBytes each at 25 fps, with audio tags
// (flags byte, then payload) interleaved.
std::string Flv(int frames, size_t frameBytes, int audioTags, const std::string& audio) {
  std::string tags;
  for (int i = 0; i < std::max(frames, audioTags); ++i) {
    if (i < frames)
      tags += FlvTag(kFLVTagVideo, static_cast<uint32_t>(i * 40), H263Frame(5, 0, 0, frameBytes + i));
    if (i < audioTags) tags += FlvTag(kFLVTagAudio, static_cast<uint32_t>(i * 40), audio);
  }
  return FlvHeader() + tags;
}

struct TMovieCase {
  const char* Name;
  std::function<void(TFlashMovie&, const TempDir&)> Build;
};

std::string Save(TBasedSWFStream& movie, bool compressed, const TempDir& dir) {
  movie.SetCompressed(compressed);
  // Once through a memory stream, once into a file (the file-to-file path):
  // both must agree.
  TMemoryStream memory;
  movie.SaveToStream(memory);
  std::string file = (dir / "saved.swf").string();
  movie.SaveToFile(file);
  EXPECT_EQ(ReadFile(file), memory.ToString());
  return memory.ToString();
}

TEST(StreamedBody, WritesTheSameBytesAsTheMemoryBodyForEveryKindOfMovie) {
  TempDir dir;
  WriteFile(dir / "mp3.flv", Flv(30, 3000, 40, "\x2E" + kMP3Frame));
  WriteFile(dir / "nelly.flv", Flv(20, 900, 20, "\x6A" + std::string(640, '\x42')));
  WriteFile(dir / "silent.flv", Flv(12, 5000, 0, ""));
  std::string song;
  for (int i = 0; i < 200; ++i) song += kMP3Frame;
  WriteFile(dir / "song.mp3", song);

  const TMovieCase cases[] = {
      {"video with its MP3 sound, looping",
       [](TFlashMovie& m, const TempDir& d) {
         TFlashVideo* v = m.AddVideo((d / "mp3.flv").string());
         m.PlaceVideo(v, 1)->SetEnableSound(true);
         m.ShowFrame(60);
       }},
      {"video with Nellymoser sound",
       [](TFlashMovie& m, const TempDir& d) {
         TFlashVideo* v = m.AddVideo((d / "nelly.flv").string());
         m.PlaceVideo(v, 1)->SetEnableSound(true);
         m.ShowFrame(20);
       }},
      {"two videos and music streamed from an MP3 file",
       [](TFlashMovie& m, const TempDir& d) {
         m.StreamSound().LoadFromFile((d / "song.mp3").string());
         m.AddRectangle(0, 0, 10, 10);
         TFlashVideo* a = m.AddVideo((d / "silent.flv").string());
         TFlashVideo* b = m.AddVideo((d / "mp3.flv").string());
         m.PlaceVideo(a, 1);
         m.PlaceVideo(b, 2)->Loop = false;
         m.ShowFrame(45);
       }},
  };
  for (const auto& c : cases) {
    for (bool compressed : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (compressed ? ", compressed" : ""));
      std::string expected;
      for (bool splicing : {false, true}) {
        TFlashMovie movie(0, 0, 320, 240, 25, true);
        auto& body = dynamic_cast<TSplicedStream&>(movie.GetBodyStream());
        body.SetSplicing(splicing);
        c.Build(movie, dir);
        movie.MakeStream();
        EXPECT_EQ(body.SpliceCount() > 0, splicing);
        if (splicing) {
          // The payloads stay in the files: the memory holds tags around them.
          EXPECT_LT(body.BufferSize() * 4, static_cast<size_t>(body.Size()));
          EXPECT_EQ(Save(movie, compressed, dir), expected);
        } else {
          expected = Save(movie, compressed, dir);
        }
      }
    }
  }
}

// Readers made while this lives keep bodies of at least `above` bytes in
// their files.
class TStreamAbove {
 public:
  explicit TStreamAbove(int64_t above) : saved_(TSWFStreamReader::DefaultStreamAbove) {
    TSWFStreamReader::DefaultStreamAbove = above;
  }
  ~TStreamAbove() { TSWFStreamReader::DefaultStreamAbove = saved_; }

 private:
  int64_t saved_;
};

// The payloads stay in files: the memory holds little more than tag heads.
void ExpectKeptInFiles(TMemoryStream& body) {
  auto* spliced = dynamic_cast<TSplicedStream*>(&body);
  ASSERT_NE(spliced, nullptr);
  EXPECT_GT(spliced->SpliceCount(), 0u);
  EXPECT_LT(spliced->BufferSize() * 4, static_cast<size_t>(spliced->Size()));
}

struct TReadCase {
  const char* Name;
  // Reads the movie file and saves what it makes; expectKept checks that the
  // result's body kept the payloads in files.
  std::function<std::string(const std::string& file, bool compressed, const TempDir& dir, bool expectKept)> Run;
};

TEST(StreamedBody, MoviesReadFromFilesWriteTheSameBytesAsMoviesReadIntoMemory) {
  TempDir dir;
  WriteFile(dir / "mp3.flv", Flv(30, 3000, 40, "\x2E" + kMP3Frame));
  WriteFile(dir / "silent.flv", Flv(12, 5000, 0, ""));
  {
    // A movie with shapes, two videos (one with its sound) and a frame
    // script, saved plain and compressed as the inputs.
    TFlashMovie source(0, 0, 320, 240, 25, true);
    source.AddRectangle(0, 0, 10, 10);
    TFlashVideo* a = source.AddVideo((dir / "silent.flv").string());
    TFlashVideo* b = source.AddVideo((dir / "mp3.flv").string());
    source.PlaceVideo(a, 1);
    source.PlaceVideo(b, 2)->SetEnableSound(true);
    source.ShowFrame(30);
    source.FrameActions().Stop();
    source.ShowFrame(1);
    source.MakeStream();
    source.SetCompressed(false);
    source.SaveToFile((dir / "plain.swf").string());
    source.SetCompressed(true);
    source.SaveToFile((dir / "compressed.swf").string());
  }
  {
    // A movie of small pictures and their sound as a sprite of another: the
    // sound blocks, most of its bytes, are tags of the sprite, which readers
    // must keep in the file as well.
    WriteFile(dir / "talk.flv", Flv(30, 300, 40, "\x2E" + kMP3Frame));
    TFlashMovie talk(0, 0, 320, 240, 25, true);
    TFlashVideo* v = talk.AddVideo((dir / "talk.flv").string());
    talk.PlaceVideo(v, 1)->SetEnableSound(true);
    talk.ShowFrame(30);
    talk.MakeStream();
    talk.SetCompressed(false);
    talk.SaveToFile((dir / "talk.swf").string());
    TFlashMovie wrapper(0, 0, 320, 240, 25, true);
    TFlashExternalMovie* inner = wrapper.AddExternalMovie((dir / "talk.swf").string(), 3, true);
    wrapper.PlaceObject(inner->AsSprite, 1);
    wrapper.ShowFrame(inner->AsSprite->FrameCount());
    wrapper.MakeStream();
    wrapper.SetCompressed(false);
    wrapper.SaveToFile((dir / "wrapped.swf").string());
  }

  const TReadCase cases[] = {
      {"tags copied as read",
       [](const std::string& file, bool compressed, const TempDir& d, bool expectKept) {
         TSWFStreamReader reader(file);
         reader.ParseTags(false, false);
         reader.MakeStream();
         if (expectKept) ExpectKeptInFiles(reader.GetBodyStream());
         return Save(reader, compressed, d);
       }},
      {"tags rebuilt from objects, renumbered",
       [](const std::string& file, bool compressed, const TempDir& d, bool expectKept) {
         TSWFStreamReader reader(file);
         reader.ParseTags(true, true);
         reader.RenumberCharacters(300);
         reader.MakeStream();
         if (expectKept) ExpectKeptInFiles(reader.GetBodyStream());
         return Save(reader, compressed, d);
       }},
      {"rebuilt tag by tag: tags that stay the same become one range of the source",
       [](const std::string& file, bool compressed, const TempDir& d, bool expectKept) {
         TSWFStreamReader reader(file);
         reader.RebuildBody(true, std::nullopt);
         if (expectKept) {
           auto& body = dynamic_cast<TSplicedStream&>(reader.GetBodyStream());
           EXPECT_EQ(body.SpliceCount(), 1u);
           ExpectKeptInFiles(body);
         }
         return Save(reader, compressed, d);
       }},
      {"rebuilt tag by tag, renumbered",
       [](const std::string& file, bool compressed, const TempDir& d, bool expectKept) {
         TSWFStreamReader reader(file);
         reader.RebuildBody(false, uint16_t{300});
         if (expectKept) ExpectKeptInFiles(reader.GetBodyStream());
         return Save(reader, compressed, d);
       }},
      {"imported as a sprite of a new movie",
       [](const std::string& file, bool compressed, const TempDir& d, bool expectKept) {
         TFlashMovie movie(0, 0, 320, 240, 25, true);
         movie.AddRectangle(0, 0, 20, 20);
         TFlashExternalMovie* imported = movie.AddExternalMovie(file, 3, true);
         movie.PlaceObject(imported->AsSprite, 1)->SetName("MainMovie");
         movie.ShowFrame(imported->AsSprite->FrameCount());
         movie.MakeStream();
         if (expectKept) ExpectKeptInFiles(movie.GetBodyStream());
         return Save(movie, compressed, d);
       }},
  };
  for (const char* input : {"plain.swf", "compressed.swf", "wrapped.swf"}) {
    const std::string file = (dir / input).string();
    for (const auto& c : cases) {
      for (bool compressed : {false, true}) {
        SCOPED_TRACE(std::string(c.Name) + " from " + input + (compressed ? ", saved compressed" : ""));
        std::string expected;
        {
          TStreamAbove inMemory(std::numeric_limits<int64_t>::max());
          expected = c.Run(file, compressed, dir, false);
        }
        TStreamAbove inFiles(0);
        EXPECT_EQ(c.Run(file, compressed, dir, true), expected);
      }
    }
  }
}

TEST(StreamedBody, KeepsPositionsPatchesInMemoryAndRefusesToWriteOverFileBytes) {
  TempDir dir;
  WriteFile(dir / "source.bin", std::string(1000, 'a') + std::string(1000, 'b'));
  TSplicedStream body;
  body.WriteBuffer("head", 4);
  {
    TFileStream source((dir / "source.bin").string(), TFileMode::OpenRead);
    body.CopyFrom(source, 600);          // kept: 'a' x 600
    body.CopyFrom(source, 900);          // continues the same range
    body.CopyFrom(source, 10);           // too short: copied
    body.WriteBuffer("tail", 4);
    source.SetPosition(1990);
    body.CopyFrom(source, 10);
    EXPECT_EQ(body.SpliceCount(), 1u);
    // The source closes here; the body still reads its bytes.
  }
  EXPECT_EQ(body.Size(), 4 + 1500 + 10 + 4 + 10);
  EXPECT_EQ(body.Position(), body.Size());
  // Patch the memory before and after the kept range by position.
  body.SetPosition(1);
  body.WriteBuffer("E", 1);
  body.SetPosition(4 + 1500 + 10);
  body.WriteBuffer("TAIL", 4);
  EXPECT_THROW(body.SetPosition(100), EStreamError);
  body.SetPosition(2);
  EXPECT_THROW(body.WriteBuffer("xxxx", 4), EWriteError);
  EXPECT_EQ(body.ToString(), "hEad" + std::string(1000, 'a') + std::string(500, 'b') + std::string(10, 'b') +
                                 "TAIL" + std::string(10, 'b'));
}

TEST(StreamedBody, ComparesWithItsSourceAndCutsBackOverKeptRanges) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += static_cast<char>(i * 7 + i / 256);
  WriteFile(dir / "source.bin", bytes);
  const std::string path = (dir / "source.bin").string();
  auto file = std::make_shared<TFileStream>(path, TFileMode::OpenRead);
  auto at = [&bytes](int64_t offset) {
    return [&bytes, offset](uint64_t k, size_t) {
      return reinterpret_cast<const uint8_t*>(bytes.data()) + offset + static_cast<int64_t>(k);
    };
  };
  // Source bytes 100..623: 20 in memory, 500 kept, 3 in memory.
  TSplicedStream body;
  body.WriteBuffer(bytes.data() + 100, 20);
  body.Splice(file, 120, 500);
  EXPECT_TRUE(body.EndsAt(*file, 620));
  EXPECT_FALSE(body.EndsAt(*file, 621));
  body.WriteBuffer(bytes.data() + 620, 3);
  EXPECT_FALSE(body.EndsAt(*file, 620)) << "memory follows the range";

  TFileStream sameFileOtherHandle(path, TFileMode::OpenRead);
  EXPECT_TRUE(body.Matches(0, 523, *file, 100, at(100)));
  EXPECT_TRUE(body.Matches(20, 503, *file, 120, at(120)));
  EXPECT_TRUE(body.Matches(10, 5, *file, 110, at(110)));
  EXPECT_FALSE(body.Matches(0, 523, *file, 101, at(101))) << "shifted";
  EXPECT_FALSE(body.Matches(20, 500, *file, 121, at(121))) << "the kept range holds other bytes";
  EXPECT_FALSE(body.Matches(0, 524, *file, 100, at(100))) << "past the body's end";
  EXPECT_FALSE(body.Matches(0, 523, sameFileOtherHandle, 100, at(100))) << "a range of another stream";
  std::string changed = bytes;
  changed[621] ^= 1;
  EXPECT_FALSE(body.Matches(0, 523, *file, 100, [&changed](uint64_t k, size_t) {
    return reinterpret_cast<const uint8_t*>(changed.data()) + 100 + k;
  })) << "a byte in memory differs";

  // Cut inside the kept range: it is shortened, and a short range that
  // continues it lengthens it instead of being copied.
  body.Truncate(300);
  EXPECT_EQ(body.Size(), 300);
  body.Splice(file, 400, 10);
  EXPECT_EQ(body.SpliceCount(), 1u);
  EXPECT_EQ(body.ToString(), bytes.substr(100, 310));
  body.WriteBuffer("!", 1);
  EXPECT_EQ(body.ToString(), bytes.substr(100, 310) + "!");
  // Cut into the memory before it: the range goes.
  body.Truncate(10);
  EXPECT_EQ(body.SpliceCount(), 0u);
  EXPECT_EQ(body.ToString(), bytes.substr(100, 10));
  EXPECT_THROW(body.Truncate(11), EStreamError);
  EXPECT_THROW(body.Splice(file, 1900, 300), EReadError) << "the source is shorter";
}


TEST(StreamedBody, KeepsARunOfMoreThanFourGigabytesAsSeveralRanges) {
  TempDir dir;
  const std::string path = (dir / "sparse.bin").string();
  const int64_t boundary = 1000 + int64_t{UINT32_MAX};  // where the first range is full
  {
    std::ofstream out(path, std::ios::binary);
    out.seekp(boundary - 1);
    out.write("xy", 2);
    out.seekp(int64_t{5} << 30);
    out.write("z", 1);
  }
  auto file = std::make_shared<TFileStream>(path, TFileMode::OpenRead);
  const int64_t first = int64_t{3} << 30, second = int64_t{3} << 29;
  TSplicedStream body;
  body.Splice(file, 1000, first);
  body.Splice(file, 1000 + first, second);  // continues the run past 4 GB
  EXPECT_EQ(body.SpliceCount(), 2u);
  EXPECT_EQ(body.Size(), first + second);
  EXPECT_TRUE(body.EndsAt(*file, 1000 + first + second));
  char bytes[2] = {};
  body.ReadAt(static_cast<uint64_t>(boundary - 1000 - 1), bytes, 2);
  EXPECT_EQ(std::string(bytes, 2), "xy") << "read across the two ranges";
  auto located = body.Locate(static_cast<uint64_t>(boundary - 1000), 1);
  EXPECT_EQ(located.File, file);
  EXPECT_EQ(located.Offset, boundary);
  body.Truncate(static_cast<uint64_t>(boundary - 1000 + 1));
  EXPECT_EQ(body.SpliceCount(), 2u);
  EXPECT_EQ(body.Size(), boundary - 1000 + 1);
}

}  // namespace
}  // namespace reelcast::test
