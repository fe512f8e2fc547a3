// Movies whose stream sound is a looping MP3 or a PCM WAV, made by outside
// tools here, play in Ruffle without errors; ffmpeg reads the movie's sound
// back as the same tone, for the whole length of the movie and without a
// gap where the music starts again.
#include <gtest/gtest.h>

#include <cmath>

#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "movie/FlashSound.h"
#include "support/MediaProbe.h"
#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

// seconds of movie at fps over a red square; the music loops under it.
void SaveMusicMovie(const fs::path& music, const fs::path& swf, float fps, int seconds) {
  TFlashMovie movie(0, 0, 160, 120, fps, true);
  movie.SetVersion(8);
  movie.BackgroundColor().SetRGB(0x202020);
  movie.StreamSound().LoadFromFile(music.string());
  TFlashShape* square = movie.AddRectangle(40, 20, 120, 100);
  square->AddSolidFill(255, 0, 0);
  movie.PlaceObject(square, 1);
  movie.ShowFrame(static_cast<uint16_t>(std::lround(fps * seconds)));
  movie.MakeStream();
  movie.SaveToFile(swf.string());
}

TEST(StreamSoundInRuffle, LoopingMusicPlaysForTheWholeMovie) {
  std::string missing = RufflePlayer::MissingPieces();
  ASSERT_TRUE(missing.empty()) << missing;
  TempDir dir("reelcast-sound-e2e");
  const fs::path tone = dir / "tone.wav";
  RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "1.3", "-ac", "2", tone.string()});
  struct Case {
    const char* name;
    std::vector<std::string> encode;  // ffmpeg output options; empty: lame VBR
    const char* file;
    float fps;
  };
  std::vector<Case> cases = {
      {"CBR MP3 at 25 fps", {"-c:a", "libmp3lame", "-b:a", "128k"}, "cbr.mp3", 25},
      {"MPEG-2 MP3 at 29.97 fps", {"-c:a", "libmp3lame", "-ar", "22050", "-b:a", "64k"}, "mpeg2.mp3", 29.97f},
      {"16-bit stereo WAV at 25 fps", {"-c:a", "pcm_s16le", "-ar", "22050"}, "pcm16.wav", 25},
      {"8-bit mono WAV at 12 fps", {"-c:a", "pcm_u8", "-ac", "1", "-ar", "11025"}, "pcm8.wav", 12},
  };
  if (HaveProgram("lame")) cases.push_back({"lame VBR MP3 at 24 fps", {}, "vbr.mp3", 24});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path music = dir / c.file;
    if (c.encode.empty()) {
      ASSERT_EQ(RunProcess({"lame", "--quiet", "-V", "4", "--add-id3v2", "--tt", "Tone", tone.string(),
                            music.string()})
                    .ExitCode,
                0);
    } else {
      std::vector<std::string> args = {"-i", tone.string()};
      args.insert(args.end(), c.encode.begin(), c.encode.end());
      args.push_back(music.string());
      RunFfmpeg(args);
    }
    SaveMusicMovie(music, dir / "movie.swf", c.fps, 4);

    RuffleOptions o;
    o.Root = dir.Path();
    o.Swf = "movie.swf";
    o.RunMs = 2500;
    o.ShotsAt = {1500};
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    EXPECT_EQ(r.Metadata.NumFrames, std::lround(c.fps * 4));
    ASSERT_EQ(r.Shots.size(), 1u);
    EXPECT_TRUE(r.Shots[0].Image.Pixel(80, 60).Near({255, 0, 0, 255})) << "the movie runs";

    // ffmpeg's reading of the 16-bit streams (it takes every uncompressed
    // stream as 16-bit): the tone lasts as long as the movie and sounds
    // across the loop points at 1.3 s and 2.6 s.
    if (std::string(c.file) == "pcm8.wav") continue;
    const int rate = 22050;
    std::vector<int16_t> sound = DecodeAudio(dir / "movie.swf", rate);
    const double seconds = static_cast<double>(sound.size()) / rate;
    EXPECT_NEAR(seconds, 4.0, 0.1);
    EXPECT_NEAR(Pitch(sound, rate, 2.0, 2.4), 440, 15);
    for (double t = 0.2; t + 0.1 < seconds - 0.1; t += 0.1)
      EXPECT_GT(Rms(sound, rate, t, t + 0.1), 1000) << "sound between " << t << " and " << t + 0.1 << " s";
  }
}

}  // namespace
}  // namespace reelcast::test
