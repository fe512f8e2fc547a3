// The FTP upload dialog shown after a finished conversion: the connection
// details for correction, the local folder, and Upload / Remove / Cancel.
// The transfer runs on a worker thread; the dialog stays responsive and
// Cancel stops the transfer at its next step.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <memory>
#include <thread>

#include "publish/FtpUpload.h"

namespace reelcast::ui {

class TUploadDialog : public QDialog {
  Q_OBJECT
 public:
  // localFolder: the folder of the job's output file.
  TUploadDialog(const QString& localFolder, const TSWFParam& param, QWidget* parent = nullptr);
  ~TUploadDialog() override;

  TFtpUpload& Upload() { return *upload_; }
  // True while an upload or removal runs on the worker.
  bool Running() const { return worker_.joinable() && upload_->State() == TFtpUploadState::Running; }

  void btnUpClick();
  void btnDelClick();
  void btnCancelClick();

 signals:
  // An operation ended (tests wait for it).
  void operationFinished(int result);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Start(bool upload);
  void ReadEdits();
  void UpdateButtons();
  // Runs f on the UI thread; waits for it when called from the worker.
  template <typename F>
  void OnUiThread(F f, bool wait);

  std::unique_ptr<TFtpUpload> upload_;
  std::thread worker_;
  QLineEdit* edtHost_;
  QLineEdit* edtPort_;
  QLineEdit* edtUser_;
  QLineEdit* edtPwd_;
  QLineEdit* edtDir_;
  QLabel* lblLocalDir_;
  QProgressBar* pbUp_;
  QLabel* lblDis_;
  QPushButton* btnUp_;
  QPushButton* btnDel_;
  QPushButton* btnCancel_;
};

}  // namespace reelcast::ui
