// The browser harness itself, on movies written bit by bit here so that a
// fault in the harness cannot hide behind a fault of our own SWF library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/RufflePlayer.h"
#include "support/TestEnv.h"

namespace reelcast::test {
namespace {

// Most significant bit first, as SWF packs its bit fields.
class Bits {
 public:
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> used_);
      used_ = (used_ + 1) % 8;
    }
  }
  void PutSigned(int32_t value, int count) {
    Put(static_cast<uint32_t>(value) & ((1u << count) - 1), count);
  }
  std::string Take() {
    std::string out(bytes_.begin(), bytes_.end());
    bytes_.clear();
    used_ = 0;
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 0;
};

std::string U16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

// A rectangle in twips, with 16-bit fields.
std::string Rect(int x0, int x1, int y0, int y1) {
  Bits b;
  b.Put(16, 5);
  for (int v : {x0, x1, y0, y1}) b.PutSigned(v, 16);
  return b.Take();
}

std::string Tag(unsigned code, const std::string& body) {
  if (body.size() < 63) return U16((code << 6) | static_cast<unsigned>(body.size())) + body;
  return U16((code << 6) | 63) + U32(static_cast<uint32_t>(body.size())) + body;
}

// A version 8 movie of 200 x 100 pixels with the given tags.
// fps8 is the frame rate in 8.8 fixed point.
std::string Movie(const std::string& tags, unsigned fps8, unsigned frames) {
  std::string body = Rect(0, 200 * 20, 0, 100 * 20) + U16(fps8) + U16(frames) + tags;
  return "FWS" + std::string(1, '\x08') + U32(static_cast<uint32_t>(8 + body.size())) + body;
}

std::string Background(uint8_t r, uint8_t g, uint8_t b) {
  return Tag(9, std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)});
}

// DefineShape id 1: a solid rectangle from (20,20) to (120,70) pixels.
std::string RedRectangle() {
  Bits b;
  b.Put(1, 4);  // fill index bits
  b.Put(0, 4);  // line index bits
  // Style change: move to (20,20) with fill style 1 on the right.
  b.Put(0, 1);  // not an edge
  b.Put(0, 1);  // no new styles
  b.Put(0, 1);  // no line style
  b.Put(1, 1);  // fill style 1
  b.Put(0, 1);  // no fill style 0
  b.Put(1, 1);  // move to
  b.Put(15, 5);
  b.PutSigned(20 * 20, 15);
  b.PutSigned(20 * 20, 15);
  b.Put(1, 1);
  auto line = [&](int dx, int dy) {
    b.Put(1, 1);  // edge
    b.Put(1, 1);  // straight
    b.Put(13, 4); // 15-bit deltas
    b.Put(0, 1);  // not general: vertical or horizontal
    b.Put(dx == 0 ? 1 : 0, 1);
    b.PutSigned(dx == 0 ? dy : dx, 15);
  };
  line(100 * 20, 0);
  line(0, 50 * 20);
  line(-100 * 20, 0);
  line(0, -50 * 20);
  b.Put(0, 6);  // end of shape
  std::string styles = std::string("\x01\x00\xFF\x00\x00", 5) + std::string(1, '\0');
  return Tag(2, U16(1) + Rect(20 * 20, 120 * 20, 20 * 20, 70 * 20) + styles + b.Take());
}

std::string Place(unsigned id, unsigned depth) { return Tag(26, "\x02" + U16(depth) + U16(id)); }
std::string ShowFrame() { return Tag(1, ""); }
std::string End() { return Tag(0, ""); }

std::string GetUrlAction(const std::string& url, const std::string& target) {
  std::string args = url + '\0' + target + '\0';
  return "\x83" + U16(static_cast<unsigned>(args.size())) + args;
}

// DefineButton id 2 over the rectangle; releasing it gets url in target.
std::string LinkButton(const std::string& url, const std::string& target) {
  std::string record = "\x0F" + U16(1) + U16(1) + std::string(1, '\0');  // every state
  return Tag(7, U16(2) + record + std::string(1, '\0') + GetUrlAction(url, target) +
                    std::string(1, '\0'));
}

// DoAction: trace(text), then stop when asked.
std::string TraceAction(const std::string& text, bool stop) {
  std::string push = '\0' + text + '\0';
  std::string actions = "\x96" + U16(static_cast<unsigned>(push.size())) + push + "\x26";
  if (stop) actions += "\x07";
  return Tag(12, actions + std::string(1, '\0'));
}

// Stream sound of uncompressed 16-bit mono samples at 11025 Hz: the head,
// and one frame's block of a 440 Hz tone.
std::string StreamSoundHead(unsigned samplesPerFrame) {
  return Tag(18, std::string("\x06\x36", 2) + U16(samplesPerFrame));
}
std::string StreamSoundBlock(unsigned samples, unsigned first) {
  std::string data;
  for (unsigned i = 0; i < samples; ++i) {
    double v = 8000 * std::sin(2 * 3.14159265358979 * 440 * (first + i) / 11025.0);
    data += U16(static_cast<unsigned>(static_cast<int>(v)) & 0xFFFF);
  }
  return Tag(19, data);
}

const Rgba kBlue{0, 0, 255, 255};
const Rgba kRed{255, 0, 0, 255};

class HarnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing = RufflePlayer::MissingPieces();
    ASSERT_TRUE(missing.empty()) << missing;
  }
  TempDir dir_{"reelcast-e2e"};
};

TEST_F(HarnessTest, ScreenshotsShowTheStageAndFollowTheTimeline) {
  // Frame 1 shows the rectangle on blue; frame 2 removes it and stops. At
  // half a frame a second Ruffle shows frame 1 from 2 s and frame 2 from 4 s.
  std::string tags = Background(0, 0, 255) + RedRectangle() + Place(1, 1) + ShowFrame() +
                     Tag(28, U16(1)) + Tag(12, std::string("\x07\x00", 2)) + ShowFrame() + End();
  WriteFile(dir_ / "movie.swf", Movie(tags, 0x80, 2));
  RuffleOptions o;
  o.Root = dir_.Path();
  o.Swf = "movie.swf";
  o.ShotsAt = {2700, 5000};
  o.RunMs = 5100;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.Width, 200);
  EXPECT_EQ(r.Metadata.Height, 100);
  EXPECT_EQ(r.Metadata.NumFrames, 2);
  EXPECT_EQ(r.Metadata.SwfVersion, 8);
  EXPECT_EQ(r.Metadata.BackgroundColor, "#0000FF");
  ASSERT_EQ(r.Shots.size(), 2u) << r.Describe();
  const PngImage& first = r.Shots[0].Image;
  ASSERT_EQ(first.Width(), 200);
  ASSERT_EQ(first.Height(), 100);
  EXPECT_GT(first.CoverFraction(kRed, 25, 25, 90, 40), 0.99) << first.Pixel(70, 45).ToString();
  EXPECT_TRUE(first.Pixel(5, 5).Near(kBlue)) << first.Pixel(5, 5).ToString();
  EXPECT_TRUE(first.Pixel(190, 90).Near(kBlue));
  const PngImage& second = r.Shots[1].Image;
  EXPECT_GT(second.CoverFraction(kBlue, 0, 0, 200, 100), 0.99) << second.Pixel(70, 45).ToString();
  EXPECT_GT(first.DifferenceFraction(second), 0.2);
}

// The movie's clock is the harness's: a movie tracing one line per frame
// at 4 frames a second prints them 250 ms of movie time apart, also when
// stream sound (which Ruffle paces by the audio clock) plays along.
TEST_F(HarnessTest, TracesComeOnTheMovieClockWithAndWithoutStreamSound) {
  const unsigned kFrames = 8, kSamples = 11025 / 4;
  for (bool sound : {false, true}) {
    SCOPED_TRACE(sound ? "stream sound" : "silent");
    std::string tags = Background(0, 0, 255);
    if (sound) tags += StreamSoundHead(kSamples);
    for (unsigned f = 1; f <= kFrames; ++f) {
      if (sound) tags += StreamSoundBlock(kSamples, (f - 1) * kSamples);
      tags += TraceAction("frame " + std::to_string(f), f == kFrames) + ShowFrame();
    }
    WriteFile(dir_ / "traced.swf", Movie(tags + End(), 4 << 8, kFrames));
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "traced.swf";
    o.RunMs = 2600;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    ASSERT_EQ(r.Traces.size(), kFrames) << r.Describe();
    for (unsigned f = 1; f <= kFrames; ++f) {
      EXPECT_EQ(r.Traces[f - 1].Text, "frame " + std::to_string(f));
      // Ruffle runs frames on animation frames, 16 ms apart.
      if (f > 1) {
        EXPECT_NEAR(r.Traces[f - 1].AtMs - r.Traces[f - 2].AtMs, 250, 50) << r.Describe();
      }
    }
    EXPECT_NEAR(r.Traces.back().AtMs - r.Traces.front().AtMs, 7 * 250, 60) << r.Describe();
    EXPECT_EQ(r.FindTrace("frame 3"), &r.Traces[2]);
  }
}

TEST_F(HarnessTest, BrokenMoviesAreReported) {
  struct Case {
    const char* name;
    std::string bytes;  // empty: the file is not there at all
    bool loads;         // whether Ruffle gets as far as starting it
    const char* error;  // a piece of the expected error text
  };
  std::string good = Movie(Background(0, 0, 255) + RedRectangle() + Place(1, 1) + ShowFrame() + End(), 12 << 8, 1);
  std::string badShape = good;
  badShape[good.find(U16(1) + Rect(20 * 20, 120 * 20, 20 * 20, 70 * 20)) + 11] = '\x07';
  const Case cases[] = {
      {"truncated", good.substr(0, 30), true, "Unexpected EOF"},
      {"not a movie", std::string(200, 'x'), false, "load failed"},
      {"missing", "", false, "HTTP 404"},
      {"bad fill style", badShape, true, "DefineShape"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.bytes.empty()) WriteFile(dir_ / "broken.swf", c.bytes);
    else fs::remove(dir_ / "broken.swf");
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "broken.swf";
    o.RunMs = 500;
    RuffleResult r = RufflePlayer::Play(o);
    EXPECT_TRUE(r.Failure.empty()) << r.Describe();
    EXPECT_FALSE(r.Ok) << r.Describe();
    EXPECT_EQ(r.Loaded, c.loads) << r.Describe();
    EXPECT_TRUE(r.HasError(c.error)) << r.Describe();
  }
}

TEST_F(HarnessTest, ClicksReachButtonsAndLinksAreReported) {
  struct Case {
    const char* target;
    bool popup;
  };
  for (const Case& c : {Case{"_blank", true}, Case{"_self", false}}) {
    SCOPED_TRACE(c.target);
    std::string url = std::string("http://example.invalid/clicked") + c.target;
    WriteFile(dir_ / "button.swf", Movie(Background(0, 0, 255) + RedRectangle() +
                                             LinkButton(url, c.target) + Place(2, 1) +
                                             ShowFrame() + End(),
                                         12 << 8, 1));
    RuffleOptions o;
    o.Root = dir_.Path();
    o.Swf = "button.swf";
    o.Clicks = {{300, 150, 85}, {600, 70, 45}};  // first beside the button, then on it
    o.RunMs = 2000;
    RuffleResult r = RufflePlayer::Play(o);
    ASSERT_TRUE(r.Ok) << r.Describe();
    const auto& opened = c.popup ? r.Popups : r.Navigations;
    const auto& other = c.popup ? r.Navigations : r.Popups;
    ASSERT_EQ(opened.size(), 1u) << r.Describe();
    EXPECT_EQ(opened[0].Url, url);
    EXPECT_GE(opened[0].AtMs, 500) << "only the second click is on the button";
    EXPECT_TRUE(other.empty()) << r.Describe();
  }
}

TEST_F(HarnessTest, PagesGetRuffleAndTheirMovieIsTheStage) {
  WriteFile(dir_ / "movie.swf",
            Movie(Background(0, 0, 255) + RedRectangle() + LinkButton("http://example.invalid/p", "_blank") +
                      Place(2, 1) + ShowFrame() + End(),
                  12 << 8, 1));
  // The page shows the movie at twice its size, below a heading.
  WriteFile(dir_ / "index.html",
            "<html><head><title>Movie</title></head><body style=\"margin:0\">"
            "<h1 style=\"margin:0;height:50px\">Movie</h1>"
            "<object width=\"400\" height=\"200\"><param name=\"movie\" value=\"movie.swf\">"
            "<embed src=\"movie.swf\" width=\"400\" height=\"200\"></embed></object></body></html>");
  RuffleOptions o;
  o.Root = dir_.Path();
  o.Page = "index.html";
  o.ShotsAt = {200};
  o.Clicks = {{400, 110, 60}};
  o.RunMs = 1500;
  RuffleResult r = RufflePlayer::Play(o);
  ASSERT_TRUE(r.Ok) << r.Describe();
  EXPECT_EQ(r.Metadata.Width, 200);
  ASSERT_EQ(r.Shots.size(), 1u);
  const PngImage& shot = r.Shots[0].Image;
  EXPECT_EQ(shot.Width(), 400);
  EXPECT_GT(shot.CoverFraction(kRed, 50, 50, 180, 80), 0.99) << shot.Pixel(140, 90).ToString();
  EXPECT_TRUE(shot.Pixel(10, 10).Near(kBlue));
  ASSERT_EQ(r.Popups.size(), 1u) << r.Describe();
  EXPECT_EQ(r.Popups[0].Url, "http://example.invalid/p");
}

}  // namespace
}  // namespace reelcast::test
