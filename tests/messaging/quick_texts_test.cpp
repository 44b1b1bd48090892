// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/quick_texts.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

using Lines = std::vector<std::string>;

TEST(QuickTexts, AlwaysWritesExactlyFiveCrLfLines) {
    test::TempDir dir;
    const std::string busy = Utf8ToAnsi("Занят");
    SaveQuickTexts(dir / "reply.dat", {busy, "", "Call back"});
    EXPECT_EQ(test::ReadFile(dir / "reply.dat"), busy + "\r\n\r\nCall back\r\n\r\n\r\n");
    SaveQuickTexts(dir / "macro.dat", {"1", "2", "3", "4", "5", "6", "7"});
    EXPECT_EQ(test::ReadFile(dir / "macro.dat"), "1\r\n2\r\n3\r\n4\r\n5\r\n");
    SaveQuickTexts(dir / "none.dat", {});
    EXPECT_EQ(test::ReadFile(dir / "none.dat"), "\r\n\r\n\r\n\r\n\r\n");
    // A line break inside an entry must not move the later entries up a shortcut.
    SaveQuickTexts(dir / "broken.dat", {"one\r\ntwo", "three"});
    EXPECT_EQ(LoadQuickTexts(dir / "broken.dat"), (Lines{"one", "three", "", "", ""}));
}

TEST(QuickTexts, ReadsWhatTheFileHolds) {
    test::TempDir dir;
    EXPECT_EQ(LoadQuickTexts(dir / "missing.dat"), Lines{});
    test::WriteFile(dir / "empty.dat", "");
    EXPECT_EQ(LoadQuickTexts(dir / "empty.dat"), Lines{});
    test::WriteFile(dir / "two.dat", "first\r\nsecond");
    EXPECT_EQ(LoadQuickTexts(dir / "two.dat"), (Lines{"first", "second"}));
    test::WriteFile(dir / "unix.dat", "a\nb\r\n\nc\n");
    EXPECT_EQ(LoadQuickTexts(dir / "unix.dat"), (Lines{"a", "b", "", "c"}));
    test::WriteFile(dir / "seven.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    EXPECT_EQ(LoadQuickTexts(dir / "seven.dat").size(), 7u);

    SaveQuickTexts(dir / "five.dat", {"x", "", "z"});
    EXPECT_EQ(LoadQuickTexts(dir / "five.dat"), (Lines{"x", "", "z", "", ""}));
}

}  // namespace
}  // namespace lyr
