// The page of one stage of the main window (Import, Edit, Encoder,
// Template, Publish). The main window talks to its pages only through these
// calls, in this order on a stage change:
//   StopPreview on the page shown;
//   LeavePage, then StoreSettings for every title and chapter row in list
//   order (ApplyPageSettings);
//   ShowPage on the page entered.
// Convert asks every page for its part of the choices (FillConvertChoices)
// and applies the Edit and Encoder pages' StoreSettings to each taken row.
#pragma once

#include <QWidget>

#include "convert/ConvertService.h"
#include "sources/Task.h"

namespace reelcast::ui {

class TWorkspace;

class TStagePage : public QWidget {
  Q_OBJECT
 public:
  TStagePage(TWorkspace& workspace, QWidget* parent = nullptr) : QWidget(parent), workspace_(workspace) {}

  // Stops a preview the page plays (any stage change does this first).
  virtual void StopPreview() {}
  // The page is being left: once, before the rows are stored.
  virtual void LeavePage() {}
  // The page's settings applied to one title or chapter row. Pages whose
  // settings belong to the rows (Edit, Encoder) store them here; the others
  // leave rows alone.
  virtual void StoreSettings(TTask& task) {}
  // The page is shown: it fills itself from the selected row and the state.
  virtual void ShowPage() {}
  // Convert: the page's part of what the user chose.
  virtual void FillConvertChoices(TConvertChoices& choices) {}

 protected:
  TWorkspace& workspace_;
};

}  // namespace reelcast::ui
