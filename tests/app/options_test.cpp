// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/error.h"
#include "platform/linux/registry_file.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

// The settings file of a fresh start, every value in the order it is created.
constexpr char kFirstStartFile[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0]\n"
    "\"AppData\"=\"1000\"\n"
    "\"SaveUserList\"=dword:00000001\n"
    "\"SaveUserBoxes\"=dword:00000001\n"
    "\"SkinDir\"=\"\"\n"
    "\"NTService\"=dword:00000001\n"
    "\"CheckAnother\"=dword:00000001\n"
    "\"RecBeep\"=dword:00000001\n"
    "\"SendBeep\"=dword:00000000\n"
    "\"ShowMsg\"=dword:00000001\n"
    "\"UseSysIcon\"=dword:00000001\n"
    "\"UserIcon\"=dword:00000000\n"
    "\"HideASend\"=dword:00000000\n"
    "\"WindowType\"=dword:00000001\n"
    "\"AutoReply\"=dword:00000000\n"
    "\"AnimateRec\"=dword:00000001\n"
    "\"UserWinColor\"=dword:000c0c0c\n"
    "\"FontName\"=\"Arial\"\n"
    "\"FontSize\"=dword:0000000a\n"
    "\"FontSet\"=dword:00000001\n"
    "\"PositionX\"=dword:00000000\n"
    "\"PositionY\"=dword:00000000\n"
    "\"SizeX\"=dword:00000000\n"
    "\"SizeY\"=dword:00000000\n"
    "\"P2X\"=dword:000000bc\n"
    "\"P5Y\"=dword:00000051\n"
    "\"MinOnStart\"=dword:00000001\n"
    "\"ClearMsg\"=dword:00000001\n"
    "\"StartupRescan\"=dword:00000001\n"
    "\"AutoRescan\"=dword:00000000\n"
    "\"RescanTime\"=dword:0036ee80\n"
    "\"ShortCutKey\"=dword:00000000\n"
    "\"WordWrap\"=dword:00000001\n"
    "\"DesktopNotify\"=dword:00000001\n"
    "\n";

// Passes every call to the settings file and lists the names written.
class RecordingKey : public RegistryKey {
public:
    explicit RecordingKey(const std::filesystem::path& file)
        : file_(file, "HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0") {}

    bool ValueExists(const std::string& name) const override { return file_.ValueExists(name); }
    std::string ReadString(const std::string& name) const override {
        return file_.ReadString(name);
    }
    std::int32_t ReadInteger(const std::string& name) const override {
        return file_.ReadInteger(name);
    }
    void WriteString(const std::string& name, const std::string& value) override {
        written.push_back(name);
        file_.WriteString(name, value);
    }
    void WriteInteger(const std::string& name, std::int32_t value) override {
        written.push_back(name);
        file_.WriteInteger(name, value);
    }

    std::vector<std::string> written;

private:
    RegistryFile file_;
};

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() {
        folders.config = dir / "config";
        folders.autostart = dir / "config" / "autostart";
        folders.data = dir / "data";
        folders.executable_directory = dir.Path();
    }

    std::filesystem::path SettingsFile() const {
        return folders.config / "Zendry" / "Messenger" / "1.0.reg";
    }

    // Replaces one line of the settings file.
    void EditSettings(const std::string& line, const std::string& replacement) {
        std::string text = test::ReadFile(SettingsFile());
        auto at = text.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        text.replace(at, line.size(), replacement);
        test::WriteFile(SettingsFile(), text);
    }

    std::string ErrorOfStart() {
        try {
            RecordingKey key(SettingsFile());
            TOptions options(key, folders);
        } catch (const Exception& error) {
            return error.what();
        }
        return "(no error)";
    }

    test::TempDir dir;
    SpecialFolders folders;
};

TEST_F(OptionsTest, FirstStartWritesEveryDefaultInTableOrder) {
    RecordingKey key(SettingsFile());
    {
        TOptions options(key, folders);
        EXPECT_EQ(test::ReadFile(SettingsFile()), kFirstStartFile);
        EXPECT_EQ(key.written.size(), 33u);
        EXPECT_TRUE(options.SaveUserList());
        EXPECT_EQ(options.SkinDir(), "<default>");
        EXPECT_FALSE(options.SendBeep());
        EXPECT_EQ(options.WindowType(), 1);
        EXPECT_EQ(options.UserWinColor(), 0x0C0C0Cu);
        EXPECT_EQ(options.FontName(), "Arial");
        EXPECT_EQ(options.FontSet(), 1);
        EXPECT_EQ(options.P2X(), 188);
        EXPECT_EQ(options.P5Y(), 81);
        EXPECT_FALSE(options.RunOnWinStart());
        EXPECT_EQ(options.RescanTime(), 3600000);
        EXPECT_TRUE(options.WordWrap());
        EXPECT_TRUE(options.DesktopNotify());
    }
    // The run ends by writing AppData, and nothing else.
    EXPECT_EQ(key.written.back(), "AppData");
    EXPECT_EQ(test::ReadFile(SettingsFile()), kFirstStartFile);
}

TEST_F(OptionsTest, LaterStartsWriteOnlyWhatIsMissing) {
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
    }
    EditSettings("\"RecBeep\"=dword:00000001\n", "\"RecBeep\"=dword:00000000\n");
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
        EXPECT_TRUE(key.written.empty());
        EXPECT_FALSE(options.RecBeep());
    }
    EditSettings("\"WindowType\"=dword:00000001\n", "");
    RecordingKey key(SettingsFile());
    TOptions options(key, folders);
    EXPECT_EQ(key.written, std::vector<std::string>{"WindowType"});
    EXPECT_EQ(options.WindowType(), 1);
    EXPECT_FALSE(options.RecBeep());
}

TEST_F(OptionsTest, StoredValuesAreReadWithTheirLimits) {
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
    }
    std::string long_path(300, 'p');
    std::string long_font;
    for (int i = 0; i < 300; ++i) {
        long_font += "ш";  // two bytes each in UTF-8
    }
    EditSettings("\"ShowMsg\"=dword:00000001", "\"ShowMsg\"=dword:00000005");
    EditSettings("\"FontSet\"=dword:00000001", "\"FontSet\"=dword:000001cc");
    EditSettings("\"SkinDir\"=\"\"", "\"SkinDir\"=\"" + long_path + "\"");
    EditSettings("\"FontName\"=\"Arial\"", "\"FontName\"=\"" + long_font + "\"");
    EditSettings("\"UserWinColor\"=dword:000c0c0c", "\"UserWinColor\"=dword:ff0000ff");
    RecordingKey key(SettingsFile());
    TOptions options(key, folders);
    EXPECT_TRUE(options.ShowMsg());
    EXPECT_EQ(options.FontSet(), 204);
    EXPECT_EQ(options.SkinDir(), std::string(255, 'p'));
    EXPECT_EQ(options.FontName(), long_font.substr(0, 510));
    EXPECT_EQ(options.UserWinColor(), 0xFF0000FFu);
    EXPECT_TRUE(key.written.empty());
}

TEST_F(OptionsTest, ValueOfAnotherTypeStopsTheStart) {
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
    }
    EditSettings("\"FontSize\"=dword:0000000a", "\"FontSize\"=\"10\"");
    EXPECT_EQ(ErrorOfStart(), "Invalid data type for 'FontSize'");
    EditSettings("\"FontSize\"=\"10\"", "\"FontSize\"=dword:0000000a");
    EditSettings("\"SkinDir\"=\"\"", "\"SkinDir\"=dword:00000000");
    EXPECT_EQ(ErrorOfStart(), "Invalid data type for 'SkinDir'");
}

TEST_F(OptionsTest, StartFailsWhenTheKeyCannotBeWritten) {
    test::WriteFile(folders.config, "a file where the settings folder belongs");
    EXPECT_EQ(ErrorOfStart(), "Failed to set data for 'AppData'");
}

TEST_F(OptionsTest, DestructionLeavesAppDataAt1000) {
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
    }
    EditSettings("\"AppData\"=\"1000\"", "\"AppData\"=\"7\"");
    RecordingKey key(SettingsFile());
    { TOptions options(key, folders); }
    EXPECT_EQ(key.written, std::vector<std::string>{"AppData"});
    EXPECT_EQ(key.ReadString("AppData"), "1000");
}

TEST_F(OptionsTest, EverySetterWritesTheValueTheNextStartReads) {
    {
        RecordingKey key(SettingsFile());
        TOptions options(key, folders);
        options.SetSaveUserBoxes(false);
        options.SetSkinDir("/skins/blue.wsz");
        options.SetNTService(false);
        options.SetCheckAnother(false);
        options.SetRecBeep(false);
        options.SetSendBeep(true);
        options.SetShowMsg(false);
        options.SetUseSysIcon(false);
        options.SetUserIcon(3);
        options.SetHideASend(true);
        options.SetWindowType(2);
        options.SetAutoReply(true);
        options.SetAnimateRec(false);
        options.SetUserWinColor(0x00FF8000);
        options.SetFontName("DejaVu Sans");
        options.SetFontSize(12);
        options.SetFontSet(204);
        options.SetWindowBounds(-5, 20, 300, 400);
        options.SetP2X(200);
        options.SetP5Y(90);
        options.SetMinOnStart(false);
        options.SetClearMsg(false);
        options.SetStartupRescan(false);
        options.SetAutoRescan(true);
        options.SetRescanTime(600000);
        options.SetShortCutKey(0x4000 + 'M');
        options.SetWordWrap(false);
        options.SetDesktopNotify(false);
    }
    RecordingKey key(SettingsFile());
    TOptions options(key, folders);
    EXPECT_TRUE(key.written.empty());
    EXPECT_FALSE(options.SaveUserBoxes());
    EXPECT_EQ(options.SkinDir(), "/skins/blue.wsz");
    EXPECT_FALSE(options.NTService());
    EXPECT_FALSE(options.CheckAnother());
    EXPECT_FALSE(options.RecBeep());
    EXPECT_TRUE(options.SendBeep());
    EXPECT_FALSE(options.ShowMsg());
    EXPECT_FALSE(options.UseSysIcon());
    EXPECT_EQ(options.UserIcon(), 3);
    EXPECT_TRUE(options.HideASend());
    EXPECT_EQ(options.WindowType(), 2);
    EXPECT_TRUE(options.AutoReply());
    EXPECT_FALSE(options.AnimateRec());
    EXPECT_EQ(options.UserWinColor(), 0x00FF8000u);
    EXPECT_EQ(options.FontName(), "DejaVu Sans");
    EXPECT_EQ(options.FontSize(), 12);
    EXPECT_EQ(options.FontSet(), 204);
    EXPECT_EQ(options.PositionX(), -5);
    EXPECT_EQ(options.PositionY(), 20);
    EXPECT_EQ(options.SizeX(), 300);
    EXPECT_EQ(options.SizeY(), 400);
    EXPECT_EQ(options.P2X(), 200);
    EXPECT_EQ(options.P5Y(), 90);
    EXPECT_FALSE(options.MinOnStart());
    EXPECT_FALSE(options.ClearMsg());
    EXPECT_FALSE(options.StartupRescan());
    EXPECT_TRUE(options.AutoRescan());
    EXPECT_EQ(options.RescanTime(), 600000);
    EXPECT_EQ(options.ShortCutKey(), 0x4000 + 'M');
    EXPECT_FALSE(options.WordWrap());
    EXPECT_FALSE(options.DesktopNotify());
}

TEST_F(OptionsTest, SettersCutShortStringsAndWriteBoundsInOrder) {
    RecordingKey key(SettingsFile());
    TOptions options(key, folders);
    key.written.clear();
    options.SetWindowBounds(1, 2, 3, 4);
    EXPECT_EQ(key.written, (std::vector<std::string>{"PositionX", "PositionY", "SizeX", "SizeY"}));
    options.SetSkinDir(std::string(400, 's'));
    options.SetFontName(std::string(256, 'f'));
    EXPECT_EQ(options.SkinDir(), std::string(255, 's'));
    EXPECT_EQ(key.ReadString("SkinDir"), std::string(255, 's'));
    EXPECT_EQ(key.ReadString("FontName"), std::string(255, 'f'));
}

TEST_F(OptionsTest, RefusedSetterWriteKeepsTheNewValueAndNamesIt) {
    RecordingKey key(SettingsFile());
    TOptions options(key, folders);
    // The settings folder turns into a file: every later write is refused.
    std::filesystem::remove_all(folders.config);
    test::WriteFile(folders.config, "blocked");
    try {
        options.SetWindowType(2);
        ADD_FAILURE() << "the refused write was not reported";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to set data for 'WindowType'");
    }
    EXPECT_EQ(options.WindowType(), 2);
    EXPECT_THROW(options.SetAutoReply(true), Exception);
    EXPECT_TRUE(options.AutoReply());
}

TEST_F(OptionsTest, RunOnWinStartIsTheAutostartEntry) {
    {
        RecordingKey key(SettingsFile());
        EXPECT_FALSE(TOptions(key, folders).RunOnWinStart());
    }
    std::filesystem::create_directories(folders.autostart);
    test::WriteFile(StartupEntryPath(folders), "[Desktop Entry]\n");
    EXPECT_EQ(StartupEntryPath(folders), folders.autostart / "LyrMessenger.desktop");
    RecordingKey key(SettingsFile());
    EXPECT_TRUE(TOptions(key, folders).RunOnWinStart());
    // The computed setting is never stored.
    EXPECT_FALSE(key.ValueExists("RunOnWinStart"));
}

}  // namespace
}  // namespace lyr
