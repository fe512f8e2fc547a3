#include "ui/LinkFontDialog.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Icons.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

TLinkFontDialog::TLinkFontDialog(TTextLink& link, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), link_(link) {
  setObjectName(QStringLiteral("frmSetFont"));
  setWindowTitle(QStringLiteral("Font Setting"));
  setAttribute(Qt::WA_StyledBackground);
  RoundWindow(this);
  DragByFreeSpots(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  auto* strip = new TTitleStrip(QStringLiteral("Font Setting"), this);
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 QStringLiteral("Close"));
  connect(close, &QToolButton::clicked, this, &QDialog::reject);
  layout->addWidget(strip);

  auto* body = new QFrame(this);
  body->setObjectName(QStringLiteral("pnlClient"));
  auto* bodyLayout = new QVBoxLayout(body);
  bodyLayout->setContentsMargins(20, 16, 20, 16);
  auto* group = new QGroupBox(QStringLiteral("Font"), body);
  auto* form = new QFormLayout(group);
  // The families fontconfig knows: the movie's text finds its face there too.
  fcbFontName_ = new QComboBox(group);
  fcbFontName_->setObjectName(QStringLiteral("fcbFontName"));
  const QStringList families = QFontDatabase::families();
  fcbFontName_->addItems(families);
  const QString name = QString::fromStdString(link.FontName);
  const QString shown = families.contains(name) ? name : QStringLiteral("Arial");
  if (fcbFontName_->findText(shown) < 0) fcbFontName_->insertItem(0, shown);
  fcbFontName_->setCurrentText(shown);
  cbSize_ = new QComboBox(group);
  cbSize_->setObjectName(QStringLiteral("cbSize"));
  cbSize_->setEditable(true);
  for (int s : {12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40, 44, 48, 56, 64, 72, 80, 90, 100})
    cbSize_->addItem(QString::number(s));
  cbSize_->setCurrentText(QString::number(link.FontSize == 0 ? 12 : link.FontSize));
  cdColor_ = new ColorButton(group);
  cdColor_->setObjectName(QStringLiteral("cdColor"));
  cdColor_->SetWindowsColor(link.Color);
  cbBold_ = new QCheckBox(QStringLiteral("Bold"), group);
  cbBold_->setObjectName(QStringLiteral("cbBold"));
  cbBold_->setChecked(link.Bold);
  cbItalic_ = new QCheckBox(QStringLiteral("Italic"), group);
  cbItalic_->setObjectName(QStringLiteral("cbItalic"));
  cbItalic_->setChecked(link.Italic);
  form->addRow(QStringLiteral("Type"), fcbFontName_);
  form->addRow(QStringLiteral("Size"), cbSize_);
  form->addRow(QStringLiteral("Color"), cdColor_);
  auto* styles = new QHBoxLayout;
  styles->addWidget(cbBold_);
  styles->addWidget(cbItalic_);
  styles->addStretch(1);
  form->addRow(styles);
  bodyLayout->addWidget(group);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("&OK"), body);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setProperty("accent", true);
  ok->setDefault(true);
  buttons->addWidget(ok);
  bodyLayout->addLayout(buttons);
  layout->addWidget(body);
  connect(ok, &QPushButton::clicked, this, [this] {
    Store();
    accept();
  });
}

void TLinkFontDialog::Store() {
  link_.FontName = fcbFontName_->currentText().toStdString();
  bool ok = false;
  const int size = cbSize_->currentText().trimmed().toInt(&ok);
  link_.FontSize = ok ? size : 40;
  link_.Color = cdColor_->WindowsColor();
  link_.Bold = cbBold_->isChecked();
  link_.Italic = cbItalic_->isChecked();
}

}  // namespace reelcast::ui
