// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcut_text.h"

#include <array>

#include "base/ascii_case.h"

namespace lyr {
namespace {

constexpr std::array<const char*, 9> kNavigationNames = {"Space", "PgUp", "PgDn",  "End", "Home",
                                                         "Left",  "Up",   "Right", "Down"};

// The punctuation keys carry no letter in their code; they are named by what they show on the
// keyboard, taken as the US layout, which is also how key presses become codes here.
const char* PunctuationName(int virtual_key) {
    switch (virtual_key) {
        case 0xBA:
            return ";";
        case 0xBB:
            return "=";
        case 0xBC:
            return ",";
        case 0xBD:
            return "-";
        case 0xBE:
            return ".";
        case 0xBF:
            return "/";
        case 0xC0:
            return "`";
        case 0xDB:
            return "[";
        case 0xDC:
            return "\\";
        case 0xDD:
            return "]";
        case 0xDE:
            return "'";
        case 0xE2:
            return "\\";
        default:
            return "";
    }
}

constexpr int kKeyBackspace = 0x08;
constexpr int kKeyTab = 0x09;
constexpr int kKeyEnter = 0x0D;
constexpr int kKeyPause = 0x13;
constexpr int kKeyCapsLock = 0x14;
constexpr int kKeySpace = 0x20;
constexpr int kKeyNumPadFirst = 0x60;  // 0, ..., 9, *, +, separator, -, ., /
constexpr int kKeyNumPadLast = 0x6F;
constexpr int kKeyF1 = 0x70;
constexpr int kKeyF24 = 0x87;
constexpr int kKeyNumLock = 0x90;
constexpr int kKeyScrollLock = 0x91;

bool TypesText(int virtual_key) {
    return IsLayoutKey(virtual_key) || virtual_key == kKeySpace || virtual_key == kKeyEnter ||
           virtual_key == kKeyTab || virtual_key == kKeyBackspace ||
           (virtual_key >= kKeyNumPadFirst && virtual_key <= kKeyNumPadLast);
}

}  // namespace

bool IsModifierKey(int virtual_key) {
    return (virtual_key >= 0x10 && virtual_key <= 0x12) || virtual_key == 0x5B ||
           virtual_key == 0x5C || (virtual_key >= 0xA0 && virtual_key <= 0xA5);
}

bool IsLayoutKey(int virtual_key) {
    return (virtual_key >= '0' && virtual_key <= '9') ||
           (virtual_key >= 'A' && virtual_key <= 'Z') ||
           (virtual_key >= 0xBA && virtual_key <= 0xC0) ||
           (virtual_key >= 0xDB && virtual_key <= 0xDE) || virtual_key == 0xE2;
}

bool IsDesktopHotKey(std::int32_t code) {
    const int key = ShortCutKey(code);
    if (key == 0 || IsModifierKey(key) || key == kKeyCapsLock || key == kKeyNumLock ||
        key == kKeyScrollLock) {
        return false;
    }
    if ((key >= kKeyF1 && key <= kKeyF24) || key == kKeyPause) {
        return true;
    }
    if (code & (kShortCutCtrl | kShortCutAlt)) {
        return true;
    }
    return (code & kShortCutShift) && !TypesText(key);
}

std::string VirtualKeyName(int virtual_key) {
    if (virtual_key == 0x08) {
        return "BkSp";
    }
    if (virtual_key == 0x09) {
        return "Tab";
    }
    if (virtual_key == 0x0D) {
        return "Enter";
    }
    if (virtual_key == 0x1B) {
        return "Esc";
    }
    if (virtual_key >= 0x20 && virtual_key <= 0x28) {
        return kNavigationNames[virtual_key - 0x20];
    }
    if (virtual_key == 0x2D) {
        return "Ins";
    }
    if (virtual_key == 0x2E) {
        return "Del";
    }
    if ((virtual_key >= '0' && virtual_key <= '9') || (virtual_key >= 'A' && virtual_key <= 'Z')) {
        return std::string(1, static_cast<char>(virtual_key));
    }
    if (virtual_key >= 0x60 && virtual_key <= 0x69) {  // the number pad's digits
        return std::string(1, static_cast<char>('0' + virtual_key - 0x60));
    }
    if (virtual_key >= 0x70 && virtual_key <= 0x87) {
        return "F" + std::to_string(virtual_key - 0x6F);
    }
    return PunctuationName(virtual_key);
}

std::string ShortCutText(std::int32_t code) {
    const std::string name = VirtualKeyName(ShortCutKey(code));
    if (name.empty()) {
        return {};
    }
    std::string text;
    if (code & kShortCutShift) {
        text += "Shift+";
    }
    if (code & kShortCutCtrl) {
        text += "Ctrl+";
    }
    if (code & kShortCutAlt) {
        text += "Alt+";
    }
    return text + name;
}

std::int32_t ShortCutFromText(std::string_view text) {
    static constexpr struct {
        std::string_view prefix;
        std::int32_t bit;
    } kModifiers[] = {{"Shift+", kShortCutShift}, {"Ctrl+", kShortCutCtrl}, {"Alt+", kShortCutAlt}};
    std::int32_t modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto& modifier : kModifiers) {
            if (text.size() > modifier.prefix.size() &&
                EqualsIgnoringCase(text.substr(0, modifier.prefix.size()), modifier.prefix)) {
                modifiers |= modifier.bit;
                text.remove_prefix(modifier.prefix.size());
                found = true;
            }
        }
    }
    for (int key = 1; key <= 0xFF; ++key) {
        const std::string name = VirtualKeyName(key);
        if (!name.empty() && EqualsIgnoringCase(name, text)) {
            return key | modifiers;
        }
    }
    return 0;
}

}  // namespace lyr
