// The program's message boxes and its folder and file choosers, in one
// place so that every window shows them alike and the GUI tests can answer
// them: a test installs a handler that records each request and gives the
// answer, and no real dialog opens.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace reelcast::ui {

enum class TDialogKind {
  Information,  // a message with OK
  Warning,      // a plain message with OK (no information icon)
  Question,     // Yes/No; the answer is Yes or No
  ChooseFolder, // a folder chooser; the answer is the folder or empty
  ChooseFile,   // a file chooser; Filter holds the name filter
  SaveFile,     // a save-as chooser
  OpenPath,     // the shell opens a file, folder or program (Text holds it)
  OpenUrl,      // the web browser opens an address (Text holds it)
};

struct TDialogRequest {
  TDialogKind Kind = TDialogKind::Information;
  QString Text;     // the message, question or chooser title
  QString Caption;  // the box's caption
  QString Start;    // chooser: the folder or file to start from
  QString Filter;   // file chooser: "Music (*.mp3 *.wav)"
};

struct TDialogAnswer {
  bool Yes = false;  // questions
  QString Path;      // choosers: the chosen path; empty when cancelled
};

// Replaces every dialog by a call of handler (tests); an empty handler puts
// the real dialogs back.
void SetDialogHandler(std::function<TDialogAnswer(const TDialogRequest&)> handler);

// A message box; runs its own event loop, so posted job events keep coming.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption = QStringLiteral("Information"),
                 TDialogKind kind = TDialogKind::Information);
// A Yes/No question; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& caption = QStringLiteral("Information"));
// The folder chooser; empty when cancelled.
QString ChooseFolder(QWidget* parent, const QString& title, const QString& start = {});
// The open and save file choosers; empty when cancelled.
QString ChooseFile(QWidget* parent, const QString& title, const QString& start, const QString& filter);
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& start, const QString& filter);

// Opens a file, folder or program the way the desktop's shell does ("open").
void OpenInShell(const QString& path);
// Opens a web address in the user's web browser.
void OpenUrl(const QString& url);

}  // namespace reelcast::ui
