#include "ui/PreloaderPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Config.h"
#include "publish/FlashPreloader.h"
#include "ui/FlashView.h"

namespace reelcast::ui {

PreloaderPreview::PreloaderPreview(const TSWFParam& param, QWidget* parent) : QDialog(parent) {
  setObjectName("PreloaderPreview");
  setWindowTitle("Preview Preloader");
  setWindowFlag(Qt::FramelessWindowHint);
  setModal(true);

  auto* caption = new QLabel("Preview Preloader", this);
  caption->setObjectName("lblCaption");
  caption->setStyleSheet("font-weight:bold");
  auto* close = new QPushButton("×", this);
  close->setObjectName("btnClose");
  close->setToolTip("Close");
  close->setFlat(true);
  flaPreview_ = new FlashView(this);
  flaPreview_->setObjectName("flaPreview");
  flaPreview_->setMinimumSize(400, 300);
  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("btnOK");

  auto* top = new QHBoxLayout;
  top->addWidget(caption);
  top->addStretch();
  top->addWidget(close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(flaPreview_, 1);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  // The preview is built from a copy, so the caller's record stays as it is.
  const TSWFParam copy = param;
  try {
    if (MakePreloaderPreview(copy)) {
      flaPreview_->SetMovie(QString::fromStdString(PreloaderPreviewPath()));
      flaPreview_->Play();
    }
  } catch (const std::exception& e) {
    NVLog(std::string("Preview preloader failed: ") + e.what());  // the area stays empty
  }
}

}  // namespace reelcast::ui
