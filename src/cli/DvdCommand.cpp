// reelcast-cli dvd: lists the titles and chapters of a DVD video folder as
// the source list shows them, and writes the picture of a title at a time.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Paths.h"
#include "cli/CliCommand.h"
#include "cli/HeldMessages.h"
#include "cli/ReplaceQuestion.h"
#include "platform/EncoderManager.h"
#include "platform/TitleFrameReader.h"
#include "sources/Snapshot.h"
#include "sources/TaskList.h"
#include "swf/SWFTools.h"

namespace reelcast::cli {
namespace {

namespace fs = std::filesystem;

const char* kUsage =
    "Usage: reelcast-cli dvd info FOLDER [--json]\n"
    "       reelcast-cli dvd frame FOLDER --title N [--chapter M] --at SECONDS -o FILE|FOLDER/\n"
    "                              [--subtitle K|none] [--format bmp|jpg] [-y]\n"
    "  info   the titles and chapters as the source list shows them\n"
    "  frame  the picture of title N (chapter M) at SECONDS of its own time, as a\n"
    "         BMP or JPEG file; a folder gets the next free snapshot name; an existing\n"
    "         FILE is replaced after a Yes on the terminal, or with -y\n";

std::string Clock(double seconds) {
  long s = std::lround(seconds);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return buffer;
}

std::string JsonList(const std::shared_ptr<TStringList>& list) {
  std::string out = "[";
  if (list)
    for (size_t i = 0; i < list->size(); ++i) out += (i ? ", " : "") + JsonString((*list)[i]);
  return out + "]";
}

std::string Number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", v);
  return buffer;
}

// The subtitle stream burnt in, or null when none is (the index then points
// past the streams, at the list's "no subtitle" item, or is -1).
std::string SubtitleJson(const TTask& t) {
  const int count = t.Base.Subtitles ? static_cast<int>(t.Base.Subtitles->size()) : 0;
  return t.SubtitleIndex >= 0 && t.SubtitleIndex < count ? std::to_string(t.SubtitleIndex) : "null";
}

// Settings, folders and the encoder manager for the life of one command.
struct TSession {
  TSession() {
    InitFolders();
    InitGlobalConfig();
    EncMgrInit();
  }
  ~TSession() {
    EncMgrUninit();
    ShutdownGlobalConfig();
  }
};

TTaskList::THost CliHost() {
  TTaskList::THost host;
  host.ShowMessage = [](const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  };
  return host;
}

int Info(const std::string& folder, bool json) {
  TTaskList list(CliHost());
  if (!list.LoadDvdFolder(folder) || list.Titles().empty()) return 1;
  if (json) {
    std::printf("{\"folder\": %s, \"titles\": [",
                JsonString(list.Root()->Task.Base.SourcePath).c_str());
  } else {
    std::printf("%s\n%-16s %-16s %-20s %-8s %s\n", list.Root()->Task.Base.Name.c_str(), "Source",
                "Original Length", "Destination File", "Checked", "Picture");
  }
  bool firstTitle = true;
  for (TTaskRow* title : list.Titles()) {
    const TTask& t = title->Task;
    int w = 0, h = 0;
    const bool picture = TTaskList::PictureSize(t.Base.SourcePath, &w, &h);
    const std::string& unusable = t.Base.VobProblem;
    if (json) {
      std::printf("%s\n  {\"name\": %s, \"originalLength\": %.0f, \"length\": %s, \"beginTime\": %s, "
                  "\"destination\": %s, \"checked\": %s, \"audioTracks\": %s, \"audioTrack\": %d, "
                  "\"subtitles\": %s, \"subtitle\": %s, \"width\": %d, \"height\": %d, "
                  "\"source\": %s, \"unusable\": %s, \"chapters\": [",
                  firstTitle ? "" : ",", JsonString(t.Base.Name).c_str(), t.Base.RoundedLength,
                  Number(t.Base.Length).c_str(), Number(t.Base.BeginTime).c_str(),
                  JsonString(t.Base.DestinationName).c_str(), t.Checked ? "true" : "false",
                  JsonList(t.Base.AudioTracks).c_str(), t.AudioTrackIndex,
                  JsonList(t.Base.Subtitles).c_str(), SubtitleJson(t).c_str(), w, h,
                  JsonString(t.Base.SourcePath).c_str(),
                  unusable.empty() ? "null" : JsonString(unusable).c_str());
      bool firstChapter = true;
      for (auto& chapter : title->Children) {
        const TTask& c = chapter->Task;
        std::printf("%s\n    {\"name\": %s, \"originalLength\": %.0f, \"length\": %s, "
                    "\"beginTime\": %s, \"destination\": %s, \"checked\": %s}",
                    firstChapter ? "" : ",", JsonString(c.Base.Name).c_str(), c.Base.RoundedLength,
                    Number(c.Base.Length).c_str(), Number(c.Base.BeginTime).c_str(),
                    JsonString(c.Base.DestinationName).c_str(), c.Checked ? "true" : "false");
        firstChapter = false;
      }
      std::printf("]}");
    } else {
      std::printf("%-16s %-16s %-20s %-8s %s\n", t.Base.Name.c_str(),
                  Clock(t.Base.RoundedLength).c_str(), t.Base.DestinationName.c_str(),
                  t.Checked ? "yes" : "no",
                  picture ? (std::to_string(w) + "x" + std::to_string(h)).c_str() : "-");
      if (!unusable.empty()) std::printf("    cannot be used: %s\n", unusable.c_str());
      for (size_t a = 0; t.Base.AudioTracks && a < t.Base.AudioTracks->size(); ++a)
        std::printf("    audio %zu: %s\n", a + 1, (*t.Base.AudioTracks)[a].c_str());
      for (size_t s = 0; t.Base.Subtitles && s < t.Base.Subtitles->size(); ++s)
        std::printf("    subtitle %zu: %s\n", s + 1, (*t.Base.Subtitles)[s].c_str());
      for (auto& chapter : title->Children) {
        const TTask& c = chapter->Task;
        std::printf("  %-14s %-16s %-20s %-8s\n", c.Base.Name.c_str(),
                    Clock(c.Base.RoundedLength).c_str(), c.Base.DestinationName.c_str(),
                    c.Checked ? "yes" : "no");
      }
    }
    firstTitle = false;
  }
  if (json) std::printf("\n]}\n");
  return 0;
}

bool ParseInt(const std::string& text, int* value) {
  try {
    size_t used = 0;
    *value = std::stoi(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

bool HasSuffixNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i])
      return false;
  return true;
}

int Frame(const std::string& folder, const std::vector<std::string>& args) {
  int titleNumber = 0, chapterNumber = 0;
  double at = -1;
  std::string output, format, subtitle, atText;
  bool yes = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--title" && hasValue && ParseInt(args[i + 1], &titleNumber)) {
      ++i;
    } else if (a == "--chapter" && hasValue && ParseInt(args[i + 1], &chapterNumber)) {
      ++i;
    } else if (a == "--at" && hasValue) {
      atText = args[++i];
      char* end = nullptr;
      at = std::strtod(atText.c_str(), &end);
      if (atText.empty() || !end || *end || !std::isfinite(at)) {
        std::fprintf(stderr, "reelcast-cli dvd frame: --at takes a time in seconds; got '%s'\n",
                     atText.c_str());
        return 2;
      }
      if (at < 0) {
        std::fprintf(stderr, "reelcast-cli dvd frame: --at %s is a negative time; it takes seconds "
                     "from 0 on\n", atText.c_str());
        return 2;
      }
    } else if (a == "-o" && hasValue) {
      output = args[++i];
    } else if (a == "--format" && hasValue) {
      format = args[++i];
    } else if (a == "--subtitle" && hasValue) {
      subtitle = args[++i];
    } else if (a == "-y" || a == "--yes") {
      yes = true;
    } else {
      std::fprintf(stderr, "reelcast-cli dvd frame: unexpected '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (titleNumber < 1 || at < 0 || output.empty() ||
      (!format.empty() && format != "bmp" && format != "jpg")) {
    std::fprintf(stderr, "reelcast-cli dvd frame: --title N, --at SECONDS and -o are needed\n%s",
                 kUsage);
    return 2;
  }

  THeldMessages loadMessages(CliHost().ShowMessage);
  TTaskList list(loadMessages.Host());
  if (!list.LoadDvdFolder(folder)) {
    loadMessages.Show();
    return 1;
  }
  auto titles = list.Titles();
  // A damaged title asked for is refused in one line that names the file.
  if (titleNumber <= static_cast<int>(titles.size()) && !titles[titleNumber - 1]->Task.Base.VobProblem.empty())
    loadMessages.Drop();
  loadMessages.Show();
  if (titleNumber > static_cast<int>(titles.size())) {
    std::fprintf(stderr, "reelcast-cli dvd frame: the DVD has %zu titles, not %d\n", titles.size(),
                 titleNumber);
    return 1;
  }
  TTaskRow* row = titles[titleNumber - 1];
  if (chapterNumber > 0) {
    if (chapterNumber > static_cast<int>(row->Children.size())) {
      std::fprintf(stderr, "reelcast-cli dvd frame: %s has %zu chapters, not %d\n",
                   row->Task.Base.Name.c_str(), row->Children.size(), chapterNumber);
      return 1;
    }
    row = row->Children[chapterNumber - 1].get();
  }
  list.Select(row);
  if (!subtitle.empty()) {
    int k = 0;
    TTaskRow* title = row->Parent && row->Parent->Parent ? row->Parent : row;
    int count = title->Task.Base.Subtitles ? static_cast<int>(title->Task.Base.Subtitles->size()) : 0;
    if (subtitle == "none") {
      list.ChooseSubtitle(row, count);  // the "No_SubTitle" item
    } else if (ParseInt(subtitle, &k) && k >= 1 && k <= count) {
      list.ChooseSubtitle(row, k - 1);
    } else {
      std::fprintf(stderr, "reelcast-cli dvd frame: %s has no subtitle '%s'\n",
                   title->Task.Base.Name.c_str(), subtitle.c_str());
      return 1;
    }
  }
  const TTask& task = row->Task;
  if (!task.Base.VobProblem.empty()) {
    std::fprintf(stderr, "reelcast-cli dvd frame: --title %d: %s\n", titleNumber,
                 UnusableTitlesText({titles[titleNumber - 1]->Task.Base.Name}, task.Base.VobProblem).c_str());
    return 1;
  }
  if (at >= task.Base.Length) {
    std::fprintf(stderr, "reelcast-cli dvd frame: --at %g is past the end of %s (%.3f s)\n", at,
                 task.Base.Name.c_str(), task.Base.Length);
    return 1;
  }

  std::string path = output;
  bool jpeg;
  std::error_code ec;
  if (output.back() == '/' || fs::is_directory(output, ec)) {
    if (format.empty()) {
      int32_t id = 0;
      jpeg = NVGetConfigInt("System.PhotoFormatID", &id) && id > 0;
    } else {
      jpeg = format == "jpg";
    }
    fs::create_directory(output, ec);  // one level, as the snapshot button does
    path = SnapshotPath(output, task.Base.DestinationName, jpeg);
  } else if (HasSuffixNoCase(output, ".jpg") || HasSuffixNoCase(output, ".jpeg")) {
    jpeg = true;
  } else if (HasSuffixNoCase(output, ".bmp")) {
    jpeg = false;
  } else {
    std::fprintf(stderr, "reelcast-cli dvd frame: -o must end in .bmp, .jpg or '/'\n");
    return 2;
  }
  if (!MayReplace("dvd frame", path, yes)) return 1;
  TRgbImage image = ReadFrameAt(task.Base.SourcePath, task.Base.BeginTime + at, task.SubtitleIndex);
  WriteSnapshot(image, path, jpeg);
  std::printf("%s\n", path.c_str());
  return 0;
}

int RunDvd(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fprintf(args.empty() ? stderr : stdout, "%s", kUsage);
    return args.empty() ? 2 : 0;
  }
  if (args.size() < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  TSession session;
  const std::string& folder = args[1];
  if (args[0] == "info") {
    bool json = false;
    for (size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--json") {
        json = true;
      } else {
        std::fprintf(stderr, "reelcast-cli dvd info: unexpected '%s'\n%s", args[i].c_str(), kUsage);
        return 2;
      }
    }
    return Info(folder, json);
  }
  if (args[0] == "frame") return Frame(folder, std::vector<std::string>(args.begin() + 2, args.end()));
  std::fprintf(stderr, "reelcast-cli dvd: unknown action '%s'\n%s", args[0].c_str(), kUsage);
  return 2;
}

}  // namespace

REELCAST_CLI_COMMAND("dvd", "list the titles of a DVD folder, write the picture at a time", RunDvd);

}  // namespace reelcast::cli
