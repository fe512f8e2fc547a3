#include "ui/Style.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStyleFactory>

#include "app/Config.h"
#include "app/Paths.h"

namespace reelcast::ui {

void ApplyStyle(QApplication& app) {
  app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(0xf4, 0xf6, 0xf9));
  palette.setColor(QPalette::WindowText, QColor(0x1f, 0x29, 0x37));
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QColor(0xf8, 0xfa, 0xfc));
  palette.setColor(QPalette::Text, QColor(0x1f, 0x29, 0x37));
  palette.setColor(QPalette::Button, QColor(0xff, 0xff, 0xff));
  palette.setColor(QPalette::ButtonText, QColor(0x1f, 0x29, 0x37));
  palette.setColor(QPalette::Highlight, QColor(0x25, 0x63, 0xeb));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, QColor(0x1f, 0x29, 0x37));
  palette.setColor(QPalette::ToolTipText, Qt::white);
  palette.setColor(QPalette::PlaceholderText, QColor(0x94, 0xa3, 0xb8));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x9c, 0xa3, 0xaf));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x9c, 0xa3, 0xaf));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x9c, 0xa3, 0xaf));
  app.setPalette(palette);

  QFile sheet(QString::fromStdString(AppPath("ui/reelcast.qss")));
  if (sheet.open(QIODevice::ReadOnly)) {
    // The sheet names its pictures relative to the data folder.
    QString text = QString::fromUtf8(sheet.readAll());
    text.replace(QStringLiteral("url(ui/"), QStringLiteral("url(") + QString::fromStdString(AppPath("ui/")));
    app.setStyleSheet(text);
  } else {
    NVLog("The style sheet " + sheet.fileName().toStdString() + " could not be read; the plain look is used");
  }
}

}  // namespace reelcast::ui
