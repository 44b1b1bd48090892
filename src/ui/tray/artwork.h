// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

namespace lyr {

// The program's own pictures, compiled in. Each list is in the order its users number it.

// TrayIconImages: 16 x 16 each; 0 active, 1 auto-reply, 2 busy, 3 starting, closing or
// scanning (an hourglass), 4 not used.
inline constexpr int kTrayIconImageCount = 5;
const QList<QImage>& TrayIconImages();

// The tray icon's animation while a message arrives: 16 x 16 each, shown in turn.
inline constexpr int kReceiveAnimationImageCount = 14;
const QList<QImage>& ReceiveAnimationImages();

// The menu items' bitmaps, 16 x 16 and opaque: the colour of pixel (0, 0) is the one each
// menu leaves out.
enum class MenuBitmap { Open, State, Active, Busy, AutoReply, Settings, Exit, About };
inline constexpr int kMenuBitmapCount = 8;
const QImage& MenuBitmapImage(MenuBitmap bitmap);
// The bitmap as a menu item shows it: without its corner's colour.
QIcon MenuBitmapIcon(MenuBitmap bitmap);

// UserIcons: the message window's pictures, 32 x 32 each; the user picks one by number.
inline constexpr int kUserIconCount = 10;
const QList<QImage>& UserIcons();

// `bitmap` with every pixel of the colour of its pixel (0, 0) made transparent.
QImage TransparentByCorner(const QImage& bitmap);

}  // namespace lyr
