// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keys/x11/x11_hot_key_keys.h"

#include "ui/keys/shortcut_code.h"
#include "ui/keys/virtual_keys.h"

namespace lyr {
namespace {

struct ModifierPair {
    int shortCutBit;
    std::uint16_t x11Bit;
};
constexpr ModifierPair kModifierPairs[] = {
    {kShortCutShift, kX11ShiftMask},
    {kShortCutCtrl, kX11ControlMask},
    {kShortCutAlt, kX11AltMask},
};

}  // namespace

std::optional<X11HotKey> X11HotKeyForShortCut(int code) {
    const VirtualKey* key = FindVirtualKey(ShortCutKey(code));
    if (key == nullptr || key->keysym == 0) {
        return std::nullopt;
    }
    X11HotKey hotKey{key->keysym, 0};
    for (const ModifierPair& pair : kModifierPairs) {
        if (code & pair.shortCutBit) {
            hotKey.modifiers |= pair.x11Bit;
        }
    }
    return hotKey;
}

int ShortCutForX11Key(std::uint32_t keysym, std::uint16_t state) {
    const int key = VirtualKeyFromKeysym(keysym);
    if (key == 0) {
        return 0;
    }
    int code = key;
    for (const ModifierPair& pair : kModifierPairs) {
        if (state & pair.x11Bit) {
            code |= pair.shortCutBit;
        }
    }
    return code;
}

}  // namespace lyr
