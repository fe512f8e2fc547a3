// What the GUI tests share. Each test file is one QtTest class run by
// REELCAST_GUI_TEST_MAIN, which gives the process its own REELCAST_HOME,
// starts the program's core as reelcast does and applies the look. The
// tests run offscreen (QT_QPA_PLATFORM=offscreen, label "gui").
//
// Dialogs never open: TDialogRecorder answers every message box, question
// and chooser through ui::SetDialogHandler and keeps what was asked, so a
// test checks the exact texts.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <deque>
#include <functional>
#include <vector>

#include "ui/FlashView.h"

#include "app/Application.h"
#include "platform/EncoderManager.h"
#include "publish/PublishSteps.h"
#include "support/TestEnv.h"
#include "ui/Dialogs.h"
#include "ui/Style.h"

namespace reelcast::test {

class TDialogRecorder {
 public:
  TDialogRecorder() {
    ui::SetDialogHandler([this](const ui::TDialogRequest& request) {
      Requests.push_back(request);
      if (OnRequest) OnRequest(request);
      if (request.Kind == ui::TDialogKind::Question && !YesAnswers.empty()) {
        bool yes = YesAnswers.front();
        YesAnswers.pop_front();
        return ui::TDialogAnswer{yes, {}};
      }
      if ((request.Kind == ui::TDialogKind::ChooseFolder || request.Kind == ui::TDialogKind::ChooseFile ||
           request.Kind == ui::TDialogKind::SaveFile) &&
          !Paths.empty()) {
        QString path = Paths.front();
        Paths.pop_front();
        return ui::TDialogAnswer{false, path};
      }
      return ui::TDialogAnswer{};
    });
  }
  ~TDialogRecorder() { ui::SetDialogHandler({}); }

  // The texts of the requests of one kind, in order.
  QStringList Texts(ui::TDialogKind kind) const {
    QStringList texts;
    for (const auto& r : Requests)
      if (r.Kind == kind) texts << r.Text;
    return texts;
  }
  QStringList Messages() const {
    QStringList texts = Texts(ui::TDialogKind::Information);
    texts << Texts(ui::TDialogKind::Warning);
    return texts;
  }

  std::vector<ui::TDialogRequest> Requests;
  std::deque<bool> YesAnswers;  // questions answered in turn; No when empty
  std::deque<QString> Paths;    // choosers answered in turn; cancelled when empty
  std::function<void(const ui::TDialogRequest&)> OnRequest;
};

// Finds a child of root by object name, failing the test when there is none.
template <typename T = QWidget>
T* Find(QObject* root, const char* name) {
  T* child = root->findChild<T*>(QLatin1String(name));
  if (!child) qWarning("no child named %s", name);
  return child;
}

// Processes events until condition holds or the deadline passes.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 120000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QTest::qWait(10);
  }
  return true;
}

// main() of a GUI test: its own REELCAST_HOME, the core started, the look.
template <typename TTest>
int RunGuiTest(int argc, char** argv) {
  TempDir home("reelcast-gui-home");
  setenv("REELCAST_HOME", home.Path().c_str(), 1);
  ui::FlashView::PrepareEngine();  // windows with Flash views start the web engine
  QApplication app(argc, argv);
  StartApplication();
  EncMgrInit();
  ui::ApplyStyle(app);
  int result = 0;
  {
    TTest test;
    result = QTest::qExec(&test, argc, argv);
  }
  EncMgrUninit();
  ShutdownApplication();
  return result;
}

}  // namespace reelcast::test

#define REELCAST_GUI_TEST_MAIN(TestClass) \
  int main(int argc, char** argv) { return reelcast::test::RunGuiTest<TestClass>(argc, argv); }
