// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/ini_profile.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_dir.h"
#include "support/turkish_locale.h"

namespace lyr {
namespace {

TEST(IniProfile, MissingFileSectionOrKeyGivesTheDefault) {
    test::TempDir dir;
    IniProfile profile(dir / "quidel.ini");
    EXPECT_EQ(profile.ReadString("User", "Nik", "fallback"), "fallback");
    test::WriteFile(dir / "quidel.ini", "[Other]\nNik=elsewhere\n[User]\nUserName=Anna\n");
    EXPECT_EQ(profile.ReadString("User", "Nik", ""), "");
    EXPECT_EQ(profile.ReadString("Missing", "UserName", "x"), "x");
    // Section and key names match without regard to case; blanks around values go.
    EXPECT_EQ(profile.ReadString("user", "USERNAME", ""), "Anna");
    {
        // Nor does the locale change that: in Turkish, tolower('I') is no 'i'.
        const test::TurkishLocale turkish;
        test::WriteFile(dir / "quidel.ini", "[USER]\nNIK=Ivan\n");
        EXPECT_EQ(profile.ReadString("User", "Nik", ""), "Ivan");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.ini"));
}

TEST(IniProfile, ValuesComeBackAsBytesAndAtMost2047Characters) {
    test::TempDir dir;
    std::string long_value(3000, 'x');
    std::string cp1251 = "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2";  // "Иван Петров"
    test::WriteFile(dir / "quidel.ini",
                    "[User]\r\nReplyText=" + long_value + "\r\nNik = " + cp1251 + " \r\n");
    IniProfile profile(dir / "quidel.ini");
    EXPECT_EQ(profile.ReadString("User", "ReplyText", ""), std::string(2047, 'x'));
    EXPECT_EQ(profile.ReadString("User", "Nik", ""), cp1251);
    EXPECT_EQ(profile.ReadString("User", "BusyText", long_value), std::string(2047, 'x'));
}

TEST(IniProfile, WriteKeepsEveryOtherSectionAndKey) {
    test::TempDir dir;
    auto file = dir / "quidel.ini";
    test::WriteFile(file, "; kept\n[Window]\nLeft=10\n\n[User]\nUserName=Anna\nExtra=keep me\n");
    IniProfile profile(file);
    profile.WriteString("user", "Nik", "anna\r\nInjected=1");
    profile.WriteString("User", "UserName", "Anna K");
    profile.WriteString("New", "Key", "value");
    EXPECT_EQ(profile.ReadString("User", "Nik", ""), "anna  Injected=1");
    EXPECT_EQ(profile.ReadString("User", "Injected", "none"), "none");
    EXPECT_EQ(profile.ReadString("User", "Extra", ""), "keep me");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "10");
    std::string text = test::ReadFile(file);
    EXPECT_NE(text.find("; kept"), std::string::npos) << text;
    EXPECT_NE(text.find("UserName=Anna K\n"), std::string::npos) << text;
    EXPECT_LT(text.find("[Window]"), text.find("[User]")) << text;
    EXPECT_LT(text.find("[User]"), text.find("[New]")) << text;
}

// A key written twice reads as its first line, and a write changes only that line: the
// duplicate, comments, blank lines and line endings stay as the file had them.
TEST(IniProfile, FirstOfTwoKeysCountsAndAWriteChangesOnlyItsLine) {
    test::TempDir dir;
    auto file = dir / "quidel.ini";
    const std::string before =
        "; head\r\n[User]\r\nNik=first\r\nUserName = \"Anna\" \r\nNik=second\r\n\r\n"
        "[user]\r\nNik=third\r\n; the end";
    test::WriteFile(file, before);
    IniProfile profile(file);
    EXPECT_EQ(profile.ReadString("User", "Nik", ""), "first");
    EXPECT_EQ(profile.ReadString("User", "UserName", ""), "Anna");  // quotes go, as on Windows
    profile.WriteString("User", "Nik", "new");
    profile.WriteString("User", "BusyText", "away");
    EXPECT_EQ(test::ReadFile(file),
              "; head\r\n[User]\r\nNik=new\r\nUserName = \"Anna\" \r\nNik=second\r\n"
              "BusyText=away\r\n\r\n[user]\r\nNik=third\r\n; the end\r\n");
    EXPECT_EQ(WriteProfileText("", "User", "Nik", "anna"), "[User]\r\nNik=anna\r\n");
    EXPECT_EQ(WriteProfileText("[User]\r\nUserName=a\r", "User", "Nik", "x"),
              "[User]\r\nUserName=a\r\nNik=x\r\n");
    EXPECT_EQ(WriteProfileText("[A]\nx=1", "User", "Nik", "anna"), "[A]\nx=1\n[User]\nNik=anna\n");
}

TEST(IniProfile, RefusedWriteNamesTheFile) {
    test::TempDir dir;
    auto file = dir / "missing" / "quidel.ini";
    IniProfile profile(file);
    try {
        profile.WriteString("User", "Nik", "anna");
        ADD_FAILURE() << "a write into a missing folder succeeded";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.string());
    }
    // A file that cannot be read is not replaced with only the key written.
    std::filesystem::create_directory(dir / "quidel.ini");
    EXPECT_THROW(IniProfile(dir / "quidel.ini").WriteString("User", "Nik", "x"), Exception);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "quidel.ini"));
}

}  // namespace
}  // namespace lyr
