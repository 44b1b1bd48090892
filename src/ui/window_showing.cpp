// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_showing.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

#include "ui/keys/x11/x11_connection.h"

namespace lyr {

void BringToFront(QWidget& window) {
    window.hide();
    ShowAndActivate(window);
}

void ShowAndActivate(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

void CentreOnDesktop(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

void KeepOffTaskbar(QWidget& window) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr)
        return;
    const std::uint32_t states[2] = {InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                     InternAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    const std::uint32_t property = InternAtom(connection, "_NET_WM_STATE");
    if (property == 0 || states[0] == 0 || states[1] == 0)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), property, XCB_ATOM_ATOM, 32, 2,
                        states);
    xcb_flush(connection);
}

}  // namespace lyr
