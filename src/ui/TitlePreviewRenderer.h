// Rebuilds the opening and ending title preview movies off the UI thread.
// Requests made while typing are debounced, a request replaces one that has
// not started yet, and only the movie of the latest request is announced:
// a keystroke never waits for a movie to be written, and the preview always
// ends on the latest text.
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <optional>

#include "publish/TitleMovies.h"

namespace reelcast::ui {

class TitlePreviewRenderer : public QObject {
  Q_OBJECT
 public:
  explicit TitlePreviewRenderer(QObject* parent = nullptr);
  ~TitlePreviewRenderer() override;  // waits for a build under way

  // How long requests must pause before a build starts (milliseconds).
  void SetDebounce(int ms);
  // Asks for the opening (ending false) or ending movie over partPath with
  // these titles, saved as outputPath.
  void Request(bool ending, const QString& partPath, const TTitleSettings& titles,
               const QString& outputPath);
  // Drops the requests not yet started and waits for a build under way.
  void WaitIdle();
  // True while a request of either kind waits or builds.
  bool Busy() const;

 signals:
  // The movie of the latest request of that kind is written at outputPath.
  void Rebuilt(bool ending, const QString& outputPath);

 private:
  struct Job {
    QString PartPath;
    TTitleSettings Titles;
    QString OutputPath;
  };
  struct Kind {
    std::optional<Job> Pending;
    bool Running = false;
    QTimer Debounce;
  };
  void Start(bool ending);
  void Finished(bool ending, bool written, const QString& outputPath);

  Kind kinds_[2];
  // One worker: the movie builder's font and effect code runs one build at a time.
  QThreadPool pool_;
};

}  // namespace reelcast::ui
