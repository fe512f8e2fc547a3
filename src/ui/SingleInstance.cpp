#include "ui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include "app/Paths.h"

namespace reelcast::ui {

TSingleInstance::TSingleInstance(const QString& key, QObject* parent) : QObject(parent) {
  const QByteArray id = (key + QChar('\n') + QString::fromStdString(UserFolder())).toUtf8();
  name_ = QStringLiteral("reelcast-") +
          QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(16));
}

TSingleInstance::~TSingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
}

bool TSingleInstance::Acquire() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  lock_ = std::make_unique<QLockFile>(folder + '/' + name_ + QStringLiteral(".lock"));
  // A lock left by a copy that died is taken over (the lock names its process).
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(2000)) {
      socket.write("activate\n");
      socket.waitForBytesWritten(2000);
      socket.disconnectFromServer();
    }
    lock_.reset();
    return false;
  }
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name_);  // a socket file left by a copy that died
  if (server_->listen(name_)) {
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
          if (socket->readAll().contains("activate")) emit activationRequested();
        });
      }
    });
  }
  return true;
}

}  // namespace reelcast::ui
