#include "ui/EditPage.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolTip>
#include <QVBoxLayout>
#include <array>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "sources/PreviewEngine.h"
#include "sources/Snapshot.h"
#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/PreviewSession.h"
#include "ui/SpinEdit.h"
#include "ui/VideoView.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

struct TEffectItem {
  const char* Caption;
  uint32_t Flags;
};
constexpr std::array<TEffectItem, 5> kEffects = {{{"None", kEffectNone},
                                                  {"Gray", kEffectGray},
                                                  {"Emboss", kEffectEmboss},
                                                  {"Negative", kEffectNegative},
                                                  {"Old Film", kEffectOldFilm}}};

constexpr int kMinimumKept = 50;  // the crop leaves at least this much

}  // namespace

TEditPage::TEditPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsEffect"));
  preview_ = new TPreviewSession(this);
  connect(preview_, &TPreviewSession::playerTick, this, &TEditPage::PlayerTick);
  connect(preview_, &TPreviewSession::playerEnd, this, &TEditPage::PlayerEnd);
  connect(preview_, &TPreviewSession::cropChanged, this, &TEditPage::CropChanged);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(14);
  layout->addWidget(BuildPlayer(), 1);
  auto* side = new QVBoxLayout;
  side->setSpacing(8);
  side->addWidget(BuildAdjustments());
  side->addWidget(BuildCrop());
  side->addWidget(BuildPhoto());
  side->addStretch(1);
  auto* sideBox = new QWidget(this);
  sideBox->setLayout(side);
  sideBox->setFixedWidth(330);
  side->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(sideBox);

  TimerAutoPlay_.setSingleShot(true);
  TimerAutoPlay_.setInterval(200);
  connect(&TimerAutoPlay_, &QTimer::timeout, this, &TEditPage::TimerAutoPlayTimer);
  SetPlayState(psStopped);
  ShowPlayState(false);
}

TEditPage::~TEditPage() { StopPreview(); }

QWidget* TEditPage::BuildPlayer() {
  auto* column = new QWidget(this);
  auto* v = new QVBoxLayout(column);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(8);
  previewArea_ = new QFrame(column);
  previewArea_->setObjectName(QStringLiteral("editPreviewArea"));
  previewArea_->setProperty("card", true);
  auto* inner = new QVBoxLayout(previewArea_);
  inner->setContentsMargins(0, 0, 0, 0);
  pnlCut_ = new TVideoView(previewArea_);
  pnlCut_->setObjectName(QStringLiteral("pnlCut"));
  pnlCut_->SetIdleText(tr("Select a title or chapter on the Import page; its preview plays here. "
                          "Drag the frame in the picture to crop it."));
  inner->addWidget(pnlCut_);
  v->addWidget(previewArea_, 1);
  connect(pnlCut_, &TVideoView::cropFrameDragged, this, [this](TCropRect rect) {
    if (preview_->Active()) VPCropFrameDragged(preview_->Player(), rect);
  });

  tbPosition_ = new TClipTrackBar(column);
  tbPosition_->setObjectName(QStringLiteral("tbPosition"));
  tbPosition_->SetSegmentVisible(false);
  tbPosition_->UseSkin();
  v->addWidget(tbPosition_);
  connect(tbPosition_, &TClipTrackBar::OnTrackDown, this, &TEditPage::TrackDown);
  connect(tbPosition_, &TClipTrackBar::OnTrackUp, this, &TEditPage::TrackUp);
  connect(tbPosition_, &TClipTrackBar::OnBodyBarDown, this, &TEditPage::TrackDown);
  connect(tbPosition_, &TClipTrackBar::OnBodyBayUp, this, &TEditPage::TrackUp);
  connect(tbPosition_, &TClipTrackBar::OnChange, this, &TEditPage::ShowTime);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  auto makeButton = [&](const char* name, TGlyph glyph, const QString& hint) {
    auto* b = new QPushButton(GlyphIcon(glyph), QString(), column);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIconSize(QSize(18, 18));
    b->setFixedSize(40, 32);
    buttons->addWidget(b);
    return b;
  };
  btnEPlay_ = makeButton("btnEPlay", TGlyph::Play, tr("Play"));
  btnEPause_ = makeButton("btnEPause", TGlyph::Pause, tr("Pause"));
  btnEStop_ = makeButton("btnEStop", TGlyph::Stop, tr("Stop"));
  btnEPause_->hide();
  btnPhoto_ = new QPushButton(tr("Snapshot"), column);
  btnPhoto_->setObjectName(QStringLiteral("btnPhoto"));
  btnPhoto_->setToolTip(tr("take photo"));
  btnPhoto_->setEnabled(false);
  buttons->addSpacing(8);
  buttons->addWidget(btnPhoto_);
  buttons->addStretch(1);
  lblTime_ = new QLabel(QStringLiteral("00:00:00 / 00:00:00"), column);
  lblTime_->setObjectName(QStringLiteral("lblEPlayTime"));
  lblTime_->setProperty("hint", true);
  buttons->addWidget(lblTime_);
  v->addLayout(buttons);
  connect(btnEPlay_, &QPushButton::clicked, this, &TEditPage::ActEPlayExecute);
  connect(btnEPause_, &QPushButton::clicked, this, &TEditPage::PausePreview);
  connect(btnEStop_, &QPushButton::clicked, this, &TEditPage::ActStopExecute);
  connect(btnPhoto_, &QPushButton::clicked, this, &TEditPage::btnPhotoClick);
  return column;
}

QWidget* TEditPage::BuildAdjustments() {
  auto* box = new QGroupBox(tr("Picture and Sound"), this);
  box->setObjectName(QStringLiteral("gbAdjust"));
  auto* grid = new QGridLayout(box);
  grid->setVerticalSpacing(4);
  int row = 0;
  auto makeSlider = [&](const char* name, const QString& caption, int min, int max, int neutral,
                        const std::function<void(int)>& apply) {
    auto* slider = new TClipTrackBar(box);
    slider->setObjectName(QLatin1String(name));
    slider->SetSegmentVisible(false);
    slider->UseSkin();
    slider->SetMin(min);
    slider->SetMax(max);
    slider->SetPosition(neutral);
    auto* value = new QLabel(QString::number(neutral), box);
    value->setObjectName(QLatin1String(name) + QStringLiteral("Value"));
    value->setMinimumWidth(30);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(new QLabel(caption, box), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    ++row;
    connect(slider, &TClipTrackBar::OnChange, this, [this, slider, value, apply] {
      value->setText(QString::number(slider->Position()));
      QToolTip::showText(QCursor::pos(), QString::number(slider->Position()), slider);
      apply(slider->Position());
    });
    return slider;
  };
  // Each value goes to the running preview's processor; the picture ones
  // redraw the picture, the volume is heard at once.
  auto picture = [this](void (*set)(TVideoProcessorHandle, int32_t)) {
    return [this, set](int v) {
      if (!preview_->Active()) return;
      set(preview_->VideoProcessor(), v);
      VPUpdate(preview_->Player());
    };
  };
  tbBrightness_ = makeSlider("tbBrightness", tr("Brightness:"), -100, 100, 0, picture(PCSetVideoBrightness));
  tbContrast_ = makeSlider("tbContrast", tr("Contrast:"), -100, 100, 0, picture(PCSetContrast));
  tbSaturation_ = makeSlider("tbSaturation", tr("Saturation:"), -100, 100, 0, picture(PCSetVideoSaturation));
  tbVolume_ = makeSlider("tbVolume", tr("Volume:"), 0, 200, 100, [this](int v) {
    if (preview_->Active()) PCSetVolum(preview_->AudioProcessor(), v);
  });
  cbEffect_ = new QComboBox(box);
  cbEffect_->setObjectName(QStringLiteral("cbEffect"));
  for (const auto& e : kEffects) cbEffect_->addItem(tr(e.Caption));
  grid->addWidget(new QLabel(tr("Video Effect:"), box), row, 0);
  grid->addWidget(cbEffect_, row, 1, 1, 2);
  ++row;
  connect(cbEffect_, &QComboBox::currentIndexChanged, this, [this] {
    if (!preview_->Active()) return;
    PCSetExFilterFlag(preview_->VideoProcessor(), ChosenEffect());
    VPUpdate(preview_->Player());
  });
  grid->setColumnStretch(1, 1);
  btnDel_ = new QPushButton(tr("&Reset"), box);
  btnDel_->setObjectName(QStringLiteral("btnDel"));
  btnDel_->setToolTip(tr("Reset "));
  grid->addWidget(btnDel_, row, 1, 1, 2, Qt::AlignRight);
  connect(btnDel_, &QPushButton::clicked, this, [this] {
    // Each slider goes back to its neutral value through its change
    // handler, so the preview follows; then the effect.
    for (auto [slider, neutral] : {std::pair{tbVolume_, 100}, std::pair{tbSaturation_, 0},
                                   std::pair{tbContrast_, 0}, std::pair{tbBrightness_, 0}}) {
      slider->SetPosition(neutral);
      emit slider->OnChange();
    }
    QToolTip::hideText();
    if (cbEffect_->currentIndex() == 0) emit cbEffect_->currentIndexChanged(0);
    else cbEffect_->setCurrentIndex(0);
  });
  return box;
}

QWidget* TEditPage::BuildCrop() {
  gbCrop_ = new QGroupBox(tr("Crop Video"), this);
  gbCrop_->setObjectName(QStringLiteral("gbCrop"));
  auto* grid = new QGridLayout(gbCrop_);
  auto makeSpin = [&](const char* name, const QString& caption, int row, int column) {
    auto* spin = new TSpinEdit(gbCrop_);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, 0);
    grid->addWidget(new QLabel(caption, gbCrop_), row, column);
    grid->addWidget(spin, row, column + 1);
    connect(spin, &TSpinEdit::buttonClicked, this, &TEditPage::ActSedtChangeExecute);
    connect(spin, &TSpinEdit::exited, this, &TEditPage::ActSedtChangeExecute);
    return spin;
  };
  sedtLeft_ = makeSpin("sedtLeft", tr("Left"), 0, 0);
  sedtTop_ = makeSpin("sedtTop", tr("Up"), 0, 2);
  sedtRight_ = makeSpin("sedtRight", tr("Right"), 1, 0);
  sedtBottom_ = makeSpin("sedtBottom", tr("Down"), 1, 2);
  // An increase is refused while less than 50 pixels would be kept; a
  // decrease is always accepted.
  auto horizontal = [this](TSpinEdit* spin) {
    return [this, spin](int x) {
      return x < spin->value() || pictureWidth_ >= sedtLeft_->value() + sedtRight_->value() + kMinimumKept;
    };
  };
  auto vertical = [this](TSpinEdit* spin) {
    return [this, spin](int x) {
      return x < spin->value() || pictureHeight_ >= sedtTop_->value() + sedtBottom_->value() + kMinimumKept;
    };
  };
  sedtLeft_->Changing = horizontal(sedtLeft_);
  sedtRight_->Changing = horizontal(sedtRight_);
  sedtTop_->Changing = vertical(sedtTop_);
  sedtBottom_->Changing = vertical(sedtBottom_);
  return gbCrop_;
}

QWidget* TEditPage::BuildPhoto() {
  gbPhoto_ = new QGroupBox(tr("Photo Settings"), this);
  gbPhoto_->setObjectName(QStringLiteral("gbPhoto"));
  auto* form = new QGridLayout(gbPhoto_);
  rdPhoBmp_ = new QRadioButton(tr("Bmp"), gbPhoto_);
  rdPhoBmp_->setObjectName(QStringLiteral("rdPhoBmp"));
  rdPhoBmp_->setChecked(true);
  rdPhoJPEG_ = new QRadioButton(tr("Jpeg"), gbPhoto_);
  rdPhoJPEG_->setObjectName(QStringLiteral("rdPhoJPEG"));
  auto* kinds = new QHBoxLayout;
  kinds->addWidget(rdPhoBmp_);
  kinds->addWidget(rdPhoJPEG_);
  kinds->addStretch(1);
  form->addWidget(new QLabel(tr("Output Type:"), gbPhoto_), 0, 0);
  form->addLayout(kinds, 0, 1, 1, 2);
  ebtnPhotoFolder_ = new QLineEdit(gbPhoto_);
  ebtnPhotoFolder_->setObjectName(QStringLiteral("ebtnPhotoFolder"));
  QAction* browse = ebtnPhotoFolder_->addAction(GlyphIcon(TGlyph::Folder), QLineEdit::TrailingPosition);
  browse->setObjectName(QStringLiteral("ebtnPhotoFolderButton"));
  browse->setToolTip(tr("Select Directory"));
  connect(browse, &QAction::triggered, this, &TEditPage::ebtnPhotoFolderButtonClick);
  RzBmpButton2_ = new QPushButton(tr("Open"), gbPhoto_);
  RzBmpButton2_->setObjectName(QStringLiteral("RzBmpButton2"));
  RzBmpButton2_->setToolTip(tr("Open photo folder"));
  connect(RzBmpButton2_, &QPushButton::clicked, this, &TEditPage::RzBmpButton2Click);
  form->addWidget(new QLabel(tr("Output Path:"), gbPhoto_), 1, 0, 1, 3);
  form->addWidget(ebtnPhotoFolder_, 2, 0, 1, 2);
  form->addWidget(RzBmpButton2_, 2, 2);
  form->setColumnStretch(1, 1);
  return gbPhoto_;
}

TPlayState TEditPage::PlayState() const { return static_cast<TPlayState>(btnEPlay_->property("Tag").toInt()); }

void TEditPage::SetPlayState(TPlayState state) { btnEPlay_->setProperty("Tag", static_cast<int>(state)); }

void TEditPage::ShowPlayState(bool playing) {
  btnEPlay_->setVisible(!playing);
  btnEPlay_->setEnabled(!playing);
  btnEPause_->setVisible(playing);
  btnEPause_->setEnabled(playing);
  btnPhoto_->setEnabled(playing);
  btnEStop_->setEnabled(true);
}

void TEditPage::ShowTime() {
  lblTime_->setText(ClockText(tbPosition_->Position()) + QStringLiteral(" / ") + ClockText(tbPosition_->Max()));
}

uint32_t TEditPage::ChosenEffect() const {
  const int item = cbEffect_->currentIndex();
  return item >= 0 && item < static_cast<int>(kEffects.size()) ? kEffects[item].Flags : kEffectNone;
}

TCropRect TEditPage::SpinRect() const {
  return {sedtLeft_->value(), sedtTop_->value(), pictureWidth_ - sedtRight_->value(),
          pictureHeight_ - sedtBottom_->value()};
}

void TEditPage::ShowPage() {
  const bool rows = !workspace_.TaskRows().empty();
  for (QWidget* w : std::initializer_list<QWidget*>{btnEPlay_, btnEPause_, btnEStop_, tbPosition_, gbCrop_, gbPhoto_})
    w->setEnabled(rows);
  if (!rows) return;
  // Until a preview tells the picture's size, the crop is measured against
  // the DVD's first title.
  if (pictureWidth_ == 0) {
    pictureWidth_ = workspace_.List().PictureWidth();
    pictureHeight_ = workspace_.List().PictureHeight();
  }
  TTaskRow* row = workspace_.Selected();
  if (row && !row->Task.IsRoot()) {
    const TTask& task = row->Task;
    for (auto [slider, value] : {std::pair{tbBrightness_, task.Brightness}, std::pair{tbContrast_, task.Contrast},
                                 std::pair{tbSaturation_, task.Saturation}, std::pair{tbVolume_, task.Volume}}) {
      slider->SetPosition(value);
      findChild<QLabel*>(slider->objectName() + QStringLiteral("Value"))->setText(QString::number(slider->Position()));
    }
    for (size_t i = 0; i < kEffects.size(); ++i)
      if (kEffects[i].Flags == task.EffectFlags) {
        const QSignalBlocker block(cbEffect_);
        cbEffect_->setCurrentIndex(static_cast<int>(i));
      }
    tbPosition_->SetMin(0);
    tbPosition_->SetMax(static_cast<int>(RoundHalfEven(task.TrimEnd - task.TrimStart)));
    tbPosition_->SetPosition(0);
    ShowTime();
  }
  TimerAutoPlay_.start();

  ebtnPhotoFolder_->setText(QString::fromStdString(LoadSnapshotFolder()));
  ebtnPhotoFolder_->setCursorPosition(ebtnPhotoFolder_->text().size());
  int32_t format = ReadConfigInt(keys::PhotoFormatID, 0);
  (format > 0 ? rdPhoJPEG_ : rdPhoBmp_)->setChecked(true);
}

void TEditPage::TimerAutoPlayTimer() {
  btnEPlay_->click();
  for (TSpinEdit* spin : {sedtTop_, sedtBottom_}) spin->setMaximum(std::max(pictureHeight_ - kMinimumKept, 0));
  for (TSpinEdit* spin : {sedtLeft_, sedtRight_}) spin->setMaximum(std::max(pictureWidth_ - kMinimumKept, 0));
}

void TEditPage::StoreSettings(TTask& task) {
  task.Volume = tbVolume_->Position();
  task.Brightness = tbBrightness_->Position();
  task.Contrast = tbContrast_->Position();
  task.Saturation = tbSaturation_->Position();
  task.EffectFlags = ChosenEffect();
  // Nothing measured yet (no DVD shown on this page): no crop.
  if (pictureWidth_ > 0 && pictureHeight_ > 0) task.Crop = SpinRect();
  NVSetConfigInt(keys::PhotoFormatID, rdPhoJPEG_->isChecked() ? 5 : 0);
  NVSetConfigStr(keys::SnapshotPath, ebtnPhotoFolder_->text().toStdU16String());
}

void TEditPage::ActEPlayExecute() {
  if (!workspace_.DvdLoaded()) return;
  const TPlayState state = PlayState();
  if (state == psPaused) {
    ResumePreview();
    return;
  }
  if (state != psStopped) return;
  TTaskRow* row = workspace_.Selected();
  if (!row || row->Task.IsRoot()) {
    btnEPlay_->setEnabled(false);
    return;
  }
  if (!preview_->OpenDecoders(row, window())) {
    preview_->Stop();
    return;
  }
  const TTask& task = row->Task;
  const TVideoProcessorHandle video = preview_->VideoProcessor();
  PCSetVideoBrightness(video, tbBrightness_->Position());
  PCSetContrast(video, tbContrast_->Position());
  PCSetVideoSaturation(video, tbSaturation_->Position());
  PCSetVolum(preview_->AudioProcessor(), tbVolume_->Position());
  PCSetExFilterFlag(video, task.EffectFlags);
  ShowPlayState(true);
  preview_->CreatePlayer(pnlCut_);
  const TPlayerHandle player = preview_->Player();
  PCSetExFilterFlag(video, ChosenEffect());
  VPSetCropEditStyle(player, 1);
  if (const TDisplayInfo* info = VPGetDisplayInfo(player)) {
    pictureWidth_ = info->Width;
    pictureHeight_ = info->Height;
  }
  const TCropRect rect = SpinRect();
  VPSetCropRect(player, &rect);
  VPSetPlayTime(player, task.Base.BeginTime + task.TrimStart, task.TrimEnd - task.TrimStart);
  VPPlay(player);
  SetPlayState(psPlaying);
}

void TEditPage::PausePreview() {
  if (!preview_->Active()) return;
  ShowPlayState(false);
  btnPhoto_->setEnabled(true);
  SetPlayState(psPaused);
  VPPause(preview_->Player());
}

void TEditPage::ResumePreview() {
  if (preview_->Active()) VPResume(preview_->Player());
  ShowPlayState(true);
  SetPlayState(psPlaying);
}

void TEditPage::StopPreview() {
  preview_->Stop();
  ShowPlayState(false);
  btnPhoto_->setEnabled(false);
  SetPlayState(psStopped);
}

void TEditPage::ActStopExecute() {
  if (PlayState() != psStopped) StopPreview();
}

void TEditPage::PlayerTick() {
  if (!track_ || !preview_->Active()) return;
  tbPosition_->SetPosition(static_cast<int>(RoundHalfEven(VPGetPlayedTime(preview_->Player()))));
  ShowTime();
}

void TEditPage::PlayerEnd() {
  if (!track_) return;
  StopPreview();
  btnEPlay_->setEnabled(!workspace_.TaskRows().empty());
  btnEPause_->setEnabled(false);
  btnEPause_->hide();
  SetPlayState(psStopped);
  tbPosition_->SetPosition(0);
  ShowTime();
}

void TEditPage::TrackDown() {
  track_ = false;
  if (PlayState() == psPlaying) PausePreview();
}

void TEditPage::TrackUp() {
  TTaskRow* row = workspace_.Selected();
  if (row && !row->Task.IsRoot() && preview_->Active()) {
    if (PlayState() == psPaused) {
      // A thumb at the end would end the range at once: two seconds before.
      if (tbPosition_->Position() == tbPosition_->Max()) tbPosition_->SetPosition(tbPosition_->Position() - 2);
      VPSeek(preview_->Player(), row->Task.Base.BeginTime + row->Task.TrimStart + tbPosition_->Position());
    }
    ResumePreview();
  }
  track_ = true;
}

void TEditPage::ActSedtChangeExecute() {
  if (!preview_->Active()) return;
  const TCropRect rect = SpinRect();
  VPSetCropRect(preview_->Player(), &rect);
}

void TEditPage::CropChanged() {
  if (!preview_->Active()) return;
  TCropRect rect;
  VPGetCropRect(preview_->Player(), &rect);
  const QSignalBlocker b1(sedtLeft_), b2(sedtTop_), b3(sedtRight_), b4(sedtBottom_);
  sedtLeft_->setValue(rect.Left);
  sedtTop_->setValue(rect.Top);
  sedtRight_->setValue(pictureWidth_ - rect.Right);
  sedtBottom_->setValue(pictureHeight_ - rect.Bottom);
}

void TEditPage::btnPhotoClick() {
  TTaskRow* row = workspace_.Selected();
  if (!preview_->Active() || !row || row->Task.IsRoot()) return;
  QString folder = ebtnPhotoFolder_->text();
  if (!folder.endsWith('/')) folder += '/';
  QDir().mkdir(folder);  // one level; a failure shows when the file is written
  const bool jpeg = rdPhoJPEG_->isChecked();
  const std::string path = SnapshotPath(folder.toStdString(), row->Task.Base.DestinationName, jpeg);
  if (PCSaveFrame(preview_->VideoProcessor(), path, jpeg ? 1 : 0, 0)) lastSnapshot_ = QString::fromStdString(path);
}

void TEditPage::ebtnPhotoFolderButtonClick() {
  QString folder = ChooseFolder(window(), tr("Select Directory"), ebtnPhotoFolder_->text());
  if (folder.isEmpty()) return;
  if (!folder.endsWith('/')) folder += '/';
  ebtnPhotoFolder_->setText(folder);
  ebtnPhotoFolder_->setCursorPosition(folder.size());
}

void TEditPage::RzBmpButton2Click() {
  if (QFileInfo(ebtnPhotoFolder_->text()).isDir()) OpenInShell(ebtnPhotoFolder_->text());
}

}  // namespace reelcast::ui
