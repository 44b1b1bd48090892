// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace lyr {

// A 24-bit colour as the platform stores it, 0xBBGGRR: red in the low byte. Bits above the
// low 24 are ignored on input and clear on output.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(int red, int green, int blue) {
    return static_cast<ColorRef>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int RedOf(ColorRef color) {
    return static_cast<int>(color & 0xFF);
}
constexpr int GreenOf(ColorRef color) {
    return static_cast<int>(color >> 8 & 0xFF);
}
constexpr int BlueOf(ColorRef color) {
    return static_cast<int>(color >> 16 & 0xFF);
}

inline constexpr ColorRef kWhite = 0xFFFFFF;
inline constexpr ColorRef kBlack = 0x000000;

// Subtracts `amount` from each of red, green and blue, stopping at 0.
ColorRef DarkenColor(ColorRef color, int amount);

// Adds `amount` to each of red, green and blue; a component that reaches 255 stays 255.
ColorRef LightenColor(ColorRef color, int amount);

// The text colour that reads on `background`: white up to a luma of 127, black from 128. The
// luma 0.299 R + 0.587 G + 0.114 B is rounded to the nearest integer, halves to the even one.
ColorRef ContrastColor(ColorRef background);

}  // namespace lyr
