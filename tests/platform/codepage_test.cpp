// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

// "Привет" in the three encodings the program meets.
const std::string kUtf8 = "Привет";
const std::string kAnsi = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string kOem = "\x8F\xE0\xA8\xA2\xA5\xE2";

TEST(CodePage, CyrillicTravelsBetweenWireScreenAndFiles) {
    EXPECT_EQ(AnsiToOem(kAnsi), kOem);
    EXPECT_EQ(OemToAnsi(kOem), kAnsi);
    EXPECT_EQ(AnsiToUtf8(kAnsi), kUtf8);
    EXPECT_EQ(Utf8ToAnsi(kUtf8), kAnsi);
    EXPECT_EQ(AnsiToOem("plain ASCII\r\n"), "plain ASCII\r\n");
}

TEST(CodePage, UnmappableAndInvalidBytesBecomeQuestionMarksNotLoss) {
    // OEM box-drawing characters have no place in windows-1251.
    EXPECT_EQ(OemToAnsi("a\xC9z"), "a?z");
    // A truncated UTF-8 sequence at the end and a stray continuation byte in the middle.
    EXPECT_EQ(ConvertText("ok\x80x\xD0", "UTF-8", "CP1251"), "ok?x?");
    // NUL bytes pass through like any other byte.
    EXPECT_EQ(AnsiToOem(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePage, EnvironmentChoosesOtherCodePages) {
    // A Western European machine: é is 0x82 on the wire and 0xE9 on screen.
    setenv("LYR_OEM_CODEPAGE", "CP437", 1);
    setenv("LYR_ANSI_CODEPAGE", "CP1252", 1);
    EXPECT_EQ(OemToAnsi("\x82"), "\xE9");
    unsetenv("LYR_OEM_CODEPAGE");
    unsetenv("LYR_ANSI_CODEPAGE");
    EXPECT_EQ(OemCodePage(), "CP866");
    EXPECT_EQ(AnsiCodePage(), "CP1251");
}

}  // namespace
}  // namespace lyr
