// Start-up and shut-down of the headless core, shared by both front ends.
//
// Start-up: the settings store, the folders (AppFolder, the user folder,
// "temp/" and "Snapshot/"), the product identity from "Sys.Dat", then the
// encoder manager. Shut-down runs the other way: the encoder manager, the
// settings store, the product data file. The desktop front end adds its
// single-instance lock and windows around this pair.
#pragma once

#include <functional>
#include <string>

#include "app/Config.h"

namespace reelcast {

// "Sys.Dat", open from StartApplication to ShutdownApplication (nullptr
// outside that span).
extern ConfigFileHandle ProductDataHandle;
// "System.FullName", "System.SuiteName", "System.SuiteFullName" of
// "Sys.Dat"; empty when the file or a key is missing.
extern std::u16string ProductFullName;
extern std::u16string SuiteName;
extern std::u16string SuiteFullName;

// The encoder manager's start-up and shut-down entries. The media back end
// registers them before StartApplication; each runs once per start-up.
struct TEncoderManagerHooks {
  std::function<void()> Startup;
  std::function<void()> Shutdown;
};
void SetEncoderManagerHooks(TEncoderManagerHooks hooks);

// Runs the start-up sequence. Throws std::runtime_error with a message for
// the user when the user folder cannot be created or written. Calling it
// again after ShutdownApplication starts afresh (and creates "temp/" and
// "Snapshot/" again when a job removed them).
void StartApplication();
// Safe to call when StartApplication failed or never ran, and twice.
void ShutdownApplication();
bool ApplicationStarted();

}  // namespace reelcast
