#include "ui/EditPage.h"

#include <QVBoxLayout>

namespace reelcast::ui {

TEditPage::TEditPage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsEffect"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  previewArea_ = new QFrame(this);
  previewArea_->setObjectName(QStringLiteral("editPreviewArea"));
  previewArea_->setProperty("card", true);
  new QVBoxLayout(previewArea_);
  layout->addWidget(previewArea_, 1);
}

}  // namespace reelcast::ui
