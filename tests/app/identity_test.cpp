// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/identity.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/linux/ini_profile.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

TEST(Identity, FirstStartTakesTheComputerNameAndWritesNothing) {
    test::TempDir dir;
    std::string data_dir = dir.Path().string() + "/";
    IniProfile profile(IdentityFilePath(data_dir));
    EXPECT_EQ(profile.File(), dir / "quidel.ini");
    Identity identity = ReadIdentity(profile);
    EXPECT_EQ(ApplyIdentityDefaults(identity, "ANNA-PC"), "ANNA-PC");
    EXPECT_EQ(identity.UserName, "ANNA-PC");
    EXPECT_EQ(identity.Nik, "ANNA-PC");
    EXPECT_EQ(identity.ReplyText, "");
    EXPECT_EQ(identity.BusyText, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "quidel.ini"));
}

TEST(Identity, DefaultsFillOnlyWhatIsEmpty) {
    Identity nik_only{"", "anna", "", ""};
    EXPECT_EQ(ApplyIdentityDefaults(nik_only, "ANNA-PC"), "ANNA-PC");
    EXPECT_EQ(nik_only.UserName, "ANNA-PC");
    EXPECT_EQ(nik_only.Nik, "anna");

    // Without a computer name the nickname stands in, then "undef".
    Identity named{"", "anna", "", ""};
    EXPECT_EQ(ApplyIdentityDefaults(named, std::nullopt), "anna");
    EXPECT_EQ(named.UserName, "anna");
    Identity empty;
    EXPECT_EQ(ApplyIdentityDefaults(empty, std::nullopt), "undef");
    EXPECT_EQ(empty.UserName, "undef");
    EXPECT_EQ(empty.Nik, "undef");
}

TEST(Identity, ReadCutsNamesAndLongTexts) {
    test::TempDir dir;
    test::WriteFile(dir / "quidel.ini", "[User]\nNik=" + std::string(300, 'n') +
                                            "\nReplyText=" + std::string(3000, 'r') +
                                            "\nBusyText=\xC7\xE0\xED\xFF\xF2\n");
    Identity identity = ReadIdentity(IniProfile(dir / "quidel.ini"));
    EXPECT_EQ(identity.UserName, "");
    EXPECT_EQ(identity.Nik, std::string(255, 'n'));
    EXPECT_EQ(identity.ReplyText, std::string(2047, 'r'));
    EXPECT_EQ(identity.BusyText, "\xC7\xE0\xED\xFF\xF2");  // "Занят" in the ANSI code page
}

TEST(Identity, WriteStoresAllFourKeysAndKeepsTheRest) {
    test::TempDir dir;
    auto file = dir / "quidel.ini";
    test::WriteFile(file, "[Window]\nLeft=3\n[User]\nNik=old\nColour=red\n");
    IniProfile profile(file);
    Identity identity{"Anna Karenina", "anna", "back soon", ""};
    WriteIdentity(profile, identity);
    Identity read = ReadIdentity(profile);
    EXPECT_EQ(read.UserName, "Anna Karenina");
    EXPECT_EQ(read.Nik, "anna");
    EXPECT_EQ(read.ReplyText, "back soon");
    EXPECT_EQ(read.BusyText, "");
    EXPECT_EQ(profile.ReadString("User", "Colour", ""), "red");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "3");
    std::string text = test::ReadFile(file);
    EXPECT_NE(text.find("BusyText="), std::string::npos) << text;
}

TEST(Identity, RefusedWriteNamesTheFile) {
    test::TempDir dir;
    std::string data_dir = (dir / "gone").string() + "/";
    IniProfile profile(IdentityFilePath(data_dir));
    try {
        WriteIdentity(profile, Identity{"a", "b", "c", "d"});
        ADD_FAILURE() << "the refused write was not reported";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + data_dir + "quidel.ini");
    }
}

}  // namespace
}  // namespace lyr
