// The desktop's parts that sit on Qt's web engine and on Qt Multimedia: the
// web view the Flash views play in, the previews' sound card and the music
// player. They live in a module of their own (libreelcast_engines.so, beside
// the program or in its lib/reelcast/ folder) that is loaded when first
// needed. The program itself does not link those libraries, so starting it
// does not map and relocate them and the many libraries they pull in.
//
// Everything here is called on the UI thread, except MakeAudioDevice, which
// the preview players call on their own threads.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace reelcast {
class TAudioDevice;
}

namespace reelcast::ui {

// A web view showing one page. Its widget and page are children of the
// parent given to MakeWebPane and go with it; the pane object only steers
// them and may be deleted first.
class TWebPane {
 public:
  struct TCallbacks {
    std::function<void(bool ok)> LoadFinished;
    // Every console line of the page's scripts.
    std::function<void(const QString& message)> ConsoleMessage;
    // Whether the page itself may go to url (links inside frames always may).
    std::function<bool(const QUrl& url)> AcceptNavigation;
  };
  virtual ~TWebPane() = default;
  // The view (a QWebEngineView).
  virtual QWidget* Widget() = 0;
  virtual void SetBackground(const QColor& color) = 0;
  virtual void Load(const QUrl& url) = 0;
  virtual void RunJavaScript(const QString& script, std::function<void(const QVariant&)> done) = 0;
};

// Plays one sound file to the default output (Qt Multimedia's player).
class TMusicPlayer {
 public:
  struct TCallbacks {
    std::function<void()> EndOfMedia;
    std::function<void(const QString& error)> Failed;
  };
  virtual ~TMusicPlayer() = default;
  virtual void Play(const QString& file) = 0;
  virtual void Stop() = 0;
  // Milliseconds played; -1 once the player has failed.
  virtual int64_t PositionMs() const = 0;
};

// What the module offers.
struct TEngines {
  // A web view in the shared off-the-record profile (no disk cache, no
  // cookies kept, media play without a gesture, no scroll bars).
  std::function<std::unique_ptr<TWebPane>(QWidget* parent, TWebPane::TCallbacks callbacks)> MakeWebPane;
  // Starts the web engine and keeps a hidden page of url open for the
  // program's life, running script once the page has loaded, so that the
  // first view a window shows starts at once.
  std::function<void(const QUrl& url, const QString& script)> WarmUpWeb;
  std::function<std::unique_ptr<TAudioDevice>()> MakeAudioDevice;
  std::function<std::unique_ptr<TMusicPlayer>(QObject* parent, TMusicPlayer::TCallbacks callbacks)> MakeMusicPlayer;
  // Whether the machine has a sound output to play music on.
  std::function<bool()> HasAudioOutput;
};

// Changes whenever TEngines or the classes above change, so that a module
// of another build is not used.
constexpr unsigned kEnginesAbi = 2;

// The module's parts, loaded on the first call; nullptr when the module is
// missing or cannot be loaded (said once on stderr). Thread-safe.
const TEngines* Engines();
// Where the module is looked for, in order.
QStringList EngineModuleCandidates();

}  // namespace reelcast::ui
