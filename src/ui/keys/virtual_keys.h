// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

class QKeyEvent;

namespace lyr {

// One Windows virtual-key code, with what stands for it here: the Qt key (with the keypad
// modifier for the number pad) and the X11 key symbol of the key's unshifted face on a US
// keyboard. Its name in shortcut texts is VirtualKeyName's (app/shortcut_text.h).
struct VirtualKey {
    int code = 0;
    int qtKey = 0;  // Qt::Key; 0: none
    bool keypad = false;
    std::uint32_t keysym = 0;  // 0: none
};

// Every key this program knows, in code order.
std::span<const VirtualKey> VirtualKeys();

// The key of `code`, or nullptr.
const VirtualKey* FindVirtualKey(int code);

// The code of a Qt key as a key event reports it (shifted symbols of a US keyboard count as
// their key); 0 when it has none.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

// The code of a pressed key, or 0 for a key that has none. Letters, digits and punctuation are
// taken by their place on the keyboard (as the US layout names them) wherever the platform
// reports that place, so Ctrl+Ф is Ctrl+A as on Windows; the other keys by what they are.
int VirtualKeyOf(const QKeyEvent& event);

// The virtual key at a place of the keyboard's main block, given as an X keycode (the evdev
// code + 8, which Qt reports on X11 and Wayland), as the US layout prints it there: 58 is 'M'.
// 0 outside the letters, digits and punctuation.
int VirtualKeyAtKeycode(std::uint32_t keycode);

// The code of an X11 key symbol (either case of a letter; the shifted symbols of the digit
// row); 0 when it has none.
int VirtualKeyFromKeysym(std::uint32_t keysym);

}  // namespace lyr
