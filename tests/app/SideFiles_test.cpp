#include "app/SideFiles.h"

#include <gtest/gtest.h>

#include "support/StoreFixture.h"

namespace reelcast {
namespace {

class UrlHistoryTest : public test::StoreFixture {};

TEST_F(UrlHistoryTest, AddsNewAddressesOnceAndKeepsTheFileInStep) {
  EXPECT_TRUE(LoadUrlHistory(TUrlHistory::Clicking).empty());
  std::vector<std::string> items;
  struct Step {
    const char* typed;
    std::vector<std::string> after;
  } steps[] = {
      {"   ", {}},  // blank: nothing, and no file yet
      {"http://example.org/", {"http://example.org/"}},
      {"HTTP://EXAMPLE.ORG/", {"http://example.org/"}},
      {"https://b.example/ ", {"http://example.org/", "https://b.example/ "}},
      {"line\nbreak", {"http://example.org/", "https://b.example/ ", "line break"}},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(AddToUrlHistory(TUrlHistory::Clicking, items, step.typed));
    EXPECT_EQ(items, step.after) << step.typed;
    if (step.after.empty()) {
      EXPECT_FALSE(test::fs::exists(UrlHistoryPath(TUrlHistory::Clicking)));
    } else {
      EXPECT_EQ(LoadUrlHistory(TUrlHistory::Clicking), step.after);
    }
  }
  // The two histories are separate files.
  EXPECT_TRUE(LoadUrlHistory(TUrlHistory::PlayEnd).empty());
  EXPECT_EQ(UrlHistoryPath(TUrlHistory::PlayEnd), UserFolder() + "UrlAddress2.ini");
}

}  // namespace
}  // namespace reelcast
