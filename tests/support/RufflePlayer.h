// Plays a movie in Ruffle inside headless Chromium through the e2e driver
// (tests/e2e/driver.mjs) and reports what happened: Ruffle's errors and
// warnings, the console, the movie's trace lines, screenshots of the stage,
// clicks, page navigations and window opens. Any *_e2e_test.cpp can use it:
//
//   RuffleOptions o;
//   o.Root = dir.Path(); o.Swf = "movie.swf"; o.ShotsAt = {500, 1500};
//   RuffleResult r = RufflePlayer::Play(o);
//   ASSERT_TRUE(r.Ok) << r.Describe();
//   EXPECT_TRUE(r.Shots[0].Image.Pixel(10, 10).Near({255, 0, 0, 255}));
//
// Every time here is movie time: the page runs on a virtual clock that the
// driver moves (tests/e2e/README.md), so a shot at 1500 ms shows the same
// frame however busy the machine is, also for movies with stream sound.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/PngImage.h"

namespace reelcast::test {

struct RuffleClick {
  int AtMs = 0;  // from the start of the movie
  double X = 0;  // stage pixels
  double Y = 0;
};

struct RuffleOptions {
  std::filesystem::path Root;  // folder served on 127.0.0.1
  std::string Swf;             // a movie in Root, shown alone at its stage size
  std::string Page;            // or an HTML page in Root (Ruffle is added to it)
  // The page brings Ruffle with its own script tag (served from the harness
  // at RuffleScriptPath); only Ruffle's settings are added to it.
  bool PageLoadsRuffle = false;
  // Nothing is added to the page: it loads the player and its settings as
  // it would from a web server.
  bool PageBare = false;
  // Browser window in CSS pixels (0: the harness's 1280 x 960).
  int ViewportWidth = 0;
  int ViewportHeight = 0;
  // Bytes per second of movie time at which SWF files are served (0: at
  // once). Movie time then counts from when the player knew the stage.
  int SlowBytesPerSecond = 0;
  int RunMs = 2000;            // how long the movie plays (movie time)
  // Screenshot times from the start of the movie. Ruffle shows frame N from
  // N/fps on, so frame 1 too appears one frame interval after the start.
  std::vector<int> ShotsAt;
  std::vector<RuffleClick> Clicks;
  double Scale = 1;            // page pixels per stage pixel (Swf only)
  std::string FlashVars;       // query string handed to the movie (Swf only)
  int LoadTimeoutMs = 60000;   // real time the movie may take to load
};

struct RuffleShot {
  int AtMs = 0;  // when it was really taken
  PngImage Image;
};

struct RuffleEvent {
  std::string Url;
  int AtMs = 0;
};

struct RuffleConsoleLine {
  std::string Type;  // "log", "warning", "error", ...
  std::string Text;
  int AtMs = 0;
};

// A line the movie printed with its trace action.
struct RuffleTrace {
  std::string Text;
  int AtMs = 0;  // movie time; lines printed while loading count below 0
};

struct RuffleMetadata {
  int Width = 0;
  int Height = 0;
  double FrameRate = 0;
  int NumFrames = 0;
  int SwfVersion = 0;
  std::string BackgroundColor;  // "#RRGGBB"
};

// Where the stage was on the page, in CSS pixels.
struct RuffleBox {
  double X = 0, Y = 0, Width = 0, Height = 0;
};

struct RuffleResult {
  bool Ok = false;      // loaded, ran, and nothing was reported as an error
  bool Loaded = false;  // the movie started
  std::string Failure;  // the harness itself failed (browser, driver)
  RuffleMetadata Metadata;
  RuffleBox Stage;
  std::vector<std::string> Errors;    // Ruffle's errors, page errors, load failures
  std::vector<std::string> Warnings;  // Ruffle's warnings
  std::vector<RuffleConsoleLine> Console;
  std::vector<RuffleTrace> Traces;    // in the order the movie printed them
  std::vector<RuffleShot> Shots;      // in the order of RuffleOptions::ShotsAt
  std::vector<RuffleEvent> Navigations;  // the page itself went to a URL
  std::vector<RuffleEvent> Popups;       // a new window was opened at a URL
  std::vector<std::string> Requests;     // other requests that left 127.0.0.1
  std::string Json;                      // the driver's output as it was

  // Everything above as text, for a failing assertion's message.
  std::string Describe() const;
  // True when an error line contains the text.
  bool HasError(const std::string& text) const;
  // The first trace line equal to text, or null.
  const RuffleTrace* FindTrace(const std::string& text) const;
};

// Where the harness serves Ruffle's loader script on its server.
inline constexpr char RuffleScriptPath[] = "/__reelcast__/ruffle/ruffle.js";

class RufflePlayer {
 public:
  // Empty when node, Chromium and the harness's packages are there; else why not.
  static std::string MissingPieces();
  // Runs the driver. Never throws for what happens in the browser: a movie that
  // fails to load gives Ok false with the reason in Errors, a broken harness
  // gives Failure.
  static RuffleResult Play(const RuffleOptions& options);
};

}  // namespace reelcast::test
