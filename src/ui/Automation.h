// A script runner for end-to-end tests and benchmarks of the real program.
// With REELCAST_AUTOMATION naming a script file, reelcast runs its lines once
// the main window is shown, one after the other, while the windows work as
// usual (modal windows included). Dialogs are answered from the script and
// every dialog request is printed on standard output ("dialog: KIND: TEXT").
//
// Lines (blank lines and lines starting with '#' are skipped):
//   answer-path PATH        the next folder or file chooser gets PATH
//   answer yes|no           the next question gets this answer
//   click NAME              clicks the visible button with that object name
//   set NAME TEXT           types TEXT into the line edit NAME (and leaves it);
//                           into a memo, with "\n" for a line break; the
//                           value of a slider or spin box
//   select NAME ITEM        chooses the item with text ITEM in the list or
//                           combo box NAME
//   tab NAME INDEX          shows the page INDEX of the tab control NAME
//   check ROW on|off        sets a list row's mark ("Title_01_02", "Title_01_01/Chapter_02")
//   select-row ROW          selects a list row (named as for check)
//   wait-picture NAME       until the video view NAME shows a picture
//   drag NAME X1 Y1 X2 Y2   drags with the left button inside widget NAME;
//                           the points are fractions (0..1) of its picture
//                           for a video view, of the widget otherwise
//   drag-by NAME DX DY      drags widget NAME from its middle by DX, DY pixels
//   print NAME              prints "value: NAME: TEXT" (a spin box's or track
//                           bar's value, a label's or line edit's text)
//   wait-at-least NAME N    until the spin box or track bar NAME is at N or more
//   save-picture NAME FILE  the picture the video view NAME shows, as PNG
//   save-view NAME FILE     the widget NAME as it looks on screen, as PNG
//   wait-dvd                until a DVD folder's load has ended with a DVD loaded
//   wait-window NAME        until a window with that object name is visible
//   wait-closed NAME        until no window with that object name is visible
//   wait-minimized          until the main window is minimised
//   wait-restored           until the main window is shown and not minimised
//   wait-dialog TEXT        until a dialog with exactly TEXT was asked for
//   shot FILE               a PNG of the whole screen
//   stalls start|report [LABEL]  measures the longest gap of the UI thread's
//                           event loop from start on; report prints
//                           "stall: N ms" ("stall: LABEL N ms" with a label)
//   quit                    closes the main window (the program ends)
// A line that cannot be carried out prints "automation: error: ..." and ends
// the program with exit code 3; a wait gives up after 600 seconds.
#pragma once

class QWidget;

namespace reelcast::ui {

// Starts the script of REELCAST_AUTOMATION, if set, for mainWindow.
void StartAutomation(QWidget* mainWindow);

}  // namespace reelcast::ui
