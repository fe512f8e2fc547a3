#include "ui/TitleMemo.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

namespace reelcast::ui {
namespace {

int LineCount(const QString& text) {
  if (text.isEmpty()) return 0;
  int lines = int(text.count('\n')) + 1;
  if (text.endsWith('\n')) --lines;
  return lines;
}

}  // namespace

bool MemoAcceptsKey(const QString& text, const QString& caretLine, QChar key, const TMemoRules& rules) {
  if (key == '\b') return true;
  const bool enter = key == '\r' || key == '\n';
  const bool longLine = caretLine.size() >= rules.LongLine;
  if (enter) return LineCount(text) <= rules.MaxLinesBeforeEnter && (rules.LongLineRefusesCharacters || !longLine);
  if (rules.LongLineRefusesCharacters && longLine) return false;
  return text.size() < rules.MaxLength;
}

TitleMemo::TitleMemo(const TMemoRules& rules, QWidget* parent) : QPlainTextEdit(parent), rules_(rules) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabChangesFocus(true);
}

void TitleMemo::keyPressEvent(QKeyEvent* event) {
  // Only typed characters and Enter are ruled; moving the caret, deleting
  // and shortcuts pass.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const QString typed = event->text();
  const bool character = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (enter || character) {
    // A typed character replaces a selection, so the selection does not count.
    QTextCursor cursor = textCursor();
    QString text = toPlainText();
    if (cursor.hasSelection()) text.remove(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
    if (!MemoAcceptsKey(text, cursor.block().text(), enter ? QChar('\r') : typed.at(0), rules_)) {
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TitleMemo::insertFromMimeData(const QMimeData* source) {
  // Pasted text is cut to what still fits into the length limit.
  const QTextCursor cursor = textCursor();
  const int kept = int(toPlainText().size()) - (cursor.selectionEnd() - cursor.selectionStart());
  QString text = source->text();
  text.truncate(std::max(0, rules_.MaxLength - kept));
  insertPlainText(text);
}

}  // namespace reelcast::ui
