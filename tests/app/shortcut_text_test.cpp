// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcut_text.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

TEST(ShortCutText, ModifiersComeInShiftCtrlAltOrderBeforeTheKey) {
    EXPECT_EQ(MakeShortCut('M', false, true, true), 0xC04D);
    EXPECT_EQ(ShortCutText(0xC04D), "Ctrl+Alt+M");
    EXPECT_EQ(ShortCutText(0xE041), "Shift+Ctrl+Alt+A");
    EXPECT_EQ(ShortCutText(0x2070), "Shift+F1");
    EXPECT_EQ(ShortCutText(0x4050), "Ctrl+P");
    EXPECT_EQ(ShortCutText(0x402E), "Ctrl+Del");
}

TEST(ShortCutText, KeysAloneHaveTheirNames) {
    EXPECT_EQ(MakeShortCut(0x74, false, false, false), 0x74);
    EXPECT_EQ(ShortCutText(0x74), "F5");
    EXPECT_EQ(ShortCutText(0x70), "F1");
    EXPECT_EQ(ShortCutText(0x87), "F24");
    EXPECT_EQ(ShortCutText(8), "BkSp");
    EXPECT_EQ(ShortCutText(9), "Tab");
    EXPECT_EQ(ShortCutText(13), "Enter");
    EXPECT_EQ(ShortCutText(27), "Esc");
    const char* navigation[] = {"Space", "PgUp", "PgDn",  "End", "Home",
                                "Left",  "Up",   "Right", "Down"};
    for (int key = 32; key <= 40; ++key) {
        EXPECT_EQ(ShortCutText(key), navigation[key - 32]);
    }
    EXPECT_EQ(ShortCutText(45), "Ins");
    EXPECT_EQ(ShortCutText(46), "Del");
    EXPECT_EQ(ShortCutText('0'), "0");
    EXPECT_EQ(ShortCutText('9'), "9");
    EXPECT_EQ(ShortCutText('Z'), "Z");
    // The number pad's digits read as digits.
    EXPECT_EQ(ShortCutText(0x60), "0");
    EXPECT_EQ(ShortCutText(0x4069), "Ctrl+9");
    EXPECT_EQ(ShortCutText(0x80BA), "Alt+;");
    EXPECT_EQ(ShortCutText(0xDC), "\\");
}

TEST(ShortCutText, KeysWithoutANameGiveNoTextAtAll) {
    EXPECT_EQ(ShortCutText(0), "");
    EXPECT_EQ(ShortCutText(0x6000), "");  // modifiers without a key
    EXPECT_EQ(ShortCutText(0x2010), "");  // Shift pressed alone
    EXPECT_EQ(ShortCutText(0x4011), "");  // Ctrl pressed alone
    EXPECT_EQ(ShortCutText(0x6A), "");    // the number pad's "*"
    EXPECT_EQ(ShortCutText(0x88), "");    // past F24
    EXPECT_EQ(ShortCutText(0x5B), "");    // the Windows key
}

TEST(ShortCutText, OnlyTheLowByteIsTheKey) {
    EXPECT_EQ(MakeShortCut(0x14D, false, true, false), 0x404D);
    EXPECT_EQ(ShortCutText(0x114D), "M");
}

}  // namespace
}  // namespace lyr
