// The Flash view under an X screen: movies play in Ruffle, a movie rewritten
// at the same path shows anew, the right button never reaches the movie, and
// the loopback server answers only what it should.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "support/TestEnv.h"
#include "ui/FlashServer.h"
#include "ui/FlashView.h"
#include "ui/XvfbTest.h"

namespace reelcast::test {
namespace {

using ui::FlashServer;
using ui::FlashView;

// A top-level window holding one view of 320 x 240.
struct ShownView {
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
  FlashView* view = new FlashView(window.get());
  QString shown;

  ShownView() {
    window->resize(320, 240);
    view->setGeometry(0, 0, 320, 240);
    QObject::connect(view, &FlashView::MovieShown, [this](const QString& p) { shown = p; });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  bool Load(const QString& path) {
    shown.clear();
    view->SetMovie(path);
    return WaitUntil([&] { return shown == path; });
  }
  QVariant Eval(const QString& script) {
    QVariant result;
    bool done = false;
    view->RunJavaScript(script, [&](const QVariant& v) { result = v, done = true; });
    EXPECT_TRUE(WaitUntil([&] { return done; }));
    return result;
  }
  QRgb Centre() {
    const QImage shot = ScreenShot(*view);
    return shot.pixel(shot.width() / 2, shot.height() * 3 / 4);
  }
  QWidget* Input() { return view->WebView()->focusProxy(); }
};

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
         std::abs(qBlue(a) - qBlue(b)) < 24;
}

TEST(FlashServer, AnswersBelowTheSecretPathOnlyAndNeverForCaching) {
  TempDir root;
  const fs::path dir = root / "movies";
  fs::create_directories(dir);
  WriteFile(dir / "movie.swf", "FWS-movie");
  WriteFile(dir / "clip.flv", "FLV-clip");
  WriteFile(root / "private.txt", "private");
  FlashServer& server = FlashServer::Instance();
  ASSERT_TRUE(server.IsListening());
  const QUrl base(server.BaseUrl());
  EXPECT_EQ(base.host(), "127.0.0.1");
  const QString movieUrl = server.MovieUrl(QString::fromStdString((dir / "movie.swf").string()));
  const QString moviePath = QUrl(movieUrl).path();
  const QString folderPath = moviePath.left(moviePath.lastIndexOf('/') + 1);
  EXPECT_NE(server.MovieUrl(QString::fromStdString((dir / "movie.swf").string())), movieUrl)
      << "each load gets its own URL";

  struct Case {
    QString path;
    int status;
  } cases[] = {
      {base.path() + "player.html", 200},
      {"/player.html", 404},                       // outside the secret path
      {base.path() + "ruffle/ruffle.js", 200},
      {base.path() + "ruffle/../ruffle/ruffle.js", 404},
      {moviePath, 200},
      {folderPath + "clip.flv", 200},              // files beside the movie
      {folderPath + "../private.txt", 404},       // nothing outside the movie's folder
      {folderPath + "%2e%2e/private.txt", 404},
      {folderPath + "missing.swf", 404},
      {base.path() + "m/1/999/movie.swf", 404},   // a folder never registered
  };
  for (const Case& c : cases) EXPECT_EQ(server.Answer(c.path).Status, c.status) << c.path.toStdString();
  EXPECT_EQ(server.Answer(moviePath).Body, "FWS-movie");

  // Over the wire: the headers forbid caching.
  QTcpSocket socket;
  socket.connectToHost(base.host(), base.port());
  ASSERT_TRUE(socket.waitForConnected(10000));
  socket.write("GET " + moviePath.toUtf8() + " HTTP/1.1\r\nHost: x\r\n\r\n");
  QByteArray answer;
  ASSERT_TRUE(WaitUntil([&] {
    answer += socket.readAll();
    return socket.state() == QAbstractSocket::UnconnectedState || answer.endsWith("FWS-movie");
  }));
  answer += socket.readAll();
  EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.toStdString();
  EXPECT_TRUE(answer.contains("Cache-Control: no-store")) << answer.toStdString();
  EXPECT_TRUE(answer.contains("application/x-shockwave-flash"));
  EXPECT_TRUE(answer.endsWith("FWS-movie"));
}

TEST(FlashView, PlaysAMovieUntilStoppedAndTakesTheBackgroundColour) {
  TempDir dir;
  const QString path = QString::fromStdString((dir / "sweep.swf").string());
  WriteSweepMovie(path.toStdString(), 0xC02020);
  ShownView v;
  ASSERT_TRUE(v.Load(path)) << "the movie never showed";
  EXPECT_TRUE(WaitUntil([&] { return Near(v.Centre(), qRgb(0xC0, 0x20, 0x20)); }));
  const QImage first = ScreenShot(*v.view);
  QImage later;
  ASSERT_TRUE(WaitUntil([&] { return (later = ScreenShot(*v.view)) != first; }))
      << "the picture never changed: the movie does not play";
  SaveScreenShot(first, "flashview-sweep-1");
  SaveScreenShot(later, "flashview-sweep-2");

  v.view->Stop();
  ASSERT_TRUE(WaitUntil([&] { return v.Eval("reelcast.player.ruffle().suspended").toBool(); }));
  v.view->Play();
  EXPECT_TRUE(WaitUntil([&] { return !v.Eval("reelcast.player.ruffle().suspended").toBool(); }));

  // A wide area around a 4:3 movie shows the background colour.
  v.view->SetBGColor("#2040E0");
  v.view->setGeometry(0, 0, 320, 120);
  EXPECT_TRUE(WaitUntil([&] {
    const QImage shot = ScreenShot(*v.view);
    return Near(shot.pixel(5, 60), qRgb(0x20, 0x40, 0xE0));
  })) << "the area beside the movie does not take BGColor";
  SaveScreenShot(ScreenShot(*v.view), "flashview-bgcolor");
}

TEST(FlashView, ShowsTheNewMovieWhenTheFileWasRewrittenAtTheSamePath) {
  TempDir dir;
  const QString path = QString::fromStdString((dir / "preview.swf").string());
  WriteSweepMovie(path.toStdString(), 0xC02020);
  ShownView v;
  ASSERT_TRUE(v.Load(path));
  ASSERT_TRUE(WaitUntil([&] { return Near(v.Centre(), qRgb(0xC0, 0x20, 0x20)); }));
  WriteSweepMovie(path.toStdString(), 0x20C040);
  ASSERT_TRUE(v.Load(path));
  EXPECT_TRUE(WaitUntil([&] { return Near(v.Centre(), qRgb(0x20, 0xC0, 0x40)); }))
      << "the old movie is still shown";
  SaveScreenShot(ScreenShot(*v.view), "flashview-rewritten");
  // A path that names no file empties the area.
  v.view->SetMovie("temp.swf");
  EXPECT_TRUE(WaitUntil([&] { return v.Eval("reelcast.player === null").toBool(); }));
}

TEST(FlashView, RightButtonNeverReachesTheMovieAndLockedClicksStillFire) {
  TempDir dir;
  const QString path = QString::fromStdString((dir / "sweep.swf").string());
  WriteSweepMovie(path.toStdString(), 0xC02020);
  ShownView v;
  ASSERT_TRUE(v.Load(path));
  v.Eval("window.leftPresses = 0; window.addEventListener('pointerdown', (e) => {"
         " if (e.button === 0) window.leftPresses++; }, true); 0");
  int downs = 0, ups = 0, clicks = 0;
  QObject::connect(v.view, &FlashView::MouseDown, [&] { ++downs; });
  QObject::connect(v.view, &FlashView::MouseUp, [&] { ++ups; });
  QObject::connect(v.view, &FlashView::Click, [&] { ++clicks; });
  const QPoint mid(160, 120);

  // A left click reaches the movie, so the route the right button takes is live.
  QTest::mouseClick(v.Input(), Qt::LeftButton, {}, mid);
  ASSERT_TRUE(WaitUntil([&] { return v.Eval("window.leftPresses").toInt() == 1; }));
  EXPECT_EQ(clicks, 1);

  QTest::mouseClick(v.Input(), Qt::RightButton, {}, mid);
  QTest::mouseClick(v.Input(), Qt::LeftButton, {}, mid);  // a marker after the right click
  ASSERT_TRUE(WaitUntil([&] { return v.Eval("window.leftPresses").toInt() == 2; }));
  EXPECT_EQ(v.Eval("reelcast.rightPresses").toInt(), 0);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a menu showed";
  SaveScreenShot(ScreenShot(*v.view), "flashview-after-right-click");

  // Locked: the movie sees no left click, the signals still fire.
  v.view->SetLockMouseClick(true);
  QTest::mouseClick(v.Input(), Qt::LeftButton, {}, mid);
  EXPECT_EQ(downs, 3);
  EXPECT_EQ(ups, 3);
  EXPECT_EQ(clicks, 3);
  v.view->SetLockMouseClick(false);
  QTest::mouseClick(v.Input(), Qt::LeftButton, {}, mid);
  ASSERT_TRUE(WaitUntil([&] { return v.Eval("window.leftPresses").toInt() == 3; }));

  // With a popup menu set, a right press and release shows it.
  QMenu menu;
  menu.addAction("Item");
  v.view->SetPopupMenu(&menu);
  QTest::mouseClick(v.Input(), Qt::RightButton, {}, mid);
  EXPECT_TRUE(WaitUntil([&] { return menu.isVisible(); }));
  menu.close();
  EXPECT_EQ(v.Eval("reelcast.rightPresses").toInt(), 0);
}

}  // namespace
}  // namespace reelcast::test

namespace reelcast::test {
namespace {

// Every animated data movie plays in the view: the conversion window's side
// animation and each general template's frame, opening and ending movie.
TEST(FlashView, PlaysTheDataMovies) {
  std::vector<fs::path> movies = {DataDir() / "res" / "ConverterShow.swf"};
  for (const auto& entry : fs::directory_iterator(DataDir() / "templates" / "24"))
    if (entry.path().extension() == ".swf") movies.push_back(entry.path());
  std::sort(movies.begin(), movies.end());
  ASSERT_GE(movies.size(), 4u);
  ShownView v;
  for (const fs::path& movie : movies) {
    SCOPED_TRACE(movie.string());
    ASSERT_TRUE(v.Load(QString::fromStdString(movie.string()))) << "never showed";
    const QImage first = ScreenShot(*v.view);
    QImage later;
    EXPECT_TRUE(WaitUntil([&] { return (later = ScreenShot(*v.view)) != first; }, 30))
        << "the picture never changed";
    std::string name = "flashview-data-" + movie.filename().string();
    for (char& c : name) if (c == ' ') c = '_';
    SaveScreenShot(first, name + "-1");
    SaveScreenShot(later, name + "-2");
  }
}

}  // namespace
}  // namespace reelcast::test

#include "app/ProjectSettings.h"
#include "convert/JobRecord.h"
#include "publish/PlayerMovie.h"

namespace reelcast::test {
namespace {

// Each player template's preview (the sample video played by the player,
// rewritten at the same path for every player) plays in the view.
TEST(FlashView, PlaysEachPlayerTemplatePreview) {
  TJobSettingObjects objects;
  SetStartupDefaults(*objects.ExportSetting);
  TSWFParam param;
  param.PreLoader = objects.PreLoader.get();
  param.ExportSetting = objects.ExportSetting.get();
  std::vector<std::string> players;
  for (const auto& entry : fs::directory_iterator(DataDir() / "templates" / "Players")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".swf" && name != "as.swf" && name != "SampleFlv.swf")
      players.push_back(entry.path().stem().string());
  }
  std::sort(players.begin(), players.end());
  ASSERT_FALSE(players.empty());
  ShownView v;
  for (const std::string& player : players) {
    SCOPED_TRACE(player);
    const std::string preview = MakePlayerPreview(player, true, param);
    ASSERT_FALSE(preview.empty());
    ASSERT_TRUE(v.Load(QString::fromStdString(preview))) << "never showed";
    // The sample video shows (its test picture is nowhere black in the middle)...
    QImage first;
    EXPECT_TRUE(WaitUntil([&] {
      first = ScreenShot(*v.view);
      const QRgb c = first.pixel(first.width() / 2, first.height() / 3);
      return qRed(c) + qGreen(c) + qBlue(c) > 120;
    })) << "the video never showed";
    // ...and plays.
    QImage later;
    EXPECT_TRUE(WaitUntil([&] { return (later = ScreenShot(*v.view)) != first; }, 30))
        << "the picture never changed";
    std::string name = "flashview-player-" + player;
    for (char& c : name) if (c == ' ') c = '_';
    SaveScreenShot(first, name + "-1");
    SaveScreenShot(later, name + "-2");
  }
}

}  // namespace
}  // namespace reelcast::test
