// The Encoder stage: frame rate, video bit rate, aspect, output size and
// sound of every title and chapter. The page reads its choices from the
// settings store when it is made, shows the selected row's encoder block
// when entered, and on leaving (and again for each row Convert takes)
// writes them into every row's encoder block and into the store.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "sources/EncoderChoice.h"
#include "ui/StagePage.h"

namespace reelcast::ui {

class TEncoderPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TEncoderPage(TWorkspace& workspace, QWidget* parent = nullptr);

  // The page's choices as the controls hold them. A width or height that is
  // no number keeps fallback's side.
  TEncoderChoice Choice(int32_t fallbackWidth = 320, int32_t fallbackHeight = 240) const;
  // ShowEncoderPage: the selected row's encoder block (the first title's
  // when no title or chapter is selected).
  void ShowPage() override;
  // StoreEncoderSettings: the choices into the task's encoder block, the
  // store and SWFParam's video size.
  void StoreSettings(TTask& task) override;
  void FillConvertChoices(TConvertChoices& choices) override;

 private:
  void LoadEncoderSettings();
  void ShowBitRate(int kbps);
  void KeyFrameChanged();
  void ResolutionChanged();
  void AudioChanged();
  // "Constrain Proportion": the other side follows a typed one.
  void SideEdited(bool widthEdited);

  QComboBox* cbFrameRate_;
  QSlider* tbVideoBitRate_;
  QLabel* RzLabel6_;
  QComboBox* cbCode_;
  QComboBox* cbKeyFrame_;
  QLabel* lblKeyFrameS_;
  QLineEdit* edtNum_;
  QLabel* lblF_;
  QComboBox* cbRadio_;
  QCheckBox* cbReso_;
  QLabel* lblWidth_;
  QLabel* lblHeight_;
  QLineEdit* edtWidth_;
  QLineEdit* edtHeight_;
  QComboBox* cbUnit_;
  QCheckBox* cbKeepAsp_;
  QCheckBox* cbAudio_;
  QLabel* lblDRate_;
  QComboBox* cboAudioSRate_;
  QLabel* lblHZ_;
};

}  // namespace reelcast::ui
