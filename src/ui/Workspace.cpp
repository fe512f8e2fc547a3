#include "ui/Workspace.h"

#include <QApplication>
#include <QCursor>

#include "ui/Dialogs.h"

namespace reelcast::ui {

TWorkspace::TWorkspace(QWidget* dialogParent) : QObject(dialogParent), dialogParent_(dialogParent) {
  TTaskList::THost host;
  host.ShowMessage = [this](const std::string& text, const std::string& caption) {
    ShowMessage(dialogParent_, QString::fromStdString(text), QString::fromStdString(caption));
  };
  host.EnableSourceControls = [this](bool on) { emit sourceControlsEnabled(on); };
  host.SetBusy = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  list_ = TTaskList(std::move(host));
}

QString TWorkspace::OpenFileText() const { return QString::fromStdString(list_.OpenFileText()); }

std::vector<TTaskRow*> TWorkspace::TaskRows() const {
  std::vector<TTaskRow*> rows = list_.Rows();
  if (!rows.empty() && rows.front()->Level() == 0) rows.erase(rows.begin());
  return rows;
}

bool TWorkspace::LoadDvdFolder(const QString& folder) {
  QString path = folder;
  if (!path.endsWith('/')) path += '/';
  bool loaded = list_.LoadDvdFolder(path.toStdString());
  emit dvdLoaded();
  emit rowsChanged();
  return loaded;
}

TStreamChoice TWorkspace::Select(TTaskRow* row) {
  TStreamChoice choice = list_.Select(row);
  emit selectionChanged(row);
  return choice;
}

}  // namespace reelcast::ui
