// The Publish stage: the output kind and file, the HTML page, the screen
// saver's name, FTP upload, and the Convert button.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/StagePage.h"

namespace reelcast::ui {

class TPublishPage : public TStagePage {
  Q_OBJECT
 public:
  explicit TPublishPage(TWorkspace& workspace, QWidget* parent = nullptr);

  // ShowPublishPage: the output box from "System.OutputPath", the first
  // checked row's destination name and the kind's extension.
  void ShowPage() override;
  void FillConvertChoices(TConvertChoices& choices) override;
  int32_t OutputKind() const;
  // The output box left (beOutDirExit): the folder made when missing, the
  // kind's extension; "Create Directory Failed." and the default output
  // folder when it cannot be made.
  void OutputBoxLeft();

 signals:
  // btnConvert was clicked.
  void convertClicked();

 private:
  void FormatChanged();
  void ChooseOutputFile();
  void FtpChanged();
  void FillFtpFields();
  void OpenPublishSettings();
  QString Extension() const;

  QRadioButton* rbFLV_;
  QRadioButton* rbSWF_;
  QRadioButton* rbScreenSave_;
  QRadioButton* rbExe_;
  QCheckBox* cbHTML_;
  QLabel* lblSavePath_;
  QLineEdit* beOutDir_;
  QPushButton* btnBrowse_;
  QLabel* lblScreensavePath_;
  QLineEdit* ebtScreenSaveName_;
  QCheckBox* cbIsFTP_;
  QLineEdit* edtHost_;
  QLineEdit* edtPort_;
  QLineEdit* edtUser_;
  QLineEdit* edtPass_;
  QLineEdit* edtDir_;
  QPushButton* RzBmpButton1_;
  QPushButton* btnConvert_;
};

}  // namespace reelcast::ui
