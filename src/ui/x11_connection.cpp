#include "ui/x11_connection.h"

#include <QGuiApplication>

namespace lyr {

xcb_connection_t* X11Connection() {
    if (qGuiApp == nullptr) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

}  // namespace lyr
