// reelcast-cli flv2swf: turns an FLV the user already has into a published
// movie with the video inside, dressed as the options say, plus its HTML
// page or projector. Settings not given on the command line come from the
// stored settings, as a conversion job would take them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "cli/CliCommand.h"
#include "convert/JobRecord.h"
#include "media/FLVData.h"
#include "app/TextConvert.h"
#include "publish/ControlBarStyles.h"
#include "publish/FlvToSwf.h"
#include "publish/PreloaderLayout.h"
#include "publish/HtmlPage.h"
#include "publish/Projector.h"

namespace reelcast::cli {
namespace {

namespace fs = std::filesystem;

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: reelcast-cli flv2swf IN.flv OUT.swf [options]\n"
               "  --size WxH            stage size in pixels (default: the FLV's picture size)\n"
               "  --fps N               frame rate of a music wrapper (default 24)\n"
               "  --background RRGGBB   background colour (default 000000)\n"
               "  --no-audio            leave the FLV's sound out (default: the stored\n"
               "                        \"Disable Audio\" setting)\n"
               "  --play-mode MODE      loop (default), replay (a \"Replay\" button), noloop\n"
               "  --control-bar STYLE   a play/pause/stop bar of STYLE (see --list-styles)\n"
               "  --list-styles         list the control-bar styles, preloader sprites and bars\n"
               "  --text-link TEXT      a text link; with --url, --link-pos X,Y (fractions of\n"
               "                        the stage), --font NAME, --font-size N,\n"
               "                        --link-color RRGGBB, --bold, --italic\n"
               "  --image-link FILE     a picture link (JPEG, BMP, PNG); with --url, --link-pos\n"
               "  --preloader           add a preloader frame; with --preloader-sprite NAME,\n"
               "                        --preloader-logo FILE, --preloader-bar STYLE,\n"
               "                        --preloader-show bar|text|all, --preloader-color RRGGBB\n"
               "                        (default: the stored preloader settings)\n"
               "  --html                also write OUT.html\n"
               "  --ruffle-loader[=URL] add the player loader script to the page\n"
               "  --projector           make OUT.exe (the player with the movie) instead\n");
}

bool ParseColor(const std::string& text, uint32_t& color) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
  color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);  // to 0x00BBGGRR
  return true;
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
  bool Html = false;
  bool Projector = false;
  bool ListStyles = false;
  THtmlPageOptions Page;
};

// Fills param from the options; an error text when they are wrong.
std::string Parse(const std::vector<std::string>& args, TOptions& o, TSWFParam& p) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
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
    } else if (a == "--background") {
      if (!value(v) || !ParseColor(v, p.BackColor)) return "--background needs RRGGBB";
    } else if (a == "--no-audio") {
      p.AudioEnabled = false;
    } else if (a == "--play-mode") {
      if (!value(v)) return "--play-mode needs a mode";
      if (v == "loop") p.PlayMode = kPlayAutoLoop;
      else if (v == "replay") p.PlayMode = kPlayReplayButton;
      else if (v == "noloop") p.PlayMode = kPlayNoLoop;
      else return "unknown play mode '" + v + "'";
      p.AutoLoop = p.PlayMode == kPlayAutoLoop;
    } else if (a == "--control-bar") {
      if (!value(p.BarStyle)) return "--control-bar needs a style";
      p.ShowControlBar = true;
    } else if (a == "--list-styles") {
      o.ListStyles = true;
    } else if (a == "--text-link") {
      if (!value(p.TextLink.Text)) return "--text-link needs a text";
      p.LinkKind = kLinkText;
    } else if (a == "--image-link") {
      if (!value(p.ImageLink.ImageFile)) return "--image-link needs a picture file";
      p.LinkKind = kLinkImage;
    } else if (a == "--url") {
      if (!value(v)) return "--url needs an address";
      p.TextLink.URL = p.ImageLink.URL = v;
    } else if (a == "--link-pos") {
      double x = 0, y = 0;
      char comma = 0;
      if (!value(v) || std::sscanf(v.c_str(), "%lf%c%lf", &x, &comma, &y) != 3 || comma != ',' ||
          x < 0 || x > 1 || y < 0 || y > 1)
        return "--link-pos needs X,Y from 0 to 1";
      p.TextLink.X = p.ImageLink.X = x;
      p.TextLink.Y = p.ImageLink.Y = y;
    } else if (a == "--font") {
      if (!value(p.TextLink.FontName)) return "--font needs a name";
    } else if (a == "--font-size") {
      if (!value(v)) return "--font-size needs a number";
      p.TextLink.FontSize = std::atoi(v.c_str());
      if (p.TextLink.FontSize < 4 || p.TextLink.FontSize > 200) return "--font-size needs 4 to 200";
    } else if (a == "--link-color") {
      if (!value(v) || !ParseColor(v, p.TextLink.Color)) return "--link-color needs RRGGBB";
    } else if (a == "--bold") {
      p.TextLink.Bold = true;
    } else if (a == "--italic") {
      p.TextLink.Italic = true;
    } else if (a == "--preloader") {
      p.ExportSetting->LoadingFrame = 1;
    } else if (a == "--preloader-sprite") {
      if (!value(v)) return "--preloader-sprite needs a name";
      p.PreLoader->UseSprite = true;
      p.PreLoader->UseCustomLogo = false;
      p.PreLoader->SpriteStyle = Utf8ToUtf16(v);
    } else if (a == "--preloader-logo") {
      if (!value(v)) return "--preloader-logo needs a picture file";
      p.PreLoader->UseSprite = true;
      p.PreLoader->UseCustomLogo = true;
      p.PreLoader->CustomLogo = Utf8ToUtf16(v);
    } else if (a == "--preloader-bar") {
      if (!value(v)) return "--preloader-bar needs a style";
      p.PreLoader->UseProgressBar = true;
      p.PreLoader->BarStyle = Utf8ToUtf16(v);
      if (p.PreLoader->BarMode() == bmNone) p.PreLoader->SetBarMode(bmAll);
    } else if (a == "--preloader-show") {
      if (!value(v)) return "--preloader-show needs bar, text or all";
      if (v == "bar") p.PreLoader->SetBarMode(bmBar);
      else if (v == "text") p.PreLoader->SetBarMode(bmText);
      else if (v == "all") p.PreLoader->SetBarMode(bmAll);
      else return "--preloader-show needs bar, text or all";
    } else if (a == "--preloader-color") {
      if (!value(v) || !ParseColor(v, p.PreLoader->BKColor)) return "--preloader-color needs RRGGBB";
    } else if (a == "--html") {
      o.Html = true;
    } else if (a == "--ruffle-loader") {
      o.Html = true;
      o.Page.RuffleLoader = true;
    } else if (a.rfind("--ruffle-loader=", 0) == 0) {
      o.Html = true;
      o.Page.RuffleLoader = true;
      o.Page.RuffleLoaderUrl = a.substr(16);
    } else if (a == "--projector") {
      o.Projector = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      files.push_back(a);
    }
  }
  if (o.ListStyles && files.empty()) return "";
  if (files.size() != 2) return "expected IN.flv and OUT.swf";
  o.In = files[0];
  o.Out = files[1];
  if (o.Html && o.Projector) return "--html and --projector exclude each other";
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
  p.AudioEnabled = !ReadConfigBool(keys::DisableAudio, false);
  p.AutoLoop = true;
  p.TextLink.FontName = "DejaVu Sans";
  p.TextLink.FontSize = 14;
  p.TextLink.Color = 0xFFFFFF;
  TOptions o;
  if (std::string error = Parse(args, o, p); !error.empty()) {
    std::fprintf(stderr, "reelcast-cli flv2swf: %s (see 'reelcast-cli flv2swf --help')\n",
                 error.c_str());
    return 2;
  }
  if (o.ListStyles) {
    for (const std::string& s : ListControlBarStyles()) std::printf("control-bar\t%s\n", s.c_str());
    for (const std::string& s : ListPreloaderSprites()) std::printf("preloader-sprite\t%s\n", s.c_str());
    try {
      for (const TProgressBarStyle& s : LoadProgressBarStyles())
        std::printf("preloader-bar\t%s\n", s.NameID.c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "reelcast-cli flv2swf: %s\n", e.what());
      return 1;
    }
    return 0;
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
  p.OutputKind = o.Projector ? kOutputProjector : kOutputSwf;
  p.PublishHtml = o.Html;
  p.OutputFile = o.Out;
  p.SourceFile = o.In;
  try {
    FlvToSwf(o.In, o.Out, p);
    if (!fs::is_regular_file(o.Out)) {
      std::fprintf(stderr, "reelcast-cli flv2swf: %s was not made; see the log file %s\n",
                   o.Out.c_str(), LogFilePath().c_str());
      return 1;
    }
    std::printf("%s\n", o.Out.c_str());
    if (o.Html) {
      WriteHtmlPage(o.Out, p, o.Page);
      std::printf("%s\n", HtmlPagePath(o.Out).c_str());
    }
    if (o.Projector) {
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
