// The Encoder stage: the output video and sound settings of every title and
// chapter. Leaving it stores them into every row (StoreEncoderSettings).
#pragma once

#include <QCheckBox>

#include "sources/EncoderChoice.h"
#include "ui/StagePage.h"

namespace reelcast::ui {

class TEncoderPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TEncoderPage(TWorkspace& workspace, QWidget* parent = nullptr);

  // The page's choices: the stored ones as the page shows them.
  TEncoderChoice Choice() const;
  // StoreEncoderSettings: the encoder block of the page's choices.
  void StoreSettings(TTask& task) override;
  void FillConvertChoices(TConvertChoices& choices) override;

 private:
  QCheckBox* cbAudio_;
};

}  // namespace reelcast::ui
