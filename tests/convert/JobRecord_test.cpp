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

// A job's settings are its own: later changes of the record or of the
// objects it points to do not reach them, and copies are as deep.
TEST_F(JobRecordTest, JobSettingsAreADeepCopy) {
  TJobSettingObjects objects;
  InitJobSettings(objects);
  SWFParam.OutputFile = "/out/a.swf";
  objects.ExportSetting->EmbedType = etEmbedFLV;
  objects.ExportSetting->ClickingUrl.URL = "example.org/a";
  TJobSettings job(SWFParam);
  SWFParam.OutputFile = "/out/b.swf";
  objects.ExportSetting->EmbedType = etSeperaterFLV;
  objects.ExportSetting->ClickingUrl.URL = "example.org/b";
  EXPECT_EQ(job.Param().OutputFile, "/out/a.swf");
  ASSERT_NE(job.Param().ExportSetting, objects.ExportSetting.get());
  ASSERT_NE(job.Param().PreLoader, objects.PreLoader.get());
  EXPECT_EQ(job.Param().ExportSetting->EmbedType, etEmbedFLV);
  EXPECT_EQ(job.Param().ExportSetting->ClickingUrl.URL, "example.org/a");
  TJobSettings copy = job;
  ASSERT_NE(copy.Param().ExportSetting, job.Param().ExportSetting);
  EXPECT_EQ(copy.Param().ExportSetting->ClickingUrl.URL, "example.org/a");
  // A record without objects gets default ones.
  TJobSettings bare{TSWFParam{}};
  EXPECT_NE(bare.Param().PreLoader, nullptr);
  EXPECT_NE(bare.Param().ExportSetting, nullptr);
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
