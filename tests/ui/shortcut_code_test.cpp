// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include <X11/keysym.h>

#include "ui/keys/shortcut_code.h"
#include "ui/keys/virtual_keys.h"
#include "ui/keys/x11/global_hot_key.h"
#include "ui/keys/x11/x11_hot_key_keys.h"

namespace lyr {

class ShortcutCodeTest : public QObject {
    Q_OBJECT

private slots:
    void menuShortcutsHaveTheirTexts() {
        // The codes the menus use, with the texts they show.
        QCOMPARE(ShortCutToText(16464), QStringLiteral("Ctrl+P"));
        QCOMPARE(ShortCutToText(16496), QStringLiteral("Ctrl+F1"));
        QCOMPARE(ShortCutToText(16500), QStringLiteral("Ctrl+F5"));
        QCOMPARE(ShortCutToText(8304), QStringLiteral("Shift+F1"));
        QCOMPARE(ShortCutToText(16430), QStringLiteral("Ctrl+Del"));
        QCOMPARE(ShortCutToText(45), QStringLiteral("Ins"));
        QCOMPARE(ShortCutToText(27), QStringLiteral("Esc"));
        QCOMPARE(TextToShortCut(QStringLiteral("Alt+S")), kShortCutAlt | 'S');
    }

    void textFormNamesEveryKeyTheSettingsDialogShows() {
        QCOMPARE(ShortCutToText(0), QString());
        QCOMPARE(ShortCutToText(8), QStringLiteral("BkSp"));
        QCOMPARE(ShortCutToText(9), QStringLiteral("Tab"));
        QCOMPARE(ShortCutToText(13), QStringLiteral("Enter"));
        const char* const names32to40[] = {"Space", "PgUp", "PgDn",  "End", "Home",
                                           "Left",  "Up",   "Right", "Down"};
        for (int code = 32; code <= 40; ++code) {
            QCOMPARE(ShortCutToText(code), QLatin1String(names32to40[code - 32]));
        }
        QCOMPARE(ShortCutToText(46), QStringLiteral("Del"));
        for (int code = '0'; code <= '9'; ++code) {
            QCOMPARE(ShortCutToText(code), QString(QChar(code)));
            // The number pad's digits read like the digits.
            QCOMPARE(ShortCutToText(code - '0' + 96), QString(QChar(code)));
        }
        for (int code = 'A'; code <= 'Z'; ++code) {
            QCOMPARE(ShortCutToText(code), QString(QChar(code)));
        }
        for (int number = 1; number <= 24; ++number) {
            QCOMPARE(ShortCutToText(111 + number), QStringLiteral("F%1").arg(number));
        }
        QCOMPARE(ShortCutToText(0xBA), QStringLiteral(";"));
        QCOMPARE(ShortCutToText(0xDC), QStringLiteral("\\"));
    }

    void modifiersComeShiftCtrlAlt() {
        QCOMPARE(ShortCutToText(kShortCutShift | kShortCutCtrl | kShortCutAlt | 'M'),
                 QStringLiteral("Shift+Ctrl+Alt+M"));
        QCOMPARE(ShortCutToText(kShortCutAlt | kShortCutCtrl | 0x74),
                 QStringLiteral("Ctrl+Alt+F5"));
    }

    void keysWithoutANameGiveNoText() {
        // A modifier key pressed alone, the number pad's operators, an unknown key: the
        // whole text is empty, modifiers included.
        QCOMPARE(ShortCutToText(0x10), QString());
        QCOMPARE(ShortCutToText(kShortCutCtrl | 0x11), QString());
        QCOMPARE(ShortCutToText(kShortCutCtrl | 0x6A), QString());
        QCOMPARE(ShortCutToText(kShortCutCtrl | 0xFF), QString());
        QCOMPARE(ShortCutToText(kShortCutCtrl), QString());
    }

    void textFormReadsBack() {
        for (const VirtualKey& key : VirtualKeys()) {
            // The number pad's digits read back as the digits, the extra key beside the left
            // Shift as the backslash key, whose name it shares.
            if (VirtualKeyName(key.code).empty() || (key.code >= 0x60 && key.code <= 0x69) ||
                key.code == 0xE2) {
                continue;
            }
            for (const int modifiers : {0, kShortCutShift, kShortCutCtrl | kShortCutAlt,
                                        kShortCutShift | kShortCutCtrl | kShortCutAlt}) {
                const int code = key.code | modifiers;
                QCOMPARE(TextToShortCut(ShortCutToText(code)), code);
            }
        }
        // The settings field and the menus name every key alike.
        QCOMPARE(ShortCutToText(kShortCutCtrl | 0xE2), QStringLiteral("Ctrl+\\"));
        QCOMPARE(TextToShortCut(QStringLiteral("alt+ctrl+del")),
                 kShortCutCtrl | kShortCutAlt | 0x2E);
        QCOMPARE(TextToShortCut(QStringLiteral("Ctrl+")), 0);
        QCOMPARE(TextToShortCut(QStringLiteral("Ctrl+Nothing")), 0);
        QCOMPARE(TextToShortCut(QString()), 0);
    }

    void qtKeySequencesMatchTheCodes() {
        QCOMPARE(ShortCutToKeySequence(16464), QKeySequence(Qt::CTRL | Qt::Key_P));
        QCOMPARE(ShortCutToKeySequence(8304), QKeySequence(Qt::SHIFT | Qt::Key_F1));
        QCOMPARE(ShortCutToKeySequence(16430), QKeySequence(Qt::CTRL | Qt::Key_Delete));
        QCOMPARE(ShortCutToKeySequence(0x60), QKeySequence(Qt::KeypadModifier | Qt::Key_0));
        QVERIFY(ShortCutToKeySequence(0).isEmpty());
        QVERIFY(ShortCutToKeySequence(0xFF).isEmpty());
        // Qt's text for the menus' keys is the same as ours.
        for (const int code : {16464, 16496, 8304, 16430, 45, 27, kShortCutAlt | 'S'}) {
            QCOMPARE(ShortCutToKeySequence(code).toString(QKeySequence::NativeText),
                     ShortCutToText(code));
        }
        for (const VirtualKey& key : VirtualKeys()) {
            if (key.qtKey != 0) {
                const int code = key.code | kShortCutCtrl | kShortCutShift;
                QCOMPARE(KeySequenceToShortCut(ShortCutToKeySequence(code)), code);
            }
        }
    }

    void keyEventsGiveCodes() {
        QCOMPARE(ShortCutFromKey(Qt::Key_M, Qt::ControlModifier | Qt::AltModifier), 0xC04D);
        QCOMPARE(ShortCutFromKey(Qt::Key_F5, Qt::NoModifier), 0x74);
        // Shifted symbols count as their key.
        QCOMPARE(ShortCutFromKey(Qt::Key_Exclam, Qt::ShiftModifier), kShortCutShift | '1');
        QCOMPARE(ShortCutFromKey(Qt::Key_Less, Qt::ShiftModifier), kShortCutShift | 0xBC);
        QCOMPARE(ShortCutFromKey(Qt::Key_Backtab, Qt::ShiftModifier), kShortCutShift | 9);
        // The number pad.
        QCOMPARE(ShortCutFromKey(Qt::Key_5, Qt::KeypadModifier), 0x65);
        QCOMPARE(ShortCutFromKey(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6A);
        QCOMPARE(ShortCutFromKey(Qt::Key_Asterisk, Qt::ShiftModifier), kShortCutShift | '8');
        QCOMPARE(ShortCutFromKey(Qt::Key_Enter, Qt::KeypadModifier), 13);
        QCOMPARE(ShortCutFromKey(Qt::Key_Insert, Qt::KeypadModifier), 45);
        // A modifier alone is a key too.
        QCOMPARE(ShortCutFromKey(Qt::Key_Control, Qt::ControlModifier), kShortCutCtrl | 0x11);
        QCOMPARE(ShortCutFromKey(Qt::Key_unknown, Qt::ControlModifier), 0);
    }

    void x11KeySymbolsOfShortcutCodes() {
        QCOMPARE(ShortCutForX11Key(XK_m, kX11ControlMask | kX11AltMask), 0xC04D);
        QCOMPARE(ShortCutForX11Key(XK_M, kX11ControlMask | kX11AltMask | kX11ShiftMask), 0xE04D);
        QCOMPARE(ShortCutForX11Key(XK_F5, 0), 0x74);
        // Caps Lock, Num Lock (Mod2) and buttons are not modifiers of a shortcut.
        QCOMPARE(ShortCutForX11Key(XK_F5, kX11LockMask | 0x10 | 0x100), 0x74);
        QCOMPARE(X11HotKeyForShortCut(0xC04D), (X11HotKey{XK_m, kX11ControlMask | kX11AltMask}));
        QCOMPARE(X11HotKeyForShortCut(0x74), (X11HotKey{XK_F5, 0}));
        QCOMPARE(X11HotKeyForShortCut(kShortCutShift | 0x2D),
                 (X11HotKey{XK_Insert, kX11ShiftMask}));
        QVERIFY(!X11HotKeyForShortCut(0));
        QVERIFY(!X11HotKeyForShortCut(kShortCutCtrl));
        QVERIFY(!X11HotKeyForShortCut(kShortCutCtrl | 0xFF));
    }

    void x11TableCoversTheKeyGroups() {
        const struct {
            int code;
            std::uint32_t keysym;
        } expected[] = {
            {'A', XK_a},           {'Z', XK_z},
            {'0', XK_0},           {'9', XK_9},
            {0x70, XK_F1},         {0x87, XK_F24},
            {0x25, XK_Left},       {0x26, XK_Up},
            {0x27, XK_Right},      {0x28, XK_Down},
            {0x2D, XK_Insert},     {0x2E, XK_Delete},
            {0x24, XK_Home},       {0x23, XK_End},
            {0x21, XK_Prior},      {0x22, XK_Next},
            {0x20, XK_space},      {0x09, XK_Tab},
            {0x0D, XK_Return},     {0x1B, XK_Escape},
            {0x08, XK_BackSpace},  {0x60, XK_KP_0},
            {0x69, XK_KP_9},       {0x6A, XK_KP_Multiply},
            {0x6B, XK_KP_Add},     {0x6D, XK_KP_Subtract},
            {0x6E, XK_KP_Decimal}, {0x6F, XK_KP_Divide},
            {0xBA, XK_semicolon},  {0xBB, XK_equal},
            {0xBC, XK_comma},      {0xBD, XK_minus},
            {0xBE, XK_period},     {0xBF, XK_slash},
            {0xC0, XK_grave},      {0xDB, XK_bracketleft},
            {0xDC, XK_backslash},  {0xDD, XK_bracketright},
            {0xDE, XK_apostrophe}, {0xE2, XK_less},
        };
        for (const auto& [code, keysym] : expected) {
            const std::optional<X11HotKey> hotKey = X11HotKeyForShortCut(code | kShortCutCtrl);
            QVERIFY2(hotKey.has_value(), qPrintable(QString::number(code, 16)));
            QCOMPARE(hotKey->keysym, keysym);
            QCOMPARE(hotKey->modifiers, kX11ControlMask);
            QCOMPARE(ShortCutForX11Key(keysym, kX11ControlMask), code | kShortCutCtrl);
        }
        // What X11 reports for shifted faces and the other number-pad level.
        QCOMPARE(ShortCutForX11Key(XK_exclam, kX11ShiftMask), kShortCutShift | '1');
        QCOMPARE(ShortCutForX11Key(XK_KP_Insert, 0), 0x2D);
        QCOMPARE(ShortCutForX11Key(XK_KP_Enter, 0), 0x0D);
        QCOMPARE(ShortCutForX11Key(XK_Cyrillic_a, 0), 0);
    }

    void hotKeyIsSilentlyUnavailableWithoutX11() {
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            QSKIP("runs on a display that is not X11");
        }
        GlobalHotKey hotKey;
        QVERIFY(!hotKey.Available());
        hotKey.UpdateHotKey(0xC04D);
        QVERIFY(!hotKey.Registered());
        hotKey.UpdateHotKey(0);
        hotKey.UnregisterHotKey();
        QVERIFY(!hotKey.Registered());
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::ShortcutCodeTest)
#include "shortcut_code_test.moc"
