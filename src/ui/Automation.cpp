#include "ui/Automation.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAbstractSlider>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSpinBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <deque>

#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ClipTrackBar.h"
#include "ui/TaskTree.h"
#include "ui/VideoView.h"

namespace reelcast::ui {
namespace {

const char* KindName(TDialogKind kind) {
  switch (kind) {
    case TDialogKind::Information: return "information";
    case TDialogKind::Warning: return "message";
    case TDialogKind::Question: return "question";
    case TDialogKind::ChooseFolder: return "choose-folder";
    case TDialogKind::ChooseFile: return "choose-file";
    case TDialogKind::SaveFile: return "save-file";
    case TDialogKind::OpenPath: return "open";
    case TDialogKind::OpenUrl: return "open-url";
  }
  return "?";
}

// A visible widget by object name; the modal window in front is searched
// first (several windows have a btnClose).
QWidget* FindVisible(const QString& name) {
  QWidgetList tops = QApplication::topLevelWidgets();
  if (QWidget* modal = QApplication::activeModalWidget()) tops.prepend(modal);
  for (QWidget* top : tops) {
    if (!top->isVisible()) continue;
    if (top->objectName() == name) return top;
    for (QWidget* w : top->findChildren<QWidget*>(name))
      if (w->isVisible()) return w;
  }
  return nullptr;
}

class TAutomation : public QObject {
 public:
  TAutomation(TMainWindow* window, QStringList lines) : QObject(window), window_(window), lines_(std::move(lines)) {
    SetDialogHandler([this](const TDialogRequest& r) {
      std::printf("dialog: %s: %s\n", KindName(r.Kind), qPrintable(r.Text));
      std::fflush(stdout);
      asked_ << r.Text;
      TDialogAnswer answer;
      if (r.Kind == TDialogKind::Question && !yes_.empty()) {
        answer.Yes = yes_.front();
        yes_.pop_front();
      } else if ((r.Kind == TDialogKind::ChooseFolder || r.Kind == TDialogKind::ChooseFile ||
                  r.Kind == TDialogKind::SaveFile) &&
                 !paths_.empty()) {
        answer.Path = paths_.front();
        paths_.pop_front();
      }
      return answer;
    });
    connect(&stallTimer_, &QTimer::timeout, this, [this] {
      longestStall_ = std::max(longestStall_, stallClock_.restart());
    });
    stallTimer_.setInterval(2);
    Next(0);
  }

 private:
  void Next(int delayMs) { QTimer::singleShot(delayMs, this, [this] { Step(); }); }

  void Fail(const QString& text) {
    std::printf("automation: error: line %d: %s\n", lineNumber_, qPrintable(text));
    std::fflush(stdout);
    QApplication::exit(3);
  }

  // Runs the current line; a wait that does not hold yet tries again shortly.
  void Step() {
    if (current_.isEmpty()) {
      while (lineNumber_ < lines_.size()) {
        current_ = lines_[lineNumber_++].trimmed();
        if (!current_.isEmpty() && !current_.startsWith('#')) break;
        current_.clear();
      }
      if (current_.isEmpty()) return;  // the script has ended
      deadline_ = QDeadlineTimer(600000);
      std::printf("automation: %s\n", qPrintable(current_));
      std::fflush(stdout);
    }
    const QString command = current_.section(' ', 0, 0);
    const QString rest = current_.section(' ', 1);
    auto waitFor = [&](bool holds, const QString& what) {
      if (holds) {
        Done();
      } else if (deadline_.hasExpired()) {
        Fail("gave up waiting for " + what);
      } else {
        Next(50);
      }
    };
    if (command == "answer-path") {
      paths_.push_back(rest);
      Done();
    } else if (command == "answer") {
      yes_.push_back(rest == "yes");
      Done();
    } else if (command == "click") {
      auto* button = qobject_cast<QAbstractButton*>(FindVisible(rest));
      if (!button) return Fail("no visible button " + rest);
      // The click may open a modal window; the script goes on inside it.
      Done();
      button->click();
    } else if (command == "set") {
      QWidget* target = FindVisible(rest.section(' ', 0, 0));
      if (auto* memo = qobject_cast<QPlainTextEdit*>(target)) {
        // "\n" in the text stands for a line break.
        memo->setPlainText(rest.section(' ', 1).replace(QLatin1String("\\n"), QLatin1String("\n")));
        return Done();
      }
      if (auto* slider = qobject_cast<QAbstractSlider*>(target)) {
        slider->setValue(rest.section(' ', 1).toInt());
        return Done();
      }
      if (auto* spin = qobject_cast<QSpinBox*>(target)) {
        spin->setValue(rest.section(' ', 1).toInt());
        return Done();
      }
      auto* edit = qobject_cast<QLineEdit*>(target);
      if (!edit) return Fail("no visible line edit " + rest.section(' ', 0, 0));
      edit->setText(rest.section(' ', 1));
      emit edit->editingFinished();
      Done();
    } else if (command == "select") {
      // The item with that text becomes the list's or combo box's choice,
      // as a click on it does.
      const QString name = rest.section(' ', 0, 0), item = rest.section(' ', 1);
      QWidget* target = FindVisible(name);
      if (auto* list = qobject_cast<QListWidget*>(target)) {
        const QList<QListWidgetItem*> found = list->findItems(item, Qt::MatchExactly);
        if (found.isEmpty()) return Fail("no item " + item + " in " + name);
        list->setCurrentItem(found.front());
        return Done();
      }
      auto* combo = qobject_cast<QComboBox*>(target);
      if (!combo || combo->findText(item) < 0) return Fail("no visible list " + name + " with " + item);
      combo->setCurrentIndex(combo->findText(item));
      Done();
    } else if (command == "tab") {
      auto* tabs = qobject_cast<QTabWidget*>(FindVisible(rest.section(' ', 0, 0)));
      if (!tabs) return Fail("no visible tab control " + rest.section(' ', 0, 0));
      tabs->setCurrentIndex(rest.section(' ', 1).toInt());
      Done();
    } else if (command == "check") {
      TTaskRow* row = FindRow(rest.section(' ', 0, 0));
      if (!row) return Fail("no row " + rest.section(' ', 0, 0));
      if (row->Task.Checked != (rest.section(' ', 1) == "on")) ToggleRowCheck(row);
      window_->Workspace().NotifyRowsChanged();
      Done();
    } else if (command == "select-row") {
      TTaskRow* row = FindRow(rest);
      if (!row) return Fail("no row " + rest);
      window_->Workspace().Select(row);
      Done();
    } else if (command == "wait-picture") {
      auto* view = qobject_cast<TVideoView*>(FindVisible(rest));
      if (!view) return Fail("no visible video view " + rest);
      waitFor(!view->Picture().isNull(), "a picture in " + rest);
    } else if (command == "drag") {
      const QStringList args = rest.split(' ', Qt::SkipEmptyParts);
      QWidget* target = args.size() == 5 ? FindVisible(args[0]) : nullptr;
      if (!target) return Fail("no visible widget for drag " + rest);
      Drag(target, QPointF(args[1].toDouble(), args[2].toDouble()), QPointF(args[3].toDouble(), args[4].toDouble()), true);
      Done();
    } else if (command == "drag-by") {
      // A drag of the widget itself by DX, DY pixels from its middle (a
      // picture placed by dragging).
      const QStringList args = rest.split(' ', Qt::SkipEmptyParts);
      QWidget* target = args.size() == 3 ? FindVisible(args[0]) : nullptr;
      if (!target) return Fail("no visible widget for drag-by " + rest);
      const QPointF from = QRectF(target->rect()).center();
      Drag(target, from, from + QPointF(args[1].toDouble(), args[2].toDouble()), false);
      Done();
    } else if (command == "print") {
      QWidget* w = FindVisible(rest);
      QString text;
      if (auto* spin = qobject_cast<QSpinBox*>(w)) text = QString::number(spin->value());
      else if (auto* bar = qobject_cast<TClipTrackBar*>(w)) text = QString::number(bar->Position());
      else if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
      else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
      else return Fail("nothing to print in " + rest);
      std::printf("value: %s: %s\n", qPrintable(rest), qPrintable(text));
      std::fflush(stdout);
      Done();
    } else if (command == "wait-at-least") {
      QWidget* w = FindVisible(rest.section(' ', 0, 0));
      const int least = rest.section(' ', 1).toInt();
      int value;
      if (auto* spin = qobject_cast<QSpinBox*>(w)) value = spin->value();
      else if (auto* bar = qobject_cast<TClipTrackBar*>(w)) value = bar->Position();
      else return Fail("no spin box or track bar " + rest.section(' ', 0, 0));
      waitFor(value >= least, rest);
    } else if (command == "save-picture" || command == "save-view") {
      QWidget* w = FindVisible(rest.section(' ', 0, 0));
      if (!w) return Fail("no visible widget " + rest.section(' ', 0, 0));
      QImage image = w->grab().toImage();
      if (command == "save-picture") {
        auto* view = qobject_cast<TVideoView*>(w);
        if (!view) return Fail("not a video view: " + rest.section(' ', 0, 0));
        image = view->Picture();
      }
      if (image.isNull() || !image.save(rest.section(' ', 1), "PNG")) return Fail("cannot save " + rest);
      Done();
    } else if (command == "wait-dvd") {
      const TWorkspace& workspace = window_->Workspace();
      waitFor(!workspace.Loading() && workspace.DvdLoaded(), "the DVD to load");
    } else if (command == "wait-window") {
      waitFor(FindVisible(rest) != nullptr, rest);
    } else if (command == "wait-closed") {
      waitFor(FindVisible(rest) == nullptr, rest + " to close");
    } else if (command == "wait-minimized") {
      waitFor(window_->isMinimized(), "the main window to be minimised");
    } else if (command == "wait-restored") {
      waitFor(window_->isVisible() && !window_->isMinimized(), "the main window to come back");
    } else if (command == "wait-dialog") {
      waitFor(asked_.contains(rest), "the dialog \"" + rest + "\"");
    } else if (command == "shot") {
      // The screen shows a window only once the display server has mapped
      // it and has its pixels: a shot taken as the program starts, on a busy
      // machine, would otherwise be an empty screen. Wait until every shown
      // window is exposed, paint them now and let the server catch up.
      bool shown = false, exposed = true;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->isMinimized()) continue;
        shown = true;
        exposed = exposed && w->windowHandle() && w->windowHandle()->isExposed();
      }
      if (!shown || !exposed) return waitFor(false, "the windows to show before " + rest);
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized()) w->repaint();
      QGuiApplication::sync();
      QScreen* screen = QApplication::primaryScreen();
      if (!screen || !screen->grabWindow(0).save(rest)) return Fail("cannot save " + rest);
      Done();
    } else if (command == "stalls") {
      if (rest == "start") {
        longestStall_ = 0;
        stallClock_.start();
        stallTimer_.start();
      } else {
        // The gap still open counts too: a click may have blocked until now.
        longestStall_ = std::max(longestStall_, stallClock_.elapsed());
        if (rest.section(' ', 1).isEmpty())
          std::printf("stall: %lld ms\n", static_cast<long long>(longestStall_));
        else
          std::printf("stall: %s %lld ms\n", qPrintable(rest.section(' ', 1)), static_cast<long long>(longestStall_));
        std::fflush(stdout);
      }
      Done();
    } else if (command == "quit") {
      Done();
      window_->close();
    } else {
      Fail("unknown command " + command);
    }
  }

  void Done() {
    current_.clear();
    Next(0);
  }

  // A left-button drag in steps, as a hand would make it; from and to are
  // fractions of the target (its picture for a video view) or, with
  // fractions false, its pixels. The screen positions are counted from where
  // the target was at the press, as the cursor's are when the target moves.
  static void Drag(QWidget* target, QPointF from, QPointF to, bool fractions) {
    QRectF area = target->rect();
    if (auto* view = qobject_cast<TVideoView*>(target)) area = view->PictureRect();
    auto at = [&](QPointF f) {
      return fractions ? QPointF(area.x() + f.x() * area.width(), area.y() + f.y() * area.height()) : f;
    };
    const QPointF origin = target->mapToGlobal(QPointF(0, 0));
    auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
      QMouseEvent event(type, p, origin + p, Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, at(from), Qt::LeftButton);
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i) send(QEvent::MouseMove, at(from + (to - from) * i / kSteps), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at(to), Qt::NoButton);
  }

  TTaskRow* FindRow(const QString& path) {
    const QStringList names = path.split('/');
    TTaskRow* row = window_->Workspace().List().Root();
    for (const QString& name : names) {
      TTaskRow* found = nullptr;
      if (row)
        for (auto& child : row->Children)
          if (QString::fromStdString(child->Task.Base.Name) == name) found = child.get();
      row = found;
    }
    return row;
  }

  TMainWindow* window_;
  QStringList lines_;
  int lineNumber_ = 0;
  QString current_;
  QDeadlineTimer deadline_;
  std::deque<QString> paths_;
  std::deque<bool> yes_;
  QStringList asked_;
  QTimer stallTimer_;
  QElapsedTimer stallClock_;
  qint64 longestStall_ = 0;
};

}  // namespace

void StartAutomation(QWidget* mainWindow) {
  const QByteArray script = qgetenv("REELCAST_AUTOMATION");
  auto* window = qobject_cast<TMainWindow*>(mainWindow);
  if (script.isEmpty() || !window) return;
  QFile file(QString::fromLocal8Bit(script));
  if (!file.open(QIODevice::ReadOnly)) {
    std::printf("automation: error: cannot read %s\n", script.constData());
    QApplication::exit(3);
    return;
  }
  new TAutomation(window, QString::fromUtf8(file.readAll()).split('\n'));
}

}  // namespace reelcast::ui
