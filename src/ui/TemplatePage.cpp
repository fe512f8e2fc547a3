#include "ui/TemplatePage.h"

#include <QAbstractButton>
#include <QVBoxLayout>

#include "convert/JobRecord.h"

namespace reelcast::ui {

TTemplatePage::TTemplatePage(TWorkspace& workspace, QWidget* parent) : TStagePage(workspace, parent) {
  setObjectName(QStringLiteral("tsTemplate"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
}

void TTemplatePage::LeavePage() {
  if (auto* stop = findChild<QAbstractButton*>(QStringLiteral("btnAStop"))) stop->click();
}

void TTemplatePage::FillConvertChoices(TConvertChoices& choices) {
  // The template chosen so far (the player template "Classic Gray" at
  // start-up) and the movie's play settings as the settings record holds them.
  const TSWFParam& p = SWFParam;
  choices.Template = p.Template;
  // The general-template list has no selection after a player template was
  // chosen; "None" is selected when no template is used.
  choices.GeneralTemplateSelection = p.Template.Kind == 1 ? p.Template.Name : p.Template.Kind == 0 ? "None" : "";
  choices.BackColor = p.BackColor;
  choices.LoopOption = p.PlayMode;
  choices.ShowControlBar = p.ShowControlBar;
  choices.BarStyle = p.BarStyle;
  choices.MusicFile = p.HasMusic ? p.MusicFile : std::string();
  choices.LoopMusic = p.LoopMusic;
}

}  // namespace reelcast::ui
