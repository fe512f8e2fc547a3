#include "support/RufflePlayer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "support/Json.h"
#include "support/TestEnv.h"
#include "swf/SWFTools.h"

namespace reelcast::test {

namespace {
fs::path HarnessDir() { return SourceDir() / "tests" / "e2e"; }

std::string ChromiumPath() {
  const char* v = std::getenv("REELCAST_CHROMIUM");
  return v && *v ? v : "/usr/bin/chromium";
}

std::vector<RuffleEvent> Events(const JsonValue& list) {
  std::vector<RuffleEvent> events;
  for (const auto& e : list.Items())
    events.push_back({e["url"].String(), static_cast<int>(e["at"].Number())});
  return events;
}

std::vector<std::string> Texts(const JsonValue& list) {
  std::vector<std::string> texts;
  for (const auto& e : list.Items()) texts.push_back(e.String());
  return texts;
}

// The driver in --serve mode, started at the first play of a test process
// and kept for the next ones: Chromium starts once per process, not once per
// movie. Requests go to its standard input (a socket, so that a driver that
// died gives an error, not SIGPIPE), answers come one line each from its
// standard output; its standard error is the test's.
class ServingDriver {
 public:
  ~ServingDriver() { Stop(std::chrono::seconds(30)); }

  // The driver's answer to one request line, or "" with why in failure.
  std::string Ask(const std::string& request, int timeoutSeconds, std::string& failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ <= 0 && !Start(failure)) return "";
    std::string line = request + "\n";
    for (size_t sent = 0; sent < line.size();) {
      ssize_t n = send(input_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failure = "the driver stopped taking requests";
        Stop(std::chrono::seconds(0));
        return "";
      }
      sent += static_cast<size_t>(n);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    std::string noise;
    for (;;) {
      size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string answer = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (!answer.empty() && answer[0] == '{') return answer;
        noise += answer + "\n";  // not an answer: node printing something of its own
        continue;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) {
        failure = "the driver gave no answer within " + std::to_string(timeoutSeconds) + " s" +
                  (noise.empty() ? "" : "; it printed: " + noise);
        Stop(std::chrono::seconds(0));
        return "";
      }
      pollfd p{output_, POLLIN, 0};
      int r = poll(&p, 1, static_cast<int>(left));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) continue;
      char chunk[65536];
      ssize_t n = read(output_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failure = "the driver ended without an answer" +
                  (noise.empty() ? std::string() : "; it printed: " + noise + buffer_);
        Stop(std::chrono::seconds(0));
        return "";
      }
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  bool Start(std::string& failure) {
    int in[2], out[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
      failure = "socketpair failed";
      return false;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      failure = "pipe failed";
      return false;
    }
    std::string driver = (HarnessDir() / "driver.mjs").string();
    pid_t pid = fork();
    if (pid < 0) {
      for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
      failure = "fork failed";
      return false;
    }
    if (pid == 0) {
      dup2(in[1], 0);
      dup2(out[1], 1);
      execlp("node", "node", driver.c_str(), "--serve", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[1]);
    close(out[1]);
    pid_ = pid;
    input_ = in[0];
    output_ = out[0];
    buffer_.clear();
    return true;
  }

  // Closes the driver's input, which ends it (and its browser) once it has
  // finished what it was doing; past the grace time it is killed.
  void Stop(std::chrono::seconds grace) {
    if (pid_ <= 0) return;
    close(input_);
    auto deadline = std::chrono::steady_clock::now() + grace;
    char chunk[4096];
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      pollfd p{output_, POLLIN, 0};
      int r = poll(&p, 1, static_cast<int>(left));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      ssize_t n = read(output_, chunk, sizeof chunk);
      if (n == 0 || (n < 0 && errno != EINTR)) break;  // the driver has ended
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    close(output_);
    pid_ = -1;
    input_ = output_ = -1;
  }

  std::mutex mutex_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffer_;
};

ServingDriver& Driver() {
  static ServingDriver driver;
  return driver;
}
}  // namespace

std::string RufflePlayer::MissingPieces() {
  std::string missing;
  if (!HaveProgram("node")) missing += "node is not installed; ";
  if (!fs::exists(ChromiumPath())) missing += ChromiumPath() + " is not installed; ";
  if (!fs::exists(HarnessDir() / "node_modules" / "@ruffle-rs" / "ruffle") ||
      !fs::exists(HarnessDir() / "node_modules" / "playwright-core"))
    missing += "the harness's packages are missing (run tests/e2e/setup.sh); ";
  return missing;
}

RuffleResult RufflePlayer::Play(const RuffleOptions& o) {
  RuffleResult result;
  std::string missing = MissingPieces();
  if (!missing.empty()) {
    result.Failure = missing;
    return result;
  }
  TempDir shots("reelcast-shots");
  std::vector<std::string> argv = {"--root", fs::absolute(o.Root).string()};
  if (!o.Swf.empty()) {
    argv.insert(argv.end(), {"--swf", o.Swf, "--scale", std::to_string(o.Scale)});
    if (!o.FlashVars.empty()) argv.insert(argv.end(), {"--flashvars", o.FlashVars});
  } else {
    argv.insert(argv.end(), {"--page", o.Page});
    if (o.PageLoadsRuffle) argv.push_back("--page-loads-ruffle");
    if (o.PageBare) argv.push_back("--page-bare");
  }
  if (o.ViewportWidth > 0 && o.ViewportHeight > 0)
    argv.insert(argv.end(), {"--viewport", std::to_string(o.ViewportWidth) + "x" +
                                               std::to_string(o.ViewportHeight)});
  if (o.SlowBytesPerSecond > 0) argv.insert(argv.end(), {"--slow", std::to_string(o.SlowBytesPerSecond)});
  argv.insert(argv.end(), {"--run", std::to_string(o.RunMs), "--timeout",
                           std::to_string(o.LoadTimeoutMs)});
  for (size_t i = 0; i < o.ShotsAt.size(); ++i)
    argv.insert(argv.end(), {"--shot", std::to_string(o.ShotsAt[i]) + ":" +
                                           (shots.Path() / ("shot" + std::to_string(i) + ".png")).string()});
  for (const auto& c : o.Clicks) {
    std::ostringstream click;
    click << c.AtMs << ":" << c.X << "," << c.Y;
    argv.insert(argv.end(), {"--click", click.str()});
  }
  // Movie time may pass slower than real time on a busy machine.
  int timeout = (4 * o.RunMs + o.LoadTimeoutMs) / 1000 + 120;
  std::string request = "[";
  for (size_t i = 0; i < argv.size(); ++i) request += (i ? "," : "") + JsonString(argv[i]);
  request += "]";
  std::string failure;
  result.Json = Driver().Ask(request, timeout, failure);
  if (result.Json.empty()) {
    result.Failure = failure;
    return result;
  }
  JsonValue json;
  try {
    json = JsonValue::Parse(result.Json);
  } catch (const std::exception& e) {
    result.Failure = std::string("the driver's answer is not JSON (") + e.what() + "): " + result.Json;
    return result;
  }
  result.Loaded = json["loaded"].Bool();
  result.Failure = json["failure"].String();
  const JsonValue& m = json["metadata"];
  result.Metadata.Width = static_cast<int>(m["width"].Number());
  result.Metadata.Height = static_cast<int>(m["height"].Number());
  result.Metadata.FrameRate = m["frameRate"].Number();
  result.Metadata.NumFrames = static_cast<int>(m["numFrames"].Number());
  result.Metadata.SwfVersion = static_cast<int>(m["swfVersion"].Number());
  result.Metadata.BackgroundColor = m["backgroundColor"].String();
  const JsonValue& stage = json["stage"];
  result.Stage = {stage["x"].Number(), stage["y"].Number(), stage["width"].Number(),
                  stage["height"].Number()};
  result.Errors = Texts(json["errors"]);
  result.Warnings = Texts(json["warnings"]);
  for (const auto& c : json["console"].Items())
    result.Console.push_back(
        {c["type"].String(), c["text"].String(), static_cast<int>(c["at"].Number())});
  for (const auto& t : json["traces"].Items())
    result.Traces.push_back({t["text"].String(), static_cast<int>(t["at"].Number())});
  result.Navigations = Events(json["navigations"]);
  result.Popups = Events(json["popups"]);
  result.Requests = Texts(json["requests"]);
  for (const auto& s : json["shots"].Items()) {
    RuffleShot shot;
    shot.AtMs = static_cast<int>(s["at"].Number());
    try {
      shot.Image = PngImage::Load(s["file"].String());
    } catch (const std::exception& e) {
      result.Errors.push_back(std::string("screenshot unreadable: ") + e.what());
      continue;
    }
    result.Shots.push_back(std::move(shot));
  }
  if (result.Shots.size() != o.ShotsAt.size() && result.Navigations.empty())
    result.Errors.push_back("only " + std::to_string(result.Shots.size()) + " of " +
                            std::to_string(o.ShotsAt.size()) + " screenshots were taken");
  result.Ok = json["ok"].Bool() && result.Failure.empty() && result.Errors.empty();
  return result;
}

std::string RuffleResult::Describe() const {
  std::ostringstream out;
  out << "Ruffle run: ok=" << Ok << " loaded=" << Loaded;
  if (!Failure.empty()) out << "\n  harness failure: " << Failure;
  out << "\n  stage " << Metadata.Width << "x" << Metadata.Height << " at " << Metadata.FrameRate
      << " fps, " << Metadata.NumFrames << " frames, version " << Metadata.SwfVersion
      << ", background " << Metadata.BackgroundColor;
  for (const auto& e : Errors) out << "\n  error: " << e;
  for (const auto& w : Warnings) out << "\n  warning: " << w;
  for (const auto& n : Navigations) out << "\n  navigation at " << n.AtMs << " ms: " << n.Url;
  for (const auto& p : Popups) out << "\n  window opened at " << p.AtMs << " ms: " << p.Url;
  for (const auto& r : Requests) out << "\n  request: " << r;
  for (const auto& t : Traces) out << "\n  trace @" << t.AtMs << ": " << t.Text;
  for (const auto& c : Console) out << "\n  console " << c.Type << " @" << c.AtMs << ": " << c.Text;
  return out.str();
}

bool RuffleResult::HasError(const std::string& text) const {
  for (const auto& e : Errors)
    if (e.find(text) != std::string::npos) return true;
  return false;
}

const RuffleTrace* RuffleResult::FindTrace(const std::string& text) const {
  for (const auto& t : Traces)
    if (t.Text == text) return &t;
  return nullptr;
}

}  // namespace reelcast::test
