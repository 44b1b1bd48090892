// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace lyr {

// Tells when a notification-area host appears after the program has started, as the Windows
// shell's "TaskbarCreated" broadcast did. On X11 a new XEmbed tray takes the selection
// "_NET_SYSTEM_TRAY_S<screen>" and announces it with a "MANAGER" client message to the root
// window; on the session bus a StatusNotifierWatcher service gets registered. Both are
// events; nothing is polled.
class TrayHostWatcher : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit TrayHostWatcher(QObject* parent = nullptr);
    ~TrayHostWatcher() override;

    // Whether the session bus has a StatusNotifierWatcher with a host registered: then Qt's
    // tray icons are StatusNotifierItems, whose host draws the menu from what the icon
    // exports over D-Bus; otherwise they are XEmbed windows. Qt asks once per process, at
    // its first tray icon, so the answer is kept from the first call on.
    static bool StatusNotifierTray();

signals:
    // A tray host is there now; icons shown before it came need adding anew. Emitted from
    // the event loop, never from inside the platform's event handling.
    void TrayHostAppeared();

protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void WatchX11(xcb_connection_t* connection);

    bool filtering_ = false;
    std::uint32_t managerAtom_ = 0;
    std::vector<std::uint32_t> selectionAtoms_;
};

}  // namespace lyr
