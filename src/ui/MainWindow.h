// The main window: the borderless, rounded window with its title strip,
// the five stage buttons and their pages, stage switching with
// ApplyPageSettings, and the Convert command that hands the chosen titles
// and chapters to the progress window.
#pragma once

#include <QStackedWidget>
#include <QToolButton>
#include <array>

#include "ui/StagePage.h"
#include "ui/Workspace.h"

namespace reelcast::ui {

class TImportPage;
class TEditPage;
class TEncoderPage;
class TTemplatePage;
class TPublishPage;

enum TStage { stImport = 0, stEdit = 1, stEncoder = 2, stTemplate = 3, stPublish = 4 };

class TMainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TMainWindow(QWidget* parent = nullptr);
  ~TMainWindow() override;

  TWorkspace& Workspace() { return *workspace_; }
  TStagePage* Page(int stage) const { return pages_[stage]; }
  TImportPage* ImportPage() const;
  TEditPage* EditPage() const;
  TEncoderPage* EncoderPage() const;
  TTemplatePage* TemplatePage() const;
  TPublishPage* PublishPage() const;
  int CurrentStage() const { return pgcMain_->currentIndex(); }

  // actTabChangeExecute: the stage button with Tag stage was pressed.
  void SwitchStage(int stage);
  // The left page's settings applied to every title and chapter row.
  void ApplyPageSettings(int stage);
  // The Convert command.
  void btnConvertClick();
  // Brings the window to the front (a second start of the program).
  void BringToFront();

 signals:
  // The progress window of a job is about to be shown (tests and the
  // benchmark watch it).
  void converterWindowCreated(QWidget* window);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void BuildStageBar(QLayout* layout);
  void OpenUserGuide();
  void ShowAbout();

  TWorkspace* workspace_;
  QStackedWidget* pgcMain_;
  std::array<TStagePage*, 5> pages_{};
  std::array<QToolButton*, 5> stageButtons_{};
};

}  // namespace reelcast::ui
