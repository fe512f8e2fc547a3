// The memo of a multi-line title text (the motive of the opening movie, the
// cast view of the ending movie). Each line becomes one animated line of the
// title movie, so the memo limits how many lines and how long a line the
// user can type; the rules differ between the two memos.
#pragma once

#include <QPlainTextEdit>

namespace reelcast::ui {

struct TMemoRules {
  // Enter is refused while the memo has more lines than this.
  int MaxLinesBeforeEnter = 2;
  // A caret line of this many characters or more refuses ...
  int LongLine = 30;
  // ... every typed character but Enter (true), or only Enter (false).
  bool LongLineRefusesCharacters = true;
  // The whole text's length limit.
  int MaxLength = 100;
};

// Whether a typed key is taken. text is the memo's text, caretLine the text
// of the line holding the caret, key the typed character ('\r' for Enter,
// '\b' for Backspace). Lines are counted as a list of lines is: an empty
// memo has none, and a last line break starts no line of its own.
bool MemoAcceptsKey(const QString& text, const QString& caretLine, QChar key, const TMemoRules& rules);

class TitleMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  TitleMemo(const TMemoRules& rules, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  TMemoRules rules_;
};

}  // namespace reelcast::ui
