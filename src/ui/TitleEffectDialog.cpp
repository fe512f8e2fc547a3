#include "ui/TitleEffectDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "movie/TextEffects.h"
#include "ui/ColorButton.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

namespace {

QString FromU16(const std::u16string& text) {
  return QString::fromUtf16(text.data(), qsizetype(text.size()));
}
std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

int ReadInt(const std::string& key, int fallback) {
  int32_t value = fallback;
  return NVGetConfigInt(key, &value) ? value : fallback;
}

}  // namespace

std::string TitleEffectDialog::Key(const char* suffix) const {
  return TitleKey(static_cast<TTitleSlot>(kind_), suffix);
}

TitleEffectDialog::TitleEffectDialog(int textKind, QWidget* parent)
    : QDialog(parent), kind_(textKind) {
  setObjectName("frmFlashTextEffect");
  setModal(true);
  auto* frame = new QVBoxLayout(this);
  QToolButton* close = FrameDialog(this, "Text effect", "lblCaption", frame);
  setWindowTitle("Text Effect");
  auto* body = new QWidget(this);
  body->setObjectName("pnlClient");
  frame->addWidget(body);

  auto* effectName = new QLabel("Text Effect", this);
  effectName->setObjectName("lblEffectName");
  cbEffect_ = new QComboBox(this);
  cbEffect_->setObjectName("cbEffect");

  auto* font = new QGroupBox("Font", this);
  fcbFontName_ = new QFontComboBox(font);
  fcbFontName_->setObjectName("fcbFontName");
  cbSize_ = new QComboBox(font);
  cbSize_->setObjectName("cbSize");
  cbSize_->setEditable(true);
  for (const char* size : {"12", "14", "16", "18", "20", "22", "24", "28", "32", "36", "40", "44", "48",
                           "56", "64", "72", "80", "90", "100"})
    cbSize_->addItem(size);
  cbSize_->setCurrentText("40");
  cdColor_ = new ColorButton(font);
  cdColor_->setObjectName("cdColor");
  cbBold_ = new QCheckBox("Bold", font);
  cbBold_->setObjectName("cbBold");
  cbItalic_ = new QCheckBox("Italic", font);
  cbItalic_->setObjectName("cbItalic");
  auto* grid = new QGridLayout(font);
  grid->addWidget(new QLabel("Type", font), 0, 0);
  grid->addWidget(fcbFontName_, 0, 1, 1, 3);
  grid->addWidget(new QLabel("Size", font), 1, 0);
  grid->addWidget(cbSize_, 1, 1);
  grid->addWidget(new QLabel("Color", font), 1, 2);
  grid->addWidget(cdColor_, 1, 3);
  grid->addWidget(cbBold_, 2, 1);
  grid->addWidget(cbItalic_, 2, 2);

  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("btnOK");
  ok->setProperty("accent", true);
  ok->setDefault(true);

  auto* effectRow = new QHBoxLayout;
  effectRow->addWidget(effectName);
  effectRow->addWidget(cbEffect_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(10);
  layout->addLayout(effectRow);
  layout->addWidget(font);
  layout->addLayout(buttons);

  // Fill from the library and the stored values; nothing is stored while
  // the dialog fills itself.
  for (int i = 0, n = GetDTxtEffectCount(); i < n; ++i) {
    TFTxtEffectForUI effect;
    if (GetDTxtEffectData(i, &effect)) cbEffect_->addItem(FromU16(effect.Name));
  }
  const bool hasEffect = NVGetConfigStrPtr(Key("Effect")) != nullptr;
  cbEffect_->setCurrentIndex(hasEffect ? cbEffect_->findText(FromU16(ReadConfigText(Key("Effect")))) : 0);
  effectIndex_ = cbEffect_->currentIndex();
  fontName_ = FromU16(ReadConfigText(Key("FontName")));
  if (fontName_.isEmpty()) fontName_ = fcbFontName_->itemText(0);
  fcbFontName_->setCurrentFont(QFont(fontName_));
  fontSize_ = ReadInt(Key("FontSize"), 40);
  cbSize_->setCurrentText(QString::number(fontSize_));
  bold_ = ReadInt(Key("FontBold"), 0) > 0;
  italic_ = ReadInt(Key("FontItalic"), 0) > 0;
  cbBold_->setChecked(bold_);
  cbItalic_->setChecked(italic_);
  fontColor_ = uint32_t(ReadInt(Key("FontColor"), 0));
  cdColor_->SetWindowsColor(fontColor_);
  initialised_ = true;

  connect(cbEffect_, &QComboBox::currentIndexChanged, this, &TitleEffectDialog::StoreChange);
  connect(fcbFontName_, &QFontComboBox::currentFontChanged, this, &TitleEffectDialog::StoreChange);
  connect(cbSize_, &QComboBox::currentTextChanged, this, &TitleEffectDialog::StoreChange);
  connect(cdColor_, &ColorButton::ColorChanged, this, &TitleEffectDialog::StoreChange);
  connect(cbBold_, &QCheckBox::clicked, this, &TitleEffectDialog::StoreChange);
  connect(cbItalic_, &QCheckBox::clicked, this, &TitleEffectDialog::StoreChange);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);  // the values are already stored
  connect(close, &QToolButton::clicked, this, &TitleEffectDialog::RestoreAndClose);
}

void TitleEffectDialog::StoreChange() {
  if (!initialised_) return;
  NVSetConfigStr(Key("Effect"), ToU16(cbEffect_->currentText()));
  NVSetConfigStr(Key("FontName"), ToU16(fcbFontName_->currentFont().family()));
  // A size that is no number stores nothing more and asks for no preview.
  bool ok = false;
  const int size = cbSize_->currentText().trimmed().toInt(&ok);
  if (!ok) return;
  NVSetConfigInt(Key("FontSize"), size);
  NVSetConfigInt(Key("FontColor"), int32_t(cdColor_->WindowsColor()));
  NVSetConfigInt(Key("FontBold"), cbBold_->isChecked() ? 5 : 0);
  NVSetConfigInt(Key("FontItalic"), cbItalic_->isChecked() ? 5 : 0);
  emit TitlePreviewRequested(kind_ == 3 ? 1 : 0);
}

void TitleEffectDialog::RestoreAndClose() {
  if (initialised_) {
    initialised_ = false;  // the restoring below stores nothing twice
    cbEffect_->setCurrentIndex(effectIndex_);
    NVSetConfigStr(Key("Effect"), ToU16(cbEffect_->currentText()));
    NVSetConfigStr(Key("FontName"), ToU16(fontName_));
    NVSetConfigInt(Key("FontSize"), fontSize_);
    NVSetConfigInt(Key("FontColor"), int32_t(fontColor_));
    NVSetConfigInt(Key("FontBold"), bold_ ? 5 : 0);
    NVSetConfigInt(Key("FontItalic"), italic_ ? 5 : 0);
    emit TitlePreviewRequested(kind_ == 3 ? 1 : 0);
  }
  reject();
}

}  // namespace reelcast::ui
