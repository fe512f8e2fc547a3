#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/Paths.h"
#include "support/StoreFixture.h"

namespace reelcast {
namespace {

using test::fs::exists;
using test::WriteFile;

class StartupTest : public test::StoreFixture {
 protected:
  ~StartupTest() override {
    ShutdownApplication();
    SetEncoderManagerHooks({});
  }
};

TEST_F(StartupTest, CreatesScratchFoldersOnEveryStart) {
  StartApplication();
  std::string home = home_.Path().string() + "/";
  EXPECT_EQ(UserFolder(), home);
  EXPECT_EQ(TempFolder, home + "temp/");
  EXPECT_EQ(AppFolder, data_.Path().string() + "/");
  EXPECT_TRUE(exists(home + "temp/"));
  EXPECT_TRUE(exists(home + "Snapshot/"));
  ShutdownApplication();
  // A job removed the scratch folder; the next start brings it back.
  test::fs::remove_all(home + "temp/");
  StartApplication();
  EXPECT_TRUE(exists(home + "temp/"));
}

TEST_F(StartupTest, ReadsTheProductIdentityAndToleratesItsAbsence) {
  StartApplication();
  EXPECT_TRUE(ProductFullName.empty());
  EXPECT_TRUE(SuiteName.empty());
  ShutdownApplication();

  WriteFile(data_ / "sys.dat", "System.FullName=Reelcast Test Build\nSystem.SuiteName=Suite\n");
  StartApplication();
  EXPECT_EQ(ProductFullName, u"Reelcast Test Build");
  EXPECT_EQ(SuiteName, u"Suite");
  EXPECT_TRUE(SuiteFullName.empty());
  ASSERT_NE(ProductDataHandle, nullptr);
  ShutdownApplication();
  EXPECT_EQ(ProductDataHandle, nullptr);
}

TEST_F(StartupTest, InstalledProductFileNamesTheProduct) {
  WriteFile(data_ / "Sys.Dat", test::ReadFile(test::SourceDir() / "data" / "Sys.Dat"));
  StartApplication();
  EXPECT_EQ(ProductFullName.substr(0, 8), u"Reelcast");
  for (const char* key : {"HTTP.HomePage", "HTTP.HomePageURL", "HTTP.SupportPage",
                          "HTTP.SupportPageURL", "frmAbout_TextColor"})
    EXPECT_NE(ConfigGetStrPtr(ProductDataHandle, key), nullptr) << key;
}

TEST_F(StartupTest, EncoderManagerStartsAfterTheStoreAndStopsBeforeIt) {
  std::vector<std::string> calls;
  SetEncoderManagerHooks({[&] {
                            int32_t width = 0;
                            // The store is open when the encoder manager starts.
                            NVSetConfigInt("System.nWidth", 400);
                            calls.push_back(NVGetConfigInt("System.nWidth", &width)
                                                ? "start " + std::to_string(width)
                                                : "start without store");
                          },
                          [&] { calls.push_back("stop"); }});
  StartApplication();
  ShutdownApplication();
  ShutdownApplication();
  EXPECT_EQ(calls, (std::vector<std::string>{"start 400", "stop"}));
}

TEST_F(StartupTest, UnusableUserFolderGivesAClearError) {
  WriteFile(home_ / "blocker", "");
  test::ScopedEnv badHome("REELCAST_HOME", (home_ / "blocker" / "sub").string());
  try {
    StartApplication();
    FAIL() << "start-up went on without a user folder";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot create the user folder"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("blocker/sub"), std::string::npos) << e.what();
  }
}

TEST(ResolveRelative, MatchesEachComponentWithoutRegardToCase) {
  test::TempDir dir;
  test::fs::create_directories(dir / "res" / "Control Bar");
  test::fs::create_directories(dir / "Res2");
  WriteFile(dir / "res" / "Control Bar" / "Blue.stop.swf", "");
  WriteFile(dir / "res" / "frm_Top.jpg", "");
  std::string base = dir.Path().string() + "/";
  struct Case {
    const char* relative;
    std::string expected;
  } cases[] = {
      {"res\\Control Bar\\Blue.Stop.swf", base + "res/Control Bar/Blue.stop.swf"},
      {"RES\\CONTROL BAR\\", base + "res/Control Bar/"},
      {"Res\\frm_Top.jpg", base + "res/frm_Top.jpg"},
      {"res/control bar/Red.Stop.swf", base + "res/Control Bar/Red.Stop.swf"},
      {"templates\\24\\", base + "templates/24/"},
      {"res2", base + "Res2"},
      {"", base},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveRelative(base, c.relative), c.expected) << c.relative;
}

}  // namespace
}  // namespace reelcast
