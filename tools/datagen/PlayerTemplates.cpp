// The player templates of "templates/Players/": the shared script movie
// "as.swf" and three players, each an SWF with its ".ini". A player is one
// frame: a video object "video" for a stream, the time text "timeText" in
// an embedded font, and the script that draws and wires its controls when
// the published movie calls initPlayer.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DataGen.h"
#include "PlayerScripts.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashText.h"
#include "movie/ScriptCompiler.h"
#include "publish/OutputFile.h"
#include "swf/DisplayList.h"
#include "swf/SoundVideo.h"

namespace reelcast::datagen {

namespace {

namespace fs = std::filesystem;

struct TPlayerDesign {
  const char* Name;
  TPlayerLayout Layout;
  uint32_t TimeColor;  // 0xRRGGBB
  bool BoldTime;
  const char* Body;  // lays out the controls (see PlayerScript)
};

// The players' scripts draw their skin at script depth SKIN_DEPTH (-16370,
// timeline depth 14): over the video object (timeline depth 1), under the
// time text (timeline depth 20) and the controls the script adds at depths
// from 20 on.

// The three players. Every control that takes clicks lies in the bottom 43
// pixels, which the click area of a click URL leaves free.
const TPlayerDesign kPlayers[] = {
    {"Classic Gray", {44, 0}, 0xEEEEEE, true, R"AS(
  var skin = this.createEmptyMovieClip("skin", SKIN_DEPTH);
  skin._y = vh;
  rcGradient(skin, 0, 0, W, BAR, 0, 0x747474, 0x2C2C2C);
  rcRect(skin, 0, 0, W, 1, 0xB4B4B4, 100);
  rcRect(skin, 0, BAR - 1, W, 1, 0x151515, 100);
  var st = {button: "square", buttonRadius: 5, buttonFace: 0x9A9A9A, buttonShade: 0x4C4C4C,
            icon: 0xFFFFFF, speaker: 0xE8E8E8, track: 0x1A1A1A, fill: 0xDADADA, knob: 6,
            knobColor: 0xFFFFFF};
  rcPlayButton(this, 20, 6, vh + 6, 32, st);
  rcFullScreenButton(this, 23, W - 30, vh + 10, 24, st);
  var volX = W - 84;
  rcVolume(this, 22, volX, vh + 14, 16, st);
  // The time stands clear of the volume, the seek bar's knob clear of the
  // time.
  var seekEnd = volX - 14;
  if (W >= 260) {
    this.timeText._x = volX - 100;
    this.timeText._y = vh + 13;
    seekEnd = this.timeText._x - 8 - st.knob;
  } else {
    this.timeText._visible = false;
  }
  var sw = seekEnd - 50;
  if (sw < 20) { sw = 20; }
  rcSeekBar(this, 21, 50, vh + 19, sw, 6, st);
)AS"},
    {"Midnight Blue", {48, 0}, 0xBFEFFF, false, R"AS(
  var skin = this.createEmptyMovieClip("skin", SKIN_DEPTH);
  skin._y = vh;
  rcRect(skin, 0, 0, W, BAR, 0x0E1A2B, 100);
  rcRect(skin, 0, 0, W, 2, 0x2EC4F0, 100);
  var st = {button: "round", buttonFace: 0x2EC4F0, icon: 0x0E1A2B, speaker: 0x9FDFF5,
            track: 0x2A3B55, fill: 0x2EC4F0, knob: 0, knobColor: 0};
  rcPlayButton(this, 20, 8, vh + 8, 34, st);
  var seekStart = 52;
  if (W >= 240) {
    this.timeText._x = 50;
    this.timeText._y = vh + 15;
    seekStart = 134;
  } else {
    this.timeText._visible = false;
  }
  rcFullScreenButton(this, 23, W - 32, vh + 12, 24, st);
  rcVolume(this, 22, W - 84, vh + 16, 16, st);
  var sw = W - 98 - seekStart;
  if (sw < 20) { sw = 20; }
  rcSeekBar(this, 21, seekStart, vh + 23, sw, 4, st);
)AS"},
    {"Sunset", {56, 0}, 0xFFE2C0, true, R"AS(
  var skin = this.createEmptyMovieClip("skin", SKIN_DEPTH);
  skin._y = vh;
  rcGradient(skin, 0, 0, W, BAR, 0, 0x5A2E16, 0x1C0D06);
  rcRect(skin, 0, 0, W, 3, 0xFF8A2A, 100);
  var st = {button: "square", buttonRadius: 12, buttonFace: 0xFFA040, buttonShade: 0xD05A10,
            icon: 0x2A1205, speaker: 0xFFC890, track: 0x3A1E0E, fill: 0xFF8A2A, knob: 7,
            knobColor: 0xFFE2C0};
  rcSeekBar(this, 21, 12, vh + 14, W - 24, 8, st);
  rcPlayButton(this, 20, 12, vh + 28, 24, st);
  this.timeText._x = 44;
  this.timeText._y = vh + 31;
  if (W < 160) { this.timeText._visible = false; }
  rcVolume(this, 22, W - 86, vh + 32, 16, st);
  rcFullScreenButton(this, 23, W - 34, vh + 29, 22, st);
)AS"},
};

// A black 16 x 16 picture as one Sorenson H.263 key frame: the video
// object's own first frame, shown until a stream is attached. (A video
// object without any frame of its own cannot be shown by every player.)
std::vector<uint8_t> BlankVideoFrame() {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc = (acc << 1) | ((value >> i) & 1);
      if (++bits == 8) {
        out.push_back(static_cast<uint8_t>(acc));
        acc = 0;
        bits = 0;
      }
    }
  };
  put(1, 17);   // picture start code
  put(0, 5);    // version
  put(0, 8);    // temporal reference
  put(0, 3);    // custom size, 8 bits each
  put(16, 8);
  put(16, 8);
  put(0, 2);    // intra picture
  put(0, 1);    // no deblocking
  put(8, 5);    // quantizer
  put(0, 1);    // no extra information
  put(1, 1);    // macroblock: intra, no chroma coefficients
  put(3, 4);    // no luma coefficients
  for (int block = 0; block < 4; ++block) put(16, 8);  // luma DC: black
  for (int block = 0; block < 2; ++block) put(255, 8);  // chroma DC 128: no colour
  if (bits > 0) put(0, 8 - bits);
  return out;
}

constexpr int kStageWidth = 320;
constexpr int kStageVideoHeight = 240;

void Save(TFlashMovie& m, const fs::path& path) {
  m.MakeStream();
  SaveThroughScratch(path.string(), [&](const std::string& scratch) { m.SaveToFile(scratch); });
}

uint32_t Rgba(uint32_t rrggbb) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16) | 0xFF000000u;
}

void SharedScripts(const fs::path& path) {
  TFlashMovie m(0, 0, kStageWidth, kStageVideoHeight, 15, true);
  m.SetVersion(8);
  CompileScript(m.FrameActions(), SharedPlayerScript());
  m.ShowFrame(1);
  Save(m, path);
}

void Player(const TPlayerDesign& d, const fs::path& folder) {
  TFlashMovie m(0, 0, kStageWidth, kStageVideoHeight + d.Layout.Height, 15, true);
  m.SetVersion(8);
  // The video object a stream is attached to; the script sizes it.
  auto video = std::make_unique<TSWFDefineVideoStream>();
  video->CharacterId = m.NextCharacterId++;
  video->Width = 16;
  video->Height = 16;
  video->CodecId = 2;
  video->Smoothing = true;
  video->NumFrames = 1;
  const uint16_t videoId = video->CharacterId;
  m.AddObject(std::move(video));
  auto frame = std::make_unique<TSWFVideoFrame>();
  frame->StreamId = videoId;
  frame->FrameNum = 0;
  frame->SetData(BlankVideoFrame());
  m.AddObject(std::move(frame));
  auto place = std::make_unique<TSWFPlaceObject2>();
  place->Depth = 1;
  place->SetCharacterId(videoId);
  place->SetName("video");
  m.AddObject(std::move(place));

  TFontDescription desc;
  desc.Name = "DejaVu Sans";
  desc.Height = 11;
  desc.Bold = d.BoldTime;
  TFlashFont* font = m.AddFont(desc, false);
  font->AddChars("0123456789:/ ");
  TFlashText* time = m.AddDynamicText("", "00:00 / 00:00", TRect{0, 0, 130, 18}, font,
                                      Rgba(d.TimeColor));
  time->NoSelect = true;
  time->ReadOnly = true;
  // Above the skin the script draws at SKIN_DEPTH, below its controls.
  m.PlaceObject(time, 20)->SetName("timeText");

  CompileScript(m.FrameActions(), PlayerScript(d.Layout, d.Body));
  m.ShowFrame(1);
  const std::string base = (folder / d.Name).string();
  Save(m, base + ".swf");
  WriteWholeFile(base + ".ini", "[PlayerInfo]\nHeight=" + std::to_string(d.Layout.Height) +
                                    "\nWidth=" + std::to_string(d.Layout.Width) + "\n");
}

}  // namespace

void WritePlayerTemplates(const std::string& dataFolder) {
  const fs::path folder = fs::path(dataFolder) / "templates" / "Players";
  fs::create_directories(folder);
  SharedScripts(folder / "as.swf");
  for (const TPlayerDesign& d : kPlayers) Player(d, folder);
}

}  // namespace reelcast::datagen
