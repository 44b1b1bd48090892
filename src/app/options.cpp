// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <cassert>
#include <type_traits>

#include "base/log.h"

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

// The settings and their defaults, in the order a fresh settings file gets them. AppData is
// written and checked for its type, never used.
const TOptions::Setting TOptions::kSettings[] = {
    {"AppData", static_cast<std::string Fields::*>(nullptr), "1000"},
    {"SaveUserList", &Fields::SaveUserList, true},
    {"SaveUserBoxes", &Fields::SaveUserBoxes, true},
    // An empty SkinDir is written as such; the default skin is for this run only.
    {"SkinDir", &Fields::SkinDir, ""},
    {"NTService", &Fields::NTService, true},
    {"CheckAnother", &Fields::CheckAnother, true},
    {"RecBeep", &Fields::RecBeep, true},
    {"SendBeep", &Fields::SendBeep, false},
    {"ShowMsg", &Fields::ShowMsg, true},
    {"UseSysIcon", &Fields::UseSysIcon, true},
    {"UserIcon", &Fields::UserIcon, 0},
    {"HideASend", &Fields::HideASend, false},
    {"WindowType", &Fields::WindowType, 1},
    {"AutoReply", &Fields::AutoReply, false},
    {"AnimateRec", &Fields::AnimateRec, true},
    {"UserWinColor", &Fields::UserWinColor, 0x0C0C0C},
    {"FontName", &Fields::FontName, "Arial"},
    {"FontSize", &Fields::FontSize, 10},
    {"FontSet", &Fields::FontSet, 1},
    {"PositionX", &Fields::PositionX, 0},
    {"PositionY", &Fields::PositionY, 0},
    {"SizeX", &Fields::SizeX, 0},
    {"SizeY", &Fields::SizeY, 0},
    {"P2X", &Fields::P2X, 188},
    {"P5Y", &Fields::P5Y, 81},
    {"MinOnStart", &Fields::MinOnStart, true},
    {"ClearMsg", &Fields::ClearMsg, true},
    {"StartupRescan", &Fields::StartupRescan, true},
    {"AutoRescan", &Fields::AutoRescan, false},
    {"RescanTime", &Fields::RescanTime, 3600000},
    {"ShortCutKey", &Fields::ShortCutKey, 0},
    {"WordWrap", &Fields::WordWrap, true},
    {"DesktopNotify", &Fields::DesktopNotify, true},
};

TOptions::TOptions(RegistryKey& key, const SpecialFolders& folders) : key_(key) {
    // AppData is written on every start and at every end: only a fresh profile lacks it.
    fields_.FirstStart = !key_.ValueExists("AppData");
    for (const Setting& setting : kSettings) {
        ReadOrInit(setting);
    }
    if (fields_.SkinDir.empty()) {
        fields_.SkinDir = WinampSkinDefault();
    }
    std::filesystem::path startup_entry = StartupEntryPath(folders);
    std::error_code ignored;
    fields_.RunOnWinStart =
        !startup_entry.empty() && std::filesystem::exists(startup_entry, ignored);
}

TOptions::~TOptions() {
    try {
        key_.WriteString("AppData", "1000");
    } catch (...) {
        // No window is left to show it in at the end of the run.
        LogCaughtException(LogSeverity::Warning, "app", "The settings were not updated at exit");
    }
}

void TOptions::ReadOrInit(const Setting& setting) {
    const std::string name = setting.name;
    const bool exists = key_.ValueExists(name);
    std::visit(
        [&](auto field) {
            using Field = std::remove_reference_t<decltype(fields_.*field)>;
            if constexpr (std::is_same_v<Field, std::string>) {
                std::string value =
                    exists ? key_.ReadString(name) : std::get<const char*>(setting.default_value);
                if (!exists) {
                    key_.WriteString(name, value);
                }
                if (field != nullptr) {
                    fields_.*field = CutShortString(value);
                }
            } else if constexpr (std::is_same_v<Field, std::int32_t>) {
                std::int32_t value =
                    exists ? key_.ReadInteger(name) : std::get<std::int32_t>(setting.default_value);
                if (!exists) {
                    key_.WriteInteger(name, value);
                }
                fields_.*field = value;
            } else {
                bool value = exists ? key_.ReadBool(name) : std::get<bool>(setting.default_value);
                if (!exists) {
                    key_.WriteBool(name, value);
                }
                fields_.*field = value;
            }
        },
        setting.field);
}

template <typename Field, typename Value>
void TOptions::Put(Field Fields::*field, Value value) {
    const char* name = nullptr;
    for (const Setting& setting : kSettings) {
        if (auto* row = std::get_if<Field Fields::*>(&setting.field); row && *row == field) {
            name = setting.name;
        }
    }
    assert(name != nullptr && "every stored setting has its row");
    if constexpr (std::is_same_v<Field, std::string>) {
        fields_.*field = CutShortString(value);
        key_.WriteString(name, fields_.*field);
    } else if constexpr (std::is_same_v<Field, std::int32_t>) {
        fields_.*field = value;
        key_.WriteInteger(name, value);
    } else {
        fields_.*field = value;
        key_.WriteBool(name, value);
    }
}

void TOptions::SetSaveUserBoxes(bool value) {
    Put(&Fields::SaveUserBoxes, value);
}
void TOptions::SetSkinDir(const std::string& value) {
    Put(&Fields::SkinDir, value);
}
void TOptions::SetNTService(bool value) {
    Put(&Fields::NTService, value);
}
void TOptions::SetCheckAnother(bool value) {
    Put(&Fields::CheckAnother, value);
}
void TOptions::SetRecBeep(bool value) {
    Put(&Fields::RecBeep, value);
}
void TOptions::SetSendBeep(bool value) {
    Put(&Fields::SendBeep, value);
}
void TOptions::SetShowMsg(bool value) {
    Put(&Fields::ShowMsg, value);
}
void TOptions::SetUseSysIcon(bool value) {
    Put(&Fields::UseSysIcon, value);
}
void TOptions::SetUserIcon(std::int32_t value) {
    Put(&Fields::UserIcon, value);
}
void TOptions::SetHideASend(bool value) {
    Put(&Fields::HideASend, value);
}
void TOptions::SetWindowType(std::int32_t value) {
    Put(&Fields::WindowType, value);
}
void TOptions::SetAutoReply(bool value) {
    Put(&Fields::AutoReply, value);
}
void TOptions::SetAnimateRec(bool value) {
    Put(&Fields::AnimateRec, value);
}
void TOptions::SetUserWinColor(std::uint32_t value) {
    Put(&Fields::UserWinColor, static_cast<std::int32_t>(value));
}
void TOptions::SetFontName(const std::string& value) {
    Put(&Fields::FontName, value);
}
void TOptions::SetFontSize(std::int32_t value) {
    Put(&Fields::FontSize, value);
}
void TOptions::SetFontSet(std::uint8_t value) {
    Put(&Fields::FontSet, static_cast<std::int32_t>(value));
}

void TOptions::SetWindowBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                               std::int32_t height) {
    Put(&Fields::PositionX, left);
    Put(&Fields::PositionY, top);
    Put(&Fields::SizeX, width);
    Put(&Fields::SizeY, height);
}

void TOptions::SetP2X(std::int32_t value) {
    Put(&Fields::P2X, value);
}
void TOptions::SetP5Y(std::int32_t value) {
    Put(&Fields::P5Y, value);
}
void TOptions::SetMinOnStart(bool value) {
    Put(&Fields::MinOnStart, value);
}
void TOptions::SetClearMsg(bool value) {
    Put(&Fields::ClearMsg, value);
}
void TOptions::SetStartupRescan(bool value) {
    Put(&Fields::StartupRescan, value);
}
void TOptions::SetAutoRescan(bool value) {
    Put(&Fields::AutoRescan, value);
}
void TOptions::SetRescanTime(std::int32_t value) {
    Put(&Fields::RescanTime, value);
}
void TOptions::SetShortCutKey(std::int32_t value) {
    Put(&Fields::ShortCutKey, value);
}
void TOptions::SetWordWrap(bool value) {
    Put(&Fields::WordWrap, value);
}
void TOptions::SetDesktopNotify(bool value) {
    Put(&Fields::DesktopNotify, value);
}

}  // namespace lyr
