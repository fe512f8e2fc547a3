// What the main window and its pages share: the source list (the rows of
// the loaded DVD), the selected row, and the job settings objects the main
// window keeps for SWFParam. Pages hold a reference to it and listen to its
// signals instead of reaching into each other.
#pragma once

#include <QObject>
#include <QWidget>

#include "convert/JobRecord.h"
#include "sources/TaskList.h"

namespace reelcast::ui {

class TWorkspace : public QObject {
  Q_OBJECT
 public:
  // dialogParent: the window message boxes of the list belong to.
  explicit TWorkspace(QWidget* dialogParent);

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

  // Loads a chosen folder (LoadDvdFolder); true when a DVD was loaded.
  bool LoadDvdFolder(const QString& folder);
  // Selects a row (nullptr: none); the chapter takes its title's choices.
  TStreamChoice Select(TTaskRow* row);
  // The rows' records changed (checks, streams, settings): views repaint.
  void NotifyRowsChanged() { emit rowsChanged(); }

 signals:
  void dvdLoaded();
  void selectionChanged(reelcast::TTaskRow* row);
  void rowsChanged();
  // EnableSourceControls of the Import page.
  void sourceControlsEnabled(bool on);

 private:
  QWidget* dialogParent_;
  TTaskList list_;
  TJobSettingObjects objects_;
};

}  // namespace reelcast::ui
