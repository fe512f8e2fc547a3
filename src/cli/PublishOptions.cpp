#include "cli/PublishOptions.h"

#include <cstdlib>
#include <exception>

#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "publish/ControlBarStyles.h"
#include "publish/TemplateLists.h"
#include "publish/PreloaderLayout.h"
#include "publish/PublishUrls.h"

namespace reelcast::cli {

bool ParseColor(const std::string& text, uint32_t& color) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
  color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);  // to 0x00BBGGRR
  return true;
}

void SetPublishDefaults(TSWFParam& p) {
  p.AudioEnabled = !ReadConfigBool(keys::DisableAudio, false);
  p.BackColor = 0;
  p.PlayMode = kPlayAutoLoop;
  p.AutoLoop = true;
  p.ShowControlBar = false;
  p.BarStyle.clear();
  p.LinkKind = kLinkNone;
  p.TextLink = TTextLink{};
  p.TextLink.FontName = "DejaVu Sans";
  p.TextLink.FontSize = 14;
  p.TextLink.Color = 0xFFFFFF;
  p.ImageLink = TImageLink{};
}

TOptionResult ParsePublishOption(const std::vector<std::string>& args, size_t& i,
                                 TPublishOptions& o, TSWFParam& p, std::string& error) {
  const std::string& a = args[i];
  size_t next = i;
  auto value = [&](std::string& v) {
    if (next + 1 >= args.size()) return false;
    v = args[++next];
    return true;
  };
  auto fail = [&](std::string text) {
    error = std::move(text);
    return TOptionResult::Error;
  };
  std::string v;
  if (a == "--template") {
    // "general:NAME" and "player:NAME" name the kind; a bare NAME is a
    // general template.
    if (!value(v) || v.empty()) return fail("--template needs none, general:NAME or player:NAME");
    if (v == "none" || v == "None") {
      p.Template = TTemplate{0, "None"};
    } else if (v.rfind("player:", 0) == 0) {
      if (v.size() == 7) return fail("--template needs a template name after player:");
      p.Template = TTemplate{2, v.substr(7)};
    } else {
      const std::string name = v.rfind("general:", 0) == 0 ? v.substr(8) : v;
      if (name.empty() || name == "None") return fail("--template needs a template name after general:");
      p.Template = TTemplate{1, name};
    }
    o.TemplateGiven = true;
  } else if (ParseTitleOption(args, next, o.General, error)) {
    if (!error.empty()) return TOptionResult::Error;
  } else if (a == "--background") {
    if (!value(v) || !ParseColor(v, p.BackColor)) return fail("--background needs RRGGBB");
    o.BackgroundGiven = true;
  } else if (a == "--play-mode") {
    if (!value(v)) return fail("--play-mode needs a mode");
    if (v == "loop") p.PlayMode = kPlayAutoLoop;
    else if (v == "replay") p.PlayMode = kPlayReplayButton;
    else if (v == "noloop") p.PlayMode = kPlayNoLoop;
    else return fail("unknown play mode '" + v + "'");
    p.AutoLoop = p.PlayMode == kPlayAutoLoop;
  } else if (a == "--control-bar") {
    if (!value(p.BarStyle)) return fail("--control-bar needs a style");
    p.ShowControlBar = true;
  } else if (a == "--list-styles") {
    o.ListStyles = true;
  } else if (a == "--text-link") {
    if (!value(p.TextLink.Text)) return fail("--text-link needs a text");
    p.LinkKind = kLinkText;
  } else if (a == "--image-link") {
    if (!value(p.ImageLink.ImageFile)) return fail("--image-link needs a picture file");
    p.LinkKind = kLinkImage;
  } else if (a == "--url") {
    if (!value(v)) return fail("--url needs an address");
    if (std::string why = RefusedUrlReason(v); !why.empty()) return fail("--url: " + why);
    p.TextLink.URL = p.ImageLink.URL = v;
  } else if (a == "--link-pos") {
    double x = 0, y = 0;
    char comma = 0;
    if (!value(v) || std::sscanf(v.c_str(), "%lf%c%lf", &x, &comma, &y) != 3 || comma != ',' ||
        x < 0 || x > 1 || y < 0 || y > 1)
      return fail("--link-pos needs X,Y from 0 to 1");
    p.TextLink.X = p.ImageLink.X = x;
    p.TextLink.Y = p.ImageLink.Y = y;
  } else if (a == "--font") {
    if (!value(p.TextLink.FontName)) return fail("--font needs a name");
  } else if (a == "--font-size") {
    if (!value(v)) return fail("--font-size needs a number");
    p.TextLink.FontSize = std::atoi(v.c_str());
    if (p.TextLink.FontSize < 4 || p.TextLink.FontSize > 200) return fail("--font-size needs 4 to 200");
  } else if (a == "--link-color") {
    if (!value(v) || !ParseColor(v, p.TextLink.Color)) return fail("--link-color needs RRGGBB");
  } else if (a == "--bold") {
    p.TextLink.Bold = true;
  } else if (a == "--italic") {
    p.TextLink.Italic = true;
  } else if (a == "--preloader") {
    p.ExportSetting->LoadingFrame = 1;
  } else if (a == "--preloader-sprite") {
    if (!value(v)) return fail("--preloader-sprite needs a name");
    p.PreLoader->UseSprite = true;
    p.PreLoader->UseCustomLogo = false;
    p.PreLoader->SpriteStyle = Utf8ToUtf16(v);
  } else if (a == "--preloader-logo") {
    if (!value(v)) return fail("--preloader-logo needs a picture file");
    p.PreLoader->UseSprite = true;
    p.PreLoader->UseCustomLogo = true;
    p.PreLoader->CustomLogo = Utf8ToUtf16(v);
  } else if (a == "--preloader-bar") {
    if (!value(v)) return fail("--preloader-bar needs a style");
    p.PreLoader->UseProgressBar = true;
    p.PreLoader->BarStyle = Utf8ToUtf16(v);
    if (p.PreLoader->BarMode() == bmNone) p.PreLoader->SetBarMode(bmAll);
  } else if (a == "--preloader-show") {
    if (!value(v)) return fail("--preloader-show needs bar, text or all");
    if (v == "bar") p.PreLoader->SetBarMode(bmBar);
    else if (v == "text") p.PreLoader->SetBarMode(bmText);
    else if (v == "all") p.PreLoader->SetBarMode(bmAll);
    else return fail("--preloader-show needs bar, text or all");
  } else if (a == "--preloader-color") {
    if (!value(v) || !ParseColor(v, p.PreLoader->BKColor)) return fail("--preloader-color needs RRGGBB");
  } else if (a == "--embed-mode") {
    if (!value(v)) return fail("--embed-mode needs embed or link");
    if (v == "embed") p.ExportSetting->EmbedType = etEmbedFLV;
    else if (v == "link") p.ExportSetting->EmbedType = etSeperaterFLV;
    else return fail("--embed-mode needs embed or link");
  } else if (a == "--auto-play") {
    p.ExportSetting->AutoPlay = true;
  } else if (a == "--no-auto-play") {
    p.ExportSetting->AutoPlay = false;
  } else if (a == "--auto-rewind") {
    p.ExportSetting->AutoRewind = true;
  } else if (a == "--repeat") {
    p.ExportSetting->RepeatPlay = true;
  } else if (a == "--click-url" || a == "--end-url") {
    TURLInfo& url = a == "--click-url" ? p.ExportSetting->ClickingUrl : p.ExportSetting->PlayEndUrl;
    if (!value(v) || v.find_first_not_of(" \t") == std::string::npos)
      return fail(a + " needs an address");
    if (std::string why = RefusedUrlReason(v); !why.empty()) return fail(a + ": " + why);
    url.Enabled = 1;
    url.URL = v;
    if (a == "--click-url" && url.Target.empty()) url.Target = "_blank";
  } else if (a == "--click-target" || a == "--end-target") {
    if (!value(v) || (v != "_self" && v != "_blank" && v != "_parent" && v != "_top"))
      return fail(a + " needs _self, _blank, _parent or _top");
    (a == "--click-target" ? p.ExportSetting->ClickingUrl : p.ExportSetting->PlayEndUrl).Target = v;
  } else if (a == "--html") {
    o.Html = true;
  } else if (a == "--ruffle-loader") {
    o.Html = true;
    o.Page.RuffleLoader = true;
  } else if (a.rfind("--ruffle-loader=", 0) == 0) {
    o.Html = true;
    o.Page.RuffleLoader = true;
    o.Page.RuffleLoaderUrl = a.substr(16);
  } else if (a == "--ruffle-local") {
    o.Html = true;
    o.Page.RuffleLoader = true;
    o.Page.LoaderBesidePage = true;
  } else if (a == "--projector") {
    o.Projector = true;
  } else {
    return TOptionResult::NotMine;
  }
  i = next;
  return TOptionResult::Taken;
}

void PrintPublishUsage(FILE* out) {
  std::fprintf(out,
               "  --template none|player:NAME|general:NAME\n"
               "                        a player template plays the video (see 'reelcast-cli\n"
               "                        templates player-template'); a general template (or a\n"
               "                        bare NAME) sets it between its opening and ending title\n"
               "                        movies; their texts:\n");
  PrintTitleOptionsUsage(out);
  std::fprintf(out,
               "  --background RRGGBB   background colour (default 000000)\n"
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
               "  --embed-mode MODE     player templates: link (default; the FLV travels\n"
               "                        beside the movie as OUT.flv) or embed\n"
               "  --auto-play, --no-auto-play  start playing at once (default) or wait\n"
               "  --auto-rewind         go back to the start at the end\n"
               "  --repeat              play again from the start at the end\n"
               "  --click-url URL       open URL on a click on the picture; --click-target T\n"
               "                        (_blank by default, _self, _parent, _top)\n"
               "  --end-url URL         open URL when playback ends; --end-target T\n"
               "  --html                also write the HTML page (OUT.html)\n"
               "  --ruffle-loader[=URL] add the player loader script to the page\n"
               "  --ruffle-local        the same, with the player's files put beside the page\n"
               "                        (folder ruffle/): the page needs no outside address\n"
               "  --projector           deliver OUT.exe (the player with the movie)\n");
}

bool ListPublishStyles(const char* command) {
  for (const std::string& s : ListPlayerTemplates()) std::printf("player\t%s\n", s.c_str());
  for (const std::string& s : ListControlBarStyles()) std::printf("control-bar\t%s\n", s.c_str());
  for (const std::string& s : ListPreloaderSprites()) std::printf("preloader-sprite\t%s\n", s.c_str());
  try {
    for (const TProgressBarStyle& s : LoadProgressBarStyles())
      std::printf("preloader-bar\t%s\n", s.NameID.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelcast-cli %s: %s\n", command, e.what());
    return false;
  }
  return true;
}

}  // namespace reelcast::cli
