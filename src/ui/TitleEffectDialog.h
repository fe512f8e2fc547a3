// The text effect dialog of one title text (0 title, 1 director, 2 motive,
// 3 cast view): the effect and the font. Every change is stored at once and
// asks for the title preview to be rebuilt; the close button puts back what
// was stored when the dialog opened.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QFontComboBox;

namespace reelcast::ui {

class ColorButton;

class TitleEffectDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TitleEffectDialog(int textKind, QWidget* parent = nullptr);

 signals:
  // Rebuild the opening (0) or ending (1) title preview.
  void TitlePreviewRequested(int ending);

 private:
  void StoreChange();
  void RestoreAndClose();
  std::string Key(const char* suffix) const;

  int kind_;
  bool initialised_ = false;
  QComboBox* cbEffect_;
  QFontComboBox* fcbFontName_;
  QComboBox* cbSize_;
  ColorButton* cdColor_;
  QCheckBox* cbBold_;
  QCheckBox* cbItalic_;
  // What was stored when the dialog opened.
  int effectIndex_ = 0;
  QString fontName_;
  uint32_t fontColor_ = 0;
  int fontSize_ = 40;
  bool bold_ = false;
  bool italic_ = false;
};

}  // namespace reelcast::ui
