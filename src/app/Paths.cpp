#include "app/Paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "app/TextConvert.h"

namespace reelcast {

std::string AppFolder;
std::string TempFolder;

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

// Folders from the environment may be relative; the program may change its
// current folder later, so they are made absolute once read.
std::string AbsoluteFolder(const char* path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return WithSlash(ec ? std::string(path) : absolute.lexically_normal().string());
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDir(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return WithSlash(fs::current_path(ec).string());
  return WithSlash(exe.parent_path().string());
}

// The data root: $REELCAST_DATA_DIR, else the first of bin/../data/,
// bin/../share/reelcast/ and bin/ that holds "Sys.Dat"; else bin/../data/ so
// that a missing "Sys.Dat" only leaves the product names empty.
std::string LocateAppFolder() {
  if (const char* env = std::getenv("REELCAST_DATA_DIR"); env && *env) return AbsoluteFolder(env);
  std::string bin = ExecutableFolder();
  const std::vector<std::string> candidates = {bin + "../data/", bin + "../share/reelcast/", bin};
  for (const auto& c : candidates) {
    if (IsFile(c + "Sys.Dat")) {
      std::error_code ec;
      fs::path canonical = fs::weakly_canonical(c, ec);
      return ec ? c : WithSlash(canonical.string());
    }
  }
  std::error_code ec;
  fs::path fallback = fs::weakly_canonical(bin + "../data/", ec);
  return ec ? bin + "../data/" : WithSlash(fallback.string());
}

std::string CurrentAppFolder() { return AppFolder.empty() ? LocateAppFolder() : AppFolder; }

// Creates path and its parents; throws a clear error when that fails or the
// folder cannot be written.
void EnsureWritableFolder(const std::string& path, const char* what) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec && !IsDir(path))
    throw std::runtime_error(std::string("cannot create the ") + what + " '" + path +
                             "': " + ec.message());
  if (!IsDir(path)) throw std::runtime_error(std::string("the ") + what + " '" + path +
                                             "' is not a folder");
  if (access(path.c_str(), W_OK | X_OK) != 0)
    throw std::runtime_error(std::string("the ") + what + " '" + path +
                             "' is not writable: " + std::strerror(errno));
}

}  // namespace

std::string UserFolder() {
  if (const char* env = std::getenv("REELCAST_HOME"); env && *env) return AbsoluteFolder(env);
  std::string app = CurrentAppFolder();
  if (IsDir(app) && access(app.c_str(), W_OK | X_OK) == 0) return app;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/')
    return WithSlash(xdg) + "reelcast/";
  if (const char* home = std::getenv("HOME"); home && *home)
    return WithSlash(home) + ".local/share/reelcast/";
  return "/tmp/reelcast-" + std::to_string(getuid()) + "/";
}

std::string ScreenSaverFolder() { return UserFolder() + "ScreenSavers/"; }

void InitFolders() {
  AppFolder = LocateAppFolder();
  std::string user = UserFolder();
  EnsureWritableFolder(user, "user folder");
  TempFolder = user + "temp/";
  EnsureWritableFolder(TempFolder, "temporary folder");
  EnsureWritableFolder(user + "Snapshot/", "snapshot folder");
}

std::string ResolveRelative(const std::string& base, std::string_view relative) {
  std::string path = base;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  // Split on both separators; remember whether the name ends in one.
  std::vector<std::string> parts;
  std::string part;
  for (char c : relative) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);
  bool trailing = !relative.empty() && (relative.back() == '\\' || relative.back() == '/');

  bool found = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& name = parts[i];
    std::string match = name;
    if (found && name != "." && name != ".." && !IsFile(path + name) && !IsDir(path + name)) {
      found = false;
      if (DIR* dir = opendir(path.empty() ? "." : path.c_str())) {
        // Several entries may differ only in case; take the first in name
        // order so the choice does not depend on the directory's layout.
        std::string best;
        while (dirent* entry = readdir(dir)) {
          if (EqualsNoCase(entry->d_name, name) && (best.empty() || best > entry->d_name))
            best = entry->d_name;
        }
        closedir(dir);
        if (!best.empty()) {
          match = best;
          found = true;
        }
      }
    }
    path += match;
    if (i + 1 < parts.size() || trailing) path.push_back('/');
  }
  return path;
}

std::string AppPath(std::string_view relative) {
  return ResolveRelative(CurrentAppFolder(), relative);
}

}  // namespace reelcast
