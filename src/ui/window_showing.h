#pragma once

#include <QWidget>

namespace lyr {

// What "Открыть", the hot key and a second copy's request do with the main window: hide it
// and show it again, which puts it in front of every other window, and give it the keyboard.
void BringToFront(QWidget& window);

// What a left click on the tray icon does: show the window where it is and give it the
// keyboard.
void ShowAndActivate(QWidget& window);

}  // namespace lyr
