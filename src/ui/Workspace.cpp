#include "ui/Workspace.h"

#include <QApplication>
#include <QCursor>
#include <utility>

#include "ui/Dialogs.h"

namespace reelcast::ui {

// What a load on the worker thread leaves for the UI thread: the list it
// built, whether it replaced the old rows (the folder held a DVD, even when
// its first title then failed the decoder check and the list was emptied),
// and the messages and control state it reported on the way.
struct TWorkspace::TLoad {
  TTaskList List;
  bool RowsReplaced = false;
  std::vector<std::pair<std::string, std::string>> Messages;  // text, caption
  int SourceControls = -1;                                     // -1: not reported
};

TWorkspace::TWorkspace(QWidget* dialogParent) : QObject(dialogParent), dialogParent_(dialogParent) {
  list_ = TTaskList(WindowHost());
}

TWorkspace::~TWorkspace() {
  if (loader_) {
    loader_->disconnect(this);
    loader_->wait();
    delete loader_;
  }
}

TTaskList::THost TWorkspace::WindowHost() {
  TTaskList::THost host;
  host.ShowMessage = [this](const std::string& text, const std::string& caption) {
    ShowMessage(dialogParent_, QString::fromStdString(text), QString::fromStdString(caption));
  };
  host.EnableSourceControls = [this](bool on) { emit sourceControlsEnabled(on); };
  return host;
}

QString TWorkspace::OpenFileText() const { return QString::fromStdString(list_.OpenFileText()); }

std::vector<TTaskRow*> TWorkspace::TaskRows() const {
  std::vector<TTaskRow*> rows = list_.Rows();
  if (!rows.empty() && rows.front()->Level() == 0) rows.erase(rows.begin());
  return rows;
}

bool TWorkspace::LoadDvdFolder(const QString& folder) {
  if (loader_) return false;
  QString path = folder;
  if (!path.endsWith('/')) path += '/';
  auto load = std::make_shared<TLoad>();
  // The worker's list reports into the load record; the UI thread shows it
  // when the worker has ended.
  TTaskList::THost host;
  TLoad* record = load.get();
  host.ShowMessage = [record](const std::string& text, const std::string& caption) {
    record->Messages.emplace_back(text, caption);
  };
  host.EnableSourceControls = [record](bool on) { record->SourceControls = on ? 1 : 0; };
  // Busy comes on right after the old rows were dropped from the list.
  host.SetBusy = [record](bool busy) {
    if (busy) record->RowsReplaced = true;
  };
  load->List = TTaskList(std::move(host));
  load_ = load;
  loader_ = QThread::create([load, file = path.toStdString()] { load->List.LoadDvdFolder(file); });
  loader_->setObjectName(QStringLiteral("dvd loader"));
  connect(loader_, &QThread::finished, this, &TWorkspace::FinishLoad);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  emit loadingChanged(true);
  loader_->start();
  return true;
}

void TWorkspace::FinishLoad() {
  loader_->deleteLater();
  loader_ = nullptr;
  std::shared_ptr<TLoad> load = std::move(load_);
  QApplication::restoreOverrideCursor();
  if (load->RowsReplaced) {
    emit rowsAboutToBeReplaced();
    list_ = std::move(load->List);
    list_.SetHost(WindowHost());
  }
  emit loadingChanged(false);
  if (load->SourceControls >= 0) emit sourceControlsEnabled(load->SourceControls == 1);
  if (load->RowsReplaced) {
    emit dvdLoaded();
    emit rowsChanged();
  }
  // The views show the new rows before a message box runs its own loop.
  for (const auto& [text, caption] : load->Messages)
    ShowMessage(dialogParent_, QString::fromStdString(text), QString::fromStdString(caption));
}

TStreamChoice TWorkspace::Select(TTaskRow* row) {
  TStreamChoice choice = list_.Select(row);
  emit selectionChanged(row);
  return choice;
}

}  // namespace reelcast::ui
