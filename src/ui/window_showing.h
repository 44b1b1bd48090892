// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QWidget>

namespace lyr {

// What "Открыть", the hot key and a second copy's request do with the main window: hide it
// and show it again, which puts it in front of every other window, and give it the keyboard.
// While a modal window of ours is open the window is only raised: hiding it would take the
// modal window it owns down with it, its loop still holding the input.
void BringToFront(QWidget& window);

// What a left click on the tray icon does: show the window where it is and give it the
// keyboard (ActivateAboveModal).
void ShowAndActivate(QWidget& window);

// Gives `window` the keyboard; while a modal window of ours is open, that one is raised above
// it and takes the keyboard instead, since `window` takes no input until it is closed.
void ActivateAboveModal(QWidget& window);

// Hides `window`. A modal window of ours that goes down with it (its owner hidden) is shown
// again, so that it stays where the user can close it.
void HideKeepingModal(QWidget& window);

// Runs `dialog` modally for its owner (its parent): the owner takes no input until it is
// closed, while the tray icon and the program's other windows go on answering; then the owner
// takes the keyboard back. A dialog without an owner holds nothing up, as a message box
// without an owner window does.
int ExecModal(QDialog& dialog);

// Asks the window manager to leave `window` out of the taskbar and the pager: the program
// lives in the tray. To be called each time before the window is mapped (a window manager
// forgets the request when the window is hidden). Does nothing where the display is not X11.
void KeepOffTaskbar(QWidget& window);

// Places `window` in the middle of the primary screen's work area (a window placed so keeps
// its place when shown: nothing centres it on its parent instead).
void CentreOnDesktop(QWidget& window);

}  // namespace lyr
