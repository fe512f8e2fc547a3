#include "ui/Dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QMessageBox>

namespace reelcast::ui {
namespace {

std::function<TDialogAnswer(const TDialogRequest&)>& Handler() {
  static std::function<TDialogAnswer(const TDialogRequest&)> handler;
  return handler;
}

}  // namespace

void SetDialogHandler(std::function<TDialogAnswer(const TDialogRequest&)> handler) {
  Handler() = std::move(handler);
}

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, TDialogKind kind) {
  if (Handler()) {
    Handler()({kind, text, caption, {}, {}});
    return;
  }
  QMessageBox box(kind == TDialogKind::Warning ? QMessageBox::NoIcon : QMessageBox::Information, caption, text,
                  QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("messageBox"));
  box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
  if (Handler()) return Handler()({TDialogKind::Question, text, caption, {}, {}}).Yes;
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("questionBox"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
  if (Handler()) return Handler()({TDialogKind::ChooseFolder, title, {}, start, {}}).Path;
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

QString ChooseFile(QWidget* parent, const QString& title, const QString& start, const QString& filter) {
  if (Handler()) return Handler()({TDialogKind::ChooseFile, title, {}, start, filter}).Path;
  return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& start, const QString& filter) {
  if (Handler()) return Handler()({TDialogKind::SaveFile, title, {}, start, filter}).Path;
  return QFileDialog::getSaveFileName(parent, title, start, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

void OpenInShell(const QString& path) {
  if (Handler()) {
    Handler()({TDialogKind::OpenPath, path, {}, {}, {}});
    return;
  }
  // A program (the projector) is started; files and folders open in what the
  // desktop has for them.
  const QFileInfo info(path);
  if (info.isFile() && info.isExecutable()) {
    QProcess::startDetached(path, {}, info.absolutePath());
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void OpenUrl(const QString& url) {
  if (Handler()) {
    Handler()({TDialogKind::OpenUrl, url, {}, {}, {}});
    return;
  }
  QDesktopServices::openUrl(QUrl(url));
}

}  // namespace reelcast::ui
