// The advanced settings of a player-template movie: a web address opened on
// a click on the movie and one opened when playback ends, each with its
// browser target. The addresses typed before are offered again from the two
// URL history files. OK stores into the export setting; the close button
// stores nothing.
#pragma once

#include <QDialog>

#include "app/ProjectSettings.h"
#include "app/SideFiles.h"

class QCheckBox;
class QComboBox;

namespace reelcast::ui {

class AdvancedPlaybackDialog : public QDialog {
  Q_OBJECT
 public:
  // setting is not owned and must outlive the dialog.
  explicit AdvancedPlaybackDialog(TExportSetting& setting, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Action {
    QCheckBox* Check;
    QComboBox* Url;
    QComboBox* Target;
    TUrlHistory History;
  };
  void ShowAction(const Action& action, const TURLInfo& info);
  void StoreAction(const Action& action, TURLInfo& info) const;
  void LeaveAddressBox(const Action& action);
  void Ok();

  TExportSetting& setting_;
  Action clicking_;
  Action end_;
};

}  // namespace reelcast::ui
