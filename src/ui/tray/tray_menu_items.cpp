// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/tray_menu_items.h"

#include <QActionGroup>

#include "ui/keys/shortcut_code.h"
#include "ui/tray/artwork.h"

namespace lyr {
namespace {

QAction* Named(QAction* item, const char* name, int tag = 0) {
    item->setObjectName(QLatin1String(name));
    item->setData(tag);
    return item;
}

QAction* Item(QMenu& menu, const char* name, const char* caption, MenuBitmap bitmap, int tag = 0) {
    QAction* item = Named(menu.addAction(QString::fromUtf8(caption)), name, tag);
    item->setIcon(MenuBitmapIcon(bitmap));
    return item;
}

QAction* Checkable(QAction* item, bool checked) {
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

}  // namespace

void AddTrayMenuItems(TrayPopupMenu& menu) {
    menu.setDefaultAction(Item(menu, "N1", "Открыть", MenuBitmap::Open));
    Named(menu.addSeparator(), "N5");
    TrayPopupMenu* state = menu.AddSubmenu(QStringLiteral("Состояние"));
    state->setObjectName(QStringLiteral("smiState"));
    Named(state->menuAction(), "smiState")->setIcon(MenuBitmapIcon(MenuBitmap::State));
    auto* group = new QActionGroup(state);
    group->setObjectName(QStringLiteral("RadioGroup4"));
    Checkable(Item(*state, "smiActive", "Активен", MenuBitmap::Active), true)
        ->setActionGroup(group);
    Checkable(Item(*state, "smiBusy", "Занят", MenuBitmap::Busy, 1), false)->setActionGroup(group);
    // Auto-reply is no presence of its own: like its twin in the main menu it stands beside
    // "Состояние", not in it.
    Checkable(Item(menu, "smiAutoReply", "Автоответ", MenuBitmap::AutoReply), false);
    Item(menu, "N4", "Настройки", MenuBitmap::Settings)
        ->setShortcut(ShortCutToKeySequence(kShortCutCtrl | 'P'));
    Named(menu.addSeparator(), "N2");
    Item(menu, "N3", "Выход", MenuBitmap::Exit);
}

}  // namespace lyr
