// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lyr {

// A shortcut code is a 16-bit value: the key's virtual-key code in the low byte plus these bits
// for the modifiers held with it; 0 means no shortcut.
inline constexpr std::int32_t kShortCutShift = 0x2000;
inline constexpr std::int32_t kShortCutCtrl = 0x4000;
inline constexpr std::int32_t kShortCutAlt = 0x8000;

// The virtual-key code of a shortcut code.
constexpr int ShortCutKey(std::int32_t code) {
    return code & 0xFF;
}

constexpr std::int32_t MakeShortCut(int virtual_key, bool shift, bool ctrl, bool alt) {
    return (virtual_key & 0xFF) | (shift ? kShortCutShift : 0) | (ctrl ? kShortCutCtrl : 0) |
           (alt ? kShortCutAlt : 0);
}

// Whether a virtual key is a modifier (Shift, Ctrl, Alt, the Windows keys), which is held with
// another key rather than pressed for itself.
bool IsModifierKey(int virtual_key);

// Whether a virtual key is one of the main block's keys whose face depends on the keyboard
// layout: letters, digits, punctuation.
bool IsLayoutKey(int virtual_key);

// Whether a shortcut code is fit to be a hot key of the whole desktop, which takes its key away
// from every other program: a function key (F1 to F24) or Pause, held with anything or nothing;
// any other key with Ctrl or Alt; with Shift alone, a key that neither types nor erases text.
// A modifier or lock key is never the key itself.
bool IsDesktopHotKey(std::int32_t code);

// The name of a virtual key as a shortcut's text shows it ("BkSp", "PgUp", "F5", "M", ";"), or
// empty for a key without a one-character name (a modifier key alone, for example).
std::string VirtualKeyName(int virtual_key);

// The text form of a shortcut code: "Shift+", "Ctrl+", "Alt+" for the modifier bits, in that
// order, then the key's name ("Ctrl+Alt+M"). Empty when the key has no name, so also for 0.
std::string ShortCutText(std::int32_t code);

// The code of a text form; the modifiers may come in any order and any letter case, and so
// may the key's name. 0 when the text names no key.
std::int32_t ShortCutFromText(std::string_view text);

}  // namespace lyr
