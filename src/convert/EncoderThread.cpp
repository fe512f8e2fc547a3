#include "convert/EncoderThread.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/SideFiles.h"
#include "convert/MakeSwf.h"
#include "media/FLVMetaTag.h"
#include "platform/AudioTool.h"

namespace reelcast {
namespace fs = std::filesystem;

namespace {

constexpr char kAudioScriptFile[] = "Temp_Audio_Xml.xml";
constexpr char kProjectorPlayer[] = "SAFlashPlayer.exe";

std::string FolderOf(const std::string& path) {
  fs::path p(path);
  std::string folder = p.parent_path().string();
  return folder.empty() ? std::string() : folder + "/";
}

std::string StemOf(const std::string& path) { return fs::path(path).stem().string(); }

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The music tool and the audio-information calls keep one state for the
// process: jobs running side by side take turns.
std::recursive_mutex& MusicToolMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void AddMusic(pugi::xml_node track, const char* volume, const std::string& file, int64_t t0,
              int64_t t1, int64_t m0, int64_t m1) {
  pugi::xml_node music = track.append_child("Music");
  music.append_child("Volume").text().set(volume);
  music.append_child("File").text().set(file.c_str());
  pugi::xml_node time = music.append_child("Time");
  time.append_attribute("Start").set_value(std::to_string(t0).c_str());
  time.append_attribute("Stop").set_value(std::to_string(t1).c_str());
  pugi::xml_node media = music.append_child("MediaTime");
  media.append_attribute("Start").set_value(std::to_string(m0).c_str());
  media.append_attribute("Stop").set_value(std::to_string(m1).c_str());
}

// Runs a step: a missing routine, a refusal and an error it raised all
// become its failure; a cancel goes on up.
template <class TStep, class... TArgs>
TStageResult RunStep(const TStep& step, const char* missing, TArgs&&... args) {
  if (!step) return TStageResult::Failed(missing);
  try {
    return step(std::forward<TArgs>(args)...);
  } catch (const TJobCancelled&) {
    throw;
  } catch (const std::exception& e) {
    return TStageResult::Failed(e.what());
  }
}

// Copies the file at from to to; the reason when it cannot. (The library's
// copy says only "Input/output error" when the disk fills up half-way.)
std::string CopyWholeFile(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return "cannot read " + from + ": " + std::strerror(errno);
  std::FILE* out = std::fopen(to.c_str(), "wb");
  if (!out) {
    const int error = errno;
    std::fclose(in);
    return "cannot write " + to + ": " + std::strerror(error);
  }
  std::string error;
  char buffer[1 << 16];
  size_t n;
  while (error.empty() && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    if (std::fwrite(buffer, 1, n, out) != n) error = "cannot write " + to + ": " + std::strerror(errno);
  if (error.empty() && std::ferror(in)) error = "cannot read " + from;
  if (std::fclose(out) != 0 && error.empty()) error = "cannot write " + to + ": " + std::strerror(errno);
  std::fclose(in);
  return error;
}

}  // namespace

std::string TemporaryFlvPath(const TSWFParam& param) { return ScratchFolderOf(param) + param.BaseName + kFlvExt; }

std::string ExpectedOutputPath(const TSWFParam& param) {
  if (param.OutputKind == kOutputProjector)
    return FolderOf(param.OutputFile) + StemOf(param.OutputFile) + kExeExt;
  return param.OutputFile;
}

int64_t MusicTargetLength(const TSWFParam& param) {
  double seconds = param.TotalDuration;
  // Room for a general template's opening and ending titles.
  if (param.Template.Kind != 0 && param.Template.Name != "None") seconds += 16;
  return static_cast<int64_t>(std::nearbyint(seconds * static_cast<double>(kTimeUnit)));
}

bool WriteAudioXml(const std::string& scriptPath, const std::string& musicFile, bool single,
                   int64_t musicLength, const TSWFParam& param) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = doc.append_child("AudioToolX");
  root.append_attribute("version") = "1.0";
  pugi::xml_node audio = root.append_child("Audio");
  audio.append_child("Volume").text().set("100");
  pugi::xml_node track = audio.append_child("Track");
  track.append_attribute("ID") = "Ground Track";
  track.append_child("Volume").text().set("100");
  const int64_t m = musicLength;
  if (single) {
    AddMusic(track, "100", musicFile, 0, m, 0, m);
  } else if (m > 0) {  // a music of no length would repeat for ever
    const int64_t l = MusicTargetLength(param);
    int64_t p = 0;
    while (p < l) {
      AddMusic(track, "100", musicFile, p, p + m, 0, m);
      p += m;
      if (p > l) break;
      if (!param.LoopMusic && m < l) {
        AddMusic(track, "0", "", m, l, 0, l - m);
        break;
      }
    }
  }
  std::error_code ec;
  fs::remove(scriptPath, ec);
  return doc.save_file(scriptPath.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
}

int64_t AudioFileLength(const std::string& fileName, bool inSeconds) {
  std::lock_guard lock(MusicToolMutex());
  int64_t length = 0;
  if (SetMediaFile(fileName)) GetAudioLength(&length);
  FreeMedia();
  if (inSeconds) return static_cast<int64_t>(std::nearbyint(static_cast<double>(length) / kTimeUnit));
  return length;
}

bool MixBackgroundMusic(const TSWFParam& p, const std::function<int(int percent)>& progress) {
  const std::string scratch = ScratchFolderOf(p);
  const std::string out = scratch + kBackgroundMusicFile;
  const std::string script = scratch + kAudioScriptFile;
  // The music of an earlier job must never stand in for this one's.
  std::error_code ec;
  fs::remove(out, ec);
  std::lock_guard lock(MusicToolMutex());
  const int64_t target = MusicTargetLength(p);
  int64_t m = AudioFileLength(p.MusicFile, false);
  if (m > target) m = target;
  WriteAudioXml(script, p.MusicFile, false, m, p);
  if (m > 0 && AudioUtilLoadXmlFile(44100, script) == 0) {
    AudioUtilSetProgressProc(progress);
    AudioSetEncoderBitrate(128);
    AudioUtilWaitForComplete(AudioUtilOutputMp3(out));
  }
  AudioUtilFreeAll();
  if (fs::exists(out)) return true;
  NVLog("InitBkMusic Faild.");
  return false;
}

TEncoderThread::TEncoderThread(const TSWFParam& param, const TFinishingSteps& steps,
                               std::function<void(TJobEventKind)> post, std::string screenSaverPath)
    : param_(param), steps_(steps), post_(std::move(post)), screenSaverPath_(std::move(screenSaverPath)) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  NVLog("Create Thread.");
}

TEncoderThread::~TEncoderThread() { NVLog("Destroy Thread."); }

bool TEncoderThread::Stopped() const { return JobCancelled(param_); }

TJobResult TEncoderThread::Execute() {
  TJobResult result;
  try {
    result = RunStages();
  } catch (const TJobCancelled&) {
    NVLog("The finishing stages stopped: the job was cancelled.");
    result = TJobResult::Cancel();
  } catch (const std::exception& e) {
    result = TJobResult::Failure("finishing the job", e.what());
  }
  if (result.Succeeded() && Stopped()) result = TJobResult::Cancel();
  if (result.Failed()) NVLog("The conversion job failed: " + result.Stage + ": " + result.Reason);
  return result;
}

TJobResult TEncoderThread::RunStages() {
  const TSWFParam& p = param_;
  const TFinishingSteps& steps = steps_;
  const std::string t = TemporaryFlvPath(p);
  if (!IsFile(t)) return TJobResult::Failure("finishing the FLV file", "the temporary FLV file " + t + " is missing");
  auto post = [this](TJobEventKind kind) {
    if (post_) post_(kind);
  };
  // Every FLV the job delivers, on its own or beside a player movie, starts
  // with its metadata.
  AddFlvMetaData(t, ScratchFolderOf(p) + kFLVMetaTempName);
  if (p.OutputKind != kOutputFlv) {
    MakeBackgroundMusic();
    if (Stopped()) return TJobResult::Cancel();
    if (p.Template.Kind != 2) {
      const char* stage = "making the SWF movie";
      NVLog("Start Convert FLV to SWF!");
      TStageResult r = RunStep(steps.FlvToSwf, "SWF output is not available in this version", t, p.OutputFile, p);
      if (!r) return TJobResult::Failure(stage, r.Reason);
      // The last guard: a step that only logged what it missed.
      if (!IsFile(p.OutputFile)) return TJobResult::Failure(stage, p.OutputFile + " was not made");
      post(TJobEventKind::FlvToSwfDone);
      NVLog("Convert to SWF End!");
      if (Stopped()) return TJobResult::Cancel();
      if (p.Template.Name != "None") {
        const std::string templateStage = "integrating the template \"" + p.Template.Name + "\"";
        NVLog("Start Convert FlashMovie");
        r = RunStep(steps.CreatFlashMovie, "general templates are not available in this version", p.Template.Name,
                    p.OutputFile, p.ImageArea, p);
        if (!r) return TJobResult::Failure(templateStage, r.Reason);
        if (!IsFile(p.OutputFile)) return TJobResult::Failure(templateStage, p.OutputFile + " was not made");
        post(TJobEventKind::TemplateDone);
        NVLog("Convert FlashMovie End");
      }
    } else {
      const std::string stage = "making the player movie with the template \"" + p.Template.Name + "\"";
      TStageResult r = RunStep(steps.MakePlayerMovie, "player templates are not available in this version", t,
                               p.Template.Name, p.OutputFile, false, p);
      if (!r) return TJobResult::Failure(stage, r.Reason);
      if (!IsFile(p.OutputFile)) return TJobResult::Failure(stage, p.OutputFile + " was not made");
    }
  }
  if (Stopped()) return TJobResult::Cancel();
  switch (p.OutputKind) {
    case kOutputFlv: {
      if (std::string why = CopyWholeFile(t, p.OutputFile); !why.empty()) {
        std::error_code ec;
        fs::remove(p.OutputFile, ec);
        return TJobResult::Failure("delivering the FLV file", why);
      }
      break;
    }
    case kOutputSwf:
      if (p.PublishHtml) {
        ReportNotice(p, snMakingHtml);
        TStageResult r = RunStep(steps.WriteHtmlPage, "HTML pages are not available in this version",
                                 fs::path(p.OutputFile).filename().string(), p);
        if (!r) return TJobResult::Failure("writing the HTML page", r.Reason);
      }
      break;
    case kOutputScreenSaver: {
      ReportNotice(p, snMakingScreenSaver);
      const std::string& scr = screenSaverPath_;
      TStageResult r = RunStep(steps.ExportToScreenSaver, "screen savers are not available in this version",
                               p.OutputFile, scr, p);
      if (!r) return TJobResult::Failure("making the screen saver " + fs::path(scr).filename().string(), r.Reason);
      if (!IsFile(scr))
        return TJobResult::Failure("making the screen saver", scr + " was not made (is the player program " +
                                                                  AppPath(kProjectorPlayer) + " there?)");
      break;
    }
    case kOutputProjector: {
      ReportNotice(p, snMakingExe);
      TStageResult r = RunStep(steps.MakeProjector, "projectors are not available in this version",
                               AppPath(kProjectorPlayer), FolderOf(p.OutputFile) + StemOf(p.OutputFile) + kSwfExt, p);
      if (!r) return TJobResult::Failure("making the projector", r.Reason);
      if (!IsFile(ExpectedOutputPath(p)))
        return TJobResult::Failure("making the projector", ExpectedOutputPath(p) +
                                                               " was not made (is the player program " +
                                                               AppPath(kProjectorPlayer) + " there?)");
      break;
    }
    default:
      return TJobResult::Failure("delivering the output", "unknown output kind " + std::to_string(p.OutputKind));
  }
  // The external FLV beside an output that embeds or wraps the video is
  // not part of the delivery.
  const bool embeds = p.ExportSetting && p.ExportSetting->EmbedType == etEmbedFLV;
  if (((p.OutputKind != kOutputFlv && embeds) || p.OutputKind == kOutputScreenSaver ||
       p.OutputKind == kOutputProjector) &&
      p.OutputFile.size() >= 4) {
    std::error_code ec;
    fs::remove(p.OutputFile.substr(0, p.OutputFile.size() - 4) + kFlvExt, ec);
  }
  return TJobResult::Success();
}

void TEncoderThread::MakeBackgroundMusic() {
  const TSWFParam& p = param_;
  if (!p.HasMusic || p.Template.Kind == 2) return;
  ReportNotice(p, snMakingMusic);
  MixBackgroundMusic(p, [&p](int percent) {
    if (percent >= 1 && percent <= 100) ReportNotice(p, snMusicProgress, percent);
    return JobCancelled(p) ? 0 : -1;
  });
}

}  // namespace reelcast
