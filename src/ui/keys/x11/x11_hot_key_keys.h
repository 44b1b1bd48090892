// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace lyr {

// Modifier bits of X11 key events and grabs, as the core protocol numbers them; Alt is Mod1
// on nearly every keyboard map.
inline constexpr std::uint16_t kX11ShiftMask = 1;
inline constexpr std::uint16_t kX11LockMask = 2;
inline constexpr std::uint16_t kX11ControlMask = 4;
inline constexpr std::uint16_t kX11AltMask = 8;

// A key combination as X11 grabs it: the key symbol of the key's unshifted face and the
// modifiers held with it.
struct X11HotKey {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0;

    friend bool operator==(const X11HotKey&, const X11HotKey&) = default;
};

// The combination of a shortcut code; nothing for 0 and for a key X11 has no symbol for.
std::optional<X11HotKey> X11HotKeyForShortCut(int code);

// The shortcut code of a key symbol pressed in modifier `state` (lock bits and buttons do
// not count); 0 for a key without a code.
int ShortCutForX11Key(std::uint32_t keysym, std::uint16_t state);

}  // namespace lyr
