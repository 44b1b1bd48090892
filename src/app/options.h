// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "app/setup_values.h"
#include "platform/registry.h"
#include "platform/special_folders.h"

namespace lyr {

// The program's settings key under the current user.
inline constexpr char kOptionsKey[] = "Software\\Zendry\\Messenger\\1.0";

// The desktop's autostart entry that starts the program with the session; RunOnWinStart is
// whether it exists. Empty when the autostart folder is unknown.
std::filesystem::path StartupEntryPath(const SpecialFolders& folders);

// Every setting of the program, each named after the registry value it mirrors. Read through
// the accessor of the same name; changed only through its setter, which stores the new value
// and writes it to the key at once.
class TOptions {
public:
    // Short strings (SkinDir, FontName) keep at most this many characters.
    static constexpr size_t kMaximumShortString = 255;

    // Reads every setting from `key`, writing each missing one with its default. Throws
    // lyr::Exception: kInvalidDataType for a value of another type, kFailedToSetData when a
    // default cannot be written. `key` must outlive the options.
    TOptions(RegistryKey& key, const SpecialFolders& folders);
    // Writes AppData = "1000".
    ~TOptions();
    TOptions(const TOptions&) = delete;
    TOptions& operator=(const TOptions&) = delete;

    // The skin used while SkinDir is empty. Winamp does not exist here: the built-in skin.
    static std::string WinampSkinDefault() { return kDefaultSkin; }

    bool SaveUserList() const { return fields_.SaveUserList; }
    bool SaveUserBoxes() const { return fields_.SaveUserBoxes; }
    const std::string& SkinDir() const { return fields_.SkinDir; }
    bool NTService() const { return fields_.NTService; }
    bool CheckAnother() const { return fields_.CheckAnother; }
    bool RecBeep() const { return fields_.RecBeep; }
    bool SendBeep() const { return fields_.SendBeep; }
    bool ShowMsg() const { return fields_.ShowMsg; }
    bool UseSysIcon() const { return fields_.UseSysIcon; }
    std::int32_t UserIcon() const { return fields_.UserIcon; }
    bool HideASend() const { return fields_.HideASend; }
    std::int32_t WindowType() const { return fields_.WindowType; }
    // Also read by the network scan thread.
    bool AutoReply() const { return fields_.AutoReply.load(std::memory_order_relaxed); }
    bool AnimateRec() const { return fields_.AnimateRec; }
    std::uint32_t UserWinColor() const {  // 0x00BBGGRR
        return static_cast<std::uint32_t>(fields_.UserWinColor);
    }
    const std::string& FontName() const { return fields_.FontName; }
    std::int32_t FontSize() const { return fields_.FontSize; }
    std::int32_t PositionX() const { return fields_.PositionX; }
    std::int32_t PositionY() const { return fields_.PositionY; }
    std::int32_t SizeX() const { return fields_.SizeX; }
    std::int32_t SizeY() const { return fields_.SizeY; }
    std::int32_t P2X() const { return fields_.P2X; }
    std::int32_t P5Y() const { return fields_.P5Y; }
    std::uint8_t FontSet() const { return static_cast<std::uint8_t>(fields_.FontSet & 0xFF); }
    bool MinOnStart() const { return fields_.MinOnStart; }
    // The key held no settings before this run: the program's first start for this user.
    bool FirstStart() const { return fields_.FirstStart; }
    bool ClearMsg() const { return fields_.ClearMsg; }
    bool RunOnWinStart() const { return fields_.RunOnWinStart; }
    bool StartupRescan() const { return fields_.StartupRescan; }
    bool AutoRescan() const { return fields_.AutoRescan; }
    std::int32_t RescanTime() const { return fields_.RescanTime; }  // milliseconds
    std::int32_t ShortCutKey() const { return fields_.ShortCutKey; }
    bool WordWrap() const { return fields_.WordWrap; }
    // A received message that is shown also raises a desktop notification.
    bool DesktopNotify() const { return fields_.DesktopNotify; }

    // Each setter stores the value first, then writes it; a refused write throws
    // lyr::Exception(kFailedToSetData) with the field already changed.
    void SetSaveUserBoxes(bool value);
    void SetSkinDir(const std::string& value);
    void SetNTService(bool value);
    void SetCheckAnother(bool value);
    void SetRecBeep(bool value);
    void SetSendBeep(bool value);
    void SetShowMsg(bool value);
    void SetUseSysIcon(bool value);
    void SetUserIcon(std::int32_t value);
    void SetHideASend(bool value);
    void SetWindowType(std::int32_t value);
    void SetAutoReply(bool value);
    void SetAnimateRec(bool value);
    void SetUserWinColor(std::uint32_t value);
    void SetFontName(const std::string& value);
    void SetFontSize(std::int32_t value);
    void SetFontSet(std::uint8_t value);
    // Stores and writes PositionX, PositionY, SizeX and SizeY, in that order.
    void SetWindowBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height);
    void SetP2X(std::int32_t value);
    void SetP5Y(std::int32_t value);
    void SetMinOnStart(bool value);
    void SetClearMsg(bool value);
    void SetStartupRescan(bool value);
    void SetAutoRescan(bool value);
    void SetRescanTime(std::int32_t value);
    void SetShortCutKey(std::int32_t value);
    void SetWordWrap(bool value);
    void SetDesktopNotify(bool value);

private:
    struct Fields {
        bool SaveUserList = false;
        bool SaveUserBoxes = false;
        std::string SkinDir;
        bool NTService = false;
        bool CheckAnother = false;
        bool RecBeep = false;
        bool SendBeep = false;
        bool ShowMsg = false;
        bool UseSysIcon = false;
        std::int32_t UserIcon = 0;
        bool HideASend = false;
        std::int32_t WindowType = 0;
        std::atomic<bool> AutoReply = false;
        bool AnimateRec = false;
        std::int32_t UserWinColor = 0;  // as stored
        std::string FontName;
        std::int32_t FontSize = 0;
        std::int32_t PositionX = 0;
        std::int32_t PositionY = 0;
        std::int32_t SizeX = 0;
        std::int32_t SizeY = 0;
        std::int32_t P2X = 0;
        std::int32_t P5Y = 0;
        std::int32_t FontSet = 0;  // as stored; the character set is its low byte
        bool MinOnStart = false;
        bool FirstStart = false;
        bool ClearMsg = false;
        bool RunOnWinStart = false;
        bool StartupRescan = false;
        bool AutoRescan = false;
        std::int32_t RescanTime = 0;
        std::int32_t ShortCutKey = 0;
        bool WordWrap = false;
        bool DesktopNotify = false;
    };

    // One row per stored setting: its value's name, its field and its default. The rows are in
    // the order a fresh settings file is written.
    struct Setting {
        const char* name;
        std::variant<bool Fields::*, std::atomic<bool> Fields::*, std::int32_t Fields::*,
                     std::string Fields::*>
            field;
        std::variant<bool, std::int32_t, const char*> default_value;
    };
    static const Setting kSettings[];

    // Reads the row's value into its field, writing the default when the value is missing.
    void ReadOrInit(const Setting& setting);
    // Stores `value` in `field` and writes it under the field's row's name.
    template <typename Field, typename Value>
    void Put(Field Fields::*field, Value value);

    RegistryKey& key_;
    Fields fields_;
};

}  // namespace lyr
