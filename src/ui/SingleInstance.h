// One running copy per user folder: the first copy holds a lock file in the
// user's runtime folder and listens on a local socket; a second start finds
// the lock taken, asks the first copy to bring its window to the front and
// ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace reelcast::ui {

class TSingleInstance : public QObject {
  Q_OBJECT
 public:
  // key: the product's full name; the user folder is added so that copies
  // working in different user folders (tests) do not meet.
  explicit TSingleInstance(const QString& key, QObject* parent = nullptr);
  ~TSingleInstance() override;

  // True when this is the first copy (it then holds the lock and listens);
  // false after the running copy was asked to come to the front.
  bool Acquire();

 signals:
  // Another start asked this copy to show its window.
  void activationRequested();

 private:
  QString name_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace reelcast::ui
