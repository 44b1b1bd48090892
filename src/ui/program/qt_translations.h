// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lyr {

// Qt's own dialogs and menus (the font and folder pickers, the file dialog, the line edits'
// context menus) speak Russian, as the program does: Qt's Russian translations are loaded
// from where the system keeps them. Returns false when they are not installed; the program
// then goes on with Qt's English texts.
bool LoadQtRussianTranslations();

}  // namespace lyr
