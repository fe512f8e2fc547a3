// reelcast-cli settings: lists the settings keys with their current values
// and changes one, checking the key and the type of the value.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Config.h"
#include "app/SettingsEditor.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "cli/CliCommand.h"
#include "publish/TemplateLists.h"

namespace reelcast::cli {
namespace {

void PrintUsage() {
  std::printf(
      "Usage: reelcast-cli settings [list]        every key with its current value\n"
      "       reelcast-cli settings get KEY        one key's value\n"
      "       reelcast-cli settings set KEY VALUE  change one key\n\n"
      "Key names compare without regard to case. Booleans take true/false, yes/no,\n"
      "on/off or 5/0; numbers are decimal (colours may be written 0x00BBGGRR).\n"
      "The settings file is %s\n",
      ConfigStorePath().c_str());
}

int List() {
  for (const auto& key : SettingKeys()) {
    TSettingView view = ViewSetting(key);
    std::printf("%-28s %-28s %s%s\n", key.Name.c_str(), view.Value.c_str(),
                SettingTypeName(key.Type), view.IsDefault ? ", default" : "");
  }
  return 0;
}

int Get(const std::string& name) {
  const TSettingKey* key = FindSettingKey(name);
  if (!key) {
    std::fprintf(stderr, "reelcast-cli settings: unknown settings key '%s' (see 'reelcast-cli "
                 "settings list')\n", name.c_str());
    return 2;
  }
  std::printf("%s\n", ViewSetting(*key).Value.c_str());
  return 0;
}

int Set(const std::string& name, const std::string& value) {
  RegisterSettingNameLists();
  std::string error;
  const TSettingKey* key = ApplySetting(name, value, error);
  if (!key) {
    std::fprintf(stderr, "reelcast-cli settings: %s\n", error.c_str());
    return 2;
  }
  if (std::string failure = ConfigLastError(); !failure.empty()) {
    std::fprintf(stderr, "reelcast-cli settings: %s\n", failure.c_str());
    return 1;
  }
  std::printf("%s = %s\n", key->Name.c_str(), ViewSetting(*key).Value.c_str());
  return 0;
}

int RunSettings(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    StartApplication();
    PrintUsage();
    ShutdownApplication();
    return 0;
  }
  int rc = 2;
  StartApplication();
  if (args.empty() || (args[0] == "list" && args.size() == 1)) {
    rc = List();
  } else if (args[0] == "get" && args.size() == 2) {
    rc = Get(args[1]);
  } else if (args[0] == "set" && args.size() == 3) {
    rc = Set(args[1], args[2]);
  } else {
    std::fprintf(stderr, "reelcast-cli settings: expected 'list', 'get KEY' or 'set KEY VALUE' "
                 "(see 'reelcast-cli settings --help')\n");
  }
  ShutdownApplication();
  return rc;
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("settings", "list the settings or change one (settings set KEY VALUE)",
                     reelcast::cli::RunSettings);
