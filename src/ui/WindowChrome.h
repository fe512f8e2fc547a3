// What every borderless window of the program shares: the rounded outline,
// dragging the window by any free spot, and the title strip with its icon,
// caption and window buttons.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QPointer>

class QBoxLayout;
class QToolButton;

namespace reelcast::ui {

// Gives a top-level window the rounded outline (a rounded rectangle with
// 15 x 15 corner ellipses over the whole window) and keeps it on resizes.
void RoundWindow(QWidget* window);

// Lets the user drag window by pressing on any free spot of it: its own
// background, frames, labels and group boxes (not buttons, edits or lists).
void DragByFreeSpots(QWidget* window);

// Whether a press on widget counts as a press on a free spot.
bool IsFreeSpot(const QWidget* widget);

// The strip across the top of a window: the program's icon, the caption in
// bold, and on the right the window's buttons (added with AddButton).
class TTitleStrip : public QFrame {
  Q_OBJECT
 public:
  explicit TTitleStrip(const QString& caption, QWidget* parent = nullptr);
  // A flat glyph button; objectName names it (btnClose, btnMin, ...).
  QToolButton* AddButton(const QString& objectName, const QIcon& icon, const QString& toolTip);
  QLabel* Caption() const { return caption_; }

 private:
  QLabel* caption_;
};

// Dresses a dialog as every borderless window of the program: rounded,
// dragged by free spots, with a title strip showing caption (its label named
// captionName) and a close button btnClose, added to the top of layout (the
// dialog's own layout, still empty). Returns the close button.
QToolButton* FrameDialog(QWidget* dialog, const QString& caption, const QString& captionName, QBoxLayout* layout);

}  // namespace reelcast::ui
