#include "ui/EncoderPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "convert/JobRecord.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (name) label->setObjectName(QLatin1String(name));
  return label;
}

QComboBox* NamedCombo(const char* name, const QStringList& items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->addItems(items);
  return box;
}

// Size and key-frame boxes: at most four characters of digits, '*', 'x'
// and 'X' (what the size boxes have always let through).
QLineEdit* SizeEdit(const char* name, QWidget* parent, const char* pattern = "[0-9*xX]*") {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setMaxLength(4);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QLatin1String(pattern)), edit));
  edit->setFixedWidth(72);
  return edit;
}

}  // namespace

TEncoderPage::TEncoderPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsEncoder"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(12);

  // Video.
  auto* video = new QGroupBox(tr("Video"), this);
  video->setObjectName(QStringLiteral("gbVideo"));
  auto* v = new QGridLayout(video);
  v->setHorizontalSpacing(10);
  QStringList rates{QStringLiteral("Keep original Frame Rate")};
  for (int32_t rate : kFrameRateChoices) rates << QString::number(rate);
  cbFrameRate_ = NamedCombo("cbFrameRate", rates, video);
  tbVideoBitRate_ = new QSlider(Qt::Horizontal, video);
  tbVideoBitRate_->setObjectName(QStringLiteral("tbVideoBitRate"));
  tbVideoBitRate_->setRange(64, 2500);
  tbVideoBitRate_->setSingleStep(8);
  tbVideoBitRate_->setPageStep(64);
  RzLabel6_ = NamedLabel({}, "RzLabel6", video);
  RzLabel6_->setMinimumWidth(80);
  cbCode_ = NamedCombo("cbCode", {QStringLiteral("H.263")}, video);
  cbKeyFrame_ = NamedCombo("cbKeyFrame", {QStringLiteral("Automatic"), QStringLiteral("Custom")}, video);
  lblKeyFrameS_ = NamedLabel(QStringLiteral("Key Frame  Interval:"), "lblKeyFrameS", video);
  edtNum_ = SizeEdit("edtNum", video, "[0-9]*");
  lblF_ = NamedLabel(QStringLiteral("Frame"), "lblF", video);
  QStringList aspects;
  for (const char* a : kAspectChoices) aspects << QLatin1String(a);
  cbRadio_ = NamedCombo("cbRadio", aspects, video);

  int row = 0;
  v->addWidget(NamedLabel(QStringLiteral("Frame Rate:"), nullptr, video), row, 0);
  v->addWidget(cbFrameRate_, row, 1, 1, 2);
  v->addWidget(NamedLabel(QStringLiteral("fps"), nullptr, video), row++, 3);
  v->addWidget(NamedLabel(QStringLiteral("Bit Rate:"), nullptr, video), row, 0);
  auto* rateRow = new QHBoxLayout;
  rateRow->addWidget(NamedLabel(QStringLiteral("Low"), nullptr, video));
  rateRow->addWidget(tbVideoBitRate_, 1);
  rateRow->addWidget(NamedLabel(QStringLiteral("High"), nullptr, video));
  v->addLayout(rateRow, row, 1, 1, 2);
  v->addWidget(RzLabel6_, row++, 3);
  v->addWidget(NamedLabel(QStringLiteral("Video Codec:"), nullptr, video), row, 0);
  v->addWidget(cbCode_, row++, 1, 1, 2);
  v->addWidget(NamedLabel(QStringLiteral("Insert Key Frame:"), nullptr, video), row, 0);
  v->addWidget(cbKeyFrame_, row++, 1, 1, 2);
  v->addWidget(lblKeyFrameS_, row, 0);
  v->addWidget(edtNum_, row, 1);
  v->addWidget(lblF_, row++, 2);
  v->addWidget(NamedLabel(QStringLiteral("Aspect Ratio:"), nullptr, video), row, 0);
  v->addWidget(cbRadio_, row++, 1, 1, 2);
  v->setColumnStretch(2, 1);
  layout->addWidget(video);

  // Size.
  auto* size = new QGroupBox(tr("Size"), this);
  size->setObjectName(QStringLiteral("gbSize"));
  auto* s = new QGridLayout(size);
  cbReso_ = new QCheckBox(QStringLiteral("Resolution"), size);
  cbReso_->setObjectName(QStringLiteral("cbReso"));
  lblWidth_ = NamedLabel(QStringLiteral("Width:  "), "lblWidth", size);
  lblHeight_ = NamedLabel(QStringLiteral("Height: "), "lblHeight", size);
  edtWidth_ = SizeEdit("edtWidth", size);
  edtHeight_ = SizeEdit("edtHeight", size);
  cbUnit_ = NamedCombo("cbUnit", {QStringLiteral("pixel")}, size);
  cbKeepAsp_ = new QCheckBox(QStringLiteral("Constrain Proportion "), size);
  cbKeepAsp_->setObjectName(QStringLiteral("cbKeepAsp"));
  s->addWidget(cbReso_, 0, 0, 1, 4);
  s->addWidget(lblWidth_, 1, 0);
  s->addWidget(edtWidth_, 1, 1);
  s->addWidget(cbUnit_, 1, 2, 2, 1, Qt::AlignVCenter);
  s->addWidget(lblHeight_, 2, 0);
  s->addWidget(edtHeight_, 2, 1);
  s->addWidget(cbKeepAsp_, 3, 0, 1, 4);
  s->setColumnStretch(3, 1);
  layout->addWidget(size);

  // Audio.
  auto* audio = new QGroupBox(tr("Audio"), this);
  audio->setObjectName(QStringLiteral("gbAudio"));
  auto* a = new QGridLayout(audio);
  cbAudio_ = new QCheckBox(QStringLiteral("Disable Audio"), audio);
  cbAudio_->setObjectName(QStringLiteral("cbAudio"));
  lblDRate_ = NamedLabel(QStringLiteral("Sample Rate:"), "lblDRate", audio);
  QStringList sampleRates;
  for (int32_t rate : kSampleRateChoices) sampleRates << QString::number(rate);
  cboAudioSRate_ = NamedCombo("cboAudioSRate", sampleRates, audio);
  lblHZ_ = NamedLabel(QStringLiteral("HZ"), "lblHZ", audio);
  a->addWidget(cbAudio_, 0, 0, 1, 3);
  a->addWidget(lblDRate_, 1, 0);
  a->addWidget(cboAudioSRate_, 1, 1);
  a->addWidget(lblHZ_, 1, 2);
  a->setColumnStretch(3, 1);
  layout->addWidget(audio);
  layout->addStretch(1);

  connect(tbVideoBitRate_, &QSlider::valueChanged, this, &TEncoderPage::ShowBitRate);
  connect(cbKeyFrame_, &QComboBox::currentIndexChanged, this, &TEncoderPage::KeyFrameChanged);
  connect(cbReso_, &QCheckBox::clicked, this, [this](bool on) { WriteConfigBool(keys::UserReso, on); });
  connect(cbReso_, &QCheckBox::toggled, this, &TEncoderPage::ResolutionChanged);
  connect(cbAudio_, &QCheckBox::toggled, this, &TEncoderPage::AudioChanged);
  // Only what the user types drives the other side, so a side set here
  // does not turn round and change the typed one.
  connect(edtWidth_, &QLineEdit::textEdited, this, [this] { SideEdited(true); });
  connect(edtHeight_, &QLineEdit::textEdited, this, [this] { SideEdited(false); });

  edtNum_->setEnabled(false);
  LoadEncoderSettings();
  KeyFrameChanged();
  ResolutionChanged();
  AudioChanged();
}

void TEncoderPage::LoadEncoderSettings() {
  const TEncoderChoice c = TEncoderChoice::FromSettings();
  cbReso_->setChecked(c.Resolution);
  // The size boxes show the stored size whether or not it is used.
  int32_t value = 0;
  edtWidth_->setText(NVGetConfigInt(keys::Width, &value) ? QString::number(value) : QStringLiteral("320"));
  edtHeight_->setText(NVGetConfigInt(keys::Height, &value) ? QString::number(value) : QStringLiteral("240"));
  SWFParam.VideoWidth = edtWidth_->text().toInt();
  SWFParam.VideoHeight = edtHeight_->text().toInt();
  const int rate = cbFrameRate_->findText(QString::number(c.FrameRate));
  cbFrameRate_->setCurrentIndex(c.FrameRate > 0 && rate > 0 ? rate : 0);
  tbVideoBitRate_->setValue(c.BitrateKbps);
  ShowBitRate(tbVideoBitRate_->value());
  cbRadio_->setCurrentIndex(c.AspectMode);
  cboAudioSRate_->setCurrentIndex(cboAudioSRate_->findText(QString::number(c.SampleRate)));
  cbAudio_->setChecked(c.DisableAudio);
}

void TEncoderPage::ShowBitRate(int kbps) { RzLabel6_->setText(QString::number(kbps) + QStringLiteral("kbps")); }

void TEncoderPage::KeyFrameChanged() {
  // The key-frame choice is only shown; the job always places key frames itself.
  const bool custom = cbKeyFrame_->currentIndex() == 1;
  for (QWidget* w : {static_cast<QWidget*>(lblKeyFrameS_), static_cast<QWidget*>(edtNum_), static_cast<QWidget*>(lblF_)})
    w->setEnabled(custom);
}

void TEncoderPage::ResolutionChanged() {
  const bool on = cbReso_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{lblWidth_, lblHeight_, edtWidth_, edtHeight_, cbUnit_, cbKeepAsp_})
    w->setEnabled(on);
}

void TEncoderPage::AudioChanged() {
  const bool off = cbAudio_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{lblDRate_, cboAudioSRate_, lblHZ_}) w->setEnabled(!off);
}

void TEncoderPage::SideEdited(bool widthEdited) {
  if (!cbKeepAsp_->isChecked()) return;
  bool ok = false;
  const int value = (widthEdited ? edtWidth_ : edtHeight_)->text().toInt(&ok);
  if (!ok) return;
  const TTaskList& list = workspace_.List();
  const int32_t w = list.PictureWidth(), h = list.PictureHeight();
  const std::optional<int32_t> other = widthEdited ? ProportionalSide(value, w, h) : ProportionalSide(value, h, w);
  if (other) (widthEdited ? edtHeight_ : edtWidth_)->setText(QString::number(*other));
}

TEncoderChoice TEncoderPage::Choice(int32_t fallbackWidth, int32_t fallbackHeight) const {
  TEncoderChoice c;
  c.FrameRate = cbFrameRate_->currentIndex() <= 0 ? 0.0 : cbFrameRate_->currentText().toDouble();
  c.AspectMode = std::max(0, cbRadio_->currentIndex());
  c.BitrateKbps = tbVideoBitRate_->value();
  c.SampleRate = cboAudioSRate_->currentText().toInt();
  c.Resolution = cbReso_->isChecked();
  bool ok = false;
  const int width = edtWidth_->text().toInt(&ok);
  c.Width = ClampVideoWidth(ok ? width : fallbackWidth);
  const int height = edtHeight_->text().toInt(&ok);
  c.Height = ClampVideoHeight(ok ? height : fallbackHeight);
  c.DisableAudio = cbAudio_->isChecked();
  return c;
}

void TEncoderPage::ShowPage() {
  std::vector<TTaskRow*> rows = workspace_.TaskRows();
  if (rows.empty()) return;
  TTaskRow* selected = workspace_.Selected();
  const TEncoderParams& block = (selected && selected->Level() > 0 ? selected : rows.front())->Task.Encoder;
  const int rate = cbFrameRate_->findText(QString::number(block.FrameRate, 'g', 4));
  cbFrameRate_->setCurrentIndex(rate > 0 ? rate : 0);
  if (block.ResizeMode >= 0 && block.ResizeMode < cbRadio_->count()) cbRadio_->setCurrentIndex(block.ResizeMode);
  tbVideoBitRate_->setValue(block.VideoBitrate / 1000);
  ShowBitRate(tbVideoBitRate_->value());
  const int sample = cboAudioSRate_->findText(QString::number(block.SampleRate));
  cboAudioSRate_->setCurrentIndex(sample > 0 ? sample : 0);
  cbAudio_->setChecked(ReadConfigBool(keys::DisableAudio, false));
  edtWidth_->setText(QString::number(block.Width));
  edtHeight_->setText(QString::number(block.Height));
}

void TEncoderPage::StoreSettings(TTask& task) {
  // A size box that holds no number keeps the task's size.
  const TEncoderChoice c = Choice(task.Encoder.Width, task.Encoder.Height);
  ApplyEncoderChoice(c, task.Encoder);
  c.WriteSettings();
  SWFParam.VideoWidth = task.Encoder.Width;
  SWFParam.VideoHeight = task.Encoder.Height;
}

void TEncoderPage::FillConvertChoices(TConvertChoices& choices) { choices.DisableAudio = cbAudio_->isChecked(); }

}  // namespace reelcast::ui
