// main() of the tests that show windows on an X screen (run under xvfb-run):
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
  reelcast::test::TempDir home("reelcast-home");
  setenv("REELCAST_HOME", home.Path().c_str(), 1);
  reelcast::InitFolders();
  reelcast::ui::FlashView::PrepareEngine();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
