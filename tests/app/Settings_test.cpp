#include <gtest/gtest.h>

#include <set>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/ProjectSettings.h"
#include "app/SettingsEditor.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "support/StoreFixture.h"

namespace reelcast {
namespace {

using test::WriteFile;

class SettingsTest : public test::StoreFixture {};

TEST_F(SettingsTest, FreshStoreGivesTheDocumentedDefaults) {
  EXPECT_EQ(ReadConfigInt(keys::PhotoFormatID, 0), 0);
  EXPECT_EQ(SettingDefault(*FindSettingKey(keys::SnapshotPath)), UserFolder() + "Snapshot/");
  // Reading defaults writes nothing.
  EXPECT_FALSE(test::fs::exists(ConfigStorePath()));
}

TEST_F(SettingsTest, PreloaderKeys) {
  struct Case {
    const char* barMode;  // nullptr: key missing
    TBarMode before;
    TBarMode after;
  } cases[] = {{nullptr, bmAll, bmNone}, {"0", bmAll, bmNone}, {"2", bmNone, bmText},
               {"3", bmBar, bmAll},      {"4", bmBar, bmBar},  {"-1", bmText, bmText}};
  for (const auto& c : cases) {
    ShutdownGlobalConfig();
    std::string defaults =
        "text LD_UsePreloader=Yes\ntext LD_UseSprite=yes\ntext LD_UseProgressBar=Yes\n"
        "text LD_SpriteStyle=Circles\ntext LD_BarStyle=Classic\n";
    if (c.barMode) defaults += std::string("int LD_BarMode=") + c.barMode + "\n";
    WriteFile(data_ / "Defaults.conf", defaults);
    InitGlobalConfig();
    TPreLoader preloader;
    preloader.SetBarMode(c.before);
    preloader.BKColor = 77;
    TExportSetting exportSetting;
    LoadPreloaderSettings(preloader, exportSetting);
    EXPECT_EQ(preloader.BarMode(), c.after) << (c.barMode ? c.barMode : "missing");
    EXPECT_EQ(exportSetting.LoadingFrame, 1u);
    EXPECT_FALSE(preloader.UseSprite) << "only \"Yes\" is true";
    EXPECT_TRUE(preloader.UseProgressBar);
    EXPECT_FALSE(preloader.UseCustomLogo);
    EXPECT_EQ(preloader.SpriteStyle, u"Circles");
    EXPECT_EQ(preloader.BarStyle, u"Classic");
    EXPECT_EQ(preloader.BKColor, 0u) << "a missing LD_BACKCOLOR gives 0";
  }
}

TEST_F(SettingsTest, InstalledDefaultsFileParsesCompletely) {
  // The defaults shipped in data/ must all be readable and typed as the key
  // table says.
  ShutdownGlobalConfig();
  std::string shipped = test::ReadFile(test::SourceDir() / "data" / "Defaults.conf");
  WriteFile(data_ / "Defaults.conf", shipped);
  InitGlobalConfig();
  for (const char* key : {keys::UsePreloader, keys::UseSprite, keys::UseProgressBar,
                          keys::UseCustomLogo, keys::SpriteStyle, keys::CustomLogo,
                          keys::BarStyle, keys::BarMode, keys::BackColor})
    EXPECT_NE(NVGetConfigStrPtr(key), nullptr) << key;
  std::string log = test::fs::exists(LogFilePath()) ? test::ReadFile(LogFilePath()) : "";
  EXPECT_EQ(log.find("unreadable"), std::string::npos) << log;
}

TEST_F(SettingsTest, TitleTextsAndDefaults) {
  NVSetConfigStr("System.FlashText.Director", u"A film by \u00c9mile");
  auto texts = LoadTitleTexts();
  EXPECT_EQ(texts[0], u"");
  EXPECT_EQ(texts[1], u"A film by \u00c9mile");
  // Missing keys are now stored as empty texts.
  for (const char* key : {"System.FlashText.Title", "System.FlashText.Motive",
                          "System.FlashText.CastView"}) {
    ASSERT_NE(NVGetConfigStrPtr(key), nullptr) << key;
    EXPECT_EQ(std::u16string(NVGetConfigStrPtr(key)), u"");
  }

  NVSetConfigStr("System.MotiveEffect", u"Fade");
  WriteTitleDefaults();
  Reopen();
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.TitleEffect")), u"MoveDown");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.DirectorEffect")), u"Rotate");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.MotiveEffect")), u"Fade");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.CastViewFontName")), u"Monotype Corsiva");
  EXPECT_EQ(ReadConfigInt("System.TitleFontSize", 0), 40);
  EXPECT_EQ(ReadConfigInt("System.CastViewFontSize", 0), 32);
  EXPECT_EQ(NVGetConfigStrPtr("System.TitleFontColor"), nullptr);
}

TEST_F(SettingsTest, SnapshotAndOutputFoldersAreCreatedOrFallBack) {
  std::string home = UserFolder();
  EXPECT_EQ(LoadSnapshotFolder(), home + "Snapshot/");
  EXPECT_TRUE(test::fs::is_directory(home + "Snapshot/"));
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr(keys::SnapshotPath)), Utf8ToUtf16(home + "Snapshot/"));

  NVSetConfigStr(keys::SnapshotPath, Utf8ToUtf16(home + "shots/deep"));
  EXPECT_EQ(LoadSnapshotFolder(), home + "shots/deep/");
  EXPECT_TRUE(test::fs::is_directory(home + "shots/deep"));

  // A folder that cannot be made gives the default, and the default is stored.
  WriteFile(home_ / "plain", "");
  NVSetConfigStr(keys::SnapshotPath, Utf8ToUtf16(home + "plain/shots/"));
  EXPECT_EQ(LoadSnapshotFolder(), home + "Snapshot/");
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr(keys::SnapshotPath)), Utf8ToUtf16(home + "Snapshot/"));

  EXPECT_EQ(LoadOutputFolder(), home + "Output/");
  EXPECT_TRUE(test::fs::is_directory(home + "Output/"));
}

TEST_F(SettingsTest, ReadConfigTextStopsAt512Characters) {
  NVSetConfigStr(keys::FTPHost, std::u16string(700, u'h'));
  EXPECT_LE(ReadConfigText(keys::FTPHost).size(), 512u);
  EXPECT_GE(ReadConfigText(keys::FTPHost).size(), 511u);
  EXPECT_EQ(ReadConfigText("System.Missing"), u"");
}

TEST_F(SettingsTest, EditorChecksKeysAndTypes) {
  struct Case {
    const char* key;
    const char* value;
    bool ok;
    const char* stored;  // NVGetConfigStrPtr afterwards when ok, or error fragment
  } cases[] = {
      {"System.nWidth", "640", true, "640"},
      {"system.NHEIGHT", "480", true, "480"},
      {"System.nWidth", "801", false, "from 80 to 800"},
      {"System.nWidth", "abc", false, "got 'abc'"},
      {"System.nWidth", "12.5", false, "integer"},
      {"System.SampleR", "12000", false, "one of 11025, 22050, 44100"},
      {"System.SampleR", "44100", true, "44100"},
      {"System.UserReso", "yes", true, "5"},
      {"System.DisableAudio", "off", true, "0"},
      {"System.UserReso", "maybe", false, "boolean"},
      {"System.Frame", "25", true, "25"},
      {"System.Frame", "23.976", false, "one of 0, 10, 12, 15, 24, 25, 30"},
      {"System.Frame", "1000", false, "one of 0, 10, 12, 15, 24, 25, 30"},
      {"System.Frame", "fast", false, "one of 0, 10, 12, 15, 24, 25, 30"},
      {"System.VBitrate", "768", false, "from 64000 to 2500000"},
      {"LD_BarMode", "4", false, "one of 0, 1, 2, 3"},
      {"System.TitleFontColor", "0x00FF8000", true, "16744448"},
      {"LD_UsePreloader", "yes", true, "Yes"},
      {"LD_UsePreloader", "1", false, "Yes or No"},
      {"System.FTPDir", "/pub/", true, "/pub/"},
      {"System.FTPPass", "", true, ""},
      {"System.NoSuchKey", "1", false, "unknown settings key"},
      {"System.OutputPath", "bad \xFF utf", false, "UTF-8"},
  };
  for (const auto& c : cases) {
    std::string error;
    const TSettingKey* key = ApplySetting(c.key, c.value, error);
    EXPECT_EQ(key != nullptr, c.ok) << c.key << " " << c.value << ": " << error;
    if (c.ok && key) {
      ASSERT_NE(NVGetConfigStrPtr(key->Name), nullptr) << c.key;
      EXPECT_EQ(Utf16ToUtf8(NVGetConfigStrPtr(key->Name)), c.stored) << c.key;
    } else if (!c.ok) {
      EXPECT_NE(error.find(c.stored), std::string::npos) << error;
    }
  }
  // A refused value leaves the stored one alone.
  EXPECT_EQ(ReadConfigInt("System.nWidth", 0), 640);
}

TEST(SettingKeyTable, EveryKeyIsListedOnceWithItsDefault) {
  std::set<std::string> names;
  for (const auto& key : SettingKeys()) EXPECT_TRUE(names.insert(key.Name).second) << key.Name;
  // 8 encoder, 2 snapshot, 7 output (FTPDir and FtpDir are one key), 4 x 8
  // title, 9 preloader.
  EXPECT_EQ(SettingKeys().size(), 8u + 2 + 7 + 32 + 9);
  EXPECT_EQ(FindSettingKey("System.ftpdir")->Name, "System.FTPDir");
  EXPECT_EQ(FindSettingKey("System.FtpDir")->Name, "System.FTPDir");
  EXPECT_EQ(FindSettingKey("System.VBitrate")->Default, "768000");
  EXPECT_EQ(FindSettingKey("System.DirectorEffect")->Default, "Rotate");
  EXPECT_EQ(FindSettingKey("System.Frame")->Type, TSettingType::Float);
  EXPECT_EQ(FindSettingKey("System.bUseFTP")->Type, TSettingType::Boolean);
  EXPECT_EQ(FindSettingKey("System.nope"), nullptr);
}

TEST(ReadIniInteger, ReadsTheKeyOrGivesTheDefault) {
  test::TempDir dir;
  WriteFile(dir / "Classic.ini",
            "; player template\r\n[Other]\r\nHeight=9\r\n[ playerinfo ]\r\nHEIGHT = 36\r\n"
            "Width=-2\r\nBad=12px\r\n");
  std::string ini = (dir / "Classic.ini").string();
  struct Case {
    std::string file;
    const char* section;
    const char* key;
    int32_t expected;
  } cases[] = {
      {ini, "PlayerInfo", "Height", 36},    {ini, "PlayerInfo", "Width", -2},
      {ini, "PlayerInfo", "Bad", 42},       {ini, "PlayerInfo", "Missing", 42},
      {ini, "Nowhere", "Height", 42},       {ini, "Other", "height", 9},
      {(dir / "none.ini").string(), "PlayerInfo", "Height", 42},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadIniInteger(c.file, c.section, c.key, 42), c.expected) << c.section << c.key;
}

TEST(ProjectSettings, PreLoaderAssignCopiesEveryPublishedProperty) {
  std::vector<std::string> order;
  for (const auto& p : TPreLoader::Properties()) order.push_back(p.Name);
  EXPECT_EQ(order, (std::vector<std::string>{"BKColor", "UseSprite", "SpriteStyle", "SpriteX",
                                             "SpriteY", "UseCustomLogo", "CustomLogo",
                                             "UseProgressBar", "BarStyle", "BarMode"}));
  TPreLoader fresh;
  EXPECT_EQ(fresh.SpriteX, 0.5);
  EXPECT_EQ(fresh.SpriteY, 0.4);
  EXPECT_EQ(fresh.BarMode(), bmNone);

  TPreLoader source;
  source.BKColor = 0x123456;
  source.UseSprite = true;
  source.SpriteStyle = u"Spin";
  source.SpriteX = 0.25;
  source.SpriteY = 0.75;
  source.UseCustomLogo = true;
  source.CustomLogo = u"/tmp/logo.jpg";
  source.UseProgressBar = true;
  source.BarStyle = u"Blue";
  source.SetBarMode(bmAll);
  TPreLoader target;
  target.Assign(source);
  EXPECT_EQ(target.BKColor, 0x123456u);
  EXPECT_TRUE(target.UseSprite);
  EXPECT_EQ(target.SpriteStyle, u"Spin");
  EXPECT_EQ(target.SpriteX, 0.25);
  EXPECT_EQ(target.SpriteY, 0.75);
  EXPECT_TRUE(target.UseCustomLogo);
  EXPECT_EQ(target.CustomLogo, u"/tmp/logo.jpg");
  EXPECT_TRUE(target.UseProgressBar);
  EXPECT_EQ(target.BarStyle, u"Blue");
  EXPECT_EQ(target.BarMode(), bmAll);

  TExportSetting other;
  EXPECT_THROW(target.Assign(other), EConvertError);
}

TEST(ProjectSettings, ExportSettingAssignCopiesOnlyPreloaderAndEmbedType) {
  TExportSetting source;
  source.LoadingFrame = 1;
  source.EmbedType = etEmbedFLV;
  source.AutoPlay = true;
  source.RepeatPlay = true;
  source.ClickingUrl = {1, "https://example.org/", "_blank"};
  TExportSetting target;
  SetStartupDefaults(target);
  target.AutoPlay = false;
  target.Assign(source);
  EXPECT_EQ(target.LoadingFrame, 1u);
  EXPECT_EQ(target.EmbedType, etEmbedFLV);
  EXPECT_FALSE(target.AutoPlay);
  EXPECT_FALSE(target.RepeatPlay);
  EXPECT_EQ(target.ClickingUrl.Enabled, 0);
  EXPECT_TRUE(target.ClickingUrl.URL.empty());

  TExportSetting started;
  SetStartupDefaults(started);
  EXPECT_EQ(started.EmbedType, etSeperaterFLV);
  EXPECT_TRUE(started.AutoPlay);
  EXPECT_FALSE(started.AutoRewind);
}

}  // namespace
}  // namespace reelcast
