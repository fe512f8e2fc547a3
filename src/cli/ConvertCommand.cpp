// reelcast-cli convert: a DVD folder's titles and chapters into Flash
// content, with the same checks, settings record and job as the desktop's
// Convert button and progress window. The stored settings are the defaults;
// the options change them for this run only.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "cli/CliCommand.h"
#include "cli/HeldMessages.h"
#include "cli/JobUpload.h"
#include "cli/Interrupt.h"
#include "cli/PublishOptions.h"
#include "cli/ReplaceQuestion.h"
#include "convert/ConvertService.h"
#include "convert/JobChecks.h"
#include "convert/ConverterModel.h"
#include "platform/EncoderManager.h"
#include "publish/HtmlPage.h"
#include "publish/Projector.h"
#include "publish/PublishSteps.h"
#include "sources/EncoderChoice.h"
#include "sources/TaskList.h"

namespace reelcast::cli {
namespace {

namespace fs = std::filesystem;

void PrintUsage() {
  std::printf(
      "Usage: reelcast-cli convert FOLDER -o OUT [options]\n\n"
      "Converts the checked titles and chapters of a DVD video folder (the folder\n"
      "holding VIDEO_TS, or VIDEO_TS itself) into one Flash output. The stored\n"
      "settings are the defaults ('reelcast-cli settings').\n\n"
      "Output:\n"
      "  -o, --output FILE|DIR/  the output file; a folder takes the default name\n"
      "                          inside it (default: the output folder + the name of\n"
      "                          the first title or chapter converted)\n"
      "  --format flv|swf|exe|scr  the output kind (default: from the extension of -o,\n"
      "                          .flv, .swf, .exe or .scr; else flv); a --format that\n"
      "                          contradicts -o is refused\n"
      "  --screensaver-name NAME the screen saver's name (scr)\n"
      "  --player-template NAME  a player template (--template is below)\n"
      "  --music FILE [--loop]   background music for published movies (--loop, also\n"
      "                          --music-loop: repeat music shorter than the movie)\n"
      "  -y, --yes               replace existing files without asking\n"
      "  --upload                send the output to the stored FTP server when the job\n"
      "                          has made it (also done when \"System.bUseFTP\" is on)\n"
      "Sources:\n"
      "  --titles N,...          convert these titles (1-based, in list order)\n"
      "  --chapters T.C,...      convert these chapters (chapter C of title T)\n"
      "  --trim START-END        seconds of a source; once per source, in order\n"
      "  --audio-track N         audio track of every title (0-based)\n"
      "  --subtitle N            subtitle stream burnt in (0-based; -1 none)\n"
      "Picture and sound (every source):\n"
      "  --crop L,T,R,B          margins to cut off, in source pixels\n"
      "  --brightness N --contrast N --saturation N   -100..100\n"
      "  --effect none|gray|emboss|negative|oldfilm\n"
      "  --volume N              0..200 (100 unchanged)\n"
      "Encoder:\n"
      "  --size WxH              80x60..800x600 (default: stored, else 320x240)\n"
      "  --aspect full|keep|16:9|4:3\n"
      "  --fps N|keep            frame rate\n"
      "  --bitrate KBPS          video bit rate\n"
      "  --sample-rate 11025|22050|44100\n"
      "  --no-audio              no sound track\n"
      "Published movies (swf, exe, scr):\n");
  PrintPublishUsage(stdout);
  std::printf(
      "\nCtrl+C cancels. The exit code is 0 when the output was made, 1 when the job\n"
      "failed, 2 for bad options, 130 after a cancel.\n");
}

struct TOptions {
  std::string Folder;
  std::string Output;
  int32_t Kind = kOutputFlv;
  bool FormatGiven = false;
  std::string FirstPublishOption;  // the first option that dresses a published movie
  std::string ScreenSaverName;
  std::optional<std::string> PlayerTemplate;
  std::string Music;
  bool Loop = false;
  TPublishOptions Publish;
  bool Yes = false;
  bool Upload = false;
  std::vector<int> Titles;
  std::vector<std::pair<int, int>> Chapters;
  std::vector<std::pair<double, double>> Trims;
  std::optional<int> AudioTrack, Subtitle;
  std::optional<std::array<int, 4>> Crop;
  std::optional<int> Brightness, Contrast, Saturation, Volume;
  std::optional<uint32_t> Effect;
  std::optional<std::pair<int, int>> Size;
  std::optional<int> Aspect;
  std::optional<double> Fps;
  std::optional<int> Bitrate;
  std::optional<int> SampleRate;
  bool NoAudio = false;
};

bool ParseInt(const std::string& text, int* value) {
  try {
    size_t used = 0;
    int v = std::stoi(text, &used);
    if (used != text.size()) return false;
    *value = v;
    return true;
  } catch (...) {
    return false;
  }
}

bool ParseDouble(const std::string& text, double* value) {
  try {
    size_t used = 0;
    double v = std::stod(text, &used);
    if (used != text.size() || !std::isfinite(v)) return false;
    *value = v;
    return true;
  } catch (...) {
    return false;
  }
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) parts.push_back(part);
  return parts;
}

// The output kind a file name's extension gives; -1 for any other name.
int32_t KindOfName(const std::string& name) {
  std::string ext = fs::path(name).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".flv") return kOutputFlv;
  if (ext == ".swf") return kOutputSwf;
  if (ext == ".exe") return kOutputProjector;
  if (ext == ".scr") return kOutputScreenSaver;
  return -1;
}

const char* FormatName(int32_t kind) {
  switch (kind) {
    case kOutputSwf: return "swf";
    case kOutputProjector: return "exe";
    case kOutputScreenSaver: return "scr";
    default: return "flv";
  }
}

bool NamesFolder(const std::string& output) {
  std::error_code ec;
  return !output.empty() && (output.back() == '/' || fs::is_directory(output, ec));
}

// The kind from -o's extension when --format is not given; a --format that
// contradicts it is refused. A projector's movie may be named .swf (the
// ".exe" is made beside it).
std::string ResolveKind(TOptions& o) {
  if (o.Output.empty()) return "";
  const int32_t named = NamesFolder(o.Output) ? -1 : KindOfName(o.Output);
  if (o.FormatGiven && o.Kind == kOutputScreenSaver)
    return "--format scr installs the screen saver in the user folder's ScreenSavers/ and takes no -o; "
           "name it with --screensaver-name";
  if (!o.FormatGiven) {
    if (named >= 0) o.Kind = named;
  } else if (named >= 0 && named != o.Kind && !(o.Kind == kOutputProjector && named == kOutputSwf)) {
    return std::string("--format ") + FormatName(o.Kind) + " contradicts -o " + o.Output + " (a ." +
           FormatName(named) + " name); leave --format out or name the output ." +
           FormatName(o.Kind);
  }
  if (o.Kind == kOutputScreenSaver) {
    // -o NAME.scr names the screen saver; it is installed where savers go.
    if (o.ScreenSaverName.empty()) o.ScreenSaverName = fs::path(o.Output).stem().string();
    o.Output.clear();
  }
  return "";
}

std::string Parse(const std::vector<std::string>& args, TOptions& o, TSWFParam& p) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string error;
    const std::string word = args[i];
    switch (ParsePublishOption(args, i, o.Publish, p, error)) {
      case TOptionResult::Taken:
        if (o.FirstPublishOption.empty() && word != "--list-styles") o.FirstPublishOption = word;
        continue;
      case TOptionResult::Error: return error;
      case TOptionResult::NotMine: break;
    }
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    int n = 0;
    if (a == "-o" || a == "--output") {
      if (!value(&o.Output)) return "missing value of " + a;
    } else if (a == "--format") {
      if (!value(&v)) return "missing value of --format";
      o.FormatGiven = true;
      if (v == "flv") o.Kind = kOutputFlv;
      else if (v == "swf") o.Kind = kOutputSwf;
      else if (v == "exe") o.Kind = kOutputProjector;
      else if (v == "scr") o.Kind = kOutputScreenSaver;
      else return "unknown format '" + v + "'";
    } else if (a == "--screensaver-name") {
      if (!value(&o.ScreenSaverName)) return "missing value of " + a;
    } else if (a == "--player-template") {
      if (!value(&v)) return "missing value of " + a;
      o.PlayerTemplate = v;
      if (o.FirstPublishOption.empty()) o.FirstPublishOption = a;
    } else if (a == "--music") {
      if (!value(&o.Music)) return "missing value of " + a;
      if (o.FirstPublishOption.empty()) o.FirstPublishOption = a;
    } else if (a == "--loop" || a == "--music-loop") {
      o.Loop = true;
    } else if (a == "-y" || a == "--yes") {
      o.Yes = true;
    } else if (a == "--upload") {
      o.Upload = true;
    } else if (a == "--titles") {
      if (!value(&v)) return "missing value of " + a;
      for (const auto& part : Split(v, ','))
        if (!ParseInt(part, &n) || n < 1) return "bad title number '" + part + "'";
        else o.Titles.push_back(n);
    } else if (a == "--chapters") {
      if (!value(&v)) return "missing value of " + a;
      for (const auto& part : Split(v, ',')) {
        auto tc = Split(part, '.');
        int t = 0, c = 0;
        if (tc.size() != 2 || !ParseInt(tc[0], &t) || !ParseInt(tc[1], &c) || t < 1 || c < 1)
          return "bad chapter '" + part + "' (use TITLE.CHAPTER)";
        o.Chapters.emplace_back(t, c);
      }
    } else if (a == "--trim") {
      if (!value(&v)) return "missing value of " + a;
      auto range = Split(v, '-');
      double from = 0, to = 0;
      if (range.size() != 2 || !ParseDouble(range[0], &from) || !ParseDouble(range[1], &to) ||
          from < 0 || to <= from)
        return "bad trim range '" + v + "' (use START-END in seconds)";
      o.Trims.emplace_back(from, to);
    } else if (a == "--audio-track" || a == "--subtitle" || a == "--brightness" || a == "--contrast" ||
               a == "--saturation" || a == "--volume" || a == "--bitrate" || a == "--sample-rate") {
      if (!value(&v) || !ParseInt(v, &n)) return "bad value of " + a;
      if (a == "--audio-track") o.AudioTrack = n;
      else if (a == "--subtitle") o.Subtitle = n;
      else if (a == "--volume") {
        if (n < 0 || n > 200) return "--volume is 0..200";
        o.Volume = n;
      } else if (a == "--bitrate") {
        if (n < 10 || n > 10000) return "--bitrate is in kbit/s, 10..10000";
        o.Bitrate = n;
      } else if (a == "--sample-rate") {
        if (n != 11025 && n != 22050 && n != 44100) return "--sample-rate is 11025, 22050 or 44100";
        o.SampleRate = n;
      } else {
        if (n < -100 || n > 100) return a + " is -100..100";
        (a == "--brightness" ? o.Brightness : a == "--contrast" ? o.Contrast : o.Saturation) = n;
      }
    } else if (a == "--crop") {
      if (!value(&v)) return "missing value of " + a;
      auto parts = Split(v, ',');
      std::array<int, 4> crop{};
      if (parts.size() != 4) return "bad crop '" + v + "' (use L,T,R,B)";
      for (int k = 0; k < 4; ++k)
        if (!ParseInt(parts[k], &crop[k]) || crop[k] < 0) return "bad crop '" + v + "'";
      o.Crop = crop;
    } else if (a == "--effect") {
      if (!value(&v)) return "missing value of " + a;
      if (v == "none") o.Effect = kEffectNone;
      else if (v == "gray") o.Effect = kEffectGray;
      else if (v == "emboss") o.Effect = kEffectEmboss;
      else if (v == "negative") o.Effect = kEffectNegative;
      else if (v == "oldfilm") o.Effect = kEffectOldFilm;
      else return "unknown effect '" + v + "'";
    } else if (a == "--size") {
      if (!value(&v)) return "missing value of " + a;
      auto wh = Split(v, 'x');
      int w = 0, h = 0;
      if (wh.size() != 2 || !ParseInt(wh[0], &w) || !ParseInt(wh[1], &h) || w < 80 || w > 800 ||
          h < 60 || h > 600)
        return "bad size '" + v + "' (WxH, 80x60..800x600)";
      o.Size = std::make_pair(w, h);
    } else if (a == "--aspect") {
      if (!value(&v)) return "missing value of " + a;
      if (v == "full") o.Aspect = 0;
      else if (v == "keep") o.Aspect = 1;
      else if (v == "16:9") o.Aspect = 2;
      else if (v == "4:3") o.Aspect = 3;
      else return "unknown aspect '" + v + "'";
    } else if (a == "--fps") {
      if (!value(&v)) return "missing value of " + a;
      double fps = 0;
      if (v == "keep") o.Fps = 0;
      else if (ParseDouble(v, &fps) && fps > 0 && fps <= 60) o.Fps = fps;
      else return "bad frame rate '" + v + "'";
    } else if (a == "--no-audio") {
      o.NoAudio = true;
    } else if (!a.empty() && a[0] == '-') {
      return "unknown option '" + a + "'";
    } else if (o.Folder.empty()) {
      o.Folder = a;
    } else {
      return "more than one folder given";
    }
  }
  if (o.Publish.ListStyles) return "";
  if (o.Folder.empty()) return "no DVD folder given";
  if (o.Publish.Projector) {
    if (o.Kind != kOutputFlv && o.Kind != kOutputProjector) return "--projector needs --format exe";
    o.Kind = kOutputProjector;
    o.FormatGiven = true;
  }
  if (std::string error = ResolveKind(o); !error.empty()) return error;
  if (o.Publish.Html && o.Kind != kOutputSwf) return "--html needs --format swf";
  if (o.Kind == kOutputFlv && !o.FirstPublishOption.empty())
    return o.FirstPublishOption + " dresses a published movie (--format swf, exe or scr, or -o NAME.swf); an FLV carries none";
  if (o.Kind == kOutputScreenSaver && o.ScreenSaverName.empty()) o.ScreenSaverName = "Reelcast";
  if (o.Upload && o.Kind == kOutputScreenSaver) return "--upload: a screen saver is installed here, not uploaded";
  // The name becomes a file name in the scratch and screen-saver folders.
  if (o.ScreenSaverName.find('/') != std::string::npos || o.ScreenSaverName == "." || o.ScreenSaverName == "..")
    return "the screen saver's name cannot be a path";
  return "";
}


// " (the DVD has N titles; 'reelcast-cli dvd info' lists them)".
std::string TitleCount(size_t titles) {
  return " (the DVD has " + std::to_string(titles) + (titles == 1 ? " title" : " titles") +
         "; 'reelcast-cli dvd info' lists them)";
}

// Checks the chosen rows: only the listed titles and chapters when any are
// listed, else the list's own initial marks.
std::string ChooseRows(TTaskList& list, const TOptions& o) {
  if (o.Titles.empty() && o.Chapters.empty()) return "";
  auto titles = list.Titles();
  for (TTaskRow* t : titles) {
    t->Task.Checked = false;
    for (auto& c : t->Children) c->Task.Checked = false;
  }
  for (int n : o.Titles) {
    if (n > static_cast<int>(titles.size())) return "there is no title " + std::to_string(n) + TitleCount(titles.size());
    TTaskRow* t = titles[n - 1];
    t->Task.Checked = true;
    if (t->Children.size() == 1) t->Children[0]->Task.Checked = true;
  }
  for (auto [tn, cn] : o.Chapters) {
    if (tn > static_cast<int>(titles.size())) return "there is no title " + std::to_string(tn) + TitleCount(titles.size());
    TTaskRow* t = titles[tn - 1];
    if (cn > static_cast<int>(t->Children.size()))
      return "title " + std::to_string(tn) + " has no chapter " + std::to_string(cn);
    t->Children[cn - 1]->Task.Checked = true;
    if (t->Children.size() == 1) t->Task.Checked = true;  // a one-chapter title is the title
  }
  return "";
}

const char* OptionOf(TJobChoice choice) {
  switch (choice) {
    case TJobChoice::Template: return "--template";
    case TJobChoice::ControlBar: return "--control-bar";
    case TJobChoice::ImageLink: return "--image-link";
    case TJobChoice::Music: return "--music";
    case TJobChoice::PreloaderSprite: return "--preloader-sprite";
    case TJobChoice::PreloaderLogo: return "--preloader-logo";
    case TJobChoice::PreloaderBar: return "--preloader-bar";
    case TJobChoice::AudioTrack: return "--audio-track";
    case TJobChoice::Subtitle: return "--subtitle";
    case TJobChoice::Crop: return "--crop";
    case TJobChoice::OutputFolder: return "-o";
    case TJobChoice::Source: return "--titles";
  }
  return "";
}

// The option (and value) that chose a row, as "--titles 3: " or
// "--chapters 3.1: "; empty when the list's own marks chose it.
std::string ChosenBy(TTaskList& list, const TTaskRow* row, const TOptions& o) {
  if (o.Titles.empty() && o.Chapters.empty()) return "";
  const TTaskRow* title = row->Level() == 2 ? row->Parent : row;
  const auto titles = list.Titles();
  const int t = static_cast<int>(std::find(titles.begin(), titles.end(), title) - titles.begin()) + 1;
  if (row->Level() == 1) {
    // A one-chapter title is also chosen by its chapter.
    if (std::find(o.Titles.begin(), o.Titles.end(), t) == o.Titles.end())
      for (auto [tn, cn] : o.Chapters)
        if (tn == t) return "--chapters " + std::to_string(tn) + "." + std::to_string(cn) + ": ";
    return "--titles " + std::to_string(t) + ": ";
  }
  int c = 1;
  while (c <= static_cast<int>(title->Children.size()) && title->Children[c - 1].get() != row) ++c;
  return "--chapters " + std::to_string(t) + "." + std::to_string(c) + ": ";
}

// One line naming the option, what was given and what it takes; exit code 2.
int Refuse(const TJobProblem& problem) {
  std::fprintf(stderr, "reelcast-cli convert: %s %s: takes %s\n", OptionOf(problem.Choice), problem.Given.c_str(),
               problem.Takes.c_str());
  return 2;
}

// The rows a conversion takes: checked titles, and checked chapters of
// titles with at least two chapters.
std::vector<TTaskRow*> TakenRows(TTaskList& list) {
  std::vector<TTaskRow*> taken;
  for (TTaskRow* row : list.Rows()) {
    if (row->Level() == 0 || !row->Task.Checked) continue;
    if (row->Level() == 1 || (row->Parent && std::atoi(row->Parent->Task.Base.ChapterCount.c_str()) >= 2))
      taken.push_back(row);
  }
  return taken;
}

class TTerminalDisplay {
 public:
  explicit TTerminalDisplay(const TConverterModel& model) : model_(model), terminal_(isatty(STDOUT_FILENO)) {}

  void Update() {
    const auto& log = model_.LogLines();
    for (; shownLog_ < log.size(); ++shownLog_) Line(log[shownLog_]);
    if (model_.StatusText() != status_) {
      status_ = model_.StatusText();
      // A failure's text comes once, as the job's message.
      if (status_ != "Wait ..." && status_ != model_.Failure() && (!terminal_ || !model_.TimeLabelVisible()))
        Line(status_);
    }
    if (!terminal_) {
      // Plain output: a line every tenth of the way.
      int step = model_.Progress() / 10;
      if (step != lastStep_ && model_.State() == TConverterState::Encoding) {
        lastStep_ = step;
        std::printf("%3d%%\n", model_.Progress());
        std::fflush(stdout);
      }
      return;
    }
    if (model_.State() != TConverterState::Encoding && model_.State() != TConverterState::Finishing) return;
    const int width = 30;
    int filled = model_.Progress() * width / 100;
    std::string times;
    if (model_.TimeLabelVisible() && model_.State() == TConverterState::Encoding)
      times = "  Elapsed " + FormatDuration(model_.Encode().ElapsedSeconds) + "  Remaining " +
              FormatDuration(model_.Encode().RemainingSeconds);
    std::printf("\r\033[K[%s%s] %3d%%%s%s", std::string(filled, '#').c_str(),
                std::string(width - filled, '-').c_str(), model_.Progress(), times.c_str(),
                model_.PauseState() ? "  (paused)" : "");
    std::fflush(stdout);
    barShown_ = true;
  }

  void Line(const std::string& text) {
    if (barShown_) std::printf("\r\033[K");
    barShown_ = false;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }

 private:
  const TConverterModel& model_;
  bool terminal_;
  size_t shownLog_ = 0;
  std::string status_ = "Wait ...";
  int lastStep_ = -1;
  bool barShown_ = false;
};

int ReportCancelled() {
  std::printf("Cancelled.\n");
  return 130;
}

int RunConvert(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage();
    return 0;
  }
  if (Interrupted()) return ReportCancelled();
  SetEncoderManagerHooks({EncMgrInit, EncMgrUninit});
  StartApplication();
  struct TShutdown {
    ~TShutdown() { ShutdownApplication(); }
  } shutdown;
  // The stored settings first, then the options on top of them.
  TJobSettingObjects objects;
  InitJobSettings(objects);
  SetPublishDefaults(SWFParam);
  TOptions o;
  if (std::string error = Parse(args, o, SWFParam); !error.empty()) {
    std::fprintf(stderr, "reelcast-cli convert: %s (see 'reelcast-cli convert --help')\n", error.c_str());
    return 2;
  }
  if (o.Publish.ListStyles) return ListPublishStyles("convert") ? 0 : 1;

  // Refusals and failures go to standard error, everything else to standard output.
  auto errorMessage = [](const std::string& text, const std::string& caption) {
    if (isatty(STDOUT_FILENO)) std::printf("\r\033[K");
    std::fflush(stdout);
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
  };
  auto message = [](const std::string& text, const std::string& caption) {
    // On a terminal the progress bar's line is cleared first.
    std::printf("%s%s%s%s\n", isatty(STDOUT_FILENO) ? "\r\033[K" : "", caption.c_str(),
                caption.empty() ? "" : ": ", text.c_str());
    std::fflush(stdout);
  };
  auto ask = [&](const std::string& text, const std::string&) { return o.Yes || AskOnTerminal(text); };

  THeldMessages loadMessages(errorMessage);
  TTaskList list(loadMessages.Host());
  std::string folder = fs::absolute(o.Folder).lexically_normal().string();
  if (folder.back() != '/') folder += '/';
  if (!list.LoadDvdFolder(folder)) {
    loadMessages.Show();
    return Interrupted() ? ReportCancelled() : 1;
  }
  if (std::string error = ChooseRows(list, o); !error.empty()) {
    loadMessages.Show();
    std::fprintf(stderr, "reelcast-cli convert: %s\n", error.c_str());
    return 2;
  }
  // A chosen title whose VOB files are damaged is refused in one line that
  // names the file; titles that are not converted are only noted.
  for (TTaskRow* row : TakenRows(list)) {
    const TTaskRow* title = row->Level() == 2 ? row->Parent : row;
    if (auto problem = CheckSourceReadable(title->Task.Base)) {
      loadMessages.Drop();
      std::fprintf(stderr, "reelcast-cli convert: %s%s\n", ChosenBy(list, row, o).c_str(),
                   UnusableTitlesText({problem->Given}, problem->Takes).c_str());
      return 2;
    }
  }
  loadMessages.Show();

  // The Encoder page's choices: the stored ones, changed by the options.
  TEncoderChoice encoder = TEncoderChoice::FromSettings();
  if (o.Size) {
    encoder.Resolution = true;
    encoder.Width = o.Size->first;
    encoder.Height = o.Size->second;
  }
  if (o.Aspect) encoder.AspectMode = *o.Aspect;
  if (o.Fps) encoder.FrameRate = *o.Fps;
  if (o.Bitrate) encoder.BitrateKbps = *o.Bitrate;
  if (o.SampleRate) encoder.SampleRate = *o.SampleRate;
  if (o.NoAudio) encoder.DisableAudio = true;
  const TEncoderParams block = DefaultEncoderParams(encoder, EncMgrGetFormatTable());

  TConvertChoices choices;
  choices.SourceFolder = list.OpenFileText();
  choices.OutputKind = o.Kind;
  choices.ScreenSaverName = o.ScreenSaverName;
  if (o.Output.empty() || NamesFolder(o.Output)) {
    // The first title or chapter converted names the output, as the list's
    // destination names do; a folder given as -o holds it.
    std::string name = "Output";
    for (TTaskRow* row : list.Rows())
      if (row->Level() > 0 && row->Task.Checked) {
        name = row->Task.Base.DestinationName;
        break;
      }
    const char* ext = o.Kind == kOutputFlv ? ".flv" : ".swf";
    std::string folder = o.Output.empty() ? LoadOutputFolder() : o.Output;
    if (folder.back() != '/') folder += '/';
    o.Output = folder + name + ext;
  }
  choices.OutputBox = fs::absolute(o.Output).lexically_normal().string();
  {
    // The desktop's output box offers only existing folders; here the
    // folder of -o is made when missing.
    std::error_code ec;
    if (o.Kind != kOutputScreenSaver) fs::create_directories(fs::path(choices.OutputBox).parent_path(), ec);
  }
  // An FLV carries no template; without one the frame rate is the
  // encoder's (a chosen template would decide it).
  choices.Template = o.Kind == kOutputFlv ? TTemplate{0, "None"} : SWFParam.Template;
  if (o.PlayerTemplate) choices.Template = {2, *o.PlayerTemplate};
  choices.GeneralTemplateSelection = choices.Template.Kind == 1 ? choices.Template.Name
                                     : choices.Template.Kind == 0 ? "None" : "";
  if (o.Fps && *o.Fps > 0) choices.ExplicitFrameRate = *o.Fps;
  choices.DisableAudio = encoder.DisableAudio;
  choices.MusicFile = o.Music.empty() ? "" : fs::absolute(o.Music).string();
  choices.LoopMusic = o.Loop;
  choices.PublishHtml = o.Publish.Html;
  choices.BackColor = SWFParam.BackColor;
  choices.LoopOption = SWFParam.PlayMode;
  choices.ShowControlBar = SWFParam.ShowControlBar;
  choices.BarStyle = SWFParam.BarStyle;

  size_t trimIndex = 0;
  const int pictureW = list.PictureWidth(), pictureH = list.PictureHeight();
  TConvertHost host;
  host.ShowMessage = errorMessage;
  host.AskYesNo = ask;
  WireGeneralTemplate(host, o.Publish.General);
  host.StoreEditSettings = [&](TTask& task) {
    if (trimIndex < o.Trims.size()) {
      auto [from, to] = o.Trims[trimIndex];
      task.TrimStart = std::min(from, task.Base.Length);
      task.TrimEnd = std::min(to, task.Base.Length);
    }
    ++trimIndex;
    if (o.Volume) task.Volume = *o.Volume;
    if (o.Brightness) task.Brightness = *o.Brightness;
    if (o.Contrast) task.Contrast = *o.Contrast;
    if (o.Saturation) task.Saturation = *o.Saturation;
    if (o.Effect) task.EffectFlags = *o.Effect;
    if (o.Crop) {
      // Margins as the Edit page's spin edits hold them.
      const auto& c = *o.Crop;
      task.Crop = {c[0], c[1], pictureW - c[2], pictureH - c[3]};
    }
    if (o.AudioTrack) task.AudioTrackIndex = *o.AudioTrack;
    if (o.Subtitle) task.SubtitleIndex = *o.Subtitle;
  };
  host.StoreEncoderSettings = [&](TTask& task) { task.Encoder = block; };

  {
    // The files delivered beside the job's own output file are asked
    // about as that one is.
    const fs::path box(choices.OutputBox);
    const std::string beside = (box.parent_path() / box.stem()).string();
    std::vector<std::string> others;
    if (o.Kind == kOutputScreenSaver) others.push_back(ScreenSaverFolder() + o.ScreenSaverName + ".scr");
    if (o.Kind == kOutputProjector) others.push_back(beside + ".exe");
    if (o.Publish.Html) others.push_back(beside + ".html");
    if (o.Kind == kOutputSwf && choices.Template.Kind == 2 && SWFParam.ExportSetting->EmbedType != etEmbedFLV)
      others.push_back(beside + ".flv");
    if (NamesFolder(choices.OutputBox)) others.push_back(choices.OutputBox);
    for (const std::string& path : others)
      if (!MayReplace("convert", path, o.Yes)) return 1;
  }
  // Everything that can be known before the first frame is checked now.
  {
    TSWFParam probe = SWFParam;
    probe.OutputKind = o.Kind;
    probe.Template = choices.Template;
    probe.HasMusic = !choices.MusicFile.empty();
    probe.MusicFile = choices.MusicFile;
    probe.ShowControlBar = choices.ShowControlBar;
    probe.BarStyle = choices.BarStyle;
    if (o.Publish.Page.LoaderBesidePage) {
      if (std::string problem = LocalLoaderProblem(); !problem.empty()) {
        std::fprintf(stderr, "reelcast-cli convert: --ruffle-local: %s\n", problem.c_str());
        return 2;
      }
    }
    if (auto problem = CheckPublishChoices(probe)) {
      // A general template keeps the desktop's text, with the reason after it.
      if (problem->Choice == TJobChoice::Template && choices.Template.Kind == 1)
        std::fprintf(stderr, "Sorry,load the current template unsuccessfully.Please select another one to continue.\n");
      return Refuse(*problem);
    }
    const std::vector<TTaskRow*> taken = TakenRows(list);
    if (o.Trims.size() > taken.size()) {
      std::fprintf(stderr, "reelcast-cli convert: --trim given %zu times: takes one range per source, in order, "
                   "and %zu source%s converted\n", o.Trims.size(), taken.size(),
                   taken.size() == 1 ? " is" : "s are");
      return 2;
    }
    for (TTaskRow* row : taken) {
      const TTaskRow* title = row->Level() == 2 ? row->Parent : row;
      TTask task = row->Task;
      host.StoreEditSettings(task);
      const int subtitles = title->Task.Base.Subtitles ? static_cast<int>(title->Task.Base.Subtitles->size()) : 0;
      // --subtitle counts only the streams; the index past them is the
      // list's "no subtitle" item, which the option cannot name.
      if (o.Subtitle && *o.Subtitle >= subtitles) task.SubtitleIndex = subtitles + 1;
      if (auto problem = CheckSourceChoices(task, title->Task.Base, pictureW, pictureH)) {
        if (problem->Choice == TJobChoice::Subtitle && o.Subtitle) problem->Given = std::to_string(*o.Subtitle);
        return Refuse(*problem);
      }
    }
    trimIndex = 0;
    if (o.Kind != kOutputScreenSaver)
      if (auto problem = CheckOutputFolder(fs::path(choices.OutputBox).parent_path().string())) return Refuse(*problem);
  }
  auto tasks = PrepareConvert(list.Rows(), choices, host, SWFParam);
  if (Interrupted()) return ReportCancelled();
  if (!tasks) return 1;
  for (const TTask& t : *tasks)
    if (t.TrimEnd <= t.TrimStart) {
      std::fprintf(stderr, "reelcast-cli convert: the trim range of %s is empty\n", t.Base.Name.c_str());
      return 2;
    }

  TConverterModel::THost modelHost;
  const TConverterModel* running = nullptr;
  modelHost.ShowMessage = [&](const std::string& text, const std::string& caption) {
    (running && !running->Failure().empty() ? errorMessage : message)(text, caption);
  };
  bool cancelling = false;
  modelHost.AskYesNo = [&](const std::string& text, const std::string& caption) {
    if (cancelling) return true;  // Ctrl+C is the answer
    return ask(text, caption);
  };
  std::string opened;
  modelHost.OpenPath = [&](const std::string& path) { opened = path; };
  // "System.bUseFTP" asks for the upload after a finished job, as --upload does.
  modelHost.Upload = [&](const std::string&) { o.Upload = true; };
  // The title movies of a general template are made by the job, in its
  // own scratch folder.
  if (SWFParam.Template.Kind == 1) LoadStoredTitles(o.Publish.General);
  TConverterModel model(SWFParam, *tasks, PublishSteps(o.Publish.Page, o.Publish.General.Titles), modelHost);
  running = &model;
  TTerminalDisplay display(model);

  model.Show();
  display.Update();
  model.StartStep();
  // The job hears of a signal at once; the model and the display follow at
  // the loop's next turn.
  TInterruptWatch watch([&model] { model.Job().Cancel(); });
  display.Update();
  bool cancelAsked = false;
  while (!model.Closed()) {
    if (Interrupted() && !cancelAsked) {
      cancelling = true;
      model.CancelClick();
      cancelling = false;
      cancelAsked = true;
      display.Line("Cancelling...");
    }
    if (!model.Closed()) model.ProcessEvents(std::chrono::milliseconds(100));
    display.Update();
  }
  display.Update();
  // The job removes its scratch and staged files before it ends; a job
  // that had already put its output in place has succeeded.
  model.Job().Wait();
  const TJobResult result = model.Job().Result();
  if (result.Succeeded()) {
    std::printf("Output: %s\n", model.Job().OutputPath().c_str());
    if (o.Upload && model.Job().Settings().OutputKind != kOutputScreenSaver)
      return UploadJobOutput(model.Job().Settings());
    return 0;
  }
  if (result.Cancelled()) return ReportCancelled();
  return 1;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("convert", "convert the titles and chapters of a DVD folder into Flash content",
                     reelcast::cli::RunConvert);
