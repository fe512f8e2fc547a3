#include "ui/TaskTree.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cmath>
#include <cstdlib>

#include "convert/ConverterModel.h"
#include "ui/Icons.h"
#include "ui/Workspace.h"

namespace reelcast::ui {
namespace {

constexpr int kIndent = 14;  // with the root decorated, level L starts at (L + 1) * 14
constexpr int kImage = 16;

int ChapterCountOf(const TTaskRow* title) { return std::atoi(title->Task.Base.ChapterCount.c_str()); }

// Column 0: the state image in the check column (the same place for titles
// and chapters), then the level image and the name; chapters a step further
// in than titles.
class TSourceDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (index.column() != 0) {
      QStyledItemDelegate::paint(p, option, index);
      return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, p, widget);

    const int level = index.data(TTaskTreeModel::LevelRole).toInt();
    const int top = opt.rect.top() + (opt.rect.height() - kImage) / 2;
    const int checkX = (TTaskTreeView::kCheckLeft + TTaskTreeView::kCheckRight - kImage) / 2;
    int x = opt.rect.left() + 4;
    if (level > 0) {
      CheckIcon(index.data(TTaskTreeModel::CheckedRole).toBool()).paint(p, QRect(checkX, top, kImage, kImage));
      x = TTaskTreeView::kCheckRight + 4 + (level - 1) * 14;
    }
    LevelIcon(level).paint(p, QRect(x, top, kImage, kImage));
    x += kImage + 6;
    QRect textRect(x, opt.rect.top(), opt.rect.right() - x - 2, opt.rect.height());
    p->setPen(opt.state & QStyle::State_Selected ? opt.palette.color(QPalette::HighlightedText)
                                                 : opt.palette.color(QPalette::Text));
    p->setFont(opt.font);
    p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                opt.fontMetrics.elidedText(text, Qt::ElideMiddle, textRect.width()));
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), 26));
    return size;
  }
};

}  // namespace

QString LengthText(double seconds) {
  return QString::fromStdString(FormatDuration(static_cast<int64_t>(std::nearbyint(seconds))));
}

QString TaskCellText(const TTaskRow& row, int column) {
  const int level = row.Level();
  const TTask& task = row.Task;
  switch (column) {
    case 0:
      return QString::fromStdString(task.Base.Name);
    case 1:
      return level == 0 ? QString() : LengthText(task.Base.RoundedLength);
    case 2:
      if (level == 0 || !task.Checked) return {};
      if (level == 2 && row.Parent && ChapterCountOf(row.Parent) <= 1) return {};
      return QString::fromStdString(task.Base.DestinationName);
    default:
      return {};
  }
}

void ToggleRowCheck(TTaskRow* row) {
  if (!row || row->Level() == 0) return;
  const bool checked = !row->Task.Checked;
  row->Task.Checked = checked;
  if (row->Level() == 1) {
    if (row->Children.size() == 1 && ChapterCountOf(row) == 1) row->Children[0]->Task.Checked = checked;
  } else if (TTaskRow* title = row->Parent; title && title->Children.size() == 1 && ChapterCountOf(title) == 1) {
    title->Task.Checked = checked;
  }
}

TTaskTreeModel::TTaskTreeModel(TTaskList& list, QObject* parent) : QAbstractItemModel(parent), list_(list) {}

void TTaskTreeModel::Reload() {
  beginResetModel();
  endResetModel();
}

void TTaskTreeModel::RowsChanged() {
  // Every visible cell may change; the list is small.
  std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
    int n = rowCount(parent);
    if (n == 0) return;
    emit dataChanged(index(0, 0, parent), index(n - 1, 2, parent));
    for (int i = 0; i < n; ++i) walk(index(i, 0, parent));
  };
  walk({});
}

TTaskRow* TTaskTreeModel::RowAt(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TTaskRow*>(index.internalPointer()) : nullptr;
}

QModelIndex TTaskTreeModel::IndexOf(const TTaskRow* row, int column) const {
  if (!row) return {};
  if (!row->Parent) return list_.Root() == row ? createIndex(0, column, const_cast<TTaskRow*>(row)) : QModelIndex();
  const auto& siblings = row->Parent->Children;
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == row) return createIndex(static_cast<int>(i), column, const_cast<TTaskRow*>(row));
  return {};
}

QModelIndex TTaskTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= 3) return {};
  if (!parent.isValid()) return row == 0 && list_.Root() ? createIndex(0, column, list_.Root()) : QModelIndex();
  TTaskRow* p = RowAt(parent);
  if (!p || row >= static_cast<int>(p->Children.size())) return {};
  return createIndex(row, column, p->Children[row].get());
}

QModelIndex TTaskTreeModel::parent(const QModelIndex& child) const {
  TTaskRow* row = RowAt(child);
  return row && row->Parent ? IndexOf(row->Parent) : QModelIndex();
}

int TTaskTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  if (!parent.isValid()) return list_.Root() ? 1 : 0;
  TTaskRow* row = RowAt(parent);
  return row ? static_cast<int>(row->Children.size()) : 0;
}

int TTaskTreeModel::columnCount(const QModelIndex&) const { return 3; }

bool TTaskTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TTaskTreeModel::data(const QModelIndex& index, int role) const {
  const TTaskRow* row = RowAt(index);
  if (!row) return {};
  switch (role) {
    case Qt::DisplayRole:
      return TaskCellText(*row, index.column());
    case Qt::ToolTipRole:
      if (row->Level() == 0)
        return index.column() == 0 ? QString::fromStdString(row->Task.Base.SourcePath) : QVariant();
      // A title that cannot be read says why on every cell of its rows.
      if (!row->Task.Base.VobProblem.empty()) {
        const TTaskRow* title = row->Level() == 2 ? row->Parent : row;
        return QString::fromStdString(UnusableTitlesText({title->Task.Base.Name}, row->Task.Base.VobProblem));
      }
      return {};
    case LevelRole:
      return row->Level();
    case CheckedRole:
      return row->Task.Checked;
    case Qt::TextAlignmentRole:
      return index.column() == 1 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant TTaskTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[] = {"Source", "Original Length", "Destination File"};
  return section >= 0 && section < 3 ? QString::fromLatin1(kHeaders[section]) : QVariant();
}

TTaskTreeView::TTaskTreeView(TWorkspace& workspace, QWidget* parent)
    : QTreeView(parent), workspace_(workspace), model_(new TTaskTreeModel(workspace.List(), this)) {
  setObjectName(QStringLiteral("vst"));
  setModel(model_);
  setItemDelegate(new TSourceDelegate(this));
  setIndentation(kIndent);
  setRootIsDecorated(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  setAlternatingRowColors(true);
  setAllColumnsShowFocus(true);
  header()->setSectionsMovable(true);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  header()->setStretchLastSection(true);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setColumnWidth(0, 210);
  setColumnWidth(1, 125);
  setColumnWidth(2, 130);

  connect(&workspace_, &TWorkspace::dvdLoaded, this, [this] {
    model_->Reload();
    if (TTaskRow* root = workspace_.List().Root()) {
      expand(model_->IndexOf(root));  // titles stay collapsed
      scrollTo(model_->IndexOf(root));
    }
    // The first title is selected, which fills the Import page's boxes.
    const auto titles = workspace_.List().Titles();
    if (!titles.empty()) {
      SelectRow(titles.front());
      workspace_.Select(titles.front());
    }
  });
  connect(&workspace_, &TWorkspace::rowsChanged, this, [this] { model_->RowsChanged(); });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            TTaskRow* row = model_->RowAt(current);
            if (row != workspace_.Selected()) workspace_.Select(row);
          });
  connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
    if (TTaskRow* row = model_->RowAt(index)) emit rowActivated(row);
  });
}

void TTaskTreeView::SelectRow(const TTaskRow* row) {
  QModelIndex index = model_->IndexOf(row);
  if (!index.isValid()) return;
  for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) expand(p);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

void TTaskTreeView::Toggle(TTaskRow* row) {
  ToggleRowCheck(row);
  workspace_.NotifyRowsChanged();
}

void TTaskTreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  const QPoint pos = event->position().toPoint();
  const QModelIndex hit = indexAt(pos);
  // The hit must be in column 0 of a row; the selected row flips.
  if (event->button() == Qt::LeftButton && hit.isValid() && header()->logicalIndexAt(pos.x()) == 0 &&
      pos.x() > kCheckLeft && pos.x() < kCheckRight)
    Toggle(workspace_.Selected());
}

void TTaskTreeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && workspace_.Selected()) {
    Toggle(workspace_.Selected());
    return;
  }
  QTreeView::keyPressEvent(event);
}

}  // namespace reelcast::ui
