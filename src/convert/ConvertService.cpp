#include "convert/ConvertService.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/Paths.h"
#include "app/SideFiles.h"
#include "convert/JobChecks.h"
#include "swf/SWFTools.h"

namespace reelcast {
namespace fs = std::filesystem;

namespace {

constexpr char kInformation[] = "Information";

std::string TemplateFile(const std::string& name) {
  return AppPath(std::string(kGeneralTemplatesFolder) + name + kTemplateSuffix);
}

}  // namespace

double SwfFileFrameRate(const std::string& path) {
  try {
    TSWFDump dump = DumpSWFFile(path);
    return dump.IsSWF ? std::nearbyint(dump.FrameRate) : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

std::optional<TTaskArray> PrepareConvert(const std::vector<TTaskRow*>& rows,
                                         const TConvertChoices& choices, TConvertHost& host, TSWFParam& p) {
  auto message = [&](const std::string& text) {
    if (host.ShowMessage) host.ShowMessage(text, kInformation);
  };
  // 1. A DVD must be loaded.
  if (choices.SourceFolder.empty()) {
    message("Please select the DVD file first!");
    if (host.ShowImport) host.ShowImport();
    return std::nullopt;
  }
  // 2. The output folder must exist.
  fs::path outputBox(choices.OutputBox);
  fs::path outputFolder = outputBox.parent_path();
  std::error_code ec;
  if (choices.OutputKind != kOutputScreenSaver &&
      (outputBox.filename().empty() || !fs::is_directory(outputFolder.empty() ? "." : outputFolder, ec))) {
    message("The folder that you selected does not exist. Please specify a different folder.");
    return std::nullopt;
  }
  // 3.
  TTaskArray tasks;
  fs::create_directories(TempFolder, ec);
  if (rows.empty()) return std::nullopt;
  // 4.
  p.BaseName = outputBox.stem().string();
  // 5. A general template decides the frame rate (its own, else 24), unless
  // the user gave one explicitly: then every row and the template movie take
  // that.
  const bool templateDecides = choices.GeneralTemplateSelection != "None";
  if (templateDecides && choices.ExplicitFrameRate > 0) {
    p.FrameRate = choices.ExplicitFrameRate;
  } else if (templateDecides) {
    std::string file = TemplateFile(choices.GeneralTemplateSelection);
    double rate = fs::exists(file) ? SwfFileFrameRate(file) : 0;
    p.FrameRate = rate > 0 ? rate : 24;
  }
  // 6.
  p.TotalDuration = 0;
  if (choices.OutputKind == kOutputScreenSaver) p.BaseName = choices.ScreenSaverName;
  // 7. The taken rows: checked titles, and checked chapters of titles with
  // at least two chapters.
  for (TTaskRow* row : rows) {
    TTask& task = row->Task;
    if (row->Level() == 0 || !task.Checked) continue;
    bool taken = row->Level() == 1;
    if (row->Level() == 2 && row->Parent)
      taken = std::atoi(row->Parent->Task.Base.ChapterCount.c_str()) >= 2;
    if (!taken) continue;
    // A title whose VOB files are damaged is refused before anything is encoded.
    const TBase& title = row->Level() == 2 && row->Parent ? row->Parent->Task.Base : task.Base;
    if (auto problem = CheckSourceReadable(title)) {
      message(UnusableTitlesText({problem->Given}, problem->Takes) + ".");
      return std::nullopt;
    }
    task.TempFlvPath = TempFolder + p.BaseName + kFlvExt;
    if (host.StoreEditSettings) host.StoreEditSettings(task);
    if (host.StoreEncoderSettings) host.StoreEncoderSettings(task);
    if (templateDecides) task.Encoder.FrameRate = p.FrameRate;
    tasks.push_back(task);
    p.TotalDuration += std::nearbyint(task.TrimEnd - task.TrimStart);
  }
  // 8. The movie takes the rate and (18.) the size of the last row that is
  // converted: the list's last row may not be taken and keep other encoder
  // settings, which would give a stage that does not fit the video.
  const TTask& last = tasks.empty() ? rows.back()->Task : tasks.back();
  if (!templateDecides) p.FrameRate = last.Encoder.FrameRate;
  // 9.
  if (tasks.empty()) {
    message("Please select a title or a chapter first.");
    return std::nullopt;
  }
  // 10.
  p.AudioEnabled = !choices.DisableAudio;
  p.HasMusic = !choices.MusicFile.empty();
  p.MusicFile = choices.MusicFile;
  p.LoopMusic = choices.LoopMusic;
  p.SourceFile = choices.SourceFolder;
  // 11.
  p.OutputKind = choices.OutputKind;
  p.OutputFile = choices.OutputBox;
  if (p.OutputKind == kOutputScreenSaver) {
    p.BaseName = choices.ScreenSaverName;
    p.OutputFile = TempFolder + choices.ScreenSaverName + kSwfExt;
  } else if (p.OutputKind == kOutputProjector) {
    p.OutputFile = (outputFolder.empty() ? std::string() : outputFolder.string() + "/") + p.BaseName + kSwfExt;
  }
  // 12. Published movies are limited to 30 minutes.
  if (p.OutputKind != kOutputFlv && p.TotalDuration > 1800) {
    message("The duration of the final Flash file must be no more than 30 minutes.\n\r Please "
            "reselect the chapters/titles or trim your movie.");
    return std::nullopt;
  }
  // 13.
  if (p.OutputKind != kOutputScreenSaver && !outputFolder.empty())
    fs::create_directory(outputFolder, ec);
  // 14. Yes means "replace when done": the job moves its output over the
  // old file only once the whole job has succeeded.
  if (fs::exists(p.OutputFile)) {
    bool yes = host.AskYesNo &&
               host.AskYesNo("File " + p.OutputFile + " exists already,do you want to replace it?", kInformation);
    if (!yes) return std::nullopt;
  }
  // 15.
  p.PublishHtml = choices.PublishHtml;
  p.AutoLoop = choices.LoopOption == 0;
  p.Template = choices.Template;
  // 16. A general template needs its image area.
  if (p.Template.Kind == 1 && p.Template.Name != "None") {
    if (host.RenderTitlePreviews) host.RenderTitlePreviews();
    TImageArea area;
    if (host.ReadImageArea) area = host.ReadImageArea(TemplateFile(p.Template.Name));
    p.ImageArea = area;
    if (area.Right == 0 && area.Bottom == 0) {
      if (host.ShowMessage)
        host.ShowMessage("Sorry,load the current template unsuccessfully.Please select another one to continue.", "");
      return std::nullopt;
    }
    // The composition divides by the area's width and height: an area
    // without either is refused here, before anything is converted.
    if (area.Right <= area.Left || area.Bottom <= area.Top) {
      if (host.ShowMessage)
        host.ShowMessage("The template \"" + p.Template.Name + "\" has an image area without width or height: (" +
                             std::to_string(area.Left) + ", " + std::to_string(area.Top) + ")-(" +
                             std::to_string(area.Right) + ", " + std::to_string(area.Bottom) +
                             "). Please select another one to continue.",
                         "");
      return std::nullopt;
    }
  }
  // 18.
  p.VideoWidth = last.Encoder.Width;
  p.VideoHeight = last.Encoder.Height;
  // 19. Only a general template has a template movie to prepare; a player
  // template brings its own files.
  if (p.Template.Kind == 1 && p.Template.Name != "None" && host.PrepareTemplate)
    host.PrepareTemplate(TemplateFile(p.Template.Name));
  // 20.
  p.BarStyle = choices.BarStyle;
  p.BackColor = choices.BackColor;
  p.ShowControlBar = choices.ShowControlBar;
  p.PlayMode = choices.LoopOption;
  // 21.
  return tasks;
}

}  // namespace reelcast
