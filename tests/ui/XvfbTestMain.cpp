// main() of the desktop tests (on an X screen under xvfb-run, or offscreen):
// the web engine's flags, one QApplication, the program's folders in a
// temporary REELCAST_HOME.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/Paths.h"
#include "support/TestEnv.h"
#include "ui/FlashView.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // test discovery: no windows
#ifdef REELCAST_TEST_OFFSCREEN
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  reelcast::test::TempDir home("reelcast-home");
  setenv("REELCAST_HOME", home.Path().c_str(), 1);
  reelcast::InitFolders();
  reelcast::ui::FlashView::PrepareEngine();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
