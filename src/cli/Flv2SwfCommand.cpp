// reelcast-cli flv2swf: turns an FLV the user already has into a published
// movie with the video inside, dressed as the options say, plus its HTML
// page or projector. Settings not given on the command line come from the
// stored settings, as a conversion job would take them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Paths.h"
#include "cli/CliCommand.h"
#include "cli/PublishOptions.h"
#include "cli/ReplaceQuestion.h"
#include "convert/EncoderThread.h"
#include "convert/JobRecord.h"
#include "media/FLVData.h"
#include "publish/FlvToSwf.h"
#include "publish/HtmlPage.h"
#include "publish/PlayerMovie.h"
#include "publish/Projector.h"
#include "publish/TemplateLists.h"
#include "publish/TemplateMovie.h"
#include "swf/Records.h"

namespace reelcast::cli {
namespace {

namespace fs = std::filesystem;

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: reelcast-cli flv2swf IN.flv OUT.swf [options]\n"
               "  --size WxH            stage size in pixels (default: the FLV's picture size)\n"
               "  --fps N               frame rate of the music wrapper or of a template's\n"
               "                        movie (default: the FLV's)\n"
               "  --music FILE          background music (MP3 or WAV), mixed for the movie's\n"
               "                        length and streamed by a wrapper around the movie\n"
               "  --music-loop          repeat music shorter than the movie (default: silence\n"
               "                        after it)\n"
               "  --no-audio            leave the FLV's sound out (default: the stored\n"
               "                        \"Disable Audio\" setting)\n"
               "  -y, --yes             replace existing files without asking (otherwise asked\n"
               "                        on a terminal, refused without one)\n");
  PrintPublishUsage(out);
}

bool ParseSize(const std::string& text, int32_t& w, int32_t& h) {
  int a = 0, b = 0;
  char x = 0;
  if (std::sscanf(text.c_str(), "%d%c%d", &a, &x, &b) != 3 || x != 'x' || a < 1 || b < 1 ||
      a > 4000 || b > 4000)
    return false;
  w = a;
  h = b;
  return true;
}

struct TOptions {
  std::string In, Out;
  bool SizeGiven = false;
  bool FpsGiven = false;
  bool Yes = false;
  TPublishOptions Publish;
};

// The movie of a player template. The FLV's copy beside the movie (OUT.flv)
// is what a linking player plays; an embedding movie carries the video and
// the copy is removed, as the job does. False, with the reason on stderr,
// when nothing was made.
bool MakePlayer(const TOptions& o, const TSWFParam& p) {
  if (!MakePlayerMovie(o.In, p.Template.Name, o.Out, false, p)) {
    std::fprintf(stderr, "reelcast-cli flv2swf: %s was not made; see the log file %s\n",
                 o.Out.c_str(), LogFilePath().c_str());
    return false;
  }
  const std::string copy = fs::path(o.Out).replace_extension(".flv").string();
  const bool embedded = p.ExportSetting->EmbedType == etEmbedFLV || p.OutputKind == kOutputProjector;
  std::error_code ec;
  if (embedded && !fs::equivalent(copy, o.In, ec)) fs::remove(copy, ec);
  return true;
}

// Fills param from the options; an error text when they are wrong.
std::string Parse(const std::vector<std::string>& args, TOptions& o, TSWFParam& p) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string error;
    switch (ParsePublishOption(args, i, o.Publish, p, error)) {
      case TOptionResult::Taken: continue;
      case TOptionResult::Error: return error;
      case TOptionResult::NotMine: break;
    }
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--size") {
      if (!value(v) || !ParseSize(v, p.VideoWidth, p.VideoHeight)) return "--size needs WxH";
      o.SizeGiven = true;
    } else if (a == "--fps") {
      if (!value(v)) return "--fps needs a number";
      char* end = nullptr;
      double fps = std::strtod(v.c_str(), &end);
      if (*end || !(fps > 0 && fps <= 120)) return "--fps needs a number from 0 to 120";
      p.FrameRate = fps;
      o.FpsGiven = true;
    } else if (a == "--music") {
      if (!value(v)) return "--music needs a file";
      p.HasMusic = true;
      p.MusicFile = fs::absolute(v).string();
    } else if (a == "--music-loop") {
      p.LoopMusic = true;
    } else if (a == "--no-audio") {
      p.AudioEnabled = false;
    } else if (a == "-y" || a == "--yes") {
      o.Yes = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      files.push_back(a);
    }
  }
  if (o.Publish.ListStyles && files.empty()) return "";
  if (files.size() != 2) return "expected IN.flv and OUT.swf";
  o.In = files[0];
  o.Out = files[1];
  if (o.Publish.Html && o.Publish.Projector) return "--html and --projector exclude each other";
  return "";
}

int RunFlv2Swf(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage(stdout);
    return 0;
  }
  StartApplication();
  struct TShutdown {
    ~TShutdown() { ShutdownApplication(); }
  } shutdown;
  TJobSettingObjects objects;
  InitJobSettings(objects);
  TSWFParam& p = SWFParam;
  p.Template = TTemplate{0, "None"};
  SetPublishDefaults(p);
  TOptions o;
  if (std::string error = Parse(args, o, p); !error.empty()) {
    std::fprintf(stderr, "reelcast-cli flv2swf: %s (see 'reelcast-cli flv2swf --help')\n",
                 error.c_str());
    return 2;
  }
  if (o.Publish.ListStyles) return ListPublishStyles("flv2swf") ? 0 : 1;
  if (o.Publish.Page.LoaderBesidePage) {
    if (std::string problem = LocalLoaderProblem(); !problem.empty()) {
      std::fprintf(stderr, "reelcast-cli flv2swf: --ruffle-local: %s\n", problem.c_str());
      return 2;
    }
  }
  if (!fs::is_regular_file(o.In)) {
    std::fprintf(stderr, "reelcast-cli flv2swf: no such file: %s\n", o.In.c_str());
    return 1;
  }
  TFLVData flv(o.In);
  if (flv.FrameCount() == 0) {
    std::fprintf(stderr, "reelcast-cli flv2swf: %s holds no video frames\n", o.In.c_str());
    return 1;
  }
  if (!o.SizeGiven) {
    p.VideoWidth = flv.Width();
    p.VideoHeight = flv.Height();
  }
  // The music wrapper runs at the video's own rate unless told otherwise, so
  // that the picture keeps its speed.
  const double flvFps = Fixed8ToSingle(flv.FrameRate());
  if (!o.FpsGiven && flvFps > 0) p.FrameRate = flvFps;
  p.TotalDuration = flvFps > 0 ? flv.FrameCount() / flvFps : 0;
  if (p.Template.Kind == 2) {
    const std::vector<std::string> players = ListPlayerTemplates();
    if (std::find(players.begin(), players.end(), p.Template.Name) == players.end()) {
      std::fprintf(stderr, "reelcast-cli flv2swf: no player template '%s' (see --list-styles)\n",
                   p.Template.Name.c_str());
      return 1;
    }
  }
  {
    // Every file this run writes is asked about before anything is made.
    std::vector<std::string> outputs = {o.Out};
    if (o.Publish.Html) outputs.push_back(HtmlPagePath(o.Out));
    if (o.Publish.Projector) outputs.push_back(ProjectorPath(o.Out));
    if (p.Template.Kind == 2 && p.ExportSetting->EmbedType != etEmbedFLV && !o.Publish.Projector)
      outputs.push_back(fs::path(o.Out).replace_extension(".flv").string());
    for (const std::string& path : outputs)
      if (!MayReplace("flv2swf", path, o.Yes)) return 1;
  }
  p.OutputKind = o.Publish.Projector ? kOutputProjector : kOutputSwf;
  p.PublishHtml = o.Publish.Html;
  p.OutputFile = o.Out;
  p.SourceFile = o.In;
  const bool general = p.Template.Kind == 1;
  if (general) {
    // A template without a usable window, or without its title movies, is
    // refused before anything is written.
    try {
      LoadStoredTitles(o.Publish.General);
      p.ImageArea = PrepareGeneralTemplate(p.Template.Name, o.Publish.General.Titles);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "reelcast-cli flv2swf: %s\n", e.what());
      return 1;
    }
  }
  struct TMusicFile {
    ~TMusicFile() {
      std::error_code ec;
      fs::remove(BackgroundMusicPath(), ec);
    }
  } mixedMusic;
  try {
    // A player template plays the FLV's own sound; music is for the others.
    if (p.HasMusic && p.Template.Kind != 2 && !MixBackgroundMusic([](int) { return -1; }))
      std::fprintf(stderr, "reelcast-cli flv2swf: the music of %s could not be used; the movie has none "
                           "(see the log file %s)\n", p.MusicFile.c_str(), LogFilePath().c_str());
    if (general) {
      // The video movie and its composition are made beside the output;
      // only the finished movie takes the output's name.
      const std::string work = o.Out + ".video.swf";
      struct TRemoveWork {
        std::string Path;
        ~TRemoveWork() {
          std::error_code ec;
          fs::remove(Path, ec);
        }
      } removeWork{work};
      p.OutputFile = work;
      FlvToSwf(o.In, work, p);
      if (!fs::is_regular_file(work) || !CreatFlashMovie(p.Template.Name, work, p.ImageArea, p)) {
        std::fprintf(stderr, "reelcast-cli flv2swf: the template movie was not made; see the log file %s\n",
                     LogFilePath().c_str());
        return 1;
      }
      fs::rename(work, o.Out);
      p.OutputFile = o.Out;
    } else if (p.Template.Kind == 2) {
      if (!MakePlayer(o, p)) return 1;
    } else {
      FlvToSwf(o.In, o.Out, p);
    }
    if (!fs::is_regular_file(o.Out)) {
      std::fprintf(stderr, "reelcast-cli flv2swf: %s was not made; see the log file %s\n",
                   o.Out.c_str(), LogFilePath().c_str());
      return 1;
    }
    std::printf("%s\n", o.Out.c_str());
    if (p.Template.Kind == 2 && p.ExportSetting->EmbedType != etEmbedFLV && !o.Publish.Projector)
      std::printf("%s\n", fs::path(o.Out).replace_extension(".flv").string().c_str());
    if (o.Publish.Html) {
      WriteHtmlPage(o.Out, p, o.Publish.Page);
      std::printf("%s\n", HtmlPagePath(o.Out).c_str());
    }
    if (o.Publish.Projector) {
      if (!MakeProjector(AppPath(kProjectorPlayerName), o.Out, p)) {
        std::fprintf(stderr, "reelcast-cli flv2swf: the projector was not made; see the log file %s\n",
                     LogFilePath().c_str());
        return 1;
      }
      std::printf("%s\n", ProjectorPath(o.Out).c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast-cli flv2swf: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("flv2swf", "make a published movie with the video of an FLV inside",
                     reelcast::cli::RunFlv2Swf);
