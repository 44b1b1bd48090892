// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>

#include "contacts/colour.h"

namespace lyr {

// The tray menu draws its items itself, the same way on every desktop.
inline constexpr int kTrayMenuSeparatorHeight = 10;
inline constexpr int kTrayMenuItemHeight = 18;
inline constexpr int kTrayMenuSideBandWidth = 19;
inline constexpr int kTrayMenuCaptionLeft = 22;
inline constexpr int kTrayMenuShortcutGap = 5;
// The menu gives every owner-drawn item this much more than its measured width, the column a
// check mark takes in other menus, as the Windows menus did; without it a shortcut text would
// run into its caption.
inline constexpr int kTrayMenuCheckColumnWidth = 12;
inline constexpr ColorRef kTrayMenuSideBandColor = 0xE0D0C0;  // RGB(192, 208, 224)
inline constexpr ColorRef kTrayMenuSelectionColor = 0x808080;
inline constexpr ColorRef kTrayMenuBackgroundColor = 0xF0F0F0;
inline constexpr ColorRef kTrayMenuTextColor = 0x000000;

// A separator is the item whose caption is "-".
inline bool IsTrayMenuSeparator(const QString& caption) {
    return caption == QLatin1String("-");
}

// One item as the tray menu shows it.
struct TrayMenuItem {
    QString caption;       // "-" for a separator; drawn as it stands, "&" included
    QString shortcutText;  // empty when the item has none
    QImage bitmap;         // 16 x 16, the colour of its pixel (0, 0) left out; null for none
    bool checked = false;
    bool selected = false;
    bool enabled = true;
    bool hasSubmenu = false;
};

// The item's size in the menu's font: 10 high for a separator, 18 for any other item, as wide
// as its caption and shortcut text together plus 25.
QSize TrayMenuItemSize(const QFontMetrics& metrics, const QString& caption,
                       const QString& shortcutText);

// Paints `item` into `rect` with `font` (the menu's): a selected item grey with a black
// outline, any other the side band over the background; then a separator's two lines, or
// the bitmap, the check mark or the sunken frame of a checked one, the caption (underlined
// while selected) and the shortcut text.
void PaintTrayMenuItem(QPainter& painter, const QRect& rect, const TrayMenuItem& item,
                       const QFont& font);

}  // namespace lyr
