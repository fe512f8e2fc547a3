// The Template stage: the general or player template, the opening and
// ending titles, background music and the control bar. Convert takes the
// template, music and play settings from here.
#pragma once

#include "ui/StagePage.h"

namespace reelcast::ui {

class TTemplatePage : public TStagePage {
  Q_OBJECT
 public:
  explicit TTemplatePage(TWorkspace& workspace, QWidget* parent = nullptr);

  // Leaving the page stops the music preview (btnAStop).
  void LeavePage() override;
  void FillConvertChoices(TConvertChoices& choices) override;
};

}  // namespace reelcast::ui
