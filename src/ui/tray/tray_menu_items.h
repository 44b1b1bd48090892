// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/tray/tray_menu.h"

namespace lyr {

// Adds the tray menu's items as the form resource lists them, each named by its resource name
// (objectName) with its tag as data():
//   N1 "Открыть" (the default item), separator N5,
//   smiState "Состояние" (a submenu; its action is named smiState too) with the radio items
//     smiActive "Активен" (tag 0, checked) and smiBusy "Занят" (tag 1) in RadioGroup4,
//   smiAutoReply "Автоответ" (checkable, unchecked), N4 "Настройки" (Ctrl+P),
//   separator N2, N3 "Выход".
// Choosing one does nothing yet: the main window connects them to its handlers.
void AddTrayMenuItems(TrayPopupMenu& menu);

}  // namespace lyr
