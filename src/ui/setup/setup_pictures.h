// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>

namespace lyr {

// The pictures of the settings dialog and the about box, drawn rather than shipped so that
// they scale with nothing and need no files.

// The page buttons' pictures, 32 x 32, in page order: settings, interface, skins, macros.
QPixmap PageButtonPicture(int page);

// The picture beside the interface group's title, 120 x 22: a task bar with its tray.
QPixmap InterfacePicture();

// The preview of how a message is shown, 100 x 50, for WindowType 0 (a message box with an
// OK button), 1 (the main window) and 2 (the separate message window).
QPixmap PreviewPicture(int windowType);
inline constexpr int kPreviewPictureCount = 3;

// The about box's logo, 40 wide and `height` high, on a transparent background.
QPixmap LogoPicture(int height);

}  // namespace lyr
