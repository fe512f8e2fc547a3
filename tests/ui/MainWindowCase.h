// The main window of a GUI test case: a test class derives from it, calls
// Open() in its init() and Close() in its cleanup(); a TDialogRecorder
// answers the window's dialogs. The test DVD is loaded through btnOpen as a
// user would.
#pragma once

#include <QAbstractButton>
#include <memory>

#include "GuiTest.h"
#include "ui/MainWindow.h"
#include "ui/Workspace.h"

namespace reelcast::test {

class TMainWindowCase {
 public:
  void Open() {
    dialogs_ = std::make_unique<TDialogRecorder>();
    window_ = std::make_unique<ui::TMainWindow>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void Close() {
    window_.reset();
    dialogs_.reset();
  }

  // A child of the window by object name.
  template <typename T = QWidget>
  T* W(const char* name) const {
    return Find<T>(window_.get(), name);
  }

  // The test DVD chosen through btnOpen; returns when its titles are listed.
  void LoadDvd() {
    dialogs_->Paths.push_back(QString::fromStdString(DvdFixture().string()));
    QTest::mouseClick(W<QAbstractButton>("btnOpen"), Qt::LeftButton);
    // The folder loads on a worker thread.
    QVERIFY(WaitFor([&] { return !window_->Workspace().Loading() && window_->Workspace().DvdLoaded(); }));
  }

 protected:
  std::unique_ptr<ui::TMainWindow> window_;
  std::unique_ptr<TDialogRecorder> dialogs_;
};

}  // namespace reelcast::test
