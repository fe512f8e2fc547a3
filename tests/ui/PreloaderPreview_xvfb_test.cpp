// The preloader preview window plays the preloader built from the settings.
#include <gtest/gtest.h>

#include <QTest>

#include "convert/JobRecord.h"
#include "publish/FlashPreloader.h"
#include "ui/FlashView.h"
#include "ui/PreloaderPreview.h"
#include "ui/XvfbTest.h"

namespace reelcast::test {
namespace {

TEST(PreloaderPreview, PlaysThePreloaderOfTheSettings) {
  TJobSettingObjects objects;
  TSWFParam param;
  param.PreLoader = objects.PreLoader.get();
  param.PreLoader->BKColor = 0x00FF00;  // green
  param.PreLoader->UseProgressBar = true;
  param.PreLoader->BarStyle = u"Classic Blue";
  param.PreLoader->SetBarMode(bmAll);
  ui::PreloaderPreview window(param);
  QString shown;
  QObject::connect(window.Player(), &ui::FlashView::MovieShown, [&](const QString& p) { shown = p; });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.Player()->objectName(), "flaPreview");
  ASSERT_TRUE(WaitUntil([&] { return !shown.isEmpty(); }));
  EXPECT_EQ(shown.toStdString(), PreloaderPreviewPath());
  QImage shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = ScreenShot(*window.Player());
    const QRgb c = shot.pixel(10, 10);
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
  })) << "the preloader's green background does not show";
  SaveScreenShot(ScreenShot(window), "preloader-preview");
}

}  // namespace
}  // namespace reelcast::test
