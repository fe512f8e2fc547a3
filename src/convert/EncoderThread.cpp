#include "convert/EncoderThread.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <filesystem>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/TextConvert.h"
#include "convert/MakeSwf.h"
#include "app/SideFiles.h"
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

// What tells whether a step wrote a file: the file's identity, size and
// time of change. A step that writes under a scratch name and renames, or
// rewrites in place, changes at least one of them.
struct TFileState {
  bool Exists = false;
  uintmax_t Inode = 0;
  uintmax_t Size = 0;
  int64_t ChangeNs = 0;
  bool operator==(const TFileState&) const = default;
};

TFileState FileState(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return {true, static_cast<uintmax_t>(st.st_ino), static_cast<uintmax_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
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

}  // namespace

TFinishingSteps& FinishingSteps() {
  static TFinishingSteps steps;
  return steps;
}

std::string TemporaryFlvPath() { return TempFolder + SWFParam.BaseName + kFlvExt; }

std::string ExpectedOutputPath() {
  if (SWFParam.OutputKind == kOutputProjector)
    return FolderOf(SWFParam.OutputFile) + StemOf(SWFParam.OutputFile) + kExeExt;
  return SWFParam.OutputFile;
}

int64_t MusicTargetLength() {
  double seconds = SWFParam.TotalDuration;
  // Room for a general template's opening and ending titles.
  if (SWFParam.Template.Kind != 0 && SWFParam.Template.Name != "None") seconds += 16;
  return static_cast<int64_t>(std::nearbyint(seconds * static_cast<double>(kTimeUnit)));
}

bool WriteAudioXml(const std::string& scriptPath, const std::string& musicFile, bool single,
                   int64_t musicLength) {
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
    const int64_t l = MusicTargetLength();
    int64_t p = 0;
    while (p < l) {
      AddMusic(track, "100", musicFile, p, p + m, 0, m);
      p += m;
      if (p > l) break;
      if (!SWFParam.LoopMusic && m < l) {
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
  int64_t length = 0;
  if (SetMediaFile(fileName)) GetAudioLength(&length);
  FreeMedia();
  if (inSeconds) return static_cast<int64_t>(std::nearbyint(static_cast<double>(length) / kTimeUnit));
  return length;
}

TEncoderThread::TEncoderThread(TWindowHandle window) : window_(window) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  for (const std::string& path : OutputPaths()) existedBefore_.emplace_back(path, FileState(path).Exists);
  NVLog("Create Thread.");
  thread_ = std::thread([this] { Execute(); });
}

TEncoderThread::~TEncoderThread() {
  Wait();
  NVLog("Destroy Thread.");
}

void TEncoderThread::Wait() {
  if (thread_.joinable()) thread_.join();
}

bool TEncoderThread::Stopped() const { return terminated_ || CancelRequested == 1; }

std::vector<std::string> TEncoderThread::OutputPaths() const {
  const std::string& out = SWFParam.OutputFile;
  std::vector<std::string> paths = {out, ExpectedOutputPath()};
  if (out.size() > 3) paths.push_back(out.substr(0, out.size() - 3) + "html");  // the HTML page
  if (out.size() > 4) paths.push_back(out.substr(0, out.size() - 4) + kFlvExt);  // a linked FLV
  return paths;
}

void TEncoderThread::RemoveOutputsMade() {
  for (const auto& [path, existed] : existedBefore_) {
    std::error_code ec;
    if (!existed && fs::remove(path, ec)) NVLog("Removed the output of the cancelled job: " + path);
  }
}

std::string TEncoderThread::FailedStage() const {
  std::lock_guard lock(mutex_);
  return failedStage_;
}

void TEncoderThread::Fail(const std::string& stage) {
  std::lock_guard lock(mutex_);
  if (failedStage_.empty()) failedStage_ = stage;
}

void TEncoderThread::Execute() {
  try {
    RunStages();
  } catch (const TJobCancelled&) {
    NVLog("The finishing stages stopped: the job was cancelled.");
  } catch (const std::exception& e) {
    Fail(std::string("an error stopped the job: ") + e.what());
  }
  if (Stopped() && FailedStage().empty()) Fail("the job was cancelled");
  if (FailedStage().empty() && !fs::exists(ExpectedOutputPath()))
    Fail("the output file " + ExpectedOutputPath() + " was not made");
  std::string failed = FailedStage();
  if (!failed.empty()) NVLog("The conversion job failed: " + failed);
  uintptr_t result = failed.empty() ? 0 : kJobFailed;
  running_ = false;
  PostMessage(window_, kMsgJobDone, result);
  PostMessage(window_, kMsgJobDone, result);
}

void TEncoderThread::RunStages() {
  const TFinishingSteps& steps = FinishingSteps();
  const TSWFParam& p = SWFParam;
  const std::string t = TemporaryFlvPath();
  if (!fs::exists(t)) {
    Fail("the temporary FLV file " + t + " is missing");
    return;
  }
  // A cancelled job starts no further stage.
  auto stopped = [this] {
    if (!Stopped()) return false;
    Fail("the job was cancelled");
    return true;
  };
  // Every FLV the job delivers, on its own or beside a player movie, starts
  // with its metadata.
  AddFlvMetaData(t, TempFolder + kFLVMetaTempName);
  if (p.OutputKind != kOutputFlv) {
    MakeBackgroundMusic();
    if (stopped()) return;
    if (p.Template.Kind != 2) {
      if (!steps.FlvToSwf) {
        Fail("making the SWF movie: SWF output is not available in this version");
        return;
      }
      NVLog("Start Convert FLV to SWF!");
      steps.FlvToSwf(t, p.OutputFile);
      // The composition routines only log what they miss; a step that
      // left no movie ends the job here as failed, not as finished.
      if (!FileState(p.OutputFile).Exists) {
        Fail("making the SWF movie: " + p.OutputFile + " was not made");
        return;
      }
      PostMessage(window_, kMsgFlvToSwfDone);
      NVLog("Convert to SWF End!");
      if (stopped()) return;
      if (p.Template.Name != "None") {
        if (!steps.CreatFlashMovie) {
          Fail("integrating the template: general templates are not available in this version");
          return;
        }
        NVLog("Start Convert FlashMovie");
        const TFileState before = FileState(p.OutputFile);
        steps.CreatFlashMovie(p.Template.Name, p.OutputFile, p.ImageArea);
        // Without its template files the step keeps the plain movie.
        const TFileState after = FileState(p.OutputFile);
        if (!after.Exists || after == before) {
          Fail("integrating the template \"" + p.Template.Name + "\": " + p.OutputFile +
               " was not made with it");
          return;
        }
        PostMessage(window_, kMsgTemplateDone);
        NVLog("Convert FlashMovie End");
      }
    } else {
      if (!steps.MakePlayerMovie) {
        Fail("making the player movie: player templates are not available in this version");
        return;
      }
      steps.MakePlayerMovie(t, p.Template.Name, p.OutputFile, false);
      if (!FileState(p.OutputFile).Exists) {
        Fail("making the player movie with the template \"" + p.Template.Name + "\": " + p.OutputFile +
             " was not made");
        return;
      }
    }
  }
  if (stopped()) return;
  switch (p.OutputKind) {
    case kOutputFlv: {
      std::error_code ec;
      fs::copy_file(t, p.OutputFile, fs::copy_options::overwrite_existing, ec);
      if (ec) Fail("copying the FLV file to " + p.OutputFile + ": " + ec.message());
      break;
    }
    case kOutputSwf:
      if (p.PublishHtml) {
        PostMessage(window_, kMsgStageNotice, snMakingHtml);
        if (!steps.WriteHtmlPage) {
          Fail("writing the HTML page: HTML pages are not available in this version");
          return;
        }
        steps.WriteHtmlPage(fs::path(p.OutputFile).filename().string());
      }
      break;
    case kOutputScreenSaver: {
      PostMessage(window_, kMsgStageNotice, snMakingScreenSaver);
      if (!steps.ExportToScreenSaver) {
        Fail("making the screen saver: screen savers are not available in this version");
        return;
      }
      const std::string scr = StemOf(p.OutputFile) + kScrExt;
      if (steps.ExportToScreenSaver(Utf8ToUtf16(p.OutputFile), 0, Utf8ToUtf16(scr), u"") != 0)
        Fail("making the screen saver " + scr + ": it was not installed (is the player program " +
             AppPath(kProjectorPlayer) + " there?)");
      break;
    }
    case kOutputProjector:
      PostMessage(window_, kMsgStageNotice, snMakingExe);
      if (!steps.MakeProjector) {
        Fail("making the projector: projectors are not available in this version");
        return;
      }
      steps.MakeProjector(AppPath(kProjectorPlayer),
                          FolderOf(p.OutputFile) + StemOf(p.OutputFile) + kSwfExt);
      if (!FileState(ExpectedOutputPath()).Exists)
        Fail("making the projector: " + ExpectedOutputPath() + " was not made (is the player program " +
             AppPath(kProjectorPlayer) + " there?)");
      break;
    default:
      Fail("unknown output kind " + std::to_string(p.OutputKind));
      break;
  }
}

bool MixBackgroundMusic(const std::function<int(int percent)>& progress) {
  const TSWFParam& p = SWFParam;
  const std::string out = TempFolder + kBackgroundMusicFile;
  const std::string script = TempFolder + kAudioScriptFile;
  // The music of an earlier job must never stand in for this one's.
  std::error_code ec;
  fs::remove(out, ec);
  const int64_t target = MusicTargetLength();
  int64_t m = AudioFileLength(p.MusicFile, false);
  if (m > target) m = target;
  WriteAudioXml(script, p.MusicFile, false, m);
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

void TEncoderThread::MakeBackgroundMusic() {
  const TSWFParam& p = SWFParam;
  if (!p.HasMusic || p.Template.Kind == 2) return;
  PostMessage(window_, kMsgStageNotice, snMakingMusic);
  const TWindowHandle window = window_;
  MixBackgroundMusic([this, window](int percent) {
    if (percent >= 1 && percent <= 100) PostMessage(window, kMsgStageNotice, snMusicProgress, percent);
    return (CancelRequested == 1 || terminated_) ? 0 : -1;
  });
}

}  // namespace reelcast
