// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/registry_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <vector>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0";

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Exception& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(RegistryFile, WritesTheExportFormatAndReadsItBack) {
    test::TempDir dir;
    auto file = dir / "Zendry" / "Messenger" / "1.0.reg";
    RegistryFile key(file, kKey);
    EXPECT_FALSE(key.ValueExists("AppData"));
    key.WriteString("AppData", "1000");
    key.WriteInteger("WindowType", 1);
    key.WriteString("SkinDir", "C:\\Skins\\\"Blue\"\nтест");
    key.WriteInteger("UserWinColor", -1);
    key.WriteBool("AutoReply", true);
    // Rewriting a value keeps its place; names match without regard to case.
    key.WriteInteger("windowtype", 2);

    EXPECT_EQ(test::ReadFile(file),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0]\n"
              "\"AppData\"=\"1000\"\n"
              "\"WindowType\"=dword:00000002\n"
              "\"SkinDir\"=\"C:\\\\Skins\\\\\\\"Blue\\\"\\nтест\"\n"
              "\"UserWinColor\"=dword:ffffffff\n"
              "\"AutoReply\"=dword:00000001\n"
              "\n");

    RegistryFile again(file, kKey);
    EXPECT_EQ(again.ReadString("skindir"), "C:\\Skins\\\"Blue\"\nтест");
    EXPECT_EQ(again.ReadInteger("WindowType"), 2);
    EXPECT_EQ(again.ReadInteger("UserWinColor"), -1);
    EXPECT_TRUE(again.ReadBool("AutoReply"));
    std::string binary("\0\\\r\"", 4);
    again.WriteString("Binary", binary);
    EXPECT_EQ(key.ReadString("Binary"), binary);
}

// A settings file kept elsewhere through a symbolic link stays there, and a private file
// stays private.
TEST(RegistryFile, RewritingGoesThroughALinkAndKeepsThePermissions) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "elsewhere");
    const auto target = dir / "elsewhere" / "settings.reg";
    const auto file = dir / "1.0.reg";
    RegistryFile(target, kKey).WriteInteger("WindowType", 1);
    std::filesystem::permissions(
        target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink("elsewhere/settings.reg", file);
    RegistryFile key(file, kKey);
    key.WriteInteger("WindowType", 2);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(RegistryFile(target, kKey).ReadInteger("WindowType"), 2);
    EXPECT_EQ(std::filesystem::status(target).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(RegistryFile, TypedReadsReportTheValueName) {
    test::TempDir dir;
    RegistryFile key(dir / "1.0.reg", kKey);
    key.WriteString("FontSize", "10");
    key.WriteInteger("FontName", 5);
    EXPECT_EQ(ErrorOf([&] { key.ReadInteger("FontSize"); }), "Invalid data type for 'FontSize'");
    EXPECT_EQ(ErrorOf([&] { key.ReadBool("FontSize"); }), "Invalid data type for 'FontSize'");
    EXPECT_EQ(ErrorOf([&] { key.ReadString("FontName"); }), "Invalid data type for 'FontName'");
    EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_TRUE(key.ReadBool("FontName"));  // any value other than 0
    // A string replaced by an integer changes its type.
    key.WriteInteger("FontSize", 12);
    EXPECT_EQ(key.ReadInteger("FontSize"), 12);
}

TEST(RegistryFile, ReadsWhatAnExportOfTheKeyHolds) {
    test::TempDir dir;
    auto file = dir / "1.0.reg";
    test::WriteFile(file,
                    "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                    "\r\n"
                    "; exported by hand\r\n"
                    "[hkey_current_user\\software\\zendry\\messenger\\1.0]\r\n"
                    "\"Expand\"=hex(2):25,00,41,00,\\\r\n"
                    "  42,00,00,00\r\n"
                    "\"Dword\"=hex(4):05,01,00,00\r\n"
                    "\"Blob\"=hex:de,ad,be,ef\r\n"
                    "\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
                    "\"Short\" = DWORD:1f\r\n");
    RegistryFile key(file, kKey);
    EXPECT_EQ(key.ReadString("Expand"), "%AB");
    EXPECT_EQ(key.ReadInteger("Dword"), 0x105);
    EXPECT_EQ(key.ReadInteger("Short"), 0x1F);
    EXPECT_EQ(ErrorOf([&] { key.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    // Values of other types survive a rewrite of the file.
    key.WriteInteger("Short", 3);
    std::string text = test::ReadFile(file);
    EXPECT_NE(text.find("\"Blob\"=hex:de,ad,be,ef\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Multi\"=hex(7):41,00,00,00,00,00\n"), std::string::npos) << text;
    EXPECT_EQ(RegistryFile(file, kKey).ReadString("Expand"), "%AB");
}

TEST(RegistryFile, DamagedFileIsReportedWithItsLineAndKept) {
    const std::pair<std::string, std::string> damaged[] = {
        {"REGEDIT4\n", "line 1"},
        {"Windows Registry Editor Version 5.00\n\"A\"=\"x\"\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Other]\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1."
         "0]\n\"A\"=\"1\"\n\"B\"=\"unfinished\n",
         "line 4"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1."
         "0]\n\n\"A\"=dword:123456789\n",
         "line 4"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1."
         "0]\n\"A\"=hex:01,\\\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1."
         "0]\n\"A\"=\"a\\tb\"\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1."
         "0]\n\"A\"=\"1\" trailing\n",
         "line 3"},
    };
    for (const auto& [contents, line] : damaged) {
        test::TempDir dir;
        auto file = dir / "1.0.reg";
        test::WriteFile(file, contents);
        std::string error = ErrorOf([&] { RegistryFile key(file, kKey); });
        EXPECT_NE(error.find(file.string() + ", " + line + ":"), std::string::npos)
            << contents << " -> " << error;
    }

    // A file damaged while the program runs is not replaced with the one value written.
    test::TempDir dir;
    auto file = dir / "1.0.reg";
    RegistryFile key(file, kKey);
    key.WriteInteger("A", 1);
    test::WriteFile(file, "garbage");
    EXPECT_NE(ErrorOf([&] { key.WriteInteger("B", 2); }).find("line 1"), std::string::npos);
    EXPECT_EQ(test::ReadFile(file), "garbage");
}

// A file that has gathered many values is read once, in time linear in its size, not once per
// value the start-up reads; and a change by another process is still seen at the next read.
TEST(RegistryFile, ThirtyTwoThousandValuesOpenAndReadWithinSeconds) {
    using Clock = std::chrono::steady_clock;
    constexpr int kValues = 32'000;
    std::vector<RegistryValue> values(kValues);
    for (int i = 0; i < kValues; ++i) {
        values[i].name = "Value" + std::to_string(i);
        values[i].kind = RegistryValue::Kind::Dword;
        values[i].dword = static_cast<std::uint32_t>(i);
    }
    test::TempDir dir;
    const auto file = dir / "1.0.reg";
    test::WriteFile(file, FormatRegistryFile(values, kKey));

    const auto start = Clock::now();
    const auto bound = std::chrono::seconds(5);
    RegistryFile key(file, kKey);
    // As many looks and reads as a start of the program makes, stopping once past the bound.
    for (int i = 0; i < 40 && Clock::now() - start < bound; ++i) {
        const int number = kValues - 1 - i;
        ASSERT_TRUE(key.ValueExists("VALUE" + std::to_string(number)));
        EXPECT_EQ(key.ReadInteger("value" + std::to_string(number)), number);
    }
    EXPECT_LT(Clock::now() - start, bound);

    RegistryFile(file, kKey).WriteString("Value7", "changed elsewhere");
    EXPECT_EQ(key.ReadString("Value7"), "changed elsewhere");
    key.WriteInteger("Value7", 8);
    EXPECT_EQ(RegistryFile(file, kKey).ReadInteger("Value7"), 8);
    EXPECT_LT(Clock::now() - start, 2 * bound);
}

TEST(RegistryFile, RefusedWriteNamesTheValueAndKeepsTheFile) {
    test::TempDir dir;
    // A regular file where the key's folder belongs stands for a folder that cannot be made.
    test::WriteFile(dir / "Zendry", "not a folder");
    RegistryFile blocked(dir / "Zendry" / "1.0.reg", kKey);
    EXPECT_EQ(ErrorOf([&] { blocked.WriteString("AppData", "1000"); }),
              "Failed to set data for 'AppData'");
    EXPECT_FALSE(blocked.ValueExists("AppData"));

    // A key that cannot be opened refuses every write.
    SpecialFolders nowhere;
    auto unopened = OpenCurrentUserKey("Software\\Zendry\\Messenger\\1.0", nowhere);
    EXPECT_EQ(ErrorOf([&] { unopened->WriteInteger("SaveUserList", 1); }),
              "Failed to set data for 'SaveUserList'");
}

TEST(RegistryFile, CurrentUserKeyLivesInTheConfigFolder) {
    test::TempDir dir;
    SpecialFolders folders;
    folders.config = dir.Path();
    auto key = OpenCurrentUserKey("Software\\Zendry\\Messenger\\1.0", folders);
    key->WriteString("AppData", "1000");
    std::string text = test::ReadFile(dir / "Zendry/Messenger/1.0.reg");
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0]\n"
                        "\"AppData\"=\"1000\"\n"),
              std::string::npos)
        << text;
}

// The settings are private whatever the umask: new folders 0700, the file 0600; an existing file
// loses what others may do and keeps what it already kept from them.
TEST(RegistryFile, SettingsFolderAndFileAreTheUsersAlone) {
    using std::filesystem::perms;
    test::TempDir dir;
    SpecialFolders folders;
    folders.config = dir / "config";
    const mode_t umask_before = ::umask(022);
    OpenCurrentUserKey("Software\\Zendry\\Messenger\\1.0", folders)->WriteInteger("WindowType", 1);
    const auto file = dir / "config/Zendry/Messenger/1.0.reg";
    for (const auto& folder :
         {dir / "config", dir / "config/Zendry", dir / "config/Zendry/Messenger"}) {
        EXPECT_EQ(std::filesystem::status(folder).permissions(), perms::owner_all) << folder;
    }
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read | perms::owner_write);

    std::filesystem::permissions(
        file, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    RegistryFile(file, kKey).WriteInteger("WindowType", 2);
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read | perms::owner_write);
    std::filesystem::permissions(file, perms::owner_read);
    RegistryFile(file, kKey).WriteInteger("WindowType", 3);
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read);
    ::umask(umask_before);
}

}  // namespace
}  // namespace lyr
