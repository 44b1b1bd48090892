// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcut_text.h"

#include <array>

#include "app/virtual_key_codes.h"
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

bool TypesText(int virtual_key) {
    // The number pad: 0, ..., 9, *, +, separator, -, ., /
    return IsLayoutKey(virtual_key) || virtual_key == kVkSpace || virtual_key == kVkReturn ||
           virtual_key == kVkTab || virtual_key == kVkBack ||
           (virtual_key >= kVkNumPad0 && virtual_key <= kVkDivide);
}

}  // namespace

bool IsModifierKey(int virtual_key) {
    return (virtual_key >= kVkShift && virtual_key <= kVkMenu) || virtual_key == kVkLeftWin ||
           virtual_key == kVkRightWin ||
           (virtual_key >= kVkLeftShift && virtual_key <= kVkRightMenu);
}

bool IsLayoutKey(int virtual_key) {
    return (virtual_key >= '0' && virtual_key <= '9') ||
           (virtual_key >= 'A' && virtual_key <= 'Z') ||
           (virtual_key >= 0xBA && virtual_key <= 0xC0) ||
           (virtual_key >= 0xDB && virtual_key <= 0xDE) || virtual_key == 0xE2;
}

bool IsDesktopHotKey(std::int32_t code) {
    const int key = ShortCutKey(code);
    if (key == 0 || IsModifierKey(key) || key == kVkCapital || key == kVkNumLock ||
        key == kVkScroll) {
        return false;
    }
    if ((key >= kVkF1 && key <= kVkF24) || key == kVkPause) {
        return true;
    }
    if (code & (kShortCutCtrl | kShortCutAlt)) {
        return true;
    }
    return (code & kShortCutShift) && !TypesText(key);
}

std::string VirtualKeyName(int virtual_key) {
    if (virtual_key == kVkBack) {
        return "BkSp";
    }
    if (virtual_key == kVkTab) {
        return "Tab";
    }
    if (virtual_key == kVkReturn) {
        return "Enter";
    }
    if (virtual_key == kVkEscape) {
        return "Esc";
    }
    if (virtual_key >= kVkSpace && virtual_key <= kVkDown) {
        return kNavigationNames[virtual_key - kVkSpace];
    }
    if (virtual_key == kVkInsert) {
        return "Ins";
    }
    if (virtual_key == kVkDelete) {
        return "Del";
    }
    if ((virtual_key >= '0' && virtual_key <= '9') || (virtual_key >= 'A' && virtual_key <= 'Z')) {
        return std::string(1, static_cast<char>(virtual_key));
    }
    if (virtual_key >= kVkNumPad0 && virtual_key <= kVkNumPad9) {
        return std::string(1, static_cast<char>('0' + virtual_key - kVkNumPad0));
    }
    if (virtual_key >= kVkF1 && virtual_key <= kVkF24) {
        return "F" + std::to_string(virtual_key - kVkF1 + 1);
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
