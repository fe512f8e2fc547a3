// "Font Setting": the text link's font name, size, colour, bold and italic.
// OK writes them into the link record; the close button leaves it as it was.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>

#include "convert/JobRecord.h"
#include "ui/ColorButton.h"

namespace reelcast::ui {

class TLinkFontDialog : public QDialog {
  Q_OBJECT
 public:
  TLinkFontDialog(TTextLink& link, QWidget* parent = nullptr);

  // btnOkClick: stores the choices (a size that is no number stores 40).
  void Store();

 private:
  TTextLink& link_;
  QComboBox* fcbFontName_;
  QComboBox* cbSize_;
  ColorButton* cdColor_;
  QCheckBox* cbBold_;
  QCheckBox* cbItalic_;
};

}  // namespace reelcast::ui
