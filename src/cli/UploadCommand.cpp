// reelcast-cli upload: sends the files of a finished conversion to an FTP
// server, or removes the uploaded folder from it, through the same model as
// the upload dialog. The stored connection details are the defaults; what is
// given on the command line is stored for the next time, as the dialog does.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Application.h"
#include "cli/CliCommand.h"
#include "convert/JobRecord.h"
#include "publish/FtpUpload.h"

namespace reelcast::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPasswordVariable = "REELCAST_FTP_PASSWORD";

void PrintUsage() {
  std::printf(
      "Usage: reelcast-cli upload OUTPUTFILE [OPTIONS]   send a conversion's files\n"
      "       reelcast-cli upload --remove [OPTIONS]     delete the remote folder\n\n"
      "The files sent follow the output kind (from OUTPUTFILE's extension or --kind):\n"
      "  flv  the FLV file;  swf  the movie, its page with --html, its FLV with\n"
      "  --external-flv;  exe  the projector (base name + \".exe\"), its FLV with\n"
      "  --external-flv. A screen saver is not uploaded.\n\n"
      "Options (the stored settings are the defaults; given values are stored):\n"
      "  --host NAME        FTP server\n"
      "  --port NUMBER      port, 1 to 65535\n"
      "  --user NAME        user name\n"
      "  --password TEXT    password; or set %s, which keeps it out of\n"
      "                     the shell history\n"
      "  --dir FOLDER       remote folder, created when missing (one level)\n"
      "  --passive          passive data connections (behind NAT); active otherwise\n"
      "  --kind flv|swf|exe the output kind, when the extension does not tell\n"
      "  --html             an SWF's HTML page goes up with it\n"
      "  --external-flv     the movie plays the FLV beside it (player template)\n"
      "  --remove           delete the remote folder with everything in it\n"
      "  --yes              answer Yes to the removal question\n\n"
      "Ctrl+C cancels: the running transfer is cut and no file is left half-written\n"
      "under its name.\n",
      kPasswordVariable);
}

struct TOptions {
  std::string OutputFile;
  std::optional<std::string> Host, Port, User, Password, Dir, Kind;
  bool Passive = false, Html = false, ExternalFlv = false, Remove = false, Yes = false;
};

// Parses the words; returns an error text, empty when they are fine.
std::string Parse(const std::vector<std::string>& args, TOptions& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string word = args[i];
    std::optional<std::string> inlineValue;
    if (word.rfind("--", 0) == 0) {
      size_t eq = word.find('=');
      if (eq != std::string::npos) {
        inlineValue = word.substr(eq + 1);
        word = word.substr(0, eq);
      }
    }
    auto value = [&](std::optional<std::string>& into) -> std::string {
      if (inlineValue) {
        into = *inlineValue;
      } else if (i + 1 < args.size()) {
        into = args[++i];
      } else {
        return word + " needs a value";
      }
      return "";
    };
    auto flag = [&](bool& into) -> std::string {
      if (inlineValue) return word + " takes no value";
      into = true;
      return "";
    };
    std::string error;
    if (word == "--host") error = value(o.Host);
    else if (word == "--port") error = value(o.Port);
    else if (word == "--user") error = value(o.User);
    else if (word == "--password") error = value(o.Password);
    else if (word == "--dir") error = value(o.Dir);
    else if (word == "--kind") error = value(o.Kind);
    else if (word == "--passive") error = flag(o.Passive);
    else if (word == "--html") error = flag(o.Html);
    else if (word == "--external-flv") error = flag(o.ExternalFlv);
    else if (word == "--remove") error = flag(o.Remove);
    else if (word == "--yes" || word == "-y") error = flag(o.Yes);
    else if (word.rfind("-", 0) == 0 && word != "-") error = "unknown option " + word;
    else if (o.OutputFile.empty()) o.OutputFile = word;
    else error = "only one OUTPUTFILE may be given";
    if (!error.empty()) return error;
  }
  if (o.Port && (o.Port->empty() || o.Port->find_first_not_of("0123456789") != std::string::npos ||
                 FtpPortNumber(*o.Port) != std::atoi(o.Port->c_str())))
    return "--port takes a number from 1 to 65535; got '" + *o.Port + "'";
  if (o.OutputFile.empty() && !o.Remove) return "OUTPUTFILE is missing";
  return "";
}

// The output kind from --kind or the file's extension; -1 when unknown.
int32_t OutputKind(const TOptions& o) {
  std::string kind = o.Kind.value_or("");
  if (kind.empty()) {
    kind = fs::path(o.OutputFile).extension().string();
    if (!kind.empty()) kind.erase(0, 1);
  }
  for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (kind == "flv") return kOutputFlv;
  if (kind == "swf") return kOutputSwf;
  if (kind == "exe") return kOutputProjector;
  if (kind == "scr") return kOutputScreenSaver;
  return -1;
}

std::string Megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

// Runs the operation on a worker thread; Ctrl+C on this one cancels it.
TFtpUploadResult RunCancellable(TFtpUpload& upload, bool remove) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &signals, &previous);
  std::atomic<bool> done{false};
  TFtpUploadResult result = TFtpUploadResult::Failed;
  std::thread worker([&] {
    result = remove ? upload.Remove() : upload.Upload();
    done = true;
  });
  timespec tick{0, 100'000'000};
  while (!done) {
    if (sigtimedwait(&signals, nullptr, &tick) > 0 && !done) {
      std::fprintf(stderr, "\nCancelling...\n");
      upload.Cancel();
    }
  }
  worker.join();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return result;
}

int RunUpload(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage();
    return 0;
  }
  TOptions o;
  if (std::string error = Parse(args, o); !error.empty()) {
    std::fprintf(stderr, "reelcast-cli upload: %s (see 'reelcast-cli upload --help')\n",
                 error.c_str());
    return 2;
  }
  TSWFParam param;
  TExportSetting exportSetting;
  if (!o.OutputFile.empty()) {
    param.OutputKind = OutputKind(o);
    if (param.OutputKind < 0 && !o.Remove) {
      std::fprintf(stderr, "reelcast-cli upload: cannot tell the output kind of '%s'; use "
                   "--kind flv|swf|exe\n", o.OutputFile.c_str());
      return 2;
    }
    if (param.OutputKind == kOutputScreenSaver && !o.Remove) {
      std::fprintf(stderr, "reelcast-cli upload: a screen saver is not uploaded\n");
      return 2;
    }
    param.OutputFile = fs::absolute(o.OutputFile).lexically_normal().string();
    param.PublishHtml = o.Html;
    param.Template.Kind = o.ExternalFlv ? 2 : 0;
    exportSetting.EmbedType = etSeperaterFLV;
    param.ExportSetting = &exportSetting;
  }
  std::string localFolder =
      param.OutputFile.empty() ? fs::current_path().string()
                               : fs::path(param.OutputFile).parent_path().string();

  StartApplication();
  TFtpUpload upload(localFolder + "/", param);
  upload.LoadSettings();
  TFtpSettings& s = upload.Settings;
  if (o.Host) s.Host = *o.Host;
  if (o.Port) s.Port = *o.Port;
  if (o.User) s.User = *o.User;
  if (o.Password) {
    s.Password = *o.Password;
  } else if (const char* fromEnvironment = std::getenv(kPasswordVariable)) {
    s.Password = fromEnvironment;
  }
  if (o.Dir) s.Dir = *o.Dir;
  // The dialog's boxes start as "21" and "/" before the stored values fill them.
  if (s.Port.empty()) s.Port = "21";
  if (s.Dir.empty()) s.Dir = "/";
  s.Passive = o.Passive;
  if (s.Host.empty()) {
    std::fprintf(stderr, "reelcast-cli upload: no FTP server given (--host) and none stored\n");
    ShutdownApplication();
    return 2;
  }

  if (!o.Remove) {
    for (const auto& file : upload.Files())
      if (!fs::is_regular_file(file)) {
        std::fprintf(stderr, "reelcast-cli upload: %s is missing\n", file.c_str());
        ShutdownApplication();
        return 1;
      }
  }

  bool terminal = isatty(STDOUT_FILENO);
  int position = 0, maximum = 1;
  upload.Events.Progress = [&](int p, int m) {
    position = p;
    maximum = m;
  };
  upload.Events.Status = [&](const std::string& text) {
    std::printf("%s(%d/%d) %s\n", terminal ? "\r\033[K" : "", position, maximum, text.c_str());
    std::fflush(stdout);
  };
  upload.Events.Transfer = [&](uint64_t sent, uint64_t total) {
    if (!terminal || total == 0) return;
    int width = 30;
    int filled = static_cast<int>(sent * width / total);
    std::printf("\r[%s%s] %3d%% %s / %s", std::string(filled, '#').c_str(),
                std::string(width - filled, '-').c_str(), static_cast<int>(sent * 100 / total),
                Megabytes(sent).c_str(), Megabytes(total).c_str());
    std::fflush(stdout);
  };
  upload.Events.Message = [&](TFtpMessageKind kind, const std::string& text) {
    std::fprintf(stderr, "%s%s: %s\n", terminal ? "\r\033[K" : "",
                 kind == TFtpMessageKind::Information ? "Information" : "Error", text.c_str());
  };
  upload.Events.Ask = [&](const std::string& question) {
    if (question != "Are you sure to remove the files from server?") return true;  // Ctrl+C
    if (o.Yes) return true;
    std::printf("%s [y/N] ", question.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::printf("\n");
      return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
  };

  TFtpUploadResult result = RunCancellable(upload, o.Remove);
  if (terminal) std::printf("\r\033[K");
  int rc = 1;
  switch (result) {
    case TFtpUploadResult::Done:
      if (o.Remove)
        std::printf("Removed %s from %s\n", s.Dir.c_str(), s.Host.c_str());
      else
        std::printf("Uploaded %zu file(s) to %s%s%s\n", upload.Files().size(), s.Host.c_str(),
                    s.Dir.rfind("/", 0) == 0 ? "" : ":", s.Dir.c_str());
      rc = 0;
      break;
    case TFtpUploadResult::Failed:
      rc = 1;
      break;
    case TFtpUploadResult::Cancelled:
      std::fprintf(stderr, "Cancelled.\n");
      rc = 130;
      break;
    case TFtpUploadResult::Declined:
      std::fprintf(stderr, "Nothing removed (answer y, or pass --yes).\n");
      rc = 1;
      break;
  }
  ShutdownApplication();
  return rc;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("upload", "send a conversion's files to an FTP server, or --remove them",
                     reelcast::cli::RunUpload);
