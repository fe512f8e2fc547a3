#include "support/RufflePlayer.h"

#include <cstdlib>
#include <sstream>

#include "support/Json.h"
#include "support/TestEnv.h"

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
  std::vector<std::string> argv = {"node", (HarnessDir() / "driver.mjs").string(), "--root",
                                   fs::absolute(o.Root).string()};
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
  ProcessResult run = RunProcess(argv, timeout);
  // The JSON is the last line the driver prints; node may warn before it.
  std::string output = run.Output;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  size_t lineStart = output.rfind('\n');
  result.Json = lineStart == std::string::npos ? output : output.substr(lineStart + 1);
  JsonValue json;
  try {
    json = JsonValue::Parse(result.Json);
  } catch (const std::exception& e) {
    result.Failure = "the driver printed no result (exit " + std::to_string(run.ExitCode) +
                     "): " + run.Output;
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
