#include "ui/FlashServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include "app/Paths.h"

namespace reelcast::ui {

namespace {

QByteArray ContentTypeOf(const QString& path) {
  static const QHash<QString, QByteArray> types = {
      {"html", "text/html; charset=utf-8"}, {"js", "text/javascript"},
      {"wasm", "application/wasm"},         {"swf", "application/x-shockwave-flash"},
      {"flv", "video/x-flv"},               {"mp3", "audio/mpeg"},
      {"xml", "text/xml"},                  {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},               {"png", "image/png"},
      {"gif", "image/gif"},                 {"txt", "text/plain"},
      {"json", "application/json"},         {"map", "application/json"}};
  return types.value(QFileInfo(path).suffix().toLower(), "application/octet-stream");
}

// Reads a regular file; false when it is missing or not readable.
bool ReadWholeFile(const QString& path, QByteArray& out) {
  QFileInfo info(path);
  if (!info.isFile()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  out = file.readAll();
  return true;
}

// True when path (already canonical) lies inside folder (canonical, no '/'
// at the end).
bool Inside(const QString& path, const QString& folder) {
  return path.startsWith(folder + '/');
}

QByteArray StatusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 405: return "Method Not Allowed";
    default: return "Not Found";
  }
}

}  // namespace

FlashServer& FlashServer::Instance() {
  static FlashServer* server = new FlashServer;  // lives as long as the process
  return *server;
}

FlashServer::FlashServer() {
  secret_ = QByteArray::number(QRandomGenerator::system()->generate64(), 16) +
            QByteArray::number(QRandomGenerator::system()->generate64(), 16);
  if (!AppFolder.empty()) ruffleFolder_ = QString::fromStdString(AppPath("ruffle/"));
  thread_.setObjectName(QStringLiteral("flash server"));
  thread_.start();
  // The server is made and listens on its thread, where its sockets live.
  auto* context = new QObject;
  context->moveToThread(&thread_);
  QMetaObject::invokeMethod(
      context,
      [this, context] {
        server_ = new QTcpServer;
        connect(server_, &QTcpServer::newConnection, server_, [this] { OnConnection(); });
        if (server_->listen(QHostAddress::LocalHost, 0)) port_ = server_->serverPort();
        context->deleteLater();
      },
      Qt::BlockingQueuedConnection);
  // The thread ends with the application; the server stays unanswered.
  qAddPostRoutine([] {
    FlashServer& server = Instance();
    server.thread_.quit();
    server.thread_.wait();
  });
}

QString FlashServer::BaseUrl() const {
  return QString("http://127.0.0.1:%1/%2/").arg(port_).arg(QString::fromLatin1(secret_));
}

void FlashServer::SetRuffleFolder(const QString& folder) {
  std::lock_guard lock(mutex_);
  ruffleFolder_ = folder;
}

QString FlashServer::RuffleFolder() const {
  std::lock_guard lock(mutex_);
  return ruffleFolder_;
}

QString FlashServer::MovieUrl(const QString& path) {
  QFileInfo info(path);
  QString folder = info.absoluteDir().canonicalPath();
  if (folder.isEmpty()) folder = info.absolutePath();  // a folder that does not exist yet
  std::lock_guard lock(mutex_);
  int id = folderIds_.value(folder, -1);
  if (id < 0) {
    id = folderIds_.size();
    folderIds_.insert(folder, id);
    folders_.insert(id, folder);
  }
  ++generation_;
  return BaseUrl() + QString("m/%1/%2/").arg(generation_).arg(id) +
         QString::fromLatin1(QUrl::toPercentEncoding(info.fileName()));
}

FlashServer::Reply FlashServer::Answer(const QString& requestPath) const {
  Reply reply;
  const QString prefix = '/' + QString::fromLatin1(secret_) + '/';
  if (!requestPath.startsWith(prefix)) return reply;
  const QString rest = QUrl::fromPercentEncoding(requestPath.mid(prefix.size()).toUtf8());

  if (rest == "player.html") {
    reply.Status = 200;
    reply.ContentType = "text/html; charset=utf-8";
    reply.Body = PlayerPage(prefix + "ruffle/");
    return reply;
  }
  if (rest.startsWith("ruffle/")) {
    // The runtime's folder is flat: plain file names only.
    const QString name = rest.mid(7);
    static const QRegularExpression plainName("^[A-Za-z0-9_-][A-Za-z0-9._-]*$");
    const QString ruffleFolder = RuffleFolder();
    if (ruffleFolder.isEmpty() || !plainName.match(name).hasMatch()) return reply;
    if (ReadWholeFile(QDir(ruffleFolder).filePath(name), reply.Body)) {
      reply.Status = 200;
      reply.ContentType = ContentTypeOf(name);
      reply.Immutable = true;
    }
    return reply;
  }
  // m/GENERATION/FOLDER-ID/relative/path: a file in a movie's folder.
  static const QRegularExpression moviePath("^m/\\d+/(\\d+)/(.+)$");
  const auto match = moviePath.match(rest);
  if (!match.hasMatch()) return reply;
  QString folder;
  {
    std::lock_guard lock(mutex_);
    folder = folders_.value(match.captured(1).toInt());
  }
  if (folder.isEmpty()) return reply;
  const QString canonical = QFileInfo(folder + '/' + match.captured(2)).canonicalFilePath();
  if (canonical.isEmpty() || !Inside(canonical, QFileInfo(folder).canonicalFilePath())) return reply;
  if (ReadWholeFile(canonical, reply.Body)) {
    reply.Status = 200;
    reply.ContentType = ContentTypeOf(canonical);
  }
  return reply;
}

void FlashServer::OnConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      // One request per connection: the answer closes it.
      if (socket->property("answered").toBool()) return;
      QByteArray head = socket->property("head").toByteArray() + socket->readAll();
      if (head.size() > 64 * 1024) {
        socket->abort();
        return;
      }
      if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
      }
      socket->setProperty("answered", true);
      const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
      Reply reply;
      bool headOnly = false;
      if (requestLine.size() != 3) {
        reply.Status = 400;
      } else if (requestLine[0] != "GET" && requestLine[0] != "HEAD") {
        reply.Status = 405;
      } else {
        headOnly = requestLine[0] == "HEAD";
        QByteArray target = requestLine[1];
        if (int q = target.indexOf('?'); q >= 0) target.truncate(q);
        reply = Answer(QString::fromLatin1(target));
      }
      QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.Status) + ' ' + StatusText(reply.Status) + "\r\n";
      if (!reply.ContentType.isEmpty()) out += "Content-Type: " + reply.ContentType + "\r\n";
      out += "Content-Length: " + QByteArray::number(reply.Body.size()) + "\r\n";
      if (reply.Immutable)
        out += "Cache-Control: public, max-age=31536000, immutable\r\n";
      else
        out += "Cache-Control: no-store, no-cache, must-revalidate\r\nPragma: no-cache\r\n";
      out += "Connection: close\r\n\r\n";
      if (!headOnly) out += reply.Body;
      socket->write(out);
      socket->disconnectFromHost();
    });
  }
}

}  // namespace reelcast::ui
