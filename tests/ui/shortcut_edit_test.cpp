// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QTest>

#include "ui/keys/virtual_keys.h"
#include "ui/setup/shortcut_edit.h"

namespace lyr {

class ShortCutEditTest : public QObject {
    Q_OBJECT

private slots:
    void keysByTheirPlaceOnTheKeyboard() {
        // X keycodes of the US layout's main block.
        QCOMPARE(VirtualKeyAtKeycode(58), int('M'));
        QCOMPARE(VirtualKeyAtKeycode(38), int('A'));
        QCOMPARE(VirtualKeyAtKeycode(24), int('Q'));
        QCOMPARE(VirtualKeyAtKeycode(52), int('Z'));
        QCOMPARE(VirtualKeyAtKeycode(10), int('1'));
        QCOMPARE(VirtualKeyAtKeycode(19), int('0'));
        QCOMPARE(VirtualKeyAtKeycode(20), 0xBD);
        QCOMPARE(VirtualKeyAtKeycode(21), 0xBB);
        QCOMPARE(VirtualKeyAtKeycode(34), 0xDB);
        QCOMPARE(VirtualKeyAtKeycode(47), 0xBA);
        QCOMPARE(VirtualKeyAtKeycode(49), 0xC0);
        QCOMPARE(VirtualKeyAtKeycode(51), 0xDC);
        QCOMPARE(VirtualKeyAtKeycode(61), 0xBF);
        QCOMPARE(VirtualKeyAtKeycode(94), 0xE2);
        for (quint32 other : {0u, 9u, 22u, 23u, 36u, 50u, 62u, 65u, 300u}) {
            QCOMPARE(VirtualKeyAtKeycode(other), 0);
        }
    }

    void keysByWhatTheyAre() {
        auto code = [](int key, Qt::KeyboardModifiers modifiers = {}) {
            return ShortCutOf(QKeyEvent(QEvent::KeyPress, key, modifiers));
        };
        QCOMPARE(code(Qt::Key_M, Qt::ControlModifier | Qt::AltModifier), 0xC04D);
        QCOMPARE(code(Qt::Key_F5), 0x74);
        QCOMPARE(code(Qt::Key_F24), 0x87);
        QCOMPARE(code(Qt::Key_Backtab, Qt::ShiftModifier), 0x2009);
        QCOMPARE(code(Qt::Key_Enter, Qt::KeypadModifier), 0x0D);
        QCOMPARE(code(Qt::Key_7, Qt::KeypadModifier), 0x67);
        QCOMPARE(code(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6A);
        QCOMPARE(code(Qt::Key_Home, Qt::KeypadModifier), 0x24);
        QCOMPARE(code(Qt::Key_Delete, Qt::ControlModifier), 0x402E);
        QCOMPARE(code(Qt::Key_Question, Qt::ShiftModifier), 0x20BF);
        QCOMPARE(code(Qt::Key_BraceLeft, Qt::ShiftModifier), 0x20DB);
        QCOMPARE(code(Qt::Key_Shift), 0x2010);
        QCOMPARE(code(Qt::Key_Alt), 0x8012);
        // A key that no virtual key stands for gives no code.
        QCOMPARE(code(0x0424), 0);  // Ф, where the platform tells no place
        QCOMPARE(code(Qt::Key_unknown, Qt::ControlModifier), 0);
    }

    void theFieldSwallowsKeysAndReportsCodes() {
        ShortCutEdit field;
        QList<std::int32_t> codes;
        connect(&field, &ShortCutEdit::ShortCutPressed, this,
                [&](std::int32_t code) { codes.append(code); });
        QTest::keyClicks(&field, QStringLiteral("ab"));
        QKeyEvent unknown(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
        QApplication::sendEvent(&field, &unknown);
        QVERIFY(unknown.isAccepted());
        QCOMPARE(field.text(), QString());
        QCOMPARE(codes, (QList<std::int32_t>{'A', 'B'}));
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::ShortCutEditTest)
#include "shortcut_edit_test.moc"
