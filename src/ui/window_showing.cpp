// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_showing.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <xcb/xcb.h>

#include "ui/keys/x11/x11_connection.h"

namespace lyr {

void BringToFront(QWidget& window) {
    if (QApplication::activeModalWidget() == nullptr)
        window.hide();
    ShowAndActivate(window);
}

void ShowAndActivate(QWidget& window) {
    window.show();
    window.raise();
    ActivateAboveModal(window);
}

void ActivateAboveModal(QWidget& window) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == &window) {
        window.activateWindow();
        return;
    }
    modal->raise();
    modal->activateWindow();
}

void HideKeepingModal(QWidget& window) {
    const QPointer<QWidget> modal = QApplication::activeModalWidget();
    window.hide();
    if (modal != nullptr && modal != &window && !modal->isVisible()) {
        modal->show();
        ActivateAboveModal(*modal);
    }
}

int ExecModal(QDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    const int result = dialog.exec();
    // The owner takes the keyboard back, as on closing an owned window elsewhere; a window
    // manager would leave it to no window at all.
    if (QWidget* owner = dialog.parentWidget(); owner != nullptr && owner->window()->isVisible())
        ActivateAboveModal(*owner->window());
    return result;
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
