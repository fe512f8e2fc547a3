#include "app/Application.h"

#include "app/Paths.h"
#include "app/SettingsKeys.h"

namespace reelcast {

ConfigFileHandle ProductDataHandle = nullptr;
std::u16string ProductFullName;
std::u16string SuiteName;
std::u16string SuiteFullName;

namespace {

TEncoderManagerHooks& Hooks() {
  static TEncoderManagerHooks hooks;
  return hooks;
}

bool started = false;
bool encoderStarted = false;

std::u16string ProductText(const char* key) {
  const char16_t* value = ConfigGetStrPtr(ProductDataHandle, key);
  return value ? std::u16string(value) : std::u16string();
}

}  // namespace

void SetEncoderManagerHooks(TEncoderManagerHooks hooks) { Hooks() = std::move(hooks); }

void StartApplication() {
  if (started) ShutdownApplication();
  InitGlobalConfig(nullptr, nullptr, nullptr, nullptr);
  InitFolders();
  ProductDataHandle = ConfigFileInit(AppPath("Sys.Dat"));
  ProductFullName = ProductText(keys::FullName);
  SuiteName = ProductText(keys::SuiteName);
  SuiteFullName = ProductText(keys::SuiteFullName);
  started = true;
  if (Hooks().Startup) Hooks().Startup();
  encoderStarted = true;
}

void ShutdownApplication() {
  if (encoderStarted && Hooks().Shutdown) Hooks().Shutdown();
  encoderStarted = false;
  ShutdownGlobalConfig();
  if (ProductDataHandle) ConfigFileDestroy(ProductDataHandle);
  ProductDataHandle = nullptr;
  started = false;
}

bool ApplicationStarted() { return started; }

}  // namespace reelcast
