#include "app/SettingsKeys.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/TextConvert.h"

namespace reelcast {

namespace {

std::vector<TSettingKey> BuildKeyTable() {
  using T = TSettingType;
  std::vector<TSettingKey> k;
  auto add = [&](std::string name, T type, std::string def, std::string meaning) -> TSettingKey& {
    TSettingKey key;
    key.Name = std::move(name);
    key.Type = type;
    key.Default = std::move(def);
    key.Meaning = std::move(meaning);
    k.push_back(std::move(key));
    return k.back();
  };
  auto range = [](TSettingKey& key, int32_t lo, int32_t hi) {
    key.Min = lo;
    key.Max = hi;
  };

  add(keys::UserReso, T::Boolean, "0", "use the width and height below (\"Resolution\")");
  range(add(keys::Width, T::Integer, "320", "output width in pixels"), 80, 800);
  range(add(keys::Height, T::Integer, "240", "output height in pixels"), 60, 600);
  add(keys::Frame, T::Float, "0", "output frame rate, 0 = keep the source rate").Choices = {
      0, 10, 12, 15, 24, 25, 30};
  range(add(keys::VBitrate, T::Integer, "768000", "video bit rate in bit/s"), 64000, 2500000);
  add(keys::Zoom, T::Integer, "1", "aspect: 0 full screen, 1 keep original, 2 16:9, 3 4:3")
      .Choices = {0, 1, 2, 3};
  add(keys::SampleR, T::Integer, "22050", "audio sample rate in Hz").Choices = {11025, 22050,
                                                                             44100};
  add(keys::DisableAudio, T::Boolean, "0", "leave the sound out (\"Disable Audio\")");

  add(keys::SnapshotPath, T::Text, "", "snapshot folder");
  add(keys::PhotoFormatID, T::Integer, "0", "snapshot format: 0 BMP, 5 JPEG").Choices = {0, 5};

  add(keys::OutputPath, T::Text, "", "output folder");
  add(keys::UseFTP, T::Boolean, "0", "open the upload dialog after a finished job");
  add(keys::FTPHost, T::Text, "", "FTP server");
  range(add(keys::FTPPort, T::Integer, "21", "FTP port"), 1, 65535);
  add(keys::FTPUser, T::Text, "", "FTP user name");
  add(keys::FTPPass, T::Text, "", "FTP password, stored as typed");
  // "System.FtpDir", the upload dialog's spelling, is this key: names
  // compare without regard to case, so it is listed once.
  add(keys::FTPDir, T::Text, "", "remote folder (main window and upload dialog)");

  for (TTitleSlot slot : kTitleSlots) {
    std::string name = TitleSlotName(slot);
    add(TitleKey(slot), T::Text, "", name + " text as entered");
    add(FlashTextKey(slot), T::Text, "", name + " text used for the title movie");
    add(TitleKey(slot, "Effect"), T::Text, slot == TTitleSlot::Director ? "Rotate" : "MoveDown",
        name + " text effect")
        .NameList = "text effect";
    add(TitleKey(slot, "FontName"), T::Text, "Monotype Corsiva", name + " font");
    range(add(TitleKey(slot, "FontSize"), T::Integer, slot == TTitleSlot::Title ? "40" : "32",
              name + " font size"),
          1, 1000);
    add(TitleKey(slot, "FontColor"), T::Integer, "", name + " font colour (0x00BBGGRR)")
        .HasDefault = false;
    add(TitleKey(slot, "FontBold"), T::Boolean, "0", name + " bold");
    add(TitleKey(slot, "FontItalic"), T::Boolean, "0", name + " italic");
  }

  add(keys::UsePreloader, T::YesNo, "", "add a preloader to embedded-video movies").HasDefault =
      false;
  add(keys::UseSprite, T::YesNo, "", "preloader shows an animated sprite").HasDefault = false;
  add(keys::UseProgressBar, T::YesNo, "", "preloader shows a progress bar").HasDefault = false;
  add(keys::UseCustomLogo, T::YesNo, "", "preloader shows the user's picture").HasDefault = false;
  {
    TSettingKey& key = add(keys::SpriteStyle, T::Text, "", "preloader sprite movie name");
    key.HasDefault = false;
    key.NameList = "preloader sprite";
  }
  add(keys::CustomLogo, T::Text, "", "preloader picture path").HasDefault = false;
  {
    TSettingKey& key = add(keys::BarStyle, T::Text, "", "preloader progress bar style");
    key.HasDefault = false;
    key.NameList = "preloader bar style";
  }
  {
    TSettingKey& key = add(keys::BarMode, T::Integer, "", "preloader bar mode: 0 none, 1 bar, 2 text, 3 both");
    key.HasDefault = false;
    key.Choices = {0, 1, 2, 3};
  }
  add(keys::BackColor, T::Integer, "0", "preloader background colour (0x00BBGGRR)");
  return k;
}

bool ParseInt(std::string_view text, int32_t& out) {
  int64_t n = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() ||
      n < INT32_MIN || n > INT32_MAX)
    return false;
  out = static_cast<int32_t>(n);
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

const char* SettingTypeName(TSettingType type) {
  switch (type) {
    case TSettingType::Integer: return "integer";
    case TSettingType::Boolean: return "boolean";
    case TSettingType::Float: return "number";
    case TSettingType::Text: return "text";
    case TSettingType::YesNo: return "Yes/No";
  }
  return "text";
}

const std::vector<TSettingKey>& SettingKeys() {
  static const std::vector<TSettingKey> table = BuildKeyTable();
  return table;
}

const TSettingKey* FindSettingKey(std::string_view name) {
  for (const auto& key : SettingKeys())
    if (key.Name == name) return &key;
  for (const auto& key : SettingKeys())
    if (EqualsNoCase(key.Name, name)) return &key;
  return nullptr;
}

std::string SettingDefault(const TSettingKey& key) {
  if (key.Name == keys::SnapshotPath) return UserFolder() + "Snapshot/";
  if (key.Name == keys::OutputPath) return UserFolder() + "Output/";
  return key.HasDefault ? key.Default : std::string();
}

bool ReadConfigBool(std::string_view key, bool defaultValue) {
  int32_t value = defaultValue ? kConfigTrue : kConfigFalse;
  NVGetConfigInt(key, &value);
  return value > 0;
}

void WriteConfigBool(std::string_view key, bool value) {
  NVSetConfigInt(key, value ? kConfigTrue : kConfigFalse);
}

int32_t ReadConfigInt(std::string_view key, int32_t defaultValue) {
  int32_t value = defaultValue;
  NVGetConfigInt(key, &value);
  return value;
}

namespace {

std::string FolderSetting(const char* key) {
  std::string folder = Utf16ToUtf8(ReadConfigText(key));
  if (folder.empty()) folder = SettingDefault(*FindSettingKey(key));
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

bool MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

}  // namespace

std::string LoadSnapshotFolder() {
  std::string folder = FolderSetting(keys::SnapshotPath);
  if (!MakeFolder(folder)) {
    NVLog("Snapshot folder '" + folder + "' cannot be created; using the default");
    folder = SettingDefault(*FindSettingKey(keys::SnapshotPath));
    MakeFolder(folder);
  }
  NVSetConfigStr(keys::SnapshotPath, Utf8ToUtf16(folder));
  return folder;
}

std::string LoadOutputFolder() {
  std::string folder = FolderSetting(keys::OutputPath);
  MakeFolder(folder);
  return folder;
}

std::string PrepareOutputFolder() {
  std::string folder = NVGetConfigStrPtr(keys::OutputPath) ? FolderSetting(keys::OutputPath) : std::string();
  if (folder.empty() || !MakeFolder(folder)) {
    folder = SettingDefault(*FindSettingKey(keys::OutputPath));
    MakeFolder(folder);
    NVSetConfigStr(keys::OutputPath, Utf8ToUtf16(folder));
  }
  return folder;
}

std::u16string ReadConfigText(std::string_view key) {
  char16_t buffer[512] = {};  // 1,024 bytes
  if (!NVGetConfigStrEx(key, buffer, sizeof buffer)) return {};
  std::u16string text(buffer);
  if (text.size() > 512) text.resize(512);
  return text;
}

const char* TitleSlotName(TTitleSlot slot) {
  switch (slot) {
    case TTitleSlot::Title: return "Title";
    case TTitleSlot::Director: return "Director";
    case TTitleSlot::Motive: return "Motive";
    case TTitleSlot::CastView: return "CastView";
  }
  return "Title";
}

std::string TitleKey(TTitleSlot slot, std::string_view suffix) {
  return std::string("System.") + TitleSlotName(slot) + std::string(suffix);
}

std::string FlashTextKey(TTitleSlot slot) {
  return std::string("System.FlashText.") + TitleSlotName(slot);
}

std::array<std::u16string, 4> LoadTitleTexts() {
  std::array<std::u16string, 4> texts;
  for (size_t i = 0; i < kTitleSlots.size(); ++i) {
    std::string key = FlashTextKey(kTitleSlots[i]);
    if (!NVGetConfigStrPtr(key)) NVSetConfigStr(key, u"");
    texts[i] = ReadConfigText(key);
  }
  return texts;
}

void WriteTitleDefaults() {
  for (TTitleSlot slot : kTitleSlots) {
    for (const char* suffix : {"Effect", "FontName", "FontSize"}) {
      std::string name = TitleKey(slot, suffix);
      if (NVGetConfigStrPtr(name)) continue;
      const TSettingKey* key = FindSettingKey(name);
      if (key->Type == TSettingType::Integer) {
        int32_t value = 0;
        ParseInt(key->Default, value);
        NVSetConfigInt(name, value);
      } else {
        NVSetConfigStr(name, Utf8ToUtf16(key->Default));
      }
    }
  }
}

std::optional<std::string> ReadIniText(const std::string& file, std::string_view section,
                                       std::string_view key) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    std::string_view l = Trim(line);
    if (l.size() >= 3 && l.substr(0, 3) == "\xEF\xBB\xBF") l = Trim(l.substr(3));
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      size_t close = l.find(']');
      inSection = close != std::string_view::npos &&
                  EqualsNoCase(Trim(l.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    size_t equals = l.find('=');
    if (equals == std::string_view::npos || !EqualsNoCase(Trim(l.substr(0, equals)), key))
      continue;
    return std::string(Trim(l.substr(equals + 1)));
  }
  return std::nullopt;
}

int32_t ReadIniInteger(const std::string& file, std::string_view section, std::string_view key,
                       int32_t defaultValue) {
  const std::optional<std::string> text = ReadIniText(file, section, key);
  int32_t value = 0;
  return text && ParseInt(*text, value) ? value : defaultValue;
}

}  // namespace reelcast
