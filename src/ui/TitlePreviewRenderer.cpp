#include "ui/TitlePreviewRenderer.h"

#include <exception>

#include "app/Config.h"

namespace reelcast::ui {

TitlePreviewRenderer::TitlePreviewRenderer(QObject* parent) : QObject(parent) {
  pool_.setMaxThreadCount(1);
  for (bool ending : {false, true}) {
    Kind& kind = kinds_[ending];
    kind.Debounce.setSingleShot(true);
    kind.Debounce.setInterval(40);
    connect(&kind.Debounce, &QTimer::timeout, this, [this, ending] { Start(ending); });
  }
}

TitlePreviewRenderer::~TitlePreviewRenderer() { pool_.waitForDone(); }

void TitlePreviewRenderer::SetDebounce(int ms) {
  for (Kind& kind : kinds_) kind.Debounce.setInterval(ms);
}

void TitlePreviewRenderer::WaitIdle() {
  for (Kind& kind : kinds_) {
    kind.Debounce.stop();
    kind.Pending.reset();
  }
  pool_.waitForDone();
}

bool TitlePreviewRenderer::Busy() const {
  for (const Kind& kind : kinds_)
    if (kind.Pending || kind.Running) return true;
  return false;
}

void TitlePreviewRenderer::Request(bool ending, const QString& partPath, const TTitleSettings& titles,
                                   const QString& outputPath) {
  Kind& kind = kinds_[ending];
  kind.Pending = Job{partPath, titles, outputPath};
  kind.Debounce.start();
}

void TitlePreviewRenderer::Start(bool ending) {
  Kind& kind = kinds_[ending];
  if (kind.Running || !kind.Pending) return;  // Finished starts the next one
  Job job = std::move(*kind.Pending);
  kind.Pending.reset();
  kind.Running = true;
  pool_.start([this, ending, job = std::move(job)] {
    bool written = false;
    try {
      written = BuildTitleMovie(job.PartPath.toStdString(), ending, job.Titles, job.OutputPath.toStdString());
    } catch (const std::exception& e) {
      NVLog(std::string("Title preview failed: ") + e.what());
    }
    QMetaObject::invokeMethod(
        this, [this, ending, written, path = job.OutputPath] { Finished(ending, written, path); },
        Qt::QueuedConnection);
  });
}

void TitlePreviewRenderer::Finished(bool ending, bool written, const QString& outputPath) {
  Kind& kind = kinds_[ending];
  kind.Running = false;
  if (kind.Pending) {
    // Newer text arrived while building: show only the movie of the latest.
    if (!kind.Debounce.isActive()) Start(ending);
    return;
  }
  if (written) emit Rebuilt(ending, outputPath);
}

}  // namespace reelcast::ui
