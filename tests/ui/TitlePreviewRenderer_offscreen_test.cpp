// Title previews are built off the UI thread, debounced, and only the movie
// of the latest text is announced.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "publish/TitleMovies.h"
#include "support/StoreFixture.h"
#include "ui/TitlePreviewRenderer.h"
#include "ui/XvfbTest.h"

namespace reelcast::test {
namespace {

class TitlePreviewRendererTest : public StoreFixture {
 protected:
  TitlePreviewRendererTest() {
    InitTitleEffectDefaults();
    titles_ = LoadTitleSettings();
  }
  TTitleSettings With(const std::u16string& title) {
    TTitleSettings t = titles_;
    t.Texts.Title = title;
    return t;
  }
  // What a build of this title alone writes.
  std::string Expected(const std::u16string& title) {
    const std::string path = (out_ / "expected.swf").string();
    EXPECT_TRUE(BuildTitleMovie(part_, false, With(title), path));
    return ReadFile(path);
  }

  // The build tree's data folder (the fixture points REELCAST_DATA_DIR elsewhere).
  const std::string part_ = (fs::path(REELCAST_TEST_DATA_DIR) / "templates" / "24" / "Film Strip.prelude.swf").string();
  TempDir out_;
  const QString output_ = QString::fromStdString((out_ / "prelude.swf").string());
  TTitleSettings titles_;
};

TEST_F(TitlePreviewRendererTest, TypingBuildsOnceWithTheLatestText) {
  ui::TitlePreviewRenderer renderer;
  QSignalSpy rebuilt(&renderer, &ui::TitlePreviewRenderer::Rebuilt);
  const std::u16string text = u"Opening night";
  for (size_t n = 1; n <= text.size(); ++n) renderer.Request(false, QString::fromStdString(part_), With(text.substr(0, n)), output_);
  ASSERT_TRUE(WaitUntil([&] { return !renderer.Busy(); }));
  ASSERT_EQ(rebuilt.count(), 1);
  EXPECT_EQ(rebuilt[0][0].toBool(), false);
  EXPECT_EQ(rebuilt[0][1].toString(), output_);
  EXPECT_EQ(ReadFile(output_.toStdString()), Expected(text));
}

TEST_F(TitlePreviewRendererTest, TextTypedDuringABuildIsBuiltNextAndOnlyItIsShown) {
  ui::TitlePreviewRenderer renderer;
  renderer.SetDebounce(0);
  QSignalSpy rebuilt(&renderer, &ui::TitlePreviewRenderer::Rebuilt);
  renderer.Request(false, QString::fromStdString(part_), With(u"First"), output_);
  QCoreApplication::processEvents();  // the first build starts
  renderer.Request(false, QString::fromStdString(part_), With(u"Second"), output_);
  ASSERT_TRUE(WaitUntil([&] { return !renderer.Busy(); }));
  ASSERT_EQ(rebuilt.count(), 1);
  EXPECT_EQ(ReadFile(output_.toStdString()), Expected(u"Second"));

  // A missing part builds nothing and announces nothing.
  renderer.Request(true, "/nonexistent/part.endtitle.swf", With(u"x"), output_);
  ASSERT_TRUE(WaitUntil([&] { return !renderer.Busy(); }));
  EXPECT_EQ(rebuilt.count(), 1);
}

}  // namespace
}  // namespace reelcast::test
