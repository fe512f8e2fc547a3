// Every key the program keeps in the settings store, with its type and
// default, and the readers shared by the pages that use them.
//
// Conventions: a boolean is an integer, 5 for true and 0 for false, and any
// value above 0 reads as true. Readers preset their default and keep it when
// the key is missing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reelcast {

namespace keys {
// Encoder page.
inline constexpr char UserReso[] = "System.UserReso";
inline constexpr char Width[] = "System.nWidth";
inline constexpr char Height[] = "System.nHeight";
inline constexpr char Frame[] = "System.Frame";
inline constexpr char VBitrate[] = "System.VBitrate";
inline constexpr char Zoom[] = "System.Zoom";
inline constexpr char SampleR[] = "System.SampleR";
inline constexpr char DisableAudio[] = "System.DisableAudio";
// Snapshots.
inline constexpr char SnapshotPath[] = "System.SnapshotPath";
inline constexpr char PhotoFormatID[] = "System.PhotoFormatID";
// Output and upload.
inline constexpr char OutputPath[] = "System.OutputPath";
inline constexpr char UseFTP[] = "System.bUseFTP";
inline constexpr char FTPHost[] = "System.FTPHost";
inline constexpr char FTPPort[] = "System.FTPPort";
inline constexpr char FTPUser[] = "System.FTPUser";
inline constexpr char FTPPass[] = "System.FTPPass";
inline constexpr char FTPDir[] = "System.FTPDir";  // main window
inline constexpr char FtpDir[] = "System.FtpDir";  // upload dialog; the same key
// Preloader (installed defaults; the program never writes them).
inline constexpr char UsePreloader[] = "LD_UsePreloader";
inline constexpr char UseSprite[] = "LD_UseSprite";
inline constexpr char UseProgressBar[] = "LD_UseProgressBar";
inline constexpr char UseCustomLogo[] = "LD_UseCustmoLogo";
inline constexpr char SpriteStyle[] = "LD_SpriteStyle";
inline constexpr char CustomLogo[] = "LD_CustomLogo";
inline constexpr char BarStyle[] = "LD_BarStyle";
inline constexpr char BarMode[] = "LD_BarMode";
inline constexpr char BackColor[] = "LD_BACKCOLOR";
// "Sys.Dat".
inline constexpr char FullName[] = "System.FullName";
inline constexpr char SuiteName[] = "System.SuiteName";
inline constexpr char SuiteFullName[] = "System.SuiteFullName";
inline constexpr char AboutTextColor[] = "frmAbout_TextColor";
inline constexpr char HomePage[] = "HTTP.HomePage";
inline constexpr char HomePageURL[] = "HTTP.HomePageURL";
inline constexpr char SupportPage[] = "HTTP.SupportPage";
inline constexpr char SupportPageURL[] = "HTTP.SupportPageURL";
}  // namespace keys

inline constexpr int32_t kConfigTrue = 5;
inline constexpr int32_t kConfigFalse = 0;

enum class TSettingType {
  Integer,  // 32-bit signed
  Boolean,  // integer, 5 or 0
  Float,    // written as a 64-bit float, read back as an integer
  Text,
  YesNo,    // text, "Yes" for true and anything else false
};

const char* SettingTypeName(TSettingType type);

struct TSettingKey {
  std::string Name;
  TSettingType Type = TSettingType::Text;
  bool HasDefault = true;
  // The default as the store would hold it ("320", "5", "MoveDown"). Path
  // defaults depend on the user folder and come from SettingDefault().
  std::string Default;
  std::string Meaning;
  // Integers: the allowed values, when the key takes only a few, or the
  // inclusive range (Min <= Max); neither when any integer goes.
  std::vector<int32_t> Choices;
  int32_t Min = 0;
  int32_t Max = -1;
  // Text keys that name something the data folder offers (a text effect, a
  // preloader style): the kind of list that holds the allowed names (see
  // SetSettingNameList); empty when any text goes.
  std::string NameList;
};

// Every key of the store, grouped as the pages use them.
const std::vector<TSettingKey>& SettingKeys();
// The entry for name (exact spelling first, then without regard to case);
// nullptr when the program has no such key.
const TSettingKey* FindSettingKey(std::string_view name);
// The default as text, with the folder defaults filled in; empty when the key
// has none.
std::string SettingDefault(const TSettingKey& key);

// Booleans of the store: true when the key holds a value above 0.
bool ReadConfigBool(std::string_view key, bool defaultValue);
void WriteConfigBool(std::string_view key, bool value);
int32_t ReadConfigInt(std::string_view key, int32_t defaultValue);

// The snapshot folder as the page shows it: the stored "System.SnapshotPath"
// (default UserFolder() + "Snapshot/"), created when missing; the default
// when it cannot be created. The folder shown is written back to the store.
std::string LoadSnapshotFolder();
// "System.OutputPath" (default UserFolder() + "Output/"), created when
// missing. The folder is returned even when it cannot be created; the
// writer of the output reports that.
std::string LoadOutputFolder();
// The output folder as the Publish page takes it: the stored
// "System.OutputPath", created when missing; when it is not set or cannot
// be created, the default folder (created) is used and written back.
std::string PrepareOutputFolder();

// Reads a text key through NVGetConfigStrEx into a zero-filled 1,024-byte
// buffer and returns at most 512 characters; empty when missing.
std::u16string ReadConfigText(std::string_view key);

// The four title slots of the opening and ending title movies.
enum class TTitleSlot { Title, Director, Motive, CastView };
inline constexpr std::array<TTitleSlot, 4> kTitleSlots = {
    TTitleSlot::Title, TTitleSlot::Director, TTitleSlot::Motive, TTitleSlot::CastView};
const char* TitleSlotName(TTitleSlot slot);  // "Title", "Director", ...
// "System." + slot + suffix ("Effect", "FontName", ...; empty for the text).
std::string TitleKey(TTitleSlot slot, std::string_view suffix = {});
// "System.FlashText." + slot.
std::string FlashTextKey(TTitleSlot slot);

// Reads the four "System.FlashText." keys in slot order; a missing key is
// written as an empty text and read as empty.
std::array<std::u16string, 4> LoadTitleTexts();
// Writes the Effect, FontName and FontSize defaults of each slot whose key is
// missing (done when the main window is created).
void WriteTitleDefaults();

// Reads a player template's ".ini" and similar files: the integer of
// [section] key, or defaultValue when the file, section or key is missing or
// the value is no integer. Section and key names compare without regard to
// case.
int32_t ReadIniInteger(const std::string& file, std::string_view section, std::string_view key,
                       int32_t defaultValue);
// The trimmed text of [section] key, or nothing when the file, section or
// key is missing.
std::optional<std::string> ReadIniText(const std::string& file, std::string_view section,
                                       std::string_view key);

}  // namespace reelcast
