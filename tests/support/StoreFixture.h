// A test fixture with its own user folder and data folder, and the settings
// store opened on them, so that neither the caller's settings nor the
// installed defaults of the build tree leak into a test.
#pragma once

#include <gtest/gtest.h>

#include "app/Config.h"
#include "app/Paths.h"
#include "support/TestEnv.h"

namespace reelcast::test {

class StoreFixture : public ::testing::Test {
 protected:
  StoreFixture() {
    AppFolder.clear();
    ShutdownGlobalConfig();
    InitGlobalConfig();
  }
  ~StoreFixture() override {
    ShutdownGlobalConfig();
    AppFolder.clear();
  }
  // What a new process would see.
  void Reopen() {
    ShutdownGlobalConfig();
    InitGlobalConfig();
  }

  TempDir home_{"reelcast-home"};
  TempDir data_{"reelcast-data"};
  ScopedEnv homeEnv_{"REELCAST_HOME", home_.Path().string()};
  ScopedEnv dataEnv_{"REELCAST_DATA_DIR", data_.Path().string()};
};

}  // namespace reelcast::test
