// The settings record of one conversion job. The front end fills SWFParam
// just before a job starts; the finishing thread and every composition
// routine read it; nothing writes it while the job runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/ProjectSettings.h"

namespace reelcast {

struct TTemplate {
  int32_t Kind = 0;  // 0 no template, 1 general template, 2 player template
  std::string Name;  // "None" when no template is chosen
};

struct TTextLink {
  std::string Text;
  std::string URL;
  double X = 0;  // fractions of the movie size
  double Y = 0;
  std::string FontName;
  int32_t FontSize = 0;
  uint32_t Color = 0;  // 0x00BBGGRR
  bool Bold = false;
  bool Italic = false;
};

struct TImageLink {
  std::string ImageFile;
  std::string URL;
  double X = 0;  // fractions of the movie size
  double Y = 0;
};

struct TImageArea {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// Output kinds of OutputKind.
inline constexpr int32_t kOutputFlv = 0;
inline constexpr int32_t kOutputSwf = 1;
inline constexpr int32_t kOutputScreenSaver = 2;
inline constexpr int32_t kOutputProjector = 3;

// Play modes of PlayMode.
inline constexpr int32_t kPlayAutoLoop = 0;
inline constexpr int32_t kPlayReplayButton = 1;
inline constexpr int32_t kPlayNoLoop = 2;

// Link kinds of LinkKind.
inline constexpr int32_t kLinkNone = 0;
inline constexpr int32_t kLinkText = 1;
inline constexpr int32_t kLinkImage = 2;

// Strings are UTF-8; paths are file system paths.
struct TSWFParam {
  int32_t VideoWidth = 0;   // output video width in pixels
  int32_t VideoHeight = 0;  // output video height in pixels
  double FrameRate = 0;     // movie frame rate; 0 = keep the source rate
  std::string SourceFile;   // shown in the progress window ("Source File: ")
  std::string BaseName;     // output name without folder and extension
  std::string OutputFile;   // the main output path (MakeOutputFile)
  bool AudioEnabled = false;
  bool HasMusic = false;
  double TotalDuration = 0;  // seconds, sum of the rounded task lengths
  std::string MusicFile;     // background music, MP3 or WAV
  bool LoopMusic = false;
  int32_t OutputKind = kOutputFlv;
  bool PublishHtml = false;  // SWF output only
  TImageArea ImageArea;      // the general template's image area, template pixels
  bool AutoLoop = false;
  uint32_t BackColor = 0;  // 0x00BBGGRR
  TTemplate Template;
  bool ShowControlBar = false;
  int32_t PlayMode = kPlayAutoLoop;
  std::string BarStyle;  // control-bar style name
  int32_t LinkKind = kLinkNone;
  TTextLink TextLink;
  TImageLink ImageLink;
  TPreLoader* PreLoader = nullptr;          // not owned (TJobSettingObjects)
  TExportSetting* ExportSetting = nullptr;  // not owned (TJobSettingObjects)
};

// The one job record of the program.
extern TSWFParam SWFParam;

// The preloader and export settings objects SWFParam refers to; the front
// end keeps this alive as long as SWFParam is used (the main window's life).
struct TJobSettingObjects {
  std::unique_ptr<TPreLoader> PreLoader = std::make_unique<TPreLoader>();
  std::unique_ptr<TExportSetting> ExportSetting = std::make_unique<TExportSetting>();
};

// What the main window does when it is created: clears SWFParam and gives
// it its defaults (video size from the encoder settings, else 320 x 240;
// frame rate 24; SWF output; player template "Classic Gray"), sets the
// export settings' start-up values, reads the preloader keys, and points
// SWFParam at objects. Needs the settings store.
void InitJobSettings(TJobSettingObjects& objects);

// The extension of an output kind's file: ".flv", ".swf", ".exe", and none
// for the screen saver (its name is asked for separately).
const char* OutputExtension(int32_t outputKind);

// The output path for an output kind: the path in the output box for FLV
// and SWF; TempFolder + screen-saver name + ".swf" for a screen saver;
// output folder + base name + ".swf" for a projector. name is the
// screen-saver name for kind 2 and BaseName for kind 3.
std::string MakeOutputFile(int32_t outputKind, const std::string& outputBox,
                           const std::string& outputFolder, const std::string& name);

}  // namespace reelcast
