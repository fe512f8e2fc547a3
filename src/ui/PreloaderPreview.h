// The preloader preview window: plays a preloader movie built from a copy of
// the current settings record, as the published movie would show it while
// loading.
#pragma once

#include <QDialog>

#include "convert/JobRecord.h"

namespace reelcast::ui {

class FlashView;

class PreloaderPreview : public QDialog {
  Q_OBJECT
 public:
  explicit PreloaderPreview(const TSWFParam& param, QWidget* parent = nullptr);
  FlashView* Player() const { return flaPreview_; }

 private:
  FlashView* flaPreview_;
};

}  // namespace reelcast::ui
