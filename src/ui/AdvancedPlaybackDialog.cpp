#include "ui/AdvancedPlaybackDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Dialogs.h"
#include "ui/WindowChrome.h"

namespace reelcast::ui {

namespace {

QComboBox* AddressBox(const char* name, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setCompleter(nullptr);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMaxVisibleItems(15);
  box->setMinimumWidth(260);
  box->setEnabled(false);
  return box;
}

QComboBox* TargetBox(const char* name, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems({"_self", "_blank", "_parent", "_top"});
  box->setCurrentIndex(-1);
  box->setMaxVisibleItems(15);
  box->setEnabled(false);
  return box;
}

}  // namespace

AdvancedPlaybackDialog::AdvancedPlaybackDialog(TExportSetting& setting, QWidget* parent)
    : QDialog(parent), setting_(setting) {
  setObjectName("frmPlayBackAdvance");
  setModal(true);
  auto* frame = new QVBoxLayout(this);
  QToolButton* close = FrameDialog(this, "Advanced Settings", "lblCaption", frame);
  auto* body = new QWidget(this);
  body->setObjectName("pnlClient");
  frame->addWidget(body);
  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("btnOK");
  ok->setProperty("accent", true);

  clicking_ = {new QCheckBox("Open a URL on mouse click", this), AddressBox("cbbUrlClicking", this),
               TargetBox("cbbUrlClickTraget", this), TUrlHistory::Clicking};
  clicking_.Check->setObjectName("cbUrlClicking");
  end_ = {new QCheckBox("Auto open a URL  after playback", this), AddressBox("cbbUrlEnd", this),
          TargetBox("cbbUrlEndTraget", this), TUrlHistory::PlayEnd};
  end_.Check->setObjectName("cbUrlEnd");

  auto* grid = new QGridLayout;
  int row = 0;
  for (Action* action : {&clicking_, &end_}) {
    grid->addWidget(action->Check, row++, 0, 1, 3);
    grid->addWidget(action->Url, row, 0);
    grid->addWidget(new QLabel("Target:", body), row, 1);
    grid->addWidget(action->Target, row++, 2);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(12);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  for (Action* action : {&clicking_, &end_}) {
    for (const std::string& line : LoadUrlHistory(action->History))
      action->Url->addItem(QString::fromStdString(line));
    QComboBox* url = action->Url;
    QComboBox* target = action->Target;
    connect(action->Check, &QCheckBox::toggled, this, [url, target](bool on) {
      url->setEnabled(on);
      target->setEnabled(on);
    });
    action->Url->installEventFilter(this);
    action->Url->lineEdit()->installEventFilter(this);
  }
  ShowAction(clicking_, setting_.ClickingUrl);
  ShowAction(end_, setting_.PlayEndUrl);

  connect(ok, &QPushButton::clicked, this, &AdvancedPlaybackDialog::Ok);
  connect(close, &QToolButton::clicked, this, &QDialog::reject);
}

void AdvancedPlaybackDialog::ShowAction(const Action& action, const TURLInfo& info) {
  action.Check->setChecked(info.Enabled != 0);
  action.Url->setEnabled(info.Enabled != 0);
  action.Target->setEnabled(info.Enabled != 0);
  action.Url->setEditText(QString::fromStdString(info.URL));
  action.Target->setCurrentIndex(action.Target->findText(QString::fromStdString(info.Target)));
}

void AdvancedPlaybackDialog::StoreAction(const Action& action, TURLInfo& info) const {
  info.Enabled = action.Check->isChecked() ? 1 : 0;
  info.URL = action.Url->currentText().toStdString();
  info.Target = action.Target->currentIndex() < 0 ? std::string() : action.Target->currentText().toStdString();
}

bool AdvancedPlaybackDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
  for (const Action* action : {&clicking_, &end_}) {
    if (watched != action->Url && watched != action->Url->lineEdit()) continue;
    if (event->type() == QEvent::FocusIn) {
      if (action->Url->currentText().isEmpty()) action->Url->setEditText("http://");
    } else {
      LeaveAddressBox(*action);
    }
  }
  return false;
}

void AdvancedPlaybackDialog::LeaveAddressBox(const Action& action) {
  const QString text = action.Url->currentText();
  std::vector<std::string> items;
  for (int i = 0; i < action.Url->count(); ++i) items.push_back(action.Url->itemText(i).toStdString());
  const size_t before = items.size();
  AddToUrlHistory(action.History, items, text.toStdString());
  for (size_t i = before; i < items.size(); ++i) action.Url->addItem(QString::fromStdString(items[i]));
  action.Url->setEditText(text);
}

void AdvancedPlaybackDialog::Ok() {
  const bool clickBlank = clicking_.Check->isChecked() && clicking_.Url->currentText().trimmed().isEmpty();
  const bool endBlank = end_.Check->isChecked() && end_.Url->currentText().trimmed().isEmpty();
  if (clickBlank || endBlank) {
    // A plain message, without the information icon.
    ShowMessage(this, "The option shouldn't be left blank.", windowTitle(), TDialogKind::Warning);
    return;
  }
  StoreAction(clicking_, setting_.ClickingUrl);
  StoreAction(end_, setting_.PlayEndUrl);
  accept();
}

}  // namespace reelcast::ui
