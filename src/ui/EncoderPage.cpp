#include "ui/EncoderPage.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "app/SettingsKeys.h"
#include "platform/EncoderManager.h"

namespace reelcast::ui {

TEncoderPage::TEncoderPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsEncoder"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  auto* audio = new QGroupBox(tr("Audio"), this);
  audio->setObjectName(QStringLiteral("gbAudio"));
  auto* audioLayout = new QVBoxLayout(audio);
  cbAudio_ = new QCheckBox(tr("Disable Audio"), audio);
  cbAudio_->setObjectName(QStringLiteral("cbAudio"));
  cbAudio_->setChecked(ReadConfigBool(keys::DisableAudio, false));
  audioLayout->addWidget(cbAudio_);
  layout->addWidget(audio);
  layout->addStretch(1);
}

TEncoderChoice TEncoderPage::Choice() const {
  TEncoderChoice choice = TEncoderChoice::FromSettings();
  choice.DisableAudio = cbAudio_->isChecked();
  return choice;
}

void TEncoderPage::StoreSettings(TTask& task) {
  WriteConfigBool(keys::DisableAudio, cbAudio_->isChecked());
  task.Encoder = DefaultEncoderParams(Choice(), EncMgrGetFormatTable());
}

void TEncoderPage::FillConvertChoices(TConvertChoices& choices) { choices.DisableAudio = cbAudio_->isChecked(); }

}  // namespace reelcast::ui
