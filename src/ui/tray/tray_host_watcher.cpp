// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/tray_host_watcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "ui/keys/x11/x11_connection.h"

namespace lyr {
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// The question as Qt asks it, through an interface object built from the watcher's
// introspection data, so that both get the same answer.
bool AskStatusNotifierTray() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcherService)) {
        return false;
    }
    QDBusInterface watcher(kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                           kWatcherService, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace

TrayHostWatcher::TrayHostWatcher(QObject* parent) : QObject(parent) {
    if (xcb_connection_t* connection = X11Connection()) {
        WatchX11(connection);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                                QDBusServiceWatcher::WatchForRegistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
                &TrayHostWatcher::TrayHostAppeared, Qt::QueuedConnection);
    }
}

TrayHostWatcher::~TrayHostWatcher() {
    if (filtering_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool TrayHostWatcher::StatusNotifierTray() {
    static const bool statusNotifierTray = AskStatusNotifierTray();
    return statusNotifierTray;
}

void TrayHostWatcher::WatchX11(xcb_connection_t* connection) {
    managerAtom_ = InternAtom(connection, "MANAGER");
    int screen = 0;
    for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection)); roots.rem;
         xcb_screen_next(&roots), ++screen) {
        selectionAtoms_.push_back(
            InternAtom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screen)));
        // The announcement goes to clients that follow the root window's structure; add that
        // to whatever this connection already follows there.
        const xcb_window_t root = roots.data->root;
        const std::unique_ptr<xcb_get_window_attributes_reply_t, FreeDeleter> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root),
                                            nullptr));
        if (attributes && !(attributes->your_event_mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY)) {
            const std::uint32_t mask =
                attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        }
    }
    xcb_flush(connection);
    if (managerAtom_ != 0) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filtering_ = true;
    }
}

bool TrayHostWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
        return false;
    }
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->type == managerAtom_ && client->format == 32 &&
        std::find(selectionAtoms_.begin(), selectionAtoms_.end(), client->data.data32[1]) !=
            selectionAtoms_.end()) {
        // The platform wants to see the message too: it follows the tray for its own icons.
        QMetaObject::invokeMethod(this, &TrayHostWatcher::TrayHostAppeared, Qt::QueuedConnection);
    }
    return false;
}

}  // namespace lyr
