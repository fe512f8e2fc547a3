// The upload model without a server: which files go up for each output
// kind, the stored connection details, and the buttons of an idle dialog.
#include "publish/FtpUpload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/Config.h"
#include "support/TestEnv.h"

namespace reelcast {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(FtpUploadFiles, FollowTheOutputKind) {
  struct Case {
    const char* Name;
    const char* OutputFile;
    int32_t Kind;
    bool Html;
    int32_t TemplateKind;
    TEmbedType Embed;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"FLV", "/out/clip.flv", kOutputFlv, true, 2, etSeperaterFLV, {"/out/clip.flv"}},
      {"SWF alone", "/out/My Movie.swf", kOutputSwf, false, 2, etSeperaterFLV,
       {"/out/My Movie.swf", "/out/My Movie.flv"}},
      {"SWF with its page", "/out/m.swf", kOutputSwf, true, 1, etSeperaterFLV,
       {"/out/m.swf", "/out/m.html"}},
      {"SWF of a player template with page and FLV", "/out/m.v2.swf", kOutputSwf, true, 2,
       etSeperaterFLV, {"/out/m.v2.swf", "/out/m.v2.html", "/out/m.v2.flv"}},
      {"player template with the video inside", "/out/m.swf", kOutputSwf, false, 2, etEmbedFLV,
       {"/out/m.swf"}},
      {"screen saver", "/tmp/saver.swf", kOutputScreenSaver, true, 2, etSeperaterFLV, {}},
      // An EXE goes up as ".exe", never the ".swf" it was built from.
      {"EXE", "/out/m.swf", kOutputProjector, true, 0, etSeperaterFLV, {"/out/m.exe"}},
      {"EXE with an external FLV", "/out/m.swf", kOutputProjector, false, 2, etSeperaterFLV,
       {"/out/m.exe", "/out/m.flv"}},
  };
  for (const auto& c : cases) {
    TExportSetting exportSetting;
    exportSetting.EmbedType = c.Embed;
    TSWFParam param;
    param.OutputFile = c.OutputFile;
    param.OutputKind = c.Kind;
    param.PublishHtml = c.Html;
    param.Template.Kind = c.TemplateKind;
    param.ExportSetting = &exportSetting;
    EXPECT_EQ(UploadFileList(param), c.Expected) << c.Name;
  }
}

TEST(FtpUploadSettings, PortTextBecomesANumber) {
  const std::pair<const char*, int> cases[] = {
      {"21", 21},  {"2121", 2121}, {"65535", 65535}, {"", 21},    {"abc", 21},
      {"21a", 21}, {" 21", 21},    {"0", 21},        {"65536", 21}, {"999999999999", 21},
  };
  for (const auto& [text, port] : cases) EXPECT_EQ(FtpPortNumber(text), port) << text;
}

class FtpUploadSettingsStore : public testing::Test {
 protected:
  FtpUploadSettingsStore() {
    ShutdownGlobalConfig();
    InitGlobalConfig();
  }
  ~FtpUploadSettingsStore() override { ShutdownGlobalConfig(); }
  TempDir dir_;
  ScopedEnv home_{"REELCAST_HOME", dir_.Path().string()};
};

TEST_F(FtpUploadSettingsStore, StoresWhatWasTypedAndReadsItBack) {
  EXPECT_EQ(LoadFtpSettings().Host, "");  // a missing key gives an empty box
  TFtpSettings typed{"ftp.example.test", "2121", "me", "pa ss\xc3\xa9", "/www/films", false};
  StoreFtpSettings(typed);
  ShutdownGlobalConfig();  // what the next run sees
  int32_t port = 0;
  ASSERT_TRUE(NVGetConfigInt("System.FTPPort", &port));
  EXPECT_EQ(port, 2121);
  TFtpSettings read = LoadFtpSettings();
  EXPECT_EQ(read.Host, typed.Host);
  EXPECT_EQ(read.Port, "2121");
  EXPECT_EQ(read.User, typed.User);
  EXPECT_EQ(read.Password, typed.Password);
  EXPECT_EQ(read.Dir, typed.Dir);
  // The main window's spelling of the folder key names the same value.
  EXPECT_EQ(std::u16string(NVGetConfigStrPtr("System.FTPDir")), u"/www/films");

  // A port that is no number is stored as 21; an unchanged key is not
  // written again (the main window's spelling of the folder key survives).
  NVSetConfigStr("System.FTPDir", u"/www/films");
  typed.Port = "ftp";
  StoreFtpSettings(typed);
  ASSERT_TRUE(NVGetConfigInt("System.FTPPort", &port));
  EXPECT_EQ(port, 21);
  EXPECT_NE(test::ReadFile(ConfigStorePath()).find("System.FTPDir="), std::string::npos);

  // The file that holds the password stays private to the user.
  struct stat info {};
  ASSERT_EQ(stat(ConfigStorePath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(FtpUploadModel, AnIdleDialogClosesWithoutAsking) {
  TSWFParam param;
  param.OutputFile = "/out/m.swf";
  param.OutputKind = kOutputSwf;
  TFtpUpload upload("/out/", param);
  bool asked = false;
  upload.Events.Ask = [&](const std::string&) { return asked = true; };
  EXPECT_EQ(upload.LocalDir(), "/out");
  EXPECT_EQ(upload.State(), TFtpUploadState::Idle);
  EXPECT_TRUE(upload.ButtonsEnabled());
  EXPECT_EQ(upload.CancelCaption(), "&Cancel");
  EXPECT_EQ(upload.StatusText(), "Uploading...none");
  EXPECT_EQ(upload.Cancel(), TFtpCancelAction::Close);
  EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace reelcast
