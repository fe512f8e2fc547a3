// The small HTTP server the Flash views load their player page, the Flash
// runtime's files and the movies from. It listens on 127.0.0.1 only, on a
// free port, and answers only below a secret path made afresh for each run,
// so other local programs cannot read through it. Every answer forbids
// caching: a movie file rewritten at the same path is read anew.
//
// The server answers on a thread of its own: reading and sending the
// runtime's large WebAssembly files never holds up the UI thread.
//
// The web engine cannot take these files through a custom URL scheme: the
// runtime fetches its WebAssembly with fetch(), which Qt 6.4's schemes do
// not answer.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QThread>
#include <mutex>

class QTcpServer;

namespace reelcast::ui {

class FlashServer : public QObject {
  Q_OBJECT
 public:
  // The one server of the process, started on first use. Must be called on
  // the UI thread.
  static FlashServer& Instance();

  bool IsListening() const { return port_ != 0; }
  // http://127.0.0.1:PORT/SECRET/ (with the trailing '/').
  QString BaseUrl() const;
  // The player page the views load.
  QString PlayerPageUrl() const { return BaseUrl() + "player.html"; }
  // The URL of a movie file. The movie's folder becomes readable through the
  // server (the movie may load files beside it, such as its FLV); each call
  // gives a new URL, so the engine never mixes an old and a new file.
  QString MovieUrl(const QString& path);
  // Where the runtime's files are read from (AppFolder + "ruffle/" unless
  // set otherwise).
  void SetRuffleFolder(const QString& folder);
  QString RuffleFolder() const;

  // The answer to one request path (without the query); public for tests.
  struct Reply {
    int Status = 404;
    QByteArray ContentType;
    QByteArray Body;
    // Ruffle's own files never change while the program runs: the web
    // engine may keep them (and its compiled code) in memory.
    bool Immutable = false;
  };
  // Called on the server's thread and by tests on any thread.
  Reply Answer(const QString& requestPath) const;

 private:
  FlashServer();
  void OnConnection();  // on the server's thread

  QThread thread_;
  QTcpServer* server_ = nullptr;  // lives on thread_
  quint16 port_ = 0;
  QByteArray secret_;
  mutable std::mutex mutex_;  // guards what follows: the UI thread adds, the server reads
  QString ruffleFolder_;
  QHash<QString, int> folderIds_;  // canonical folder -> id in the URL
  QHash<int, QString> folders_;
  int generation_ = 0;
};

// The page that hosts one player; its script takes the view's commands.
QByteArray PlayerPage(const QString& rufflePrefix);

}  // namespace reelcast::ui
