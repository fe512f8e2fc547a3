// The Convert command of the main window as a service both front ends call:
// every check and message before a job, the filling of the job record, the task
// array of the taken rows, the 1800-second rule for published movies and the
// replace question. The caller then runs the job (TConverterModel) with the
// tasks it returns.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/JobRecord.h"
#include "sources/TaskList.h"

namespace reelcast {

// What the pages hold when Convert is pressed.
struct TConvertChoices {
  std::string SourceFolder;       // the loaded DVD folder ("" when none is loaded)
  std::string OutputBox;          // the output file path (beOutDir)
  int32_t OutputKind = kOutputSwf;
  std::string ScreenSaverName;
  // The selected text of the general-template list; empty when nothing is
  // selected (which is the case after a player template was chosen).
  std::string GeneralTemplateSelection;
  TTemplate Template;             // kind and name chosen on the Template page
  // A frame rate the user gave explicitly (the command line's --fps N); 0
  // when none was given. It wins over the template's rule.
  double ExplicitFrameRate = 0;
  bool DisableAudio = false;
  std::string MusicFile;          // empty: no background music
  bool LoopMusic = false;
  bool PublishHtml = false;
  int32_t LoopOption = kPlayAutoLoop;  // 0 "Auto Loop", 1 replay button, 2 no loop
  uint32_t BackColor = 0xFFFFFF;
  bool ShowControlBar = false;
  std::string BarStyle;
};

// What the service needs from the front end; every member may be empty.
struct TConvertHost {
  std::function<void(const std::string& text, const std::string& caption)> ShowMessage;
  std::function<bool(const std::string& text, const std::string& caption)> AskYesNo;
  // "Please select the DVD file first!": show the Import page and the folder dialog.
  std::function<void()> ShowImport;
  // The Edit and Encoder pages' values applied to a taken row.
  std::function<void(TTask& task)> StoreEditSettings;
  std::function<void(TTask& task)> StoreEncoderSettings;
  // Rebuild the opening and ending title movies of a general template.
  std::function<void()> RenderTitlePreviews;
  // The general template's image area from its trailer (all 0 when unreadable).
  std::function<TImageArea(const std::string& templateFile)> ReadImageArea;
  std::function<void(const std::string& templateFile)> PrepareTemplate;
};

// The frame rate stored in an SWF file's header, rounded; 0 when the file
// cannot be read.
double SwfFileFrameRate(const std::string& path);

// Runs the checks and fills param (the front end's record, normally
// SWFParam; its PreLoader, ExportSetting and link fields stay). rows are
// the list's rows in list order (the root first). Returns the tasks to
// convert, or nothing when a check stopped the command (the reason was
// shown through the host). An existing output is not touched: answering
// the replace question Yes lets the job replace it when it has succeeded.
std::optional<TTaskArray> PrepareConvert(const std::vector<TTaskRow*>& rows,
                                         const TConvertChoices& choices, TConvertHost& host, TSWFParam& param);

}  // namespace reelcast
