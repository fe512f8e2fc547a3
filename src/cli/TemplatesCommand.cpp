// reelcast-cli templates: what the data folder offers to dress a published
// movie, one "kind<TAB>name" line each: player templates, general
// templates, control-bar styles, preloader bar styles, preloader sprites and
// title text effects. The names are what the flv2swf and convert options
// and the settings take.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Paths.h"
#include "cli/CliCommand.h"
#include "publish/TemplateLists.h"

namespace reelcast::cli {
namespace {

struct TKind {
  const char* Name;
  std::vector<std::string> TTemplateLists::*List;
};

const TKind kKinds[] = {
    {"player-template", &TTemplateLists::PlayerTemplates},
    {"general-template", &TTemplateLists::GeneralTemplates},
    {"control-bar", &TTemplateLists::ControlBarStyles},
    {"preloader-bar", &TTemplateLists::BarStyles},
    {"preloader-sprite", &TTemplateLists::PreloaderSprites},
    {"text-effect", &TTemplateLists::TextEffects},
};

void PrintUsage(FILE* out) {
  std::fprintf(out, "Usage: reelcast-cli templates [KIND]\n"
                    "Lists what the data folder offers, one \"KIND<TAB>NAME\" line each.\n"
                    "KIND is one of:");
  for (const TKind& k : kKinds) std::fprintf(out, " %s", k.Name);
  std::fprintf(out, "\n");
}

int RunTemplates(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage(stdout);
    return 0;
  }
  if (args.size() > 1) {
    PrintUsage(stderr);
    return 2;
  }
  const TKind* only = nullptr;
  if (!args.empty()) {
    for (const TKind& k : kKinds)
      if (args[0] == k.Name) only = &k;
    if (!only) {
      std::fprintf(stderr, "reelcast-cli templates: unknown kind '%s'\n", args[0].c_str());
      PrintUsage(stderr);
      return 2;
    }
  }
  StartApplication();
  struct TShutdown {
    ~TShutdown() { ShutdownApplication(); }
  } shutdown;
  const TTemplateLists lists = LoadTemplateLists();
  for (const TKind& k : kKinds)
    if (!only || only == &k)
      for (const std::string& name : lists.*k.List) std::printf("%s\t%s\n", k.Name, name.c_str());
  for (const std::string& problem : lists.Problems)
    std::fprintf(stderr, "reelcast-cli templates: %s\n", problem.c_str());
  return lists.Problems.empty() ? 0 : 1;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("templates", "list the templates, styles, preloaders and text effects installed",
                     reelcast::cli::RunTemplates);
