// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/colour.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

TEST(Colour, DarkenAndLightenChangeEachComponentAndClamp) {
    // The title colour of the main window: 0x60FF60 darkened by 16.
    EXPECT_EQ(DarkenColor(0x60FF60, 16), MakeColorRef(80, 239, 80));
    EXPECT_EQ(DarkenColor(MakeColorRef(10, 40, 200), 32), MakeColorRef(0, 8, 168));
    EXPECT_EQ(LightenColor(MakeColorRef(10, 223, 250), 32), MakeColorRef(42, 255, 255));
    EXPECT_EQ(LightenColor(kWhite, 32), kWhite);
    EXPECT_EQ(DarkenColor(kBlack, 32), kBlack);
    // Bits above the colour itself never leak into the result.
    EXPECT_EQ(DarkenColor(0xFF102030, 0), 0x102030u);
}

TEST(Colour, ComponentsAreTakenRedFromTheLowByte) {
    const ColorRef color = 0x180F10;  // blue 24, green 15, red 16
    EXPECT_EQ(RedOf(color), 16);
    EXPECT_EQ(GreenOf(color), 15);
    EXPECT_EQ(BlueOf(color), 24);
}

TEST(Colour, ContrastColorSwitchesToBlackFromLuma128) {
    EXPECT_EQ(ContrastColor(MakeColorRef(127, 127, 127)), kWhite);
    EXPECT_EQ(ContrastColor(MakeColorRef(128, 128, 128)), kBlack);
    EXPECT_EQ(ContrastColor(MakeColorRef(0, 188, 146)), kWhite);  // exactly 127
    EXPECT_EQ(ContrastColor(MakeColorRef(1, 189, 147)), kBlack);  // exactly 128
    // The built-in skin's dark blue-black gets white text.
    EXPECT_EQ(ContrastColor(MakeColorRef(16, 16, 24)), kWhite);
    EXPECT_EQ(ContrastColor(kWhite), kBlack);
    EXPECT_EQ(ContrastColor(kBlack), kWhite);
}

TEST(Colour, ContrastColorRoundsHalvesToEven) {
    EXPECT_EQ(ContrastColor(MakeColorRef(0, 204, 68)), kBlack);   // 127.5 -> 128
    EXPECT_EQ(ContrastColor(MakeColorRef(0, 172, 224)), kWhite);  // 126.5 -> 126
    EXPECT_EQ(ContrastColor(MakeColorRef(1, 205, 69)), kBlack);   // 128.5 -> 128
    EXPECT_EQ(ContrastColor(MakeColorRef(2, 209, 37)), kWhite);   // 127.499 -> 127
    EXPECT_EQ(ContrastColor(MakeColorRef(2, 189, 140)), kBlack);  // 127.501 -> 128
}

}  // namespace
}  // namespace lyr
