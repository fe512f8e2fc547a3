// The settings store, the product data files and the log.
//
// The settings files are in the format of SettingsFile.h. A line that does
// not parse is skipped; the damaged file is kept aside and rewritten with
// what could be read.
#include "app/Config.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/Paths.h"
#include "app/SettingsFile.h"
#include "app/TextConvert.h"

namespace reelcast {

namespace {

namespace fs = std::filesystem;
using namespace settingsfile;

struct TParseResult {
  bool Exists = false;
  size_t Damaged = 0;  // lines skipped
};

TParseResult ParseFile(const std::string& path, TValueMap& into) {
  TParseResult result;
  std::ifstream in(path, std::ios::binary);
  if (!in) return result;
  result.Exists = true;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  result.Damaged = ParseText(bytes.str(), into);
  return result;
}

// Writes bytes to path through a temporary file and a rename, mode 0600.
// Returns an empty string or the reason of the failure.
std::string WriteAtomically(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".tmp-" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return "cannot create '" + temp + "': " + std::strerror(errno);
  fchmod(fd, 0600);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string why = std::strerror(errno);
      close(fd);
      unlink(temp.c_str());
      return "cannot write '" + temp + "': " + why;
    }
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    std::string why = std::strerror(errno);
    unlink(temp.c_str());
    return "cannot write '" + temp + "': " + why;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    std::string why = std::strerror(errno);
    unlink(temp.c_str());
    return "cannot replace '" + path + "': " + why;
  }
  return {};
}

std::string TimeStampForFile() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &tm);
  return buffer;
}

// The one settings store of the process.
class TSettingsStore {
 public:
  void EnsureOpen() {
    if (open_) return;
    open_ = true;
    user_.clear();
    defaults_.clear();
    lastError_.clear();
    folder_ = UserFolder();
    path_ = folder_ + "Settings.conf";
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec && !fs::is_directory(folder_)) {
      Fail("cannot create the user folder '" + folder_ + "': " + ec.message());
    } else if (access(folder_.c_str(), W_OK | X_OK) != 0) {
      Fail("the user folder '" + folder_ + "' is not writable: " + std::strerror(errno));
    }
    std::string defaultsPath = ConfigDefaultsPath();
    TParseResult d = ParseFile(defaultsPath, defaults_);
    if (d.Damaged)
      NVLog("Settings: " + std::to_string(d.Damaged) + " unreadable line(s) in the installed "
            "defaults '" + defaultsPath + "' were skipped");
    TParseResult u = ParseFile(path_, user_);
    if (u.Damaged) KeepDamagedAside(u.Damaged, user_);
  }

  void Close() {
    if (!pending_.empty() && open_) {
      TValueMap changes;
      changes.swap(pending_);
      Write(changes);
    }
    batchDepth_ = 0;
    open_ = false;
    user_.clear();
    defaults_.clear();
  }

  const TValue* Find(std::string_view key) {
    EnsureOpen();
    if (auto it = user_.find(key); it != user_.end()) return &it->second;
    if (auto it = defaults_.find(key); it != defaults_.end()) return &it->second;
    return nullptr;
  }

  void Set(TValue value) {
    EnsureOpen();
    FillWide(value);
    user_.erase(value.Key);
    user_.insert_or_assign(value.Key, value);
    TValueMap change;
    change.insert_or_assign(value.Key, std::move(value));
    if (batchDepth_ > 0) {
      pending_.erase(change.begin()->first);
      pending_.merge(change);
      return;
    }
    Write(change);
  }

  void BeginBatch() { ++batchDepth_; }
  void EndBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0 || pending_.empty()) return;
    TValueMap changes;
    changes.swap(pending_);
    Write(changes);
  }

  std::string Path() {
    EnsureOpen();
    return path_;
  }
  std::string LastError() {
    EnsureOpen();
    return lastError_;
  }

 private:
  void Fail(const std::string& message) {
    lastError_ = message;
    NVLog("Settings: " + message);
  }

  static bool SameValue(const TValue& a, const TValue& b) {
    if (a.Key != b.Key || a.Kind != b.Kind) return false;  // the spelling of the last write is kept too
    switch (a.Kind) {
      case TValueKind::Int: return a.Int == b.Int;
      case TValueKind::Float: return a.Float == b.Float;
      case TValueKind::Text: return a.Text == b.Text;
    }
    return false;
  }

  // Takes the other processes' latest writes, changes these keys and writes
  // the whole file back; a lock file keeps two writers from racing. A file
  // that holds these values already is left alone: rewriting it would only
  // cost a flush to disk.
  void Write(const TValueMap& changes) {
    std::string lockPath = path_ + ".lock";
    int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0) flock(lock, LOCK_EX);
    TValueMap onDisk;
    TParseResult parsed = ParseFile(path_, onDisk);
    bool changed = !parsed.Exists;
    if (!parsed.Exists) {
      onDisk = user_;
    } else if (parsed.Damaged) {
      // Damaged by hand while the program ran: keep its readable lines, and
      // the file itself aside.
      KeepDamagedAside(parsed.Damaged, onDisk);
    }
    for (const auto& [key, value] : changes) {
      auto it = onDisk.find(key);
      if (it != onDisk.end() && SameValue(it->second, value)) continue;
      changed = true;
      if (it != onDisk.end()) onDisk.erase(it);
      onDisk.insert_or_assign(key, value);
    }
    std::string error = changed ? WriteAtomically(path_, Serialise(onDisk)) : std::string();
    if (lock >= 0) {
      flock(lock, LOCK_UN);
      close(lock);
    }
    if (!error.empty()) {
      Fail("settings not saved: " + error);
    } else {
      lastError_.clear();
    }
  }

  // Renames the damaged file to a name of its own and writes readable in its
  // place.
  void KeepDamagedAside(size_t damaged, const TValueMap& readable) {
    std::string aside = path_ + ".damaged-" + TimeStampForFile();
    std::error_code ec;
    for (int n = 2; fs::exists(aside, ec); ++n)
      aside = path_ + ".damaged-" + TimeStampForFile() + "-" + std::to_string(n);
    std::string message = "Settings: " + std::to_string(damaged) +
                          " unreadable line(s) in '" + path_ + "' were skipped; ";
    if (rename(path_.c_str(), aside.c_str()) == 0) {
      std::string error = WriteAtomically(path_, Serialise(readable));
      message += "the damaged file is kept as '" + aside + "'";
      if (!error.empty()) message += "; " + error;
    } else {
      message += std::string("the damaged file could not be kept aside: ") + std::strerror(errno);
    }
    NVLog(message);
  }

  bool open_ = false;
  std::string folder_;
  std::string path_;
  std::string lastError_;
  TValueMap user_;
  TValueMap defaults_;
  int batchDepth_ = 0;
  TValueMap pending_;  // changes held back by a batch
};

std::recursive_mutex& StoreMutex() {
  static std::recursive_mutex m;
  return m;
}

TSettingsStore& Store() {
  static TSettingsStore store;
  return store;
}

size_t CopyOut(const std::u16string& value, char16_t* buffer, size_t bufferBytes) {
  if (!buffer || bufferBytes < sizeof(char16_t)) return 0;
  size_t capacity = bufferBytes / sizeof(char16_t) - 1;
  size_t n = value.size() < capacity ? value.size() : capacity;
  std::memcpy(buffer, value.data(), n * sizeof(char16_t));
  buffer[n] = u'\0';
  return n;
}

}  // namespace

// ---- settings store ------------------------------------------------------

void InitGlobalConfig(void*, void*, void*, void*) {
  std::lock_guard lock(StoreMutex());
  Store().EnsureOpen();
}

void ShutdownGlobalConfig() {
  std::lock_guard lock(StoreMutex());
  // Every change is on disk already; closing forgets the cached values.
  Store().Close();
}

bool NVGetConfigInt(std::string_view key, int32_t* value) {
  std::lock_guard lock(StoreMutex());
  const TValue* v = Store().Find(key);
  if (!v || !value) return false;
  switch (v->Kind) {
    case TValueKind::Int: *value = v->Int; return true;
    case TValueKind::Float: {
      double whole = std::trunc(v->Float);
      if (whole < INT32_MIN || whole > INT32_MAX) return false;
      *value = static_cast<int32_t>(whole);
      return true;
    }
    case TValueKind::Text: {
      int64_t n = 0;
      const std::string& t = v->Text;
      auto r = std::from_chars(t.data(), t.data() + t.size(), n);
      if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || n < INT32_MIN ||
          n > INT32_MAX)
        return false;
      *value = static_cast<int32_t>(n);
      return true;
    }
  }
  return false;
}

const char16_t* NVGetConfigStrPtr(std::string_view key) {
  std::lock_guard lock(StoreMutex());
  const TValue* v = Store().Find(key);
  return v ? v->Wide.c_str() : nullptr;
}

bool NVGetConfigStrEx(std::string_view key, char16_t* buffer, size_t bufferBytes) {
  std::lock_guard lock(StoreMutex());
  const TValue* v = Store().Find(key);
  if (!v) return false;
  CopyOut(v->Wide, buffer, bufferBytes);
  return true;
}

void NVSetConfigInt(std::string_view key, int32_t value) {
  if (!ValidKey(key)) return;
  TValue v;
  v.Key = std::string(key);
  v.Kind = TValueKind::Int;
  v.Int = value;
  std::lock_guard lock(StoreMutex());
  Store().Set(std::move(v));
}

void NVSetConfigStr(std::string_view key, std::u16string_view value) {
  if (!ValidKey(key)) return;
  TValue v;
  v.Key = std::string(key);
  v.Kind = TValueKind::Text;
  v.Text = Utf16ToUtf8(value);
  // A zero character ends the text at the interface; keep what precedes it.
  if (size_t nul = v.Text.find('\0'); nul != std::string::npos) v.Text.resize(nul);
  std::lock_guard lock(StoreMutex());
  Store().Set(std::move(v));
}

void NVSetConfigDbl(std::string_view key, double value) {
  if (!ValidKey(key) || !std::isfinite(value)) return;
  TValue v;
  v.Key = std::string(key);
  v.Kind = TValueKind::Float;
  v.Float = value;
  std::lock_guard lock(StoreMutex());
  Store().Set(std::move(v));
}

TSettingsBatch::TSettingsBatch() {
  std::lock_guard lock(StoreMutex());
  Store().BeginBatch();
}

TSettingsBatch::~TSettingsBatch() {
  std::lock_guard lock(StoreMutex());
  Store().EndBatch();
}

std::string ConfigStorePath() {
  std::lock_guard lock(StoreMutex());
  return Store().Path();
}

// Before InitFolders AppPath uses the same data root that it will choose.
std::string ConfigDefaultsPath() { return AppPath("Defaults.conf"); }

std::string ConfigLastError() {
  std::lock_guard lock(StoreMutex());
  return Store().LastError();
}

// ---- product data files --------------------------------------------------

struct ConfigFile {
  TValueMap Values;
};

ConfigFileHandle ConfigFileInit(const std::string& path) {
  auto* file = new ConfigFile;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (in && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#' || line[first] == ';') continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(first, equals - first);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    if (!ValidKey(key)) continue;
    TValue v;
    v.Key = key;
    v.Kind = TValueKind::Text;
    v.Text = line.substr(equals + 1);
    FillWide(v);
    file->Values.insert_or_assign(key, std::move(v));
  }
  return file;
}

const char16_t* ConfigGetStrPtr(ConfigFileHandle handle, std::string_view key) {
  if (!handle) return nullptr;
  auto it = handle->Values.find(key);
  return it == handle->Values.end() ? nullptr : it->second.Wide.c_str();
}

bool ConfigGetStrEx(ConfigFileHandle handle, std::string_view key, char16_t* buffer,
                    size_t bufferBytes) {
  const char16_t* value = ConfigGetStrPtr(handle, key);
  if (!value) return false;
  CopyOut(value, buffer, bufferBytes);
  return true;
}

void ConfigFileDestroy(ConfigFileHandle handle) { delete handle; }

// ---- log -----------------------------------------------------------------

std::string LogFilePath() { return UserFolder() + "Reelcast.log"; }

void NVLog(std::string_view text) {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  std::ostringstream line;
  line << stamp << '.' << (millis < 100 ? (millis < 10 ? "00" : "0") : "") << millis << "Z ["
       << std::this_thread::get_id() << "] ";
  // One call is one line: line breaks inside the text are written escaped.
  for (char c : text) {
    if (c == '\n') line << "\\n";
    else if (c == '\r') line << "\\r";
    else line << c;
  }
  line << '\n';
  std::string bytes = line.str();

  static std::mutex logMutex;
  std::lock_guard lock(logMutex);
  // O_APPEND and a single write keep lines whole across processes too.
  std::string path = LogFilePath();
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) {
    ssize_t ignored = write(2, bytes.data(), bytes.size());
    (void)ignored;
    return;
  }
  ssize_t ignored = write(fd, bytes.data(), bytes.size());
  (void)ignored;
  close(fd);
}

}  // namespace reelcast
