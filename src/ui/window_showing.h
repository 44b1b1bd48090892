// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace lyr {

// What "Открыть", the hot key and a second copy's request do with the main window: hide it
// and show it again, which puts it in front of every other window, and give it the keyboard.
void BringToFront(QWidget& window);

// What a left click on the tray icon does: show the window where it is and give it the
// keyboard.
void ShowAndActivate(QWidget& window);

// Asks the window manager to leave `window` out of the taskbar and the pager: the program
// lives in the tray. To be called each time before the window is mapped (a window manager
// forgets the request when the window is hidden). Does nothing where the display is not X11.
void KeepOffTaskbar(QWidget& window);

// Places `window` in the middle of the primary screen's work area (a window placed so keeps
// its place when shown: nothing centres it on its parent instead).
void CentreOnDesktop(QWidget& window);

}  // namespace lyr
