// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows virtual-key codes that the program names: shortcuts and the settings file store keys
// by these codes, so they are the same as on Windows. The letters and digits are their ASCII
// capitals ('A', '0'). Which Qt key or X11 key symbol stands for each is ui/keys/virtual_keys.h.
namespace lyr {

inline constexpr int kVkBack = 0x08;
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkMenu = 0x12;  // Alt
inline constexpr int kVkPause = 0x13;
inline constexpr int kVkCapital = 0x14;  // Caps Lock
inline constexpr int kVkEscape = 0x1B;
inline constexpr int kVkSpace = 0x20;
inline constexpr int kVkDown = 0x28;  // the last of Space, PgUp, PgDn, End, Home and the arrows
inline constexpr int kVkInsert = 0x2D;
inline constexpr int kVkDelete = 0x2E;
inline constexpr int kVkLeftWin = 0x5B;
inline constexpr int kVkRightWin = 0x5C;
inline constexpr int kVkNumPad0 = 0x60;
inline constexpr int kVkNumPad9 = 0x69;
inline constexpr int kVkDivide = 0x6F;  // the last key of the number pad
inline constexpr int kVkF1 = 0x70;
inline constexpr int kVkF24 = 0x87;
inline constexpr int kVkNumLock = 0x90;
inline constexpr int kVkScroll = 0x91;
inline constexpr int kVkLeftShift = 0xA0;
inline constexpr int kVkRightMenu = 0xA5;  // the last of the left and right Shift, Ctrl, Alt

}  // namespace lyr
