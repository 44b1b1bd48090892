// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keys/x11/global_hot_key.h"

#include <QGuiApplication>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/shortcut_text.h"
#include "ui/keys/portal/portal_shortcut.h"
#include "ui/keys/x11/x11_connection.h"
#include "ui/keys/x11/x11_hot_key_keys.h"

namespace lyr {
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

// Keycodes that type `keysym`: those with it on their unshifted face when there are any,
// otherwise those with it at another level or group (the number pad's digits, a Latin letter
// under a Cyrillic first layout). A shifted face alone would make the grab catch another key.
std::vector<std::uint8_t> KeycodesOf(xcb_connection_t* connection, xcb_key_symbols_t* symbols,
                                     std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    std::vector<std::uint8_t> unshifted;
    std::vector<std::uint8_t> other;
    for (int keycode = setup->min_keycode; keycode <= setup->max_keycode; ++keycode) {
        const auto code = static_cast<xcb_keycode_t>(keycode);
        if (xcb_key_symbols_get_keysym(symbols, code, 0) == keysym) {
            unshifted.push_back(code);
            continue;
        }
        for (int column = 1; column < 8; ++column) {
            if (xcb_key_symbols_get_keysym(symbols, code, column) == keysym) {
                other.push_back(code);
                break;
            }
        }
    }
    return unshifted.empty() ? other : unshifted;
}

// The modifier bit that keys with one of `keysyms` set, from the server's modifier map;
// `fallback` when none of them is mapped.
std::uint16_t ModifierMaskOf(xcb_connection_t* connection, xcb_key_symbols_t* symbols,
                             std::initializer_list<std::uint32_t> keysyms, std::uint16_t fallback) {
    const XcbReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!reply) {
        return fallback;
    }
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int index = 0; index < perModifier; ++index) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + index];
            if (keycode == 0) {
                continue;
            }
            for (int column = 0; column < 4; ++column) {
                const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(symbols, keycode, column);
                if (std::find(keysyms.begin(), keysyms.end(), keysym) != keysyms.end()) {
                    return static_cast<std::uint16_t>(1 << modifier);
                }
            }
        }
    }
    return fallback;
}

std::vector<xcb_window_t> RootWindows(xcb_connection_t* connection) {
    std::vector<xcb_window_t> roots;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem;
         xcb_screen_next(&screens)) {
        roots.push_back(screens.data->root);
    }
    return roots;
}

}  // namespace

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent), connection_(X11Connection()) {
    if (connection_ != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    } else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        portal_ = new PortalShortcut(this);
        connect(portal_, &PortalShortcut::Activated, this,
                [this] { emit HotKeyPressed(kHotKeyId); });
    }
}

GlobalHotKey::~GlobalHotKey() {
    if (connection_ != nullptr && QCoreApplication::instance() != nullptr) {
        UnregisterHotKey();
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void GlobalHotKey::UnregisterHotKey() {
    if (connection_ == nullptr) {
        return;
    }
    for (const Grab& grab : grabs_) {
        xcb_ungrab_key(connection_, grab.keycode, grab.root, grab.modifiers);
    }
    if (!grabs_.empty()) {
        xcb_flush(connection_);
    }
    grabs_.clear();
    keycodes_.clear();
    modifiers_ = 0;
}

void GlobalHotKey::UpdateHotKey(int ShortCutKey) {
    UnregisterHotKey();
    // A bare key stored by hand or by an older version would be taken from every program.
    if (!IsDesktopHotKey(ShortCutKey)) {
        ShortCutKey = 0;
    }
    if (portal_ != nullptr) {
        portal_->Propose(ShortCutKey);
    }
    if (connection_ == nullptr || ShortCutKey == 0) {
        return;
    }
    const std::optional<X11HotKey> hotKey = X11HotKeyForShortCut(ShortCutKey);
    if (!hotKey) {
        return;
    }
    const KeySymbols symbols(xcb_key_symbols_alloc(connection_));
    if (!symbols) {
        return;
    }
    const std::uint16_t numLock = ModifierMaskOf(connection_, symbols.get(), {XK_Num_Lock}, 0);
    const std::uint16_t alt =
        ModifierMaskOf(connection_, symbols.get(), {XK_Alt_L, XK_Alt_R}, kX11AltMask);
    modifiers_ = hotKey->modifiers;
    if (modifiers_ & kX11AltMask) {
        modifiers_ = static_cast<std::uint16_t>((modifiers_ & ~kX11AltMask) | alt);
    }
    ignoredMask_ = static_cast<std::uint16_t>(kX11LockMask | numLock);
    keycodes_ = KeycodesOf(connection_, symbols.get(), hotKey->keysym);

    const std::uint16_t lockStates[] = {0, kX11LockMask, numLock,
                                        static_cast<std::uint16_t>(kX11LockMask | numLock)};
    const int lockStateCount = numLock != 0 ? 4 : 2;
    std::vector<std::pair<Grab, xcb_void_cookie_t>> requests;
    for (const xcb_window_t root : RootWindows(connection_)) {
        for (const std::uint8_t keycode : keycodes_) {
            for (int state = 0; state < lockStateCount; ++state) {
                const Grab grab{root, keycode,
                                static_cast<std::uint16_t>(modifiers_ | lockStates[state])};
                requests.emplace_back(
                    grab, xcb_grab_key_checked(connection_, 1, root, grab.modifiers, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            }
        }
    }
    // A combination another program holds is refused; keep only what the server granted.
    for (const auto& [grab, cookie] : requests) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            std::free(error);
        } else {
            grabs_.push_back(grab);
        }
    }
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (grabs_.empty() || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const int type = event->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Press and release events have the same layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const auto held = static_cast<std::uint16_t>(key->state & 0xFF & ~ignoredMask_);
    const bool ours =
        held == modifiers_ &&
        std::find(keycodes_.begin(), keycodes_.end(), key->detail) != keycodes_.end() &&
        std::any_of(grabs_.begin(), grabs_.end(),
                    [&](const Grab& grab) { return grab.root == key->root; });
    if (!ours) {
        return false;
    }
    if (type == XCB_KEY_PRESS) {
        emit HotKeyPressed(kHotKeyId);
    }
    return true;
}

}  // namespace lyr
