#include "ui/AboutWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "ui/Icons.h"
#include "ui/SplashWindow.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {
namespace {

// The text of a key of the product data file; fallback when it is empty.
QString ProductText(ConfigFileHandle file, const char* key, const QString& fallback = {}) {
  char16_t buffer[512] = {};  // 510 characters and the terminator
  if (!ConfigGetStrEx(file, key, buffer, sizeof buffer - 2) || !buffer[0]) return fallback;
  return QString::fromUtf16(buffer);
}

QLabel* Link(const QString& caption, const QString& url, const QColor& color, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::RichText);
  label->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                     .arg(url.toHtmlEscaped(), color.name(), caption.toHtmlEscaped()));
  label->setOpenExternalLinks(true);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  return label;
}

}  // namespace

TAboutWindow::TAboutWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setAttribute(Qt::WA_StyledBackground);
  setFixedSize(440, 300);
  RoundWindow(this);
  DragByFreeSpots(this);

  // The product data file, read when the window opens.
  ConfigFileHandle file = ConfigFileInit(AppPath("Sys.Dat"));
  bool ok = false;
  const int colorValue = ProductText(file, "frmAbout_TextColor").toInt(&ok);
  // A colour value holds red in its low byte.
  const QColor linkColor = ok ? QColor(colorValue & 0xFF, (colorValue >> 8) & 0xFF, (colorValue >> 16) & 0xFF)
                              : QColor(Qt::black);
  const QString builtIn = QStringLiteral("https://reelcast.example.org/");
  const QString homeCaption = ProductText(file, "HTTP.HomePage", builtIn);
  const QString homeUrl = ProductText(file, "HTTP.HomePageURL", builtIn);
  const QString supportCaption = ProductText(file, "HTTP.SupportPage", builtIn);
  const QString supportUrl = ProductText(file, "HTTP.SupportPageURL", builtIn);
  const QString fullName = ProductText(file, "System.FullName", QStringLiteral("Reelcast"));
  ConfigFileDestroy(file);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);  // the outline of the style sheet
  auto* strip = new TTitleStrip(QStringLiteral("About"), this);
  auto* close = strip->AddButton(QStringLiteral("btnClose"), GlyphIcon(TGlyph::Close, QColor(0xe2, 0xe8, 0xf0)),
                                 QStringLiteral("Close"));
  connect(close, &QToolButton::clicked, this, &QDialog::accept);
  layout->addWidget(strip);

  auto* body = new QFrame(this);
  body->setObjectName(QStringLiteral("pnlClient"));
  auto* grid = new QGridLayout(body);
  grid->setContentsMargins(24, 20, 24, 20);
  grid->setHorizontalSpacing(14);
  auto* imgbase = new QLabel(body);
  imgbase->setObjectName(QStringLiteral("imgbase"));
  imgbase->setPixmap(AppIcon().pixmap(64, 64));
  imgbase->setProperty("freeSpot", false);  // a press on the picture closes the window
  grid->addWidget(imgbase, 0, 0, 2, 1, Qt::AlignTop);
  auto* name = new QLabel(fullName, body);
  name->setObjectName(QStringLiteral("lblProduct"));
  name->setWordWrap(true);
  grid->addWidget(name, 0, 1, 1, 2);
  auto* lblVer = new QLabel(VersionCaption(), body);
  lblVer->setObjectName(QStringLiteral("lblVer"));
  grid->addWidget(lblVer, 1, 1, 1, 2, Qt::AlignTop);
  grid->addWidget(new QLabel(QStringLiteral("Homepage:"), body), 2, 1);
  auto* lblHPurl = Link(homeCaption, homeUrl, linkColor, body);
  lblHPurl->setObjectName(QStringLiteral("lblHPurl"));
  grid->addWidget(lblHPurl, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Support:"), body), 3, 1);
  auto* lblSupurl = Link(supportCaption, supportUrl, linkColor, body);
  lblSupurl->setObjectName(QStringLiteral("lblSupurl"));
  grid->addWidget(lblSupurl, 3, 2);
  auto* lblCompany = new QLabel(QStringLiteral("Made with FFmpeg, libdvdread and Qt. Movies play in Ruffle."), body);
  lblCompany->setObjectName(QStringLiteral("lblCompany"));
  lblCompany->setProperty("hint", true);
  lblCompany->setWordWrap(true);
  grid->addWidget(lblCompany, 4, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(5, 1);
  layout->addWidget(body, 1);
}

void TAboutWindow::mousePressEvent(QMouseEvent* event) {
  // Pressing the picture closes the window.
  QWidget* hit = childAt(event->position().toPoint());
  if (hit && hit->objectName() == QLatin1String("imgbase")) {
    accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

}  // namespace reelcast::ui
