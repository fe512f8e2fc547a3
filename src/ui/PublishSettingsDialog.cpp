#include "ui/PublishSettingsDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/TextConvert.h"
#include "platform/TitleFrameReader.h"
#include "publish/PreloaderLayout.h"
#include "ui/ColorButton.h"
#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/LinkFontDialog.h"
#include "ui/PreloaderPreview.h"
#include "ui/TextLinkPicture.h"
#include "ui/WindowChrome.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

// The largest preview panel; the movie's shape is fitted into it.
constexpr int kPanelWidth = 400, kPanelHeight = 300;
// A watermark picture may be at most this large.
constexpr int kMaxLinkPictureWidth = 200, kMaxLinkPictureHeight = 150;

// Whether the address box still holds the sample address it started with:
// the first press into it in a run of the program empties it.
bool urlBoxEmptied = false;

QColor FromWindowsColor(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

}  // namespace

TPublishSettingsDialog::TPublishSettingsDialog(TWorkspace& workspace, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      workspace_(workspace),
      backupLinkKind_(SWFParam.LinkKind),
      backupTextLink_(SWFParam.TextLink),
      backupImageLink_(SWFParam.ImageLink) {
  if (SWFParam.PreLoader) backupPreLoader_.Assign(*SWFParam.PreLoader);
  if (SWFParam.ExportSetting) backupExport_ = *SWFParam.ExportSetting;
  setObjectName(QStringLiteral("frmPublishSetting"));
  setWindowTitle(QStringLiteral("Setting"));
  setAttribute(Qt::WA_StyledBackground);
  RoundWindow(this);
  DragByFreeSpots(this);

  movieSize_ = QSize(SWFParam.VideoWidth > 0 ? SWFParam.VideoWidth : 320,
                     SWFParam.VideoHeight > 0 ? SWFParam.VideoHeight : 240);
  scale_ = std::min(double(kPanelWidth) / movieSize_.width(), double(kPanelHeight) / movieSize_.height());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  auto* strip = new TTitleStrip(QStringLiteral("Settings"), this);
  lblCaption_ = Named(strip->Caption(), "lblCaption");
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 QStringLiteral("Close"));
  // The close button keeps what was stored by dragging and typing.
  connect(close, &QToolButton::clicked, this, &QDialog::reject);
  layout->addWidget(strip);

  auto* body = Named(new QFrame(this), "pnlClient");
  auto* bodyLayout = new QVBoxLayout(body);
  bodyLayout->setContentsMargins(16, 12, 16, 14);
  pgcSetting_ = Named(new QTabWidget(body), "pgcSetting");
  pgcSetting_->addTab(BuildHyperlinkSheet(), QStringLiteral("Hyperlink"));
  pgcSetting_->addTab(BuildPreloaderSheet(), QStringLiteral("Preloader"));
  bodyLayout->addWidget(pgcSetting_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = Named(new QPushButton(QStringLiteral("&OK"), body), "btnOK");
  ok->setProperty("accent", true);
  auto* reset = Named(new QPushButton(QStringLiteral("&Cancel"), body), "btnReset");
  buttons->addWidget(ok);
  buttons->addWidget(reset);
  bodyLayout->addLayout(buttons);
  layout->addWidget(body);
  connect(ok, &QPushButton::clicked, this, &TPublishSettingsDialog::btnOKClick);
  connect(reset, &QPushButton::clicked, this, &TPublishSettingsDialog::btnResetClick);

  // The lists of the preloader sheet.
  try {
    for (const TProgressBarStyle& style : LoadProgressBarStyles())
      cboBarStyle_->addItem(QString::fromStdString(style.NameID));
  } catch (const EPreloaderStyles&) {
    // No styles file: the list stays empty.
  }
  if (cboBarStyle_->count() > 0) cboBarStyle_->setCurrentIndex(0);
  for (const std::string& sprite : ListPreloaderSprites()) cboSysLogo_->addItem(QString::fromStdString(sprite));
  if (cboSysLogo_->count() > 0) cboSysLogo_->setCurrentIndex(0);
  if (SWFParam.TextLink.FontName.empty()) SWFParam.TextLink.FontName = "Arial";
  if (SWFParam.TextLink.FontSize == 0) SWFParam.TextLink.FontSize = 12;

  RenderTextPicture();
  pgcSetting_->setCurrentIndex(0);
  FillHyperlinkSheet();
  FillPreloaderSheet();
}

TPublishSettingsDialog::~TPublishSettingsDialog() = default;

QSize TPublishSettingsDialog::PanelSize() const { return pnlView_->size(); }

QWidget* TPublishSettingsDialog::BuildHyperlinkSheet() {
  auto* sheet = Named(new QWidget, "tsHyperlink");
  auto* grid = new QGridLayout(sheet);
  grid->setContentsMargins(12, 12, 12, 12);
  grid->setHorizontalSpacing(10);

  pnlView_ = Named(new QLabel(sheet), "pnlView");
  pnlView_->setFixedSize(int(std::lround(movieSize_.width() * scale_)), int(std::lround(movieSize_.height() * scale_)));
  pnlView_->setMouseTracking(true);
  pnlView_->installEventFilter(this);
  imgURL_ = Named(new QLabel(pnlView_), "imgURL");
  imgText_ = Named(new QLabel(pnlView_), "imgText");
  for (QLabel* picture : {imgURL_, imgText_}) {
    picture->setCursor(Qt::PointingHandCursor);
    picture->installEventFilter(this);
    picture->hide();
  }
  ShowPanelBackground();
  grid->addWidget(pnlView_, 0, 0, 6, 1, Qt::AlignTop);

  auto* position = new QHBoxLayout;
  position->addWidget(new QLabel(QStringLiteral("X"), sheet));
  lblXValue_ = Named(new QLabel(QStringLiteral("0"), sheet), "lblXValue");
  lblXValue_->setMinimumWidth(30);
  position->addWidget(lblXValue_);
  position->addWidget(new QLabel(QStringLiteral("Y"), sheet));
  lblYValue_ = Named(new QLabel(QStringLiteral("0"), sheet), "lblYValue");
  lblYValue_->setMinimumWidth(30);
  position->addWidget(lblYValue_);
  sdX_ = Named(new QSpinBox(sheet), "sdX");
  sdY_ = Named(new QSpinBox(sheet), "sdY");
  sdX_->setRange(0, pnlView_->width());
  sdY_->setRange(0, pnlView_->height());
  position->addWidget(sdX_);
  position->addWidget(sdY_);
  position->addStretch(1);
  grid->addLayout(position, 6, 0);

  auto* kind = Named(new QGroupBox(sheet), "RzRadioGroup1");
  RzRadioGroup1_ = kind;
  auto* kindLayout = new QVBoxLayout(kind);
  rbImageLink_ = Named(new QRadioButton(QStringLiteral("Image Link"), kind), "rbImageLink");
  rbTextLink_ = Named(new QRadioButton(QStringLiteral("Text Link"), kind), "rbTextLink");
  kindLayout->addWidget(rbImageLink_);
  auto* pathRow = new QHBoxLayout;
  btnPath_ = Named(new QLineEdit(kind), "btnPath");
  btnPath_->setReadOnly(true);  // a picture is only chosen through the dialog
  btnPath_->installEventFilter(this);
  btnPathButton_ = Named(new QPushButton(GlyphIcon(TGlyph::Folder), QString(), kind), "btnPathButton");
  pathRow->addWidget(btnPath_, 1);
  pathRow->addWidget(btnPathButton_);
  kindLayout->addLayout(pathRow);
  kindLayout->addWidget(rbTextLink_);
  auto* textRow = new QHBoxLayout;
  edtTextLink_ = Named(new QLineEdit(kind), "edtTextLink");
  edtTextLink_->installEventFilter(this);
  btnFontSet_ = Named(new QPushButton(QStringLiteral("Font..."), kind), "btnFontSet");
  textRow->addWidget(edtTextLink_, 1);
  textRow->addWidget(btnFontSet_);
  kindLayout->addLayout(textRow);
  grid->addWidget(kind, 0, 1);
  grid->addWidget(Named(new QLabel(QStringLiteral("URL(http://)"), sheet), "lblFTP"), 1, 1);
  edtURL_ = Named(new QLineEdit(QLatin1String(kSampleLinkUrl), sheet), "edtURL");
  edtURL_->installEventFilter(this);
  grid->addWidget(edtURL_, 2, 1);
  cbEnableLink_ = Named(new QCheckBox(QStringLiteral("Enable Link"), sheet), "cbEnableLink");
  cbDefault_ = Named(new QCheckBox(QStringLiteral("As Default"), sheet), "cbDefault");
  cbEnableLink_->hide();
  cbDefault_->hide();
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(1, 1);

  connect(rbTextLink_, &QRadioButton::clicked, this, [this] { LinkKindChosen(true); });
  connect(rbImageLink_, &QRadioButton::clicked, this, [this] { LinkKindChosen(false); });
  connect(sdX_, &QSpinBox::valueChanged, this, &TPublishSettingsDialog::MovePicture);
  connect(sdY_, &QSpinBox::valueChanged, this, &TPublishSettingsDialog::MovePicture);
  connect(btnPathButton_, &QPushButton::clicked, this, &TPublishSettingsDialog::btnPathButtonClick);
  connect(edtTextLink_, &QLineEdit::textChanged, this, &TPublishSettingsDialog::TextChanged);
  connect(btnFontSet_, &QPushButton::clicked, this, &TPublishSettingsDialog::btnFontSetClick);
  connect(edtURL_, &QLineEdit::textEdited, this, [this] { StoreLinkSettings(); });
  connect(cbEnableLink_, &QCheckBox::toggled, this, [this](bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{RzRadioGroup1_, btnPath_, btnPathButton_, edtTextLink_, btnFontSet_})
      w->setEnabled(on);
    if (on) btnFontSet_->setEnabled(rbTextLink_->isChecked() || !rbImageLink_->isChecked());
  });
  return sheet;
}

QWidget* TPublishSettingsDialog::BuildPreloaderSheet() {
  auto* sheet = Named(new QWidget, "tsPreloader");
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(12, 12, 12, 12);
  chkPreloader_ = Named(new QCheckBox(QStringLiteral("Enable Preloader"), sheet), "chkPreloader");
  v->addWidget(chkPreloader_);

  auto* sprite = new QGroupBox(sheet);
  auto* s = new QGridLayout(sprite);
  chkUseSprite_ = Named(new QCheckBox(QStringLiteral("Enable Sprite"), sprite), "chkUseSprite");
  rbSysLogo_ = Named(new QRadioButton(QStringLiteral("Use Default Preloader"), sprite), "rbSysLogo");
  rbSysLogo_->setChecked(true);
  cboSysLogo_ = Named(new QComboBox(sprite), "cboSysLogo");
  cboSysLogo_->installEventFilter(this);
  rbUserLogo_ = Named(new QRadioButton(QStringLiteral("Import from"), sprite), "rbUserLogo");
  edtUserLogo_ = Named(new QLineEdit(sprite), "edtUserLogo");
  edtUserLogo_->installEventFilter(this);
  btnUserLogo_ = Named(new QPushButton(GlyphIcon(TGlyph::Folder), QString(), sprite), "btnUserLogo");
  s->addWidget(chkUseSprite_, 0, 0, 1, 3);
  s->addWidget(rbSysLogo_, 1, 0);
  s->addWidget(cboSysLogo_, 1, 1, 1, 2);
  s->addWidget(rbUserLogo_, 2, 0);
  s->addWidget(edtUserLogo_, 2, 1);
  s->addWidget(btnUserLogo_, 2, 2);
  s->setColumnStretch(1, 1);
  v->addWidget(sprite);

  auto* bar = new QGroupBox(sheet);
  auto* b = new QGridLayout(bar);
  chkUseProgress_ = Named(new QCheckBox(QStringLiteral("Enable Progress Bar"), bar), "chkUseProgress");
  cboBarStyle_ = Named(new QComboBox(bar), "cboBarStyle");
  cboOption_ = Named(new QComboBox(bar), "cboOption");
  cboOption_->addItems({QStringLiteral("ProgressBar only"), QStringLiteral("Text only"), QStringLiteral("ProgressBar and text")});
  cboOption_->setCurrentIndex(1);
  b->addWidget(chkUseProgress_, 0, 0, 1, 2);
  b->addWidget(new QLabel(QStringLiteral("Bar Style:"), bar), 1, 0);
  b->addWidget(cboBarStyle_, 1, 1);
  b->addWidget(new QLabel(QStringLiteral("Show"), bar), 2, 0);
  b->addWidget(cboOption_, 2, 1);
  b->setColumnStretch(1, 1);
  v->addWidget(bar);

  auto* last = new QHBoxLayout;
  last->addWidget(new QLabel(QStringLiteral("Background Color:"), sheet));
  cboColor_ = Named(new ColorButton(sheet), "cboColor");
  last->addWidget(cboColor_);
  last->addStretch(1);
  btnPreviewLoad_ = Named(new QPushButton(QStringLiteral("Preview  Preloader"), sheet), "btnPreviewLoad");
  last->addWidget(btnPreviewLoad_);
  v->addLayout(last);
  v->addStretch(1);

  connect(chkPreloader_, &QCheckBox::toggled, this, &TPublishSettingsDialog::chkPreloaderClick);
  connect(chkUseSprite_, &QCheckBox::toggled, this, &TPublishSettingsDialog::chkUseSpriteClick);
  connect(chkUseProgress_, &QCheckBox::toggled, this, &TPublishSettingsDialog::chkUseProgressClick);
  connect(btnUserLogo_, &QPushButton::clicked, this, &TPublishSettingsDialog::edtUserLogoButtonClick);
  connect(btnPreviewLoad_, &QPushButton::clicked, this, &TPublishSettingsDialog::btnPreviewLoadClick);
  return sheet;
}

void TPublishSettingsDialog::ShowPanelBackground() {
  // The first frame of the first checked title or chapter (else of the
  // first title) as the movie will start; the background colour without one.
  QImage frame;
  std::vector<TTaskRow*> rows = workspace_.TaskRows();
  const TTaskRow* source = nullptr;
  for (TTaskRow* row : rows)
    if (row->Task.Checked) {
      source = row;
      break;
    }
  if (!source && !rows.empty()) source = rows.front();
  if (source) {
    try {
      const TTask& t = source->Task;
      TRgbImage rgb = ReadFrameAt(t.Base.SourcePath, t.Base.BeginTime + t.TrimStart, t.SubtitleIndex);
      frame = QImage(rgb.Pixels.data(), rgb.Width, rgb.Height, rgb.Width * 3, QImage::Format_RGB888).copy();
    } catch (const std::exception&) {
      frame = {};
    }
  }
  QPixmap background(pnlView_->size());
  background.fill(FromWindowsColor(SWFParam.BackColor));
  if (!frame.isNull()) background = QPixmap::fromImage(frame.scaled(pnlView_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  static_cast<QLabel*>(pnlView_)->setPixmap(background);
  pnlView_->setProperty("showsFrame", !frame.isNull());
}

void TPublishSettingsDialog::RenderTextPicture() {
  const QImage image = WriteTextLinkPicture(SWFParam.TextLink);
  const QImage shown = RenderTextLink(SWFParam.TextLink, scale_);
  imgText_->setPixmap(QPixmap::fromImage(shown));
  imgText_->resize(shown.size());
  (void)image;
}

void TPublishSettingsDialog::ShowImagePicture(const QString& path) {
  QImage picture(path);
  if (picture.isNull()) return;
  const QImage shown = picture.scaled(std::max(1, int(std::lround(picture.width() * scale_))),
                                      std::max(1, int(std::lround(picture.height() * scale_))),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  imgURL_->setPixmap(QPixmap::fromImage(shown));
  imgURL_->resize(shown.size());
}

void TPublishSettingsDialog::FillHyperlinkSheet() {
  const TSWFParam& p = SWFParam;
  const bool text = p.LinkKind == kLinkText, image = p.LinkKind == kLinkImage;
  if (text || image) {
    edtURL_->setText(QString::fromStdString(text ? p.TextLink.URL : p.ImageLink.URL));
    urlBoxEmptied = urlBoxEmptied || edtURL_->text() != QLatin1String(kSampleLinkUrl);
  }
  {
    const QSignalBlocker block(edtTextLink_);
    edtTextLink_->setText(QString::fromStdString(p.TextLink.Text));
  }
  btnPath_->setText(QString::fromStdString(p.ImageLink.ImageFile));
  if (!p.ImageLink.ImageFile.empty()) ShowImagePicture(btnPath_->text());
  if (text || image) {
    (text ? rbTextLink_ : rbImageLink_)->setChecked(true);
    LinkKindChosen(text);
  }
  // The link controls are enabled for every kind ("Enable Link" is always
  // on here).
  cbEnableLink_->setChecked(true);
  if (!urlBoxEmptied) {
    edtURL_->setFocus();
    edtURL_->selectAll();
  }
}

void TPublishSettingsDialog::FillPreloaderSheet() {
  const TPreLoader* pre = SWFParam.PreLoader;
  const TExportSetting* exp = SWFParam.ExportSetting;
  // The stored background colour (gray when there are no settings).
  cboColor_->SetWindowsColor(pre ? pre->BKColor : 8421504);
  chkPreloader_->setChecked(exp && exp->LoadingFrame);
  if (exp && exp->LoadingFrame && pre) {
    if (pre->UseSprite) {
      chkUseSprite_->setChecked(true);
      if (pre->UseCustomLogo) {
        rbUserLogo_->setChecked(true);
        edtUserLogo_->setText(QString::fromStdU16String(pre->CustomLogo));
      } else {
        rbSysLogo_->setChecked(true);
        const int i = cboSysLogo_->findText(QString::fromStdU16String(pre->SpriteStyle));
        cboSysLogo_->setCurrentIndex(i < 0 ? 0 : i);
      }
    }
    if (pre->UseProgressBar) {
      chkUseProgress_->setChecked(true);
      const int i = cboBarStyle_->findText(QString::fromStdU16String(pre->BarStyle));
      if (i >= 0) cboBarStyle_->setCurrentIndex(i);
      const TBarMode mode = pre->BarMode();
      if (mode == bmBar) cboOption_->setCurrentIndex(0);
      else if (mode == bmText) cboOption_->setCurrentIndex(1);
      else if (mode == bmAll) cboOption_->setCurrentIndex(2);
    }
  }
  chkPreloaderClick();
}

void TPublishSettingsDialog::chkPreloaderClick() {
  const bool on = chkPreloader_->isChecked();
  chkUseSprite_->setEnabled(on);
  chkUseProgress_->setEnabled(on);
  cboColor_->setEnabled(on);
  chkUseSpriteClick();
  chkUseProgressClick();
}

void TPublishSettingsDialog::chkUseSpriteClick() {
  const bool on = chkUseSprite_->isEnabled() && chkUseSprite_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{rbSysLogo_, cboSysLogo_, rbUserLogo_, edtUserLogo_, btnUserLogo_})
    w->setEnabled(on);
}

void TPublishSettingsDialog::chkUseProgressClick() {
  const bool on = chkUseProgress_->isEnabled() && chkUseProgress_->isChecked();
  cboBarStyle_->setEnabled(on);
  cboOption_->setEnabled(on);
}

QLabel* TPublishSettingsDialog::ShownPicture() const { return rbTextLink_->isChecked() ? imgText_ : imgURL_; }

void TPublishSettingsDialog::LinkKindChosen(bool text) {
  btnFontSet_->setEnabled(text);
  imgText_->setVisible(text);
  imgURL_->setVisible(!text);
  const double x = text ? SWFParam.TextLink.X : SWFParam.ImageLink.X;
  const double y = text ? SWFParam.TextLink.Y : SWFParam.ImageLink.Y;
  const QSignalBlocker bx(sdX_), by(sdY_);
  sdX_->setValue(int(std::lround(pnlView_->width() * x)));
  sdY_->setValue(int(std::lround(pnlView_->height() * y)));
  lblXValue_->setText(QString::number(sdX_->value()));
  lblYValue_->setText(QString::number(sdY_->value()));
  ShownPicture()->move(sdX_->value(), sdY_->value());
}

void TPublishSettingsDialog::MovePicture() { ShownPicture()->move(sdX_->value(), sdY_->value()); }

void TPublishSettingsDialog::StoreLinkSettings() {
  TSWFParam& p = SWFParam;
  p.LinkKind = rbImageLink_->isChecked() ? kLinkImage : rbTextLink_->isChecked() ? kLinkText : kLinkNone;
  const double w = pnlView_->width(), h = pnlView_->height();
  p.ImageLink.ImageFile = btnPath_->text().toStdString();
  p.ImageLink.X = imgURL_->x() / w;
  p.ImageLink.Y = imgURL_->y() / h;
  p.ImageLink.URL = edtURL_->text().toStdString();
  p.TextLink.Text = edtTextLink_->text().toStdString();
  p.TextLink.URL = edtURL_->text().toStdString();
  p.TextLink.X = imgText_->x() / w;
  p.TextLink.Y = imgText_->y() / h;
}

void TPublishSettingsDialog::TextChanged() {
  StoreLinkSettings();
  RenderTextPicture();
}

void TPublishSettingsDialog::btnPathButtonClick() {
  const QString chosen = ChooseFile(this, tr("Picture"), btnPath_->text(),
                                    QStringLiteral("Pictures(*.bmp *.jpg *.jpeg)"));
  if (!chosen.isEmpty() && QFileInfo::exists(chosen)) {
    const QSize size = QImageReader(chosen).size();
    if (size.width() > kMaxLinkPictureWidth || size.height() > kMaxLinkPictureHeight) {
      ShowMessage(this, QStringLiteral("The size of Watermask must be smaller than movie's."));
    } else {
      btnPath_->setText(chosen);
      ShowImagePicture(chosen);
    }
  }
  rbImageLink_->setChecked(true);
  LinkKindChosen(false);
}

void TPublishSettingsDialog::btnFontSetClick() {
  TLinkFontDialog font(SWFParam.TextLink, this);
  font.exec();
  TextChanged();
}

void TPublishSettingsDialog::edtUserLogoButtonClick() {
  rbUserLogo_->setChecked(true);
  const QString chosen = ChooseFile(this, tr("Logo"), edtUserLogo_->text(), QStringLiteral("JPEG files(*.jpg)"));
  if (!chosen.isEmpty()) edtUserLogo_->setText(chosen);
}

bool TPublishSettingsDialog::CheckLogo() {
  if (!(chkPreloader_->isChecked() && chkUseSprite_->isChecked() && rbUserLogo_->isChecked())) return true;
  const QString logo = edtUserLogo_->text();
  if (logo.isEmpty()) {
    ShowMessage(this, QStringLiteral("Please select a jpg/bmp file!"), QString(), TDialogKind::Warning);
    return false;
  }
  if (!QFileInfo::exists(logo)) {
    ShowMessage(this, QStringLiteral("The file: %1 not exist!").arg(logo), QString(), TDialogKind::Warning);
    return false;
  }
  return true;
}

void TPublishSettingsDialog::StorePreloaderSettings() {
  TPreLoader* pre = SWFParam.PreLoader;
  TExportSetting* exp = SWFParam.ExportSetting;
  if (!pre || !exp) return;
  exp->LoadingFrame = chkPreloader_->isChecked() ? 1 : 0;
  pre->UseSprite = chkUseSprite_->isChecked();
  if (pre->UseSprite) {
    pre->UseCustomLogo = rbUserLogo_->isChecked();
    if (pre->UseCustomLogo) pre->CustomLogo = edtUserLogo_->text().toStdU16String();
    else pre->SpriteStyle = cboSysLogo_->currentText().toStdU16String();
  }
  pre->UseProgressBar = chkUseProgress_->isChecked();
  if (pre->UseProgressBar) {
    pre->BarStyle = cboBarStyle_->currentText().toStdU16String();
    const int option = cboOption_->currentIndex();
    pre->SetBarMode(option == 0 ? bmBar : option == 2 ? bmAll : bmText);
  }
  pre->BKColor = cboColor_->WindowsColor();
}

void TPublishSettingsDialog::btnOKClick() {
  if (!CheckLogo()) return;
  StoreLinkSettings();
  StorePreloaderSettings();
  accept();
}

void TPublishSettingsDialog::btnResetClick() {
  SWFParam.LinkKind = backupLinkKind_;
  SWFParam.TextLink = backupTextLink_;
  SWFParam.ImageLink = backupImageLink_;
  if (SWFParam.PreLoader) SWFParam.PreLoader->Assign(backupPreLoader_);
  if (SWFParam.ExportSetting) *SWFParam.ExportSetting = backupExport_;
  reject();
}

void TPublishSettingsDialog::btnPreviewLoadClick() {
  if (!CheckLogo()) return;
  StorePreloaderSettings();
  PreloaderPreview preview(SWFParam, this);
  preview.exec();
}

bool TPublishSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((watched == imgURL_ || watched == imgText_) && static_cast<QWidget*>(watched)->isVisible()) {
    auto* picture = static_cast<QLabel*>(watched);
    if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      dragging_ = true;
      dragStartCursor_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      dragStartPicture_ = picture->pos();
      return true;
    }
    if (type == QEvent::MouseMove && dragging_) {
      const QPoint offset = static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragStartCursor_;
      QPoint to = dragStartPicture_ + offset;
      to.setX(std::clamp(to.x(), 0, pnlView_->width() - 1));
      to.setY(std::clamp(to.y(), 0, pnlView_->height() - 1));
      picture->move(to);
      lblXValue_->setText(QString::number(picture->x()));
      lblYValue_->setText(QString::number(picture->y()));
      return true;
    }
    if (type == QEvent::MouseButtonRelease && dragging_) {
      dragging_ = false;
      const QPoint at = picture->pos();
      {
        const QSignalBlocker bx(sdX_), by(sdY_);
        sdX_->setValue(at.x());
        sdY_->setValue(at.y());
      }
      StoreLinkSettings();
      return true;
    }
  } else if (watched == pnlView_ && type == QEvent::MouseMove) {
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    lblXValue_->setText(QString::number(at.x()));
    lblYValue_->setText(QString::number(at.y()));
  } else if (watched == edtURL_ && type == QEvent::MouseButtonPress) {
    if (!urlBoxEmptied) {
      urlBoxEmptied = true;
      edtURL_->clear();
    }
    if (!rbImageLink_->isChecked() && !rbTextLink_->isChecked()) {
      rbTextLink_->setChecked(true);
      LinkKindChosen(true);
    }
  } else if (watched == edtTextLink_ && type == QEvent::FocusIn) {
    rbTextLink_->setChecked(true);
    LinkKindChosen(true);
    TextChanged();
  } else if (watched == btnPath_ && type == QEvent::FocusIn) {
    rbImageLink_->setChecked(true);
    LinkKindChosen(false);
  } else if (watched == cboSysLogo_ && type == QEvent::FocusIn) {
    rbSysLogo_->setChecked(true);
  } else if (watched == edtUserLogo_ && type == QEvent::FocusIn) {
    rbUserLogo_->setChecked(true);
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace reelcast::ui
