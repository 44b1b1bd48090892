// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keys/virtual_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <Qt>

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/shortcut_text.h"

namespace lyr {
namespace {

std::vector<VirtualKey> MakeVirtualKeys() {
    std::vector<VirtualKey> keys = {
        {0x08, Qt::Key_Backspace, false, XK_BackSpace},
        {0x09, Qt::Key_Tab, false, XK_Tab},
        {0x0C, Qt::Key_Clear, false, XK_Clear},
        {0x0D, Qt::Key_Return, false, XK_Return},
        {0x10, Qt::Key_Shift, false, XK_Shift_L},
        {0x11, Qt::Key_Control, false, XK_Control_L},
        {0x12, Qt::Key_Alt, false, XK_Alt_L},
        {0x13, Qt::Key_Pause, false, XK_Pause},
        {0x14, Qt::Key_CapsLock, false, XK_Caps_Lock},
        {0x1B, Qt::Key_Escape, false, XK_Escape},
        {0x20, Qt::Key_Space, false, XK_space},
        {0x21, Qt::Key_PageUp, false, XK_Prior},
        {0x22, Qt::Key_PageDown, false, XK_Next},
        {0x23, Qt::Key_End, false, XK_End},
        {0x24, Qt::Key_Home, false, XK_Home},
        {0x25, Qt::Key_Left, false, XK_Left},
        {0x26, Qt::Key_Up, false, XK_Up},
        {0x27, Qt::Key_Right, false, XK_Right},
        {0x28, Qt::Key_Down, false, XK_Down},
        {0x29, Qt::Key_Select, false, XK_Select},
        {0x2A, Qt::Key_Printer, false, 0},
        {0x2B, Qt::Key_Execute, false, XK_Execute},
        {0x2C, Qt::Key_Print, false, XK_Print},
        {0x2D, Qt::Key_Insert, false, XK_Insert},
        {0x2E, Qt::Key_Delete, false, XK_Delete},
        {0x2F, Qt::Key_Help, false, XK_Help},
    };
    for (int digit = 0; digit < 10; ++digit) {
        keys.push_back(
            {'0' + digit, Qt::Key_0 + digit, false, static_cast<std::uint32_t>(XK_0 + digit)});
    }
    for (int letter = 0; letter < 26; ++letter) {
        keys.push_back(
            {'A' + letter, Qt::Key_A + letter, false, static_cast<std::uint32_t>(XK_a + letter)});
    }
    keys.push_back({0x5B, Qt::Key_Super_L, false, XK_Super_L});
    keys.push_back({0x5C, Qt::Key_Super_R, false, XK_Super_R});
    keys.push_back({0x5D, Qt::Key_Menu, false, XK_Menu});
    keys.push_back({0x5F, Qt::Key_Sleep, false, XF86XK_Sleep});
    // The number pad. Its decimal key gives a comma in many layouts: that is in the aliases.
    for (int digit = 0; digit < 10; ++digit) {
        keys.push_back(
            {0x60 + digit, Qt::Key_0 + digit, true, static_cast<std::uint32_t>(XK_KP_0 + digit)});
    }
    keys.push_back({0x6A, Qt::Key_Asterisk, true, XK_KP_Multiply});
    keys.push_back({0x6B, Qt::Key_Plus, true, XK_KP_Add});
    keys.push_back({0x6C, 0, true, XK_KP_Separator});
    keys.push_back({0x6D, Qt::Key_Minus, true, XK_KP_Subtract});
    keys.push_back({0x6E, Qt::Key_Period, true, XK_KP_Decimal});
    keys.push_back({0x6F, Qt::Key_Slash, true, XK_KP_Divide});
    for (int number = 0; number < 24; ++number) {
        keys.push_back({0x70 + number, Qt::Key_F1 + number, false,
                        static_cast<std::uint32_t>(XK_F1 + number)});
    }
    keys.push_back({0x90, Qt::Key_NumLock, false, XK_Num_Lock});
    keys.push_back({0x91, Qt::Key_ScrollLock, false, XK_Scroll_Lock});
    // The browser, volume, media and mail keys.
    const VirtualKey media[] = {
        {0xA6, Qt::Key_Back, false, XF86XK_Back},
        {0xA7, Qt::Key_Forward, false, XF86XK_Forward},
        {0xA8, Qt::Key_Refresh, false, XF86XK_Refresh},
        {0xA9, Qt::Key_Stop, false, XF86XK_Stop},
        {0xAA, Qt::Key_Search, false, XF86XK_Search},
        {0xAB, Qt::Key_Favorites, false, XF86XK_Favorites},
        {0xAC, Qt::Key_HomePage, false, XF86XK_HomePage},
        {0xAD, Qt::Key_VolumeMute, false, XF86XK_AudioMute},
        {0xAE, Qt::Key_VolumeDown, false, XF86XK_AudioLowerVolume},
        {0xAF, Qt::Key_VolumeUp, false, XF86XK_AudioRaiseVolume},
        {0xB0, Qt::Key_MediaNext, false, XF86XK_AudioNext},
        {0xB1, Qt::Key_MediaPrevious, false, XF86XK_AudioPrev},
        {0xB2, Qt::Key_MediaStop, false, XF86XK_AudioStop},
        {0xB3, Qt::Key_MediaPlay, false, XF86XK_AudioPlay},
        {0xB4, Qt::Key_LaunchMail, false, XF86XK_Mail},
    };
    keys.insert(keys.end(), std::begin(media), std::end(media));
    // The punctuation keys, by their unshifted character on a US keyboard.
    const VirtualKey punctuation[] = {
        {0xBA, Qt::Key_Semicolon, false, XK_semicolon},
        {0xBB, Qt::Key_Equal, false, XK_equal},
        {0xBC, Qt::Key_Comma, false, XK_comma},
        {0xBD, Qt::Key_Minus, false, XK_minus},
        {0xBE, Qt::Key_Period, false, XK_period},
        {0xBF, Qt::Key_Slash, false, XK_slash},
        {0xC0, Qt::Key_QuoteLeft, false, XK_grave},
        {0xDB, Qt::Key_BracketLeft, false, XK_bracketleft},
        {0xDC, Qt::Key_Backslash, false, XK_backslash},
        {0xDD, Qt::Key_BracketRight, false, XK_bracketright},
        {0xDE, Qt::Key_Apostrophe, false, XK_apostrophe},
        // The extra key of 102-key keyboards, "<" and ">" beside the left Shift. Qt reports
        // the same key as Shift with the comma key, which is the more common meaning.
        {0xE2, 0, false, XK_less},
    };
    keys.insert(keys.end(), std::begin(punctuation), std::end(punctuation));
    std::sort(keys.begin(), keys.end(),
              [](const VirtualKey& a, const VirtualKey& b) { return a.code < b.code; });
    return keys;
}

const std::vector<VirtualKey>& Keys() {
    static const std::vector<VirtualKey> keys = MakeVirtualKeys();
    return keys;
}

struct Alias {
    std::uint32_t symbol;
    int code;
};

// What a key event may report instead of the key's own face.
constexpr Alias kQtAliases[] = {
    {Qt::Key_Meta, 0x5B},     {Qt::Key_AltGr, 0x12},      {Qt::Key_MediaTogglePlayPause, 0xB3},
    {Qt::Key_Enter, 0x0D},    {Qt::Key_Backtab, 0x09},    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},        {Qt::Key_NumberSign, '3'},  {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},   {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},  {Qt::Key_ParenLeft, '9'},   {Qt::Key_ParenRight, '0'},
    {Qt::Key_Colon, 0xBA},    {Qt::Key_Plus, 0xBB},       {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Question, 0xBF}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Bar, 0xDC},      {Qt::Key_BraceRight, 0xDD}, {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Less, 0xBC},     {Qt::Key_Greater, 0xBE},
};
constexpr Alias kKeysymAliases[] = {
    {XK_KP_Enter, 0x0D},  {XK_ISO_Left_Tab, 0x09}, {XK_Shift_R, 0x10},    {XK_Control_R, 0x11},
    {XK_Alt_R, 0x12},     {XK_Meta_L, 0x12},       {XK_KP_Insert, 0x2D},  {XK_KP_Delete, 0x2E},
    {XK_KP_End, 0x23},    {XK_KP_Down, 0x28},      {XK_KP_Next, 0x22},    {XK_KP_Left, 0x25},
    {XK_KP_Begin, 0x0C},  {XK_KP_Right, 0x27},     {XK_KP_Home, 0x24},    {XK_KP_Up, 0x26},
    {XK_KP_Prior, 0x21},  {XK_exclam, '1'},        {XK_at, '2'},          {XK_numbersign, '3'},
    {XK_dollar, '4'},     {XK_percent, '5'},       {XK_asciicircum, '6'}, {XK_ampersand, '7'},
    {XK_asterisk, '8'},   {XK_parenleft, '9'},     {XK_parenright, '0'},  {XK_colon, 0xBA},
    {XK_plus, 0xBB},      {XK_underscore, 0xBD},   {XK_question, 0xBF},   {XK_asciitilde, 0xC0},
    {XK_braceleft, 0xDB}, {XK_bar, 0xDC},          {XK_braceright, 0xDD}, {XK_quotedbl, 0xDE},
};

template <typename Aliases>
int FindAlias(const Aliases& aliases, std::uint32_t symbol) {
    for (const Alias& alias : aliases) {
        if (alias.symbol == symbol) {
            return alias.code;
        }
    }
    return 0;
}

}  // namespace

std::span<const VirtualKey> VirtualKeys() {
    return Keys();
}

const VirtualKey* FindVirtualKey(int code) {
    const auto& keys = Keys();
    const auto found = std::lower_bound(keys.begin(), keys.end(), code,
                                        [](const VirtualKey& key, int c) { return key.code < c; });
    return found != keys.end() && found->code == code ? &*found : nullptr;
}

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (qtKey == 0) {
        return 0;
    }
    for (const VirtualKey& key : Keys()) {
        if (key.qtKey == qtKey && key.keypad == keypad) {
            return key.code;
        }
    }
    if (const int alias = FindAlias(kQtAliases, static_cast<std::uint32_t>(qtKey))) {
        return alias;
    }
    if (keypad && qtKey == Qt::Key_Comma) {
        return 0x6E;  // the decimal key, where the layout makes it a comma
    }
    // The number pad's arrows and Ins, Del, Home... while Num Lock is off.
    return keypad ? VirtualKeyFromQtKey(qtKey, false) : 0;
}

int VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym == 0) {
        return 0;
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        keysym += XK_a - XK_A;
    }
    for (const VirtualKey& key : Keys()) {
        if (key.keysym == keysym) {
            return key.code;
        }
    }
    return FindAlias(kKeysymAliases, keysym);
}

namespace {

bool ReportsKeyPlaces() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

}  // namespace

int VirtualKeyAtKeycode(std::uint32_t keycode) {
    static constexpr struct {
        std::uint32_t first;
        const char* keys;
    } kRows[] = {
        {10, "1234567890\xBD\xBB"},       // 1 ... 0 - =
        {24, "QWERTYUIOP\xDB\xDD"},       // Q ... P [ ]
        {38, "ASDFGHJKL\xBA\xDE\xC0"},    // A ... L ; ' `
        {51, "\xDCZXCVBNM\xBC\xBE\xBF"},  // \ Z ... M , . /
        {94, "\xE2"},                     // the extra key beside the left Shift
    };
    for (const auto& row : kRows) {
        const std::string_view keys(row.keys);
        if (keycode >= row.first && keycode < row.first + keys.size()) {
            return static_cast<unsigned char>(keys[keycode - row.first]);
        }
    }
    return 0;
}

int VirtualKeyOf(const QKeyEvent& event) {
    const int byFace =
        VirtualKeyFromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
    if (byFace != 0 && !IsLayoutKey(byFace)) {
        return byFace;  // the same key whatever the layout
    }
    if (ReportsKeyPlaces()) {
        if (const int placed = VirtualKeyAtKeycode(event.nativeScanCode())) {
            return placed;
        }
    }
    return byFace;
}

}  // namespace lyr
