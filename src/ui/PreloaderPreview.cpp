#include "ui/PreloaderPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Config.h"
#include "publish/FlashPreloader.h"
#include "ui/FlashView.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

PreloaderPreview::PreloaderPreview(const TSWFParam& param, QWidget* parent) : QDialog(parent) {
  setObjectName("frmPreviewLoad");
  setModal(true);
  auto* frame = new QVBoxLayout(this);
  QToolButton* close = FrameDialog(this, "Preview Preloader", "lblCaption", frame);
  auto* body = new QWidget(this);
  body->setObjectName("pnlClient");
  frame->addWidget(body);
  flaPreview_ = new FlashView(body);
  flaPreview_->setObjectName("flaPreview");
  flaPreview_->setMinimumSize(400, 300);
  auto* ok = new QPushButton("&OK", body);
  ok->setObjectName("btnOK");
  ok->setProperty("accent", true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->setSpacing(10);
  layout->addWidget(flaPreview_, 1);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QToolButton::clicked, this, &QDialog::reject);

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
