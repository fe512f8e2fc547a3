// What the main window and its pages share: the source list (the rows of
// the loaded DVD), the selected row, and the job settings objects the main
// window keeps for SWFParam. Pages hold a reference to it and listen to its
// signals instead of reaching into each other.
#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <memory>

#include "convert/JobRecord.h"
#include "sources/TaskList.h"

namespace reelcast::ui {

class TWorkspace : public QObject {
  Q_OBJECT
 public:
  // dialogParent: the window message boxes of the list belong to.
  explicit TWorkspace(QWidget* dialogParent);
  // Waits for a running load (reading a few IFO files) before the list goes.
  ~TWorkspace() override;

  TTaskList& List() { return list_; }
  const TTaskList& List() const { return list_; }
  // The loaded DVD folder as ebtnOpenFile shows it; empty when none is loaded.
  QString OpenFileText() const;
  bool DvdLoaded() const { return !list_.OpenFileText().empty(); }
  // Every row from the first title on (titles and chapters, not the root),
  // in list order.
  std::vector<TTaskRow*> TaskRows() const;
  TTaskRow* Selected() const { return list_.Selected(); }
  TJobSettingObjects& JobObjects() { return objects_; }

  // Loads a chosen folder (LoadDvdFolder) on a worker thread and returns at
  // once; the UI thread never reads the disc. While it runs Loading() is
  // true; at its end the list's messages are shown, then the new rows take
  // the place of the old ones (dvdLoaded, rowsChanged), or the old list
  // stays when the folder held no DVD. A second call while one load runs is
  // ignored (false); true when the load was started.
  bool LoadDvdFolder(const QString& folder);
  bool Loading() const { return loader_ != nullptr; }
  // Selects a row (nullptr: none); the chapter takes its title's choices.
  TStreamChoice Select(TTaskRow* row);
  // The rows' records changed (checks, streams, settings): views repaint.
  void NotifyRowsChanged() { emit rowsChanged(); }

 signals:
  void dvdLoaded();
  // A load started (true) or ended (false).
  void loadingChanged(bool loading);
  // A finished load is about to replace the rows: nothing may keep using
  // them (previews stop).
  void rowsAboutToBeReplaced();
  void selectionChanged(reelcast::TTaskRow* row);
  void rowsChanged();
  // EnableSourceControls of the Import page.
  void sourceControlsEnabled(bool on);

 private:
  struct TLoad;
  TTaskList::THost WindowHost();
  void FinishLoad();

  QWidget* dialogParent_;
  TTaskList list_;
  std::shared_ptr<TLoad> load_;  // the running load's result, filled by the worker
  QThread* loader_ = nullptr;     // the running load's thread; deleted when it ended
  TJobSettingObjects objects_;
};

}  // namespace reelcast::ui
