// The configuration and log service: the per-user settings store addressed
// by dotted ASCII keys, read-only product data files ("Sys.Dat"), and the log.
//
// Store: a key file in the user folder with typed values (integer, float,
// text), rewritten atomically (temporary file + rename, mode 0600) on every
// change (or at the end of a TSettingsBatch), layered over the installed read-only defaults in AppFolder. Text
// values are UTF-16 at this interface and UTF-8 on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace reelcast {

// First call of the program: opens the settings store of the user folder
// (REELCAST_HOME or its default). The four arguments are unused and must be
// null. Calling it again after ShutdownGlobalConfig reopens the store.
void InitGlobalConfig(void* = nullptr, void* = nullptr, void* = nullptr, void* = nullptr);
// Flushes and closes the store; safe to call twice.
void ShutdownGlobalConfig();

// True and *value written when the key exists; false and *value untouched
// otherwise. A key stored as a float reads as its integer part.
bool NVGetConfigInt(std::string_view key, int32_t* value);
// nullptr when the key is missing. The text stays valid until the key is
// written again or the store closes; callers copy it at once.
const char16_t* NVGetConfigStrPtr(std::string_view key);
// Copies the value, zero-terminated, into a zero-filled caller buffer of
// bufferBytes bytes (truncated to fit); false when the key is missing.
// Integer and float values read as their decimal text.
bool NVGetConfigStrEx(std::string_view key, char16_t* buffer, size_t bufferBytes);
void NVSetConfigInt(std::string_view key, int32_t value);
void NVSetConfigStr(std::string_view key, std::u16string_view value);
void NVSetConfigDbl(std::string_view key, double value);

// While a batch lives, the NVSetConfig* calls of every thread change the
// values at once but the key file is written only when the last batch ends:
// one rewrite, and one flush to disk, for a run of changes such as the pages
// storing their values into every task. A write that leaves the file as it
// is (every value already stored) does not touch it at all.
class TSettingsBatch {
 public:
  TSettingsBatch();
  ~TSettingsBatch();
  TSettingsBatch(const TSettingsBatch&) = delete;
  TSettingsBatch& operator=(const TSettingsBatch&) = delete;
};

// Read-only key files ("Sys.Dat"): UTF-8 "key=value" lines, '#' comments.
// A handle that cannot be opened is still a valid handle whose keys are all
// missing. ConfigGetStrEx never writes past bufferBytes bytes (callers that
// pass a buffer 2 bytes larger than the size lose nothing by it).
using ConfigFileHandle = struct ConfigFile*;
ConfigFileHandle ConfigFileInit(const std::string& path);
const char16_t* ConfigGetStrPtr(ConfigFileHandle handle, std::string_view key);
bool ConfigGetStrEx(ConfigFileHandle handle, std::string_view key, char16_t* buffer,
                    size_t bufferBytes);
void ConfigFileDestroy(ConfigFileHandle handle);

// Appends one line (ISO time, thread id, text) to the log; any thread.
void NVLog(std::string_view text);

// Key names compare without regard to ASCII case: "System.FTPDir" and
// "System.FtpDir" are one key. The spelling of the last write is kept.
//
// Where things live: the user's key file (UserFolder() + "Settings.conf"),
// the installed defaults (AppFolder + "Defaults.conf", read-only, consulted
// for keys the user file lacks) and the log (UserFolder() + "Reelcast.log").
std::string ConfigStorePath();
std::string ConfigDefaultsPath();
std::string LogFilePath();
// Empty while the store works; otherwise a one-line description of the last
// failure (a user folder that cannot be created, a settings file that cannot
// be written). Values set while the store cannot be written live for the
// rest of the run only.
std::string ConfigLastError();

}  // namespace reelcast
