#include "convert/JobRecord.h"

#include <gtest/gtest.h>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "support/StoreFixture.h"

namespace reelcast {
namespace {

using test::WriteFile;

class JobRecordTest : public test::StoreFixture {};

TEST_F(JobRecordTest, CreationDefaults) {
  WriteFile(data_ / "Defaults.conf", "text LD_UsePreloader=Yes\nint LD_BarMode=1\n");
  Reopen();
  SWFParam.OutputFile = "left over from the last job";
  SWFParam.LinkKind = kLinkText;
  TJobSettingObjects objects;
  InitJobSettings(objects);
  EXPECT_EQ(SWFParam.VideoWidth, 320);
  EXPECT_EQ(SWFParam.VideoHeight, 240);
  EXPECT_EQ(SWFParam.FrameRate, 24);
  EXPECT_EQ(SWFParam.OutputKind, kOutputSwf);
  EXPECT_EQ(SWFParam.Template.Kind, 2);
  EXPECT_EQ(SWFParam.Template.Name, "Classic Gray");
  EXPECT_TRUE(SWFParam.OutputFile.empty());
  EXPECT_EQ(SWFParam.LinkKind, kLinkNone);
  ASSERT_EQ(SWFParam.PreLoader, objects.PreLoader.get());
  ASSERT_EQ(SWFParam.ExportSetting, objects.ExportSetting.get());
  EXPECT_EQ(SWFParam.ExportSetting->EmbedType, etSeperaterFLV);
  EXPECT_TRUE(SWFParam.ExportSetting->AutoPlay);
  EXPECT_EQ(SWFParam.ExportSetting->LoadingFrame, 1u);
  EXPECT_EQ(SWFParam.PreLoader->BarMode(), bmBar);

  // A user-set resolution is taken over.
  WriteConfigBool(keys::UserReso, true);
  NVSetConfigInt(keys::Width, 640);
  NVSetConfigInt(keys::Height, 360);
  InitJobSettings(objects);
  EXPECT_EQ(SWFParam.VideoWidth, 640);
  EXPECT_EQ(SWFParam.VideoHeight, 360);
}

TEST_F(JobRecordTest, OutputPathsByKind) {
  InitFolders();
  struct Case {
    int32_t kind;
    std::string expected;
  } cases[] = {
      {kOutputFlv, "/videos/out/movie.flv"},
      {kOutputSwf, "/videos/out/movie.flv"},
      {kOutputScreenSaver, TempFolder + "Holiday.swf"},
      {kOutputProjector, "/videos/exe/Holiday.swf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeOutputFile(c.kind, "/videos/out/movie.flv", "/videos/exe", "Holiday"),
              c.expected)
        << c.kind;
}

}  // namespace
}  // namespace reelcast
