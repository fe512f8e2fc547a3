// FlashView: a window area that plays an SWF movie, given its path.
//
// The movie runs in Ruffle inside a web engine view; the page, Ruffle's files
// and the movies come from FlashServer on 127.0.0.1. The operations are the
// ones the windows use: Movie (load by path, replacing the movie shown at
// once, also when the file was rewritten at the same path), BGColor, Play,
// Stop, StopPlay; the context menu is always off.
//
// Mouse handling: moves, left presses and releases and clicks are reported
// through the signals; with LockMouseClick set, left-button presses, releases
// and double clicks never reach the movie (the signals still fire). Right
// presses never reach the movie, as the context menu is off; a right press
// and release over the view shows the popup menu when one is set.
//
// Without the web engine (its module missing), the view is an empty area of the background
// colour and the operations only keep their values.
#pragma once

#include <QColor>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

namespace reelcast::ui {

class TWebPane;

class FlashView : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Movie READ Movie WRITE SetMovie)
  Q_PROPERTY(QString BGColor READ BGColor WRITE SetBGColor)
  Q_PROPERTY(bool LockMouseClick READ LockMouseClick WRITE SetLockMouseClick)

 public:
  explicit FlashView(QWidget* parent = nullptr);
  ~FlashView() override;

  // Sets what the web engine needs before the QApplication is made: no
  // sandbox, no GPU, media without a user gesture. Call once, first thing in
  // main(); flags already in the environment are kept.
  static void PrepareEngine();
  // True when the web engine's module can be loaded (else the view is an
  // empty area); loads it.
  static bool Available();
  // Loads the web engine's module and starts the engine with a hidden
  // player page that stays open and loads movie (stopped), so that the
  // first view a window shows neither starts the engine nor fetches and
  // compiles the player on the spot.
  static void WarmUp(const QString& movie);

  // The movie's path; a path that names no file (the callers' "temp.swf" or
  // " " placeholders) empties the area.
  void SetMovie(const QString& path);
  QString Movie() const { return movie_; }
  // Six hexadecimal digits, red first, with or without a leading '#'. Text
  // that is no colour is ignored.
  void SetBGColor(const QString& color);
  QString BGColor() const { return background_.name(); }
  void Play();
  void Stop();      // halts at the current frame
  void StopPlay();  // halts playback
  bool Menu() const { return false; }  // the context menu switch: always off
  bool IsPlaying() const { return playing_; }

  bool LockMouseClick() const { return lockMouseClick_; }
  void SetLockMouseClick(bool lock) { lockMouseClick_ = lock; }
  // Shown on a right press and release over the view; not owned.
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  // Runs a script in the player page (tests read window.reelcast with it).
  // The callback gets the result; without the web engine it is not called.
  void RunJavaScript(const QString& script, std::function<void(const QVariant&)> done);
  // The web engine's view inside this area (nullptr without it, and until
  // the view is first shown).
  QWidget* WebView() const;

 signals:
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
  void Click();
  // The movie at path has been loaded into the player and is showing.
  void MovieShown(const QString& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void StartEngine();
  void WatchChildren(QObject* object);
  void Apply(const QString& script);
  void OnPageReady(bool ok);
  void OnPageMessage(const QString& message);

  QString movie_;
  QString movieUrl_;
  QColor background_ = Qt::black;
  bool playing_ = false;
  bool lockMouseClick_ = false;
  bool pressed_ = false;
  QPointer<QMenu> popupMenu_;
  std::unique_ptr<TWebPane> pane_;  // its view and page are children of this area
  bool pageReady_ = false;
};

}  // namespace reelcast::ui
