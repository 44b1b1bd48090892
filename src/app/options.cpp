// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include "platform/log.h"

namespace lyr {
namespace {

// Cuts UTF-8 text after `limit` characters, never inside one.
std::string CutToCharacters(std::string text, size_t limit) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts_character && ++characters > limit) {
            text.resize(i);
            break;
        }
    }
    return text;
}

std::string CutShortString(const std::string& text) {
    return CutToCharacters(text, TOptions::kMaximumShortString);
}

}  // namespace

std::filesystem::path StartupEntryPath(const SpecialFolders& folders) {
    if (folders.autostart.empty()) {
        return {};
    }
    return folders.autostart / "LyrMessenger.desktop";
}

TOptions::TOptions(RegistryKey& key, const SpecialFolders& folders) : key_(key) {
    Fields& f = fields_;
    // AppData is written on every start and at every end.
    f.FirstStart = !key_.ValueExists("AppData");
    ReadOrInitString("AppData", "1000");
    f.SaveUserList = ReadOrInitBool("SaveUserList", true);
    f.SaveUserBoxes = ReadOrInitBool("SaveUserBoxes", true);
    // An empty SkinDir is written as such; the default skin is for this run only.
    f.SkinDir = CutShortString(ReadOrInitString("SkinDir", ""));
    if (f.SkinDir.empty()) {
        f.SkinDir = WinampSkinDefault();
    }
    f.NTService = ReadOrInitBool("NTService", true);
    f.CheckAnother = ReadOrInitBool("CheckAnother", true);
    f.RecBeep = ReadOrInitBool("RecBeep", true);
    f.SendBeep = ReadOrInitBool("SendBeep", false);
    f.ShowMsg = ReadOrInitBool("ShowMsg", true);
    f.UseSysIcon = ReadOrInitBool("UseSysIcon", true);
    f.UserIcon = ReadOrInitInteger("UserIcon", 0);
    f.HideASend = ReadOrInitBool("HideASend", false);
    f.WindowType = ReadOrInitInteger("WindowType", 1);
    f.AutoReply = ReadOrInitBool("AutoReply", false);
    f.AnimateRec = ReadOrInitBool("AnimateRec", true);
    f.UserWinColor = static_cast<std::uint32_t>(ReadOrInitInteger("UserWinColor", 0x0C0C0C));
    f.FontName = CutShortString(ReadOrInitString("FontName", "Arial"));
    f.FontSize = ReadOrInitInteger("FontSize", 10);
    f.FontSet = static_cast<std::uint8_t>(ReadOrInitInteger("FontSet", 1) & 0xFF);
    f.PositionX = ReadOrInitInteger("PositionX", 0);
    f.PositionY = ReadOrInitInteger("PositionY", 0);
    f.SizeX = ReadOrInitInteger("SizeX", 0);
    f.SizeY = ReadOrInitInteger("SizeY", 0);
    f.P2X = ReadOrInitInteger("P2X", 188);
    f.P5Y = ReadOrInitInteger("P5Y", 81);
    f.MinOnStart = ReadOrInitBool("MinOnStart", true);
    f.ClearMsg = ReadOrInitBool("ClearMsg", true);
    std::filesystem::path startup_entry = StartupEntryPath(folders);
    std::error_code ignored;
    f.RunOnWinStart = !startup_entry.empty() && std::filesystem::exists(startup_entry, ignored);
    f.StartupRescan = ReadOrInitBool("StartupRescan", true);
    f.AutoRescan = ReadOrInitBool("AutoRescan", false);
    f.RescanTime = ReadOrInitInteger("RescanTime", 3600000);
    f.ShortCutKey = ReadOrInitInteger("ShortCutKey", 0);
    f.WordWrap = ReadOrInitBool("WordWrap", true);
    f.DesktopNotify = ReadOrInitBool("DesktopNotify", true);
}

TOptions::~TOptions() {
    try {
        key_.WriteString("AppData", "1000");
    } catch (...) {
        // No window is left to show it in at the end of the run.
        LogCaughtException(LogSeverity::Warning, "app", "The settings were not updated at exit");
    }
}

std::string TOptions::ReadOrInitString(const std::string& name, const std::string& default_value) {
    if (key_.ValueExists(name)) {
        return key_.ReadString(name);
    }
    key_.WriteString(name, default_value);
    return default_value;
}

bool TOptions::ReadOrInitBool(const std::string& name, bool default_value) {
    if (key_.ValueExists(name)) {
        return key_.ReadBool(name);
    }
    key_.WriteBool(name, default_value);
    return default_value;
}

std::int32_t TOptions::ReadOrInitInteger(const std::string& name, std::int32_t default_value) {
    if (key_.ValueExists(name)) {
        return key_.ReadInteger(name);
    }
    key_.WriteInteger(name, default_value);
    return default_value;
}

void TOptions::Put(bool& field, const char* name, bool value) {
    field = value;
    key_.WriteBool(name, value);
}

void TOptions::Put(std::int32_t& field, const char* name, std::int32_t value) {
    field = value;
    key_.WriteInteger(name, value);
}

void TOptions::Put(std::string& field, const char* name, const std::string& value) {
    field = CutShortString(value);
    key_.WriteString(name, field);
}

void TOptions::SetSaveUserBoxes(bool value) {
    Put(fields_.SaveUserBoxes, "SaveUserBoxes", value);
}
void TOptions::SetSkinDir(const std::string& value) {
    Put(fields_.SkinDir, "SkinDir", value);
}
void TOptions::SetNTService(bool value) {
    Put(fields_.NTService, "NTService", value);
}
void TOptions::SetCheckAnother(bool value) {
    Put(fields_.CheckAnother, "CheckAnother", value);
}
void TOptions::SetRecBeep(bool value) {
    Put(fields_.RecBeep, "RecBeep", value);
}
void TOptions::SetSendBeep(bool value) {
    Put(fields_.SendBeep, "SendBeep", value);
}
void TOptions::SetShowMsg(bool value) {
    Put(fields_.ShowMsg, "ShowMsg", value);
}
void TOptions::SetUseSysIcon(bool value) {
    Put(fields_.UseSysIcon, "UseSysIcon", value);
}
void TOptions::SetUserIcon(std::int32_t value) {
    Put(fields_.UserIcon, "UserIcon", value);
}
void TOptions::SetHideASend(bool value) {
    Put(fields_.HideASend, "HideASend", value);
}
void TOptions::SetWindowType(std::int32_t value) {
    Put(fields_.WindowType, "WindowType", value);
}

void TOptions::SetAutoReply(bool value) {
    fields_.AutoReply = value;
    key_.WriteBool("AutoReply", value);
}

void TOptions::SetAnimateRec(bool value) {
    Put(fields_.AnimateRec, "AnimateRec", value);
}

void TOptions::SetUserWinColor(std::uint32_t value) {
    fields_.UserWinColor = value;
    key_.WriteInteger("UserWinColor", static_cast<std::int32_t>(value));
}

void TOptions::SetFontName(const std::string& value) {
    Put(fields_.FontName, "FontName", value);
}
void TOptions::SetFontSize(std::int32_t value) {
    Put(fields_.FontSize, "FontSize", value);
}

void TOptions::SetFontSet(std::uint8_t value) {
    fields_.FontSet = value;
    key_.WriteInteger("FontSet", value);
}

void TOptions::SetWindowBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                               std::int32_t height) {
    fields_.PositionX = left;
    fields_.PositionY = top;
    fields_.SizeX = width;
    fields_.SizeY = height;
    key_.WriteInteger("PositionX", left);
    key_.WriteInteger("PositionY", top);
    key_.WriteInteger("SizeX", width);
    key_.WriteInteger("SizeY", height);
}

void TOptions::SetP2X(std::int32_t value) {
    Put(fields_.P2X, "P2X", value);
}
void TOptions::SetP5Y(std::int32_t value) {
    Put(fields_.P5Y, "P5Y", value);
}
void TOptions::SetMinOnStart(bool value) {
    Put(fields_.MinOnStart, "MinOnStart", value);
}
void TOptions::SetClearMsg(bool value) {
    Put(fields_.ClearMsg, "ClearMsg", value);
}
void TOptions::SetStartupRescan(bool value) {
    Put(fields_.StartupRescan, "StartupRescan", value);
}
void TOptions::SetAutoRescan(bool value) {
    Put(fields_.AutoRescan, "AutoRescan", value);
}
void TOptions::SetRescanTime(std::int32_t value) {
    Put(fields_.RescanTime, "RescanTime", value);
}
void TOptions::SetShortCutKey(std::int32_t value) {
    Put(fields_.ShortCutKey, "ShortCutKey", value);
}
void TOptions::SetWordWrap(bool value) {
    Put(fields_.WordWrap, "WordWrap", value);
}
void TOptions::SetDesktopNotify(bool value) {
    Put(fields_.DesktopNotify, "DesktopNotify", value);
}

}  // namespace lyr
