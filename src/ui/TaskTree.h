// The task list vst: the loaded DVD's root, its titles and their chapters in
// three columns ("Source", "Original Length", "Destination File"), the
// check marks with their hit test and the one-chapter mirroring.
#pragma once

#include <QAbstractItemModel>
#include <QTreeView>

#include "sources/TaskList.h"

namespace reelcast::ui {

class TWorkspace;

// The columns' texts of a row, as the list shows them.
QString TaskCellText(const TTaskRow& row, int column);
// The length column's format: whole seconds as "hh:mm:ss".
QString LengthText(double seconds);

// Flips a title's or chapter's check mark; a title with exactly one chapter
// row whose chapter count is 1 and that chapter row share the mark. The
// root has no mark.
void ToggleRowCheck(TTaskRow* row);

class TTaskTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  enum { LevelRole = Qt::UserRole + 1, CheckedRole };

  explicit TTaskTreeModel(TTaskList& list, QObject* parent = nullptr);
  // The list was loaded or cleared.
  void Reload();
  // The rows' contents changed (check marks, names).
  void RowsChanged();

  TTaskRow* RowAt(const QModelIndex& index) const;
  QModelIndex IndexOf(const TTaskRow* row, int column = 0) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;

 private:
  TTaskList& list_;
};

class TTaskTreeView : public QTreeView {
  Q_OBJECT
 public:
  // The check column: a release in column 0 with kCheckLeft < x < kCheckRight
  // (viewport pixels) flips the selected row's mark.
  static constexpr int kCheckLeft = 43;
  static constexpr int kCheckRight = 72;

  explicit TTaskTreeView(TWorkspace& workspace, QWidget* parent = nullptr);
  TTaskTreeModel* TaskModel() const { return model_; }
  // Selects a row and scrolls to it.
  void SelectRow(const TTaskRow* row);

 signals:
  // The user double-clicked a row (the Import preview starts, as Play does).
  void rowActivated(reelcast::TTaskRow* row);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Toggle(TTaskRow* row);
  TWorkspace& workspace_;
  TTaskTreeModel* model_;
};

}  // namespace reelcast::ui
