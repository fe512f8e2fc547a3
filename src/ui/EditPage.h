// The Edit stage: the selected title's preview with trim, crop, picture
// and sound adjustments. Leaving it stores those values into every row.
#pragma once

#include <QFrame>

#include "ui/StagePage.h"

namespace reelcast::ui {

class TEditPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TEditPage(TWorkspace& workspace, QWidget* parent = nullptr);
  // The area that holds the preview and its controls.
  QFrame* PreviewArea() const { return previewArea_; }

 private:
  QFrame* previewArea_;
};

}  // namespace reelcast::ui
