// main() of every test executable: each test process works in its own
// REELCAST_HOME, so no test reads or writes a user's settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestEnv.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  reelcast::test::TempDir home("reelcast-home");
  setenv("REELCAST_HOME", home.Path().c_str(), 1);
  return RUN_ALL_TESTS();
}
