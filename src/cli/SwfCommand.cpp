// reelcast-cli swf: lists and rewrites SWF files.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "swf/SWFTools.h"

namespace {

using namespace reelcast;

const char kUsage[] =
    "Usage: reelcast-cli swf dump FILE [--json] [--actions]\n"
    "       reelcast-cli swf rewrite IN OUT [--objects] [--actions] [--renumber FIRSTID]\n"
    "                                [--compress|--uncompress]\n\n"
    "dump     lists the header and one line per tag (code, class, frame, position,\n"
    "         length, long header; raw tags with their error text); --actions lists\n"
    "         the actions of DoAction, DoInitAction, buttons and clip events;\n"
    "         --json prints JSON.\n"
    "rewrite  loads IN and saves it as OUT. Without --objects the tags are copied\n"
    "         byte for byte; --objects rebuilds every tag from its object, --actions\n"
    "         also parses action byte code, --renumber gives the characters new ids\n"
    "         from FIRSTID on (both imply --objects).\n";

int Usage(const std::string& error) {
  if (!error.empty()) std::fprintf(stderr, "reelcast-cli swf: %s\n\n", error.c_str());
  std::fputs(kUsage, error.empty() ? stdout : stderr);
  return error.empty() ? 0 : 2;
}

int Dump(const std::vector<std::string>& args) {
  std::string file;
  bool json = false;
  TSWFDumpOptions options;
  for (const auto& a : args) {
    if (a == "--json") json = true;
    else if (a == "--actions") options.Actions = true;
    else if (!a.empty() && a[0] == '-') return Usage("unknown option " + a);
    else if (file.empty()) file = a;
    else return Usage("dump takes one file");
  }
  if (file.empty()) return Usage("dump needs a file");
  TSWFDump dump = DumpSWFFile(file, options);
  std::string text = json ? FormatDumpJson(dump) : FormatDumpText(dump);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return dump.IsSWF ? 0 : 1;
}

int Rewrite(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  TSWFRewriteOptions options;
  using TCompression = TSWFRewriteOptions::TCompression;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--objects") {
      options.Objects = true;
    } else if (a == "--actions") {
      options.Actions = true;
    } else if (a == "--compress") {
      options.Compression = TCompression::Compress;
    } else if (a == "--uncompress") {
      options.Compression = TCompression::Uncompress;
    } else if (a == "--renumber") {
      if (i + 1 >= args.size()) return Usage("--renumber needs the first id");
      char* end = nullptr;
      long id = std::strtol(args[++i].c_str(), &end, 10);
      if (!end || *end || id < 1 || id > 65535)
        return Usage("--renumber needs an id from 1 to 65535, not " + args[i]);
      options.RenumberFrom = static_cast<int>(id);
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return Usage("rewrite needs IN and OUT");
  TSWFRewriteResult result = RewriteSWFFile(files[0], files[1], options);
  std::printf("%s: %zu tags, %u bytes%s\n", files[1].c_str(), result.TagCount, result.FileLength,
              result.Compressed ? ", compressed" : "");
  if (result.RawTags > 0)
    std::printf("%zu tags could not be read and were copied as bytes\n", result.RawTags);
  if (result.NextId >= 0) std::printf("next free character id: %d\n", result.NextId);
  for (const auto& problem : result.Problems) std::printf("problem: %s\n", problem.c_str());
  return 0;
}

int RunSwf(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("a subcommand is needed");
  const std::string& sub = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (sub == "--help" || sub == "-h" || sub == "help") return Usage("");
  if (sub == "dump") return Dump(rest);
  if (sub == "rewrite") return Rewrite(rest);
  return Usage("unknown subcommand " + sub);
}

}  // namespace

REELCAST_CLI_COMMAND("swf", "list (dump) or rewrite SWF files", RunSwf);
