// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace lyr {

class PortalShortcut;

// The program-wide hot key: a key combination that reaches this program whichever window
// has the keyboard. On X11 it is a passive grab of the key on every screen's root window,
// made for each state of Caps Lock and Num Lock, so the locks do not matter. On Wayland the
// desktop portal's global shortcut stands in where the desktop offers it (PortalShortcut);
// elsewhere there is no hot key and every call does nothing. Grabs that another program holds
// already fail silently. Destroy it before the application object.
class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // The id the hot key is registered under; HotKeyPressed carries it.
    static constexpr int kHotKeyId = 8467;

    explicit GlobalHotKey(QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // Whether hot keys can exist here at all (an X11 display).
    bool Available() const { return connection_ != nullptr; }

    // Releases the hot key held before; then, unless `ShortCutKey` (a shortcut code) is 0 or
    // unfit for the whole desktop (IsDesktopHotKey), takes the combination it names.
    void UpdateHotKey(int ShortCutKey);

    // Releases the hot key, if one is held.
    void UnregisterHotKey();

    // Whether the display accepted at least one grab of the current hot key.
    bool Registered() const { return !grabs_.empty(); }

signals:
    // The hot key was pressed (WM_HOTKEY's counterpart).
    void HotKeyPressed(int id);

protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };

    xcb_connection_t* connection_ = nullptr;
    PortalShortcut* portal_ = nullptr;
    std::vector<Grab> grabs_;
    std::vector<std::uint8_t> keycodes_;
    std::uint16_t modifiers_ = 0;    // what must be held
    std::uint16_t ignoredMask_ = 0;  // the lock bits, which may be held or not
};

}  // namespace lyr
